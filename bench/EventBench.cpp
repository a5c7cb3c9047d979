// The events benchmark: generated calendars, some events recurring, under the default event rule.

#include "bench/BenchKinds.h"

#include "app/core/Apputil.h"
#include "bench/BenchSupport.h"
#include "common/google/CxGCal.h"
#include "common/misc/CxDateTime.h"

#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>

namespace {

const char* const kTopic[] = {"Team meeting",     "Project review", "Sprint planning",   "1:1",
                              "Client call",      "Design review",  "Budget sync",       "Dentist",
                              "Yoga class",       "Lunch",          "Board preparation", "Training",
                              "Quarterly report", "Post-mortem",    "Interview",         "Vendor demo"};
const char* const kProject[] = {"Orion", "Atlas", "Harbor", "Juniper", "Kestrel", "Meridian", "Quartz", "Solstice"};
const char* const kBuilding[] = {"Main office", "North wing", "Conference centre", "Riverside campus", "Downtown hub"};
const char* const kNoteLine[] = {
    "Agenda: status of the open items, risks and next steps; please send updates beforehand.\n",
    "Dial-in details are in the invitation. Join five minutes early to test audio and video.\n",
    "Bring the printed figures for the last quarter and the draft of the new forecast.\n",
    "Minutes from the previous session are attached; action items are marked in bold.\n",
    "Parking is available in the visitor garage; reception will issue day passes.\n",
    "Coffee and sandwiches will be served. Tell the organiser about dietary needs.\n",
};
const char* const kZone[] = {"Europe/Berlin", "America/New_York", "Asia/Tokyo"};
const char* const kRule[] = {
    "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE",
    "RRULE:FREQ=DAILY;COUNT=10",
    "RRULE:FREQ=WEEKLY;BYDAY=TU,TH;UNTIL=20261231T235959Z",
    "RRULE:FREQ=MONTHLY;BYMONTHDAY=7",
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=14",
};
// What the calendar service sends along with a rule in a zone of its own.
const char* const kBerlinZone = "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nX-LIC-LOCATION:Europe/Berlin\r\n"
                                "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\n"
                                "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
                                "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\n"
                                "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n"
                                "END:VTIMEZONE\r\n";

// "YYYYMMDDTHHMMSS" of a day value.
std::string DateTimeText(double value)
{
    platform::SystemTime st{};
    VariantTimeToSystemTime(value, &st);
    char text[32];
    FormatText(text, "%04u%02u%02uT%02u%02u%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
}

void FillRecurrence(GDateRecord& r, int index)
{
    const char* zone = kZone[index % std::size(kZone)];
    const std::string start = DateTimeText(r.dtStart);
    const std::string end = DateTimeText(r.dtEnd);
    FormatText(r.szRecurrence, "DTSTART;TZID=%s:%s\r\nDTEND;TZID=%s:%s\r\n%s\r\n%s", zone, start.c_str(), zone,
               end.c_str(), kRule[index % std::size(kRule)], index % 3 == 0 ? kBerlinZone : "");
}

// An event as a real calendar holds it. Subject, start, end and all-day depend on index alone, so a
// copy of an original agrees with it under the default rule; ids and times come from rng.
void FillEvent(GDateRecord& r, int index, std::mt19937& rng)
{
    std::memset(&r, 0, sizeof r);
    r.nHeadValue1 = 1;
    r.ActionCode = 1;
    FormatText(r.szHelperTextA, "%08x%08x", static_cast<unsigned>(rng()), static_cast<unsigned>(index));
    FormatText(r.szSubject, "%s: %s %d", kTopic[index % std::size(kTopic)],
               kProject[(index / std::size(kTopic)) % std::size(kProject)], index);
    if (index % 7 != 0)
        FormatText(r.szLocation, "%s, room %d.%02d", kBuilding[index % std::size(kBuilding)], 1 + index % 5,
                   index % 40);
    const double day = 42005.0 + (index * 7919) % 4382;
    if (index % 12 == 11) {
        r.nAllDayEvent = 1;
        r.dtStart = day;
        r.dtEnd = day + 1;
    } else {
        r.dtStart = day + (7 * 60 + (index * 15) % (11 * 60)) / 1440.0;
        r.dtEnd = r.dtStart + (30 + 30 * (index % 4)) / 1440.0;
        if (index % 5 == 0)
            FillRecurrence(r, index);
    }
    CopyText(r.szCategory, index % 3 == 0 ? "Personal" : "Work");
    r.nPublishType = index % 4 == 0 ? 2 : 0;
    r.nShowStatus = r.nAllDayEvent ? 1 : 2;
    r.nReminderCount = 1;
    r.nReminderA[0] = 1;
    r.nReminderB[0] = 10;
    FormatText(r.szHelperTextB, "\"%08x\"", static_cast<unsigned>(rng()));
    FormatText(r.szHelperTextC, "https://calendar.example.com/event?eid=%s", r.szHelperTextA);
    std::string note;
    for (int i = 0; i < 2 + index % 6; ++i)
        note += kNoteLine[(index + i) % std::size(kNoteLine)];
    CopyText(r.szNote, note.c_str());
    r.dtCreated = RandomTime(rng);
    // Now and then the service gives no modification time.
    r.dtModified = index % 20 == 3 ? 0 : r.dtCreated + 0.5 + rng() % 30;
}

// Writes count events, every tenth one a copy of an earlier original under the default rule (its own
// id and times), and three calendar definitions.
bool WriteEventFiles(const std::string& folder, int count)
{
    // Never destroyed: its Reset would delete the calendar file just written. The child exits right
    // after, so nothing is lost.
    auto* util = new CxGDateUtil;
    util->SetWorkFolder(folder.c_str());
    std::mt19937 rng(20261211);
    auto record = std::make_unique<GDateRecord>();
    for (int i = 0; i < count; ++i) {
        const bool duplicate = i % 10 == 9;
        int source = i;
        if (duplicate) {
            // An earlier original, never a position that itself holds a copy.
            source = static_cast<int>(rng() % static_cast<unsigned>(i));
            source -= source % 10 == 9 ? 1 : 0;
        }
        FillEvent(*record, source, rng);
        if (!util->AddRecord(record.get()))
            return false;
    }
    const char* const names[] = {"Work", "Personal", "Holidays"};
    for (const char* name : names) {
        GCalRecord calendar{};
        CopyText(calendar.szText1, name);
        FormatText(calendar.szText2, "%s@group.calendar.example.com", name);
        CopyText(calendar.szText4, "#2952A3");
        if (!util->AddCalendar(&calendar))
            return false;
    }
    return util->SaveDataFile() && util->SaveCalendarFile();
}

// The rule a new user starts with: Subject, Start Time, End Time and All Day Event, case ignored.
class EventSession : public BenchSession
{
public:
    explicit EventSession(const std::string& folder)
    {
        AppSettings.CaseSensitive = false;
        AppSettings.DateSubject = true;
        AppSettings.DateLocation = false;
        AppSettings.DateStartTime = true;
        AppSettings.DateEndTime = true;
        AppSettings.DateAllDayEvent = true;
        AppSettings.DateNote = false;
        m_util.SetWorkFolder(folder.c_str());
        g_pDateUtil = &m_util;
        g_pDateDupList = &m_dupList;
    }
    ~EventSession() override
    {
        g_pDateUtil = nullptr;
        g_pDateDupList = nullptr;
    }

    // Both files, as the load after a helper run reads them.
    bool Load() override { return m_util.LoadDataFile() && m_util.LoadCalendarFile(); }
    void Scan() override { ScanEventDuplicates(); }
    void ScanPairwise() override { ScanEventDuplicatesPairwise(); }
    void Rescan() override
    {
        AppSettings.CaseSensitive = !AppSettings.CaseSensitive;
        ScanEventDuplicates();
    }
    std::vector<const void*> DupList() override { return ListItems(m_dupList); }

private:
    CxGDateUtil m_util;
    CxList m_dupList;
};

std::unique_ptr<BenchSession> OpenEvents(const std::string& folder)
{
    return std::make_unique<EventSession>(folder);
}

} // namespace

const BenchKind& EventBench()
{
    static const BenchKind kind = {
        "events",
        "Events: load of the events and calendar files and duplicate scan under the default rule",
        {"1000", "5000", "20000"},
        FilesOf(HelperKind::Calendar).dataFile,
        {sizeof(GDateRecord), sizeof(CommDateRecord)},
        WriteEventFiles,
        OpenEvents,
    };
    return kind;
}
