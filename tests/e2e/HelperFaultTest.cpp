// Whole runs in which something goes wrong around the helpers: a helper that overruns, one killed
// while writing its data or result file, a full disk, two saves at once on one account, folder links
// out of the account and files changed after the load. In each, every file of the account (and of any
// folder a link leads to) must still be where it was or, whole, in the trash as one of the marked
// duplicates, and what the app tells the user (the load's outcome, the deletion log and its totals)
// must be what really happened.
#include "app/core/ContactScan.h"
#include "app/core/Deletion.h"
#include "app/core/EventScan.h"
#include "common/misc/CxIniUtil.h"
#include "helpers/driver/HelperDriver.h"
#include "tests/e2e/DemoAccountRun.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

const std::string kTimedOut = "Deletion not confirmed: the helper program did not finish in time.";
const std::string kNoReport = "Deletion not confirmed: the helper program left no report of what it deleted.";

// The deletion page's log, without the page.
class LogSink : public DeletionSink
{
public:
    void LogLine(const char* szLine) override { lines.emplace_back(szLine); }
    void Progress(int) override {}
    void ShowWaitWindow() override {}
    void HideWaitWindow() override {}
    void SetWaitText(const char*) override {}
    void SetWaitStatusFile(const char*) override {}
    void Pause(int) override {}

    Lines lines;
};

// What the log said: each ticked record's verdict by its file, and the two summary lines.
struct DeletionLog
{
    std::map<std::string, std::string> verdicts;
    std::string contacts;
    std::string events;
    Lines lines;
};

// Ticks every listed duplicate, as the review page does when all rows stay ticked.
void TickAll()
{
    for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext())
        static_cast<GAddrRecord*>(p)->dwFlags |= REC_SELECTED;
    for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext())
        static_cast<GDateRecord*>(p)->dwFlags |= REC_SELECTED;
}

// The deletion page's job over the ticked duplicates; the blocks come in the lists' order, contacts
// first, so each verdict is matched with the file of its record.
DeletionLog RunDeletion()
{
    std::vector<std::string> files;
    if (AppSettings.AppFlag & APP_CONTACTS)
        for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext())
            files.push_back(ContactFile(*static_cast<GAddrRecord*>(p)));
    if (AppSettings.AppFlag & APP_CALENDAR)
        for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext())
            files.push_back(EventFile(*static_cast<GDateRecord*>(p)));
    LogSink sink;
    Deletion job(sink);
    job.Begin();
    job.Run();
    DeletionLog log;
    log.lines = sink.lines;
    size_t next = 0;
    for (size_t i = 0; i < sink.lines.size(); ++i) {
        const std::string& line = sink.lines[i];
        if (line.starts_with("Deletion ") && next < files.size())
            log.verdicts[files[next++]] = line;
        if (line == "Deleting duplicates finished:" && i + 2 < sink.lines.size()) {
            log.contacts = sink.lines[i + 1];
            log.events = sink.lines[i + 2];
        }
    }
    EXPECT_EQ(files.size(), next) << "one verdict for every ticked record";
    return log;
}

std::string UnknownSummary(size_t marked, const char* kind, const std::string& reason)
{
    return "\tThe deletion of " + std::to_string(marked) + " duplicate " + kind +
           " items may not have finished: " + reason + ". Load the account again to see what is left.";
}

std::string NotUpdatedSummary(size_t marked, const char* kind)
{
    return "\t" + std::to_string(marked) + " duplicate " + kind +
           " items marked, but the Google account was not updated.";
}

class HelperFaultTest : public DemoAccountRun
{
protected:
    void SetUp() override
    {
        DemoAccountRun::SetUp();
        // Most faults need one kind only; the calendar's save would just repeat the contacts'.
        AppSettings.AppFlag = APP_CONTACTS;
        m_account = m_data + "demo/";
        m_helpers = m_home.path() + "helpers/";
        fs::create_directories(m_helpers);
        PlaceTestHelper(m_helpers, "Ombracon.exe");
        PlaceTestHelper(m_helpers, "Ombracal.exe");
    }

    void TearDown() override
    {
        SetHelperProgramFolder("");
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        DemoAccountRun::TearDown();
    }

    // The next load installs the demo account anew.
    void FreshAccount() const
    {
        fs::remove_all(m_account);
        fs::remove(m_data + "accounts.ini");
    }

    // The chosen kinds loaded by the real helpers, scanned and every duplicate ticked; the files of
    // the duplicates found.
    std::set<std::string> LoadAndTick()
    {
        EXPECT_TRUE(LoadServices());
        std::set<std::string> duplicates;
        if (AppSettings.AppFlag & APP_CONTACTS) {
            EXPECT_TRUE(ScanContactDuplicates());
            duplicates = ContactFiles(*g_pAddrDupList);
        }
        if (AppSettings.AppFlag & APP_CALENDAR) {
            EXPECT_TRUE(ScanEventDuplicates());
            const std::set<std::string> events = EventFiles(*g_pDateDupList);
            duplicates.insert(events.begin(), events.end());
        }
        TickAll();
        return duplicates;
    }

    // The stand-in serves the later runs, following the script.
    void UseStandIn(const std::string& script)
    {
        TempDir::WriteFile(m_data + "HelperScript.txt", script);
        SetHelperProgramFolder(m_helpers.c_str());
    }

    // Every file of before is in the account as it was, or whole in the trash and one of movable;
    // nothing else is in either. The files that went to the trash.
    std::set<std::string> ExpectNothingLost(const Snapshot& before, const std::set<std::string>& movable)
    {
        Snapshot left = TakeSnapshot(m_account);
        std::erase_if(left, [](const auto& file) { return file.first.starts_with(".trash/"); });
        const fs::path day = TrashDay(m_account);
        const Snapshot trash = day.empty() ? Snapshot() : TrashFiles(day);
        std::set<std::string> moved;
        for (const auto& [file, bytes] : before) {
            SCOPED_TRACE(file);
            if (left.count(file)) {
                EXPECT_EQ(bytes, left.at(file));
            } else if (trash.count(file)) {
                EXPECT_EQ(bytes, trash.at(file));
                EXPECT_TRUE(movable.count(file)) << "moved though it was not to be";
                moved.insert(file);
            } else {
                ADD_FAILURE() << "lost";
            }
        }
        EXPECT_EQ(before.size(), left.size() + trash.size()) << "no file appears twice or from nowhere";
        return moved;
    }

    // Whether the contacts helper says it is at work: only then does the stop request the utilities
    // leave when they go reach it. It says so before it touches the account and stops saying so after
    // its last file.
    static bool HelperRunning(const std::string& workFolder)
    {
        return CxIniUtil(workFolder.c_str(), FilesOf(HelperKind::Contacts).stopFile)
                   .ReadNumber("Status", "Running", 0) == 1;
    }
    bool HelperRunning() const { return HelperRunning(m_data); }

    std::string m_account;
    std::string m_helpers;
};

} // namespace

// The app stops waiting and says it does not know; a helper left running is asked to stop when the
// utilities go, and whatever it moved by then is one of the marked duplicates.
TEST_F(HelperFaultTest, AHelperThatOverrunsIsNeverTakenForHavingDeleted)
{
    struct Case
    {
        const char* name;
        bool standIn;
        const char* script; // the stand-in's; it waits for the stop request and then ends unreported
    };
    const Case cases[] = {
        {"the real helper, slowed down between files", false, ""},
        {"a helper that never answers", true, "running GAddrData.ini\nwait-stop GAddrData.ini 10000\nno-result\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshAccount();
        const std::set<std::string> marked = LoadAndTick();
        ASSERT_EQ(6u, marked.size());
        const Snapshot before = TakeSnapshot(m_account);
        if (c.standIn)
            UseStandIn(c.script);
        ScopedEnv slow(kItemDelayVariable, "1000");
        SetHelperTimeout(300);
        const DeletionLog log = RunDeletion();
        slow.Restore();
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        SetHelperProgramFolder("");

        for (const std::string& file : marked)
            EXPECT_EQ(kTimedOut, log.verdicts.at(file)) << file;
        EXPECT_EQ(UnknownSummary(6, "contact", "the helper program did not finish in time"), log.contacts);

        ASSERT_TRUE(WaitUntil([this] { return HelperRunning(); }, std::chrono::seconds(10)));
        FreeServices(); // leaves the stop request
        const auto ended = [&] {
            return c.standIn ? TempDir::ReadFile(m_data + "HelperRuns.txt").ends_with("\nstopped\n") : !HelperRunning();
        };
        ASSERT_TRUE(WaitUntil(ended, std::chrono::seconds(10))) << "the stop request ends the helper";
        const std::set<std::string> moved = ExpectNothingLost(before, marked);
        if (c.standIn) {
            EXPECT_TRUE(moved.empty());
        }

        // As the summary advises, a new load shows what is left.
        ASSERT_TRUE(LoadServices());
        EXPECT_EQ(45u - moved.size(), g_pAddrUtil->GetAddrMgr()->GetRecordCount());
        EXPECT_EQ("", LoadFailureText());
    }

    // A load that overruns loads nothing and says why, not that the password may be wrong.
    ScopedEnv slow(kItemDelayVariable, "1000");
    SetHelperTimeout(300);
    EXPECT_FALSE(LoadServices());
    EXPECT_EQ(0u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ("Google Contacts could not be loaded: the helper program did not finish in time.", LoadFailureText());
    ASSERT_TRUE(WaitUntil([this] { return HelperRunning(); }, std::chrono::seconds(10)));
    FreeServices();
    EXPECT_TRUE(WaitUntil([this] { return !HelperRunning(); }, std::chrono::seconds(10)));
}

// A helper killed while it wrote the data file leaves it cut short; the load keeps the records that
// are whole and says how many of how many those are, and says so too when not even the count is there.
TEST_F(HelperFaultTest, ALoadCutShortByACrashSaysHowMuchWasRead)
{
    ASSERT_TRUE(LoadServices());
    const std::string whole = TempDir::ReadFile(m_data + "GAddr.dat");
    const auto served = [] {
        std::vector<std::string> files;
        for (CommAddrRecord* p = g_pAddrUtil->GetAddrMgr()->GetFirst(); p; p = g_pAddrUtil->GetAddrMgr()->GetNext())
            files.push_back(ContactFile(*static_cast<GAddrRecord*>(p->pAttach)));
        return files;
    };
    const std::vector<std::string> all = served();
    ASSERT_EQ(45u, all.size());
    const Snapshot before = TakeSnapshot(m_account);

    const std::string noCount =
        "No contacts could be read: the data the helper program handed over is cut short before its record count.";
    struct Case
    {
        const char* name;
        size_t bytes;
        bool countCut;
    };
    const Case cases[] = {
        {"nothing written", 0, true},
        {"cut inside the record count", 2, true},
        {"cut in the middle", whole.size() / 2, false},
        {"the last byte missing", whole.size() - 1, false},
    };
    UseStandIn("data-if GAddr.dat Cut.dat\ndie\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::WriteFile(m_data + "Cut.dat", whole.substr(0, c.bytes));
        ASSERT_TRUE(LoadServices());
        if (c.countCut) {
            EXPECT_EQ(0u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
            EXPECT_EQ(noCount, LoadShortfallText());
            continue;
        }
        const uint32_t read = g_pAddrUtil->m_nRecordsWhole;
        ASSERT_GT(read, 0u);
        ASSERT_LT(read, 45u);
        // The records read whole are the first ones served, in order; the one cut short may follow.
        const std::vector<std::string> kept = served();
        ASSERT_GE(kept.size(), read);
        EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + read),
                  std::vector<std::string>(kept.begin(), kept.begin() + read));
        EXPECT_EQ("Only " + std::to_string(read) +
                      " of 45 contacts could be read whole: the data the helper program handed over is cut short.",
                  LoadShortfallText());
    }
    EXPECT_EQ(44u, g_pAddrUtil->m_nRecordsWhole) << "the last case lacks the last record only";
    EXPECT_EQ(before, TakeSnapshot(m_account));
}

// A helper killed while it wrote its result file: what is there is no report, so nothing is said to
// be deleted; a report written whole before the crash still gives each record's verdict.
TEST_F(HelperFaultTest, ASaveWhoseResultFileIsCutShortClaimsNoDeletion)
{
    struct Case
    {
        const char* name;
        const char* script;
        const char* verdict; // of every marked record
        std::string summary;
    };
    const Case cases[] = {
        {"killed before the result file", "die\n", kNoReport.c_str(),
         UnknownSummary(6, "contact", "the helper program left no report of what it deleted")},
        {"an empty result file", "result-cut 0\ndie\n", kNoReport.c_str(),
         UnknownSummary(6, "contact", "the helper program left no report of what it deleted")},
        {"cut inside the count", "result-cut 20\ndie\n", kNoReport.c_str(),
         UnknownSummary(6, "contact", "the helper program left no report of what it deleted")},
        {"the head whole, no record yet", "result-cut 26\ndie\n", kNoReport.c_str(),
         UnknownSummary(6, "contact", "the helper program left no report of what it deleted")},
        {"cut inside a record's verdict", "result-cut 40\ndie\n", kNoReport.c_str(),
         UnknownSummary(6, "contact", "the helper program left no report of what it deleted")},
        {"whole, refusing each record", "error Disk trouble\nresult-cut 100000\ndie\n", "Deletion failed: Disk trouble",
         NotUpdatedSummary(6, "contact")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetHelperProgramFolder("");
        FreshAccount();
        const std::set<std::string> marked = LoadAndTick();
        ASSERT_EQ(6u, marked.size());
        const Snapshot before = TakeSnapshot(m_account);
        UseStandIn(c.script);
        const DeletionLog log = RunDeletion();
        for (const std::string& file : marked)
            EXPECT_EQ(c.verdict, log.verdicts.at(file)) << file;
        EXPECT_EQ(c.summary, log.contacts);
        EXPECT_TRUE(ExpectNothingLost(before, {}).empty());
    }
}

// The real helper on a disk that is full: it moves the files, but neither its result nor its error
// file gets written, so the app cannot know and must not say "deleted". A load on that disk cannot
// hand over its data file and fails.
TEST_F(HelperFaultTest, OnAFullDiskTheSaveIsNeverReportedAsDone)
{
    for (const char* limit : {"0", "64"}) {
        SCOPED_TRACE(std::string("file size limit ") + limit);
        SetHelperProgramFolder("");
        FreshAccount();
        const std::set<std::string> marked = LoadAndTick();
        ASSERT_EQ(6u, marked.size());
        const Snapshot before = TakeSnapshot(m_account);
        UseStandIn("");
        ScopedEnv full("QOSWEEP_TEST_HELPER_FILE_LIMIT", limit);
        const DeletionLog log = RunDeletion();
        for (const std::string& file : marked)
            EXPECT_EQ(kNoReport, log.verdicts.at(file)) << file;
        EXPECT_EQ(UnknownSummary(6, "contact", "the helper program left no report of what it deleted"), log.contacts);
        EXPECT_FALSE(fs::exists(m_data + "GAddrResult.ini"));
        // What the summary leaves open: the helper did move exactly the marked files.
        EXPECT_EQ(marked, ExpectNothingLost(before, marked));

        EXPECT_FALSE(LoadServices());
        EXPECT_EQ(0u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
        EXPECT_EQ("Google Contacts could not be loaded: the helper program did not hand over its data.",
                  LoadFailureText());
    }
}

// A second app whose data folder names the same account saves while the first one's helper is still
// at work: its helper is turned away without touching a file, and its log says the account was not
// updated; the first does its marks alone, each file moved once.
TEST_F(HelperFaultTest, TwoSavesOnOneAccountNeverBothDoTheirMarks)
{
    const std::set<std::string> marked = LoadAndTick();
    ASSERT_EQ(6u, marked.size());
    const Snapshot before = TakeSnapshot(m_account);

    // The first app: a data folder of its own, its accounts.ini naming this account's folder.
    TempDir first;
    TempDir::WriteFile(first.file("accounts.ini"),
                       "[demo@example.com]\r\nFolder=" + m_account + "\r\nPassword=demo\r\n");
    {
        CxGAddrUtil other;
        other.SetWorkFolder(first.path().c_str());
        other.SetEmail("demo@example.com");
        other.SetPassword("demo");
        ASSERT_TRUE(other.Load());
        for (CommAddrRecord* p = other.GetAddrMgr()->GetFirst(); p; p = other.GetAddrMgr()->GetNext()) {
            if (marked.count(ContactFile(*static_cast<GAddrRecord*>(p->pAttach)))) {
                ASSERT_TRUE(other.MarkDeleted(p));
            }
        }
        // Its helper takes a second per file; the app stops waiting for it at once and leaves it at work.
        ScopedEnv slow(kItemDelayVariable, "1000");
        SetHelperTimeout(100);
        ASSERT_TRUE(other.Save());
        slow.Restore();
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        ASSERT_TRUE(WaitUntil([&] { return TempDir::ReadFile(first.file("GAddrStatus.dat")).starts_with("Deleting"); },
                              std::chrono::seconds(10)));

        const DeletionLog log = RunDeletion();
        const std::string busy = "Another run is using the account folder " + m_account + ", nothing done";
        for (const std::string& file : marked)
            EXPECT_EQ("Deletion failed: " + busy, log.verdicts.at(file)) << file;
        EXPECT_EQ(NotUpdatedSummary(6, "contact"), log.contacts);
        EXPECT_NE(log.lines.end(),
                  std::find(log.lines.begin(), log.lines.end(),
                            "The Google account was not updated: the helper program reported: " + busy));
    } // the first app goes, asking its helper to stop
    ASSERT_TRUE(WaitUntil([&] { return !HelperRunning(first.path()); }, std::chrono::seconds(10)));
    const std::set<std::string> moved = ExpectNothingLost(before, marked);
    EXPECT_FALSE(moved.empty()) << "the first helper had begun";
}

// A folder of the account swapped for a link to a folder outside it after the load: the save moves
// nothing from behind the link and nothing into a trash outside, says so for each record it leaves,
// and the outside files stay as they were.
TEST_F(HelperFaultTest, NothingOutsideTheAccountIsMovedThroughALink)
{
    AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    struct Case
    {
        const char* folder;  // of the account, replaced by a link to a copy outside
        const char* behind;  // the start of the files the link keeps in the account; empty for all
        std::string failure; // their verdict, followed by the file's name when behind names them
        std::string contacts;
        std::string events;
        size_t moved;
    };
    const std::string outsideFolder = "a link to a folder outside the account; skipped: ";
    const Case cases[] = {
        {"contacts", "contacts/", "Deletion failed: Not following contacts/: " + outsideFolder,
         NotUpdatedSummary(6, "contact"), "\t4 duplicate calendar items deleted.", 4},
        {"calendar/holidays", "calendar/holidays/",
         "Deletion failed: Not following calendar/holidays/: " + outsideFolder, "\t6 duplicate contact items deleted.",
         "\t3 of 4 duplicate calendar items deleted.", 9},
        {".trash", "", "Deletion failed: Nothing deleted: .trash/ is a link, not a folder of the account",
         NotUpdatedSummary(6, "contact"), NotUpdatedSummary(4, "calendar"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        FreshAccount();
        const std::set<std::string> marked = LoadAndTick();
        ASSERT_EQ(10u, marked.size());
        TempDir outside;
        const fs::path inside = m_account + c.folder;
        if (fs::exists(inside))
            fs::copy(inside, outside.path(), fs::copy_options::recursive);
        fs::remove_all(inside);
        fs::create_directory_symlink(outside.path(), inside);
        const Snapshot outsideBefore = TakeSnapshot(outside.path());
        const Snapshot before = TakeSnapshot(m_account);

        const DeletionLog log = RunDeletion();
        const std::string behind = c.behind;
        for (const std::string& file : marked) {
            const std::string expected =
                file.starts_with(behind) ? c.failure + (behind.empty() ? "" : file) : "Deletion succeeded.";
            EXPECT_EQ(expected, log.verdicts.at(file)) << file;
        }
        EXPECT_EQ(c.contacts, log.contacts);
        EXPECT_EQ(c.events, log.events);
        EXPECT_EQ(outsideBefore, TakeSnapshot(outside.path()));
        EXPECT_EQ(c.moved, ExpectNothingLost(before, marked).size());
        fs::remove(inside);
    }
}

// A marked contact edited, or replaced by another card with its time put back, between the load and
// the save stays in the account with what it holds now, and the log names it; the others go.
TEST_F(HelperFaultTest, AContactChangedAfterTheLoadStaysAndIsNamed)
{
    const std::set<std::string> marked = LoadAndTick();
    ASSERT_EQ(6u, marked.size());
    const std::string edited = "contacts/priya-natarajan-1.vcf";
    const std::string replaced = "contacts/daniel-okafor-work.vcf";
    ASSERT_TRUE(marked.count(edited) && marked.count(replaced));
    TempDir::WriteFile(m_account + edited, TempDir::ReadFile(m_account + edited) + "\r\n");
    const auto time = fs::last_write_time(m_account + replaced);
    TempDir::WriteFile(m_account + replaced, TempDir::ReadFile(m_account + "contacts/daniel-okafor-google.vcf"));
    fs::last_write_time(m_account + replaced, time);
    const Snapshot before = TakeSnapshot(m_account);

    const DeletionLog log = RunDeletion();
    for (const std::string& file : marked) {
        const bool changed = file == edited || file == replaced;
        EXPECT_EQ(changed ? "Deletion failed: " + file + " changed since it was loaded, not deleted"
                          : "Deletion succeeded.",
                  log.verdicts.at(file));
    }
    EXPECT_EQ("\t4 of 6 duplicate contact items deleted.", log.contacts);
    std::set<std::string> unchanged = marked;
    unchanged.erase(edited);
    unchanged.erase(replaced);
    EXPECT_EQ(unchanged, ExpectNothingLost(before, unchanged));
}
