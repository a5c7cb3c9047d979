#include "helpers/account/AccountTrash.h"
#include "helpers/account/ServerTrash.h"
#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/driver/DeleteRequests.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/ServerRun.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>

namespace {

// The item's address and ETag from the record, as the load wrote them; false, reported, for a record
// a server load never made (a folder account's, or damaged), or one naming an item outside the
// collections the account has now: the password goes only where the account's own discovery leads.
bool ItemOfRequest(ServerRun& run, const std::vector<DavCollection>& collections, const DeleteRequest& request,
                   std::string& url, std::string& etag)
{
    const auto inAccount = [&collections](const std::string& address) {
        return std::any_of(collections.begin(), collections.end(),
                           [&address](const DavCollection& collection) { return IsItemOf(address, collection.url); });
    };
    if (!UnescapeItemPath(request.item.name, url) || !request.place.empty() || UrlOrigin(url).empty()) {
        run.session.Error(Format("Record %u names no item of the server, skipped", request.record));
        return false;
    }
    if (!inAccount(url)) {
        run.session.Error(Format("%s is in none of the account's %s now, skipped", url.c_str(),
                                 run.session.Kind() == HelperKind::Contacts ? "address books" : "calendars"));
        return false;
    }
    etag = request.content;
    if (etag.empty()) {
        run.session.Error(Format("%s carries no ETag in its record, so its deletion cannot be made safe; skipped",
                                 UrlPath(url).c_str()));
        return false;
    }
    return true;
}

// The item's text as it is on the server now, for the trash. Whether it is still the version the
// user was shown is the server's to say, at the conditional delete: a check here could only race it.
bool Fetch(ServerRun& run, const std::string& url, std::string& text)
{
    const std::string shown = UrlPath(url);
    HttpResponse response = run.dav.Get(url);
    if (response.fault == HttpFault::None && response.status == 404) {
        run.session.Error(Format("%s is no longer on the server, not deleted", shown.c_str()));
        return false;
    }
    if (response.fault != HttpFault::None || response.status != 200) {
        run.session.Error(Format("%s, not deleted", run.dav.FailureText(response, shown).c_str()));
        return false;
    }
    text = std::move(response.body);
    return true;
}

bool DeleteOnServer(ServerRun& run, const std::vector<DavCollection>& collections, ServerTrash& trash,
                    const DeleteRequest& request)
{
    std::string url;
    std::string etag;
    std::string text;
    if (!ItemOfRequest(run, collections, request, url, etag) || !Fetch(run, url, text))
        return false;
    // Messages name the item by its path, as the load's do.
    const std::string shown = UrlPath(url);
    std::string trashPath;
    std::string error;
    if (!trash.Keep(shown, url, etag, text, DeletionTimeNow(), trashPath, error)) {
        run.session.Error(error + ", not deleted");
        return false;
    }
    const HttpResponse response = run.dav.Delete(url, etag);
    if (response.fault == HttpFault::None && response.status >= 200 && response.status <= 299) {
        run.session.Log(2, Format("Deleted %s; its text is kept in %s", url.c_str(), trashPath.c_str()));
        return true;
    }
    // Gone meanwhile: whoever deleted it, the copy in the trash may be the last one left.
    if (response.fault == HttpFault::None && response.status == 404) {
        run.session.Error(
            Format("%s was deleted on the server meanwhile; its text is kept in %s", shown.c_str(), trashPath.c_str()));
        return false;
    }
    trash.TakeBack(trashPath);
    if (response.fault == HttpFault::None && response.status == 412)
        run.session.Error(ChangedOnServerError(shown));
    else
        run.session.Error(Format("%s, not deleted", run.dav.FailureText(response, shown).c_str()));
    return false;
}

// The account's collections of the kind as they are now; false, with every record refused for the
// reason, when they cannot be found (a wrong password, the server down).
bool FindCollections(ServerRun& run, std::vector<DavCollection>& collections, SaveResults& results)
{
    std::string error;
    const DavKind kind = run.session.Kind() == HelperKind::Contacts ? DavKind::Contacts : DavKind::Calendar;
    if (run.dav.Collections(kind, collections, error))
        return true;
    run.session.Error(error + ", nothing deleted");
    results.Refused(error + ", nothing deleted");
    results.Write();
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
    std::vector<DavCollection> collections;
    if (!requests.empty() && !FindCollections(run, collections, results))
        return RunResult::Finished;
    // One day for the whole run, so a save that crosses midnight fills one trash folder.
    ServerTrash trash(run.params.workFolder, run.params.email, TrashDayName());
    const char* what = KindInfo(kind).items;
    size_t deleted = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (run.session.StopRequested())
            return StopSave(run.session, results, requests, i, {}, deleted);
        run.session.Status(Format("Deleting %s %zu of %zu", what, i + 1, requests.size()), i == 0);
        const int errorsBefore = run.session.ErrorCount();
        if (DeleteOnServer(run, collections, trash, requests[i])) {
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
