#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "common/misc/Utf8Text.h"
#include "helpers/account/ItemIdentity.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/ical/CalendarItems.h"
#include "helpers/vcard/ContactCard.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// No vCard or single event comes near this; a larger file is something else, and reading it whole
// would only cost memory.
constexpr std::uintmax_t kMaxItemFileBytes = 1 << 20;

// A list owning the records it holds (allocated with malloc, as the data file code expects).
class RecordList
{
public:
    RecordList() = default;
    ~RecordList() { m_list.RemoveAll(true); }
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    CxList& List() { return m_list; }

private:
    CxList m_list;
};

// A data file written under a temporary name and renamed over the real one only once complete: a
// run that fails or is stopped midway never leaves a file the app would read as the account.
class PendingFile
{
public:
    explicit PendingFile(std::string path)
        : m_path(std::move(path))
        , m_temp(m_path + ".partial")
    {}
    ~PendingFile()
    {
        std::error_code ec;
        if (!m_committed)
            fs::remove(m_temp, ec);
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    template <class Record>
    bool Write(CxList& records, void (*fields)(CxGFieldWriter&, const Record&), std::string& error)
    {
        CxFile file;
        bool ok = file.OpenPrivate(m_temp.c_str()) &&
                  WriteDataRecords<Record>(file, records, [fields](CxFile& out, const Record* record) {
                      return WriteFields(out, record, fields);
                  });
        ok = file.CloseFlushed() && ok;
        if (!ok)
            error = Format("Cannot write the data file: %s", m_temp.c_str());
        return ok;
    }

    bool Commit(std::string& error)
    {
        std::error_code ec;
        fs::rename(m_temp, m_path, ec);
        if (ec) {
            error = Format("Cannot write the data file %s: %s", m_path.c_str(), ec.message().c_str());
            return false;
        }
        m_committed = true;
        return true;
    }

private:
    std::string m_path;
    std::string m_temp;
    bool m_committed = false;
};

template <class Record>
struct LoadKind
{
    bool (*read)(std::string_view, Record&, std::string&);
    void (*fill)(Record&, const ItemFile&);
    void (*fields)(CxGFieldWriter&, const Record&);
};

void FillContact(GAddrRecord& record, const ItemFile& item)
{
    CopyUtf8(record.szHelperText, item.name);
}

// Text A is the subfolder as the other helpers' records carry it, but it holds only 31 bytes and a
// synchronised calendar's folder is often named after a longer address; text C carries the whole
// name, and the save goes by that.
void FillEvent(GDateRecord& record, const ItemFile& item)
{
    CopyUtf8(record.szHelperTextA, item.subfolder);
    CopyUtf8(record.szHelperTextB, item.name);
    CopyUtf8(record.szHelperTextC, item.subfolder);
}

template <class Record>
void FillByIdentity(Record& record, const ItemFile& item)
{
    const ItemIdentity identity = IdentityOfName(item.name);
    record.nHeadValue1 = identity.first;
    record.nHeadValue3 = identity.second;
}

bool HasComponent(std::string_view text, std::string_view component)
{
    const std::string begin = "BEGIN:" + std::string(component);
    const auto found = std::search(text.begin(), text.end(), begin.begin(), begin.end(),
                                   [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - ('a' - 'A') : a) == b; });
    return found != text.end();
}

// A calendar collection synchronised from a server holds events and tasks side by side, and may be
// synchronised into calendar/ and tasks/ alike: a file of another kind is no fault there.
bool HoldsOtherKind(std::string_view text, HelperKind kind)
{
    const char* own = KindInfo(kind).component;
    if (!own || HasComponent(text, own))
        return false;
    for (const HelperKind other : {HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes})
        if (other != kind && HasComponent(text, KindInfo(other).component))
            return true;
    return false;
}

// Reads one item into a new record on the list; faults are reported and the item skipped, or kept
// when it was read in part.
template <class Record>
void LoadItem(HelperRun& run, const LoadKind<Record>& kind, const ItemFile& item, CxList& records)
{
    const std::string shown = run.account.RelativePath(item);
    std::string text;
    std::string problem;
    if (!ReadItemText(run.account.ItemPath(item), text, problem)) {
        run.session.Error(Format("Cannot read %s, skipped: %s", shown.c_str(), problem.c_str()));
        return;
    }
    // Deleting an item moves its file, and whatever else the file holds with it. A file with no item
    // of the kind is left to the reader, which says why, or passed over as a file of another kind.
    const ItemCounts counts = CountItems(run.session.Kind(), text);
    if (counts.own > 1 || (counts.own == 1 && counts.others > 0)) {
        run.session.Error(SharedFileError(run.session.Kind(), shown, counts));
        return;
    }
    struct Free
    {
        void operator()(Record* p) const { std::free(p); }
    };
    std::unique_ptr<Record, Free> record(static_cast<Record*>(std::calloc(1, sizeof(Record))));
    if (!record) {
        run.session.Error(Format("Out of memory reading %s", shown.c_str()));
        return;
    }
    if (!kind.read(text, *record, problem)) {
        if (HoldsOtherKind(text, run.session.Kind())) {
            run.session.Log(2, Format("Passed over %s: no %s in it", shown.c_str(), KindInfo(run.session.Kind()).item));
            return;
        }
        run.session.Error(Format("No %s in %s, skipped%s%s", KindInfo(run.session.Kind()).item, shown.c_str(),
                                 problem.empty() ? "" : ": ", problem.c_str()));
        return;
    }
    if (!problem.empty())
        run.session.Error(Format("%s was read in part: %s", shown.c_str(), problem.c_str()));
    kind.fill(*record, item);
    record->ActionCode = 0;
    if (!records.Add(record.get())) {
        run.session.Error(Format("Out of memory reading %s", shown.c_str()));
        return;
    }
    record.release();
    run.session.Log(3, Format("Read %s", shown.c_str()));
}

template <class Record>
RunResult LoadItems(HelperRun& run, const LoadKind<Record>& kind, CxList& records)
{
    std::vector<std::string> problems;
    const std::vector<ItemFile> items = run.account.Items(problems);
    for (const std::string& problem : problems)
        run.session.Error(problem);
    const char* what = KindInfo(run.session.Kind()).items;
    run.session.Log(2, Format("%zu files of %s in %s", items.size(), what, run.account.KindPath().c_str()));
    for (size_t i = 0; i < items.size(); ++i) {
        if (run.session.StopRequested())
            return RunResult::Stopped;
        run.session.Status(Format("Reading %s %zu of %zu", what, i + 1, items.size()), i == 0);
        LoadItem(run, kind, items[i], records);
        run.PauseAfterItem();
    }
    // Read afresh: a request made since the last check still keeps the data file from being written.
    return run.session.StopRequested(true) ? RunResult::Stopped : RunResult::Finished;
}

void AddCalendars(const AccountFolder& account, CxList& calendars)
{
    for (const CalendarFolder& folder : account.Calendars()) {
        GCalRecord record{};
        CopyUtf8(record.szText1, folder.displayName);
        CopyUtf8(record.szText2, account.RelativeFolder(folder.subfolder));
        CopyUtf8(record.szText3, folder.color);
        AppendCopy(calendars, record);
    }
}

// The data file, and for the calendar the calendar list beside it; both or neither.
template <class Record>
bool WriteDataFiles(HelperRun& run, const LoadKind<Record>& kind, CxList& records)
{
    std::string error;
    PendingFile data(run.params.workFolder + run.params.dataFile);
    bool ok = data.Write(records, kind.fields, error);
    if (ok && run.session.Kind() == HelperKind::Calendar) {
        RecordList calendars;
        AddCalendars(run.account, calendars.List());
        PendingFile calendarFile(run.params.workFolder + run.params.calendarFile);
        ok = calendarFile.Write<GCalRecord>(calendars.List(), GCalRecordFields<CxGFieldWriter, const GCalRecord>,
                                            error) &&
             calendarFile.Commit(error);
    }
    ok = ok && data.Commit(error);
    if (!ok)
        run.session.Error(error);
    return ok;
}

template <class Record>
RunResult Load(HelperRun& run, const LoadKind<Record>& kind)
{
    RecordList records;
    if (LoadItems(run, kind, records.List()) == RunResult::Stopped) {
        run.session.Status("Stopped on request", true);
        run.session.Log(1, "Load stopped on request; no data file written");
        return RunResult::Stopped;
    }
    const uint32_t count = records.List().GetCount();
    if (WriteDataFiles(run, kind, records.List())) {
        const char* what = KindInfo(run.session.Kind()).items;
        run.session.Status(Format("Finished: %u %s read", count, what), true);
        run.session.Log(1, Format("Loaded %u %s from %s", count, what, run.account.KindPath().c_str()));
    }
    return RunResult::Finished;
}

} // namespace

ItemCounts CountItems(HelperKind kind, std::string_view text)
{
    ItemCounts counts;
    const char* own = KindInfo(kind).component;
    if (!own)
        return {CountContactCards(text), 0};
    counts.own = CountCalendarItems(text, own);
    // Most files hold one kind only; the search spares them the others' full count.
    for (const HelperKind other : {HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes})
        if (other != kind && HasComponent(text, KindInfo(other).component))
            counts.others += CountCalendarItems(text, KindInfo(other).component);
    return counts;
}

std::string SharedFileError(HelperKind kind, const std::string& shown, const ItemCounts& counts)
{
    if (counts.own > 1)
        return Format("%s holds %zu %s; skipped, so that deleting one never removes the others", shown.c_str(),
                      counts.own, KindInfo(kind).items);
    return Format("%s holds items of another kind; skipped, so that deleting it never removes them", shown.c_str());
}

bool ReadItemText(const std::string& path, std::string& text, std::string& fault)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        fault = ec.message();
        return false;
    }
    if (size > kMaxItemFileBytes) {
        fault = Format("larger than %ju bytes", static_cast<std::uintmax_t>(kMaxItemFileBytes));
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    text.assign(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size))) {
        fault = "cannot be read";
        return false;
    }
    return true;
}

RunResult LoadAccount(HelperRun& run)
{
    switch (run.session.Kind()) {
    case HelperKind::Contacts:
        return Load<GAddrRecord>(run,
                                 {ReadContactCard, FillContact, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>});
    case HelperKind::Calendar:
        return Load<GDateRecord>(run, {ReadEventItem, FillEvent, GDateRecordFields<CxGFieldWriter, const GDateRecord>});
    case HelperKind::Tasks:
        return Load<GTaskRecord>(
            run, {ReadTaskItem, FillByIdentity<GTaskRecord>, GTaskRecordFields<CxGFieldWriter, const GTaskRecord>});
    case HelperKind::Notes:
        return Load<GNoteRecord>(
            run, {ReadNoteItem, FillByIdentity<GNoteRecord>, GNoteRecordFields<CxGFieldWriter, const GNoteRecord>});
    }
    return RunResult::Finished;
}
