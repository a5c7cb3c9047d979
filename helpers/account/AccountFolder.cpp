#include "helpers/account/AccountFolder.h"

#include "helpers/base/HelperText.h"
#include "helpers/base/PlainName.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Calendar metadata files as a folder synchronised by vdirsyncer holds them.
constexpr const char* kDisplayNameFile = "displayname";
constexpr const char* kColorFile = "color";
constexpr std::streamsize kMaxMetadataBytes = 1024;

bool HasExtension(const std::string& name, const char* extension)
{
    const std::string_view ext(extension);
    if (name.size() <= ext.size())
        return false;
    for (size_t i = 0; i < ext.size(); ++i) {
        const char c = name[name.size() - ext.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != ext[i])
            return false;
    }
    return true;
}

std::string ReadMetadata(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<size_t>(kMaxMetadataBytes), '\0');
    in.read(text.data(), kMaxMetadataBytes);
    text.resize(static_cast<size_t>(in.gcount()));
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// One rule for what the load lists and what the save may move.
bool IsItemFileName(const std::string& name, const char* extension)
{
    return IsPlainName(name) && HasExtension(name, extension);
}

// Names in one folder that pass the filter, sorted; a missing folder lists nothing.
template <class Filter>
std::vector<std::string> ListNames(const std::string& folderText, Filter keep, std::string& problem)
{
    std::vector<std::string> names;
    // Without its trailing separator: a file where the folder should be must be seen, not taken
    // for a missing folder.
    const fs::path folder = fs::path(folderText).parent_path();
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(folder, ec)))
        return names;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Hidden names are skipped: a save refuses them, so a record made from one could never go.
        if (IsPlainName(name) && keep(*it))
            names.push_back(name);
    }
    if (ec)
        problem = Format("Cannot list the folder %s: %s", folderText.c_str(), ec.message().c_str());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

AccountFolder::AccountFolder(std::string account, HelperKind kind)
    : m_account(std::move(account))
    , m_kind(kind)
{
    std::error_code ec;
    m_realAccount = fs::weakly_canonical(m_account, ec).string();
    if (ec)
        m_realAccount = m_account;
    if (m_realAccount.empty() || m_realAccount.back() != '/')
        m_realAccount += '/';
}

bool AccountFolder::Contains(const std::string& path) const
{
    std::error_code ec;
    std::string real = fs::weakly_canonical(path, ec).string();
    if (ec)
        return false;
    if (real.back() != '/')
        real += '/';
    return real.size() > m_realAccount.size() && real.compare(0, m_realAccount.size(), m_realAccount) == 0;
}

std::string AccountFolder::KindPath() const
{
    return m_account + KindInfo(m_kind).folder + "/";
}

std::string AccountFolder::FolderPath(const std::string& subfolder) const
{
    return subfolder.empty() ? KindPath() : KindPath() + subfolder + "/";
}

std::string AccountFolder::RelativeFolder(const std::string& subfolder) const
{
    const std::string folder = KindInfo(m_kind).folder + std::string("/");
    return subfolder.empty() ? folder : folder + subfolder + "/";
}

std::string AccountFolder::LinkProblem(const std::string& subfolder) const
{
    // The kind folder first: when it is the link, it is the one to name.
    for (const std::string& level : {std::string(), subfolder}) {
        const fs::path folder = fs::path(FolderPath(level)).parent_path();
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(folder, ec)))
            return Format("Not following %s: a link to %s", RelativeFolder(level).c_str(),
                          Contains(folder) ? "another folder of the account" : "a folder outside the account");
        if (subfolder.empty())
            break;
    }
    return {};
}

std::vector<std::string> AccountFolder::ItemNames(const std::string& subfolder, std::string& problem) const
{
    problem = LinkProblem(subfolder);
    if (!problem.empty())
        return {};
    const char* extension = KindInfo(m_kind).extension;
    return ListNames(
        FolderPath(subfolder),
        [extension](const fs::directory_entry& entry) {
            std::error_code ec;
            return IsItemFileName(entry.path().filename().string(), extension) && entry.is_regular_file(ec);
        },
        problem);
}

bool AccountFolder::IsItemName(const ItemFile& item) const
{
    if (!item.subfolder.empty() && (m_kind != HelperKind::Calendar || !IsPlainName(item.subfolder)))
        return false;
    return IsItemFileName(item.name, KindInfo(m_kind).extension);
}

std::vector<ItemFile> AccountFolder::Items(std::vector<std::string>& problems) const
{
    const std::string linked = LinkProblem("");
    if (!linked.empty()) {
        problems.push_back(linked);
        return {};
    }
    // One pass over the kind folder finds its item files and (calendar only) its subfolders: the
    // folder holds the whole account, and every listing of it costs as much as reading a tenth of
    // the files.
    const bool calendar = m_kind == HelperKind::Calendar;
    const char* extension = KindInfo(m_kind).extension;
    std::vector<std::string> subfolders;
    std::string problem;
    std::vector<std::string> names = ListNames(
        KindPath(),
        [&](const fs::directory_entry& entry) {
            std::error_code ec;
            const std::string name = entry.path().filename().string();
            if (calendar && entry.is_directory(ec)) {
                const std::string link = LinkProblem(name);
                if (link.empty())
                    subfolders.push_back(name);
                else
                    problems.push_back(link);
                return false;
            }
            return IsItemFileName(name, extension) && entry.is_regular_file(ec);
        },
        problem);
    // A folder that cannot be listed fails the search for subfolders and the one for items alike;
    // each says so, as when they were two listings.
    if (calendar && !problem.empty())
        problems.push_back(problem);
    std::sort(subfolders.begin(), subfolders.end());

    std::vector<ItemFile> items;
    items.reserve(names.size());
    for (std::string& name : names)
        items.push_back({std::string(), std::move(name)});
    if (!problem.empty())
        problems.push_back(problem);
    for (const std::string& folder : subfolders) {
        std::string subProblem;
        for (std::string& name : ItemNames(folder, subProblem))
            items.push_back({folder, std::move(name)});
        if (!subProblem.empty())
            problems.push_back(subProblem);
    }
    return items;
}

bool AccountFolder::IsReadable(std::string& fault) const
{
    const fs::path folder = fs::path(KindPath()).parent_path();
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (!fs::exists(status) || fs::is_symlink(status))
        return true;
    fs::directory_iterator listing(folder, ec);
    if (!ec)
        return true;
    fault = Format("The folder %s cannot be read: %s", KindPath().c_str(), ec.message().c_str());
    return false;
}

std::vector<CalendarFolder> AccountFolder::Calendars() const
{
    // Items() reports the folders that cannot be read.
    std::vector<std::string> ignored;
    return Calendars(Items(ignored));
}

std::vector<CalendarFolder> AccountFolder::Calendars(const std::vector<ItemFile>& items) const
{
    std::vector<CalendarFolder> calendars;
    std::error_code ec;
    if (m_kind != HelperKind::Calendar || !fs::is_directory(KindPath(), ec) || !LinkProblem("").empty())
        return calendars;
    // calendar/ itself always, then each subfolder that holds items; Items() lists a subfolder's
    // files together and after those of calendar/.
    std::vector<std::string> folders{""};
    for (const ItemFile& item : items)
        if (!item.subfolder.empty() && item.subfolder != folders.back())
            folders.push_back(item.subfolder);
    for (const std::string& folder : folders) {
        CalendarFolder calendar{folder, ReadMetadata(FolderPath(folder) + kDisplayNameFile),
                                ReadMetadata(FolderPath(folder) + kColorFile)};
        if (calendar.displayName.empty())
            calendar.displayName = folder.empty() ? "Calendar" : folder;
        calendars.push_back(std::move(calendar));
    }
    return calendars;
}
