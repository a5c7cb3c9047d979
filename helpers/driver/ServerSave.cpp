#include "helpers/account/AccountTrash.h"
#include "helpers/account/ServerTrash.h"
#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/driver/DeleteRequests.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/ServerRun.h"

namespace {

// The item's path and ETag from the record, as the load wrote them; false, reported, for a record a
// server load never made (a folder account's, or damaged).
bool ItemOfRequest(ServerRun& run, const DeleteRequest& request, std::string& path, std::string& etag)
{
    if (!UnescapeItemPath(request.item.name, path) || path.empty() || path.front() != '/' || !request.place.empty()) {
        run.session.Error(Format("Record %u names no item of the server, skipped", request.record));
        return false;
    }
    etag = request.content;
    if (etag.empty()) {
        run.session.Error(
            Format("%s carries no ETag in its record, so its deletion cannot be made safe; skipped", path.c_str()));
        return false;
    }
    return true;
}

// The item's text as it is on the server now, for the trash. Whether it is still the version the
// user was shown is the server's to say, at the conditional delete: a check here could only race it.
bool Fetch(ServerRun& run, const std::string& path, std::string& text)
{
    const HttpResponse response = run.dav.Get(path);
    if (response.fault == HttpFault::None && response.status == 404) {
        run.session.Error(Format("%s is no longer on the server, not deleted", path.c_str()));
        return false;
    }
    if (response.fault != HttpFault::None || response.status != 200) {
        run.session.Error(Format("%s, not deleted", run.dav.FailureText(response, path).c_str()));
        return false;
    }
    text = response.body;
    return true;
}

bool DeleteOnServer(ServerRun& run, ServerTrash& trash, const DeleteRequest& request)
{
    std::string path;
    std::string etag;
    std::string text;
    if (!ItemOfRequest(run, request, path, etag) || !Fetch(run, path, text))
        return false;
    std::string trashPath;
    std::string error;
    if (!trash.Keep(path, run.dav.Origin() + path, etag, text, trashPath, error)) {
        run.session.Error(error + ", not deleted");
        return false;
    }
    const HttpResponse response = run.dav.Delete(path, etag);
    if (response.fault == HttpFault::None && response.status >= 200 && response.status <= 299) {
        run.session.Log(2, Format("Deleted %s; its text is kept in %s", path.c_str(), trashPath.c_str()));
        return true;
    }
    // Gone meanwhile: whoever deleted it, the copy in the trash may be the last one left.
    if (response.fault == HttpFault::None && response.status == 404) {
        run.session.Error(
            Format("%s was deleted on the server meanwhile; its text is kept in %s", path.c_str(), trashPath.c_str()));
        return false;
    }
    trash.TakeBack(trashPath);
    if (response.fault == HttpFault::None && response.status == 412)
        run.session.Error(ChangedOnServerError(path));
    else
        run.session.Error(Format("%s, not deleted", run.dav.FailureText(response, path).c_str()));
    return false;
}

} // namespace

std::string ChangedOnServerError(const std::string& path)
{
    return Format("%s was changed on the server since the load, not deleted", path.c_str());
}

RunResult SaveServerAccount(ServerRun& run)
{
    SaveResults results(run.session, run.params);
    std::vector<DeleteRequest> requests;
    std::string error;
    const HelperKind kind = run.session.Kind();
    if (kind != HelperKind::Contacts && kind != HelperKind::Calendar) {
        error =
            Format("The %s of a CardDAV or CalDAV account are not served yet, nothing deleted", KindInfo(kind).items);
        run.session.Error(error);
        results.Refused(error);
        results.Write();
        return RunResult::Finished;
    }
    if (!ReadSaveRequests(kind, run.params.workFolder + run.params.dataFile, requests, error)) {
        run.session.Error(error);
        results.Refused(error);
        results.Write();
        return RunResult::Finished;
    }
    // One day for the whole run, so a save that crosses midnight fills one trash folder.
    ServerTrash trash(run.params.workFolder, run.params.email, TrashDayName());
    const char* what = KindInfo(kind).items;
    size_t deleted = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (run.session.StopRequested()) {
            for (size_t rest = i; rest < requests.size(); ++rest)
                results.NotDeleted(requests[rest].record, "the save was stopped before it on request");
            results.Write();
            run.session.Status("Stopped on request", true);
            run.session.Log(1, Format("Save stopped on request after %zu of %zu %s", deleted, requests.size(), what));
            return RunResult::Stopped;
        }
        run.session.Status(Format("Deleting %s %zu of %zu", what, i + 1, requests.size()), i == 0);
        const int errorsBefore = run.session.ErrorCount();
        if (DeleteOnServer(run, trash, requests[i])) {
            results.Deleted(requests[i].record);
            ++deleted;
        } else {
            results.NotDeleted(requests[i].record,
                               run.session.ErrorCount() > errorsBefore ? run.session.LastError() : "not deleted");
        }
        run.PauseAfterBatch();
    }
    results.Write();
    run.session.Status(Format("Finished: %zu of %zu %s deleted", deleted, requests.size(), what), true);
    return RunResult::Finished;
}
