#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "common/misc/Utf8Text.h"
#include "common/platform/Platform.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemIdentity.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/FileItems.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/ItemText.h"
#include "helpers/driver/LoadSteps.h"
#include "helpers/driver/PendingDataFile.h"
#include "helpers/ical/CalendarItems.h"
#include "helpers/vcard/ContactCard.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// An export holds thousands of cards, some with photos, so a file may be far larger than one item;
// past this it is no file of items a person keeps.
constexpr std::uintmax_t kMaxItemFileBytes = 1 << 28;

std::string TooLarge(std::uintmax_t limit)
{
    return Format("larger than %ju bytes", limit);
}

template <class Record>
struct LoadKind
{
    // place: where the item lies in a file of several (FormatItemPlace); empty for a file of one.
    void (*fill)(Record&, const ItemFile&, std::string_view place, const ContentIdentity&);
    void (*fields)(CxGFieldWriter&, const Record&);
};

// The content identity rides behind the name in the helper's own text (see NameWithContent); the
// save splits it off again and deletes the file only while it still has that content. An item of a
// file of several has its place between the two (see NameWithPlace).
void FillContact(GAddrRecord& record, const ItemFile& item, std::string_view place, const ContentIdentity& content)
{
    CopyUtf8(record.szHelperText, NameWithContent(NameWithPlace(item.name, place), content));
}

// Text A is the subfolder as the other helpers' records carry it, but it holds only 31 bytes and a
// synchronised calendar's folder is often named after a longer address; text C carries the whole
// name, and the save goes by that. Text B carries the content identity behind the name, as contacts do.
void FillEvent(GDateRecord& record, const ItemFile& item, std::string_view place, const ContentIdentity& content)
{
    CopyUtf8(record.szHelperTextA, item.subfolder);
    CopyUtf8(record.szHelperTextB, NameWithContent(NameWithPlace(item.name, place), content));
    CopyUtf8(record.szHelperTextC, item.subfolder);
}

// Head value 3 holds a hash over the name, the place and the content identity (see IdentityOfItem).
template <class Record>
void FillByIdentity(Record& record, const ItemFile& item, std::string_view place, const ContentIdentity& content)
{
    const ItemIdentity identity = IdentityOfPlacedItem(item.name, place, content);
    record.nHeadValue1 = identity.first;
    record.nHeadValue3 = identity.second;
}

// Adds the item text to the data file as the item at place of the file (see AddReadItem).
template <class Record>
bool AddItem(HelperRun& run, const LoadKind<Record>& kind, const ItemFile& item, const ItemText& text,
             const std::string& shown, std::string_view place, const ContentIdentity& content, Record& record,
             PendingFile& data)
{
    return AddReadItem(run.session, text, shown, record, data, kind.fields,
                       [&](Record& read) { kind.fill(read, item, place, content); });
}

// A file of several items of the kind (an export) is served item by item, each read from the file as
// it would be holding that item alone, so a calendar's VTIMEZONEs and its own lines apply to each.
// An item the reader does not find to be exactly one is reported and stays in the file unserved.
// True when any item of the file went into the data file.
template <class Record>
bool AddFileItems(HelperRun& run, const LoadKind<Record>& kind, const ItemFile& item, std::string_view text,
                  const ItemCounts& counts, const ContentIdentity& content, Record& record, PendingFile& data)
{
    const HelperKind helperKind = run.session.Kind();
    const std::string shown = run.account.RelativePath(item);
    FileItems items;
    std::string fault;
    if (!items.Split(helperKind, text, fault)) {
        run.session.Error(Format("%s holds %zu %s that cannot be told apart safely (%s); skipped, so that "
                                 "deleting one never removes the others",
                                 shown.c_str(), counts.own, KindInfo(helperKind).items, fault.c_str()));
        return false;
    }
    bool added = false;
    for (size_t i = 0; i < items.Items().size(); ++i) {
        const FileItem& fileItem = items.Items()[i];
        const std::string itemShown = items.Shown(shown, i);
        if (!fileItem.refused.empty()) {
            run.session.Error(Format("%s holds %s; skipped, so that deleting one never removes the others",
                                     itemShown.c_str(), fileItem.refused.c_str()));
            continue;
        }
        std::string alone = items.TextOf(i);
        if (alone.size() > kMaxItemBytes) {
            run.session.Error(
                Format("Cannot read %s, skipped: %s", itemShown.c_str(), TooLarge(kMaxItemBytes).c_str()));
            continue;
        }
        const ItemText itemText(helperKind, std::move(alone));
        const ItemCounts itemCounts = itemText.Counts();
        if (itemCounts.own == 0 && itemCounts.others == 0) {
            run.session.Error(Format("No %s in %s, skipped", KindInfo(helperKind).item, itemShown.c_str()));
            continue;
        }
        if (itemCounts.own != 1 || itemCounts.others != 0) {
            run.session.Error(SharedFileError(helperKind, itemShown, itemCounts));
            continue;
        }
        added = AddItem(run, kind, item, itemText, itemShown, FormatItemPlace(fileItem.place), content, record, data) ||
                added;
    }
    return added;
}

// Reads one item file and adds what it holds to the data file; faults are reported and the item
// skipped, or kept when it was read in part.
template <class Record>
void LoadItem(HelperRun& run, const LoadKind<Record>& kind, const ItemFile& item, Record& record, PendingFile& data)
{
    const std::string shown = run.account.RelativePath(item);
    std::string raw;
    std::string problem;
    // The time before the bytes: a change in between then shows as a changed file at the save.
    int64_t modified = 0;
    if (!ReadItemText(run.account.ItemPath(item), raw, modified, problem)) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), problem.c_str()));
        return;
    }
    const ItemText text(run.session.Kind(), std::move(raw));
    const ContentIdentity content = IdentityOfContent(text.Text(), modified);
    // Deleting the only item of a file moves the file, and whatever else it holds with it. A file that
    // holds items of another kind too stays refused, with one item of the kind or several: deleting its
    // last one would still take the others' items to the trash. A file with no item of the kind is left
    // to the reader, which says why, or passed over as a file of another kind.
    const ItemCounts counts = text.Counts();
    if (counts.own >= 1 && counts.others > 0) {
        run.session.Error(SharedFileError(run.session.Kind(), shown, counts));
        return;
    }
    if (counts.own > 1) {
        // The reader's notes are the whole file's, told once under its name however many items it served.
        if (AddFileItems(run, kind, item, text.Text(), counts, content, record, data))
            ReportNotes(run.session, shown, text);
        return;
    }
    if (text.Text().size() > kMaxItemBytes) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), TooLarge(kMaxItemBytes).c_str()));
        return;
    }
    if (AddItem(run, kind, item, text, shown, "", content, record, data))
        ReportNotes(run.session, shown, text);
}

template <class Record>
RunResult LoadItems(HelperRun& run, const LoadKind<Record>& kind, const std::vector<ItemFile>& items, Record& record,
                    PendingFile& data)
{
    const char* what = KindInfo(run.session.Kind()).items;
    run.session.Log(2, Format("%zu files of %s in %s", items.size(), what, run.account.KindPath().c_str()));
    for (size_t i = 0; i < items.size(); ++i) {
        if (run.session.StopRequested())
            return RunResult::Stopped;
        run.session.StatusMadeBy([&] { return Format("Reading %s %zu of %zu", what, i + 1, items.size()); }, i == 0);
        LoadItem(run, kind, items[i], record, data);
        run.PauseAfterItem();
    }
    // Read afresh: a request made since the last check still keeps the data file from being written.
    return run.session.StopRequested(true) ? RunResult::Stopped : RunResult::Finished;
}

void AddCalendars(const AccountFolder& account, const std::vector<ItemFile>& items, CxList& calendars)
{
    for (const CalendarFolder& folder : account.Calendars(items)) {
        GCalRecord record{};
        CopyUtf8(record.szText1, folder.displayName);
        CopyUtf8(record.szText2, account.RelativeFolder(folder.subfolder));
        CopyUtf8(record.szText3, folder.color);
        AppendCopy(calendars, record);
    }
}

template <class Record>
RunResult Load(HelperRun& run, const LoadKind<Record>& kind)
{
    // An account the load could not read is not an account with nothing in it.
    std::string fault;
    if (!run.account.IsReadable(fault)) {
        run.session.Error(fault);
        return RunResult::Finished;
    }
    const ScratchRecord<Record> record = NewScratchRecord<Record>();
    if (!record) {
        run.session.Error("Out of memory");
        return RunResult::Finished;
    }
    PendingFile data(run.params.workFolder + run.params.dataFile);
    data.Begin();
    // Listed once: the calendar list at the end goes by the same listing.
    std::vector<std::string> problems;
    const std::vector<ItemFile> items = run.account.Items(problems);
    for (const std::string& problem : problems)
        run.session.Error(problem);
    const RunResult read = LoadItems(run, kind, items, *record, data);
    RecordList calendars;
    const bool calendar = run.session.Kind() == HelperKind::Calendar;
    if (calendar)
        AddCalendars(run.account, items, calendars.List());
    return EndLoad(run.session, run.params, read, data, calendar ? &calendars.List() : nullptr, run.account.KindPath());
}

// The fault of a failed read, in the words the file's size gives it: only a failed read takes the
// second look.
std::string ReadFault(const std::string& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return ec.message();
    if (size > kMaxItemFileBytes)
        return TooLarge(kMaxItemFileBytes);
    return "cannot be read";
}

} // namespace

bool ReadItemText(const std::string& path, std::string& text, int64_t& modified, std::string& fault)
{
    platform::FileTime time;
    if (!platform::ReadFileContents(path.c_str(), kMaxItemFileBytes, text, &time)) {
        fault = ReadFault(path);
        return false;
    }
    return FileClockTime(time.seconds, time.nanoseconds, modified, fault);
}

bool ReadItemText(const std::string& path, std::string& text, std::string& fault)
{
    if (platform::ReadFileContents(path.c_str(), kMaxItemFileBytes, text))
        return true;
    fault = ReadFault(path);
    return false;
}

RunResult LoadAccount(HelperRun& run)
{
    switch (run.session.Kind()) {
    case HelperKind::Contacts:
        return Load<GAddrRecord>(run, {FillContact, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>});
    case HelperKind::Calendar:
        return Load<GDateRecord>(run, {FillEvent, GDateRecordFields<CxGFieldWriter, const GDateRecord>});
    case HelperKind::Tasks:
        return Load<GTaskRecord>(run,
                                 {FillByIdentity<GTaskRecord>, GTaskRecordFields<CxGFieldWriter, const GTaskRecord>});
    case HelperKind::Notes:
        return Load<GNoteRecord>(run,
                                 {FillByIdentity<GNoteRecord>, GNoteRecordFields<CxGFieldWriter, const GNoteRecord>});
    }
    return RunResult::Finished;
}
