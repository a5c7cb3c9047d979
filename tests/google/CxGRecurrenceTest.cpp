#include "common/google/CxGRecurrence.h"

#include "common/misc/TextBuf.h"

#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// 1 January 2008 is OLE day 39448 (2008 and 2009 make 731 days before day 40179, 1 January 2010).
constexpr double kJan7th2008 = 39448 + 6;

constexpr double At(double day, int hour, int minute = 0, int second = 0)
{
    return day + (hour * 3600 + minute * 60 + second) / 86400.0;
}

// What the data file gave before the text is read; a field still holding it was left alone.
constexpr int32_t kTypeAsRead = 9;
constexpr int32_t kAsRead = 77;
constexpr double kStartAsRead = 30000.25;
constexpr double kEndAsRead = 30000.5;

// An exact-size heap copy, so a read past the terminator is an ASan error rather than luck.
std::unique_ptr<char[]> ExactCopy(const std::string& text)
{
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

RecordPtr<GDateRecord> RecordAsRead(const std::string& recurrence)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    if (!r)
        return r;
    CopyText(r->szRecurrence, recurrence.c_str());
    r->dtStart = kStartAsRead;
    r->dtEnd = kEndAsRead;
    r->nRecurrenceType = kTypeAsRead;
    r->nRecurrenceOption = kAsRead;
    r->dtRecurrenceStart = kStartAsRead;
    r->dtRecurrenceEnd = kEndAsRead;
    r->nRecurInterval = kAsRead;
    r->nRecurDayOfWeek = kAsRead;
    r->nRecurDayOfMonth = kAsRead;
    r->nRecurMonthOfYear = kAsRead;
    r->nRecurInstance = kAsRead;
    return r;
}

const std::string kBerlinTimes = "DTSTART;TZID=Europe/Berlin:20080107T090000\r\n"
                                 "DTEND;TZID=Europe/Berlin:20080107T100000\r\n";
const std::string kTzidRule = kBerlinTimes + "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE\r\n";

std::string WithLf(std::string text)
{
    std::string out;
    for (char c : text) {
        if (c != '\r')
            out += c;
    }
    return out;
}

// The zone as the helper appends it: its own rules carry BYMONTH and BYDAY parts.
const std::string kBerlinZone = "BEGIN:VTIMEZONE\r\n"
                                "TZID:Europe/Berlin\r\n"
                                "BEGIN:DAYLIGHT\r\n"
                                "TZOFFSETFROM:+0100\r\n"
                                "TZOFFSETTO:+0200\r\n"
                                "TZNAME:CEST\r\n"
                                "DTSTART:19700329T020000\r\n"
                                "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
                                "END:DAYLIGHT\r\n"
                                "BEGIN:STANDARD\r\n"
                                "TZOFFSETFROM:+0200\r\n"
                                "TZOFFSETTO:+0100\r\n"
                                "TZNAME:CET\r\n"
                                "DTSTART:19701025T030000\r\n"
                                "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                                "END:STANDARD\r\n"
                                "END:VTIMEZONE\r\n";

struct RecurrenceCase
{
    const char* name;
    std::string text;
    bool result = true;
    int32_t type = kTypeAsRead;
    int32_t interval = kAsRead;
    int32_t dayMask = kAsRead;
    int32_t dayOfMonth = kAsRead;
    int32_t month = kAsRead;
    int32_t instance = kAsRead;
    double start = kStartAsRead;
    double end = kEndAsRead;
};

const double kNine = At(kJan7th2008, 9);
const double kTen = At(kJan7th2008, 10);

std::vector<RecurrenceCase> RecurrenceCases()
{
    return {
        {.name = "empty text is a single event whatever the file said", .text = "", .type = RECUR_NONE},
        {.name = "times without a rule",
         .text = "DTSTART:20080107T090000\r\nDTEND:20080107T100000\r\n",
         .type = RECUR_NONE,
         .start = kNine,
         .end = kTen},
        {.name = "names are matched with their case",
         .text = "dtstart:20080107T090000\r\nrrule:FREQ=DAILY;INTERVAL=2\r\n",
         .type = RECUR_NONE},
        {.name = "TZID example, CRLF",
         .text = kTzidRule,
         .type = RECUR_WEEKLY,
         .interval = 2,
         .dayMask = DAY_MONDAY | DAY_WEDNESDAY,
         .start = kNine,
         .end = kTen},
        {.name = "TZID example, LF",
         .text = WithLf(kTzidRule),
         .type = RECUR_WEEKLY,
         .interval = 2,
         .dayMask = DAY_MONDAY | DAY_WEDNESDAY,
         .start = kNine,
         .end = kTen},
        {.name = "no ';' after the frequency",
         .text = "DTSTART:20080107T090000\r\nRRULE:FREQ=DAILY\r\n",
         .result = false,
         .start = kNine},
        {.name = "the ';' is looked for past the line, making a word no frequency matches",
         .text = "RRULE:FREQ=DAILY\r\nX:A;INTERVAL=2"},
        {.name = "FREQ= before RRULE: does not count", .text = "FREQ=DAILY;\r\nRRULE:INTERVAL=2\r\n", .result = false},
        {.name = "daily", .text = "RRULE:FREQ=DAILY;INTERVAL=3", .type = RECUR_DAILY, .interval = 3},
        {.name = "frequency word ignores case",
         .text = "RRULE:FREQ=weekly;BYDAY=TU",
         .type = RECUR_WEEKLY,
         .dayMask = 4},
        {.name = "day codes do not", .text = "RRULE:FREQ=WEEKLY;BYDAY=tu", .type = RECUR_WEEKLY, .dayMask = 0},
        {.name = "all days with trailing parts",
         .text = "RRULE:FREQ=WEEKLY;BYDAY=MO,TU,WE,TH,FR,SA,SU;WKST=MO;COUNT=10",
         .type = RECUR_WEEKLY,
         .dayMask = 127},
        {.name = "monthly by date",
         .text = "RRULE:FREQ=MONTHLY;INTERVAL=1;BYMONTHDAY=15",
         .type = RECUR_MONTHLY_BY_DATE,
         .interval = 1,
         .dayOfMonth = 15},
        {.name = "monthly by week",
         .text = "RRULE:FREQ=MONTHLY;BYWEEKNO=2;BYDAY=TU",
         .type = RECUR_MONTHLY_BY_WEEK,
         .dayMask = DAY_TUESDAY,
         .instance = 2},
        {.name = "monthly by week ignores a BYDAY before BYWEEKNO",
         .text = "RRULE:FREQ=MONTHLY;BYDAY=TU;BYWEEKNO=2",
         .type = RECUR_MONTHLY_BY_WEEK,
         .instance = 2},
        {.name = "monthly: day of month wins over week",
         .text = "RRULE:FREQ=MONTHLY;BYWEEKNO=2;BYMONTHDAY=15",
         .type = RECUR_MONTHLY_BY_DATE,
         .dayOfMonth = 15},
        {.name = "monthly by ordinal day cannot be read but keeps its interval",
         .text = "RRULE:FREQ=MONTHLY;INTERVAL=2;BYDAY=2TU",
         .result = false,
         .interval = 2},
        {.name = "yearly", .text = "RRULE:FREQ=YEARLY;INTERVAL=1", .type = RECUR_YEARLY, .interval = 1},
        {.name = "yearly by month and day",
         .text = "RRULE:FREQ=YEARLY;BYMONTH=3;BYMONTHDAY=9",
         .type = RECUR_YEARLY_BY_MONTH,
         .dayOfMonth = 9,
         .month = 3},
        {.name = "yearly day of month is read only with a month",
         .text = "RRULE:FREQ=YEARLY;BYMONTHDAY=9",
         .type = RECUR_YEARLY},
        // The first BYMONTH= after the event's rule is the daylight-saving rule's, March.
        {.name = "yearly rule finds the zone's month",
         .text = kBerlinTimes + "RRULE:FREQ=YEARLY;INTERVAL=1\r\n" + kBerlinZone,
         .type = RECUR_YEARLY_BY_MONTH,
         .interval = 1,
         .month = 3,
         .start = kNine,
         .end = kTen},
        {.name = "weekly rule without days takes the zone's unreadable -1SU",
         .text = kBerlinTimes + "RRULE:FREQ=WEEKLY;INTERVAL=1\r\n" + kBerlinZone,
         .type = RECUR_WEEKLY,
         .interval = 1,
         .dayMask = 0,
         .start = kNine,
         .end = kTen},
        {.name = "other frequencies are left alone", .text = "RRULE:FREQ=HOURLY;INTERVAL=3"},
        {.name = "over-long frequency word", .text = "RRULE:FREQ=WEEKLYWEEKLY;BYDAY=TU"},
        {.name = "empty interval", .text = "RRULE:FREQ=DAILY;INTERVAL=;COUNT=5", .type = RECUR_DAILY, .interval = 0},
        {.name = "ten-digit interval", .text = "RRULE:FREQ=DAILY;INTERVAL=1234567890", .type = RECUR_DAILY},
        {.name = "nine-digit interval",
         .text = "RRULE:FREQ=DAILY;INTERVAL=123456789",
         .type = RECUR_DAILY,
         .interval = 123456789},
        {.name = "date-only start and end",
         .text = "DTSTART;VALUE=DATE:20080107\r\nDTEND;VALUE=DATE:20080108\r\nRRULE:FREQ=DAILY;INTERVAL=1\r\n",
         .type = RECUR_DAILY,
         .interval = 1},
        {.name = "trailing Z",
         .text = "DTSTART:20080107T090000Z\r\nDTEND:20080107T100000Z\r\n",
         .type = RECUR_NONE,
         .start = kNine,
         .end = kTen},
        {.name = "T not at index 8", .text = "DTSTART:2008107T090000\r\n", .type = RECUR_NONE},
        {.name = "month 13 keeps the start only",
         .text = "DTSTART:20081307T090000\r\nDTEND:20080107T100000\r\n",
         .type = RECUR_NONE,
         .end = kTen},
        {.name = "cut short: start", .text = "DTSTART:2008", .type = RECUR_NONE},
        {.name = "cut short: after FREQ=", .text = "RRULE:FREQ=", .result = false},
        {.name = "cut short: after BYDAY=", .text = "RRULE:FREQ=WEEKLY;BYDAY=", .type = RECUR_WEEKLY, .dayMask = 0},
    };
}

// Only the recurrence fields, start and end may change.
void ExpectOnlyRecurrenceFieldsChanged(const GDateRecord& before, const GDateRecord& after)
{
    RecordPtr<GDateRecord> expected = Zeroed<GDateRecord>();
    ASSERT_TRUE(expected);
    std::memcpy(expected.get(), &before, sizeof before);
    expected->dtStart = after.dtStart;
    expected->dtEnd = after.dtEnd;
    expected->nRecurrenceType = after.nRecurrenceType;
    expected->nRecurInterval = after.nRecurInterval;
    expected->nRecurDayOfWeek = after.nRecurDayOfWeek;
    expected->nRecurDayOfMonth = after.nRecurDayOfMonth;
    expected->nRecurMonthOfYear = after.nRecurMonthOfYear;
    expected->nRecurInstance = after.nRecurInstance;
    EXPECT_EQ(0, std::memcmp(expected.get(), &after, sizeof after));
}

// A damaged record whose text fills the whole field without a terminator, ending in tail. The next
// field's bytes are all '5', so a reading that ran on past the field would see more digits.
RecordPtr<GDateRecord> UnterminatedRecord(const std::string& tail)
{
    RecordPtr<GDateRecord> r = RecordAsRead("");
    if (!r)
        return r;
    char* field = r->szRecurrence;
    std::memset(field, 'A', sizeof r->szRecurrence);
    std::memcpy(field + sizeof r->szRecurrence - tail.size(), tail.data(), tail.size());
    std::memset(&r->nRecurrenceType, '5', sizeof r->nRecurrenceType);
    return r;
}

} // namespace

TEST(ParseRecurrenceTest, ReadsTheRuleAndLeavesWhatItCannotRead)
{
    for (const RecurrenceCase& c : RecurrenceCases()) {
        SCOPED_TRACE(c.name);
        RecordPtr<GDateRecord> r = RecordAsRead(c.text);
        RecordPtr<GDateRecord> before = RecordAsRead(c.text);
        ASSERT_TRUE(r && before);
        ASSERT_EQ(c.text, r->szRecurrence);

        EXPECT_EQ(c.result, ParseRecurrence(r.get()));
        EXPECT_EQ(c.type, r->nRecurrenceType);
        EXPECT_EQ(c.interval, r->nRecurInterval);
        EXPECT_EQ(c.dayMask, r->nRecurDayOfWeek);
        EXPECT_EQ(c.dayOfMonth, r->nRecurDayOfMonth);
        EXPECT_EQ(c.month, r->nRecurMonthOfYear);
        EXPECT_EQ(c.instance, r->nRecurInstance);
        EXPECT_DOUBLE_EQ(c.start, r->dtStart);
        EXPECT_DOUBLE_EQ(c.end, r->dtEnd);
        ExpectOnlyRecurrenceFieldsChanged(*before, *r);
    }
}

TEST(ParseRecurrenceTest, UnterminatedTextIsReadToTheEndOfTheFieldOnly)
{
    // A monthly rule reads its interval before it sets the type, so the '5's are still there to be
    // misread as 125555; with neither day of month nor week the type stays as it was.
    RecordPtr<GDateRecord> rule = UnterminatedRecord("RRULE:FREQ=MONTHLY;INTERVAL=12");
    ASSERT_TRUE(rule);
    int32_t typeAsRead = 0;
    std::memset(&typeAsRead, '5', sizeof typeAsRead);
    EXPECT_FALSE(ParseRecurrence(rule.get()));
    EXPECT_EQ(typeAsRead, rule->nRecurrenceType);
    EXPECT_EQ(12, rule->nRecurInterval);

    // Running on would read the time as 05:55:55.
    RecordPtr<GDateRecord> start = UnterminatedRecord("DTSTART:20080107T0");
    ASSERT_TRUE(start);
    EXPECT_TRUE(ParseRecurrence(start.get()));
    EXPECT_EQ(RECUR_NONE, start->nRecurrenceType);
    EXPECT_DOUBLE_EQ(kJan7th2008, start->dtStart);
}

TEST(RecurrenceDateTimeTest, ReadsEightDigitsTAndAnOptionalTime)
{
    struct Case
    {
        const char* text;
        bool result;
        double value;
    };
    const double kUntouched = 1234.5;
    const Case cases[] = {
        {"20080107T090000", true, At(kJan7th2008, 9)},
        {"20080107T235959", true, At(kJan7th2008, 23, 59, 59)},
        {"20080107T090000Z", true, At(kJan7th2008, 9)},
        {"19000101T000000", true, 2.0},
        {"18991230T120000", true, 0.5},
        {"20080107T", true, kJan7th2008},
        {"20080107TX", true, kJan7th2008},
        // Each two-character field takes its leading digits; a field cut by the end reads as 0.
        {"20080107T9X3000", true, At(kJan7th2008, 9, 30)},
        {"20080107T0930", true, At(kJan7th2008, 9, 30)},
        {"20080107T09", true, At(kJan7th2008, 9)},
        {"20080107", false, kUntouched},
        {"20080107\r\nDTEND:20080108T100000", false, kUntouched},
        {"2008010T090000", false, kUntouched},
        {"200801071T090000", false, kUntouched},
        {"2008T107T090000", false, kUntouched},
        {"2008", false, kUntouched},
        {"", false, kUntouched},
        {"20081307T090000", false, kUntouched},
        {"20080230T090000", false, kUntouched},
        {"2008-1-7T090000", false, kUntouched},
        {"00000107T090000", false, kUntouched},
        {"20080107T250000", false, kUntouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::unique_ptr<char[]> text = ExactCopy(c.text);
        double value = kUntouched;
        EXPECT_EQ(c.result, ParseDateTimeText(text.get(), &value));
        EXPECT_DOUBLE_EQ(c.value, value);
    }
}

TEST(RecurrencePartTest, NumberPartsTakeLeadingDigitsOfAtMostNine)
{
    struct Case
    {
        void (*parse)(const char*, int32_t*);
        const char* text;
        int32_t expected;
    };
    const Case cases[] = {
        {ParseInterval, ";INTERVAL=2", 2},
        {ParseInterval, ";INTERVAL=2;COUNT=5;INTERVAL=4", 2},
        {ParseInterval, ";INTERVAL=7x", 7},
        {ParseInterval, ";INTERVAL=;COUNT=5", 0},
        {ParseInterval, ";INTERVAL=", 0},
        {ParseInterval, ";INTERVAL=-1", 0},
        {ParseInterval, ";INTERVAL=123456789", 123456789},
        {ParseInterval, ";INTERVAL=1234567890", kAsRead},
        {ParseInterval, ";INTERVAL=12345678901", kAsRead},
        {ParseInterval, ";interval=2", kAsRead},
        {ParseInterval, ";COUNT=5", kAsRead},
        {ParseByMonthDay, ";BYMONTHDAY=31", 31},
        {ParseByMonthDay, ";BYMONTHDAY=-1", 0},
        {ParseByMonth, ";BYMONTHDAY=9", kAsRead},
        {ParseByMonth, ";BYMONTHDAY=9;BYMONTH=3", 3},
        {ParseByWeekNo, ";BYWEEKNO=2;BYDAY=TU", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::unique_ptr<char[]> text = ExactCopy(c.text);
        int32_t value = kAsRead;
        c.parse(text.get(), &value);
        EXPECT_EQ(c.expected, value);
    }
}

TEST(RecurrencePartTest, ByDayTakesExactCodesUpToTheEndOfThePart)
{
    struct Case
    {
        const char* text;
        int32_t expected;
    };
    const Case cases[] = {
        {";BYDAY=SU", DAY_SUNDAY},
        {";BYDAY=SU,MO,TU,WE,TH,FR,SA", 127},
        {";BYDAY=MO,WE;WKST=SU", DAY_MONDAY | DAY_WEDNESDAY},
        {";BYDAY=MO\r\nX:SU", DAY_MONDAY},
        {";BYDAY=MO\nX:SU", DAY_MONDAY},
        {";BYDAY=MO,,FR,", DAY_MONDAY | DAY_FRIDAY},
        {";BYDAY=MO, TU", DAY_MONDAY},
        {";BYDAY=MO,MO", DAY_MONDAY},
        {";BYDAY=tu", 0},
        {";BYDAY=2TU", 0},
        {";BYDAY=MOMO", 0},
        {";BYDAY=", 0},
        {";BYDAY=;", 0},
        {";COUNT=5", kAsRead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::unique_ptr<char[]> text = ExactCopy(c.text);
        int32_t mask = kAsRead;
        ParseByDay(text.get(), &mask);
        EXPECT_EQ(c.expected, mask);
    }
}

// A 300-character list of empty items with one code placed in it: only a code wholly within the first
// 255 characters counts.
TEST(RecurrencePartTest, ByDayListIsCutAt255Characters)
{
    struct Case
    {
        size_t position;
        const char* code;
        int32_t expected;
    };
    const Case cases[] = {
        {0, "FR", DAY_FRIDAY}, {253, "TU", DAY_TUESDAY}, {254, "SA", 0}, {255, "SA", 0}, {280, "MO", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        std::string list(300, ',');
        list.replace(c.position, 2, c.code);
        std::unique_ptr<char[]> text = ExactCopy("BYDAY=" + list + ";WKST=MO");
        int32_t mask = kAsRead;
        ParseByDay(text.get(), &mask);
        EXPECT_EQ(c.expected, mask);
    }
}
