#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "helpers/account/AccountTrash.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemIdentity.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/DeleteRequests.h"
#include "helpers/driver/FileItems.h"
#include "helpers/driver/FileItemsSave.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>
#include <filesystem>

namespace {

// The save's field reader: as CxGFieldReader, but it notes a text length the app never writes (below
// 0, or too long for the field with its terminator). Such a file is refused whole: a name cut to fit
// or read as empty could be another file's.
class StrictFieldReader : public CxGFieldReader
{
public:
    explicit StrictFieldReader(CxFile& file)
        : CxGFieldReader(file)
        , m_file(file)
    {}

    void Text(char* buffer, size_t capacity)
    {
        int length = 0;
        m_file.ReadString(buffer, capacity, &length);
        if ((length < 0 || static_cast<size_t>(length) >= capacity) && !m_badLength) {
            m_badLength = true;
            m_length = length;
            m_capacity = capacity;
        }
    }
    template <size_t N>
    void Text(char (&buffer)[N])
    {
        Text(buffer, N);
    }

    // The first text length out of bounds, with its field's capacity.
    bool BadLength() const { return m_badLength; }
    int Length() const { return m_length; }
    size_t Capacity() const { return m_capacity; }

private:
    CxFile& m_file;
    bool m_badLength = false;
    int m_length = 0;
    size_t m_capacity = 0;
};

template <class Record>
struct SaveKind
{
    void (*fields)(StrictFieldReader&, Record&);
    void (*request)(const Record&, DeleteRequest&);
    bool byIdentity; // tasks and notes name their file only by its identity
};

// The helper texts hold "<name>/<content identity>", or "<name>\<place>/<content identity>" for an
// item of a file of several, as the load wrote them (FillContact, FillEvent).
void SplitHelperText(const char* text, DeleteRequest& request)
{
    std::string name;
    SplitNameAndContent(text, name, request.content);
    SplitNameAndPlace(name, request.item.name, request.place);
}

void ContactRequest(const GAddrRecord& record, DeleteRequest& request)
{
    SplitHelperText(record.szHelperText, request);
}

void EventRequest(const GDateRecord& record, DeleteRequest& request)
{
    request.item.subfolder = record.szHelperTextC;
    SplitHelperText(record.szHelperTextB, request);
}

template <class Record>
void IdentityRequest(const Record& record, DeleteRequest& request)
{
    request.identity = {record.nHeadValue1, record.nHeadValue3};
}

// The whole file or nothing: a record cut short or with a text out of bounds could name the wrong
// file, and a file missing its tail must not lead to a partial deletion the user never saw listed.
template <class Record>
bool ReadRequests(const std::string& path, const SaveKind<Record>& kind, std::vector<DeleteRequest>& requests,
                  std::string& error)
{
    CxFile file;
    if (!file.Open(path.c_str(), "rb")) {
        error = Format("Cannot open the data file, nothing deleted: %s", path.c_str());
        return false;
    }
    const uint32_t count = ReadRecordCount(file);
    uint32_t number = 0;
    uint32_t badRecord = 0;
    std::string badText;
    const uint32_t read = ReadDataRecords<Record>(
        file, count,
        [&](CxFile& in, Record* record) {
            StrictFieldReader reader(in);
            kind.fields(reader, *record);
            if (reader.BadLength() && badRecord == 0) {
                badRecord = number + 1;
                badText = Format("a text length of %d where the field holds %zu bytes", reader.Length(),
                                 reader.Capacity() - 1);
            }
        },
        [&](const Record* record) {
            ++number;
            if (record->ActionCode != ACTION_DELETE)
                return;
            DeleteRequest request;
            request.record = number;
            kind.request(*record, request);
            requests.push_back(std::move(request));
        });
    if (file.Eof() || read != count) {
        requests.clear();
        error = Format("The data file is cut short, nothing deleted: %s", path.c_str());
        return false;
    }
    if (badRecord != 0) {
        requests.clear();
        error = Format("Record %u of the data file holds %s, nothing deleted: %s", badRecord, badText.c_str(),
                       path.c_str());
        return false;
    }
    return true;
}

bool ReadItemContent(const std::string& path, ContentIdentity& identity, std::string& fault)
{
    int64_t modified = 0;
    std::string text;
    if (!FileModifiedTime(path, modified, fault) || !ReadItemText(path, text, fault))
        return false;
    identity = IdentityOfContent(text, modified);
    return true;
}

// An item a task's or note's record could name in a file as it is now, with the second head value the
// load gives it.
struct IdentityHit
{
    std::string name;
    std::string place; // empty: the file itself
    std::string content;
    int32_t second = 0;
};

// The file's own identity and, in a file of several items, each item's.
std::vector<IdentityHit> IdentitiesIn(HelperRun& run, const std::string& name)
{
    std::vector<IdentityHit> hits;
    int64_t modified = 0;
    std::string text;
    std::string fault;
    if (!ReadItemText(run.account.ItemPath({"", name}), text, modified, fault))
        return hits;
    const ContentIdentity now = IdentityOfContent(text, modified);
    const std::string content = FormatContentIdentity(now);
    hits.push_back({name, "", content, IdentityOfItem(name, now).second});
    const ItemCounts counts = CountItems(run.session.Kind(), text);
    FileItems items;
    if (counts.own < 2 || counts.others > 0 || !items.Split(run.session.Kind(), text, fault))
        return hits;
    for (const FileItem& item : items.Items()) {
        const std::string place = FormatItemPlace(item.place);
        hits.push_back({name, place, content, IdentityOfPlacedItem(name, place, now).second});
    }
    return hits;
}

void KeepMatches(const std::vector<IdentityHit>& hits, int32_t second, std::vector<IdentityHit>& same)
{
    for (const IdentityHit& hit : hits)
        if (hit.second == second)
            same.push_back(hit);
}

// The items among the names still in the folder that a task's or note's identity names: the first head
// value picks the candidates by name, the second must match the content one of them has now (and, in
// a file of several items, the place of one of them).
std::vector<IdentityHit> FindIdentity(HelperRun& run, const std::vector<std::string>& names, ItemIdentity identity,
                                      std::vector<std::string>& byName)
{
    byName.clear();
    for (const std::string& name : names)
        if (IdentityOfName(name).first == identity.first)
            byName.push_back(name);
    std::vector<IdentityHit> same;
    for (const std::string& name : byName)
        KeepMatches(IdentitiesIn(run, name), identity.second, same);
    return same;
}

// The one item of a task's or note's record, or false with the reason reported.
bool ResolveIdentity(HelperRun& run, std::vector<std::string>& names, DeleteRequest& request)
{
    std::vector<std::string> byName;
    const std::vector<IdentityHit> same = FindIdentity(run, names, request.identity, byName);
    if (same.size() == 1) {
        request.item.name = same.front().name;
        request.place = same.front().place;
        request.content = same.front().content;
        return true;
    }
    const char* what = KindInfo(run.session.Kind()).item;
    if (same.size() > 1) {
        run.session.Error(Format("Several %s files match record %u, skipped", what, request.record));
    } else if (byName.size() == 1) {
        const std::string shown = run.account.RelativePath({"", byName.front()});
        const bool unidentified = IdentityOfName(byName.front()).second == request.identity.second;
        run.session.Error(unidentified ? UnidentifiedError(shown) : ChangedError(shown));
    } else {
        run.session.Error(Format("No %s file matches record %u, skipped", what, request.record));
    }
    return false;
}

// Contacts and events: the file must still have the size, time and bytes the load saw.
bool SameAsLoaded(HelperRun& run, const DeleteRequest& request)
{
    const std::string shown = run.account.RelativePath(request.item);
    ContentIdentity loaded;
    if (!ParseContentIdentity(request.content, loaded)) {
        run.session.Error(UnidentifiedError(shown));
        return false;
    }
    ContentIdentity now;
    std::string fault;
    if (!ReadItemContent(run.account.ItemPath(request.item), now, fault)) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), fault.c_str()));
        return false;
    }
    if (now != loaded) {
        run.session.Error(ChangedError(shown));
        return false;
    }
    return true;
}

// A file changed since the load, or named by a record the load never made, may hold more than the one
// item the record stands for; moving it would take the others along.
bool HoldsOneItem(HelperRun& run, const ItemFile& item)
{
    const std::string shown = run.account.RelativePath(item);
    std::string text;
    std::string fault;
    if (!ReadItemText(run.account.ItemPath(item), text, fault)) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), fault.c_str()));
        return false;
    }
    const ItemCounts counts = CountItems(run.session.Kind(), text);
    if (counts.own > 1 || counts.others > 0) {
        run.session.Error(SharedFileError(run.session.Kind(), shown, counts));
        return false;
    }
    return true;
}

// A record of a file of one item (tasks and notes found by their identity already).
bool DeleteItem(HelperRun& run, bool byIdentity, std::vector<std::string>& names, DeleteRequest& request,
                const std::string& day)
{
    std::string error;
    if (!IsTrashableItem(run.account, request.item, error)) {
        run.session.Error(error);
        return false;
    }
    if (!byIdentity && !SameAsLoaded(run, request))
        return false;
    if (!HoldsOneItem(run, request.item))
        return false;
    std::string trashPath;
    if (!MoveToTrash(run.account, request.item, day, trashPath, error)) {
        run.session.Error(error);
        return false;
    }
    NoteDeletion(run, day, trashPath, request.item, "");
    // Keeps the list in step with the folder for the records still to come.
    names.erase(std::remove(names.begin(), names.end(), request.item.name), names.end());
    run.session.Log(2, Format("Moved %s to .trash/%s/", run.account.RelativePath(request.item).c_str(), day.c_str()));
    return true;
}

// Each marked record's verdict; the reason is the error its refusal reported.
void NoteOutcome(HelperRun& run, SaveResults& results, const DeleteRequest& request, bool deleted, int errorsBefore)
{
    if (deleted)
        results.Deleted(request.record);
    else
        results.NotDeleted(request.record,
                           run.session.ErrorCount() > errorsBefore ? run.session.LastError() : "not deleted");
}

// The records from first on that name items of the same file of several go together: the file is
// rewritten once, where a second rewrite would find it changed by the first. The number deleted.
size_t DeleteFromFile(HelperRun& run, bool byIdentity, std::vector<std::string>& names,
                      std::vector<DeleteRequest>& requests, size_t first, std::vector<bool>& decided,
                      const std::string& day, SaveResults& results)
{
    const ItemFile file = requests[first].item;
    // A task's or note's file is read and taken apart once for all the records still to come, unless
    // another file's name shares its first hash.
    const int32_t nameHash = IdentityOfName(file.name).first;
    const bool alone = byIdentity && std::count_if(names.begin(), names.end(), [nameHash](const std::string& name) {
                                         return IdentityOfName(name).first == nameHash;
                                     }) == 1;
    const std::vector<IdentityHit> inFile = alone ? IdentitiesIn(run, file.name) : std::vector<IdentityHit>();
    std::vector<size_t> group{first};
    for (size_t j = first + 1; j < requests.size(); ++j) {
        DeleteRequest& other = requests[j];
        if (decided[j])
            continue;
        if (byIdentity) {
            if (other.identity.first != nameHash)
                continue;
            std::vector<IdentityHit> same;
            std::vector<std::string> byName;
            if (alone)
                KeepMatches(inFile, other.identity.second, same);
            else
                same = FindIdentity(run, names, other.identity, byName);
            if (same.size() != 1 || same.front().name != file.name || same.front().place.empty())
                continue;
            other.item = file;
            other.place = same.front().place;
            other.content = same.front().content;
        } else if (other.item.name != file.name || other.item.subfolder != file.subfolder || other.place.empty()) {
            continue;
        }
        group.push_back(j);
    }
    std::vector<PlacedDelete> deletes;
    for (const size_t k : group)
        deletes.push_back({requests[k].record, requests[k].place, requests[k].content});
    const std::vector<std::string> reasons = DeleteFileItems(run, file, deletes, day);
    size_t deleted = 0;
    for (size_t n = 0; n < group.size(); ++n) {
        decided[group[n]] = true;
        if (reasons[n].empty()) {
            results.Deleted(requests[group[n]].record);
            ++deleted;
        } else {
            results.NotDeleted(requests[group[n]].record, reasons[n]);
        }
    }
    // A file whose every item went was moved; the list keeps in step with the folder.
    std::error_code ec;
    if (deleted > 0 && !std::filesystem::exists(std::filesystem::symlink_status(run.account.ItemPath(file), ec)))
        names.erase(std::remove(names.begin(), names.end(), file.name), names.end());
    return deleted;
}

template <class Record>
RunResult Save(HelperRun& run, const SaveKind<Record>& kind)
{
    SaveResults results(run.session, run.params);
    std::vector<DeleteRequest> requests;
    std::string error;
    if (!ReadRequests(run.params.workFolder + run.params.dataFile, kind, requests, error)) {
        run.session.Error(error);
        results.Refused(error);
        results.Write();
        return RunResult::Finished;
    }
    std::vector<std::string> names;
    if (kind.byIdentity) {
        names = run.account.ItemNames("", error);
        if (!error.empty())
            run.session.Error(error);
    }
    // One day for the whole run, so a save that crosses midnight fills one trash folder.
    const std::string day = TrashDayName();
    if (!requests.empty() && !IsTrashUsable(run.account, day, error)) {
        run.session.Error(error);
        // Nothing was moved, and the result says so: the app must not report an outcome unknown.
        results.Refused(error);
        results.Write();
        return RunResult::Finished;
    }
    const char* what = KindInfo(run.session.Kind()).items;
    size_t moved = 0;
    std::vector<bool> decided(requests.size(), false); // records that went with an earlier one of their file
    for (size_t i = 0; i < requests.size(); ++i) {
        if (decided[i])
            continue;
        if (run.session.StopRequested())
            return StopSave(run.session, results, requests, i, decided, moved);
        run.session.Status(Format("Deleting %s %zu of %zu", what, i + 1, requests.size()), i == 0);
        const int errorsBefore = run.session.ErrorCount();
        if (kind.byIdentity && !ResolveIdentity(run, names, requests[i])) {
            NoteOutcome(run, results, requests[i], false, errorsBefore);
        } else if (!requests[i].place.empty()) {
            moved += DeleteFromFile(run, kind.byIdentity, names, requests, i, decided, day, results);
        } else {
            const bool deleted = DeleteItem(run, kind.byIdentity, names, requests[i], day);
            moved += deleted ? 1 : 0;
            NoteOutcome(run, results, requests[i], deleted, errorsBefore);
        }
        run.PauseAfterItem();
    }
    results.Write();
    run.session.Status(Format("Finished: %zu of %zu %s deleted", moved, requests.size(), what), true);
    return RunResult::Finished;
}

} // namespace

bool ReadSaveRequests(HelperKind kind, const std::string& path, std::vector<DeleteRequest>& requests,
                      std::string& error)
{
    switch (kind) {
    case HelperKind::Contacts:
        return ReadRequests<GAddrRecord>(
            path, {GAddrRecordFields<StrictFieldReader, GAddrRecord>, ContactRequest, false}, requests, error);
    case HelperKind::Calendar:
        return ReadRequests<GDateRecord>(path, {GDateRecordFields<StrictFieldReader, GDateRecord>, EventRequest, false},
                                         requests, error);
    case HelperKind::Tasks:
        return ReadRequests<GTaskRecord>(
            path, {GTaskRecordFields<StrictFieldReader, GTaskRecord>, IdentityRequest<GTaskRecord>, true}, requests,
            error);
    case HelperKind::Notes:
        return ReadRequests<GNoteRecord>(
            path, {GNoteRecordFields<StrictFieldReader, GNoteRecord>, IdentityRequest<GNoteRecord>, true}, requests,
            error);
    }
    return false;
}

RunResult StopSave(HelperSession& session, SaveResults& results, const std::vector<DeleteRequest>& requests,
                   size_t first, const std::vector<bool>& decided, size_t deleted)
{
    for (size_t rest = first; rest < requests.size(); ++rest)
        if (rest >= decided.size() || !decided[rest])
            results.NotDeleted(requests[rest].record, "the save was stopped before it on request");
    results.Write();
    session.Status("Stopped on request", true);
    session.Log(1, Format("Save stopped on request after %zu of %zu %s", deleted, requests.size(),
                          KindInfo(session.Kind()).items));
    return RunResult::Stopped;
}

RunResult SaveAccount(HelperRun& run)
{
    switch (run.session.Kind()) {
    case HelperKind::Contacts:
        return Save<GAddrRecord>(run, {GAddrRecordFields<StrictFieldReader, GAddrRecord>, ContactRequest, false});
    case HelperKind::Calendar:
        return Save<GDateRecord>(run, {GDateRecordFields<StrictFieldReader, GDateRecord>, EventRequest, false});
    case HelperKind::Tasks:
        return Save<GTaskRecord>(
            run, {GTaskRecordFields<StrictFieldReader, GTaskRecord>, IdentityRequest<GTaskRecord>, true});
    case HelperKind::Notes:
        return Save<GNoteRecord>(
            run, {GNoteRecordFields<StrictFieldReader, GNoteRecord>, IdentityRequest<GNoteRecord>, true});
    }
    return RunResult::Finished;
}
