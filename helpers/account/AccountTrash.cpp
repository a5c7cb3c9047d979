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
    const std::string suffix = "-" + std::to_string(attempt);
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
    std::error_code ec;
    if (!fs::is_regular_file(account.ItemPath(item), ec)) {
        error = Format("Item not found, skipped: %s", shown.c_str());
        return false;
    }
    return true;
}

bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& error)
{
    if (!IsTrashableItem(account, item, error))
        return false;
    const std::string shown = account.RelativePath(item);
    const std::string folder = account.Account() + ".trash/" + day + "/" + account.RelativeFolder(item.subfolder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = Format("Cannot move %s to the trash: %s", shown.c_str(), ec.message().c_str());
        return false;
    }
    // No look before the move: a name is taken only by a move that does not replace, so a file that
    // appears under a name meanwhile sends us on to the next one.
    for (int attempt = 0; attempt <= kMaxSuffix; ++attempt) {
        const int fault = MoveWithoutReplacing(account.ItemPath(item), folder + TrashCandidateName(item.name, attempt));
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
