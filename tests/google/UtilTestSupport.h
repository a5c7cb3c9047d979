// What the tests of the utilities that run a helper program share: a work folder holding the debug log
// and the stand-in helper's records, and the reading of both.
#pragma once

#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGAppDataReader.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHelperFolder.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Whether LogMessages tells a failure line (its head ends in "!!!") from the others.
enum class FailureMark {
    Dropped,
    Shown,
};

// The message of each log line: what follows the "] - " that ends the line's head. With
// FailureMark::Shown a failure line's message reads "!!! message".
inline std::vector<std::string> LogMessages(const std::string& log, FailureMark mark = FailureMark::Dropped)
{
    std::vector<std::string> messages;
    for (std::string line : Lines(log)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t end = line.find("] - ");
        if (end == std::string::npos) {
            messages.push_back(line);
            continue;
        }
        const bool failure = mark == FailureMark::Shown && end >= 3 && line.compare(end - 3, 3, "!!!") == 0;
        messages.push_back((failure ? "!!! " : "") + line.substr(end + 4));
    }
    return messages;
}

// Runs check(work, helperPresent) once for each way a helper run fails: the helper reports an error, or
// there is no helper to run. Each time in a fresh work folder, with the helper (when there is one)
// under programName and following the script written there.
template <class Check>
void ForEachHelperFailure(const char* programName, Check check)
{
    struct Case
    {
        const char* name;
        bool helperPresent;
        std::string script;
    };
    const Case cases[] = {
        {"wrong password", true, "error Invalid credentials\n"},
        {"helper missing", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir work;
        TempDir::WriteFile(work.file("HelperScript.txt"), c.script);
        TempDir programs;
        if (c.helperPresent)
            PlaceTestHelper(programs.path(), programName);
        SetHelperProgramFolder(programs.path().c_str());
        check(work, c.helperPresent);
        ReleaseHelperRunners();
    }
}

// A utility destroyed while its helper still says it is running leaves "Stop" = 1 in the kind's
// stop-request file.
template <class Util>
void ExpectDestructionAsksARunningHelperToStop(const char* stopFile)
{
    TempDir work;
    TempDir::WriteFile(work.file(stopFile), "[Status]\nRunning=1\n");
    {
        Util util;
        util.SetWorkFolder(work.path().c_str());
    }
    CxIniUtil stop(work.path().c_str(), stopFile);
    EXPECT_EQ(1, stop.ReadNumber("Status", "Stop", 0));
}

// MarkDeleted refuses a null record and neither fails nor asks for a save for a common record that
// carries no item.
template <class Common, class Util>
void ExpectMarkDeletedNeedsAnAttachedRecord(Util& util)
{
    EXPECT_FALSE(util.MarkDeleted(nullptr));
    RecordPtr<Common> unattached = Zeroed<Common>();
    util.m_bModified = false;
    EXPECT_TRUE(util.MarkDeleted(unattached.get()));
    EXPECT_FALSE(util.m_bModified);
}

// The debug log goes to the work folder m_dir at full detail; the helper programs go to m_programs.
// Everything set here is global, so TearDown puts it back for the tests that follow.
class HelperUtilTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_debugLog.SetFolder(m_dir.path().c_str());
        g_debugLog.SetDebugEnabled(true);
        g_debugLog.SetLogLevel(3);
    }
    void TearDown() override
    {
        ReleaseHelperRunners();
        SetHelperProgramFolder("");
        SetHelperTimeout(CxGAppDataReader::kDefaultTimeout);
        g_debugLog.SetDebugEnabled(false);
        g_debugLog.SetLogLevel(0);
        g_debugLog.SetFolder("./");
    }

    // Runs the stand-in helper under the program name the utility starts, with the commands given.
    void UseHelper(const char* programName, const std::string& script)
    {
        PlaceTestHelper(m_programs.path(), programName);
        SetHelperProgramFolder(m_programs.path().c_str());
        TempDir::WriteFile(m_dir.file("HelperScript.txt"), script);
    }
    std::string Log() const { return WorkFileText("appdebug.log"); }
    bool LogHas(const std::string& message) const { return Log().find(message) != std::string::npos; }
    // One line a helper run, as the stand-in helper records it.
    std::string Runs() const { return WorkFileText("HelperRuns.txt"); }
    // The folder the helper runs in, as it reports it: without the trailing separator.
    std::string ProgramCwd() const { return m_programs.path().substr(0, m_programs.path().size() - 1); }
    bool WorkFileExists(const char* name) const { return platform::FileExists(m_dir.file(name).c_str()); }

    TempDir m_dir;
    TempDir m_programs;

private:
    std::string WorkFileText(const char* name) const
    {
        return WorkFileExists(name) ? TempDir::ReadFile(m_dir.file(name)) : std::string();
    }
};
