// Emptying a folder account's trash of old deletions: the kind's folder of each day old enough goes
// whole; the other kinds' folders of that day stay.
#include "helpers/account/AccountTrash.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/TrashFolder.h"
#include "helpers/driver/TrashRun.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The files in a folder and below it; links are counted as the files they are, never followed.
uint64_t FilesIn(const fs::path& folder)
{
    uint64_t files = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (!it->is_directory(ec) || it->is_symlink(ec))
            ++files;
    return files;
}

// A day folder left with nothing but its index has nothing the index could name.
void RemoveEmptyDay(const std::string& dayFolder)
{
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dayFolder, ec))
        if (entry.path().filename() != kTrashIndexName)
            return;
    if (ec)
        return;
    fs::remove(dayFolder + kTrashIndexName, ec);
    fs::remove(dayFolder, ec);
}

} // namespace

RunResult EmptyTrash(HelperRun& run)
{
    TrashResults results(run.session, run.params);
    int days = 0;
    std::vector<std::string> dayNames;
    std::string error;
    if (!ParseTrashDays(run.params.options, days))
        error = Format("Not a number of days from 0 to %d: \"%s\", nothing removed", kMaxTrashDays,
                       run.params.options.c_str());
    else if (!TrashDays(run.account, dayNames, error))
        error += ", nothing removed";
    if (!error.empty()) {
        run.session.Error(error);
        results.Failed(error);
        results.Write();
        return RunResult::Finished;
    }
    const std::string today = TrashDayName();
    const std::string kindFolder = KindInfo(run.session.Kind()).folder;
    uint64_t removed = 0;
    for (const std::string& day : dayNames) {
        if (!IsDeletionOlder(day, today, days))
            continue;
        const std::string dayFolder = TrashRoot(run.account) + day + "/";
        const fs::path folder = dayFolder + kindFolder;
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(folder, ec);
        // A link where the kind's folder should be is no deletion of this helper's; left alone.
        if (!fs::exists(status) || fs::is_symlink(status) || !fs::is_directory(status))
            continue;
        const uint64_t files = FilesIn(folder);
        // remove_all removes a link inside as the link, never what it points to.
        fs::remove_all(folder, ec);
        if (ec) {
            run.session.Error(
                Format("Cannot remove .trash/%s/%s/ whole: %s", day.c_str(), kindFolder.c_str(), ec.message().c_str()));
            removed += files - std::min(files, FilesIn(folder));
            continue;
        }
        removed += files;
        run.session.Log(2, Format("Removed .trash/%s/%s/ (%llu files)", day.c_str(), kindFolder.c_str(),
                                  static_cast<unsigned long long>(files)));
        RemoveEmptyDay(dayFolder);
    }
    // What is left, counted as a listing counts it; a link left alone is no fault of the emptying.
    const std::vector<TrashEntry> left = TrashEntries(run, error, false);
    uint64_t bytes = 0;
    for (const TrashEntry& entry : left)
        bytes += entry.bytes;
    results.Removed(removed);
    results.Holds(bytes, left.size());
    results.Write();
    run.session.Status(Format("Finished: %llu files removed from the trash", static_cast<unsigned long long>(removed)),
                       true);
    return RunResult::Finished;
}
