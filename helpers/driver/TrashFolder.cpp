#include "helpers/driver/TrashFolder.h"

#include "helpers/account/AccountTrash.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

struct IndexLine
{
    std::string original;
    std::string deletedAt;
    std::vector<std::string> places;
    bool restoredAll = false;
    std::vector<std::string> restoredPlaces;
};

std::vector<std::string> Fields(const std::string& line, char separator)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t end = line.find(separator); end != std::string::npos; end = line.find(separator, start)) {
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

std::vector<std::string> PlacesIn(const std::string& text)
{
    std::vector<std::string> places;
    for (std::string& place : Fields(text, kTrashPlaceSeparator))
        if (!place.empty())
            places.push_back(std::move(place));
    return places;
}

// What the day's index says of each file, by its path relative to the day folder: the last deletion
// line of a name counts (a name freed by a restore can be taken again), restores after it apply.
std::map<std::string, IndexLine> ReadIndex(const std::string& dayFolder)
{
    std::map<std::string, IndexLine> index;
    const std::string path = dayFolder + kTrashIndexName;
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)))
        return index;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> fields = Fields(line, '\t');
        if (fields.size() != 4 || fields[0].empty())
            continue;
        if (fields[1] == kTrashRestoredMark) {
            IndexLine& entry = index[fields[0]];
            if (fields[3].empty())
                entry.restoredAll = true;
            for (std::string& place : PlacesIn(fields[3]))
                entry.restoredPlaces.push_back(std::move(place));
            continue;
        }
        index[fields[0]] = {fields[1], fields[2], PlacesIn(fields[3]), false, {}};
    }
    return index;
}

void Describe(TrashEntry& entry, const std::map<std::string, IndexLine>& index, const std::string& inDay)
{
    const auto found = index.find(inDay);
    if (found == index.end() || found->second.original.empty()) {
        // Older trash, or put there by hand: it came from the same place under the kind folder.
        entry.original = inDay;
        entry.deletedAt = entry.day;
        entry.restored = found != index.end() && found->second.restoredAll;
        return;
    }
    const IndexLine& line = found->second;
    entry.original = line.original;
    entry.deletedAt = line.deletedAt.empty() ? entry.day : line.deletedAt;
    for (const std::string& place : line.places)
        if (std::find(line.restoredPlaces.begin(), line.restoredPlaces.end(), place) == line.restoredPlaces.end())
            entry.places.push_back(place);
    entry.restored = line.restoredAll || (!line.places.empty() && entry.places.empty());
}

} // namespace

std::string TrashRoot(const AccountFolder& account)
{
    return account.Account() + ".trash/";
}

AccountFolder DayFolder(const AccountFolder& account, const std::string& day)
{
    return AccountFolder(TrashRoot(account) + day + "/", account.Kind());
}

bool TrashDays(const AccountFolder& account, std::vector<std::string>& days, std::string& error)
{
    const std::string root = TrashRoot(account);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(root.substr(0, root.size() - 1), ec);
    if (!fs::exists(status))
        return true;
    if (fs::is_symlink(status) || !fs::is_directory(status)) {
        error = ".trash/ is not a folder of the account";
        return false;
    }
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsTrashDayName(name) && it->is_directory(ec) && !it->is_symlink(ec))
            days.push_back(name);
    }
    if (ec) {
        error = Format("Cannot read .trash/: %s", ec.message().c_str());
        return false;
    }
    std::sort(days.begin(), days.end());
    return true;
}

std::vector<TrashEntry> TrashEntries(HelperRun& run, std::string& error, bool report)
{
    std::vector<TrashEntry> entries;
    std::vector<std::string> days;
    if (!TrashDays(run.account, days, error))
        return entries;
    for (const std::string& day : days) {
        const AccountFolder folder = DayFolder(run.account, day);
        std::vector<std::string> problems;
        const std::vector<ItemFile> files = folder.Items(problems);
        for (const std::string& problem : problems)
            if (report)
                run.session.Error(".trash/" + day + "/: " + problem);
        const std::map<std::string, IndexLine> index = ReadIndex(folder.Account());
        for (const ItemFile& file : files) {
            // A link in the trash is nothing a deletion put there; it is never followed.
            std::error_code ec;
            if (!fs::is_regular_file(fs::symlink_status(folder.ItemPath(file), ec)))
                continue;
            TrashEntry entry;
            entry.day = day;
            entry.file = file;
            const std::string inDay = folder.RelativePath(file);
            entry.ref = day + "/" + inDay;
            entry.bytes = fs::file_size(folder.ItemPath(file), ec);
            Describe(entry, index, inDay);
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}
