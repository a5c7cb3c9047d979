// The listing of a folder account's trash: a data file as a load writes it, one record per item still
// to restore, newest deletion first, and the result file with each record's deletion time.
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "common/misc/Utf8Text.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/FileItems.h"
#include "helpers/driver/LoadSteps.h"
#include "helpers/driver/PendingDataFile.h"
#include "helpers/driver/TrashFolder.h"
#include "helpers/driver/TrashRun.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

template <class Record>
struct ListKind
{
    void (*fill)(Record&, const TrashEntry&, const TrashReference&);
    void (*fields)(CxGFieldWriter&, const Record&);
};

void FillContact(GAddrRecord& record, const TrashEntry&, const TrashReference& reference)
{
    CopyUtf8(record.szHelperText, TrashRecordText(reference));
}

// The calendar as the load names it: the subfolder the event was deleted from.
void FillEvent(GDateRecord& record, const TrashEntry& entry, const TrashReference& reference)
{
    CopyUtf8(record.szHelperTextA, entry.file.subfolder);
    CopyUtf8(record.szHelperTextB, TrashRecordText(reference));
    CopyUtf8(record.szHelperTextC, entry.file.subfolder);
}

template <class Record>
void FillByIdentity(Record& record, const TrashEntry&, const TrashReference& reference)
{
    const ItemIdentity identity = TrashIdentity(reference);
    record.nHeadValue1 = identity.first;
    record.nHeadValue3 = identity.second;
}

struct Listing
{
    PendingFile& data;
    TrashResults& results;
    std::set<std::string> calendars; // the subfolders of the events listed
};

template <class Record>
void AddOne(HelperRun& run, const ListKind<Record>& kind, const TrashEntry& entry, const ItemText& text,
            const std::string& shown, const TrashReference& reference, Record& record, Listing& listing)
{
    if (!AddReadItem(run.session, text, shown, record, listing.data, kind.fields,
                     [&](Record& read) { kind.fill(read, entry, reference); }))
        return;
    listing.results.Listed(entry.deletedAt);
    listing.calendars.insert(entry.file.subfolder);
}

// The items of one trash file still to restore: the file's one item, or the items of a file of
// several (only those deleted from it, for a rewritten file's copy).
template <class Record>
void ListEntry(HelperRun& run, const ListKind<Record>& kind, const TrashEntry& entry, Record& record, Listing& listing)
{
    const HelperKind helperKind = run.session.Kind();
    const std::string shown = ".trash/" + entry.ref;
    const std::string path = TrashRoot(run.account) + entry.ref;
    std::string raw;
    std::string fault;
    int64_t modified = 0;
    if (!ReadItemText(path, raw, modified, fault)) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), fault.c_str()));
        return;
    }
    ItemText text(helperKind, std::move(raw));
    TrashReference reference{entry.ref, "", FormatContentIdentity(IdentityOfContent(text.Text(), modified))};
    const ItemCounts counts = text.Counts();
    if (counts.others > 0 && counts.own > 0) {
        run.session.Error(SharedFileError(helperKind, shown, counts));
        return;
    }
    if (counts.own <= 1) {
        if (text.Text().size() > kMaxItemBytes)
            run.session.Error(Format("Cannot read %s, skipped: too large", shown.c_str()));
        else
            AddOne(run, kind, entry, text, shown, reference, record, listing);
        return;
    }
    FileItems items;
    if (!items.Split(helperKind, text.Text(), fault)) {
        run.session.Error(Format("%s cannot be taken apart (%s), skipped", shown.c_str(), fault.c_str()));
        return;
    }
    for (size_t i = 0; i < items.Items().size(); ++i) {
        const FileItem& item = items.Items()[i];
        reference.place = FormatItemPlace(item.place);
        if (!item.refused.empty() || (!entry.places.empty() && std::find(entry.places.begin(), entry.places.end(),
                                                                         reference.place) == entry.places.end()))
            continue;
        std::string alone = items.TextOf(i);
        if (alone.size() > kMaxItemBytes)
            continue;
        const ItemText itemText(helperKind, std::move(alone));
        if (itemText.Counts().own == 1 && itemText.Counts().others == 0)
            AddOne(run, kind, entry, itemText, items.Shown(shown, i), reference, record, listing);
    }
}

// The calendars the listed events name, as the load lists them: the account's own name and colour
// while the calendar's folder is there (even with no event left in it), else its folder's name.
void AddCalendars(const AccountFolder& account, const std::set<std::string>& named, CxList& list)
{
    std::vector<ItemFile> items;
    for (const std::string& subfolder : named)
        items.push_back({subfolder, ""});
    const std::vector<CalendarFolder> present = account.Calendars(items);
    for (const std::string& subfolder : named) {
        CalendarFolder folder{subfolder, subfolder.empty() ? "Calendar" : subfolder, ""};
        for (const CalendarFolder& there : present)
            if (there.subfolder == subfolder)
                folder = there;
        GCalRecord record{};
        CopyUtf8(record.szText1, folder.displayName);
        CopyUtf8(record.szText2, account.RelativeFolder(folder.subfolder));
        CopyUtf8(record.szText3, folder.color);
        AppendCopy(list, record);
    }
}

template <class Record>
RunResult List(HelperRun& run, const ListKind<Record>& kind)
{
    TrashResults results(run.session, run.params);
    const auto fail = [&](const std::string& reason) {
        run.session.Error(reason);
        results.Failed(reason);
        results.Write();
        return RunResult::Finished;
    };
    std::string error;
    std::vector<TrashEntry> entries = TrashEntries(run, error);
    if (!error.empty())
        return fail(error);
    uint64_t bytes = 0;
    for (const TrashEntry& entry : entries)
        bytes += entry.bytes;
    results.Holds(bytes, entries.size());
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const TrashEntry& e) { return e.restored; }),
                  entries.end());
    // Newest first: a day alone sorts below that day's times, as its deletions' times are unknown.
    std::stable_sort(entries.begin(), entries.end(), [](const TrashEntry& a, const TrashEntry& b) {
        return a.deletedAt != b.deletedAt ? a.deletedAt > b.deletedAt : a.ref < b.ref;
    });
    const ScratchRecord<Record> record = NewScratchRecord<Record>();
    if (!record)
        return fail("Out of memory");
    PendingFile data(run.params.workFolder + run.params.dataFile);
    data.Begin();
    Listing listing{data, results, {}};
    const char* what = KindInfo(run.session.Kind()).items;
    RunResult read = RunResult::Finished;
    for (size_t i = 0; i < entries.size() && read == RunResult::Finished; ++i) {
        if (run.session.StopRequested()) {
            read = RunResult::Stopped;
            break;
        }
        run.session.StatusMadeBy(
            [&] { return Format("Reading the trash's %s %zu of %zu", what, i + 1, entries.size()); }, i == 0);
        ListEntry(run, kind, entries[i], *record, listing);
        run.PauseAfterItem();
    }
    if (read == RunResult::Finished && run.session.StopRequested(true))
        read = RunResult::Stopped;
    RecordList calendars;
    const bool calendar = run.session.Kind() == HelperKind::Calendar;
    if (calendar)
        AddCalendars(run.account, listing.calendars, calendars.List());
    const RunResult end =
        EndLoad(run.session, run.params, read, data, calendar ? &calendars.List() : nullptr, TrashRoot(run.account));
    if (end == RunResult::Stopped)
        return end;
    // EndLoad reports a data file it could not write; the result must not pass for a listing.
    std::error_code ec;
    if (!std::filesystem::exists(run.params.workFolder + run.params.dataFile, ec))
        return fail(run.session.LastError());
    results.Write();
    return end;
}

} // namespace

RunResult ListTrash(HelperRun& run)
{
    switch (run.session.Kind()) {
    case HelperKind::Contacts:
        return List<GAddrRecord>(run, {FillContact, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>});
    case HelperKind::Calendar:
        return List<GDateRecord>(run, {FillEvent, GDateRecordFields<CxGFieldWriter, const GDateRecord>});
    case HelperKind::Tasks:
        return List<GTaskRecord>(run,
                                 {FillByIdentity<GTaskRecord>, GTaskRecordFields<CxGFieldWriter, const GTaskRecord>});
    case HelperKind::Notes:
        return List<GNoteRecord>(run,
                                 {FillByIdentity<GNoteRecord>, GNoteRecordFields<CxGFieldWriter, const GNoteRecord>});
    }
    return RunResult::Finished;
}
