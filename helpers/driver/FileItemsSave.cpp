#include "helpers/driver/FileItemsSave.h"

#include "common/platform/Platform.h"
#include "helpers/account/AccountTrash.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/FileItems.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The outcome of each delete while the file is worked on: unset until decided.
using Outcomes = std::vector<std::optional<std::string>>;

// Every delete not decided yet is refused for that reason, reported once.
void RefuseOpen(HelperRun& run, Outcomes& outcomes, const std::string& reason)
{
    run.session.Error(reason);
    for (std::optional<std::string>& outcome : outcomes)
        if (!outcome)
            outcome = reason;
}

// The file's content identity now, as the load takes it: the time from before its first byte is read.
std::optional<ContentIdentity> ContentNow(const std::string& path, std::string& text, std::string& fault)
{
    int64_t modified = 0;
    if (!ReadItemText(path, text, modified, fault))
        return std::nullopt;
    return IdentityOfContent(text, modified);
}

// The file clock's nanoseconds as the system time a file's status holds.
platform::FileTime SystemTimeOf(int64_t modified)
{
    namespace chrono = std::chrono;
    const chrono::file_clock::time_point time{chrono::nanoseconds(modified)};
    const auto since = chrono::duration_cast<chrono::nanoseconds>(chrono::file_clock::to_sys(time).time_since_epoch());
    const auto seconds = chrono::floor<chrono::seconds>(since);
    return {seconds.count(), (since - seconds).count()};
}

// The item each delete names, marked gone; a delete that names none that could be served is refused.
std::vector<bool> MarkGone(HelperRun& run, const FileItems& items, const std::string& shown,
                           const std::vector<PlacedDelete>& deletes, Outcomes& outcomes)
{
    std::vector<bool> gone(items.Items().size(), false);
    for (size_t i = 0; i < deletes.size(); ++i) {
        ItemPlace place;
        const size_t found = ParseItemPlace(deletes[i].place, place) ? items.Find(place) : std::string::npos;
        std::string reason;
        if (found == std::string::npos) {
            reason = Format("No item of %s is at %s, skipped", shown.c_str(), deletes[i].place.c_str());
        } else {
            // The load served only an item that the reader finds to be exactly one.
            const ItemCounts counts = CountItems(run.session.Kind(), items.TextOf(found));
            if (!items.Items()[found].refused.empty() || counts.own != 1 || counts.others != 0)
                reason = Format("%s is not an item the load serves, skipped", items.Shown(shown, found).c_str());
        }
        if (reason.empty()) {
            gone[found] = true;
        } else {
            run.session.Error(reason);
            outcomes[i] = reason;
        }
    }
    return gone;
}

// The file without the items gone: the trash gets it whole first, and loses that copy again when the
// file cannot be rewritten, so the trash never holds what the account still has.
bool Rewrite(HelperRun& run, const ItemFile& file, const std::string& text, const ContentIdentity& loaded,
             const FileItems& items, const std::vector<bool>& gone, const std::string& day, std::string& trashPath,
             std::string& error)
{
    const std::string shown = run.account.RelativePath(file);
    const std::string path = run.account.ItemPath(file);
    if (!CopyToTrash(run.account, file, day, text, SystemTimeOf(loaded.modified), trashPath, error))
        return false;
    // What a rewrite killed midway left beside the file ("export.vcf.tmp<pid>-<n>", which no load lists)
    // goes first; the file is no link, CopyToTrash saw to that.
    platform::RemoveReplaceLeftovers(path.c_str());
    // A program that changes the file meanwhile (a synchronisation) wins: its change is kept. Only a
    // change in the moment between this last look and the rename would be lost.
    const auto stillSame = [&] {
        std::string now;
        std::string fault;
        const std::optional<ContentIdentity> identity = ContentNow(path, now, fault);
        return identity && *identity == loaded;
    };
    const int fault = platform::ReplaceRegularFile(path.c_str(), items.TextWithout(gone), stillSame);
    if (fault == 0)
        return true;
    std::error_code ec;
    fs::remove(trashPath, ec);
    error = fault == ECANCELED ? ChangedError(shown)
                               : Format("Cannot rewrite %s without the items deleted from it: %s", shown.c_str(),
                                        std::generic_category().message(fault).c_str());
    return false;
}

// The places of the items gone, as the trash index lists them.
std::string PlacesOf(const FileItems& items, const std::vector<bool>& gone)
{
    std::string places;
    for (size_t i = 0; i < gone.size(); ++i) {
        if (!gone[i])
            continue;
        if (!places.empty())
            places += kTrashPlaceSeparator;
        places += FormatItemPlace(items.Items()[i].place);
    }
    return places;
}

} // namespace

void NoteDeletion(HelperRun& run, const std::string& day, const std::string& trashPath, const ItemFile& file,
                  const std::string& places)
{
    std::string error;
    if (!NoteTrashIndex(run.account, day, trashPath, run.account.RelativePath(file), DeletionTimeNow(), places, error))
        run.session.Log(1, "The trash index misses a deletion: " + error);
}

std::vector<std::string> DeleteFileItems(HelperRun& run, const ItemFile& file, const std::vector<PlacedDelete>& deletes,
                                         const std::string& day)
{
    Outcomes outcomes(deletes.size());
    const auto result = [&outcomes] {
        std::vector<std::string> reasons;
        for (const std::optional<std::string>& outcome : outcomes)
            reasons.push_back(outcome.value_or(std::string()));
        return reasons;
    };
    const std::string shown = run.account.RelativePath(file);
    std::string error;
    if (!IsTrashableItem(run.account, file, error)) {
        RefuseOpen(run, outcomes, error);
        return result();
    }
    // Records of one load all carry the identity that load saw; any other is refused with them.
    ContentIdentity loaded;
    for (const PlacedDelete& del : deletes) {
        ContentIdentity identity;
        if (!ParseContentIdentity(del.content, identity) || (&del != &deletes.front() && identity != loaded)) {
            RefuseOpen(run, outcomes, UnidentifiedError(shown));
            return result();
        }
        loaded = identity;
    }
    std::string text;
    const std::optional<ContentIdentity> now = ContentNow(run.account.ItemPath(file), text, error);
    if (!now) {
        RefuseOpen(run, outcomes, Format("Cannot read %s, skipped: %s", shown.c_str(), error.c_str()));
        return result();
    }
    if (*now != loaded) {
        RefuseOpen(run, outcomes, ChangedError(shown));
        return result();
    }
    // The bytes the load saw split as they split then; this only fails for a record the load never made.
    FileItems items;
    const ItemCounts counts = CountItems(run.session.Kind(), text);
    if (counts.others > 0 || counts.own < 2 || !items.Split(run.session.Kind(), text, error)) {
        RefuseOpen(run, outcomes,
                   Format("%s is not a file of several items the load serves, not deleted", shown.c_str()));
        return result();
    }
    const std::vector<bool> gone = MarkGone(run, items, shown, deletes, outcomes);
    const size_t going = static_cast<size_t>(std::count(gone.begin(), gone.end(), true));
    if (going == 0)
        return result();
    const bool all = going == gone.size();
    std::string trashPath;
    const bool done = all ? MoveToTrash(run.account, file, day, trashPath, error)
                          : Rewrite(run, file, text, loaded, items, gone, day, trashPath, error);
    if (!done) {
        RefuseOpen(run, outcomes, error);
        return result();
    }
    NoteDeletion(run, day, trashPath, file, all ? std::string() : PlacesOf(items, gone));
    for (std::optional<std::string>& outcome : outcomes)
        if (!outcome)
            outcome = std::string();
    if (all)
        run.session.Log(2, Format("Moved %s to .trash/%s/: every item of it deleted", shown.c_str(), day.c_str()));
    else
        run.session.Log(2, Format("Rewrote %s without %zu of its %zu %s; the file as it was is in .trash/%s/",
                                  shown.c_str(), going, gone.size(), KindInfo(run.session.Kind()).items, day.c_str()));
    return result();
}
