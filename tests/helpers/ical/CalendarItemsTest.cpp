#include "helpers/ical/CalendarItems.h"

#include "common/google/CxGRecurrence.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// New York, not the zone of the events: a UTC time and a time of another zone must both move to it.
constexpr const char* kLocalZone = "America/New_York";

// "2024-03-05 10:00:00" or "2024-03-05" as an OLE Automation date; null is 0 (not given).
double When(const char* text)
{
    if (!text)
        return 0;
    platform::SystemTime st{};
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::sscanf(text, "%u-%u-%u %u:%u:%u", &year, &month, &day, &hour, &minute, &second);
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    double value = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(st, &value)) << text;
    return value;
}

const std::string kBerlinZone = "BEGIN:VTIMEZONE\n"
                                "TZID:Europe/Berlin\n"
                                "X-LIC-LOCATION:Europe/Berlin\n"
                                "BEGIN:DAYLIGHT\n"
                                "TZOFFSETFROM:+0100\n"
                                "TZOFFSETTO:+0200\n"
                                "TZNAME:CEST\n"
                                "DTSTART:19700329T020000\n"
                                "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\n"
                                "END:DAYLIGHT\n"
                                "BEGIN:STANDARD\n"
                                "TZOFFSETFROM:+0200\n"
                                "TZOFFSETTO:+0100\n"
                                "TZNAME:CET\n"
                                "DTSTART:19701025T030000\n"
                                "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\n"
                                "END:STANDARD\n"
                                "END:VTIMEZONE\n";

std::string Calendar(const std::string& event, const std::string& zones = "")
{
    return "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//EN\n" + zones + "BEGIN:VEVENT\n" + event +
           "END:VEVENT\nEND:VCALENDAR\n";
}

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const std::string kGoogleExport = WithCrLf(R"(BEGIN:VCALENDAR
PRODID:-//Google Inc//Google Calendar 70.9054//EN
VERSION:2.0
CALSCALE:GREGORIAN
METHOD:PUBLISH
X-WR-CALNAME:Work
X-WR-TIMEZONE:Europe/Berlin
)" + kBerlinZone + R"(BEGIN:VEVENT
DTSTART;TZID=Europe/Berlin:20240305T100000
DTEND;TZID=Europe/Berlin:20240305T110000
RRULE:FREQ=WEEKLY;BYDAY=TU;UNTIL=20240625T080000Z
DTSTAMP:20240801T120000Z
UID:4kq3b0m8v5s1c2d7e9f0a1b2c3@google.com
CREATED:20240201T090000Z
DESCRIPTION:Weekly sync of the platform team. Agenda and notes are kept in 
 the shared document.
LAST-MODIFIED:20240710T100000Z
LOCATION:Room 4.12
SEQUENCE:2
STATUS:CONFIRMED
SUMMARY:Team sync
TRANSP:OPAQUE
BEGIN:VALARM
ACTION:DISPLAY
DESCRIPTION:This is an event reminder
TRIGGER:-P0DT0H10M0S
END:VALARM
BEGIN:VALARM
ACTION:EMAIL
DESCRIPTION:This is an event reminder
SUMMARY:Alarm notification
ATTENDEE:mailto:anna.berger@example.com
TRIGGER:-P1D
END:VALARM
BEGIN:VALARM
ACTION:DISPLAY
DESCRIPTION:This is an event reminder
TRIGGER:-PT0S
END:VALARM
BEGIN:VALARM
ACTION:EMAIL
DESCRIPTION:This is an event reminder
SUMMARY:Alarm notification
ATTENDEE:mailto:anna.berger@example.com
TRIGGER:-P2D
END:VALARM
END:VEVENT
END:VCALENDAR
)");

const std::string kOutlookExport = WithCrLf(R"(BEGIN:VCALENDAR
PRODID:-//Microsoft Corporation//Outlook 16.0 MIMEDIR//EN
VERSION:2.0
METHOD:PUBLISH
X-MS-OLK-FORCEINSPECTOROPEN:TRUE
BEGIN:VTIMEZONE
TZID:W. Europe Standard Time
BEGIN:STANDARD
DTSTART:16011028T030000
RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10
TZOFFSETFROM:+0200
TZOFFSETTO:+0100
END:STANDARD
BEGIN:DAYLIGHT
DTSTART:16010325T020000
RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3
TZOFFSETFROM:+0100
TZOFFSETTO:+0200
END:DAYLIGHT
END:VTIMEZONE
BEGIN:VEVENT
CLASS:PUBLIC
CREATED:20240115T101500Z
DESCRIPTION:Quarterly numbers.\n
DTEND;TZID="W. Europe Standard Time":20240206T113000
DTSTAMP:20240115T101500Z
DTSTART;TZID="W. Europe Standard Time":20240206T100000
LAST-MODIFIED:20240116T083000Z
LOCATION:Board room
PRIORITY:5
RRULE:FREQ=MONTHLY;COUNT=4;BYDAY=1TU
SEQUENCE:0
SUMMARY;LANGUAGE=de-de:Quartalszahlen
TRANSP:OPAQUE
UID:040000008200E00074C5B7101A82E00800000000B0C9A1E2D4F3DA01000000000000000010000000
X-MICROSOFT-CDO-BUSYSTATUS:BUSY
X-MICROSOFT-CDO-IMPORTANCE:1
X-MICROSOFT-DISALLOW-COUNTER:FALSE
X-MS-OLK-AUTOFILLLOCATION:FALSE
X-MS-OLK-CONFTYPE:0
BEGIN:VALARM
TRIGGER:-PT15M
ACTION:DISPLAY
DESCRIPTION:Reminder
END:VALARM
END:VEVENT
END:VCALENDAR
)");

const std::string kAppleExport = R"(BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//Apple Inc.//macOS 14.2.1//EN
CALSCALE:GREGORIAN
)" + kBerlinZone + R"(BEGIN:VEVENT
TRANSP:OPAQUE
DTEND;TZID=Europe/Berlin:20240420T210000
UID:6B1E2C4D-8F3A-4E5B-9C7D-1A2B3C4D5E6F
DTSTAMP:20240402T081512Z
LOCATION:Philharmonie\nHerbert-von-Karajan-Str. 1\, 10785 Berlin
X-APPLE-TRAVEL-ADVISORY-BEHAVIOR:AUTOMATIC
SEQUENCE:0
X-APPLE-STRUCTURED-LOCATION;VALUE=URI;X-ADDRESS="Herbert-von-Karajan-Str. 1, 10785 Berlin";X-APPLE-RADIUS=141.17;X-TITLE=Philharmonie:geo:52.509838,13.369889
SUMMARY:Konzert
CREATED:20240402T081500Z
DTSTART;TZID=Europe/Berlin:20240420T193000
BEGIN:VALARM
X-WR-ALARMUID:2E1F3A4B-5C6D-7E8F-9A0B-1C2D3E4F5A6B
UID:2E1F3A4B-5C6D-7E8F-9A0B-1C2D3E4F5A6B
TRIGGER:-PT1H
ATTACH;VALUE=URI:Chord
ACTION:AUDIO
X-APPLE-DEFAULT-ALARM:TRUE
END:VALARM
BEGIN:VALARM
ACTION:NONE
TRIGGER;VALUE=DATE-TIME:19760401T005545Z
END:VALARM
END:VEVENT
END:VCALENDAR
)";

// What an event record must hold; an omitted field must be zero or empty.
struct EventExpect
{
    bool found = true;
    const char* subject = "";
    const char* location = "";
    const char* category = "";
    const char* note = "";
    const char* start = nullptr;
    const char* end = nullptr;
    int32_t allDay = 0;
    int32_t publish = 0;
    int32_t show = 0;
    uint32_t reminders = 0;
    int32_t remindFrom[3] = {};
    int32_t remindMinutes[3] = {};
    int32_t remindHow[3] = {};
    int32_t type = RECUR_NONE;
    int32_t interval = 0;
    int32_t days = 0;
    int32_t dayOfMonth = 0;
    int32_t month = 0;
    int32_t week = 0;
    const char* seriesStart = nullptr;
    const char* seriesEnd = nullptr;
    const char* recurrence = ""; // the lines szRecurrence starts with
    const char* created = nullptr;
    const char* modified = nullptr;
    const char* problem = nullptr; // a part of the problem text; null: no problem
};

struct EventCase
{
    const char* name;
    std::string text;
    EventExpect expect;
};

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

void ExpectEvent(const GDateRecord& r, const EventExpect& e)
{
    EXPECT_STREQ(r.szSubject, e.subject);
    EXPECT_STREQ(r.szLocation, e.location);
    EXPECT_STREQ(r.szCategory, e.category);
    EXPECT_STREQ(r.szNote, e.note);
    EXPECT_EQ(r.dtStart, When(e.start));
    EXPECT_EQ(r.dtEnd, When(e.end));
    EXPECT_EQ(r.nAllDayEvent, e.allDay);
    EXPECT_EQ(r.nPublishType, e.publish);
    EXPECT_EQ(r.nShowStatus, e.show);
    EXPECT_EQ(r.nReminderCount, e.reminders);
    for (int i = 0; i < kReminderSlots; ++i) {
        EXPECT_EQ(r.nReminderA[i], e.remindFrom[i]) << "reminder " << i;
        EXPECT_EQ(r.nReminderB[i], e.remindMinutes[i]) << "reminder " << i;
        EXPECT_EQ(r.nReminderC[i], e.remindHow[i]) << "reminder " << i;
    }
    EXPECT_EQ(r.nRecurrenceType, e.type);
    EXPECT_EQ(r.nRecurInterval, e.interval);
    EXPECT_EQ(r.nRecurDayOfWeek, e.days);
    EXPECT_EQ(r.nRecurDayOfMonth, e.dayOfMonth);
    EXPECT_EQ(r.nRecurMonthOfYear, e.month);
    EXPECT_EQ(r.nRecurInstance, e.week);
    EXPECT_EQ(r.dtRecurrenceStart, When(e.seriesStart));
    EXPECT_EQ(r.dtRecurrenceEnd, When(e.seriesEnd));
    const std::string recurrence = r.szRecurrence;
    EXPECT_EQ(recurrence.substr(0, std::strlen(e.recurrence)), e.recurrence);
    EXPECT_EQ(CountOf(recurrence, "VTIMEZONE"), 0);
    EXPECT_EQ(r.dtCreated, When(e.created));
    EXPECT_EQ(r.dtModified, When(e.modified));
}

// The app reads the start, the end and the rule back from szRecurrence at load; what it reads must
// be what the helper put in the fields, or the app would show and compare another event.
void ExpectAppReadsTheSame(const GDateRecord& record)
{
    auto loaded = std::make_unique<GDateRecord>(record);
    ParseRecurrence(loaded.get());
    EXPECT_EQ(loaded->dtStart, record.dtStart);
    EXPECT_EQ(loaded->dtEnd, record.dtEnd);
    EXPECT_EQ(loaded->nRecurrenceType, record.nRecurrenceType);
    EXPECT_EQ(loaded->nRecurInterval, record.nRecurInterval);
    EXPECT_EQ(loaded->nRecurDayOfWeek, record.nRecurDayOfWeek);
    EXPECT_EQ(loaded->nRecurDayOfMonth, record.nRecurDayOfMonth);
    EXPECT_EQ(loaded->nRecurMonthOfYear, record.nRecurMonthOfYear);
    EXPECT_EQ(loaded->nRecurInstance, record.nRecurInstance);
}

std::vector<EventCase> EventCases()
{
    return {
        {"all-day event",
         Calendar("SUMMARY:Company offsite\nDTSTART;VALUE=DATE:20240312\nDTEND;VALUE=DATE:20240314\n"
                  "TRANSP:TRANSPARENT\nCLASS:PRIVATE\n"),
         {.subject = "Company offsite",
          .start = "2024-03-12",
          .end = "2024-03-14",
          .allDay = 1,
          .publish = 2,
          .show = 1}},
        {"all-day event without end lasts its day",
         Calendar("SUMMARY:Inventory\nDTSTART;VALUE=DATE:20240312\nCLASS:CONFIDENTIAL\nTRANSP:OPAQUE\n"),
         {.subject = "Inventory", .start = "2024-03-12", .end = "2024-03-13", .allDay = 1, .publish = 2, .show = 2}},
        {"UTC times made local",
         Calendar("SUMMARY:Contract signing\nDTSTART:20240115T150000Z\nDTEND:20240115T163000Z\n"
                  "LOCATION:Main St. 5\\, Springfield\nCATEGORIES:Work,Travel\nCATEGORIES:Urgent\n"
                  "DESCRIPTION:Bring the slides\\nand the contract\nCLASS:PUBLIC\nCREATED:20240701T120000Z\n"
                  "LAST-MODIFIED:20240702T033000Z\nDTSTAMP:20240801T000000Z\n"),
         {.subject = "Contract signing",
          .location = "Main St. 5, Springfield",
          .category = "Work,Travel,Urgent",
          .note = "Bring the slides\nand the contract",
          .start = "2024-01-15 10:00:00",
          .end = "2024-01-15 11:30:00",
          .publish = 1,
          .created = "2024-07-01 08:00:00",
          .modified = "2024-07-01 23:30:00"}},
        {"DURATION gives the end",
         Calendar("SUMMARY:Call\nDTSTART:20240715T150000Z\nDURATION:PT1H30M\n"),
         {.subject = "Call", .start = "2024-07-15 11:00:00", .end = "2024-07-15 12:30:00"}},
        {"floating time without end, DTSTAMP as change without METHOD",
         Calendar("SUMMARY:Reminder\nDTSTART:20240301T083000\nDTSTAMP:20240301T120000Z\n"),
         {.subject = "Reminder",
          .start = "2024-03-01 08:30:00",
          .end = "2024-03-01 08:30:00",
          .modified = "2024-03-01 07:00:00"}},
        {"DTSTAMP of a published export is no change",
         "BEGIN:VCALENDAR\nMETHOD:PUBLISH\nBEGIN:VEVENT\nSUMMARY:Export\nDTSTART:20240301T083000\n"
         "DTSTAMP:20240801T120000Z\nEND:VEVENT\nEND:VCALENDAR\n",
         {.subject = "Export", .start = "2024-03-01 08:30:00", .end = "2024-03-01 08:30:00"}},
        {"TZID made local through its zone",
         Calendar("SUMMARY:Standup\nDTSTART;TZID=Europe/Berlin:20240610T090000\n"
                  "DTEND;TZID=Europe/Berlin:20240610T100000\n",
                  kBerlinZone),
         {.subject = "Standup", .start = "2024-06-10 03:00:00", .end = "2024-06-10 04:00:00"}},
        {"weekly with BYDAY and UNTIL",
         Calendar("SUMMARY:Yoga\nDTSTART;TZID=Europe/Berlin:20240108T090000\n"
                  "DTEND;TZID=Europe/Berlin:20240108T100000\n"
                  "RRULE:BYDAY=MO,WE;INTERVAL=2;FREQ=WEEKLY;UNTIL=20240331T215959Z\n",
                  kBerlinZone),
         {.subject = "Yoga",
          .start = "2024-01-08 03:00:00",
          .end = "2024-01-08 04:00:00",
          .type = RECUR_WEEKLY,
          .interval = 2,
          .days = DAY_MONDAY | DAY_WEDNESDAY,
          .seriesStart = "2024-01-08",
          .seriesEnd = "2024-03-31",
          .recurrence = "DTSTART:20240108T030000\r\nDTEND:20240108T040000\r\n"
                        "RRULE:FREQ=WEEKLY;UNTIL=20240331T215959Z;INTERVAL=2;BYDAY=MO,WE\r\n"}},
        {"weekly without BYDAY repeats on the start's day, not the zone's",
         Calendar("SUMMARY:Choir\nDTSTART;TZID=Europe/Berlin:20240111T170000\n"
                  "DTEND;TZID=Europe/Berlin:20240111T183000\nRRULE:FREQ=WEEKLY\n",
                  kBerlinZone),
         {.subject = "Choir",
          .start = "2024-01-11 11:00:00",
          .end = "2024-01-11 12:30:00",
          .type = RECUR_WEEKLY,
          .interval = 1,
          .days = DAY_THURSDAY,
          .seriesStart = "2024-01-11",
          .recurrence = "DTSTART:20240111T110000\r\nDTEND:20240111T123000\r\n"
                        "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=TH\r\n"}},
        {"monthly on the second Tuesday, COUNT gives the last day",
         Calendar("SUMMARY:Board meeting\nDTSTART;TZID=Europe/Berlin:20240109T140000\n"
                  "DTEND;TZID=Europe/Berlin:20240109T150000\nRRULE:FREQ=MONTHLY;BYDAY=2TU;COUNT=6\n",
                  kBerlinZone),
         {.subject = "Board meeting",
          .start = "2024-01-09 08:00:00",
          .end = "2024-01-09 09:00:00",
          .type = RECUR_MONTHLY_BY_WEEK,
          .interval = 1,
          .days = DAY_TUESDAY,
          .week = 2,
          .seriesStart = "2024-01-09",
          .seriesEnd = "2024-06-11",
          .recurrence = "DTSTART:20240109T080000\r\nDTEND:20240109T090000\r\n"
                        "RRULE:FREQ=MONTHLY;COUNT=6;BYDAY=2TU;INTERVAL=1\r\n"}},
        {"monthly by BYSETPOS",
         Calendar("SUMMARY:Jour fixe\nDTSTART:20240109T140000\nDTEND:20240109T150000\n"
                  "RRULE:FREQ=MONTHLY;BYDAY=TU;BYSETPOS=2\n"),
         {.subject = "Jour fixe",
          .start = "2024-01-09 14:00:00",
          .end = "2024-01-09 15:00:00",
          .type = RECUR_MONTHLY_BY_WEEK,
          .interval = 1,
          .days = DAY_TUESDAY,
          .week = 2,
          .seriesStart = "2024-01-09",
          .recurrence = "DTSTART:20240109T140000\r\nDTEND:20240109T150000\r\n"
                        "RRULE:FREQ=MONTHLY;BYDAY=TU;BYSETPOS=2;INTERVAL=1\r\n"}},
        {"monthly on the last Friday",
         Calendar("SUMMARY:Pay day drinks\nDTSTART:20240126T170000\nDTEND:20240126T190000\n"
                  "RRULE:FREQ=MONTHLY;BYDAY=-1FR\n"),
         {.subject = "Pay day drinks",
          .start = "2024-01-26 17:00:00",
          .end = "2024-01-26 19:00:00",
          .type = RECUR_MONTHLY_BY_WEEK,
          .interval = 1,
          .days = DAY_FRIDAY,
          .week = 5,
          .seriesStart = "2024-01-26",
          .recurrence = "DTSTART:20240126T170000\r\nDTEND:20240126T190000\r\n"
                        "RRULE:FREQ=MONTHLY;BYDAY=-1FR;INTERVAL=1\r\n"}},
        {"monthly by day of month, UTC start written as local time",
         Calendar("SUMMARY:Rent\nDTSTART:20240115T080000Z\nDTEND:20240115T090000Z\n"
                  "RRULE:FREQ=MONTHLY;BYMONTHDAY=15;INTERVAL=3\n"),
         {.subject = "Rent",
          .start = "2024-01-15 03:00:00",
          .end = "2024-01-15 04:00:00",
          .type = RECUR_MONTHLY_BY_DATE,
          .interval = 3,
          .dayOfMonth = 15,
          .seriesStart = "2024-01-15",
          .recurrence = "DTSTART:20240115T030000\r\nDTEND:20240115T040000\r\n"
                        "RRULE:FREQ=MONTHLY;INTERVAL=3;BYMONTHDAY=15\r\n"}},
        {"monthly without a day repeats on the start's day",
         Calendar("SUMMARY:Backup\nDTSTART:20240131T100000\nRRULE:FREQ=MONTHLY\n"),
         {.subject = "Backup",
          .start = "2024-01-31 10:00:00",
          .end = "2024-01-31 10:00:00",
          .type = RECUR_MONTHLY_BY_DATE,
          .interval = 1,
          .dayOfMonth = 31,
          .seriesStart = "2024-01-31",
          .recurrence = "DTSTART:20240131T100000\r\nDTEND:20240131T100000\r\n"
                        "RRULE:FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=31\r\n"}},
        {"yearly with BYMONTH and BYMONTHDAY",
         Calendar("SUMMARY:Anniversary dinner\nDTSTART;TZID=Europe/Berlin:20240309T190000\n"
                  "DTEND;TZID=Europe/Berlin:20240309T220000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=9\n",
                  kBerlinZone),
         {.subject = "Anniversary dinner",
          .start = "2024-03-09 13:00:00",
          .end = "2024-03-09 16:00:00",
          .type = RECUR_YEARLY_BY_MONTH,
          .interval = 1,
          .dayOfMonth = 9,
          .month = 3,
          .seriesStart = "2024-03-09",
          .recurrence = "DTSTART:20240309T130000\r\nDTEND:20240309T160000\r\n"
                        "RRULE:FREQ=YEARLY;BYMONTHDAY=9;BYMONTH=3;INTERVAL=1\r\n"}},
        {"yearly all-day birthday",
         Calendar("SUMMARY:Birthday Lena\nDTSTART;VALUE=DATE:19850412\nDTEND;VALUE=DATE:19850413\n"
                  "RRULE:FREQ=YEARLY\nTRANSP:TRANSPARENT\n"),
         {.subject = "Birthday Lena",
          .start = "1985-04-12",
          .end = "1985-04-13",
          .allDay = 1,
          .show = 1,
          .type = RECUR_YEARLY_BY_MONTH,
          .interval = 1,
          .month = 4,
          .seriesStart = "1985-04-12",
          .recurrence = "DTSTART;VALUE=DATE:19850412\r\nDTEND;VALUE=DATE:19850413\r\n"
                        "RRULE:FREQ=YEARLY;INTERVAL=1;BYMONTH=4\r\n"}},
        {"daily with COUNT",
         Calendar("SUMMARY:Physio\nDTSTART:20240304T140000Z\nDURATION:PT30M\nRRULE:FREQ=DAILY;COUNT=10\n"),
         {.subject = "Physio",
          .start = "2024-03-04 09:00:00",
          .end = "2024-03-04 09:30:00",
          .type = RECUR_DAILY,
          .interval = 1,
          .seriesStart = "2024-03-04",
          .seriesEnd = "2024-03-13",
          .recurrence = "DTSTART:20240304T090000\r\nDTEND:20240304T093000\r\n"
                        "RRULE:FREQ=DAILY;COUNT=10;INTERVAL=1\r\n"}},
        {"Google export",
         kGoogleExport,
         {.subject = "Team sync",
          .location = "Room 4.12",
          .note = "Weekly sync of the platform team. Agenda and notes are kept in the shared document.",
          .start = "2024-03-05 04:00:00",
          .end = "2024-03-05 05:00:00",
          .show = 2,
          .reminders = 3,
          .remindFrom = {1, 1, 1},
          .remindMinutes = {10, 1440, 0},
          .remindHow = {0, 1, 0},
          .type = RECUR_WEEKLY,
          .interval = 1,
          .days = DAY_TUESDAY,
          .seriesStart = "2024-03-05",
          .seriesEnd = "2024-06-25",
          .recurrence = "DTSTART:20240305T040000\r\nDTEND:20240305T050000\r\n"
                        "RRULE:FREQ=WEEKLY;UNTIL=20240625T080000Z;BYDAY=TU;INTERVAL=1\r\n",
          .created = "2024-02-01 04:00:00",
          .modified = "2024-07-10 06:00:00"}},
        {"Outlook export",
         kOutlookExport,
         {.subject = "Quartalszahlen",
          .location = "Board room",
          .note = "Quarterly numbers.\n",
          .start = "2024-02-06 04:00:00",
          .end = "2024-02-06 05:30:00",
          .publish = 1,
          .show = 2,
          .reminders = 1,
          .remindFrom = {1},
          .remindMinutes = {15},
          .type = RECUR_MONTHLY_BY_WEEK,
          .interval = 1,
          .days = DAY_TUESDAY,
          .week = 1,
          .seriesStart = "2024-02-06",
          .seriesEnd = "2024-05-07",
          .recurrence = "DTSTART:20240206T040000\r\nDTEND:20240206T053000\r\n"
                        "RRULE:FREQ=MONTHLY;COUNT=4;BYDAY=1TU;INTERVAL=1\r\n",
          .created = "2024-01-15 05:15:00",
          .modified = "2024-01-16 03:30:00"}},
        {"Apple export",
         kAppleExport,
         {.subject = "Konzert",
          .location = "Philharmonie\nHerbert-von-Karajan-Str. 1, 10785 Berlin",
          .start = "2024-04-20 13:30:00",
          .end = "2024-04-20 15:00:00",
          .show = 2,
          .reminders = 1,
          .remindFrom = {1},
          .remindMinutes = {60},
          .remindHow = {2},
          .created = "2024-04-02 04:15:00",
          .modified = "2024-04-02 04:15:12"}},
        {"reminders from the end, at a fixed time and of another kind",
         Calendar("SUMMARY:Exam\nDTSTART:20240601T100000\nDTEND:20240601T120000\n"
                  "BEGIN:VALARM\nACTION:EMAIL\nTRIGGER;RELATED=END:-PT15M\nEND:VALARM\n"
                  "BEGIN:VALARM\nACTION:DISPLAY\nTRIGGER;VALUE=DATE-TIME:20240601T130000Z\nEND:VALARM\n"
                  "BEGIN:VALARM\nACTION:PROCEDURE\nTRIGGER:PT5M\nEND:VALARM\n"),
         {.subject = "Exam",
          .start = "2024-06-01 10:00:00",
          .end = "2024-06-01 12:00:00",
          .reminders = 3,
          .remindFrom = {0, 1, 1},
          .remindMinutes = {15, 60, -5},
          .remindHow = {1, 0, 3}}},
        {"TZID of an unknown zone keeps its digits, with a colon quoted",
         Calendar("SUMMARY:Sprint review\nDTSTART;TZID=\"(UTC+01:00) Amsterdam, Berlin\":20240506T090000\n"
                  "DTEND;TZID=\"(UTC+01:00) Amsterdam, Berlin\":20240506T100000\nRRULE:FREQ=WEEKLY;BYDAY=MO\n"),
         {.subject = "Sprint review",
          .start = "2024-05-06 09:00:00",
          .end = "2024-05-06 10:00:00",
          .type = RECUR_WEEKLY,
          .interval = 1,
          .days = DAY_MONDAY,
          .seriesStart = "2024-05-06",
          .recurrence = "DTSTART;TZID=\"(UTC+01:00) Amsterdam, Berlin\":20240506T090000\r\n"}},
        {"zone named with the prefix of libical-based programs",
         Calendar("SUMMARY:Walk\nDTSTART;TZID=/freeassociation.sourceforge.net/Europe/Berlin:20240506T070000\n"
                  "RRULE:FREQ=DAILY\n"),
         {.subject = "Walk",
          .start = "2024-05-06 01:00:00",
          .end = "2024-05-06 01:00:00",
          .type = RECUR_DAILY,
          .interval = 1,
          .seriesStart = "2024-05-06",
          .recurrence = "DTSTART:20240506T010000\r\nDTEND:20240506T010000\r\nRRULE:FREQ=DAILY;INTERVAL=1\r\n"}},
        {"bare VEVENT, first of two",
         "BEGIN:VEVENT\nSUMMARY:First\nDTSTART:20240301T083000\nEND:VEVENT\n"
         "BEGIN:VEVENT\nSUMMARY:Second\nEND:VEVENT\n",
         {.subject = "First", .start = "2024-03-01 08:30:00", .end = "2024-03-01 08:30:00"}},
        {"series read, not its changed occurrence before it",
         "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:s1\nRECURRENCE-ID:20240108T100000\nSUMMARY:Standup (moved)\n"
         "DTSTART:20240108T110000\nEND:VEVENT\nBEGIN:VEVENT\nUID:s1\nSUMMARY:Standup\nDTSTART:20240101T100000\n"
         "RRULE:FREQ=DAILY\nEND:VEVENT\nBEGIN:VEVENT\nUID:s1\nRECURRENCE-ID:20240109T100000\n"
         "SUMMARY:Standup (later)\nDTSTART:20240109T120000\nEND:VEVENT\nEND:VCALENDAR\n",
         {.subject = "Standup",
          .start = "2024-01-01 10:00:00",
          .end = "2024-01-01 10:00:00",
          .type = RECUR_DAILY,
          .interval = 1,
          .seriesStart = "2024-01-01",
          .recurrence = "DTSTART:20240101T100000\r\n"}},
        {"changed occurrence alone is a single event",
         Calendar("UID:s1\nRECURRENCE-ID:20240108T100000\nSUMMARY:Standup (moved)\nDTSTART:20240108T110000\n"),
         {.subject = "Standup (moved)", .start = "2024-01-08 11:00:00", .end = "2024-01-08 11:00:00"}},
        {"changed occurrences without their series",
         "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:s1\nRECURRENCE-ID:20240108T100000\nSUMMARY:Moved\n"
         "DTSTART:20240108T110000\nEND:VEVENT\nBEGIN:VEVENT\nUID:s1\nRECURRENCE-ID:20240109T100000\n"
         "SUMMARY:Later\nDTSTART:20240109T120000\nEND:VEVENT\nEND:VCALENDAR\n",
         {.subject = "Moved",
          .start = "2024-01-08 11:00:00",
          .end = "2024-01-08 11:00:00",
          .problem = "2 changed occurrences without their series"}},
        {"folded BEGIN and END lines",
         "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEV\r\n ENT\r\nSUMMARY:Folded\r\nDTSTART:20240101T100000\r\n"
         "BEGIN:VAL\r\n ARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\nE\r\n ND:VEVENT\r\n"
         "END:VCALENDAR\r\n",
         {.subject = "Folded",
          .start = "2024-01-01 10:00:00",
          .end = "2024-01-01 10:00:00",
          .reminders = 1,
          .remindFrom = {1},
          .remindMinutes = {5}}},
        {"folded BEGIN line with LF and tab",
         "BEGIN:VCALENDAR\nBEGIN:VEV\n\tENT\nSUMMARY:Folded\nDTSTART:20240101T100000\nEND:VEVENT\nEND:VCALENDAR\n",
         {.subject = "Folded", .start = "2024-01-01 10:00:00", .end = "2024-01-01 10:00:00"}},
        {"unknown properties ignored",
         Calendar("SUMMARY:Lunch\nFOO:bar\nCOLOR:red\nX-CUSTOM;X-PARAM=1:value\nDTSTART:20240301T120000\n"),
         {.subject = "Lunch", .start = "2024-03-01 12:00:00", .end = "2024-03-01 12:00:00"}},
        {"missing END lines",
         "BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:Dentist\nDTSTART:20240301T083000",
         {.subject = "Dentist",
          .start = "2024-03-01 08:30:00",
          .end = "2024-03-01 08:30:00",
          .problem = "missing END:VEVENT"}},
        {"calendar ended inside the event",
         "BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:Dentist\nEND:VCALENDAR\n",
         {.subject = "Dentist", .problem = "missing END:VEVENT"}},
        {"line without colon",
         Calendar("SUMMARY Dentist\nDTSTART:20240301T083000\n"),
         {.start = "2024-03-01 08:30:00", .end = "2024-03-01 08:30:00", .problem = "SUMMARY Dentist"}},
        {"unreadable start",
         Calendar("SUMMARY:Dentist\nDTSTART:2024x301T083000\nDTEND:20240301T093000\n"),
         {.subject = "Dentist", .end = "2024-03-01 09:30:00", .problem = "DTSTART"}},
        {"start on a day that does not exist",
         Calendar("SUMMARY:Dentist\nDTSTART:20240230T083000\n"),
         {.subject = "Dentist", .problem = "bad DTSTART value"}},
        {"end in month 13",
         Calendar("SUMMARY:Dentist\nDTSTART:20240301T083000\nDTEND:20241301T093000\n"),
         {.subject = "Dentist", .start = "2024-03-01 08:30:00", .problem = "bad DTEND value"}},
        {"unreadable RRULE leaves a single event",
         Calendar("SUMMARY:Gym\nDTSTART:20240301T083000\nRRULE:FREQ=SOMETIMES;BYDAY=MO\n"),
         {.subject = "Gym", .start = "2024-03-01 08:30:00", .end = "2024-03-01 08:30:00", .problem = "RRULE"}},
        {"no VEVENT in a calendar",
         "BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:Task\nEND:VTODO\nEND:VCALENDAR\n",
         {.found = false, .problem = "no VEVENT"}},
        {"binary junk", std::string("\x01\x02\xff\xfe garbage\0BEGIN", 18), {.found = false, .problem = "no VEVENT"}},
        {"empty text", "", {.found = false, .problem = "no VEVENT"}},
    };
}

class CalendarItemsTest : public ::testing::Test
{
protected:
    ScopedTz m_zone{kLocalZone};
};

// The driver owns the helper fields (the item's file and folder, its identity); marked before the
// read, they must come out as they went in, neither written nor cleared.
// The problem a read reports: containing the expected text, or none at all when none is expected.
void ExpectProblem(const std::string& problem, const char* expected)
{
    if (expected)
        EXPECT_NE(problem.find(expected), std::string::npos) << problem;
    else
        EXPECT_EQ(problem, "");
}

template <typename Record>
void MarkHeadValues(Record& record)
{
    record.nHeadValue1 = 0x1111;
    record.ActionCode = 3;
    record.nHeadValue3 = 0x3333;
}

template <typename Record>
void ExpectHeadValuesKept(const Record& record)
{
    EXPECT_EQ(record.nHeadValue1, 0x1111);
    EXPECT_EQ(record.ActionCode, 3);
    EXPECT_EQ(record.nHeadValue3, 0x3333);
}

TEST_F(CalendarItemsTest, ReadsEvents)
{
    for (const EventCase& c : EventCases()) {
        SCOPED_TRACE(c.name);
        auto record = std::make_unique<GDateRecord>();
        MarkHeadValues(*record);
        CopyText(record->szHelperTextA, "work");
        CopyText(record->szHelperTextB, "event.ics");
        CopyText(record->szHelperTextC, "helper text C");
        std::string problem = "left from before";
        EXPECT_EQ(ReadEventItem(c.text, *record, problem), c.expect.found);
        ExpectProblem(problem, c.expect.problem);
        ExpectEvent(*record, c.expect);
        ExpectAppReadsTheSame(*record);
        ExpectHeadValuesKept(*record);
        EXPECT_STREQ(record->szHelperTextA, "work");
        EXPECT_STREQ(record->szHelperTextB, "event.ics");
        EXPECT_STREQ(record->szHelperTextC, "helper text C");
    }
}

// The app's reader takes rule parts from anywhere after the rule: a line after it (here the EXDATE
// of a zone named like a rule part) must not lend a monthly event a day it does not have.
TEST_F(CalendarItemsTest, LeavesOutLinesTheAppWouldMisread)
{
    auto record = std::make_unique<GDateRecord>();
    std::string problem;
    ASSERT_TRUE(ReadEventItem(Calendar("SUMMARY:Board\nDTSTART:20240109T140000\nRRULE:FREQ=MONTHLY;BYDAY=2TU\n"
                                       "EXDATE;TZID=BYMONTHDAY=5:20240213T140000\nEXDATE:20240312T140000\n"),
                              *record, problem));
    EXPECT_EQ(problem, "");
    EXPECT_STREQ(record->szRecurrence, "DTSTART:20240109T140000\r\nDTEND:20240109T140000\r\n"
                                       "RRULE:FREQ=MONTHLY;BYDAY=2TU;INTERVAL=1\r\nEXDATE:20240312T140000\r\n");
    EXPECT_EQ(record->nRecurrenceType, RECUR_MONTHLY_BY_WEEK);
    ExpectAppReadsTheSame(*record);
}

// A zone of its own making, under a name no database knows: three hours east of UTC, four from the
// last Sunday of April to the last Sunday of September.
const std::string kHarbourZone = "BEGIN:VTIMEZONE\n"
                                 "TZID:Harbour Time\n"
                                 "BEGIN:DAYLIGHT\n"
                                 "TZOFFSETFROM:+0300\n"
                                 "TZOFFSETTO:+0400\n"
                                 "DTSTART:19700426T020000\n"
                                 "RRULE:FREQ=YEARLY;BYMONTH=4;BYDAY=-1SU\n"
                                 "END:DAYLIGHT\n"
                                 "BEGIN:STANDARD\n"
                                 "TZOFFSETFROM:+0400\n"
                                 "TZOFFSETTO:+0300\n"
                                 "DTSTART:19700927T030000\n"
                                 "RRULE:FREQ=YEARLY;BYMONTH=9;BYDAY=-1SU\n"
                                 "END:STANDARD\n"
                                 "END:VTIMEZONE\n";

// What an event of a zone case reads as under one local zone.
struct LocalRead
{
    const char* start;
    const char* end;
    const char* recurrence; // szRecurrence, whole
};

// One weekly series, the same meeting in every form a time can take: it starts on Monday 1 July
// 2024 at 16:00 UTC, ends an hour later, leaves out (EXDATE) the meeting a week on and moves the one
// two weeks on (a changed occurrence with its RECURRENCE-ID). Each value is given in the case's form.
struct ZoneCase
{
    const char* name;
    std::string parameter; // what follows each property's name, up to its colon
    const char* start;
    const char* end;
    const char* excluded;
    const char* changed;
    std::string zones;  // the calendar's VTIMEZONE blocks
    LocalRead inBerlin; // read under TZ=Europe/Berlin
    LocalRead inTokyo;  // read under TZ=Asia/Tokyo
    bool allDay = false;
    const char* note = nullptr; // what CalendarText::Notes says beyond nothing
};

std::string SeriesText(const ZoneCase& c)
{
    const std::string& p = c.parameter;
    return "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Test//EN\n" + c.zones +
           "BEGIN:VEVENT\nUID:sync\nSUMMARY:Sync\nDTSTART" + p + ":" + c.start + "\nDTEND" + p + ":" + c.end +
           "\nRRULE:FREQ=WEEKLY\nEXDATE" + p + ":" + c.excluded +
           "\nEND:VEVENT\nBEGIN:VEVENT\nUID:sync\nSUMMARY:Sync (moved)\nRECURRENCE-ID" + p + ":" + c.changed +
           "\nDTSTART" + p + ":" + c.changed + "\nEND:VEVENT\nEND:VCALENDAR\n";
}

// 16:00 UTC is 18:00 in Berlin (summer time) and 01:00 the next day in Tokyo: a Tuesday, and the
// rule's day follows the start.
constexpr LocalRead kInstantInBerlin = {"2024-07-01 18:00:00", "2024-07-01 19:00:00",
                                        "DTSTART:20240701T180000\r\nDTEND:20240701T190000\r\n"
                                        "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO\r\nEXDATE:20240708T180000\r\n"
                                        "RECURRENCE-ID:20240715T180000\r\n"};
constexpr LocalRead kInstantInTokyo = {"2024-07-02 01:00:00", "2024-07-02 02:00:00",
                                       "DTSTART:20240702T010000\r\nDTEND:20240702T020000\r\n"
                                       "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=TU\r\nEXDATE:20240709T010000\r\n"
                                       "RECURRENCE-ID:20240716T010000\r\n"};
constexpr LocalRead kNoonAsWritten = {"2024-07-01 12:00:00", "2024-07-01 13:00:00",
                                      "DTSTART:20240701T120000\r\nDTEND:20240701T130000\r\n"
                                      "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO\r\nEXDATE:20240708T120000\r\n"
                                      "RECURRENCE-ID:20240715T120000\r\n"};
constexpr LocalRead kNoonOfMars = {"2024-07-01 12:00:00", "2024-07-01 13:00:00",
                                   "DTSTART;TZID=Mars/Olympus:20240701T120000\r\n"
                                   "DTEND;TZID=Mars/Olympus:20240701T130000\r\n"
                                   "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO\r\n"
                                   "EXDATE;TZID=Mars/Olympus:20240708T120000\r\n"
                                   "RECURRENCE-ID;TZID=Mars/Olympus:20240715T120000\r\n"};
constexpr LocalRead kTheDay = {"2024-07-01", "2024-07-02",
                               "DTSTART;VALUE=DATE:20240701\r\nDTEND;VALUE=DATE:20240702\r\n"
                               "RRULE:FREQ=WEEKLY;INTERVAL=1;BYDAY=MO\r\nEXDATE;VALUE=DATE:20240708\r\n"
                               "RECURRENCE-ID;VALUE=DATE:20240715\r\n"};

std::vector<ZoneCase> ZoneCases()
{
    return {
        {"UTC", "", "20240701T160000Z", "20240701T170000Z", "20240708T160000Z", "20240715T160000Z", "",
         kInstantInBerlin, kInstantInTokyo},
        {"zone database name", ";TZID=America/New_York", "20240701T120000", "20240701T130000", "20240708T120000",
         "20240715T120000", "", kInstantInBerlin, kInstantInTokyo},
        {"zone database name behind a vendor's path", ";TZID=/mozilla.org/20050126_1/America/New_York",
         "20240701T120000", "20240701T130000", "20240708T120000", "20240715T120000", "", kInstantInBerlin,
         kInstantInTokyo},
        {"Windows zone name without a block", ";TZID=\"W. Europe Standard Time\"", "20240701T180000", "20240701T190000",
         "20240708T180000", "20240715T180000", "", kInstantInBerlin, kInstantInTokyo},
        {"the calendar's own VTIMEZONE", ";TZID=Harbour Time", "20240701T200000", "20240701T210000", "20240708T200000",
         "20240715T200000", kHarbourZone, kInstantInBerlin, kInstantInTokyo},
        {"unknown zone", ";TZID=Mars/Olympus", "20240701T120000", "20240701T130000", "20240708T120000",
         "20240715T120000", "", kNoonOfMars, kNoonOfMars, false,
         "time zone \"Mars/Olympus\" is unknown, its times are read as written"},
        {"floating", "", "20240701T120000", "20240701T130000", "20240708T120000", "20240715T120000", "", kNoonAsWritten,
         kNoonAsWritten},
        {"all-day", ";VALUE=DATE", "20240701", "20240702", "20240708", "20240715", "", kTheDay, kTheDay, true},
        {"all-day with a TZID it should not carry", ";VALUE=DATE;TZID=America/New_York", "20240701", "20240702",
         "20240708", "20240715", "", kTheDay, kTheDay, true},
    };
}

// Every form of one instant reads as the same local time, under either local zone; the forms
// without an instant (floating, a date, a zone nobody knows) keep their digits under both. The
// start and end the app reads back from szRecurrence are the fields'.
TEST(CalendarZonesTest, EveryFormOfAnInstantReadsAsTheSameLocalTime)
{
    for (const char* local : {"Europe/Berlin", "Asia/Tokyo"}) {
        const ScopedTz zone(local);
        for (const ZoneCase& c : ZoneCases()) {
            SCOPED_TRACE(std::string(local) + ": " + c.name);
            const LocalRead& expect = std::string(local) == "Europe/Berlin" ? c.inBerlin : c.inTokyo;
            const CalendarText text(SeriesText(c));
            auto record = std::make_unique<GDateRecord>();
            std::string problem;
            ASSERT_TRUE(text.ReadEvent(*record, problem));
            EXPECT_EQ(problem, "");
            EXPECT_STREQ(record->szSubject, "Sync");
            EXPECT_EQ(record->dtStart, When(expect.start));
            EXPECT_EQ(record->dtEnd, When(expect.end));
            EXPECT_EQ(record->nAllDayEvent, c.allDay ? 1 : 0);
            EXPECT_EQ(record->nRecurrenceType, RECUR_WEEKLY);
            EXPECT_STREQ(record->szRecurrence, expect.recurrence);
            ExpectAppReadsTheSame(*record);
            EXPECT_EQ(text.Notes("VEVENT"), c.note ? std::vector<std::string>{c.note} : std::vector<std::string>{});
        }
    }
}

// A time the clocks skip takes the offset from before the change; a time they pass twice is the first
// of the two (RFC 5545, 3.3.5). Read under UTC, the local time is the instant.
TEST(CalendarZonesTest, SkippedAndRepeatedTimesAreReadAsRfc5545Says)
{
    const ScopedTz zone("UTC0");
    const std::pair<const char*, const char*> cases[] = {
        {"TZID=America/New_York:20240310T013000", "2024-03-10 06:30:00"},
        {"TZID=America/New_York:20240310T023000", "2024-03-10 07:30:00"}, // skipped: 03:30 daylight time
        {"TZID=America/New_York:20240310T033000", "2024-03-10 07:30:00"},
        {"TZID=America/New_York:20241103T003000", "2024-11-03 04:30:00"},
        {"TZID=America/New_York:20241103T013000", "2024-11-03 05:30:00"}, // twice: the daylight one
        {"TZID=America/New_York:20241103T023000", "2024-11-03 07:30:00"},
        {"TZID=Europe/Berlin:20240331T023000", "2024-03-31 01:30:00"}, // skipped
        {"TZID=Europe/Berlin:20241027T023000", "2024-10-27 00:30:00"}, // twice
        {"TZID=Harbour Time:20240428T023000", "2024-04-27 23:30:00"},  // skipped, in the file's own zone
    };
    for (const auto& [value, utc] : cases) {
        SCOPED_TRACE(value);
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        ASSERT_TRUE(ReadEventItem(Calendar(std::string("DTSTART;") + value + "\n", kHarbourZone), *record, problem));
        EXPECT_EQ(problem, "");
        EXPECT_EQ(record->dtStart, When(utc));
    }
}

// Decided in IcalZone.h: a name the zone database knows goes by the database, whatever block the file
// gives it (blocks mostly hold only the rules of the year they were written); only a name it does
// not know goes by its block.
TEST(CalendarZonesTest, AZoneTheDatabaseKnowsGoesByTheDatabase)
{
    const ScopedTz zone("UTC0");
    std::string wrong = kHarbourZone;
    wrong.replace(wrong.find("TZID:Harbour Time"), 17, "TZID:America/New_York");
    auto record = std::make_unique<GDateRecord>();
    std::string problem;
    ASSERT_TRUE(ReadEventItem(Calendar("DTSTART;TZID=America/New_York:20240701T120000\n", wrong), *record, problem));
    EXPECT_EQ(record->dtStart, When("2024-07-01 16:00:00"));
    // Before 2007 New York changed to summer time in April; a block written since says March.
    std::string since2007 = "BEGIN:VTIMEZONE\nTZID:America/New_York\nBEGIN:DAYLIGHT\nTZOFFSETFROM:-0500\n"
                            "TZOFFSETTO:-0400\nDTSTART:20070311T020000\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\n"
                            "END:DAYLIGHT\nBEGIN:STANDARD\nTZOFFSETFROM:-0400\nTZOFFSETTO:-0500\n"
                            "DTSTART:20071104T020000\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\nEND:STANDARD\n"
                            "END:VTIMEZONE\n";
    ASSERT_TRUE(
        ReadEventItem(Calendar("DTSTART;TZID=America/New_York:20050320T120000\n", since2007), *record, problem));
    EXPECT_EQ(record->dtStart, When("2005-03-20 17:00:00"));
    // A Windows name goes by the database zone ICU's table gives it, whatever the block says.
    wrong.replace(wrong.find("TZID:America/New_York"), 21, "TZID:W. Europe Standard Time");
    ASSERT_TRUE(
        ReadEventItem(Calendar("DTSTART;TZID=W. Europe Standard Time:20240701T120000\n", wrong), *record, problem));
    EXPECT_EQ(record->dtStart, When("2024-07-01 10:00:00"));
}

// Zones made from blocks are kept from file to file by the block's text, never by its name alone:
// two files may give one made-up name different rules, and each is read by its own.
TEST(CalendarZonesTest, BlocksOfOneNameAreReadEachByItsOwnRules)
{
    const ScopedTz zone("UTC0");
    std::string other = kHarbourZone;
    other.replace(other.find("TZOFFSETTO:+0400"), 16, "TZOFFSETTO:+0500");
    other.replace(other.find("TZOFFSETFROM:+0400"), 18, "TZOFFSETFROM:+0500");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (const auto& [block, utc] :
             {std::pair{kHarbourZone, "2024-07-01 08:00:00"}, {other, "2024-07-01 07:00:00"}}) {
            auto record = std::make_unique<GDateRecord>();
            std::string problem;
            ASSERT_TRUE(
                ReadEventItem(Calendar("DTSTART;TZID=Harbour Time:20240701T120000\n", block), *record, problem));
            EXPECT_EQ(record->dtStart, When(utc));
        }
    }
}

// A block with rules no zone has would make libical expand a change for every second (or every
// Sunday) of fifty years; one without any observance would read as UTC. Neither is used: the zone is
// unknown. A TZID that is
// a path must not reach the zone files' folder either.
TEST(CalendarZonesTest, ZonesNoOneCouldHaveAreUnknown)
{
    const ScopedTz zone("UTC0");
    std::string spinning = kHarbourZone;
    spinning.replace(spinning.find("TZID:Harbour Time"), 17, "TZID:Spin");
    spinning.replace(spinning.find("FREQ=YEARLY;BYMONTH=4;BYDAY=-1SU"), 32, "FREQ=SECONDLY");
    std::string sundays = kHarbourZone;
    sundays.replace(sundays.find("TZID:Harbour Time"), 17, "TZID:Sundays");
    sundays.replace(sundays.find("FREQ=YEARLY;BYMONTH=4;BYDAY=-1SU"), 32, "FREQ=YEARLY;BYDAY=SU");
    const std::string empty = "BEGIN:VTIMEZONE\nTZID:Empty\nEND:VTIMEZONE\n";
    for (const char* tzid : {"Spin", "Sundays", "Empty", "../../../../../../etc/passwd", "/etc/localtime"}) {
        SCOPED_TRACE(tzid);
        const std::clock_t before = std::clock();
        const CalendarText text(
            Calendar(std::string("DTSTART;TZID=\"") + tzid + "\":20240701T120000\n", spinning + sundays + empty));
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        ASSERT_TRUE(text.ReadEvent(*record, problem));
        EXPECT_LT(static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC, 0.5);
        EXPECT_EQ(record->dtStart, When("2024-07-01 12:00:00"));
        EXPECT_EQ(text.Notes("VEVENT"), std::vector<std::string>{std::string("time zone \"") + tzid +
                                                                 "\" is unknown, its times are read as written"});
    }
}

// A task's due time is made local like an event's times; each unknown zone is named once, and only
// by the kind whose items use it.
TEST(CalendarZonesTest, TasksAndNotesOfZones)
{
    const ScopedTz zone("UTC0");
    const CalendarText text("BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:Report\nDUE;TZID=Europe/Berlin:20240315T170000\n"
                            "END:VTODO\nBEGIN:VTODO\nDTSTART;TZID=Nowhere:20240315T090000\nDUE;TZID=Nowhere:20240316T"
                            "090000\nEND:VTODO\nBEGIN:VEVENT\nDTSTART;TZID=Elsewhere:20240315T090000\nEND:VEVENT\n"
                            "END:VCALENDAR\n");
    auto task = std::make_unique<GTaskRecord>();
    std::string problem;
    ASSERT_TRUE(text.ReadTask(*task, problem));
    EXPECT_EQ(task->dtDue, When("2024-03-15 16:00:00"));
    EXPECT_EQ(text.Notes("VTODO"),
              std::vector<std::string>{"time zone \"Nowhere\" is unknown, its times are read as written"});
    EXPECT_EQ(text.Notes("VEVENT"),
              std::vector<std::string>{"time zone \"Elsewhere\" is unknown, its times are read as written"});
    EXPECT_EQ(text.Notes("VJOURNAL"), std::vector<std::string>{});
}

struct SeriesEndCase
{
    const char* rule;
    const char* end; // null: no end
    const char* start = "20240101T100000";
};

// libical's iterator searches a rule that never or seldom occurs up to the year 2582, seconds to
// minutes per event; the series end is walked within a horizon instead. The bound is CPU time, far
// above what a read takes even under the sanitizers, so that a busy machine cannot fail it.
TEST_F(CalendarItemsTest, SeriesEndIsFoundQuicklyOrNotAtAll)
{
    constexpr double kMaxSeconds = 0.5;
    const SeriesEndCase cases[] = {
        // Never occur: the 30th of February, a first Monday on the 31st.
        {"FREQ=SECONDLY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=MINUTELY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=HOURLY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=DAILY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=WEEKLY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=MONTHLY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=YEARLY;COUNT=10;BYMONTH=2;BYMONTHDAY=30", nullptr},
        {"FREQ=MONTHLY;COUNT=10;BYMONTHDAY=31;BYDAY=1MO", nullptr},
        // Finer than a day: no record type, so no end either.
        {"FREQ=HOURLY;COUNT=10", nullptr},
        // Times of the day make several occurrences a day; not followed.
        {"FREQ=DAILY;COUNT=10;BYHOUR=9,17", nullptr},
        // The horizon: 200 years after the start.
        {"FREQ=YEARLY;COUNT=201", "2224-01-01"},
        {"FREQ=YEARLY;COUNT=202", nullptr},
        // Day parts as the walk reads them: limits, weeks from WKST, days from the month's end, positions.
        {"FREQ=DAILY;COUNT=30;BYDAY=MO,TU,WE,TH,FR", "2024-02-09"},
        {"FREQ=DAILY;COUNT=7;BYMONTHDAY=1,-1", "2024-04-01"},
        {"FREQ=WEEKLY;COUNT=3;INTERVAL=2;BYDAY=MO,SU", "2024-01-21", "20240103T100000"},
        {"FREQ=WEEKLY;COUNT=3;INTERVAL=2;BYDAY=MO,SU;WKST=SU", "2024-01-28", "20240103T100000"},
        {"FREQ=MONTHLY;COUNT=14;BYMONTHDAY=-1", "2025-02-28"},
        {"FREQ=MONTHLY;COUNT=12;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", "2024-12-31"},
        {"FREQ=MONTHLY;COUNT=10;BYDAY=FR;BYMONTHDAY=13", "2029-07-13"},
        {"FREQ=MONTHLY;COUNT=20;BYMONTHDAY=31;BYDAY=MO", "2043-08-31"},
        {"FREQ=YEARLY;COUNT=9;BYMONTH=2;BYMONTHDAY=29", "2056-02-29"},
        {"FREQ=YEARLY;COUNT=6;BYDAY=20MO", "2029-05-14"},
    };
    for (const SeriesEndCase& c : cases) {
        SCOPED_TRACE(c.rule);
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        const std::clock_t before = std::clock();
        ASSERT_TRUE(
            ReadEventItem(Calendar(std::string("DTSTART:") + c.start + "\nRRULE:" + c.rule + "\n"), *record, problem));
        EXPECT_LT(static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC, kMaxSeconds);
        EXPECT_EQ(problem, "");
        EXPECT_EQ(record->dtRecurrenceEnd, When(c.end));
    }
}

TEST_F(CalendarItemsTest, CutsLongTextsOnACharacterBoundary)
{
    // Each multi-byte character straddles its field's last byte, so the cut must drop it whole.
    const std::string subject = std::string(254, 'a') + "\xC3\xA9" + "tail";          // 256 bytes
    const std::string location = std::string(253, 'b') + "\xE2\x82\xAC";              // 256 bytes
    const std::string note = std::string(10237, 'c') + "\xF0\x9F\x98\x80" + "more";   // 10241 bytes
    const std::string category = std::string(200, 'd') + "," + std::string(100, 'e'); // two categories
    auto record = std::make_unique<GDateRecord>();
    std::string problem;
    ASSERT_TRUE(ReadEventItem(Calendar("SUMMARY:" + subject + "\nLOCATION:" + location + "\nDESCRIPTION:" + note +
                                       "\nCATEGORIES:" + category + "\nDTSTART:20240301T083000\n"),
                              *record, problem));
    EXPECT_EQ(record->szSubject, std::string(254, 'a'));
    EXPECT_EQ(record->szLocation, std::string(253, 'b'));
    EXPECT_EQ(record->szNote, std::string(10237, 'c'));
    EXPECT_EQ(record->szCategory, category.substr(0, 255));

    auto task = std::make_unique<GTaskRecord>();
    ASSERT_TRUE(
        ReadTaskItem("BEGIN:VTODO\nSUMMARY:" + std::string(258, 't') + "\xC3\xA9\nEND:VTODO\n", *task, problem));
    EXPECT_EQ(task->szSubject, std::string(258, 't'));
    auto note2 = std::make_unique<GNoteRecord>();
    ASSERT_TRUE(ReadNoteItem("BEGIN:VJOURNAL\nDESCRIPTION:" + std::string(10242, 'n') + "\xC3\xA9\nEND:VJOURNAL\n",
                             *note2, problem));
    EXPECT_EQ(note2->szNote, std::string(10242, 'n'));
}

const char* const kWindows1252Note = "text that is not UTF-8 and names no character set was read as Windows-1252";

// iCalendar is UTF-8 by definition, yet exports in the Windows code page occur: a line that is no
// UTF-8 is read as Windows-1252 (é, ü and the euro sign at 0x80), in the texts, the zone names and
// every kind, and the reader says so once for the file. A line is judged unfolded, so a UTF-8
// character split by a fold is no such line, and UTF-8 lines beside Windows-1252 ones stay as they
// are.
TEST_F(CalendarItemsTest, ReadsTextThatIsNoUtf8AsWindows1252)
{
    const std::string latin = "Caf\xE9 M\xFCller \x80";
    const std::string utf8 = "Caf\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC";
    const std::string latinStreet = "Stra\xDF"
                                    "e";
    const std::string utf8Street = "Stra\xC3\x9F"
                                   "e";
    const std::string start = "DTSTART:20240109T140000\n";
    struct Case
    {
        const char* name;
        std::string text;
        std::string subject;
        std::string location;
        bool guessed;
    };
    const Case cases[] = {
        {"Windows-1252", Calendar("SUMMARY:" + latin + "\nLOCATION:" + latinStreet + "\n" + start), utf8, utf8Street,
         true},
        {"Windows-1252 folded", WithCrLf(Calendar("SUMMARY:Caf\xE9 M\n \xFCller \x80\n" + start)), utf8, "", true},
        {"UTF-8 untouched", Calendar("SUMMARY:" + utf8 + "\nLOCATION:" + utf8Street + "\n" + start), utf8, utf8Street,
         false},
        {"UTF-8 folded inside a character",
         WithCrLf(Calendar("SUMMARY:Caf\xC3\n \xA9 M\xC3\xBC\n ller \xE2\x82\n \xAC\n" + start)), utf8, "", false},
        {"UTF-8 and Windows-1252 lines in one file",
         Calendar("SUMMARY:" + utf8 + "\nLOCATION:" + latinStreet + "\n" + start), utf8, utf8Street, true},
        {"a byte order mark is no text", "\xEF\xBB\xBF" + Calendar("SUMMARY:" + utf8 + "\n" + start), utf8, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CalendarText text(c.text);
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        ASSERT_TRUE(text.ReadEvent(*record, problem));
        EXPECT_EQ(problem, "");
        EXPECT_EQ(record->szSubject, c.subject);
        EXPECT_EQ(record->szLocation, c.location);
        EXPECT_EQ(record->dtStart, When("2024-01-09 14:00:00"));
        EXPECT_EQ(text.Notes("VEVENT"),
                  c.guessed ? std::vector<std::string>{kWindows1252Note} : std::vector<std::string>{});
    }

    // A zone's name in Windows-1252 is read as the times' own TZID is: the zone is found by it.
    auto record = std::make_unique<GDateRecord>();
    std::string problem;
    std::string zone = kBerlinZone;
    zone.replace(zone.find("TZID:Europe/Berlin"), 18, "TZID:Mitteleurop\xE4ische Zeit");
    ASSERT_TRUE(ReadEventItem(
        Calendar("SUMMARY:Sitzung\nDTSTART;TZID=Mitteleurop\xE4ische Zeit:20240109T140000\n", zone), *record, problem));
    EXPECT_EQ(problem, "");
    EXPECT_EQ(record->dtStart, When("2024-01-09 08:00:00"));

    auto task = std::make_unique<GTaskRecord>();
    const CalendarText taskText("BEGIN:VTODO\nSUMMARY:T\xE4sk\nDESCRIPTION:\x80\nEND:VTODO\n");
    ASSERT_TRUE(taskText.ReadTask(*task, problem));
    EXPECT_EQ(task->szSubject, std::string("T\xC3\xA4sk"));
    EXPECT_EQ(task->szNote, std::string("\xE2\x82\xAC"));
    EXPECT_EQ(taskText.Notes("VTODO"), std::vector<std::string>{kWindows1252Note});
    auto note = std::make_unique<GNoteRecord>();
    ASSERT_TRUE(ReadNoteItem("BEGIN:VJOURNAL\nSUMMARY:N\xF6te\nDESCRIPTION:a\xE9\nEND:VJOURNAL\n", *note, problem));
    EXPECT_EQ(note->szSubject, std::string("N\xC3\xB6te"));
    EXPECT_EQ(note->szNote, std::string("a\xC3\xA9"));
}

// CR LF, LF, CR and CR CR LF (a CR LF written through a text-mode stream on Windows) all end a line
// alike: a folded SUMMARY comes out whole, a folded BEGIN line still opens its component.
TEST_F(CalendarItemsTest, UnfoldsLinesWhateverTheirEnding)
{
    const std::string text =
        "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEV\n ENT\nSUMMARY:Quarterly plan\n ning with the\n"
        "\t whole team\nLOCATION:Room 4.12\nDTSTART:20240109T140000\nRRULE:FREQ=WEEKLY;BY\n DAY=TU\n"
        "END:VEVENT\nEND:VCALENDAR\n";
    const std::pair<const char*, const char*> endings[] = {
        {"\r\n", "CRLF"}, {"\n", "LF"}, {"\r", "CR"}, {"\r\r\n", "CR CR LF"}};
    for (const auto& [ending, name] : endings) {
        SCOPED_TRACE(name);
        std::string withEnding;
        for (char c : text)
            withEnding += c == '\n' ? std::string(ending) : std::string(1, c);
        const CalendarText calendar(withEnding);
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        ASSERT_TRUE(calendar.ReadEvent(*record, problem));
        EXPECT_EQ(problem, "");
        EXPECT_STREQ(record->szSubject, "Quarterly planning with the whole team");
        EXPECT_STREQ(record->szLocation, "Room 4.12");
        EXPECT_EQ(record->dtStart, When("2024-01-09 14:00:00"));
        EXPECT_EQ(record->nRecurDayOfWeek, DAY_TUESDAY);
        EXPECT_EQ(calendar.Count("VEVENT"), 1u);
        EXPECT_EQ(calendar.Notes("VEVENT"), std::vector<std::string>{});
    }
}

struct TaskCase
{
    const char* name;
    std::string text;
    bool found = true;
    const char* subject = "";
    const char* note = "";
    const char* due = nullptr;
    int32_t priority = 0;
    int32_t completed = 0;
    const char* created = nullptr;
    const char* modified = nullptr;
    const char* problem = nullptr;
};

std::string Todo(const std::string& lines)
{
    return "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VTODO\n" + lines + "END:VTODO\nEND:VCALENDAR\n";
}

TEST_F(CalendarItemsTest, ReadsTasks)
{
    const TaskCase cases[] = {
        {"open task due on a day",
         Todo("SUMMARY:File taxes\nDESCRIPTION:Forms in the blue folder\nDUE;VALUE=DATE:20240320\nPRIORITY:1\n"
              "STATUS:NEEDS-ACTION\nCREATED:20240101T120000Z\nLAST-MODIFIED:20240102T120000Z\n"),
         true, "File taxes", "Forms in the blue folder", "2024-03-20", 1, 0, "2024-01-01 07:00:00",
         "2024-01-02 07:00:00"},
        {"completed by status, due at a UTC time",
         Todo("SUMMARY:Book flights\nDUE:20240315T170000Z\nPRIORITY:9\n"
              "STATUS:COMPLETED\n"),
         true, "Book flights", "", "2024-03-15 13:00:00", 9, 1},
        {"completed by its completion time", Todo("SUMMARY:Renew passport\nCOMPLETED:20240310T100000Z\n"), true,
         "Renew passport", "", nullptr, 0, 1},
        {"bad due date", Todo("SUMMARY:Call bank\nDUE:20241301\n"), true, "Call bank", "", nullptr, 0, 0, nullptr,
         nullptr, "bad DUE value"},
        {"missing END lines", "BEGIN:VCALENDAR\nBEGIN:VTODO\nSUMMARY:Water plants\n", true, "Water plants", "", nullptr,
         0, 0, nullptr, nullptr, "missing END:VTODO"},
        {"repeating task read, not its changed occurrence before it",
         "BEGIN:VCALENDAR\nBEGIN:VTODO\nUID:t1\nRECURRENCE-ID;VALUE=DATE:20240308\nSUMMARY:Water plants (late)\n"
         "DUE;VALUE=DATE:20240309\nEND:VTODO\nBEGIN:VTODO\nUID:t1\nSUMMARY:Water plants\nDUE;VALUE=DATE:20240301\n"
         "RRULE:FREQ=WEEKLY\nEND:VTODO\nEND:VCALENDAR\n",
         true, "Water plants", "", "2024-03-01"},
        {"no VTODO", Calendar("SUMMARY:Event\n"), false, "", "", nullptr, 0, 0, nullptr, nullptr, "no VTODO"},
    };
    for (const TaskCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto record = std::make_unique<GTaskRecord>();
        MarkHeadValues(*record);
        std::string problem;
        EXPECT_EQ(ReadTaskItem(c.text, *record, problem), c.found);
        ExpectHeadValuesKept(*record);
        ExpectProblem(problem, c.problem);
        EXPECT_STREQ(record->szSubject, c.subject);
        EXPECT_STREQ(record->szNote, c.note);
        EXPECT_EQ(record->dtDue, When(c.due));
        EXPECT_EQ(record->nPriority, c.priority);
        EXPECT_EQ(record->nCompleted, c.completed);
        EXPECT_EQ(record->dtCreated, When(c.created));
        EXPECT_EQ(record->dtModified, When(c.modified));
    }
}

struct NoteCase
{
    const char* name;
    std::string text;
    bool found = true;
    const char* subject = "";
    const char* note = "";
    const char* created = nullptr;
    const char* modified = nullptr;
    const char* problem = nullptr;
};

TEST_F(CalendarItemsTest, ReadsNotes)
{
    const NoteCase cases[] = {
        {"descriptions become paragraphs",
         "BEGIN:VCALENDAR\nMETHOD:PUBLISH\nBEGIN:VJOURNAL\nSUMMARY:Trip ideas\nDESCRIPTION:Lisbon in May\n"
         "DESCRIPTION:Porto by train\nCREATED:20240105T090000Z\nLAST-MODIFIED:20240106T090000Z\n"
         "DTSTAMP:20240801T000000Z\nEND:VJOURNAL\nEND:VCALENDAR\n",
         true, "Trip ideas", "Lisbon in May\n\nPorto by train", "2024-01-05 04:00:00", "2024-01-06 04:00:00"},
        {"DTSTAMP stands in without METHOD",
         "BEGIN:VCALENDAR\nBEGIN:VJOURNAL\nSUMMARY:Wifi\nDESCRIPTION:Guest password on the fridge\n"
         "DTSTAMP:20240705T160000Z\nEND:VJOURNAL\nEND:VCALENDAR\n",
         true, "Wifi", "Guest password on the fridge", nullptr, "2024-07-05 12:00:00"},
        {"missing END lines", "BEGIN:VJOURNAL\nSUMMARY:Draft\n", true, "Draft", "", nullptr, nullptr,
         "missing END:VJOURNAL"},
        {"no VJOURNAL", Todo("SUMMARY:Task\n"), false, "", "", nullptr, nullptr, "no VJOURNAL"},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto record = std::make_unique<GNoteRecord>();
        MarkHeadValues(*record);
        std::string problem;
        EXPECT_EQ(ReadNoteItem(c.text, *record, problem), c.found);
        ExpectHeadValuesKept(*record);
        ExpectProblem(problem, c.problem);
        EXPECT_STREQ(record->szSubject, c.subject);
        EXPECT_STREQ(record->szNote, c.note);
        EXPECT_EQ(record->dtCreated, When(c.created));
        EXPECT_EQ(record->dtModified, When(c.modified));
    }
}

struct CountCase
{
    const char* name;
    std::string text;
    const char* component;
    size_t count;
};

TEST_F(CalendarItemsTest, CountsTheItemsOfAFile)
{
    const std::string series = "BEGIN:VEVENT\nUID:s1\nRECURRENCE-ID:20240108T100000\nDTSTART:20240108T110000\n"
                               "END:VEVENT\nBEGIN:VEVENT\nUID:s1\nDTSTART:20240101T100000\nRRULE:FREQ=DAILY\n"
                               "END:VEVENT\nBEGIN:VEVENT\nUID:s1\nRECURRENCE-ID:20240109T100000\n"
                               "DTSTART:20240109T120000\nEND:VEVENT\n";
    const std::string other = "BEGIN:VEVENT\nUID:other\nDTSTART:20240102T100000\nEND:VEVENT\n";
    const std::string noUid = "BEGIN:VEVENT\nSUMMARY:No UID\nDTSTART:20240103T100000\nEND:VEVENT\n";
    const std::string todo = "BEGIN:VTODO\nUID:t1\nSUMMARY:Task\nEND:VTODO\n";
    const std::string journal = "BEGIN:VJOURNAL\nUID:n1\nSUMMARY:Note\nEND:VJOURNAL\n";
    auto calendar = [](const std::string& items) {
        return "BEGIN:VCALENDAR\nVERSION:2.0\n" + items + "END:VCALENDAR\n";
    };
    const CountCase cases[] = {
        {"one event", Calendar("UID:a\nSUMMARY:One\n"), "VEVENT", 1},
        {"export of three events", calendar(other + noUid + Calendar("UID:a\n")), "VEVENT", 3},
        {"series with its changed occurrences", calendar(series), "VEVENT", 1},
        {"series and another event", calendar(series + other), "VEVENT", 2},
        {"events without UID count alone", calendar(noUid + noUid), "VEVENT", 2},
        // Invalid, but met among duplicates: two copies that both claim the series are two items.
        {"two copies of one UID", calendar(other + other), "VEVENT", 2},
        {"two copies of a series with a changed occurrence", calendar(series + series), "VEVENT", 2},
        {"bare events without a calendar", other + noUid, "VEVENT", 2},
        {"the task beside events", calendar(other + todo + noUid), "VTODO", 1},
        {"tasks in an event file", calendar(other), "VTODO", 0},
        {"notes", calendar(journal + todo), "VJOURNAL", 1},
        {"two copies of a note", calendar(journal + journal + todo), "VJOURNAL", 2},
        {"event never closed", "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:a\nSUMMARY:Cut", "VEVENT", 1},
        {"folded BEGIN line", "BEGIN:VCALENDAR\r\nBEGIN:VEV\r\n ENT\r\nUID:a\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         "VEVENT", 1},
        {"junk", std::string("\x01\x02\xff\xfe garbage\0BEGIN:VEVENT", 25), "VEVENT", 0},
        {"empty text", "", "VEVENT", 0},
        {"no component named", calendar(other), nullptr, 0},
        {"unknown component", calendar(other), "VTHING", 0},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CountCalendarItems(c.text, c.component), c.count);
    }
}

// The load counts a file's items and reads one from a single parse: each answer must be the one the
// text alone gives, however often it is asked for; a repair the text needed is reported every time.
TEST_F(CalendarItemsTest, OneParseAnswersTheCountAndEveryRead)
{
    for (const EventCase& c : EventCases()) {
        SCOPED_TRACE(c.name);
        const CalendarText parsed(c.text);
        EXPECT_EQ(CountCalendarItems(c.text, "VEVENT"), parsed.Count("VEVENT"));
        auto alone = std::make_unique<GDateRecord>();
        std::string aloneProblem;
        const bool aloneFound = ReadEventItem(c.text, *alone, aloneProblem);
        for (int round = 0; round < 2; ++round) {
            auto record = std::make_unique<GDateRecord>();
            std::string problem = "left from before";
            EXPECT_EQ(aloneFound, parsed.ReadEvent(*record, problem));
            EXPECT_EQ(aloneProblem, problem);
            EXPECT_EQ(0, std::memcmp(alone.get(), record.get(), sizeof(GDateRecord)));
        }
    }

    const std::string cut = "BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:a\nSUMMARY:Meeting\nEND:VEVENT\nBEGIN:VTODO\nUID:t\n"
                            "SUMMARY:Chore\nEND:VTODO\nBEGIN:VJOURNAL\nUID:j\nSUMMARY:Trip\n";
    const CalendarText parsed(cut);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(1u, parsed.Count("VEVENT"));
        EXPECT_EQ(1u, parsed.Count("VTODO"));
        EXPECT_EQ(1u, parsed.Count("VJOURNAL"));
        EXPECT_EQ(0u, parsed.Count(nullptr));
        auto event = std::make_unique<GDateRecord>();
        auto task = std::make_unique<GTaskRecord>();
        auto note = std::make_unique<GNoteRecord>();
        std::string problem;
        ASSERT_TRUE(parsed.ReadEvent(*event, problem));
        EXPECT_EQ("missing END:VJOURNAL", problem);
        EXPECT_STREQ("Meeting", event->szSubject);
        ASSERT_TRUE(parsed.ReadTask(*task, problem));
        EXPECT_EQ("missing END:VJOURNAL", problem);
        EXPECT_STREQ("Chore", task->szSubject);
        ASSERT_TRUE(parsed.ReadNote(*note, problem));
        EXPECT_EQ("missing END:VJOURNAL", problem);
        EXPECT_STREQ("Trip", note->szSubject);
    }
}

template <size_t N>
bool Terminated(const char (&field)[N])
{
    return strnlen(field, N) < N;
}

bool EventFieldsTerminated(const GDateRecord& r)
{
    return Terminated(r.szSubject) && Terminated(r.szLocation) && Terminated(r.szCategory) &&
           Terminated(r.szRecurrence) && Terminated(r.szNote);
}

// Runs clean under the sanitizers too: every libical component parsed is released, no field overrun.
TEST_F(CalendarItemsTest, SurvivesTruncatedAndCorruptText)
{
    const std::string full = kGoogleExport;
    // Cut anywhere before the last END line's end, the text is incomplete and must say so.
    const size_t complete = full.size() - 2;
    for (size_t length = 0; length < complete; ++length) {
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        const bool found = ReadEventItem(std::string_view(full).substr(0, length), *record, problem);
        EXPECT_FALSE(problem.empty()) << "cut at " << length << (found ? " read" : " not read");
        EXPECT_TRUE(EventFieldsTerminated(*record)) << "cut at " << length;
    }

    std::mt19937 random(20240305);
    for (int round = 0; round < 1500; ++round) {
        std::string damaged = full;
        for (int i = 0; i < 8; ++i)
            damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        ReadEventItem(damaged, *record, problem);
        EXPECT_TRUE(EventFieldsTerminated(*record)) << "round " << round;
    }

    for (int round = 0; round < 200; ++round) {
        std::string junk(random() % 600, '\0');
        for (char& c : junk)
            c = static_cast<char>(random() % 256);
        auto event = std::make_unique<GDateRecord>();
        auto task = std::make_unique<GTaskRecord>();
        auto note = std::make_unique<GNoteRecord>();
        std::string problem;
        EXPECT_FALSE(ReadEventItem(junk, *event, problem));
        EXPECT_FALSE(ReadTaskItem(junk, *task, problem));
        EXPECT_FALSE(ReadNoteItem(junk, *note, problem));
        EXPECT_FALSE(problem.empty());
    }
}

TEST_F(CalendarItemsTest, TasksAndNotesSurviveTruncation)
{
    const std::string task = Todo("SUMMARY:File taxes\nDUE;VALUE=DATE:20240320\nDESCRIPTION:Forms\nPRIORITY:1\n");
    const std::string journal = "BEGIN:VCALENDAR\nBEGIN:VJOURNAL\nSUMMARY:Trip\nDESCRIPTION:Lisbon\n"
                                "DESCRIPTION:Porto\nEND:VJOURNAL\nEND:VCALENDAR\n";
    for (size_t length = 0; length + 1 < task.size(); ++length) {
        auto record = std::make_unique<GTaskRecord>();
        std::string problem;
        ReadTaskItem(std::string_view(task).substr(0, length), *record, problem);
        EXPECT_FALSE(problem.empty()) << "cut at " << length;
        EXPECT_TRUE(Terminated(record->szSubject) && Terminated(record->szNote));
    }
    for (size_t length = 0; length + 1 < journal.size(); ++length) {
        auto record = std::make_unique<GNoteRecord>();
        std::string problem;
        ReadNoteItem(std::string_view(journal).substr(0, length), *record, problem);
        EXPECT_FALSE(problem.empty()) << "cut at " << length;
        EXPECT_TRUE(Terminated(record->szSubject) && Terminated(record->szNote));
    }
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The shipped demo account is read by these same functions; a file they fault would show up in the
// wizard as an event read in part.
TEST_F(CalendarItemsTest, DemoAccountReadsWithoutFaults)
{
    namespace fs = std::filesystem;
    const fs::path demo = fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "demo";
    ASSERT_TRUE(fs::is_directory(demo / "calendar")) << demo;
    int events = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(demo / "calendar")) {
        if (entry.path().extension() != ".ics")
            continue;
        SCOPED_TRACE(entry.path().string());
        auto record = std::make_unique<GDateRecord>();
        std::string problem;
        EXPECT_TRUE(ReadEventItem(ReadFile(entry.path()), *record, problem));
        EXPECT_EQ(problem, "");
        EXPECT_NE(record->szSubject[0], '\0');
        EXPECT_NE(record->dtStart, 0);
        ++events;
    }
    EXPECT_GT(events, 0);
    for (const fs::directory_entry& entry : fs::directory_iterator(demo / "tasks")) {
        SCOPED_TRACE(entry.path().string());
        auto record = std::make_unique<GTaskRecord>();
        std::string problem;
        EXPECT_TRUE(ReadTaskItem(ReadFile(entry.path()), *record, problem));
        EXPECT_EQ(problem, "");
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(demo / "notes")) {
        SCOPED_TRACE(entry.path().string());
        auto record = std::make_unique<GNoteRecord>();
        std::string problem;
        EXPECT_TRUE(ReadNoteItem(ReadFile(entry.path()), *record, problem));
        EXPECT_EQ(problem, "");
    }
}

} // namespace
