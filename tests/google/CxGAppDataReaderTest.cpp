#include "common/google/CxGAppDataReader.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

const char* const kHelper = "qosweep_test_helper";

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// One parameter entry in file layout; type 8 carries the text, 3/5/11 the number, others nothing.
struct Param
{
    int32_t key;
    int32_t type;
    std::string text;
    int32_t number = 0;
};

std::string ParamImage(const std::vector<Param>& params)
{
    std::string out;
    out += Int32(static_cast<int32_t>(params.size()));
    for (const Param& p : params) {
        out += Int32(p.key);
        out += Int32(p.type);
        if (p.type == 8) {
            out += Int32(static_cast<int32_t>(p.text.size()));
            out += p.text;
        } else if (p.type == 3 || p.type == 5 || p.type == 11) {
            out += Int32(p.number);
        }
    }
    return out;
}

// The contacts keys a helper looks at, all as texts the way the utilities write them.
std::vector<Param> ContactParams(const std::string& work)
{
    return {{1000, 8, "ann@example.com"}, {1002, 8, "GAddr.dat"},      {1003, 8, work}, {1005, 8, "1"},
            {1009, 8, "GAddrErr.dat"},    {1010, 8, "GAddrStatus.dat"}};
}

struct LogLine
{
    bool failure;
    std::string message;
};

std::string WithoutTrailingSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The pid the helper wrote with its "pid" command, 0 if none.
int ReadPid(const std::string& path)
{
    return std::atoi(TempDir::ReadFile(path).c_str());
}

class CxGAppDataReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedFolder = g_debugLog.GetFolder();
        m_savedLevel = g_debugLog.GetLogLevel();
        m_savedEnabled = g_debugLog.IsDebugEnabled();
        g_debugLog.SetFolder(m_logDir.path().c_str());
        g_debugLog.SetDebugEnabled(true);
        g_debugLog.SetLogLevel(3);
        // A blank in the work folder proves the parameter path reaches the helper as one argument.
        m_work = m_dir.path() + "work dir/";
        ASSERT_TRUE(platform::CreateFolder(m_work.c_str()));
    }

    void TearDown() override
    {
        platform::SetWaitPump({});
        g_debugLog.SetFolder(m_savedFolder.c_str());
        g_debugLog.SetLogLevel(m_savedLevel);
        g_debugLog.SetDebugEnabled(m_savedEnabled);
    }

    void Configure(CxGAppDataReader& reader, const char* program = kHelper)
    {
        reader.SetProgram(program);
        reader.SetFolder(m_work.c_str());
        reader.SetParamFileName("GAddrParam.dat");
        reader.SetDataFileName("GAddr.dat");
        TempDir::WriteFile(m_work + "GAddrParam.dat", ParamImage(ContactParams(m_work)));
    }

    void WriteScript(const std::string& script) { TempDir::WriteFile(m_work + "HelperScript.txt", script); }

    std::vector<LogLine> ReadLog() const
    {
        std::vector<LogLine> lines;
        std::istringstream in(TempDir::ReadFile(m_logDir.file("appdebug.log")));
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const size_t mark = line.find("] - ");
            if (mark == std::string::npos) {
                ADD_FAILURE() << "not a log line: " << line;
                continue;
            }
            lines.push_back({line.find("][!!!] - ") != std::string::npos, line.substr(mark + 4)});
        }
        return lines;
    }

    std::vector<std::string> LogMessages() const
    {
        std::vector<std::string> messages;
        for (const LogLine& l : ReadLog())
            messages.push_back(l.message);
        return messages;
    }

    TempDir m_logDir;
    TempDir m_dir;
    std::string m_work;

private:
    std::string m_savedFolder;
    int m_savedLevel = 0;
    bool m_savedEnabled = false;
};

} // namespace

TEST_F(CxGAppDataReaderTest, HelperThatExitsAtOnceIsLoggedStepByStep)
{
    const std::string before = platform::CurrentDirectory();
    CxGAppDataReader reader;
    Configure(reader);

    EXPECT_EQ(0, reader.Run());

    const std::vector<std::string> expected{
        "Original current directory: " + before,
        "Set current directory: " + platform::ProgramFolder(),
        "Executing command: \"qosweep_test_helper\" \"" + m_work + "GAddrParam.dat\"",
        "Command executed successfully.",
        "Helper utility program exited successfully.",
    };
    EXPECT_EQ(expected, LogMessages());
    for (const LogLine& l : ReadLog())
        EXPECT_FALSE(l.failure) << l.message;
    EXPECT_EQ("op=1 data=GAddr.dat cwd=" + WithoutTrailingSeparator(platform::ProgramFolder()) + "\n",
              TempDir::ReadFile(m_work + "HelperRuns.txt"));
    EXPECT_EQ(before, platform::CurrentDirectory());
}

TEST_F(CxGAppDataReaderTest, ProgramThatCannotStartIsLoggedAsFailure)
{
    for (const char* program : {"NoSuchHelper.exe", ""}) {
        SCOPED_TRACE(program);
        TempDir::WriteFile(m_logDir.file("appdebug.log"), "");
        const std::string before = platform::CurrentDirectory();
        CxGAppDataReader reader;
        Configure(reader, program);

        EXPECT_EQ(0, reader.Run());

        std::vector<LogLine> failures;
        for (const LogLine& l : ReadLog()) {
            EXPECT_NE("Command executed successfully.", l.message);
            if (l.failure)
                failures.push_back(l);
        }
        ASSERT_EQ(1u, failures.size());
        const std::string prefix = "CreateProcess Error: ";
        EXPECT_EQ(prefix, failures[0].message.substr(0, prefix.size()));
        EXPECT_GT(failures[0].message.size(), prefix.size()) << "the reason is missing";
        EXPECT_EQ(before, platform::CurrentDirectory());
    }
}

TEST_F(CxGAppDataReaderTest, CommandLineQuotesProgramAndParameterPath)
{
    CxGAppDataReader reader;
    reader.SetProgram("Ombracon.exe");
    reader.SetFolder("/w/");
    reader.SetParamFileName("GAddrParam.dat");

    char full[MAX_PATH * 4];
    reader.FormatCommandLine(full, sizeof full);
    EXPECT_STREQ("\"Ombracon.exe\" \"/w/GAddrParam.dat\"", full);

    // A short buffer gets the beginning, terminated; no room at all leaves it untouched.
    char small[8] = "-------";
    reader.FormatCommandLine(small, sizeof small);
    EXPECT_STREQ("\"Ombrac", small);
    char none[4] = "abc";
    reader.FormatCommandLine(none, 0);
    EXPECT_STREQ("abc", none);
}

TEST_F(CxGAppDataReaderTest, HelperPastTheLimitKeepsRunningAndIsReapedLater)
{
    CxGAppDataReader reader;
    Configure(reader);
    reader.SetTimeout(200);
    WriteScript("pid Pid.txt\nsleep 700\nstatus done\n");
    const std::string status = m_work + "GAddrStatus.dat";

    const auto start = Clock::now();
    EXPECT_EQ(0, reader.Run());
    EXPECT_LT(MillisecondsSince(start), 1000);

    const std::vector<std::string> messages = LogMessages();
    ASSERT_EQ(5u, messages.size());
    EXPECT_EQ("The helper utility program has no response. Got timeout event.", messages[4]);
    const int pid = ReadPid(m_work + "Pid.txt");
    ASSERT_GT(pid, 0);
    EXPECT_EQ(0, ::kill(pid, 0)) << "the helper must not be stopped";
    EXPECT_FALSE(platform::FileExists(status.c_str()));

    // It goes on with its script after the runner has returned...
    WaitUntil([&] { return platform::FileExists(status.c_str()); }, std::chrono::seconds(3));
    EXPECT_EQ("done\r\n", TempDir::ReadFile(status));
    // ...and once it has ended, a later process call collects it, so no zombie stays behind.
    platform::Process none;
    WaitUntil([&] {
        platform::ReleaseProcess(&none);
        return ::kill(pid, 0) != 0;
    });
    EXPECT_NE(0, ::kill(pid, 0)) << "the helper was never reaped";
}

TEST_F(CxGAppDataReaderTest, RunsAgainAfterATimedOutRun)
{
    CxGAppDataReader reader;
    Configure(reader);
    reader.SetTimeout(100);
    WriteScript("sleep 400\n");
    EXPECT_EQ(0, reader.Run());

    TempDir second;
    TempDir::WriteFile(second.file("GAddrParam.dat"), ParamImage(ContactParams(second.path())));
    reader.SetFolder(second.path().c_str());
    reader.SetTimeout(5000);
    EXPECT_EQ(0, reader.Run());

    std::vector<std::string> outcomes;
    for (const std::string& m : LogMessages())
        if (m.rfind("Helper utility", 0) == 0 || m.rfind("The helper utility", 0) == 0)
            outcomes.push_back(m);
    const std::vector<std::string> expected{"The helper utility program has no response. Got timeout event.",
                                            "Helper utility program exited successfully."};
    EXPECT_EQ(expected, outcomes);
    EXPECT_FALSE(TempDir::ReadFile(second.file("HelperRuns.txt")).empty());
}

TEST_F(CxGAppDataReaderTest, LastOutcomeTellsHowTheLatestRunEnded)
{
    struct Case
    {
        const char* name;
        const char* program;
        uint32_t timeout;
        const char* script;
        HelperRunOutcome outcome;
    };
    // One runner for all of them, so each run has to replace what the one before left.
    const Case cases[] = {
        {"ends at once", kHelper, 5000, "", HelperRunOutcome::Finished},
        {"program missing", "NoSuchHelper.exe", 5000, "", HelperRunOutcome::NotStarted},
        {"no program named", "", 5000, "", HelperRunOutcome::NotStarted},
        {"overruns the limit", kHelper, 100, "sleep 400\n", HelperRunOutcome::TimedOut},
        {"ends at once after an overrun", kHelper, 5000, "", HelperRunOutcome::Finished},
    };
    CxGAppDataReader reader;
    EXPECT_EQ(HelperRunOutcome::NotRun, reader.LastOutcome());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(reader, c.program);
        reader.SetTimeout(c.timeout);
        WriteScript(c.script);
        EXPECT_EQ(0, reader.Run());
        EXPECT_EQ(c.outcome, reader.LastOutcome());
    }
}

TEST_F(CxGAppDataReaderTest, WaitPumpRunsWhileTheHelperWorks)
{
    int pumps = 0;
    platform::SetWaitPump([&] { ++pumps; });
    CxGAppDataReader reader;
    Configure(reader);
    WriteScript("sleep 350\n");

    EXPECT_EQ(0, reader.Run());

    EXPECT_GE(pumps, 2);
    EXPECT_EQ("Helper utility program exited successfully.", LogMessages().back());
}

TEST_F(CxGAppDataReaderTest, DestructionDeletesOnlyTheParameterAndDataFiles)
{
    struct Case
    {
        const char* name;
        bool folderHasSeparator;
        const char* dataFile;
        std::vector<std::string> remaining;
    };
    const std::vector<std::string> all{"GAddrParam.dat", "GAddr.dat", "GAddrStatus.dat", "GAddr.dat.bak"};
    const std::vector<Case> cases{
        {"folder with separator", true, "GAddr.dat", {"GAddrStatus.dat", "GAddr.dat.bak"}},
        {"folder without separator", false, "GAddr.dat", {"GAddrStatus.dat", "GAddr.dat.bak"}},
        {"no data file name", true, "", {"GAddr.dat", "GAddrStatus.dat", "GAddr.dat.bak"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        for (const std::string& f : all)
            TempDir::WriteFile(dir.file(f), "x");
        {
            CxGAppDataReader reader;
            const std::string folder = c.folderHasSeparator ? dir.path() : WithoutTrailingSeparator(dir.path());
            reader.SetFolder(folder.c_str());
            reader.SetParamFileName("GAddrParam.dat");
            reader.SetDataFileName(c.dataFile);
        }
        std::vector<std::string> remaining;
        for (const std::string& f : all)
            if (platform::FileExists(dir.file(f).c_str()))
                remaining.push_back(f);
        EXPECT_EQ(c.remaining, remaining);
        EXPECT_TRUE(platform::FolderExists(dir.path().c_str()));
    }
}

TEST_F(CxGAppDataReaderTest, LongCurrentDirectoryIsRestoredWhole)
{
    // Its first 256 characters name an existing parent folder: returning there would be wrong.
    const std::string base = m_dir.path() + std::string(100, 'a') + "/";
    ASSERT_LT(base.size(), 250u);
    const std::string parent = base + std::string(256 - base.size(), 'b');
    const std::string deep = parent + "/deeper";
    ASSERT_TRUE(platform::CreateFolderPath(deep.c_str()));
    const std::string before = platform::CurrentDirectory();
    ASSERT_TRUE(platform::SetCurrentDirectory(deep.c_str()));
    CxGAppDataReader reader;
    Configure(reader);

    EXPECT_EQ(0, reader.Run());
    const std::string after = platform::CurrentDirectory();
    platform::SetCurrentDirectory(before.c_str());

    EXPECT_EQ("Original current directory: " + deep, LogMessages().at(0));
    EXPECT_EQ(deep, after);
}

TEST_F(CxGAppDataReaderTest, SettersKeepAtMost259Characters)
{
    const std::string longText(300, 'x');
    CxGAppDataReader reader;
    using Setter = void (CxGAppDataReader::*)(const char*);
    const struct
    {
        const char* name;
        Setter set;
        const char* field;
    } setters[] = {
        {"program", &CxGAppDataReader::SetProgram, reader.m_szProgram},
        {"folder", &CxGAppDataReader::SetFolder, reader.m_szFolder},
        {"parameter file", &CxGAppDataReader::SetParamFileName, reader.m_szParamFile},
        {"data file", &CxGAppDataReader::SetDataFileName, reader.m_szDataFile},
    };
    for (const auto& s : setters) {
        SCOPED_TRACE(s.name);
        (reader.*s.set)(longText.c_str());
        EXPECT_EQ(longText.substr(0, 259), s.field);
        (reader.*s.set)(nullptr);
        EXPECT_EQ("", std::string(s.field));
    }
    EXPECT_EQ(CxGAppDataReader::kDefaultTimeout, reader.GetTimeout());
}

// The stand-in helper is what the runner and utility tests rely on, so its own reading is checked.
TEST_F(CxGAppDataReaderTest, TestHelperRecordsEveryEntryAndRejectsBadFiles)
{
    const std::vector<Param> mixed{{1003, 8, m_work}, {1, 3, "", -5}, {2, 5, "", 7}, {3, 11, "", 1},
                                   {4, 2, ""},        {5, 8, ""},     {1005, 8, "2"}};
    const std::string tooLong = Int32(1) + Int32(1003) + Int32(8) + Int32((1 << 20) + 1);
    const std::string truncated = ParamImage(mixed).substr(0, 30);

    const struct
    {
        const char* name;
        std::string image;
        std::string seen;
    } cases[] = {
        {"all types", ParamImage(mixed), "1003|8|" + m_work + "\n1|3|-5\n2|5|7\n3|11|1\n4|2|\n5|8|\n1005|8|2\n"},
        {"text longer than 1 MiB", tooLong, ""},
        {"truncated", truncated, ""},
        {"no work folder", ParamImage({{1005, 8, "1"}}), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DeleteFile((m_work + "HelperSeen.txt").c_str());
        CxGAppDataReader reader;
        reader.SetProgram(kHelper);
        reader.SetFolder(m_work.c_str());
        reader.SetParamFileName("Mixed.dat");
        TempDir::WriteFile(m_work + "Mixed.dat", c.image);
        reader.Run();
        EXPECT_EQ(c.seen, TempDir::ReadFile(m_work + "HelperSeen.txt"));
    }
    EXPECT_FALSE(platform::FileExists((platform::ProgramFolder() + "HelperSeen.txt").c_str()));
}

TEST_F(CxGAppDataReaderTest, TestHelperFollowsItsScript)
{
    CxGAppDataReader reader;
    Configure(reader);
    TempDir::WriteFile(m_work + "Fetched.dat", "records");
    // Asks the helper to stop as soon as it reports itself running, the way the utilities do.
    CxIniUtil control(m_work.c_str(), "GAddrData.ini");
    bool sawRunning = false;
    platform::SetWaitPump([&] {
        if (!sawRunning && control.ReadNumber("Status", "Running", 0) == 1) {
            sawRunning = true;
            control.WriteNumber("Status", "Stop", 1);
        }
    });
    WriteScript("status Reading\r\n"
                "status Writing 3 of 4\r\n"
                "error Wrong password\r\n"
                "frobnicate 1\r\n"
                "error Account locked\r\n"
                "running GAddrData.ini\r\n"
                "data Fetched.dat\r\n"
                "wait-stop GAddrData.ini 1500\r\n"
                "exit 0\r\n"
                "status too late\r\n");

    reader.Run();

    EXPECT_EQ("Writing 3 of 4\r\n", TempDir::ReadFile(m_work + "GAddrStatus.dat"));
    CxIniUtil errors(m_work.c_str(), "GAddrErr.dat");
    EXPECT_EQ(2, errors.ReadNumber("Error", "Error.Count", 0));
    char text[64];
    errors.ReadEntry("Error", "Error.1", text, sizeof text, "");
    EXPECT_STREQ("Wrong password", text);
    errors.ReadEntry("Error", "Error.2", text, sizeof text, "");
    EXPECT_STREQ("Account locked", text);
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(0, control.ReadNumber("Status", "Running", -1));
    EXPECT_EQ("records", TempDir::ReadFile(m_work + "GAddr.dat"));
    const std::string runs = TempDir::ReadFile(m_work + "HelperRuns.txt");
    EXPECT_EQ("stopped\n", runs.substr(runs.find('\n') + 1));
}
