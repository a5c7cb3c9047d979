#include "common/google/CxGDateUtil.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"
#include "tests/google/UtilTestSupport.h"
#include "tests/support/EventImage.h"
#include "tests/support/OleTime.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Value = RecordImage::Value;

const std::vector<RowMember<GDateRecord>>& EventMembers()
{
    static const std::vector<RowMember<GDateRecord>> members = {
        {1, [](const GDateRecord& r, int) { return Value(r.nHeadValue1); }},
        {2, [](const GDateRecord& r, int) { return Value(r.ActionCode); }},
        {3, [](const GDateRecord& r, int) { return Value(r.nHeadValue3); }},
        {4, [](const GDateRecord& r, int) { return TextOf(r.szHelperTextA); }},
        {5, [](const GDateRecord& r, int) { return TextOf(r.szSubject); }},
        {6, [](const GDateRecord& r, int) { return TextOf(r.szLocation); }},
        {7, [](const GDateRecord& r, int) { return Value(r.dtStart); }},
        {8, [](const GDateRecord& r, int) { return Value(r.dtEnd); }},
        {9, [](const GDateRecord& r, int) { return Value(r.nAllDayEvent); }},
        {10, [](const GDateRecord& r, int) { return Value(r.nPublishType); }},
        {11, [](const GDateRecord& r, int) { return Value(r.nShowStatus); }},
        {12, [](const GDateRecord& r, int) { return Value(static_cast<int32_t>(r.nReminderCount)); }},
        {13, [](const GDateRecord& r, int i) { return Value(r.nReminderA[i]); }},
        {14, [](const GDateRecord& r, int i) { return Value(r.nReminderB[i]); }},
        {15, [](const GDateRecord& r, int i) { return Value(r.nReminderC[i]); }},
        {16, [](const GDateRecord& r, int) { return TextOf(r.szRecurrence); }},
        {17, [](const GDateRecord& r, int) { return Value(r.nRecurrenceType); }},
        {18, [](const GDateRecord& r, int) { return Value(r.nRecurrenceOption); }},
        {19, [](const GDateRecord& r, int) { return Value(r.dtRecurrenceStart); }},
        {20, [](const GDateRecord& r, int) { return Value(r.dtRecurrenceEnd); }},
        {21,
         [](const GDateRecord& r, int i) {
             const int32_t ints[] = {r.nRecurInterval, r.nRecurDayOfWeek, r.nRecurDayOfMonth, r.nRecurMonthOfYear,
                                     r.nRecurInstance};
             return Value(ints[i]);
         }},
        {22, [](const GDateRecord& r, int) { return TextOf(r.szHelperTextB); }},
        {23, [](const GDateRecord& r, int) { return TextOf(r.szHelperTextC); }},
        {24, [](const GDateRecord& r, int) { return TextOf(r.szNote); }},
        {25, [](const GDateRecord& r, int) { return TextOf(r.szCategory); }},
        {26, [](const GDateRecord& r, int) { return Value(r.dtCreated); }},
        {27, [](const GDateRecord& r, int) { return Value(r.dtModified); }},
    };
    return members;
}

// Every field of the event equals the image's field at the same place in the file.
void ExpectEventMatches(const RecordImage& image, const GDateRecord& event)
{
    ExpectFieldsMatch(image, event, EventMembers());
}

std::string CalendarFile(const std::vector<RecordImage>& calendars)
{
    return DataFileImage(calendars);
}

RecordImage Calendar(int seed)
{
    return RecordImage::Patterned(kCalendarLayout, seed);
}

class CxGDateUtilTest : public HelperUtilTest
{
protected:
    void SetUp() override
    {
        HelperUtilTest::SetUp();
        m_util.SetWorkFolder(m_dir.path().c_str());
    }

    using HelperUtilTest::UseHelper;
    void UseHelper(const std::string& script) { UseHelper("Ombracal.exe", script); }
    void WriteFiles(const std::vector<RecordImage>& events, const std::vector<RecordImage>& calendars)
    {
        TempDir::WriteFile(m_dir.file("GDate.dat"), DataFileImage(events));
        TempDir::WriteFile(m_dir.file("GCal.dat"), CalendarFile(calendars));
    }
    std::vector<CommDateRecord*> Common()
    {
        std::vector<CommDateRecord*> records;
        CommDateMgr* mgr = m_util.GetDateMgr();
        for (CommDateRecord* c = mgr->GetFirst(); c; c = mgr->GetNext())
            records.push_back(c);
        return records;
    }
    std::vector<GDateRecord*> Events()
    {
        std::vector<GDateRecord*> events;
        for (CommDateRecord* c : Common())
            events.push_back(static_cast<GDateRecord*>(c->pAttach));
        return events;
    }

    CxGDateUtil m_util;
};

} // namespace

TEST(EventLayoutTest, HoldsTheFieldsOfAnEventAndACalendar)
{
    EXPECT_EQ(37, LayoutFieldCount(kEventLayout));
    EXPECT_EQ(4, LayoutFieldCount(kCalendarLayout));
}

TEST_F(CxGDateUtilTest, StartsWithTheCalendarFiles)
{
    EXPECT_STREQ("GDate.dat", m_util.m_szDataFile);
    EXPECT_STREQ("GCal.dat", m_util.m_szCalendarFile);
    EXPECT_STREQ("GDateErr.dat", m_util.m_szErrorFile);
    EXPECT_STREQ("GDateStatus.dat", m_util.m_szStatusFile);
    EXPECT_STREQ("GDateParam.dat", m_util.m_szParamFile);
    EXPECT_STREQ("", m_util.m_szOptions);
    EXPECT_STREQ("", m_util.m_szOptions2);
    EXPECT_STREQ("", m_util.m_szOptions3);
    CxGDateUtil fresh;
    EXPECT_EQ(platform::ProgramFolder(), fresh.m_szWorkFolder);
    EXPECT_EQ(0u, fresh.GetDateMgr()->GetRecordCount());
    EXPECT_EQ(0u, fresh.GetCalendarCount());
}

TEST_F(CxGDateUtilTest, SetCalendarFileNameIgnoresNullAndCutsLongNames)
{
    m_util.SetCalendarFileName(nullptr);
    EXPECT_STREQ("GCal.dat", m_util.m_szCalendarFile);
    m_util.SetCalendarFileName(std::string(300, 'c').c_str());
    EXPECT_EQ(std::string(255, 'c'), m_util.m_szCalendarFile);
    m_util.SetCalendarFileName("");
    EXPECT_STREQ("", m_util.m_szCalendarFile);
}

TEST_F(CxGDateUtilTest, RoundTripOfBothFilesBuiltByteByByte)
{
    std::vector<RecordImage> events;
    for (int seed = 1; seed <= 4; ++seed)
        events.push_back(PlainEvent(seed));
    events[1].Set(EV_ACTION, 0, int32_t{7}); // whatever the helper wrote, a loaded event carries 1
    // A recurring event: its text replaces the times, the type and the parts it names.
    events[2].Set(EV_RECURRENCE, 0,
                  std::string("DTSTART;TZID=Europe/Berlin:20080107T090000\r\n"
                              "DTEND;TZID=Europe/Berlin:20080107T100000\r\n"
                              "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE\r\n"));
    const std::vector<RecordImage> calendars = {Calendar(1), Calendar(2)};
    WriteFiles(events, calendars);

    ASSERT_TRUE(m_util.LoadDataFile());
    ASSERT_TRUE(m_util.LoadCalendarFile());
    events[1].Set(EV_ACTION, 0, int32_t{1});
    events[2]
        .Set(EV_START, 0, OleTime(2008, 1, 7, 9))
        .Set(EV_END, 0, OleTime(2008, 1, 7, 10))
        .Set(EV_RECUR_TYPE, 0, int32_t{RECUR_WEEKLY})
        .Set(EV_RECUR_INTS, 0, int32_t{2})
        .Set(EV_RECUR_INTS, 1, int32_t{DAY_MONDAY | DAY_WEDNESDAY});
    const std::vector<GDateRecord*> loaded = Events();
    ASSERT_EQ(4u, loaded.size());
    for (size_t k = 0; k < loaded.size(); ++k) {
        SCOPED_TRACE("event " + std::to_string(k));
        ExpectEventMatches(events[k], *loaded[k]);
        EXPECT_EQ(0u, loaded[k]->dwFlags);
        EXPECT_EQ(nullptr, loaded[k]->pMgrNode);
    }
    EXPECT_EQ(2u, m_util.GetCalendarCount());

    // Unmarked, both files go back as read; marked events differ in their ActionCode only.
    ASSERT_TRUE(m_util.SaveDataFile("events.dat"));
    ASSERT_TRUE(m_util.SaveCalendarFile("calendars.dat"));
    EXPECT_EQ(DataFileImage(events), TempDir::ReadFile(m_dir.file("events.dat")));
    EXPECT_EQ(CalendarFile(calendars), TempDir::ReadFile(m_dir.file("calendars.dat")));
    const std::vector<CommDateRecord*> common = Common();
    EXPECT_TRUE(m_util.MarkDeleted(common[0]));
    EXPECT_TRUE(m_util.MarkDeleted(common[3]));
    EXPECT_TRUE(m_util.MarkDeleted(common[3]));
    events[0].Set(EV_ACTION, 0, int32_t{3});
    events[3].Set(EV_ACTION, 0, int32_t{3});
    ASSERT_TRUE(m_util.SaveDataFile());
    EXPECT_EQ(DataFileImage(events), TempDir::ReadFile(m_dir.file("GDate.dat")));
}

TEST_F(CxGDateUtilTest, ShortFilesLoadWhatIsThereAndOverlongTextsAreCut)
{
    RecordImage event = PlainEvent(1);
    event.Set(EV_HELPER_A, 0, std::string(40, 'h'))
        .Set(EV_SUBJECT, 0, std::string(300, 's'))
        .Set(EV_RECURRENCE, 0, std::string(5000, 'r'))
        .Set(EV_NOTE, 0, std::string(12000, 'n'));
    const RecordImage next = PlainEvent(2);
    const std::string both = DataFileImage({event, next});
    // The second event ends inside its subject.
    TempDir::WriteFile(m_dir.file("GDate.dat"), both.substr(0, 4 + event.Bytes().size() + 30));
    RecordImage longCalendar = Calendar(1);
    longCalendar.Set(1, 1, std::string(2000, 'c'));
    TempDir::WriteFile(m_dir.file("GCal.dat"), Int32(3) + longCalendar.Bytes() + Calendar(2).Bytes());

    ASSERT_TRUE(m_util.LoadDataFile());
    const std::vector<GDateRecord*> loaded = Events();
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ(std::string(31, 'h'), loaded[0]->szHelperTextA);
    EXPECT_EQ(std::string(255, 's'), loaded[0]->szSubject);
    EXPECT_EQ(std::string(4095, 'r'), loaded[0]->szRecurrence);
    EXPECT_EQ(std::string(10239, 'n'), loaded[0]->szNote);
    // The fields after each cut text are read from their own place.
    EXPECT_EQ(event.Get(EV_LOCATION, 0), Value(std::string(loaded[0]->szLocation)));
    EXPECT_EQ(event.Get(EV_CATEGORY, 0), Value(std::string(loaded[0]->szCategory)));
    EXPECT_EQ(event.Get(27, 0), Value(loaded[0]->dtModified));
    EXPECT_EQ(2000, loaded[1]->nHeadValue1);
    EXPECT_STREQ("", loaded[1]->szLocation);
    EXPECT_EQ(0.0, loaded[1]->dtModified);
    EXPECT_EQ(std::string(255, 's'), Common().at(0)->szDescription);

    // Three calendars announced, two there.
    ASSERT_TRUE(m_util.LoadCalendarFile());
    EXPECT_EQ(2u, m_util.GetCalendarCount());
    ASSERT_TRUE(m_util.SaveCalendarFile());
    longCalendar.Set(1, 1, std::string(1023, 'c'));
    EXPECT_EQ(CalendarFile({longCalendar, Calendar(2)}), TempDir::ReadFile(m_dir.file("GCal.dat")));
}

TEST_F(CxGDateUtilTest, FileOperationsLogEachStep)
{
    WriteFiles({PlainEvent(1), PlainEvent(2)}, {Calendar(1)});
    ASSERT_TRUE(m_util.LoadDataFile(""));
    ASSERT_TRUE(m_util.LoadCalendarFile(nullptr));
    ASSERT_TRUE(m_util.SaveDataFile());
    ASSERT_TRUE(m_util.SaveCalendarFile());
    EXPECT_FALSE(m_util.LoadDataFile("missing.dat"));
    EXPECT_FALSE(m_util.LoadCalendarFile("missing.dat"));
    EXPECT_FALSE(m_util.SaveDataFile("no-such/e.dat"));
    EXPECT_FALSE(m_util.SaveCalendarFile("no-such/c.dat"));
    const std::vector<std::string> expected = {
        "Start loading Calendar events information from file: GDate.dat",
        "There are 2 event records in total",
        "Load Calendar events information from file successfully.",
        "Start loading Calendar definition information from file: GCal.dat",
        "There are 1 calendars in total.",
        "Load Calendar definition information successfully.",
        "Start saving Calendar events information to file: GDate.dat",
        "There are 2 event records in total.",
        "Save Calendar events information to file successfully.",
        "Start saving Calendar definition information to file: GCal.dat",
        "Save Calendar definition information to file successfully.",
        "Start loading Calendar events information from file: missing.dat",
        "!!! Failed to open file: " + m_dir.file("missing.dat"),
        "Start loading Calendar definition information from file: missing.dat",
        "!!! Failed to open file: " + m_dir.file("missing.dat"),
        "Start saving Calendar events information to file: no-such/e.dat",
        "!!! Failed to open file:" + m_dir.file("no-such/e.dat"),
        "Start saving Calendar definition information to file: no-such/c.dat",
        // This one is progress, not a failure: it shows only when progress is logged.
        "Failed to open file: " + m_dir.file("no-such/c.dat"),
    };
    EXPECT_EQ(expected, LogMessages(Log(), FailureMark::Shown));
}

TEST_F(CxGDateUtilTest, ReadAndWriteNeedAnOpenFileAndARecord)
{
    RecordPtr<GDateRecord> event = Zeroed<GDateRecord>();
    RecordPtr<GCalRecord> calendar = Zeroed<GCalRecord>();
    EXPECT_FALSE(m_util.ReadRecord(event.get()));
    EXPECT_FALSE(m_util.WriteRecord(event.get()));
    EXPECT_FALSE(m_util.ReadCalendar(calendar.get()));
    EXPECT_FALSE(m_util.WriteCalendar(calendar.get()));
    EXPECT_FALSE(m_util.ReadRecord(nullptr));
    EXPECT_FALSE(m_util.WriteCalendar(nullptr));
    EXPECT_EQ(nullptr, m_util.AddRecord(nullptr));
    EXPECT_EQ(nullptr, m_util.AddCalendar(nullptr));
}

TEST_F(CxGDateUtilTest, ConvertToCommonCopiesAndCutsTheTexts)
{
    RecordPtr<GDateRecord> raw = Zeroed<GDateRecord>();
    GDateRecord& r = *raw;
    CopyText(r.szSubject, std::string(255, 's').c_str());
    CopyText(r.szLocation, "Room 4");
    CopyText(r.szNote, std::string(9000, 'n').c_str());
    CopyText(r.szCategory, std::string(100, 'c').c_str());
    r.dtStart = OleTime(2008, 1, 7, 9, 30, 15);
    r.dtEnd = OleTime(2008, 1, 7, 10);
    r.dtRecurrenceStart = OleTime(2008, 1, 7);
    r.dtRecurrenceEnd = -1e9; // outside every calendar: stays zero
    r.nRecurrenceOption = -5;
    r.nRecurInterval = 2, r.nRecurDayOfWeek = 10, r.nRecurDayOfMonth = 31, r.nRecurMonthOfYear = 12;
    r.nRecurInstance = -1;
    RecordPtr<CommDateRecord> comm = Zeroed<CommDateRecord>();
    ASSERT_TRUE(m_util.ConvertToCommon(raw.get(), comm.get()));
    const CommDateRecord& c = *comm;

    EXPECT_EQ(std::string(255, 's'), c.szDescription);
    EXPECT_STREQ("Room 4", c.szLocation);
    EXPECT_EQ(std::string(8191, 'n'), c.szNote);
    EXPECT_EQ(9000u, std::strlen(r.szNote));
    EXPECT_EQ(std::string(63, 'c'), c.szCategory);
    EXPECT_EQ(2008, c.stStart.wYear);
    EXPECT_EQ(1, c.stStart.wMonth);
    EXPECT_EQ(7, c.stStart.wDay);
    EXPECT_EQ(1, c.stStart.wDayOfWeek); // a Monday
    EXPECT_EQ(9, c.stStart.wHour);
    EXPECT_EQ(30, c.stStart.wMinute);
    EXPECT_EQ(15, c.stStart.wSecond);
    EXPECT_EQ(10, c.stEnd.wHour);
    EXPECT_EQ(7, c.stRecurrenceStart.wDay);
    EXPECT_EQ(0, c.stRecurrenceEnd.wYear);
    EXPECT_EQ(1, c.bRecurrenceOption);
    EXPECT_EQ(2, c.nRecurInterval);
    EXPECT_EQ(10, c.nRecurDayOfWeek);
    EXPECT_EQ(31, c.nRecurDayOfMonth);
    EXPECT_EQ(12, c.nRecurMonthOfYear);
    EXPECT_EQ(-1, c.nRecurInstance);
    EXPECT_EQ(SOURCE_GOOGLE, c.nSourceType);
    EXPECT_EQ(nullptr, c.pAttach);

    EXPECT_FALSE(m_util.ConvertToCommon(raw.get(), nullptr));
    EXPECT_FALSE(m_util.ConvertToCommon(nullptr, comm.get()));
}

TEST_F(CxGDateUtilTest, ConvertToCommonKeepsKnownCodesAndZeroesTheRest)
{
    struct Case
    {
        int32_t raw;
        int32_t publish;
        int32_t show;
        int32_t recurrence;
    };
    const Case cases[] = {
        {0, 0, 0, 0}, {1, 1, 1, 1}, {2, 2, 2, 2}, {3, 0, 0, 3},  {4, 0, 0, 4},
        {6, 0, 0, 6}, {7, 0, 0, 0}, {9, 0, 0, 0}, {-1, 0, 0, 0},
    };
    RecordPtr<GDateRecord> raw = Zeroed<GDateRecord>();
    RecordPtr<CommDateRecord> comm = Zeroed<CommDateRecord>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        raw->nPublishType = raw->nShowStatus = raw->nRecurrenceType = c.raw;
        std::memset(comm.get(), 0, sizeof(CommDateRecord));
        ASSERT_TRUE(m_util.ConvertToCommon(raw.get(), comm.get()));
        EXPECT_EQ(c.publish, comm->nPublishType);
        EXPECT_EQ(c.show, comm->nShowStatus);
        EXPECT_EQ(c.recurrence, comm->nRecurrenceType);
        // The raw record keeps what the helper gave.
        EXPECT_EQ(c.raw, raw->nRecurrenceType);
    }
}

TEST_F(CxGDateUtilTest, ConvertToCommonMapsTheRemindersItHolds)
{
    struct Case
    {
        const char* name;
        uint32_t count;
        int32_t a[3];
        int32_t c[3];
        uint32_t commonCount;
        CommDateReminder expected[3];
    };
    const Case cases[] = {
        {"none", 0, {1, 1, 1}, {2, 2, 2}, 0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        {"two", 2, {0, 1, 1}, {3, 7, 2}, 2, {{2, 20, 4}, {1, 21, 1}, {0, 0, 0}}},
        {"every code", 3, {5, -1, 1}, {0, 1, 2}, 3, {{2, 20, 1}, {2, 21, 2}, {1, 22, 3}}},
        // A count past the three slots (a damaged file) is held to three.
        {"count of five", 5, {1, 0, 1}, {3, 3, -4}, 3, {{1, 20, 4}, {2, 21, 4}, {1, 22, 1}}},
    };
    RecordPtr<GDateRecord> raw = Zeroed<GDateRecord>();
    RecordPtr<CommDateRecord> comm = Zeroed<CommDateRecord>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        raw->nReminderCount = c.count;
        for (int i = 0; i < 3; ++i) {
            raw->nReminderA[i] = c.a[i];
            raw->nReminderB[i] = 20 + i;
            raw->nReminderC[i] = c.c[i];
        }
        std::memset(comm.get(), 0, sizeof(CommDateRecord));
        ASSERT_TRUE(m_util.ConvertToCommon(raw.get(), comm.get()));
        EXPECT_EQ(c.commonCount, comm->nReminderCount);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(c.expected[i].nFirst, comm->reminders[i].nFirst);
            EXPECT_EQ(c.expected[i].nSecond, comm->reminders[i].nSecond);
            EXPECT_EQ(c.expected[i].nThird, comm->reminders[i].nThird);
        }
        EXPECT_EQ(c.count, raw->nReminderCount);
    }
}

TEST_F(CxGDateUtilTest, OutOfRangeCodesTravelUnchangedThroughLoadAndSave)
{
    RecordImage event = PlainEvent(1);
    event.Set(EV_PUBLISH, 0, int32_t{7})
        .Set(EV_SHOW, 0, int32_t{-3})
        .Set(EV_REMINDER_COUNT, 0, int32_t{9})
        .Set(EV_RECURRENCE, 0, std::string("DTSTART:20080107T090000\nRRULE:FREQ=HOURLY;INTERVAL=3\n"))
        .Set(EV_RECUR_TYPE, 0, int32_t{9})
        .Set(EV_START, 0, OleTime(2008, 1, 7, 9));
    WriteFiles({event}, {});
    ASSERT_TRUE(m_util.LoadDataFile());
    const CommDateRecord* common = Common().at(0);
    EXPECT_EQ(0, common->nPublishType);
    EXPECT_EQ(0, common->nShowStatus);
    EXPECT_EQ(0, common->nRecurrenceType);
    EXPECT_EQ(3u, common->nReminderCount);
    ASSERT_TRUE(m_util.SaveDataFile());
    EXPECT_EQ(DataFileImage({event}), TempDir::ReadFile(m_dir.file("GDate.dat")));
}

TEST_F(CxGDateUtilTest, LoadHandsTheHelperTheCalendarParameterFile)
{
    UseHelper("");
    m_util.SetEmail("ann@example.com");
    m_util.SetPassword("secret");
    m_util.SetLogFolder("/logs/");
    m_util.SetLogLevel(2);
    m_util.SetDebugEnabled(true);
    CopyText(m_util.m_szOptions, "o1");
    CopyText(m_util.m_szOptions2, "o2");
    CopyText(m_util.m_szOptions3, "o3");
    m_util.Load();

    const std::pair<int32_t, std::string> entries[] = {
        {1000, "ann@example.com"},
        {1001, "secret"},
        {1002, "GDate.dat"},
        {1003, m_dir.path()},
        {1005, "1"},
        {1004, "o1"},
        {1006, "o2"},
        {1007, "o3"},
        {1008, "GCal.dat"},
        {1009, "GDateErr.dat"},
        {1010, "GDateStatus.dat"},
        {1013, "/logs/"},
        {1014, "appdebug.log"},
        {1015, "2"},
        {1016, "1"},
    };
    std::string expected = Int32(15);
    for (const auto& [key, text] : entries)
        expected += Int32(key) + Int32(8) + Text(text);
    EXPECT_EQ(expected, TempDir::ReadFile(m_dir.file("GDateParam.dat")));
    EXPECT_EQ("op=1 data=GDate.dat cwd=" + ProgramCwd() + "\n", Runs());
}

TEST_F(CxGDateUtilTest, LoadReadsBothFilesTheHelperWrote)
{
    TempDir::WriteFile(m_dir.file("fetched.dat"), DataFileImage({PlainEvent(1), PlainEvent(2)}));
    TempDir::WriteFile(m_dir.file("fetched-cal.dat"), CalendarFile({Calendar(1)}));
    UseHelper("data fetched.dat\ncalendars fetched-cal.dat\n");
    ASSERT_TRUE(m_util.Load());
    EXPECT_EQ(2u, m_util.GetDateMgr()->GetRecordCount());
    EXPECT_EQ(1u, m_util.GetCalendarCount());
    const std::vector<std::string> messages = LogMessages(Log(), FailureMark::Shown);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ("Start loading Google Calendar.", messages.front());
    EXPECT_EQ("Load Google Calendar successfully.", messages.back());

    // A second load replaces everything of the first.
    TempDir::WriteFile(m_dir.file("fetched.dat"), DataFileImage({PlainEvent(3)}));
    ASSERT_TRUE(m_util.Load());
    ASSERT_EQ(1u, m_util.GetDateMgr()->GetRecordCount());
    EXPECT_EQ(1u, m_util.GetCalendarCount());
    EXPECT_EQ(3000, Events().at(0)->nHeadValue1);
}

TEST_F(CxGDateUtilTest, LoadOutcomes)
{
    struct Case
    {
        const char* name;
        std::string script;
        bool loaded;
        uint32_t events;
        const char* failure;
    };
    const Case cases[] = {
        {"no events, one calendar", "data none.dat\ncalendars cal.dat\n", true, 0, nullptr},
        {"events without calendars", "data two.dat\n", false, 2,
         "!!! Failed to load Calendar definition information from file."},
        {"calendars without events", "calendars cal.dat\n", false, 0,
         "!!! Failed to load Calendar events information from file."},
    };
    TempDir::WriteFile(m_dir.file("none.dat"), Int32(0));
    TempDir::WriteFile(m_dir.file("two.dat"), DataFileImage({PlainEvent(1), PlainEvent(2)}));
    TempDir::WriteFile(m_dir.file("cal.dat"), CalendarFile({Calendar(1)}));
    UseHelper("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::WriteFile(m_dir.file("HelperScript.txt"), c.script);
        platform::DeleteFile(m_dir.file("appdebug.log").c_str());
        EXPECT_EQ(c.loaded, m_util.Load());
        EXPECT_EQ(c.events, m_util.GetDateMgr()->GetRecordCount());
        const std::vector<std::string> messages = LogMessages(Log(), FailureMark::Shown);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(c.failure ? c.failure : "Load Google Calendar successfully.", messages.back());
    }
}

TEST_F(CxGDateUtilTest, FailedHelperNeverLeavesTheEventsOfAnEarlierRun)
{
    ForEachHelperFailure("Ombracal.exe", [](const TempDir& work, bool helperPresent) {
        CxGDateUtil util;
        util.SetWorkFolder(work.path().c_str());
        TempDir::WriteFile(work.file("GDate.dat"), DataFileImage({PlainEvent(9)}));
        TempDir::WriteFile(work.file("GCal.dat"), CalendarFile({Calendar(9)}));

        EXPECT_FALSE(util.Load());
        EXPECT_EQ(0u, util.GetDateMgr()->GetRecordCount());
        EXPECT_EQ(helperPresent, util.m_bHasError);
        EXPECT_FALSE(platform::FileExists(work.file("GDate.dat").c_str()));
    });
}

TEST_F(CxGDateUtilTest, SaveWritesBothFilesAndRunsTheHelperWithOperationTwo)
{
    std::vector<RecordImage> events;
    for (int seed = 1; seed <= 4; ++seed)
        events.push_back(PlainEvent(seed));
    const std::vector<RecordImage> calendars = {Calendar(1), Calendar(2)};
    TempDir::WriteFile(m_dir.file("fetched.dat"), DataFileImage(events));
    TempDir::WriteFile(m_dir.file("fetched-cal.dat"), CalendarFile(calendars));
    UseHelper("data fetched.dat\ncalendars fetched-cal.dat\n");
    ASSERT_TRUE(m_util.Load());
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "");

    const std::vector<CommDateRecord*> common = Common();
    m_util.MarkDeleted(common[1]);
    m_util.MarkDeleted(common[2]);
    ASSERT_TRUE(m_util.Save());
    events[1].Set(EV_ACTION, 0, int32_t{3});
    events[2].Set(EV_ACTION, 0, int32_t{3});
    EXPECT_EQ(DataFileImage(events), TempDir::ReadFile(m_dir.file("GDate.dat")));
    EXPECT_EQ(CalendarFile(calendars), TempDir::ReadFile(m_dir.file("GCal.dat")));
    EXPECT_EQ("op=1 data=GDate.dat cwd=" + ProgramCwd() + "\nop=2 data=GDate.dat cwd=" + ProgramCwd() + "\n", Runs());
    EXPECT_NE(std::string::npos, TempDir::ReadFile(m_dir.file("HelperSeen.txt")).find("1005|8|2\n"));
    EXPECT_FALSE(m_util.m_bModified);

    // Nothing new marked: nothing written, no helper run.
    platform::DeleteFile(m_dir.file("GDate.dat").c_str());
    EXPECT_TRUE(m_util.Save());
    EXPECT_FALSE(WorkFileExists("GDate.dat"));
    EXPECT_EQ(2u, Lines(Runs()).size());
}

TEST_F(CxGDateUtilTest, SaveThatCannotWriteAFileKeepsTheMarksAndRunsNoHelper)
{
    struct Case
    {
        const char* name;
        const char* workFolder;
        const char* calendarFile;
        const char* failure;
    };
    const Case cases[] = {
        {"events file", "no-such-folder/", "GCal.dat",
         "Failed to save Calendar records information to temperary file."},
        {"definitions file", "", "no-such-folder/GCal.dat", "Failed to save Calendar definition to temperary file."},
    };
    UseHelper("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CxGDateUtil util;
        util.SetWorkFolder(m_dir.path().c_str());
        WriteFiles({PlainEvent(1)}, {Calendar(1)});
        ASSERT_TRUE(util.LoadDataFile());
        ASSERT_TRUE(util.MarkDeleted(util.GetDateMgr()->GetFirst()));
        util.SetWorkFolder(m_dir.file(c.workFolder).c_str());
        util.SetCalendarFileName(c.calendarFile);

        EXPECT_FALSE(util.Save());
        EXPECT_TRUE(util.m_bModified);
        EXPECT_EQ(3, static_cast<GDateRecord*>(util.GetDateMgr()->GetFirst()->pAttach)->ActionCode);
        EXPECT_EQ("", Runs());
        EXPECT_TRUE(LogHas(c.failure));
    }
}

TEST_F(CxGDateUtilTest, MarkDeletedNeedsARecordAndMarksOnlyAnAttachedEvent)
{
    ExpectMarkDeletedNeedsAnAttachedRecord<CommDateRecord>(m_util);
}

TEST_F(CxGDateUtilTest, ResetDeletesTheCalendarFileButKeepsTheEventsFile)
{
    WriteFiles({PlainEvent(1)}, {Calendar(1)});
    TempDir::WriteFile(m_dir.file("GDateErr.dat"), "[Error]\n");
    TempDir::WriteFile(m_dir.file("GDateStatus.dat"), "Working\n");
    ASSERT_TRUE(m_util.LoadDataFile());
    ASSERT_TRUE(m_util.LoadCalendarFile());
    EXPECT_TRUE(m_util.Reset());
    EXPECT_EQ(0u, m_util.GetDateMgr()->GetRecordCount());
    EXPECT_EQ(0u, m_util.GetCalendarCount());
    EXPECT_FALSE(WorkFileExists("GCal.dat"));
    EXPECT_FALSE(WorkFileExists("GDateErr.dat"));
    EXPECT_FALSE(WorkFileExists("GDateStatus.dat"));
    EXPECT_TRUE(WorkFileExists("GDate.dat"));
}

TEST_F(CxGDateUtilTest, DestructionAsksARunningHelperToStop)
{
    ExpectDestructionAsksARunningHelperToStop<CxGDateUtil>("GDateData.ini");
}

// The events and calendars the app hands a helper are the account's: its owner's only, whatever the
// umask, and a link left under a data file's name is not written through.
TEST_F(CxGDateUtilTest, DataFilesTheAppWritesAreForTheOwnerOnly)
{
    const mode_t oldMask = ::umask(022);
    const bool events = m_util.SaveDataFile();
    const bool calendars = m_util.SaveCalendarFile();
    ::umask(oldMask);
    ASSERT_TRUE(events);
    ASSERT_TRUE(calendars);
    for (const char* name : {"GDate.dat", "GCal.dat"}) {
        struct stat st
        {};
        ASSERT_EQ(0, ::stat(m_dir.file(name).c_str(), &st)) << name;
        EXPECT_EQ(0600u, st.st_mode & 0777u) << name;
    }

    TempDir elsewhere;
    const std::string target = elsewhere.file("kept.dat");
    TempDir::WriteFile(target, "not ours");
    std::filesystem::remove(m_dir.file("GDate.dat"));
    std::filesystem::create_symlink(target, m_dir.file("GDate.dat"));
    EXPECT_FALSE(m_util.SaveDataFile());
    EXPECT_EQ("not ours", TempDir::ReadFile(target));
}

TEST_F(CxGDateUtilTest, ListTrashAndRestoreCarryBothFilesAndTheDeletionTimes)
{
    std::vector<RecordImage> events = {PlainEvent(1), PlainEvent(2)};
    const std::vector<RecordImage> calendars = {Calendar(1)};
    TempDir::WriteFile(m_dir.file("listed.dat"), DataFileImage(events));
    TempDir::WriteFile(m_dir.file("listed-cal.dat"), CalendarFile(calendars));
    // Files of an earlier run must not pass for this listing's.
    WriteFiles({PlainEvent(9)}, {Calendar(9)});
    UseHelper("data listed.dat\ncalendars listed-cal.dat\ntrash-time 2026-12-11 08:00:00\ntrash-size 900 2\n");
    ASSERT_TRUE(m_util.ListTrash());
    EXPECT_EQ("op=4 data=GDate.dat cwd=" + ProgramCwd() + "\n", Runs());
    ASSERT_EQ(2u, Common().size());
    EXPECT_EQ(1u, m_util.GetCalendarCount());
    EXPECT_STREQ("2026-12-11 08:00:00", m_util.DeletedAtOf(Common()[1]));
    EXPECT_EQ(900u, m_util.m_trash.nBytes);

    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "refuse 2 an item at calendar/e.ics is there again\n");
    m_util.MarkDeleted(Common()[0]);
    m_util.MarkDeleted(Common()[1]);
    ASSERT_TRUE(m_util.Restore());
    events[0].Set(EV_ACTION, 0, int32_t{3});
    events[1].Set(EV_ACTION, 0, int32_t{3});
    EXPECT_EQ(DataFileImage(events), TempDir::ReadFile(m_dir.file("GDate.dat")));
    EXPECT_EQ(CalendarFile(calendars), TempDir::ReadFile(m_dir.file("GCal.dat")));
    ASSERT_TRUE(m_util.m_bHasSaveResults);
    EXPECT_TRUE(m_util.SaveResultOf(Common()[0])->bRestored);
    EXPECT_STREQ("an item at calendar/e.ics is there again", m_util.SaveResultOf(Common()[1])->szReason);

    // A failed listing leaves neither the events nor the calendars of the files it found.
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "data listed.dat\nerror No trash\n");
    EXPECT_FALSE(m_util.ListTrash());
    EXPECT_EQ(0u, Common().size());
    EXPECT_STREQ("No trash", m_util.m_szTrashError);
}
