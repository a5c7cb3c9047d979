#include "helpers/account/ServerTrash.h"

#include "common/platform/Platform.h"
#include "helpers/account/AccountTrash.h"
#include "helpers/base/HelperText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
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
        std::fputs("# file in this folder\taddress on the server\tETag\tdeleted at\n", file);
    std::fputs(line.c_str(), file);
    std::fclose(file);
}

bool ServerTrash::Keep(const std::string& itemPath, const std::string& url, const std::string& etag,
                       const std::string& text, const std::string& deletedAt, std::string& trashPath,
                       std::string& error)
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
    Note(trashPath.substr(m_dayFolder.size()) + "\t" + IndexField(url) + "\t" + IndexField(etag) + "\t" +
         IndexField(deletedAt) + "\n");
    return true;
}

void ServerTrash::TakeBack(const std::string& trashPath)
{
    std::error_code ec;
    if (fs::remove(trashPath, ec))
        Note(trashPath.substr(m_dayFolder.size()) + "\t(taken back: the server kept the item)\t\n");
}

namespace {

constexpr const char* kRestoredMark = "(restored)";
constexpr const char* kTakenBackMark = "(taken back";

std::vector<std::string> TabFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

// The index as text, never read through a link: empty when there is none.
std::string IndexText(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)))
        return {};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file a line of the index names, or empty for the header and lines of no file.
std::string FileOfLine(const std::string& line)
{
    if (line.empty() || line[0] == '#')
        return {};
    return line.substr(0, line.find('\t'));
}

} // namespace

std::vector<ServerTrashEntry> ReadServerTrashIndex(const std::string& dayFolder, const std::string& day)
{
    std::vector<ServerTrashEntry> entries;
    std::istringstream in(IndexText(dayFolder + kServerTrashIndex));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> fields = TabFields(line);
        if (FileOfLine(line).empty() || fields.size() < 2)
            continue;
        const auto same = [&fields](const ServerTrashEntry& entry) { return entry.file == fields[0]; };
        const auto found = std::find_if(entries.rbegin(), entries.rend(), same);
        const bool restored = fields[1] == kRestoredMark;
        if (restored || fields[1].rfind(kTakenBackMark, 0) == 0) {
            if (found != entries.rend())
                found->state = restored ? ServerTrashEntry::State::Restored : ServerTrashEntry::State::TakenBack;
            continue;
        }
        // A name kept anew once its copy had gone: the new line is the file's now.
        if (found != entries.rend())
            entries.erase(std::next(found).base());
        ServerTrashEntry entry;
        entry.file = fields[0];
        entry.url = fields[1];
        entry.etag = fields.size() > 2 ? fields[2] : std::string();
        entry.deletedAt = fields.size() > 3 && !fields[3].empty() ? fields[3] : day;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool IsServerTrashRelative(const std::string& relative)
{
    if (relative.empty())
        return false;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        const std::string segment = relative.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == ".." || segment.find('\0') != std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
}

std::vector<std::string> ServerTrashFiles(const std::string& dayFolder)
{
    std::vector<std::string> files;
    std::error_code ec;
    // A link is listed as what it is and never entered: the options say so, and is_regular_file of a
    // link's own status is false.
    for (fs::recursive_directory_iterator it(dayFolder, fs::directory_options::none, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        if (ec || !fs::is_regular_file(status))
            continue;
        const std::string relative = it->path().string().substr(dayFolder.size());
        if (relative != kServerTrashIndex)
            files.push_back(relative);
    }
    std::sort(files.begin(), files.end());
    return files;
}

void ServerTrash::Restored(const std::string& file, const std::string& at)
{
    std::error_code ec;
    fs::remove(m_dayFolder + file, ec);
    Note(file + "\t" + kRestoredMark + "\t" + IndexField(at) + "\n");
}

uint64_t ServerTrash::Remove(const std::vector<std::string>& files, uint64_t& bytes)
{
    bytes = 0;
    std::set<std::string> removed;
    for (const std::string& file : files) {
        const fs::path path = m_dayFolder + file;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (!IsServerTrashRelative(file) || !fs::is_regular_file(status))
            continue;
        const uintmax_t size = fs::file_size(path, ec);
        if (fs::remove(path, ec)) {
            bytes += ec ? 0 : size;
            removed.insert(file);
        }
    }
    // The index keeps the lines of the files still here, in their order.
    const std::string index = m_dayFolder + kServerTrashIndex;
    std::istringstream in(IndexText(index));
    std::string kept;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!removed.count(FileOfLine(line)))
            kept += line + "\n";
    }
    if (!removed.empty() && !kept.empty())
        platform::ReplaceRegularFile(index.c_str(), kept, [] { return true; });
    // The folders of the removed files, deepest first, as far as they are empty.
    std::set<std::string, std::greater<>> folders;
    for (const std::string& file : removed)
        for (size_t slash = file.rfind('/'); slash != std::string::npos && slash > 0;
             slash = file.rfind('/', slash - 1))
            folders.insert(file.substr(0, slash));
    std::error_code ec;
    for (const std::string& folder : folders)
        if (fs::is_directory(fs::symlink_status(m_dayFolder + folder, ec)) && fs::is_empty(m_dayFolder + folder, ec))
            fs::remove(m_dayFolder + folder, ec);
    if (ServerTrashFiles(m_dayFolder).empty()) {
        bool onlyIndex = true;
        for (fs::directory_iterator it(m_dayFolder, ec), end; !ec && it != end; it.increment(ec))
            onlyIndex = onlyIndex && it->path().filename() == kServerTrashIndex;
        if (!ec && onlyIndex) {
            fs::remove(index, ec);
            fs::remove(m_dayFolder, ec);
        }
    }
    return removed.size();
}
