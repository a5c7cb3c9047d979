// Putting items back from a folder account's trash: the records a listing wrote, marked by the app,
// name their trash files; each file goes back where it was deleted from, nothing in the account
// replaced.
#include "common/platform/Platform.h"
#include "helpers/account/AccountTrash.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/base/PlainName.h"
#include "helpers/driver/DeleteRequests.h"
#include "helpers/driver/FileItems.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/TrashFolder.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

// As many free names as the trash itself tries.
constexpr int kMaxSuffix = 9999;

// One marked record and the trash entry it names, once found.
struct RestoreRequest
{
    uint32_t record = 0;
    TrashReference reference;
    std::optional<size_t> entry; // into the listing
    std::string refusal;         // why it names nothing to restore
};

// The places a listing gives the items of a file moved whole: none for a file of one item.
std::vector<std::string> PlacesInFile(HelperRun& run, const TrashEntry& entry)
{
    std::vector<std::string> places{""};
    std::string text;
    std::string fault;
    FileItems items;
    if (!ReadItemText(TrashRoot(run.account) + entry.ref, text, fault))
        return places;
    const ItemCounts counts = CountItems(run.session.Kind(), text);
    if (counts.own < 2 || counts.others > 0 || !items.Split(run.session.Kind(), text, fault))
        return places;
    for (const FileItem& item : items.Items())
        places.push_back(FormatItemPlace(item.place));
    return places;
}

// The entry a record names: by its reference (contacts, events) or its identity (tasks, notes). The
// listing walked the trash without following links, by plain names under the kind's folder, so a
// reference that names none of its entries (a path outside, "..", a link) is never acted on.
void FindEntry(HelperRun& run, const std::vector<TrashEntry>& entries, bool byIdentity, const DeleteRequest& read,
               RestoreRequest& request)
{
    request.record = read.record;
    if (!byIdentity && !ParseTrashRequest(read, request.reference)) {
        request.refusal = "the record names no file of the trash";
        return;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const TrashEntry& entry = entries[i];
        if (entry.restored)
            continue;
        if (!byIdentity) {
            if (entry.ref == request.reference.path) {
                request.entry = i;
                return;
            }
            continue;
        }
        // A file of several items moved whole lists each item; any of them restores the file.
        for (const std::string& place : entry.places.empty() ? PlacesInFile(run, entry) : entry.places) {
            const ItemIdentity identity = TrashIdentity({entry.ref, place, ""});
            if (identity.first == read.identity.first && identity.second == read.identity.second) {
                request.reference = {entry.ref, place, ""};
                request.entry = i;
                return;
            }
        }
    }
    request.refusal = byIdentity ? "nothing in the trash matches the record"
                                 : ".trash/" + request.reference.path + " is not in the trash";
}

// Where the entry was deleted from, as an item of the account; false when that is no item file the
// load could list (an index edited by hand).
bool OriginalItem(const AccountFolder& account, const TrashEntry& entry, ItemFile& item)
{
    const std::string kindFolder = std::string(KindInfo(account.Kind()).folder) + "/";
    if (entry.original.compare(0, kindFolder.size(), kindFolder) != 0)
        return false;
    const std::string rest = entry.original.substr(kindFolder.size());
    const size_t slash = rest.find('/');
    item = slash == std::string::npos ? ItemFile{"", rest} : ItemFile{rest.substr(0, slash), rest.substr(slash + 1)};
    return IsPlainName(item.name) && (item.subfolder.empty() || IsPlainName(item.subfolder)) &&
           account.IsItemName(item);
}

// The kind's folder and the calendar's, made again when the deletion took the last of them.
bool MakeFolders(const AccountFolder& account, const ItemFile& item, std::string& why)
{
    std::vector<std::string> levels{account.KindPath()};
    if (!item.subfolder.empty())
        levels.push_back(account.FolderPath(item.subfolder));
    for (const std::string& level : levels) {
        const fs::path path = fs::path(level).parent_path();
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(path, ec)))
            fs::create_directory(path, ec);
        const fs::file_status status = fs::symlink_status(path, ec);
        if (fs::is_symlink(status) || !fs::is_directory(status)) {
            why = account.RelativeFolder(level == levels.front() ? "" : item.subfolder) +
                  " is not a folder of the account";
            return false;
        }
    }
    return true;
}

class Restorer
{
public:
    explicit Restorer(HelperRun& run)
        : m_run(run)
    {}

    // Puts the entry back, the items at places of it for a rewritten file's copy. True when restored,
    // with how in note when not as it was; else false with the reason in why.
    bool Restore(const TrashEntry& entry, const std::vector<std::string>& places, std::string& note, std::string& why)
    {
        ItemFile original;
        if (!OriginalItem(m_run.account, entry, original)) {
            why = "the trash index names no item file of the account for .trash/" + entry.ref;
            return false;
        }
        const std::string linked = m_run.account.LinkProblem(original.subfolder);
        if (!linked.empty()) {
            why = linked;
            return false;
        }
        if (!MakeFolders(m_run.account, original, why))
            return false;
        if (entry.places.empty())
            return MoveBack(entry, original, note, why);
        return PutItemsBack(entry, original, places, note, why);
    }

private:
    std::string TrashPath(const TrashEntry& entry) const { return TrashRoot(m_run.account) + entry.ref; }

    void NoteRestored(const TrashEntry& entry, const std::string& places)
    {
        std::string error;
        if (!NoteTrashIndex(m_run.account, entry.day, TrashPath(entry), kTrashRestoredMark, DeletionTimeNow(), places,
                            error))
            m_run.session.Log(1, "The trash index misses a restore: " + error);
    }

    // A file moved whole goes back whole, under a free name beside its own when that is taken.
    bool MoveBack(const TrashEntry& entry, const ItemFile& original, std::string& note, std::string& why)
    {
        const std::string folder = m_run.account.FolderPath(original.subfolder);
        for (int attempt = 0; attempt <= kMaxSuffix; ++attempt) {
            const std::string name = TrashCandidateName(original.name, attempt);
            int fault = platform::RenameNoReplace(TrashPath(entry).c_str(), (folder + name).c_str());
            if (fault == EINVAL || fault == ENOSYS)
                fault = platform::MoveByLink(TrashPath(entry).c_str(), (folder + name).c_str());
            if (fault == EEXIST)
                continue;
            if (fault != 0) {
                why = Format("cannot move .trash/%s back: %s", entry.ref.c_str(),
                             std::generic_category().message(fault).c_str());
                return false;
            }
            if (attempt > 0)
                note = Format("as %s, since %s is taken",
                              m_run.account.RelativePath({original.subfolder, name}).c_str(), entry.original.c_str());
            NoteRestored(entry, "");
            return true;
        }
        why = "no free name left beside " + entry.original;
        return false;
    }

    // Items deleted from a rewritten file: the file as it was when it is still the copy without them
    // and all of them come back, else the chosen ones as a file of their own beside it.
    bool PutItemsBack(const TrashEntry& entry, const ItemFile& original, const std::vector<std::string>& places,
                      std::string& note, std::string& why)
    {
        std::string copy;
        std::string fault;
        FileItems items;
        if (!ReadItemText(TrashPath(entry), copy, fault) || !items.Split(m_run.session.Kind(), copy, fault)) {
            why = Format("cannot read .trash/%s: %s", entry.ref.c_str(), fault.c_str());
            return false;
        }
        std::vector<bool> deleted(items.Items().size(), false);
        std::vector<bool> chosen(items.Items().size(), false);
        for (size_t i = 0; i < items.Items().size(); ++i) {
            const std::string place = FormatItemPlace(items.Items()[i].place);
            deleted[i] = std::find(entry.places.begin(), entry.places.end(), place) != entry.places.end();
            chosen[i] = deleted[i] && std::find(places.begin(), places.end(), place) != places.end();
        }
        const std::string path = m_run.account.ItemPath(original);
        const std::string without = items.TextWithout(deleted);
        const auto stillSame = [&] {
            std::string now;
            std::string unused;
            return ReadItemText(path, now, unused) && now == without;
        };
        if (chosen == deleted && stillSame()) {
            const int replaced = platform::ReplaceRegularFile(path.c_str(), copy, stillSame);
            if (replaced == 0) {
                // The copy kept the file's time from before the deletion: the file is as it was then,
                // and a synchronisation that goes by times sees it so.
                std::error_code ec;
                const fs::file_time_type before = fs::last_write_time(TrashPath(entry), ec);
                if (!ec)
                    fs::last_write_time(path, before, ec);
                fs::remove(TrashPath(entry), ec);
                NoteRestored(entry, "");
                return true;
            }
            if (replaced != ECANCELED) {
                why = Format("cannot rewrite %s: %s", entry.original.c_str(),
                             std::generic_category().message(replaced).c_str());
                return false;
            }
        }
        std::vector<bool> leftOut(chosen.size());
        std::string restoredPlaces;
        for (size_t i = 0; i < chosen.size(); ++i) {
            leftOut[i] = !chosen[i];
            if (chosen[i])
                restoredPlaces += (restoredPlaces.empty() ? "" : std::string(1, kTrashPlaceSeparator)) +
                                  FormatItemPlace(items.Items()[i].place);
        }
        // The new file is the deleted one's kin: its permission bits, which the trash copy kept.
        std::error_code ec;
        const auto mode =
            static_cast<unsigned>(fs::symlink_status(TrashPath(entry), ec).permissions() & fs::perms::mask);
        std::string created;
        const platform::FileTime now{
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
                .count(),
            0};
        const int made = CreateUnderFreeName(m_run.account.FolderPath(original.subfolder), original.name,
                                             items.TextWithout(leftOut), ec ? 0600 : mode, now, created);
        if (made != 0) {
            why = Format("cannot write the items of .trash/%s back: %s", entry.ref.c_str(),
                         made == EEXIST ? "no free name left" : std::generic_category().message(made).c_str());
            return false;
        }
        const std::string shown = created.substr(m_run.account.Account().size());
        if (shown == entry.original)
            note = Format("as a file of their own, since %s was gone", entry.original.c_str());
        else
            note = Format("as %s, since %s was changed since the deletion", shown.c_str(), entry.original.c_str());
        NoteRestored(entry, restoredPlaces);
        return true;
    }

    HelperRun& m_run;
};

RunResult StopRestore(HelperRun& run, SaveResults& results, const std::vector<RestoreRequest>& requests,
                      const std::vector<bool>& decided, size_t restored)
{
    for (size_t i = 0; i < requests.size(); ++i)
        if (!decided[i])
            results.NotRestored(requests[i].record, "the restore was stopped before it on request");
    results.Write();
    run.session.Status("Stopped on request", true);
    run.session.Log(1, Format("Restore stopped on request after %zu of %zu %s", restored, requests.size(),
                              KindInfo(run.session.Kind()).items));
    return RunResult::Stopped;
}

// A contact's or event's trash file must still have the content the listing saw.
bool Unchanged(HelperRun& run, const TrashEntry& entry, const TrashReference& reference, std::string& why)
{
    ContentIdentity listed;
    int64_t modified = 0;
    std::string text;
    std::string fault;
    const bool same = ParseContentIdentity(reference.content, listed) &&
                      ReadItemText(TrashRoot(run.account) + entry.ref, text, modified, fault) &&
                      IdentityOfContent(text, modified) == listed;
    if (!same)
        why = ".trash/" + entry.ref + " changed since the listing; list the trash again";
    return same;
}

} // namespace

RunResult RestoreFromTrash(HelperRun& run)
{
    SaveResults results(run.session, run.params);
    std::vector<DeleteRequest> read;
    std::string error;
    if (!ReadSaveRequests(run.session.Kind(), run.params.workFolder + run.params.dataFile, read, error)) {
        const std::string reason = AsRestoreRefusal(error);
        run.session.Error(reason);
        results.Refused(reason);
        results.Write();
        return RunResult::Finished;
    }
    std::vector<TrashEntry> entries = TrashEntries(run, error);
    if (!error.empty()) {
        error += ", nothing restored";
        run.session.Error(error);
        results.Refused(error);
        results.Write();
        return RunResult::Finished;
    }
    const bool byIdentity = run.session.Kind() == HelperKind::Tasks || run.session.Kind() == HelperKind::Notes;
    std::vector<RestoreRequest> requests(read.size());
    for (size_t i = 0; i < read.size(); ++i)
        FindEntry(run, entries, byIdentity, read[i], requests[i]);
    const char* what = KindInfo(run.session.Kind()).items;
    Restorer restorer(run);
    std::vector<bool> decided(requests.size(), false);
    size_t restored = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (decided[i])
            continue;
        if (run.session.StopRequested())
            return StopRestore(run, results, requests, decided, restored);
        run.session.Status(Format("Restoring %s %zu of %zu", what, i + 1, requests.size()), i == 0);
        RestoreRequest& request = requests[i];
        if (!request.entry) {
            run.session.Error(Format("Record %u: %s", request.record, request.refusal.c_str()));
            results.NotRestored(request.record, request.refusal);
            decided[i] = true;
            continue;
        }
        // Every record naming the same entry goes with this one: a file comes back once.
        std::vector<size_t> group;
        std::vector<std::string> places;
        for (size_t j = i; j < requests.size(); ++j)
            if (!decided[j] && requests[j].entry == request.entry) {
                group.push_back(j);
                places.push_back(requests[j].reference.place);
            }
        const TrashEntry& entry = entries[*request.entry];
        std::string note;
        std::string why;
        bool done = true;
        for (const size_t k : group)
            if (!byIdentity && done)
                done = Unchanged(run, entry, requests[k].reference, why);
        done = done && restorer.Restore(entry, places, note, why);
        if (!done)
            run.session.Error(Format("Not restored: %s", why.c_str()));
        else
            run.session.Log(2, Format("Restored .trash/%s to %s", entry.ref.c_str(), entry.original.c_str()));
        for (const size_t k : group) {
            decided[k] = true;
            if (done) {
                results.Restored(requests[k].record, note);
                ++restored;
            } else {
                results.NotRestored(requests[k].record, why);
            }
        }
        run.PauseAfterItem();
    }
    results.Write();
    run.session.Status(Format("Finished: %zu of %zu %s restored", restored, requests.size(), what), true);
    return RunResult::Finished;
}
