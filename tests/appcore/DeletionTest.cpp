#include "app/core/Deletion.h"

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ServiceRecords.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const std::string kRule(80, '=');
const Lines kHead{"Start deleting duplicate records ...", kRule, ""};

// Everything the job reports: the log and the percentages on their own, and all of it in one trail
// in the order it came, the log lines there as "log <line>".
class RecordingSink : public DeletionSink
{
public:
    void LogLine(const char* szLine) override
    {
        // The page shows the line as it is handed over: it must already fit the line buffer.
        EXPECT_LT(std::strlen(szLine), Deletion::kLineCapacity) << szLine;
        lines.push_back(szLine);
        trail.push_back(std::string("log ") + szLine);
    }
    void Progress(int nPercent) override
    {
        percents.push_back(nPercent);
        trail.push_back("progress " + std::to_string(nPercent));
    }
    void ShowWaitWindow() override { trail.push_back("show"); }
    void HideWaitWindow() override { trail.push_back("hide"); }
    void SetWaitText(const char* szText) override { trail.push_back(std::string("text ") + szText); }
    void SetWaitStatusFile(const char* szPath) override { trail.push_back(std::string("status ") + szPath); }
    void Pause(int nMilliseconds) override { trail.push_back("pause " + std::to_string(nMilliseconds)); }

    Lines lines;
    std::vector<int> percents;
    Lines trail;
};

struct Contact
{
    const char* name;
    const char* company;
    const char* title;
    const char* email;
    const char* phone;
};

struct Event
{
    const char* subject;
    const char* location;
    double start;
    double end;
    int32_t allDay;
};

RecordPtr<GAddrRecord> ContactRecord(const Contact& c)
{
    RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
    CopyText(r->szDisplayName, c.name);
    CopyText(r->szCompanyName, c.company);
    CopyText(r->szJobTitle, c.title);
    CopyText(r->szEmailPrimary, c.email);
    CopyText(r->szPhonePrimary, c.phone);
    return r;
}

RecordPtr<GDateRecord> EventRecord(const Event& e)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyText(r->szSubject, e.subject);
    CopyText(r->szLocation, e.location);
    r->dtStart = e.start;
    r->dtEnd = e.end;
    r->nAllDayEvent = e.allDay;
    return r;
}

Lines Joined(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Lines Tagged(const Lines& lines)
{
    Lines tagged;
    for (const std::string& line : lines)
        tagged.push_back("log " + line);
    return tagged;
}

// The lines of the log that are verdicts, in order.
Lines Verdicts(const Lines& log)
{
    Lines verdicts;
    std::copy_if(log.begin(), log.end(), std::back_inserter(verdicts),
                 [](const std::string& line) { return line.rfind("Deletion ", 0) == 0; });
    return verdicts;
}

// "YYYY-MM-DD HH:MM:SS" in local time, taken here independently of the job's own way.
std::string LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = "";
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

long CountOf(const Lines& log, const std::string& line)
{
    return std::count(log.begin(), log.end(), line);
}

// A job over a fresh in-memory service set whose work folder is the data folder; the helpers are the
// stand-in under the real names, following the script in the data folder.
class DeletionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_data = m_home.path() + "tessavo/Qosweep/";
        ASSERT_TRUE(platform::CreateFolderPath(m_data.c_str()));
        // No helper program unless a test places one.
        m_programs = std::make_unique<TempDir>();
        SetHelperProgramFolder(m_programs->path().c_str());
        m_savedSettings = AppSettings;
        AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
        InstallEmptyServices(m_data);
    }

    void TearDown() override
    {
        FreeServices();
        ReleaseHelperRunners();
        SetHelperProgramFolder("");
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        AppSettings = m_savedSettings;
    }

    // Marked and listed as the review page leaves a record, ticked or not.
    template <typename Record>
    static Record* Listed(Record* raw, CxList* dupList, bool ticked)
    {
        raw->dwFlags = ticked ? REC_DUPLICATE | REC_SELECTED : uint32_t{REC_DUPLICATE};
        dupList->Add(raw);
        return raw;
    }
    static GAddrRecord* AddContact(const Contact& c, bool ticked)
    {
        return Listed(::AddContact(*ContactRecord(c)), g_pAddrDupList, ticked);
    }
    static GDateRecord* AddEvent(const Event& e, bool ticked)
    {
        return Listed(::AddEvent(*EventRecord(e)), g_pDateDupList, ticked);
    }

    // Places the stand-in under a fresh program folder each time, so a case of a table can leave one out.
    void PlaceHelpers(bool contacts, bool calendar, const std::string& script = "")
    {
        m_programs = std::make_unique<TempDir>();
        SetHelperProgramFolder(m_programs->path().c_str());
        if (contacts)
            PlaceTestHelper(m_programs->path(), "Ombracon.exe");
        if (calendar)
            PlaceTestHelper(m_programs->path(), "Ombracal.exe");
        TempDir::WriteFile(m_data + "HelperScript.txt", script);
    }

    // A new set for the next case of a table, with nothing left of the last one's helper runs.
    void FreshServices(const std::string& workFolder)
    {
        ReleaseHelperRunners();
        InstallEmptyServices(workFolder);
        platform::DeleteFile((m_data + "HelperRuns.txt").c_str());
    }

    // One line per helper run, as the stand-in records them.
    Lines HelperRuns() const
    {
        const std::string path = m_data + "HelperRuns.txt";
        Lines runs;
        if (!platform::FileExists(path.c_str()))
            return runs;
        std::istringstream in(TempDir::ReadFile(path));
        for (std::string line; std::getline(in, line);)
            runs.push_back(line.substr(0, line.find(" cwd=")));
        return runs;
    }

    TempDir m_home;
    ScopedEnv m_xdg{"XDG_DATA_HOME", m_home.path().c_str()};
    std::unique_ptr<TempDir> m_programs;
    std::string m_data;
    RecordingSink m_sink;
    Deletion m_job{m_sink};

private:
    TAppSettings m_savedSettings{};
};

// Throws once it has handled the given number of contacts, as a damaged record list deep in a
// deletion would.
class ThrowingDeletion : public Deletion
{
public:
    ThrowingDeletion(DeletionSink& sink, int throwAfter)
        : Deletion(sink)
        , m_throwAfter(throwAfter)
    {}

    void DeleteContactItem(GAddrRecord* pRecord) override
    {
        Deletion::DeleteContactItem(pRecord);
        if (++m_handled == m_throwAfter)
            throw std::runtime_error("record list damaged");
    }

private:
    const int m_throwAfter;
    int m_handled = 0;
};

} // namespace

TEST_F(DeletionTest, BeginWritesTheHeadAndStartsTheCountersAndProgressAtZero)
{
    m_job.m_nDeletedContacts = 4;
    m_job.m_nDeletedEvents = 3;
    m_job.m_nDeletedTasks = 2;
    m_job.m_nDeletedNotes = 1;
    m_job.m_nTotal = 9;
    m_job.m_nProcessed = 8;

    m_job.Begin();

    // Nothing else: no wait window, no pause, no walk before Run.
    EXPECT_EQ(Joined({Tagged(kHead), {"progress 0"}}), m_sink.trail);
    EXPECT_EQ(0, m_job.m_nDeletedContacts);
    EXPECT_EQ(0, m_job.m_nDeletedEvents);
    EXPECT_EQ(0, m_job.m_nDeletedTasks);
    EXPECT_EQ(0, m_job.m_nDeletedNotes);
    EXPECT_EQ(0, m_job.m_nTotal);
    EXPECT_EQ(0, m_job.m_nProcessed);
    EXPECT_EQ(Lines{}, HelperRuns());
}

TEST_F(DeletionTest, RunLogsEveryTickedRecordPassesOverTheRestAndSavesEachKindOnce)
{
    PlaceHelpers(true, true);
    GAddrRecord* contacts[] = {
        AddContact({"Ann Lee", "Acme", "CEO", "ann@example.com", "555-0100"}, true),
        AddContact({"Kept", "Keep Co", "Boss", "kept@example.com", "555-0199"}, false),
        AddContact({"Cy Ong", "Ong & S\xC3\xB6hne", "", "", ""}, true),
    };
    GDateRecord* events[] = {
        AddEvent({"Standup", "Room 1", 45000.375, 45000.40625, 0}, true),
        AddEvent({"Review", "Room 2", 45000.5, 45000.6, 0}, false),
        AddEvent({"Holiday", "", 0, 0, 7}, true),
    };

    m_job.Begin();
    m_job.Run();

    const Lines expected{
        "Start deleting duplicate records ...",
        kRule,
        "",
        "Deleting contact item ...",
        "\tDisplay Name: Ann Lee",
        "\tCompany: Acme",
        "\tTitle: CEO",
        "\tEmail: ann@example.com",
        "\tPhone: 555-0100",
        "Deletion succeeded.",
        "",
        "Deleting contact item ...",
        "\tDisplay Name: Cy Ong",
        "\tCompany: Ong & S\xC3\xB6hne",
        "\tTitle: <empty>",
        "\tEmail: <empty>",
        "\tPhone: <empty>",
        "Deletion succeeded.",
        "",
        "Deleting calendar item ...",
        "\tSubject: Standup",
        "\tLocation: Room 1",
        "\tStart Time: 09:00:00",
        "\tEnd Time: 09:45:00",
        "\tAll Day Event: No",
        "Deletion succeeded.",
        "",
        "Deleting calendar item ...",
        "\tSubject: Holiday",
        "\tLocation: <empty>",
        "\tStart Time: N/A",
        "\tEnd Time: N/A",
        "\tAll Day Event: Yes",
        "Deletion succeeded.",
        "",
        kRule,
        "Deleting duplicates finished:",
        "\t2 duplicate contact items deleted.",
        "\t2 duplicate calendar items deleted.",
        "",
    };
    EXPECT_EQ(expected, m_sink.lines);
    EXPECT_EQ((std::vector<int>{0, 16, 33, 50, 66, 83, 100}), m_sink.percents);
    EXPECT_EQ(2, m_job.m_nDeletedContacts);
    EXPECT_EQ(2, m_job.m_nDeletedEvents);
    EXPECT_EQ(0, m_job.m_nDeletedTasks);
    EXPECT_EQ(0, m_job.m_nDeletedNotes);
    EXPECT_EQ(6, m_job.m_nTotal);
    EXPECT_EQ(6, m_job.m_nProcessed);
    EXPECT_EQ((std::vector<int32_t>{ACTION_DELETE, 0, ACTION_DELETE}),
              (std::vector<int32_t>{contacts[0]->ActionCode, contacts[1]->ActionCode, contacts[2]->ActionCode}));
    EXPECT_EQ((std::vector<int32_t>{ACTION_DELETE, 0, ACTION_DELETE}),
              (std::vector<int32_t>{events[0]->ActionCode, events[1]->ActionCode, events[2]->ActionCode}));
    EXPECT_EQ((Lines{"op=2 data=GAddr.dat", "op=2 data=GDate.dat"}), HelperRuns());
}

TEST_F(DeletionTest, EachSaveRunsBehindTheWaitWindowAfterAPauseWithItsStatusFile)
{
    PlaceHelpers(true, true);
    AddContact({"Ann", "", "", "", ""}, true);
    AddEvent({"Standup", "", 0, 0, 0}, true);

    m_job.Run();

    const Lines contact{"Deleting contact item ...", "\tDisplay Name: Ann", "\tCompany: <empty>",  "\tTitle: <empty>",
                        "\tEmail: <empty>",          "\tPhone: <empty>",    "Deletion succeeded.", ""};
    const Lines event{"Deleting calendar item ...",
                      "\tSubject: Standup",
                      "\tLocation: <empty>",
                      "\tStart Time: N/A",
                      "\tEnd Time: N/A",
                      "\tAll Day Event: No",
                      "Deletion succeeded.",
                      ""};
    const Lines summary{kRule, "Deleting duplicates finished:", "\t1 duplicate contact items deleted.",
                        "\t1 duplicate calendar items deleted.", ""};
    // Each kind's blocks follow its save, which tells their verdicts.
    const Lines expected = Joined({
        {"show", "text Deleting duplicate information in the Google account...", "pause 100",
         "text Deleting duplicate contacts information in the Google account...", "progress 50", "pause 100",
         "status " + m_data + "GAddrStatus.dat"},
        Tagged(contact),
        {"text Deleting duplicate calendar information in the Google account...", "progress 100", "pause 100",
         "status " + m_data + "GDateStatus.dat"},
        Tagged(event),
        {"hide"},
        // The summary comes after the window is down; the bar already stands at 100.
        Tagged(summary),
    });
    EXPECT_EQ(expected, m_sink.trail);
}

TEST_F(DeletionTest, OnlyTheChosenApplicationsAreWalkedCountedAndSaved)
{
    struct Case
    {
        const char* name;
        int32_t flag;
        bool ticked;
        int taskDuplicates; // counted when tasks are chosen, never walked
        int32_t total;
        int32_t processed;
        std::vector<int> percents;
        long contactBlocks;
        long eventBlocks;
        Lines runs;
        const char* contactSummary;
        const char* eventSummary;
    };
    const char* const kNoContacts = "\t0 duplicate contact items deleted.";
    const char* const kTwoContacts = "\t2 duplicate contact items deleted.";
    const char* const kNoEvents = "\t0 duplicate calendar items deleted.";
    const char* const kOneEvent = "\t1 duplicate calendar items deleted.";
    const Case cases[] = {
        {"contacts and calendar",
         APP_CONTACTS | APP_CALENDAR,
         true,
         0,
         4,
         4,
         {25, 50, 75, 100},
         2,
         1,
         {"op=2 data=GAddr.dat", "op=2 data=GDate.dat"},
         kTwoContacts,
         kOneEvent},
        // Walked and counted, but with no mark there is nothing to save.
        {"contacts and calendar, none ticked",
         APP_CONTACTS | APP_CALENDAR,
         false,
         0,
         4,
         4,
         {25, 50, 75, 100},
         0,
         0,
         {},
         kNoContacts,
         kNoEvents},
        {"contacts only",
         APP_CONTACTS,
         true,
         0,
         2,
         2,
         {50, 100},
         2,
         0,
         {"op=2 data=GAddr.dat"},
         kTwoContacts,
         kNoEvents},
        {"calendar only",
         APP_CALENDAR,
         true,
         0,
         2,
         2,
         {50, 100},
         0,
         1,
         {"op=2 data=GDate.dat"},
         kNoContacts,
         kOneEvent},
        // The task duplicates hold their share of the bar, which jumps to 100 when the walk ends.
        {"contacts and tasks",
         APP_CONTACTS | APP_TASKS,
         true,
         2,
         4,
         2,
         {25, 50, 100},
         2,
         0,
         {"op=2 data=GAddr.dat"},
         kTwoContacts,
         kNoEvents},
        {"tasks and notes", APP_TASKS | APP_NOTES, true, 2, 2, 0, {100}, 0, 0, {}, kNoContacts, kNoEvents},
        {"nothing", 0, true, 2, 0, 0, {100}, 0, 0, {}, kNoContacts, kNoEvents},
    };
    PlaceHelpers(true, true);
    int placeholder[2] = {};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshServices(m_data);
        GAddrRecord* contacts[] = {AddContact({"Ann", "", "", "", ""}, c.ticked),
                                   AddContact({"Bob", "", "", "", ""}, c.ticked)};
        GDateRecord* event = AddEvent({"Standup", "", 0, 0, 0}, c.ticked);
        AddEvent({"Review", "", 0, 0, 0}, false);
        g_pTaskDupList = new CxList;
        for (int i = 0; i < c.taskDuplicates; ++i)
            g_pTaskDupList->Add(&placeholder[i]);
        AppSettings.AppFlag = c.flag;
        RecordingSink sink;
        Deletion job(sink);

        job.Run();

        EXPECT_EQ(c.total, job.m_nTotal);
        EXPECT_EQ(c.processed, job.m_nProcessed);
        EXPECT_EQ(c.percents, sink.percents);
        EXPECT_EQ(c.contactBlocks, CountOf(sink.lines, "Deleting contact item ..."));
        EXPECT_EQ(c.eventBlocks, CountOf(sink.lines, "Deleting calendar item ..."));
        EXPECT_EQ(c.contactBlocks, job.m_nDeletedContacts);
        EXPECT_EQ(c.eventBlocks, job.m_nDeletedEvents);
        const int32_t contactAction = c.contactBlocks ? ACTION_DELETE : 0;
        EXPECT_EQ(contactAction, contacts[0]->ActionCode);
        EXPECT_EQ(contactAction, contacts[1]->ActionCode);
        EXPECT_EQ(c.eventBlocks ? ACTION_DELETE : 0, event->ActionCode);
        EXPECT_EQ(c.runs, HelperRuns());
        ASSERT_GE(sink.lines.size(), 5u);
        EXPECT_EQ((Lines{kRule, "Deleting duplicates finished:", c.contactSummary, c.eventSummary, ""}),
                  Lines(sink.lines.end() - 5, sink.lines.end()));
        // The wait window goes up and down once, whatever was chosen; each save pauses once more.
        EXPECT_EQ(1, CountOf(sink.trail, "show"));
        EXPECT_EQ(1, CountOf(sink.trail, "hide"));
        EXPECT_EQ(static_cast<long>(1 + c.runs.size()), CountOf(sink.trail, "pause 100"));
    }
}

TEST_F(DeletionTest, RecordThatCannotBeMarkedIsLoggedAsFailedAndTheWalkGoesOn)
{
    struct Case
    {
        const char* name;
        int brokenContact; // -1: none; a broken record has no common record to be marked through
        int brokenEvent;
        bool contactsUtilityGone;
        Lines verdicts; // three contacts, then two events
        int32_t contacts;
        int32_t events;
        Lines runs;
    };
    const std::string ok = "Deletion succeeded.";
    const std::string failed = "Deletion failed.";
    const Case cases[] = {
        {"middle contact",
         1,
         -1,
         false,
         {ok, failed, ok, ok, ok},
         2,
         2,
         {"op=2 data=GAddr.dat", "op=2 data=GDate.dat"}},
        {"first event", -1, 0, false, {ok, ok, ok, failed, ok}, 3, 1, {"op=2 data=GAddr.dat", "op=2 data=GDate.dat"}},
        // Nothing marked: the contacts are not saved, the events still are.
        {"no contacts utility", -1, -1, true, {failed, failed, failed, ok, ok}, 0, 2, {"op=2 data=GDate.dat"}},
    };
    PlaceHelpers(true, true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshServices(m_data);
        std::vector<GAddrRecord*> contacts;
        for (const char* name : {"Ann", "Bob", "Cy"})
            contacts.push_back(AddContact({name, "", "", "", ""}, true));
        std::vector<GDateRecord*> events{AddEvent({"Standup", "", 0, 0, 0}, true),
                                         AddEvent({"Review", "", 0, 0, 0}, true)};
        if (c.brokenContact >= 0)
            contacts[c.brokenContact]->pMgrNode = nullptr;
        if (c.brokenEvent >= 0)
            events[c.brokenEvent]->pMgrNode = nullptr;
        CxGAddrUtil* const utility = c.contactsUtilityGone ? std::exchange(g_pAddrUtil, nullptr) : nullptr;
        RecordingSink sink;
        Deletion job(sink);

        job.Run();
        if (utility)
            g_pAddrUtil = utility;

        EXPECT_EQ(c.verdicts, Verdicts(sink.lines));
        EXPECT_EQ(c.contacts, job.m_nDeletedContacts);
        EXPECT_EQ(c.events, job.m_nDeletedEvents);
        EXPECT_EQ(5, job.m_nProcessed);
        EXPECT_EQ(100, sink.percents.back());
        // The record after a failed one is still marked.
        EXPECT_EQ(c.contactsUtilityGone ? 0 : ACTION_DELETE, contacts[2]->ActionCode);
        EXPECT_EQ(c.brokenEvent == 1 ? 0 : ACTION_DELETE, events[1]->ActionCode);
        EXPECT_EQ(c.runs, HelperRuns());
        ASSERT_GE(sink.lines.size(), 3u);
        EXPECT_EQ("\t" + std::to_string(c.contacts) + " duplicate contact items deleted.", sink.lines.end()[-3]);
        EXPECT_EQ("\t" + std::to_string(c.events) + " duplicate calendar items deleted.", sink.lines.end()[-2]);
    }
}

TEST_F(DeletionTest, SaveThatLeavesTheAccountUnchangedIsLoggedAndSummarisedAsNotUpdated)
{
    struct Case
    {
        const char* name;
        bool workFolderExists;
        bool contactsHelper;
        bool calendarHelper;
        std::string script;
        uint32_t timeout;
        const char* contactsLine; // null: the save went through
        const char* eventsLine;
        const char* verdict; // of both records
        bool outcomeKnown;   // false: the summary says the deletion may not have finished
    };
    const char* const kNotWritten = "The Google account was not updated: the data file could not be written.";
    const char* const kNotStarted = "The Google account was not updated: the helper program could not be started.";
    const char* const kReported = "The Google account was not updated: the helper program reported: No quota left";
    const char* const kOk = "Deletion succeeded.";
    const Case cases[] = {
        {"both saved", true, true, true, "", 5000, nullptr, nullptr, kOk, true},
        {"data file not writable", false, true, true, "", 5000, kNotWritten, kNotWritten,
         "Deletion failed: the data file could not be written.", true},
        {"helpers not started", true, false, false, "", 5000, kNotStarted, kNotStarted,
         "Deletion failed: the helper program could not be started.", true},
        {"only the contacts helper missing", true, false, true, "", 5000, kNotStarted, nullptr, nullptr, true},
        // The last error listed is the one that ended the helper's work; the stand-in then deletes nothing.
        {"helpers report an error", true, true, true, "error Signing in\nerror No quota left\n", 5000, kReported,
         kReported, "Deletion failed: No quota left", true},
        // An error written before the limit passed is not what stopped the save, and a helper that overran
        // may have deleted any part of what it was given.
        {"helpers time out", true, true, true, "error Signing in\nsleep 400\n", 100, nullptr, nullptr,
         "Deletion not confirmed: the helper program did not finish in time.", false},
    };
    const auto ann = [](const char* verdict) {
        return Lines{"Deleting contact item ...", "\tDisplay Name: Ann", "\tCompany: Acme", "\tTitle: <empty>",
                     "\tEmail: ann@example.com",  "\tPhone: <empty>",    verdict,           ""};
    };
    const auto standup = [](const char* verdict) {
        return Lines{"Deleting calendar item ...",
                     "\tSubject: Standup",
                     "\tLocation: Room 1",
                     "\tStart Time: N/A",
                     "\tEnd Time: N/A",
                     "\tAll Day Event: No",
                     verdict,
                     ""};
    };
    const auto notUpdated = [](const char* line) { return line ? Lines{line} : Lines{}; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaceHelpers(c.contactsHelper, c.calendarHelper, c.script);
        SetHelperTimeout(c.timeout);
        FreshServices(c.workFolderExists ? m_data : m_data + "missing/");
        GAddrRecord* contact = AddContact({"Ann", "Acme", "", "ann@example.com", ""}, true);
        GDateRecord* event = AddEvent({"Standup", "Room 1", 0, 0, 0}, true);
        RecordingSink sink;
        Deletion job(sink);

        job.Run();

        const auto summary = [&c](const char* line, const char* kind) {
            if (!c.outcomeKnown)
                return std::string("\tThe deletion of 1 duplicate ") + kind +
                       " items may not have finished: the helper program did not finish in time. Load the account "
                       "again to see what is left.";
            return std::string("\t1 duplicate ") + kind +
                   (line ? " items marked, but the Google account was not updated." : " items deleted.");
        };
        const Lines summaries{kRule, "Deleting duplicates finished:", summary(c.contactsLine, "contact"),
                              summary(c.eventsLine, "calendar"), ""};
        const char* const contactVerdict =
            c.verdict ? c.verdict : "Deletion failed: the helper program could not be started.";
        const char* const eventVerdict = c.verdict ? c.verdict : kOk;
        EXPECT_EQ(Joined({ann(contactVerdict), notUpdated(c.contactsLine), standup(eventVerdict),
                          notUpdated(c.eventsLine), summaries}),
                  sink.lines);
        // The counters and the marks still tell what was marked.
        EXPECT_EQ(1, job.m_nDeletedContacts);
        EXPECT_EQ(1, job.m_nDeletedEvents);
        EXPECT_EQ(ACTION_DELETE, contact->ActionCode);
        EXPECT_EQ(ACTION_DELETE, event->ActionCode);
        EXPECT_EQ(100, sink.percents.back());
    }
}

TEST_F(DeletionTest, FieldLineIsCutToTheLineBufferOnAWholeCharacter)
{
    struct Case
    {
        const char* name;
        const char* label;
        std::string value;
        std::string line;
    };
    const std::string head = "\tLocation: "; // 11 bytes, so 244 bytes of the value fit
    const std::string euro = "\xE2\x82\xAC";
    const std::string umlaut = "\xC3\xB6";
    const Case cases[] = {
        {"exactly full", "Location", std::string(244, 'a'), head + std::string(244, 'a')},
        {"one byte over", "Location", std::string(245, 'a'), head + std::string(244, 'a')},
        {"two-byte character ending on the last byte", "Location", std::string(242, 'a') + umlaut + "b",
         head + std::string(242, 'a') + umlaut},
        {"two-byte character across the end", "Location", std::string(243, 'a') + umlaut, head + std::string(243, 'a')},
        {"three-byte character across the end", "Location", std::string(242, 'a') + euro, head + std::string(242, 'a')},
        {"missing label", nullptr, "Room 1", "\t: Room 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char line[Deletion::kLineCapacity];
        std::fill(std::begin(line), std::end(line), 'x');
        Deletion::FormatFieldLine(line, c.label, c.value.c_str());
        EXPECT_EQ(c.line, std::string(line));
    }
}

TEST_F(DeletionTest, LongTextsInTheRunAreCutOnAWholeCharacter)
{
    AppSettings.AppFlag = APP_CALENDAR;
    // The longest location an event holds, a three-byte character across the end of the line.
    const std::string euro = "\xE2\x82\xAC";
    const std::string location = std::string(242, 'l') + euro + std::string(10, 'm');
    ASSERT_EQ(255u, location.size());
    // A helper's error is longer than any line; its text starts 65 bytes into the line.
    const std::string error = std::string(189, 'e') + euro + std::string(100, 'f');
    PlaceHelpers(false, true, "error " + error + "\n");
    AddEvent({"Standup", location.c_str(), 0, 0, 0}, true);

    m_job.Run();

    const Lines& log = m_sink.lines;
    ASSERT_EQ(14u, log.size());
    EXPECT_EQ("\tLocation: " + std::string(242, 'l'), log[2]);
    EXPECT_EQ("The Google account was not updated: the helper program reported: " + std::string(189, 'e'), log[8]);
    EXPECT_EQ("\t1 duplicate calendar items marked, but the Google account was not updated.", log[12]);
}

TEST_F(DeletionTest, ExceptionStopsTheRunWhereItIsWithTheLogSoFarAndTheWaitWindowLeftUp)
{
    PlaceHelpers(true, true);
    for (const char* name : {"Ann", "Bob", "Cy"})
        AddContact({name, "", "", "", ""}, true);
    GDateRecord* event = AddEvent({"Standup", "", 0, 0, 0}, true);
    ThrowingDeletion job(m_sink, 2);

    job.Begin();
    EXPECT_THROW(job.Run(), std::runtime_error);

    const auto block = [](const char* name) {
        return Lines{"Deleting contact item ...",
                     std::string("\tDisplay Name: ") + name,
                     "\tCompany: <empty>",
                     "\tTitle: <empty>",
                     "\tEmail: <empty>",
                     "\tPhone: <empty>",
                     "Deletion failed: the deletion stopped before the account was updated.",
                     ""};
    };
    // No summary claims a finished deletion, and no record passes for deleted.
    EXPECT_EQ(Joined({kHead, block("Ann"), block("Bob")}), m_sink.lines);
    EXPECT_EQ((std::vector<int>{0, 25}), m_sink.percents) << "one of four records walked";
    EXPECT_EQ(1, CountOf(m_sink.trail, "show"));
    EXPECT_EQ(0, CountOf(m_sink.trail, "hide")) << "taking the window down is the catcher's";
    EXPECT_EQ(2, job.m_nDeletedContacts);
    EXPECT_EQ(0, event->ActionCode);
    EXPECT_EQ(Lines{}, HelperRuns());
    EXPECT_FALSE(platform::FileExists((m_data + "GAddr.dat").c_str()));
}

TEST_F(DeletionTest, EachRecordsVerdictAndTheTotalsAreWhatTheHelperReallyDid)
{
    const std::string ok = "Deletion succeeded.";
    const std::string changed = "Deletion failed: contacts/bob.vcf changed since it was loaded, not deleted";
    const std::string gone = "Deletion failed: Item not found, skipped: contacts/dee.vcf";
    const char* const kUnreported = "the helper program left no report of what it deleted";
    const auto unconfirmed = [](const std::string& reason) { return "Deletion not confirmed: " + reason + "."; };
    const auto unknown = [](const std::string& reason) {
        return "\tThe deletion of 4 duplicate contact items may not have finished: " + reason +
               ". Load the account again to see what is left.";
    };
    const std::string twoOfFour =
        "[Result]\r\nResult.Count=4\r\nRecord.1=Deleted\r\n"
        "Record.2=Not deleted: contacts/bob.vcf changed since it was loaded, not deleted\r\n"
        "record.3 = Deleted\r\nRecord.4=Not deleted: Item not found, skipped: contacts/dee.vcf\r\n";
    struct Case
    {
        const char* name;
        std::string script;
        std::string result; // the result file the helper leaves, for "result Result.ini"
        uint32_t timeout;
        Lines verdicts;
        Lines afterBlocks; // between the record blocks and the summary
        std::string summary;
    };
    const Case cases[] = {
        {"every record deleted", "", "", 5000, {ok, ok, ok, ok}, {}, "\t4 duplicate contact items deleted."},
        {"two refused among four",
         "error contacts/bob.vcf changed\nresult Result.ini\n",
         twoOfFour,
         5000,
         {ok, changed, ok, gone},
         {},
         "\t2 of 4 duplicate contact items deleted."},
        // The disk is full: neither an error nor a result reaches it.
        {"no error and no result file",
         "no-result\n",
         "",
         5000,
         {unconfirmed(kUnreported), unconfirmed(kUnreported), unconfirmed(kUnreported), unconfirmed(kUnreported)},
         {},
         unknown(kUnreported)},
        {"helper killed midway",
         "status Deleting contacts 2 of 4\ndie\n",
         "",
         5000,
         {unconfirmed(kUnreported), unconfirmed(kUnreported), unconfirmed(kUnreported), unconfirmed(kUnreported)},
         {},
         unknown(kUnreported)},
        {"helper times out midway",
         "status Deleting contacts 2 of 4\nsleep 400\n",
         "",
         100,
         Lines(4, unconfirmed("the helper program did not finish in time")),
         {},
         unknown("the helper program did not finish in time")},
        // Cut short: it names fewer records than it counts.
        {"result file cut short",
         "result Result.ini\n",
         twoOfFour.substr(0, twoOfFour.find("record.3")),
         5000,
         Lines(4, unconfirmed(kUnreported)),
         {},
         unknown(kUnreported)},
        {"a result file of another form",
         "result Result.ini\n",
         "[Result]\r\nResult.Count=1\r\nRecord.1=Gone\r\n",
         5000,
         Lines(4, unconfirmed(kUnreported)),
         {},
         unknown(kUnreported)},
        {"the whole save refused",
         "error The data file is cut short, nothing deleted\nresult Result.ini\n",
         "[Result]\r\nResult.Count=0\r\nResult.Error=The data file is cut short, nothing deleted\r\n",
         5000,
         Lines(4, "Deletion failed: The data file is cut short, nothing deleted"),
         {"The Google account was not updated: the helper program reported: The data file is cut short, nothing "
          "deleted"},
         "\t4 duplicate contact items marked, but the Google account was not updated."},
    };
    AppSettings.AppFlag = APP_CONTACTS;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaceHelpers(true, false, c.script);
        TempDir::WriteFile(m_data + "Result.ini", c.result);
        SetHelperTimeout(c.timeout);
        FreshServices(m_data);
        for (const char* name : {"Ann", "Bob", "Cy", "Dee"})
            AddContact({name, "", "", "", ""}, true);
        RecordingSink sink;
        Deletion job(sink);

        job.Run();

        EXPECT_EQ(c.verdicts, Verdicts(sink.lines));
        // The last block's gap, then whatever the save added, then the summary.
        const Lines expectedTail =
            Joined({{""},
                    c.afterBlocks,
                    {kRule, "Deleting duplicates finished:", c.summary, "\t0 duplicate calendar items deleted.", ""}});
        ASSERT_GE(sink.lines.size(), expectedTail.size());
        EXPECT_EQ(expectedTail, Lines(sink.lines.end() - static_cast<long>(expectedTail.size()), sink.lines.end()));
        EXPECT_EQ(4, job.m_nDeletedContacts) << "what was marked";
        // What the undo link goes by: only what the helper said it deleted.
        EXPECT_EQ(std::count(c.verdicts.begin(), c.verdicts.end(), ok), job.m_nConfirmedDeleted);
    }
}

TEST_F(DeletionTest, EventsAreTotalledByWhatTheHelperDeletedToo)
{
    AppSettings.AppFlag = APP_CALENDAR;
    PlaceHelpers(false, true, "result Result.ini\n");
    TempDir::WriteFile(m_data + "Result.ini",
                       "[Result]\r\nResult.Count=2\r\nRecord.1=Not deleted: calendar/a.ics changed since it was "
                       "loaded, not deleted\r\nRecord.3=Deleted\r\n");
    AddEvent({"Standup", "", 0, 0, 0}, true);
    AddEvent({"Review", "", 0, 0, 0}, false);
    AddEvent({"Lunch", "", 0, 0, 0}, true);

    const std::string before = LocalNow();
    m_job.Run();
    const std::string after = LocalNow();

    // The run's start, dated as the trash dates its deletions, so the run's own can be picked out.
    EXPECT_LE(before, m_job.m_startedAt);
    EXPECT_GE(after, m_job.m_startedAt);
    EXPECT_EQ(before.size(), m_job.m_startedAt.size()) << m_job.m_startedAt;
    EXPECT_EQ(1, m_job.m_nConfirmedDeleted);
    EXPECT_EQ(
        (Lines{"Deletion failed: calendar/a.ics changed since it was loaded, not deleted", "Deletion succeeded."}),
        Verdicts(m_sink.lines));
    ASSERT_GE(m_sink.lines.size(), 3u);
    EXPECT_EQ("\t1 of 2 duplicate calendar items deleted.", m_sink.lines.end()[-2]);
}
