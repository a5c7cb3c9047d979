#include "app/core/ServiceSet.h"

#include "app/core/AppSettings.h"
#include "app/core/ContactScan.h"
#include "app/core/EventScan.h"
#include "app/core/ItemScan.h"
#include "app/core/NotDuplicates.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"
#include "common/misc/CxIniUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ContactImage.h"
#include "tests/support/EventImage.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The data folder lives in a temporary XDG_DATA_HOME; the helpers (stand-ins following the script
// in the data folder) in a temporary program folder. Every contacts load fetches "contacts.dat" and
// every calendar load "events.dat" and "cal.dat", which a test writes into the data folder.
class ServiceSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_data = m_home.path() + "tessavo/Qosweep/";
        ASSERT_TRUE(platform::CreateFolderPath(m_data.c_str()));
        SetHelperProgramFolder(m_programs.path().c_str());

        m_savedSettings = AppSettings;
        CopyText(AppSettings.Email, "ann@example.com");
        CopyText(AppSettings.Password, "secret");
        AppSettings.LogLevel = 2;
        AppSettings.EnableDebug = true;
        WriteScript("data-if GAddr.dat contacts.dat\ndata-if GDate.dat events.dat\ncalendars cal.dat\n");
        WriteContacts(2);
        WriteEvents(3);
        Write("cal.dat", DataFileImage({RecordImage::Patterned(kCalendarLayout, 1)}));
    }

    void TearDown() override
    {
        FreeServices();
        ReleaseHelperRunners();
        SetHelperProgramFolder("");
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        AppSettings = m_savedSettings;
    }

    void PlaceHelpers(bool contacts, bool calendar) const
    {
        if (contacts)
            PlaceTestHelper(m_programs.path(), "Ombracon.exe");
        if (calendar)
            PlaceTestHelper(m_programs.path(), "Ombracal.exe");
    }
    void Write(const std::string& name, const std::string& bytes) const { TempDir::WriteFile(m_data + name, bytes); }
    void WriteScript(const std::string& script) const { Write("HelperScript.txt", script); }
    void WriteContacts(int count) const
    {
        std::vector<ContactImage> contacts;
        for (int seed = 1; seed <= count; ++seed)
            contacts.push_back(ContactImage::Patterned(seed));
        Write("contacts.dat", ContactFile(contacts));
    }
    void WriteEvents(int count) const
    {
        std::vector<RecordImage> events;
        for (int seed = 1; seed <= count; ++seed)
            events.push_back(PlainEvent(seed));
        Write("events.dat", DataFileImage(events));
    }
    std::string Runs() const
    {
        const std::string path = m_data + "HelperRuns.txt";
        return platform::FileExists(path.c_str()) ? TempDir::ReadFile(path) : std::string();
    }
    std::string RunLine(const char* dataFile) const
    {
        const std::string cwd = m_programs.path().substr(0, m_programs.path().size() - 1);
        return std::string("op=1 data=") + dataFile + " cwd=" + cwd + "\n";
    }

    static bool AllEightExist()
    {
        return g_pAddrUtil && g_pDateUtil && g_pTaskUtil && g_pNoteUtil && g_pAddrDupList && g_pDateDupList &&
               g_pTaskDupList && g_pNoteDupList;
    }
    static bool AllEightNull()
    {
        return !g_pAddrUtil && !g_pDateUtil && !g_pTaskUtil && !g_pNoteUtil && !g_pAddrDupList && !g_pDateDupList &&
               !g_pTaskDupList && !g_pNoteDupList;
    }
    static uint32_t ContactCount() { return g_pAddrUtil->GetAddrMgr()->GetRecordCount(); }
    static uint32_t EventCount() { return g_pDateUtil->GetDateMgr()->GetRecordCount(); }

    TempDir m_home;
    ScopedEnv m_xdg{"XDG_DATA_HOME", m_home.path().c_str()};
    TempDir m_programs;
    std::string m_data;

private:
    TAppSettings m_savedSettings{};
};

} // namespace

TEST_F(ServiceSetTest, FreeServicesOnAnEmptySetDoesNothingAndLeavesAllEightNull)
{
    FreeServices();
    EXPECT_TRUE(AllEightNull());
    FreeServices();
    EXPECT_TRUE(AllEightNull());
}

TEST_F(ServiceSetTest, OnlyCalendarChosenLoadsOnlyTheCalendar)
{
    PlaceHelpers(true, true);
    AppSettings.AppFlag = APP_CALENDAR;
    ASSERT_TRUE(LoadServices());

    ASSERT_TRUE(AllEightExist());
    EXPECT_EQ(3u, EventCount());
    EXPECT_EQ(0u, ContactCount());
    EXPECT_STREQ("", g_pAddrUtil->m_szEmail) << "the contacts utility is never configured";
    EXPECT_EQ(0u, g_pAddrDupList->GetCount());
    EXPECT_EQ(RunLine("GDate.dat"), Runs());

    // The calendar utility works in the data folder with the account and log settings.
    EXPECT_EQ(m_data, g_pDateUtil->m_szWorkFolder);
    EXPECT_EQ(m_data, g_pDateUtil->m_szLogFolder);
    EXPECT_STREQ("ann@example.com", g_pDateUtil->m_szEmail);
    EXPECT_STREQ("secret", g_pDateUtil->m_szPassword);
    EXPECT_EQ(2, g_pDateUtil->m_nLogLevel);
    EXPECT_TRUE(g_pDateUtil->m_bDebug);

    FreeServices();
    EXPECT_TRUE(AllEightNull());
}

// Tasks and notes cannot be chosen on the account page; nothing chosen loads nothing, which is no
// success.
TEST_F(ServiceSetTest, WithoutContactsOrCalendarNothingLoadsAndTheResultIsFalse)
{
    PlaceHelpers(true, true);
    for (int32_t flag : {0, APP_TASKS | APP_NOTES}) {
        SCOPED_TRACE(flag);
        AppSettings.AppFlag = flag;
        EXPECT_FALSE(LoadServices());
        EXPECT_TRUE(AllEightExist());
        EXPECT_EQ("", Runs());
    }
}

// True only when every chosen application loaded, whichever one fails.
TEST_F(ServiceSetTest, BothChosenSucceedOnlyWhenBothLoad)
{
    struct Case
    {
        const char* name;
        bool contactsHelper, calendarHelper;
        bool loaded;
        uint32_t contacts, events;
    };
    const Case cases[] = {
        {"both load", true, true, true, 2, 3},
        {"contacts fail, calendar loads", false, true, false, 0, 3},
        {"contacts load, calendar fails", true, false, false, 2, 0},
        {"both fail", false, false, false, 0, 0},
    };
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir programs;
        SetHelperProgramFolder(programs.path().c_str());
        if (c.contactsHelper)
            PlaceTestHelper(programs.path(), "Ombracon.exe");
        if (c.calendarHelper)
            PlaceTestHelper(programs.path(), "Ombracal.exe");

        EXPECT_EQ(c.loaded, LoadServices());
        // A failed load leaves the set in place for the pages.
        ASSERT_TRUE(AllEightExist());
        EXPECT_EQ(c.contacts, ContactCount());
        EXPECT_EQ(c.events, EventCount());
        ReleaseHelperRunners();
    }
}

TEST_F(ServiceSetTest, LoadShowsEachApplicationInTheWaitWindow)
{
    PlaceHelpers(true, true);
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    SetWaitWindowHost(nullptr);
    ASSERT_TRUE(StartWaitWindow(nullptr));
    const bool loaded = LoadServices();
    const auto window = GetCurrentWaitWindow();
    char text[256] = "";
    char status[MAX_PATH] = "";
    if (window) {
        window->GetText(text, sizeof text);
        window->GetStatusFile(status, sizeof status);
    }
    StopWaitWindow();

    EXPECT_TRUE(loaded);
    ASSERT_NE(nullptr, window);
    // The calendar loads last, so its text and status file are what the window holds at the end,
    // unless the helper wrote a progress line over the text.
    EXPECT_STREQ("Loading Google Calendar...", text);
    EXPECT_EQ(m_data + "GDateStatus.dat", status);
}

TEST_F(ServiceSetTest, ASecondLoadReleasesEverythingOfTheFirst)
{
    PlaceHelpers(true, true);
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    ASSERT_TRUE(LoadServices());
    ASSERT_EQ(2u, ContactCount());
    g_pAddrDupList->Add(g_pAddrUtil->GetAddrMgr()->GetFirst()->pAttach);
    g_pDateDupList->Add(g_pDateUtil->GetDateMgr()->GetFirst()->pAttach);

    WriteContacts(1);
    WriteEvents(1);
    ASSERT_TRUE(LoadServices());
    // Only this load's records are held; the lists start empty (the sanitizer run shows that every
    // record of the first load was released, not lost).
    EXPECT_EQ(1u, ContactCount());
    EXPECT_EQ(1u, EventCount());
    EXPECT_EQ(0u, g_pAddrDupList->GetCount());
    EXPECT_EQ(0u, g_pDateDupList->GetCount());
}

TEST_F(ServiceSetTest, FailingHelpersLeaveAUsableSet)
{
    struct Case
    {
        const char* name;
        const char* script;
    };
    const Case cases[] = {
        {"no data file written", ""},
        {"helper reports an error", "error Invalid credentials\n"},
        {"helper hangs past the limit", "sleep 3000\n"},
    };
    PlaceHelpers(true, true);
    SetHelperTimeout(300);
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteScript(c.script);
        EXPECT_FALSE(LoadServices());
        ASSERT_TRUE(AllEightExist());
        EXPECT_EQ(0u, ContactCount());
        EXPECT_EQ(0u, EventCount());
        EXPECT_TRUE(ScanContactDuplicates());
        EXPECT_TRUE(ScanEventDuplicates());
        EXPECT_TRUE(ScanTaskDuplicates());
        EXPECT_TRUE(ScanNoteDuplicates());
    }
}

TEST_F(ServiceSetTest, FreeingTheSetAsksAHelperStillRunningToStop)
{
    PlaceHelpers(true, false);
    SetHelperTimeout(300);
    AppSettings.AppFlag = APP_CONTACTS;
    WriteScript("running GAddrData.ini\nwait-stop GAddrData.ini 5000\n");
    EXPECT_FALSE(LoadServices());
    FreeServices();
    EXPECT_TRUE(AllEightNull());
    EXPECT_EQ(1, CxIniUtil(m_data.c_str(), "GAddrData.ini").ReadNumber("Status", "Stop", 0));
    EXPECT_TRUE(
        WaitUntil([this] { return Runs().find("stopped\n") != std::string::npos; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(std::string::npos, Runs().find("not-stopped"));
}

TEST_F(ServiceSetTest, ALoadReadWholeForgetsThePairsOfItemsThatLeftTheAccount)
{
    PlaceHelpers(true, true);
    AppSettings.AppFlag = APP_CONTACTS;
    g_notDuplicates.Clear();
    ASSERT_TRUE(g_notDuplicates.Load(m_data + kNotDuplicatesFile));
    ASSERT_TRUE(LoadServices());
    std::vector<std::string> ids;
    for (GAddrRecord* r = FirstContact(); r; r = NextContact())
        ids.push_back(ContactIdentity(*r));
    ASSERT_EQ(2u, ids.size());
    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Contact, ids[0], ids[1], "", ""));
    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Contact, ids[0], "gone.vcf", "", ""));
    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Event, "Work/x.ics", "Work/y.ics", "", ""));

    // A data file cut short says nothing about what is gone.
    const std::string whole = TempDir::ReadFile(m_data + "contacts.dat");
    Write("contacts.dat", whole.substr(0, whole.size() - 10));
    ASSERT_TRUE(LoadServices());
    ASSERT_FALSE(LoadShortfallText().empty());
    EXPECT_TRUE(g_notDuplicates.Contains(PairKind::Contact, ids[0], "gone.vcf"));

    Write("contacts.dat", whole);
    ASSERT_TRUE(LoadServices());
    EXPECT_FALSE(g_notDuplicates.Contains(PairKind::Contact, ids[0], "gone.vcf"));
    EXPECT_TRUE(g_notDuplicates.Contains(PairKind::Contact, ids[0], ids[1]));
    // The calendar was not chosen, so its pairs stay.
    EXPECT_TRUE(g_notDuplicates.Contains(PairKind::Event, "Work/x.ics", "Work/y.ics"));
    NotDuplicates saved;
    ASSERT_TRUE(saved.Load(m_data + kNotDuplicatesFile));
    EXPECT_EQ(2u, saved.Pairs().size());
    g_notDuplicates.Clear();
}
