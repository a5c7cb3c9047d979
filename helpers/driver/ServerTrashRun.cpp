// A server account's local trash as the app's trash dialog sees it: the listing (no network), the
// restore that puts kept texts back on the server without ever replacing an item there, and the
// emptying of old days.
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/Utf8Text.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/account/ServerTrash.h"
#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/driver/DeleteRequests.h"
#include "helpers/driver/LoadSteps.h"
#include "helpers/driver/PendingDataFile.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

bool ServesKind(HelperKind kind)
{
    return kind == HelperKind::Contacts || kind == HelperKind::Calendar;
}

const char* CollectionWords(HelperKind kind)
{
    return kind == HelperKind::Contacts ? "address books" : "calendars";
}

// Whether a kept text is one of the kind's: a vCard for contacts, an iCalendar text for the calendar.
// The server's item names need no extension, so the text says what it is.
bool IsTextOfKind(HelperKind kind, std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    const std::string_view begin = kind == HelperKind::Contacts ? "BEGIN:VCARD" : "BEGIN:VCALENDAR";
    if (text.size() < begin.size())
        return false;
    for (size_t i = 0; i < begin.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != begin[i])
            return false;
    const std::string_view rest = text.substr(begin.size());
    return rest.empty() || rest.front() == '\r' || rest.front() == '\n' || rest.front() == ' ';
}

// "<work folder>trash/<account>/", or empty when it is a link or no folder: the trash is the
// owner's alone and never reached through a link.
std::string TrashRoot(const HelperParams& params)
{
    const std::string root = params.workFolder + ServerTrashFolder(params.email);
    std::error_code ec;
    return fs::is_directory(fs::symlink_status(root, ec)) ? root : std::string();
}

// The day folders of the trash, oldest first: real folders named like a day, nothing else.
std::vector<std::string> TrashDays(const std::string& root)
{
    std::vector<std::string> days;
    std::error_code ec;
    if (root.empty())
        return days;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsTrashDayName(name) && fs::is_directory(it->symlink_status(ec)))
            days.push_back(name);
    }
    std::sort(days.begin(), days.end());
    return days;
}

// Whether the kept file is a regular file reached through real folders only.
bool IsPlainTrashFile(const std::string& dayFolder, const std::string& file)
{
    std::error_code ec;
    for (size_t slash = file.find('/'); slash != std::string::npos; slash = file.find('/', slash + 1))
        if (!fs::is_directory(fs::symlink_status(dayFolder + file.substr(0, slash), ec)))
            return false;
    return fs::is_regular_file(fs::symlink_status(dayFolder + file, ec));
}

// One entry still to restore, with its kept text.
struct KeptItem
{
    std::string day;
    ServerTrashEntry entry;
    std::string text;
    int64_t modified = 0;
};

std::string ContentOf(const std::string& text, int64_t modified)
{
    return FormatContentIdentity(IdentityOfContent(text, modified));
}

// What the trash keeps of the kind, newest deletion first (a day alone after that day's timed ones),
// then by file; kept files that cannot be read are reported and left out.
std::vector<KeptItem> KeptItems(HelperSession& session, const std::string& root)
{
    std::vector<KeptItem> items;
    for (const std::string& day : TrashDays(root)) {
        const std::string dayFolder = root + day + "/";
        for (ServerTrashEntry& entry : ReadServerTrashIndex(dayFolder, day)) {
            if (entry.state != ServerTrashEntry::State::Kept || !IsServerTrashRelative(entry.file) ||
                !IsPlainTrashFile(dayFolder, entry.file))
                continue;
            KeptItem item{day, std::move(entry), {}, 0};
            std::string fault;
            if (!ReadItemText(dayFolder + item.entry.file, item.text, item.modified, fault)) {
                session.Error(Format("Cannot read %s/%s in the trash, skipped: %s", day.c_str(),
                                     item.entry.file.c_str(), fault.c_str()));
                continue;
            }
            if (IsTextOfKind(session.Kind(), item.text))
                items.push_back(std::move(item));
        }
    }
    std::sort(items.begin(), items.end(), [](const KeptItem& a, const KeptItem& b) {
        if (a.entry.deletedAt != b.entry.deletedAt)
            return a.entry.deletedAt > b.entry.deletedAt;
        return a.day + "/" + a.entry.file < b.day + "/" + b.entry.file;
    });
    return items;
}

// The first bytes of a file, enough to tell its kind: an emptying must take a kept file of any size.
std::string LeadingBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(256, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

// The kind's files of one day folder, with their bytes: what the trash holds of the kind.
std::vector<std::string> FilesOfKind(HelperKind kind, const std::string& dayFolder, uint64_t& bytes)
{
    std::vector<std::string> files;
    for (const std::string& file : ServerTrashFiles(dayFolder)) {
        if (!IsTextOfKind(kind, LeadingBytes(dayFolder + file)))
            continue;
        std::error_code ec;
        const uintmax_t size = fs::file_size(dayFolder + file, ec);
        bytes += ec ? 0 : size;
        files.push_back(file);
    }
    return files;
}

void HoldingsOf(HelperKind kind, const std::string& root, TrashResults& results)
{
    uint64_t bytes = 0;
    uint64_t files = 0;
    for (const std::string& day : TrashDays(root))
        files += FilesOfKind(kind, root + day + "/", bytes).size();
    results.Holds(bytes, files);
}

// The collection an item's address lies in, as a load's records give it: up to its last '/'.
std::string CollectionOf(const std::string& url)
{
    return url.substr(0, url.rfind('/') + 1);
}

struct ListedItem
{
    const std::string& recordText;
    const std::string& url;
};

template <class Record>
struct TrashListKind
{
    void (*fill)(Record&, const ListedItem&);
    void (*fields)(CxGFieldWriter&, const Record&);
    size_t recordTextCapacity;
};

void FillListedContact(GAddrRecord& record, const ListedItem& item)
{
    CopyUtf8(record.szHelperText, item.recordText);
}

// As a load fills them (FillServerEvent): A the calendar's last segment, C its whole address.
void FillListedEvent(GDateRecord& record, const ListedItem& item)
{
    const std::string collection = CollectionOf(item.url);
    std::string segment = UrlPath(collection);
    while (!segment.empty() && segment.back() == '/')
        segment.pop_back();
    CopyUtf8(record.szHelperTextA, segment.substr(segment.rfind('/') + 1));
    CopyUtf8(record.szHelperTextB, item.recordText);
    CopyUtf8(record.szHelperTextC, collection);
}

// A listing or emptying that failed says why in the result file (a listing leaves no data file).
RunResult TrashRunFailed(HelperSession& session, TrashResults& results, const std::string& reason)
{
    session.Error(reason);
    results.Failed(reason);
    results.Write();
    return RunResult::Finished;
}

template <class Record>
RunResult ListTrashOf(ServerRun& run, const TrashListKind<Record>& kind, TrashResults& results)
{
    const HelperKind helperKind = run.session.Kind();
    const std::string root = TrashRoot(run.params);
    const ScratchRecord<Record> record = NewScratchRecord<Record>();
    if (!record)
        return TrashRunFailed(run.session, results, "Out of memory");
    run.session.Status(Format("Listing the %s in the trash", KindInfo(helperKind).items), true);
    PendingFile data(run.params.workFolder + run.params.dataFile);
    data.Begin();
    std::set<std::string> collections;
    for (KeptItem& item : KeptItems(run.session, root)) {
        const std::string shown = item.day + "/" + item.entry.file;
        const std::string recordText = TrashRecordText({shown, {}, ContentOf(item.text, item.modified)});
        if (recordText.size() >= kind.recordTextCapacity) {
            run.session.Error(
                Format("%s in the trash skipped: its name is too long to be kept in the record", shown.c_str()));
            continue;
        }
        const ItemText text(helperKind, std::move(item.text));
        const ItemCounts counts = text.Counts();
        if (counts.own > 1 || (counts.own == 1 && counts.others > 0)) {
            run.session.Error(SharedFileError(helperKind, shown, counts));
            continue;
        }
        if (AddReadItem(run.session, text, shown, *record, data, kind.fields, [&](Record& read) {
                kind.fill(read, {recordText, item.entry.url});
            })) {
            results.Listed(item.entry.deletedAt);
            collections.insert(CollectionOf(item.entry.url));
        }
    }
    std::string error;
    bool ok = data.Finish(error);
    if (ok && helperKind == HelperKind::Calendar) {
        // The calendars the listed events name, by their address: the trash knows no display names.
        RecordList calendars;
        for (const std::string& collection : collections) {
            GCalRecord calendar{};
            CopyUtf8(calendar.szText1, UrlPath(collection));
            CopyUtf8(calendar.szText2, collection);
            AppendCopy(calendars.List(), calendar);
        }
        PendingFile calendarFile(run.params.workFolder + run.params.calendarFile);
        ok = calendarFile.Write<GCalRecord>(calendars.List(), GCalRecordFields<CxGFieldWriter, const GCalRecord>,
                                            error) &&
             calendarFile.Commit(error);
    }
    ok = ok && data.Commit(error);
    if (!ok)
        return TrashRunFailed(run.session, results, error);
    HoldingsOf(helperKind, root, results);
    results.Write();
    run.session.Status(Format("Finished: %u %s in the trash", data.Count(), KindInfo(helperKind).items), true);
    return RunResult::Finished;
}

// The restore's reason for a record that names no kept file of this account's trash.
std::string NothingInTrash(uint32_t record)
{
    return Format("record %u names nothing in the trash", record);
}

struct RestoreContext
{
    ServerRun& run;
    const std::string& root;
    const std::vector<DavCollection>& collections;
};

// The kept entry a record names, read again: false with the reason for anything but a file of this
// account's trash that its day's index lists as kept and that is as the listing saw it.
bool FindKept(const RestoreContext& context, const DeleteRequest& request, KeptItem& item, std::string& reason)
{
    TrashReference reference;
    if (!ParseTrashRequest(request, reference) || !reference.place.empty() || context.root.empty()) {
        reason = NothingInTrash(request.record);
        return false;
    }
    const size_t daySlash = reference.path.find('/');
    item.day = reference.path.substr(0, daySlash);
    const std::string file = daySlash == std::string::npos ? std::string() : reference.path.substr(daySlash + 1);
    const std::string dayFolder = context.root + item.day + "/";
    std::error_code ec;
    if (!IsTrashDayName(item.day) || !IsServerTrashRelative(file) ||
        !fs::is_directory(fs::symlink_status(context.root + item.day, ec)) || !IsPlainTrashFile(dayFolder, file)) {
        reason = NothingInTrash(request.record);
        return false;
    }
    const std::vector<ServerTrashEntry> entries = ReadServerTrashIndex(dayFolder, item.day);
    const auto found = std::find_if(entries.begin(), entries.end(), [&file](const ServerTrashEntry& entry) {
        return entry.file == file && entry.state == ServerTrashEntry::State::Kept;
    });
    if (found == entries.end()) {
        reason = NothingInTrash(request.record);
        return false;
    }
    item.entry = *found;
    std::string fault;
    if (!ReadItemText(dayFolder + file, item.text, item.modified, fault)) {
        reason = Format("%s cannot be read in the trash: %s", reference.path.c_str(), fault.c_str());
        return false;
    }
    if (ContentOf(item.text, item.modified) != reference.content) {
        reason = Format("%s changed in the trash since it was listed", reference.path.c_str());
        return false;
    }
    return true;
}

// Puts one kept item back; false with the reason it was not.
bool RestoreOne(const RestoreContext& context, const DeleteRequest& request, std::string& reason)
{
    ServerRun& run = context.run;
    KeptItem item;
    if (!FindKept(context, request, item, reason))
        return false;
    const std::string& url = item.entry.url;
    // The password goes only where the account's own discovery leads, whatever the index says.
    if (UrlOrigin(url).empty() ||
        std::none_of(context.collections.begin(), context.collections.end(),
                     [&url](const DavCollection& collection) { return IsItemOf(url, collection.url); })) {
        reason = Format("%s is in none of the account's %s now", url.c_str(), CollectionWords(run.session.Kind()));
        return false;
    }
    const std::string shown = UrlPath(url);
    const char* type =
        run.session.Kind() == HelperKind::Contacts ? "text/vcard; charset=utf-8" : "text/calendar; charset=utf-8";
    const HttpResponse response = run.dav.PutNew(url, item.text, type);
    if (response.fault == HttpFault::None && response.status >= 200 && response.status <= 299) {
        ServerTrash(run.params.workFolder, run.params.email, item.day).Restored(item.entry.file, DeletionTimeNow());
        run.session.Log(2, Format("Restored %s from %s/%s", url.c_str(), item.day.c_str(), item.entry.file.c_str()));
        return true;
    }
    if (response.fault == HttpFault::None && response.status == 412)
        reason = Format("an item at %s is on the server again; it was left alone", shown.c_str());
    else if (response.fault == HttpFault::None && response.status == 409 &&
             response.body.find("no-uid-conflict") != std::string::npos)
        reason =
            Format("an item with the same UID is in %s again; it was left alone", UrlPath(CollectionOf(url)).c_str());
    else
        reason = run.dav.FailureText(response, shown) + ", not restored";
    return false;
}

RunResult StopRestore(HelperSession& session, SaveResults& results, const std::vector<DeleteRequest>& requests,
                      size_t first, size_t restored)
{
    for (size_t rest = first; rest < requests.size(); ++rest)
        results.NotRestored(requests[rest].record, "the restore was stopped before it on request");
    results.Write();
    session.Status("Stopped on request", true);
    session.Log(1, Format("Restore stopped on request after %zu of %zu %s", restored, requests.size(),
                          KindInfo(session.Kind()).items));
    return RunResult::Stopped;
}

RunResult RefuseRestore(HelperSession& session, SaveResults& results, const std::string& reason)
{
    session.Error(reason);
    results.Refused(reason);
    results.Write();
    return RunResult::Finished;
}

} // namespace

RunResult ListServerTrash(ServerRun& run)
{
    // A listing that fails must leave no data file an earlier run wrote.
    std::error_code ec;
    fs::remove(run.params.workFolder + run.params.dataFile, ec);
    if (!run.params.calendarFile.empty())
        fs::remove(run.params.workFolder + run.params.calendarFile, ec);
    TrashResults results(run.session, run.params);
    switch (run.session.Kind()) {
    case HelperKind::Contacts:
        return ListTrashOf<GAddrRecord>(run,
                                        {FillListedContact, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>,
                                         sizeof(GAddrRecord::szHelperText)},
                                        results);
    case HelperKind::Calendar:
        return ListTrashOf<GDateRecord>(
            run,
            {FillListedEvent, GDateRecordFields<CxGFieldWriter, const GDateRecord>, sizeof(GDateRecord::szHelperTextB)},
            results);
    case HelperKind::Tasks:
    case HelperKind::Notes:
        break;
    }
    return TrashRunFailed(
        run.session, results,
        Format("The %s of a CardDAV or CalDAV account are not served yet", KindInfo(run.session.Kind()).items));
}

RunResult RestoreToServer(ServerRun& run)
{
    SaveResults results(run.session, run.params);
    const HelperKind kind = run.session.Kind();
    if (!ServesKind(kind))
        return RefuseRestore(
            run.session, results,
            Format("The %s of a CardDAV or CalDAV account are not served yet, nothing restored", KindInfo(kind).items));
    std::vector<DeleteRequest> requests;
    std::string error;
    if (!ReadSaveRequests(kind, run.params.workFolder + run.params.dataFile, requests, error))
        return RefuseRestore(run.session, results, AsRestoreRefusal(error));
    std::vector<DavCollection> collections;
    if (!requests.empty() &&
        !run.dav.Collections(kind == HelperKind::Contacts ? DavKind::Contacts : DavKind::Calendar, collections, error))
        return RefuseRestore(run.session, results, error + ", nothing restored");
    const std::string root = TrashRoot(run.params);
    const RestoreContext context{run, root, collections};
    const char* what = KindInfo(kind).items;
    size_t restored = 0;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (run.session.StopRequested())
            return StopRestore(run.session, results, requests, i, restored);
        run.session.Status(Format("Restoring %s %zu of %zu", what, i + 1, requests.size()), i == 0);
        std::string reason;
        if (RestoreOne(context, requests[i], reason)) {
            results.Restored(requests[i].record, {});
            ++restored;
        } else {
            run.session.Error(Format("%s, not restored", reason.c_str()));
            results.NotRestored(requests[i].record, reason);
        }
        run.PauseAfterBatch();
    }
    results.Write();
    run.session.Status(Format("Finished: %zu of %zu %s restored", restored, requests.size(), what), true);
    return RunResult::Finished;
}

RunResult EmptyServerTrash(ServerRun& run)
{
    TrashResults results(run.session, run.params);
    const HelperKind kind = run.session.Kind();
    int days = 0;
    if (!ServesKind(kind))
        return TrashRunFailed(
            run.session, results,
            Format("The %s of a CardDAV or CalDAV account are not served yet, nothing removed", KindInfo(kind).items));
    if (!ParseTrashDays(run.params.options, days))
        return TrashRunFailed(run.session, results,
                              Format("\"%s\" is no number of days from 0 to %d, nothing removed",
                                     run.params.options.c_str(), kMaxTrashDays));
    const std::string root = TrashRoot(run.params);
    const std::string today = DeletionTimeNow().substr(0, 10);
    uint64_t removed = 0;
    uint64_t leftBytes = 0;
    uint64_t leftFiles = 0;
    for (const std::string& day : TrashDays(root)) {
        uint64_t bytes = 0;
        const std::vector<std::string> files = FilesOfKind(kind, root + day + "/", bytes);
        if (IsDeletionOlder(day, today, days)) {
            removed += ServerTrash(run.params.workFolder, run.params.email, day).Remove(files, bytes);
        } else {
            leftBytes += bytes;
            leftFiles += files.size();
        }
    }
    results.Removed(removed);
    results.Holds(leftBytes, leftFiles);
    results.Write();
    run.session.Status(Format("Finished: %llu %s files removed from the trash",
                              static_cast<unsigned long long>(removed), KindInfo(kind).items),
                       true);
    return RunResult::Finished;
}
