#include "common/google/CxGDataFile.h"
#include "common/google/GAddrRecord.h"
#include "common/google/GDateRecord.h"
#include "common/google/GNoteRecord.h"
#include "common/google/GTaskRecord.h"
#include "helpers/AccountTrash.h"
#include "helpers/HelperRun.h"
#include "helpers/HelperText.h"
#include "helpers/ItemIdentity.h"

#include <algorithm>

namespace {

// What a record marked for deletion says about its file.
struct DeleteRequest
{
    uint32_t record = 0; // 1-based position in the data file, for messages
    ItemFile item;       // contacts and events: the file named in the record
    ItemIdentity identity{0, 0};
};

template <class Record>
struct SaveKind
{
    void (*fields)(CxGFieldReader&, Record&);
    void (*request)(const Record&, DeleteRequest&);
    bool byIdentity; // tasks and notes name their file only by its identity
};

void ContactRequest(const GAddrRecord& record, DeleteRequest& request)
{
    request.item = {"", record.szHelperText};
}

void EventRequest(const GDateRecord& record, DeleteRequest& request)
{
    request.item = {record.szHelperTextC, record.szHelperTextB};
}

template <class Record>
void IdentityRequest(const Record& record, DeleteRequest& request)
{
    request.identity = {record.nHeadValue1, record.nHeadValue3};
}

// The whole file or nothing: a record cut short could name the wrong file, and a file missing its
// tail must not lead to a partial deletion the user never saw listed.
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
    const uint32_t read = ReadDataRecords<Record>(
        file, count, [&kind](CxFile& in, Record* record) { ReadFields(in, record, kind.fields); },
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
    return true;
}

// Finds a task's or note's file among the names still in the folder.
bool ResolveIdentity(HelperRun& run, std::vector<std::string>& names, DeleteRequest& request)
{
    const IdentityMatch match = FindByIdentity(names, request.identity, request.item.name);
    if (match == IdentityMatch::Found)
        return true;
    const char* what = KindInfo(run.session.Kind()).item;
    run.session.Error(match == IdentityMatch::None
                          ? Format("No %s file matches record %u, skipped", what, request.record)
                          : Format("Several %s files match record %u, skipped", what, request.record));
    return false;
}

bool DeleteItem(HelperRun& run, bool byIdentity, std::vector<std::string>& names, DeleteRequest& request,
                const std::string& day)
{
    if (byIdentity && !ResolveIdentity(run, names, request))
        return false;
    std::string error;
    if (!MoveToTrash(run.account, request.item, day, error)) {
        run.session.Error(error);
        return false;
    }
    // Keeps the list in step with the folder for the records still to come.
    names.erase(std::remove(names.begin(), names.end(), request.item.name), names.end());
    run.session.Log(2, Format("Moved %s to .trash/%s/", run.account.RelativePath(request.item).c_str(), day.c_str()));
    return true;
}

template <class Record>
RunResult Save(HelperRun& run, const SaveKind<Record>& kind)
{
    std::vector<DeleteRequest> requests;
    std::string error;
    if (!ReadRequests(run.params.workFolder + run.params.dataFile, kind, requests, error)) {
        run.session.Error(error);
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
    const char* what = KindInfo(run.session.Kind()).items;
    size_t moved = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (run.session.StopRequested()) {
            run.session.Status("Stopped on request", true);
            run.session.Log(1, Format("Save stopped on request after %zu of %zu %s", moved, requests.size(), what));
            return RunResult::Stopped;
        }
        run.session.Status(Format("Deleting %s %zu of %zu", what, i + 1, requests.size()), i == 0);
        if (DeleteItem(run, kind.byIdentity, names, requests[i], day))
            ++moved;
        run.PauseAfterItem();
    }
    run.session.Status(Format("Finished: %zu of %zu %s deleted", moved, requests.size(), what), true);
    return RunResult::Finished;
}

} // namespace

RunResult SaveAccount(HelperRun& run)
{
    switch (run.session.Kind()) {
    case ItemKind::Contacts:
        return Save<GAddrRecord>(run, {GAddrRecordFields<CxGFieldReader, GAddrRecord>, ContactRequest, false});
    case ItemKind::Calendar:
        return Save<GDateRecord>(run, {GDateRecordFields<CxGFieldReader, GDateRecord>, EventRequest, false});
    case ItemKind::Tasks:
        return Save<GTaskRecord>(run,
                                 {GTaskRecordFields<CxGFieldReader, GTaskRecord>, IdentityRequest<GTaskRecord>, true});
    case ItemKind::Notes:
        return Save<GNoteRecord>(run,
                                 {GNoteRecordFields<CxGFieldReader, GNoteRecord>, IdentityRequest<GNoteRecord>, true});
    }
    return RunResult::Finished;
}
