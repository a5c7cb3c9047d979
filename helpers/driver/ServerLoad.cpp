#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/Utf8Text.h"
#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/driver/ItemText.h"
#include "helpers/driver/LoadSteps.h"
#include "helpers/driver/PendingDataFile.h"
#include "helpers/driver/ServerRun.h"

namespace {

struct ServerItemPlace
{
    const DavCollection& collection;
    const DavItem& item;
    const std::string& helperText;
};

template <class Record>
struct ServerLoadKind
{
    void (*fill)(Record&, const ServerItemPlace&);
    void (*fields)(CxGFieldWriter&, const Record&);
    size_t helperTextCapacity;
};

void FillServerContact(GAddrRecord& record, const ServerItemPlace& place)
{
    CopyUtf8(record.szHelperText, place.helperText);
}

// Text A holds 31 bytes: the calendar's last path segment, cut, as a folder account's records carry
// their subfolder. Text C carries the calendar's whole address, which tells the calendars apart.
void FillServerEvent(GDateRecord& record, const ServerItemPlace& place)
{
    std::string segment = UrlPath(place.collection.url);
    while (!segment.empty() && segment.back() == '/')
        segment.pop_back();
    CopyUtf8(record.szHelperTextA, segment.substr(segment.rfind('/') + 1));
    CopyUtf8(record.szHelperTextB, place.helperText);
    CopyUtf8(record.szHelperTextC, place.collection.url);
}

const char* CollectionWord(HelperKind kind)
{
    return kind == HelperKind::Contacts ? "address book" : "calendar";
}

std::string CollectionName(const DavCollection& collection)
{
    const std::string path = UrlPath(collection.url);
    return collection.displayName.empty() ? path : "\"" + collection.displayName + "\" (" + path + ")";
}

// Whether the server gave the item whole, with what a deletion of it needs; faults are reported. The
// helper text a deletion goes by comes back in helperText.
bool IsServable(ServerRun& run, size_t helperTextCapacity, const DavItem& item, const std::string& shown,
                std::string& helperText)
{
    if (!item.fault.empty()) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), item.fault.c_str()));
        return false;
    }
    if (item.data.size() > kMaxItemBytes) {
        run.session.Error(Format("Cannot read %s, skipped: larger than %ju bytes", shown.c_str(), kMaxItemBytes));
        return false;
    }
    // A deletion must name exactly this item and this version of it; a text cut to fit would not.
    helperText = ServerHelperText(item.url, item.etag);
    if (item.etag.empty() || helperText.size() >= helperTextCapacity) {
        run.session.Error(Format("%s skipped: %s", shown.c_str(),
                                 item.etag.empty()
                                     ? "the server gives no ETag for it, so it could not be deleted safely"
                                     : "its address is too long to be kept in the record"));
        return false;
    }
    return true;
}

// One item of a batch into the data file; faults are reported and the item skipped.
template <class Record>
void AddServerItem(ServerRun& run, const ServerLoadKind<Record>& kind, const DavCollection& collection, DavItem& item,
                   Record& record, PendingFile& data)
{
    const HelperKind helperKind = run.session.Kind();
    // Messages name the item by its path: the server is the account's.
    const std::string shown = UrlPath(item.url);
    std::string helperText;
    if (!IsServable(run, kind.helperTextCapacity, item, shown, helperText))
        return;
    const ItemText text(helperKind, std::move(item.data)); // a batch's texts are read once, not copied
    // One item per resource is what CalDAV and CardDAV allow; anything more is refused, as a file of it
    // would be. A resource of none is left to the reader, which says why or passes it over.
    const ItemCounts counts = text.Counts();
    if (counts.own > 1 || (counts.own == 1 && counts.others > 0)) {
        run.session.Error(SharedFileError(helperKind, shown, counts));
        return;
    }
    if (AddReadItem(run.session, text, shown, record, data, kind.fields, [&](Record& read) {
            kind.fill(read, {collection, item, helperText});
        }))
        ReportNotes(run.session, shown, text);
}

struct Listing
{
    std::vector<DavCollection> collections;
    std::vector<std::vector<DavItemRef>> items; // per collection
    size_t total = 0;
};

// Every collection of the kind and what it holds; a collection that cannot be listed fails the load:
// an account read in part would look like an account without those items.
bool ListAccount(ServerRun& run, Listing& listing)
{
    const HelperKind kind = run.session.Kind();
    const DavKind davKind = kind == HelperKind::Contacts ? DavKind::Contacts : DavKind::Calendar;
    run.session.Status(Format("Finding the %ss on %s", CollectionWord(kind), run.dav.Origin().c_str()), true);
    std::string error;
    if (!run.dav.Collections(davKind, listing.collections, error)) {
        run.session.Error(error);
        return false;
    }
    for (const DavCollection& collection : listing.collections) {
        std::vector<DavItemRef> items;
        if (!run.dav.ListItems(collection, items, error)) {
            run.session.Error(Format("The %s %s cannot be read: %s", CollectionWord(kind),
                                     CollectionName(collection).c_str(), error.c_str()));
            return false;
        }
        run.session.Log(2,
                        Format("%zu %s in %s", items.size(), KindInfo(kind).items, CollectionName(collection).c_str()));
        listing.total += items.size();
        listing.items.push_back(std::move(items));
    }
    return true;
}

// How the reading of the batches ended: every batch read, a stop request, or a batch the server would
// not give (reported), which fails the load.
enum class BatchEnd { Read, Stopped, Failed };

template <class Record>
BatchEnd ReadBatches(ServerRun& run, const ServerLoadKind<Record>& kind, const Listing& listing, Record& record,
                     PendingFile& data)
{
    const HelperKind helperKind = run.session.Kind();
    const DavKind davKind = helperKind == HelperKind::Contacts ? DavKind::Contacts : DavKind::Calendar;
    const char* what = KindInfo(helperKind).items;
    size_t done = 0;
    for (size_t c = 0; c < listing.collections.size(); ++c) {
        const std::vector<DavItemRef>& refs = listing.items[c];
        for (size_t first = 0; first < refs.size(); first += kServerBatchItems) {
            if (run.session.StopRequested())
                return BatchEnd::Stopped;
            run.session.StatusMadeBy([&] { return Format("Reading %s %zu of %zu", what, done + 1, listing.total); },
                                     done == 0);
            const std::vector<DavItemRef> batch(
                refs.begin() + static_cast<std::ptrdiff_t>(first),
                refs.begin() + static_cast<std::ptrdiff_t>(std::min(refs.size(), first + kServerBatchItems)));
            std::vector<DavItem> items;
            std::string error;
            if (!run.dav.Multiget(davKind, listing.collections[c], batch, items, error)) {
                run.session.Error(Format("The %s %s cannot be read: %s", CollectionWord(helperKind),
                                         CollectionName(listing.collections[c]).c_str(), error.c_str()));
                return BatchEnd::Failed;
            }
            for (DavItem& item : items)
                AddServerItem(run, kind, listing.collections[c], item, record, data);
            done += batch.size();
            run.PauseAfterBatch();
        }
    }
    return run.session.StopRequested(true) ? BatchEnd::Stopped : BatchEnd::Read;
}

// The calendar list: each calendar's name (its path when it has none), address and colour.
void AddCalendars(const Listing& listing, CxList& calendars)
{
    for (const DavCollection& collection : listing.collections) {
        GCalRecord record{};
        CopyUtf8(record.szText1, collection.displayName.empty() ? UrlPath(collection.url) : collection.displayName);
        CopyUtf8(record.szText2, collection.url);
        CopyUtf8(record.szText3, collection.color);
        AppendCopy(calendars, record);
    }
}

template <class Record>
RunResult LoadServer(ServerRun& run, const ServerLoadKind<Record>& kind)
{
    Listing listing;
    if (!ListAccount(run, listing))
        return RunResult::Finished;
    const ScratchRecord<Record> record = NewScratchRecord<Record>();
    if (!record) {
        run.session.Error("Out of memory");
        return RunResult::Finished;
    }
    PendingFile data(run.params.workFolder + run.params.dataFile);
    data.Begin();
    const BatchEnd end = ReadBatches(run, kind, listing, *record, data);
    if (end == BatchEnd::Failed)
        return RunResult::Finished;
    RecordList calendars;
    const bool calendar = run.session.Kind() == HelperKind::Calendar;
    if (calendar)
        AddCalendars(listing, calendars.List());
    return EndLoad(run.session, run.params, end == BatchEnd::Stopped ? RunResult::Stopped : RunResult::Finished, data,
                   calendar ? &calendars.List() : nullptr, run.dav.ServerUrl());
}

} // namespace

std::string ServerHelperText(const std::string& url, const std::string& etag)
{
    return EscapeItemPath(url) + "/" + etag;
}

RunResult LoadServerAccount(ServerRun& run)
{
    switch (run.session.Kind()) {
    case HelperKind::Contacts:
        return LoadServer<GAddrRecord>(run, {FillServerContact, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>,
                                             sizeof(GAddrRecord::szHelperText)});
    case HelperKind::Calendar:
        return LoadServer<GDateRecord>(run, {FillServerEvent, GDateRecordFields<CxGFieldWriter, const GDateRecord>,
                                             sizeof(GDateRecord::szHelperTextB)});
    case HelperKind::Tasks:
    case HelperKind::Notes:
        break;
    }
    run.session.Error(Format("The %s of a CardDAV or CalDAV account are not read yet; only its contacts and calendars",
                             KindInfo(run.session.Kind()).items));
    return RunResult::Finished;
}
