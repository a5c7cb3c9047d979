#include "helpers/account/AccountTrash.h"

#include "common/platform/Platform.h"
#include "helpers/base/HelperText.h"
#include "helpers/base/PlainName.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxSuffix = 9999;
// NAME_MAX of the file systems an account lives on; a longer name cannot even be looked up.
constexpr size_t kMaxNameBytes = 255;

std::string CutUtf8(const std::string& text, size_t bytes)
{
    return text.substr(0, platform::Utf8CutLength(text, bytes));
}

int MoveWithoutReplacing(const std::string& source, const std::string& target)
{
    const int fault = platform::RenameNoReplace(source.c_str(), target.c_str());
    return fault == EINVAL || fault == ENOSYS ? platform::MoveByLink(source.c_str(), target.c_str()) : fault;
}

// Walks the folders of relative (".trash/<day>/<kind>/...", ending with '/') one level at a time, so
// that no link on the way is followed, creating those missing when asked. Without create, a missing
// level ends the walk: nothing below it can be wrong yet. False with the reason in why.
bool WalkTrash(const AccountFolder& account, const std::string& relative, bool create, std::string& folder,
               std::string& why)
{
    for (size_t end = relative.find('/'); end != std::string::npos; end = relative.find('/', end + 1)) {
        const std::string shown = relative.substr(0, end + 1);
        folder = account.Account() + shown;
        const fs::path level = fs::path(folder).parent_path();
        std::error_code ec;
        fs::file_status status = fs::symlink_status(level, ec);
        if (!fs::exists(status)) {
            if (!create)
                return true;
            // Another run may create it meanwhile; what stands there is checked all the same. What the
            // user deleted is for the user alone, whatever the umask.
            if (fs::create_directory(level, ec))
                fs::permissions(level, fs::perms::owner_all, fs::perm_options::replace, ec);
            status = fs::symlink_status(level, ec);
            if (!fs::exists(status)) {
                why = ec.message();
                return false;
            }
        }
        if (fs::is_symlink(status)) {
            why = shown + " is a link, not a folder of the account";
            return false;
        }
        if (!fs::is_directory(status)) {
            why = shown + " is not a folder";
            return false;
        }
    }
    if (create && !account.Contains(folder)) {
        why = folder + " is not inside the account";
        return false;
    }
    return true;
}

std::string TrashFolderOf(const AccountFolder& account, const std::string& day, const std::string& subfolder)
{
    return ".trash/" + day + "/" + account.RelativeFolder(subfolder);
}

} // namespace

std::string TrashDayName()
{
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    return Format("%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
}

std::string TrashCandidateName(const std::string& name, int attempt)
{
    if (attempt == 0)
        return name;
    // Appended rather than written as "-" + to_string(): GCC 12 at -O3 warns (-Wrestrict) about the
    // copy inside operator+ it inlines, which -Werror turns into a failed Release build.
    std::string suffix(1, '-');
    suffix += std::to_string(attempt);
    const size_t dot = name.rfind('.');
    std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    std::string extension = name.substr(stem.size());
    // An extension too long to leave room for any stem is cut like the rest of the name.
    if (extension.size() + suffix.size() >= kMaxNameBytes) {
        stem = name;
        extension.clear();
    }
    return CutUtf8(stem, kMaxNameBytes - suffix.size() - extension.size()) + suffix + extension;
}

bool IsTrashableItem(const AccountFolder& account, const ItemFile& item, std::string& error)
{
    const std::string shown = account.RelativePath(item);
    if (!IsPlainName(item.name) || (!item.subfolder.empty() && !IsPlainName(item.subfolder))) {
        error = Format("Not a plain file name, skipped: %s", shown.c_str());
        return false;
    }
    // The calendar's "displayname" and "color" files sit beside its events; no record stands for them.
    if (!account.IsItemName(item)) {
        error = Format("Not an item file, skipped: %s", shown.c_str());
        return false;
    }
    const std::string linked = account.LinkProblem(item.subfolder);
    if (!linked.empty()) {
        error = Format("%s; skipped: %s", linked.c_str(), shown.c_str());
        return false;
    }
    std::error_code ec;
    if (!fs::is_regular_file(account.ItemPath(item), ec)) {
        error = Format("Item not found, skipped: %s", shown.c_str());
        return false;
    }
    return true;
}

bool IsTrashUsable(const AccountFolder& account, const std::string& day, std::string& error)
{
    std::string folder;
    std::string why;
    if (WalkTrash(account, TrashFolderOf(account, day, ""), false, folder, why))
        return true;
    error = "Nothing deleted: " + why;
    return false;
}

bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& error)
{
    std::string trashPath;
    return MoveToTrash(account, item, day, trashPath, error);
}

bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& trashPath,
                 std::string& error)
{
    if (!IsTrashableItem(account, item, error))
        return false;
    const std::string shown = account.RelativePath(item);
    std::string folder;
    std::string why;
    if (!WalkTrash(account, TrashFolderOf(account, day, item.subfolder), true, folder, why)) {
        error = Format("Cannot move %s to the trash: %s", shown.c_str(), why.c_str());
        return false;
    }
    // No look before the move: a name is taken only by a move that does not replace, so a file that
    // appears under a name meanwhile sends us on to the next one.
    for (int attempt = 0; attempt <= kMaxSuffix; ++attempt) {
        trashPath = folder + TrashCandidateName(item.name, attempt);
        const int fault = MoveWithoutReplacing(account.ItemPath(item), trashPath);
        if (fault == 0)
            return true;
        if (fault != EEXIST) {
            error = Format("Cannot move %s to the trash: %s", shown.c_str(),
                           std::generic_category().message(fault).c_str());
            return false;
        }
    }
    error = Format("Cannot move %s to the trash: no free name left", shown.c_str());
    return false;
}

bool CopyToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, const std::string& bytes,
                 const platform::FileTime& modified, std::string& trashPath, std::string& error)
{
    if (!IsTrashableItem(account, item, error))
        return false;
    const std::string shown = account.RelativePath(item);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(account.ItemPath(item), ec);
    if (fs::is_symlink(status)) {
        error = Format("Not following %s: a link", shown.c_str());
        return false;
    }
    std::string folder;
    std::string why;
    if (!WalkTrash(account, TrashFolderOf(account, day, item.subfolder), true, folder, why)) {
        error = Format("Cannot copy %s to the trash: %s", shown.c_str(), why.c_str());
        return false;
    }
    const auto mode = static_cast<unsigned>(status.permissions() & fs::perms::mask);
    const int fault = CreateUnderFreeName(folder, item.name, bytes, mode, modified, trashPath);
    if (fault == 0)
        return true;
    error = Format("Cannot copy %s to the trash: %s", shown.c_str(),
                   fault == EEXIST ? "no free name left" : std::generic_category().message(fault).c_str());
    return false;
}

bool NoteTrashIndex(const AccountFolder& account, const std::string& day, const std::string& trashPath,
                    const std::string& second, const std::string& deletedAt, const std::string& places,
                    std::string& error)
{
    const std::string dayFolder = account.Account() + ".trash/" + day + "/";
    if (trashPath.compare(0, dayFolder.size(), dayFolder) != 0) {
        error = trashPath + " is not in " + dayFolder;
        return false;
    }
    const std::string index = dayFolder + kTrashIndexName;
    // A list beside the kept files, never a way to write through a link elsewhere.
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(index, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = index + " is not a plain file";
        return false;
    }
    const bool fresh = !fs::exists(status);
    FILE* file = std::fopen(index.c_str(), "a");
    if (!file) {
        error = Format("Cannot write %s: %s", index.c_str(), platform::LastErrorText().c_str());
        return false;
    }
    platform::RestrictToOwner(index.c_str());
    std::string text = fresh ? "# file in this folder\toriginal path in the account\tdeleted at\tplaces\n" : "";
    text += trashPath.substr(dayFolder.size()) + "\t" + second + "\t" + deletedAt + "\t" + places + "\n";
    const bool written = std::fputs(text.c_str(), file) >= 0;
    if (std::fclose(file) != 0 || !written) {
        error = Format("Cannot write %s", index.c_str());
        return false;
    }
    return true;
}

int CreateUnderFreeName(const std::string& folder, const std::string& name, const std::string& bytes, unsigned mode,
                        const platform::FileTime& modified, std::string& path)
{
    for (int attempt = 0; attempt <= kMaxSuffix; ++attempt) {
        path = folder + TrashCandidateName(name, attempt);
        const int fault = platform::CreateNewFile(path.c_str(), bytes, mode, modified);
        if (fault != EEXIST)
            return fault;
    }
    return EEXIST;
}
