#include "app/core/Restoration.h"

#include "app/core/AppSettings.h"
#include "app/core/DeletedItems.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/TrashListings.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kRule(80, '=');

class RecordingSink : public DeletionSink
{
public:
    void LogLine(const char* szLine) override
    {
        EXPECT_LT(std::strlen(szLine), Restoration::kLineCapacity) << szLine;
        lines.push_back(szLine);
        trail.push_back(std::string("log ") + szLine);
    }
    void Progress(int nPercent) override { trail.push_back("progress " + std::to_string(nPercent)); }
    void ShowWaitWindow() override { trail.push_back("show"); }
    void HideWaitWindow() override { trail.push_back("hide"); }
    void SetWaitText(const char* szText) override { trail.push_back(std::string("text ") + szText); }
    void SetWaitStatusFile(const char* szPath) override { trail.push_back(std::string("status ") + szPath); }
    void Pause(int) override {}

    Lines lines;
    Lines trail;
};

class RestorationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_data = m_home.path() + "tessavo/Qosweep/";
        ASSERT_TRUE(platform::CreateFolderPath(m_data.c_str()));
        SetHelperProgramFolder(m_programs.path().c_str());
        m_savedSettings = AppSettings;
        CopyText(AppSettings.Email, "ann@example.org");
        PlaceTestHelper(m_programs.path(), "Ombracon.exe");
        PlaceTestHelper(m_programs.path(), "Ombracal.exe");
    }
    void TearDown() override
    {
        ReleaseHelperRunners();
        SetHelperProgramFolder("");
        AppSettings = m_savedSettings;
    }

    void Script(const std::string& text) { TempDir::WriteFile(m_data + "HelperScript.txt", text); }
    Lines HelperRuns() const
    {
        Lines runs;
        std::istringstream in(TempDir::ReadFile(m_data + "HelperRuns.txt"));
        for (std::string line; std::getline(in, line);)
            runs.push_back(line.substr(0, line.find(" cwd=")));
        return runs;
    }
    // Lists Ann and Bob (contacts) and Lunch (an event), all deleted on one run.
    void ListThree()
    {
        WriteContactListing(m_data, {"Ann", "Bob"});
        WriteEventListing(m_data, {"Lunch"});
        Script(std::string(kServeListings) + "trash-time 2026-12-11 16:20:01\n");
        ASSERT_TRUE(m_items.List());
        ASSERT_EQ(3u, m_items.Items().size());
    }
    void ChooseAll()
    {
        for (DeletedItem& item : m_items.Items())
            item.bChosen = true;
    }
    static Lines ContactBlock(const char* name, const std::string& verdict)
    {
        return {"Restoring contact item ...",
                std::string("\tDisplay Name: ") + name,
                "\tCompany: <empty>",
                "\tTitle: <empty>",
                std::string("\tEmail: ") + name + "@example.org",
                "\tPhone: <empty>",
                "\tDeleted: 2026-12-11 16:20:01",
                verdict,
                ""};
    }
    Lines Summary(const Lines& lines) const
    {
        const auto head = std::find(m_sink.lines.begin(), m_sink.lines.end(), "Restoring finished:");
        EXPECT_NE(m_sink.lines.end(), head);
        Lines summary(head == m_sink.lines.end() ? head : head + 1, m_sink.lines.end());
        EXPECT_EQ(lines, summary);
        return summary;
    }

    TempDir m_home;
    ScopedEnv m_xdg{"XDG_DATA_HOME", m_home.path().c_str()};
    TempDir m_programs;
    std::string m_data;
    RecordingSink m_sink;
    DeletedItems m_items;
    Restoration m_job{m_sink, m_items};

private:
    TAppSettings m_savedSettings{};
};

} // namespace

TEST_F(RestorationTest, AllRestoredLogsEachBlockAndTrueTotals)
{
    ListThree();
    ChooseAll();
    // Both helpers follow the one script: each puts its first record back under a free name.
    Script("restore-note 1 as a-1, since a is taken\n");
    m_job.Begin();
    m_job.Run();

    Lines expected = {"Start restoring deleted records ...", kRule, ""};
    for (const Lines& part :
         {ContactBlock("Ann", "Restored: as a-1, since a is taken"), ContactBlock("Bob", "Restored.")})
        expected.insert(expected.end(), part.begin(), part.end());
    const Lines event = {"Restoring calendar item ...",
                         "\tSubject: Lunch",
                         "\tLocation: <empty>",
                         "\tStart Time: N/A",
                         "\tCalendar: Home",
                         "\tDeleted: 2026-12-11 16:20:01",
                         "Restored: as a-1, since a is taken",
                         ""};
    expected.insert(expected.end(), event.begin(), event.end());
    const Lines summary = {kRule, "Restoring finished:", "\t2 of 2 contacts restored.",
                           "\t1 of 1 calendar events restored.", ""};
    expected.insert(expected.end(), summary.begin(), summary.end());
    EXPECT_EQ(expected, m_sink.lines);
    EXPECT_EQ(2, m_job.m_nRestoredContacts);
    EXPECT_EQ(1, m_job.m_nRestoredEvents);

    const Lines runs = HelperRuns();
    EXPECT_EQ((Lines{"op=4 data=GAddr.dat", "op=4 data=GDate.dat", "op=3 data=GAddr.dat", "op=3 data=GDate.dat"}),
              runs);
    // The wait window shows the restore's text and each kind's status file while its helper runs.
    const Lines& trail = m_sink.trail;
    const auto show = std::find(trail.begin(), trail.end(), "show");
    ASSERT_NE(trail.end(), show);
    EXPECT_EQ("text Restoring deleted items in the account...", *(show + 1));
    EXPECT_NE(trail.end(), std::find(trail.begin(), trail.end(), "status " + m_data + "GAddrStatus.dat"));
    EXPECT_NE(trail.end(), std::find(trail.begin(), trail.end(), "status " + m_data + "GDateStatus.dat"));
    EXPECT_LT(std::find(trail.begin(), trail.end(), "hide"),
              std::find(trail.begin(), trail.end(), "log Restoring contact item ..."));
    const auto lastProgress = std::find_if(trail.rbegin(), trail.rend(),
                                           [](const std::string& entry) { return entry.rfind("progress ", 0) == 0; });
    ASSERT_NE(trail.rend(), lastProgress);
    EXPECT_EQ("progress 100", *lastProgress);
}

TEST_F(RestorationTest, OnlyTheChosenGoAndARefusalIsNamedInTheTotals)
{
    ListThree();
    m_items.Items()[0].bChosen = true;
    m_items.Items()[1].bChosen = true;
    Script("refuse 2 the trash file changed since the listing\nkeep-save GAddr.dat handed.dat\n");
    m_job.Begin();
    m_job.Run();

    EXPECT_EQ(1, m_job.m_nRestoredContacts);
    EXPECT_EQ(2, m_job.m_nChosenContacts);
    EXPECT_EQ(0, m_job.m_nChosenEvents);
    EXPECT_NE(m_sink.lines.end(), std::find(m_sink.lines.begin(), m_sink.lines.end(),
                                            "Not restored: the trash file changed since the listing"));
    Summary({"\t1 of 2 contacts restored.", "\t\tNot restored: Bob: the trash file changed since the listing",
             "\tNo calendar events chosen.", ""});
    // No event was chosen: the calendar helper is not asked to restore anything.
    EXPECT_EQ((Lines{"op=4 data=GAddr.dat", "op=4 data=GDate.dat", "op=3 data=GAddr.dat"}), HelperRuns());
}

TEST_F(RestorationTest, AHelperThatReportsNothingNeverPassesForSuccess)
{
    struct Case
    {
        const char* name;
        std::string script;
        bool helperPresent;
        Lines verdicts;
        Lines summary;
    };
    const Case cases[] = {
        {"no report",
         "no-result\n",
         true,
         {"Restore not confirmed: the helper program left no report of what it restored."},
         {"\tThe restore of 1 contacts was not confirmed: the helper program left no report of what it "
          "restored. List the deleted items again to see what is left.",
          "\tNo calendar events chosen.", ""}},
        {"report cut short",
         "result-cut 20\n",
         true,
         {"Restore not confirmed: the helper program left no report of what it restored."},
         {"\tThe restore of 1 contacts was not confirmed: the helper program left no report of what it "
          "restored. List the deleted items again to see what is left.",
          "\tNo calendar events chosen.", ""}},
        {"helper refuses the whole restore",
         "error The server cannot be reached, nothing restored\n",
         true,
         {"Not restored: The server cannot be reached, nothing restored"},
         {"\t0 of 1 contacts restored.", "\t\tNot restored: Ann: The server cannot be reached, nothing restored",
          "\tNo calendar events chosen.", ""}},
        {"helper gone",
         "",
         false,
         {"Not restored: the helper program could not be started."},
         {"\t0 of 1 contacts restored.", "\t\tNot restored: Ann: the helper program could not be started",
          "\tNo calendar events chosen.", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteFile(m_programs.file("Ombracon.exe").c_str());
        PlaceTestHelper(m_programs.path(), "Ombracon.exe");
        ListThree();
        m_items.Items()[0].bChosen = true;
        Script(c.script);
        if (!c.helperPresent)
            platform::DeleteFile(m_programs.file("Ombracon.exe").c_str());
        m_sink.lines.clear();
        m_job.Run();
        Lines verdicts;
        for (const std::string& line : m_sink.lines)
            if (line.rfind("Restore", 0) == 0 || line.rfind("Not restored", 0) == 0)
                if (line != "Restoring contact item ..." && line != "Restoring finished:")
                    verdicts.push_back(line);
        EXPECT_EQ(c.verdicts, verdicts);
        Summary(c.summary);
        EXPECT_EQ(0, m_job.m_nRestoredContacts);
    }
}

TEST_F(RestorationTest, ListingMergesBothKindsNewestFirstAndChoosesARunsDeletions)
{
    WriteContactListing(m_data, {"Ann", "Bob", "Cid"});
    WriteEventListing(m_data, {"Lunch", "Trip"});
    // Contacts: times 1-3 in order; events: the first two of the same lines.
    Script(std::string(kServeListings) +
           "trash-time 2026-12-11 16:20:01\ntrash-time 2026-12-10\ntrash-time 2026-12-10 08:00:00\n"
           "trash-size 1000 3\n");
    ASSERT_TRUE(m_items.List());
    Lines order;
    for (const DeletedItem& item : m_items.Items())
        order.push_back(item.deletedAt + " " +
                        (item.kind == TrashKind::Contacts ? item.pContact->szDisplayName : item.pEvent->szSubject));
    EXPECT_EQ((Lines{"2026-12-11 16:20:01 Ann", "2026-12-11 16:20:01 Lunch", "2026-12-10 08:00:00 Cid",
                     "2026-12-10 Bob", "2026-12-10 Trip"}),
              order);
    EXPECT_EQ(5u, m_items.ItemCount());
    EXPECT_EQ(2000u, m_items.TrashBytes());
    EXPECT_EQ("", m_items.FailureText());

    m_items.ChooseDeletedSince("2026-12-10 08:00:00");
    Lines chosen;
    for (const DeletedItem& item : m_items.Items())
        chosen.push_back(item.bChosen ? "x" : "-");
    EXPECT_EQ((Lines{"x", "x", "x", "-", "-"}), chosen);
    EXPECT_TRUE(m_items.AnyChosen());
    m_items.ChooseDeletedSince("2026-12-12 00:00:00");
    EXPECT_FALSE(m_items.AnyChosen());
}

TEST_F(RestorationTest, AFailedListingSaysWhyForItsKind)
{
    WriteContactListing(m_data, {"Ann"});
    Script(std::string(kServeListings) + "error The trash cannot be read\n");
    platform::DeleteFile(m_programs.file("Ombracal.exe").c_str());
    EXPECT_FALSE(m_items.List());
    EXPECT_TRUE(m_items.Items().empty());
    EXPECT_EQ("The deleted contacts could not be listed: the helper program said: The trash cannot be read\n"
              "The deleted calendar events could not be listed: the helper program could not be started.",
              m_items.FailureText());
}

TEST_F(RestorationTest, EmptyingAsksBothHelpersWithTheDays)
{
    Script("trash-removed 2\ntrash-size 10 1\n");
    EXPECT_TRUE(m_items.EmptyOlderThan(30));
    EXPECT_EQ((Lines{"op=5 data=GAddr.dat", "op=5 data=GDate.dat"}), HelperRuns());
    EXPECT_NE(std::string::npos, TempDir::ReadFile(m_data + "HelperSeen.txt").find("1004|8|30\n"));
    EXPECT_EQ(2u, m_items.Contacts().m_trash.nRemoved);

    Script("error Days out of range\n");
    EXPECT_FALSE(m_items.EmptyOlderThan(7));
    EXPECT_EQ("The deleted contacts could not be emptied: the helper program said: Days out of range\n"
              "The deleted calendar events could not be emptied: the helper program said: Days out of range",
              m_items.FailureText());
}
