#include "helpers/account/ServerTrash.h"

#include "common/platform/Platform.h"
#include "helpers/account/AccountTrash.h"
#include "helpers/base/HelperText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsPlainByte(unsigned char c, const char* extra)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr(extra, c) != nullptr);
}

// Bytes outside the plain set as %XX; a '%' of the text stays, since a server's path is percent-
// encoded already and its %XX mean what they say.
std::string PlainSegment(const std::string& text, const char* extra)
{
    std::string segment;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((i == 0 && c == '.') || !IsPlainByte(c, extra))
            segment += Format("%%%02X", c);
        else
            segment += static_cast<char>(c);
    }
    return segment;
}

} // namespace

std::string ServerTrashFolder(const std::string& email)
{
    // The address in lower case: accounts.ini takes it in any case, and one account has one trash.
    std::string lower = email;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return "trash/" + PlainSegment(lower, "@._+-") + "/";
}

std::string ServerTrashRelativePath(const std::string& itemPath)
{
    std::string relative;
    size_t start = 0;
    while (start <= itemPath.size()) {
        size_t end = itemPath.find('/', start);
        if (end == std::string::npos)
            end = itemPath.size();
        const std::string segment = itemPath.substr(start, end - start);
        // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about the copy inside an inlined
        // operator+ of a literal and a string.
        if (!segment.empty()) {
            if (!relative.empty())
                relative += '/';
            relative += PlainSegment(segment, "@._+-~%=,;");
        }
        start = end + 1;
    }
    return relative;
}

ServerTrash::ServerTrash(std::string workFolder, const std::string& email, std::string day)
    : m_workFolder(std::move(workFolder))
    , m_accountFolder(ServerTrashFolder(email))
    , m_dayFolder(m_workFolder + m_accountFolder + day + "/")
{}

// Each level made for the owner only and checked to be a real folder, never a link: what the user
// deleted is for the user alone, and a link would send it anywhere.
bool ServerTrash::MakeFolders(const std::string& relative, std::string& why) const
{
    for (size_t end = relative.find('/'); end != std::string::npos; end = relative.find('/', end + 1)) {
        const fs::path level = m_workFolder + relative.substr(0, end);
        std::error_code ec;
        if (fs::create_directory(level, ec))
            fs::permissions(level, fs::perms::owner_all, fs::perm_options::replace, ec);
        const fs::file_status status = fs::symlink_status(level, ec);
        if (fs::is_symlink(status)) {
            why = relative.substr(0, end + 1) + " is a link, not a folder";
            return false;
        }
        if (!fs::is_directory(status)) {
            why = relative.substr(0, end + 1) + (fs::exists(status) ? " is not a folder" : " cannot be made");
            return false;
        }
    }
    return true;
}

namespace {

// A field of the index on one line of its own, whatever a server put into an ETag.
std::string IndexField(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

void ServerTrash::Note(const std::string& line) const
{
    const std::string index = m_dayFolder + kServerTrashIndex;
    // The index is a list beside the kept files, never a way to write through a link elsewhere.
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(index, ec)))
        return;
    const bool fresh = !platform::FileExists(index.c_str());
    FILE* file = std::fopen(index.c_str(), "a");
    if (!file)
        return;
    platform::RestrictToOwner(index.c_str());
    if (fresh)
        std::fputs("# file in this folder\taddress on the server\tETag\n", file);
    std::fputs(line.c_str(), file);
    std::fclose(file);
}

bool ServerTrash::Keep(const std::string& itemPath, const std::string& url, const std::string& etag,
                       const std::string& text, std::string& trashPath, std::string& error)
{
    const std::string relative = ServerTrashRelativePath(itemPath);
    if (relative.empty()) {
        error = Format("Cannot keep %s in the trash: it has no name", itemPath.c_str());
        return false;
    }
    const std::string full = m_dayFolder.substr(m_workFolder.size()) + relative;
    std::string why;
    if (!MakeFolders(full, why)) {
        error = Format("Cannot keep %s in the trash: %s", itemPath.c_str(), why.c_str());
        return false;
    }
    const size_t slash = full.rfind('/');
    const std::string folder = m_workFolder + full.substr(0, slash + 1);
    const std::string name = full.substr(slash + 1);
    platform::FileTime now{};
    now.seconds = static_cast<int64_t>(std::time(nullptr));
    const int fault = CreateUnderFreeName(folder, name, text, 0600, now, trashPath);
    if (fault != 0) {
        error = Format("Cannot keep %s in the trash: %s", itemPath.c_str(),
                       fault == EEXIST ? "no free name left" : std::generic_category().message(fault).c_str());
        return false;
    }
    Note(trashPath.substr(m_dayFolder.size()) + "\t" + IndexField(url) + "\t" + IndexField(etag) + "\n");
    return true;
}

void ServerTrash::TakeBack(const std::string& trashPath)
{
    std::error_code ec;
    if (fs::remove(trashPath, ec))
        Note(trashPath.substr(m_dayFolder.size()) + "\t(taken back: the server kept the item)\t\n");
}
