#include "common/google/CxGAppBaseUtil.h"
#include "common/google/records/CxGDataFile.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/TestRecord.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

// A kind built the way the real ones are, over TestRecord and the test helper program.
class TestUtil : public CxGAppBaseUtil
{
public:
    explicit TestUtil(const std::string& folder)
    {
        SetWorkFolder(folder.c_str());
        SetDataFileName("GTest.dat");
        SetParamFileName("GTestParam.dat");
        SetErrorFileName("GTestErr.dat");
        SetStatusFileName("GTestStatus.dat");
    }
    ~TestUtil() override
    {
        TestUtil::Reset();
        RequestHelperStop("GTestData.ini");
    }

    bool Load() override
    {
        return LoadThroughHelper(
            true, {m_szDataFile}, [this] { RunHelper(); }, [this] { return LoadDataFile(); });
    }
    bool Reset() override
    {
        m_records.RemoveAll(true);
        return CxGAppBaseUtil::Reset();
    }
    bool Save() override
    {
        return SaveThroughHelper([this] { return SaveDataFile(); }, [this] { RunHelper(); });
    }

    void RunHelper()
    {
        CxGAppParamParser params;
        AddAccountParams(params, m_szOptions);
        AddReportParams(params);
        AddLogParams(params);
        RunHelperProgram(params, HelperKind::Contacts, m_szProgram.c_str(), true);
    }
    bool LoadDataFile()
    {
        char szPath[MAX_PATH];
        CxFile file;
        if (!WorkPath(m_szDataFile, szPath) || !file.Open(szPath, "rb"))
            return false;
        ReadDataRecords<TestRecord>(file, ReadRecordCount(file), ReadTestRecord,
                                    [this](TestRecord* r) { m_records.Add(CopyRecord(*r)); });
        return true;
    }
    bool SaveDataFile()
    {
        char szPath[MAX_PATH];
        CxFile file;
        return WorkPath(m_szDataFile, szPath) && file.Open(szPath, "wb") &&
               WriteDataRecords<TestRecord>(file, m_records, WriteTestRecord);
    }
    void MarkDeleted(TestRecord* record)
    {
        record->ActionCode = 3;
        m_bModified = true;
    }
    TestRecord* At(uint32_t index) { return static_cast<TestRecord*>(m_records.GetAt(index)); }

    std::string m_szProgram = "qosweep_test_helper";
    char m_szOptions[256] = "";
    CxList m_records;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class CxGAppBaseUtilTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_debugLog.SetFolder(dir.path().c_str());
        g_debugLog.SetDebugEnabled(true);
        g_debugLog.SetLogLevel(3);
    }
    void TearDown() override
    {
        ReleaseHelperRunners();
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        SetHelperProgramFolder("");
        g_debugLog.SetDebugEnabled(false);
        g_debugLog.SetLogLevel(0);
        g_debugLog.SetFolder("./");
    }

    void Script(const std::string& commands) { TempDir::WriteFile(dir.file("HelperScript.txt"), commands); }
    std::vector<std::string> Runs() { return Lines(ReadIfPresent(dir.file("HelperRuns.txt"))); }
    static std::string ReadIfPresent(const std::string& path)
    {
        return platform::FileExists(path.c_str()) ? TempDir::ReadFile(path) : std::string();
    }
    void WriteDataFile(const std::vector<TestRecord>& records, const std::string& name)
    {
        Bytes bytes;
        bytes.Int(static_cast<int32_t>(records.size()));
        for (const TestRecord& r : records)
            bytes.Record(r);
        TempDir::WriteFile(dir.file(name), bytes.str());
    }

    TempDir dir;
};

} // namespace

TEST_F(CxGAppBaseUtilTest, StartsWithTheDocumentedFields)
{
    CxGAppBaseUtil util;
    EXPECT_TRUE(util.m_bModified);
    EXPECT_FALSE(util.m_bHasError);
    EXPECT_STREQ("", util.m_szEmail);
    EXPECT_STREQ("", util.m_szPassword);
    EXPECT_EQ(platform::ProgramFolder(), util.m_szWorkFolder);
    EXPECT_STREQ("appdebug.log", util.m_szLogFile);
    EXPECT_EQ(3, util.m_nLogLevel);
    EXPECT_FALSE(util.m_bDebug);
    EXPECT_EQ(0, util.m_nOperation);
    EXPECT_TRUE(util.Load());
    EXPECT_FALSE(util.Save());
}

TEST_F(CxGAppBaseUtilTest, SettersClearOrKeepAsTheirKindSays)
{
    CxGAppBaseUtil util;
    const std::string longText(300, 'e');
    struct Case
    {
        const char* name;
        void (CxGAppBaseUtil::*set)(const char*);
        char* field;
        bool nullKeeps;
    };
    const Case cases[] = {
        {"email", &CxGAppBaseUtil::SetEmail, util.m_szEmail, false},
        {"password", &CxGAppBaseUtil::SetPassword, util.m_szPassword, false},
        {"work folder", &CxGAppBaseUtil::SetWorkFolder, util.m_szWorkFolder, false},
        {"data file", &CxGAppBaseUtil::SetDataFileName, util.m_szDataFile, false},
        {"parameter file", &CxGAppBaseUtil::SetParamFileName, util.m_szParamFile, false},
        {"log folder", &CxGAppBaseUtil::SetLogFolder, util.m_szLogFolder, false},
        {"error file", &CxGAppBaseUtil::SetErrorFileName, util.m_szErrorFile, true},
        {"status file", &CxGAppBaseUtil::SetStatusFileName, util.m_szStatusFile, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        (util.*c.set)(longText.c_str());
        EXPECT_EQ(std::string(255, 'e'), c.field);
        (util.*c.set)("x");
        EXPECT_STREQ("x", c.field);
        (util.*c.set)(nullptr);
        EXPECT_STREQ(c.nullKeeps ? "x" : "", c.field);
        (util.*c.set)("");
        EXPECT_STREQ("", c.field);
    }
}

TEST_F(CxGAppBaseUtilTest, ReadLastErrorTakesTheLastListedError)
{
    struct Case
    {
        const char* name;
        std::string file; // empty: no error file
        bool hasError;
        std::string text;
    };
    const Case cases[] = {
        {"three errors", "[Error]\nError.Count=3\nError.1=first\nError.2=second\nError.3=third\n", true, "third"},
        {"count of zero", "[Error]\nError.Count=0\nError.1=stale\n", false, ""},
        {"negative count", "[Error]\nError.Count=-2\nError.1=stale\n", false, ""},
        {"no error file", "", false, ""},
        {"counted error missing", "[Error]\nError.Count=2\nError.1=first\n", true, ""},
        {"over-long error", "[Error]\nError.Count=1\nError.1=" + std::string(1500, 'z') + "\n", true,
         std::string(1023, 'z')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestUtil util(dir.path());
        platform::DeleteFile(dir.file("GTestErr.dat").c_str());
        if (!c.file.empty())
            TempDir::WriteFile(dir.file("GTestErr.dat"), c.file);
        util.m_bHasError = !c.hasError;
        CopyText(util.m_szLastError, "old");
        util.ReadLastError();
        EXPECT_EQ(c.hasError, util.m_bHasError);
        EXPECT_EQ(c.text, util.m_szLastError);
    }
}

TEST_F(CxGAppBaseUtilTest, ResetDeletesStatusAndErrorFilesOnly)
{
    for (const char* name : {"GTestStatus.dat", "GTestErr.dat", "GTest.dat", "GTestParam.dat"})
        TempDir::WriteFile(dir.file(name), "x");
    TestUtil util(dir.path());
    EXPECT_TRUE(util.CxGAppBaseUtil::Reset());
    EXPECT_FALSE(platform::FileExists(dir.file("GTestStatus.dat").c_str()));
    EXPECT_FALSE(platform::FileExists(dir.file("GTestErr.dat").c_str()));
    EXPECT_TRUE(platform::FileExists(dir.file("GTest.dat").c_str()));
    EXPECT_TRUE(platform::FileExists(dir.file("GTestParam.dat").c_str()));
}

TEST_F(CxGAppBaseUtilTest, ResetWithoutFileNamesLeavesTheWorkFolderAlone)
{
    // With empty names the paths would be the folder itself; an empty folder would be removed.
    const std::string folder = dir.file("empty/");
    ASSERT_TRUE(platform::CreateFolder(folder.c_str()));
    {
        CxGAppBaseUtil util;
        util.SetWorkFolder(folder.c_str());
        EXPECT_TRUE(util.Reset());
    }
    EXPECT_TRUE(platform::FolderExists(folder.c_str()));
}

TEST_F(CxGAppBaseUtilTest, DestructionAsksARunningHelperToStop)
{
    struct Case
    {
        const char* name;
        const char* file; // null: no stop-request file
        bool stopWritten;
    };
    const Case cases[] = {
        {"running", "[Status]\nRunning=1\n", true},
        {"running with another value", "[Status]\nRunning=7\n", true},
        {"not running", "[Status]\nRunning=0\n", false},
        {"no file", nullptr, false},
    };
    const std::string ini = dir.file("GTestData.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteFile(ini.c_str());
        if (c.file)
            TempDir::WriteFile(ini, c.file);
        {
            TestUtil util(dir.path());
        }
        EXPECT_EQ(c.file != nullptr, platform::FileExists(ini.c_str()));
        CxIniUtil status("", "");
        status.SetFilePath(ini.c_str());
        char szStop[8];
        status.ReadEntry("Status", "Stop", szStop, sizeof szStop, "");
        EXPECT_STREQ(c.stopWritten ? "1" : "", szStop);
    }
}

TEST_F(CxGAppBaseUtilTest, LoadHandsTheHelperEveryParameterInOrder)
{
    TestUtil util(dir.path());
    util.SetEmail("ann@example.com");
    util.SetPassword("p w");
    util.SetLogFolder("/logs/");
    util.SetLogLevel(2);
    util.SetDebugEnabled(true);
    util.Load();

    const std::string w = dir.path();
    const std::vector<std::string> expected = {
        "1000|8|ann@example.com",
        "1001|8|p w",
        "1002|8|GTest.dat",
        "1003|8|" + w,
        "1005|8|1",
        "1004|8|",
        "1009|8|GTestErr.dat",
        "1010|8|GTestStatus.dat",
        "1013|8|/logs/",
        "1014|8|appdebug.log",
        "1015|8|2",
        "1016|8|1",
    };
    EXPECT_EQ(expected, Lines(TempDir::ReadFile(dir.file("HelperSeen.txt"))));
    // The password stands in the file in plain text: only its owner may read it.
    struct stat st
    {};
    ASSERT_EQ(0, stat(dir.file("GTestParam.dat").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u);
}

TEST_F(CxGAppBaseUtilTest, LoadReadsTheDataFileTheHelperWrote)
{
    TestRecord a = MakeTestRecord(1, "Ann", 45000.0, "a", 1);
    TestRecord b = MakeTestRecord(2, "Bob", 45001.0, "b", 2);
    b.ActionCode = 7;
    WriteDataFile({a, b}, "source.dat");
    Script("status Fetching contacts\ndata source.dat\n");
    TempDir::WriteFile(dir.file("GTestErr.dat"), "[Error]\nError.Count=1\nError.1=stale\n");

    TestUtil util(dir.path());
    ASSERT_TRUE(util.Load());
    ASSERT_EQ(2u, util.m_records.GetCount());
    EXPECT_STREQ("Bob", util.At(1)->szName);
    EXPECT_EQ(7, util.At(1)->ActionCode);
    EXPECT_EQ(1, util.m_nOperation);
    // The error file of an earlier run was reset away before this one.
    EXPECT_FALSE(util.m_bHasError);
    EXPECT_EQ(std::vector<std::string>{"op=1 data=GTest.dat cwd=" +
                                       platform::ProgramFolder().substr(0, platform::ProgramFolder().size() - 1)},
              Runs());
}

TEST_F(CxGAppBaseUtilTest, LoadFailsWithoutADataFileAndKeepsTheHelpersError)
{
    Script("error Could not sign in\nerror Wrong password\n");
    TestUtil util(dir.path());
    EXPECT_FALSE(util.Load());
    EXPECT_EQ(0u, util.m_records.GetCount());
    EXPECT_TRUE(util.m_bHasError);
    EXPECT_STREQ("Wrong password", util.m_szLastError);
}

TEST_F(CxGAppBaseUtilTest, MissingHelperIsLoggedAndTheLoadGoesOn)
{
    TestUtil util(dir.path());
    util.m_szProgram = "NoSuchHelper.exe";
    const std::string before = platform::CurrentDirectory();
    EXPECT_FALSE(util.Load());
    EXPECT_EQ(before, platform::CurrentDirectory());
    EXPECT_NE(std::string::npos, TempDir::ReadFile(dir.file("appdebug.log")).find("CreateProcess Error: "));
}

TEST_F(CxGAppBaseUtilTest, DataFileOfAnEarlierRunIsNeverReadAsThisRunsResult)
{
    // What a helper that fails (wrong password, missing program) leaves: the old file only.
    WriteDataFile({MakeTestRecord(1, "Old", 0, "", 0)}, "GTest.dat");
    TestUtil util(dir.path());
    util.m_szProgram = "NoSuchHelper.exe";
    EXPECT_FALSE(util.Load());
    EXPECT_EQ(0u, util.m_records.GetCount());
    EXPECT_FALSE(platform::FileExists(dir.file("GTest.dat").c_str()));
}

TEST_F(CxGAppBaseUtilTest, HelpersStartFromTheChosenProgramFolder)
{
    TempDir programs;
    PlaceTestHelper(programs.path(), "Stand-in.exe");
    GetHelperRunner(HelperKind::Contacts); // a runner that exists before the choice follows it too
    SetHelperProgramFolder(programs.path().c_str());
    TestUtil util(dir.path());
    util.m_szProgram = "Stand-in.exe";
    util.Load();
    const std::string folder = programs.path().substr(0, programs.path().size() - 1);
    EXPECT_EQ(std::vector<std::string>{"op=1 data=GTest.dat cwd=" + folder}, Runs());
    EXPECT_NE(std::string::npos,
              TempDir::ReadFile(dir.file("appdebug.log")).find("Set current directory: " + programs.path()));
}

TEST_F(CxGAppBaseUtilTest, UnwritableParameterFileStillRunsTheHelper)
{
    TestUtil util(dir.path());
    util.SetParamFileName("missing-folder/GTestParam.dat");
    EXPECT_FALSE(util.Load());
    EXPECT_FALSE(platform::FileExists(dir.file("missing-folder/GTestParam.dat").c_str()));
    // The helper was started all the same; without its parameters it could do nothing.
    EXPECT_NE(std::string::npos, TempDir::ReadFile(dir.file("appdebug.log")).find("Command executed successfully."));
}

TEST_F(CxGAppBaseUtilTest, SaveRunsTheHelperOnlyWhenSomethingWasMarked)
{
    TestRecord a = MakeTestRecord(1, "Ann", 45000.0, "a", 1);
    TestRecord b = MakeTestRecord(2, "Bob", 45001.0, "b", 2);
    WriteDataFile({a, b}, "source.dat");
    Script("data source.dat\n");
    TestUtil util(dir.path());
    ASSERT_TRUE(util.Load());
    platform::DeleteFile(dir.file("HelperScript.txt").c_str());

    // A new utility counts as modified, so the first save writes and runs even without marks.
    ASSERT_TRUE(util.Save());
    EXPECT_EQ(2u, Runs().size());
    EXPECT_FALSE(util.m_bModified);
    EXPECT_EQ(2, util.m_nOperation);
    ASSERT_TRUE(util.Save());
    EXPECT_EQ(2u, Runs().size());

    util.MarkDeleted(util.At(1));
    ASSERT_TRUE(util.Save());
    ASSERT_EQ(3u, Runs().size());
    EXPECT_EQ(0u, Runs()[2].find("op=2 data=GTest.dat"));
    b.ActionCode = 3;
    EXPECT_EQ(Bytes().Int(2).Record(a).Record(b).str(), TempDir::ReadFile(dir.file("GTest.dat")));
}

TEST_F(CxGAppBaseUtilTest, SaveThatCannotWriteTheDataFileRunsNothing)
{
    TestUtil util(dir.path() + "no-such-folder/");
    EXPECT_FALSE(util.Save());
    EXPECT_TRUE(util.m_bModified);
    EXPECT_TRUE(Runs().empty());
    EXPECT_EQ(std::string::npos, ReadIfPresent(dir.file("appdebug.log")).find("Executing command:"));
}

TEST_F(CxGAppBaseUtilTest, EachRunLeavesTheRunnersOutcome)
{
    struct Case
    {
        const char* name;
        const char* program;
        uint32_t timeout;
        const char* script;
        HelperRunOutcome outcome;
    };
    const Case cases[] = {
        {"helper ends", "qosweep_test_helper", 5000, "", HelperRunOutcome::Finished},
        {"helper ends reporting an error", "qosweep_test_helper", 5000, "error Quota exceeded\n",
         HelperRunOutcome::Finished},
        {"helper missing", "NoSuchHelper.exe", 5000, "", HelperRunOutcome::NotStarted},
        {"helper overruns", "qosweep_test_helper", 100, "sleep 400\n", HelperRunOutcome::TimedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script(c.script);
        SetHelperTimeout(c.timeout);
        TestUtil util(dir.path());
        util.m_szProgram = c.program;
        EXPECT_EQ(HelperRunOutcome::NotRun, util.m_lastRunOutcome);
        // A save that wrote its data file says nothing of the run: the outcome does.
        EXPECT_TRUE(util.Save());
        EXPECT_EQ(c.outcome, util.m_lastRunOutcome);
        util.Load();
        EXPECT_EQ(c.outcome, util.m_lastRunOutcome);
    }
}

TEST_F(CxGAppBaseUtilTest, HelperLeftRunningAfterATimeOutIsAskedToStopAtDestruction)
{
    SetHelperTimeout(300);
    Script("running GTestData.ini\nwait-stop GTestData.ini 5000\n");
    {
        TestUtil util(dir.path());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(util.Load());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_TRUE(
            WaitUntil([&] { return ReadIfPresent(dir.file("GTestData.ini")).find("Running=1") != std::string::npos; }));
    }
    // The helper saw the request and finished on its own.
    EXPECT_TRUE(WaitUntil([&] { return Runs().size() == 2; }, std::chrono::seconds(4)));
    ASSERT_EQ(2u, Runs().size());
    EXPECT_EQ("stopped", Runs()[1]);
}

TEST_F(CxGAppBaseUtilTest, ReleasingTheRunnersRemovesTheLastRunsFiles)
{
    TestRecord a = MakeTestRecord(1, "Ann", 45000.0, "a", 1);
    WriteDataFile({a}, "source.dat");
    Script("data source.dat\n");
    {
        TestUtil util(dir.path());
        ASSERT_TRUE(util.Load());
    }
    EXPECT_TRUE(platform::FileExists(dir.file("GTestParam.dat").c_str()));
    EXPECT_TRUE(platform::FileExists(dir.file("GTest.dat").c_str()));
    ReleaseHelperRunners();
    EXPECT_FALSE(platform::FileExists(dir.file("GTestParam.dat").c_str()));
    EXPECT_FALSE(platform::FileExists(dir.file("GTest.dat").c_str()));
    EXPECT_TRUE(platform::FileExists(dir.file("source.dat").c_str()));
}

TEST_F(CxGAppBaseUtilTest, TimeoutAppliesToRunnersPresentAndFuture)
{
    SetHelperTimeout(1234);
    EXPECT_EQ(1234u, GetHelperRunner(HelperKind::Notes).GetTimeout());
    ReleaseHelperRunners();
    EXPECT_EQ(1234u, GetHelperRunner(HelperKind::Notes).GetTimeout());
    SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
    EXPECT_EQ(1800000u, GetHelperRunner(HelperKind::Notes).GetTimeout());
}
