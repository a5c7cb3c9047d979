// Running a program to its end for a test: its input fed, its output kept, its end told apart from a
// time-out and from a program that never started.
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

TEST(RunProgramTest, FeedsTheInputAndKeepsBothOutputs)
{
    // More input than a pipe holds, read only after the program has written, so that neither side
    // may wait for the other.
    const std::string input(200000, 'y');
    const ProgramRun run = RunProgram({"sh", "-c", "echo said; echo complained >&2; wc -c; exit 3"}, input);
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(3, run.exitCode);
    EXPECT_FALSE(run.Succeeded());
    EXPECT_EQ("said\ncomplained\n200000\n", run.output);
    EXPECT_EQ("sh -c echo said; echo complained >&2; wc -c; exit 3: exit code 3\n" + run.output, run.Describe());
}

TEST(RunProgramTest, AProgramThatIgnoresItsInputDoesNotStopTheRun)
{
    const ProgramRun run = RunProgram({"true"}, std::string(200000, 'y'));
    EXPECT_TRUE(run.Succeeded()) << run.Describe();
}

TEST(RunProgramTest, KillsAProgramPastItsTimeLimit)
{
    const auto start = std::chrono::steady_clock::now();
    // The program closes its output first, so the wait is for its end, not for the pipe.
    const ProgramRun run = RunProgram({"sh", "-c", "exec >&- 2>&-; sleep 20"}, {}, std::chrono::milliseconds(300));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(-1, run.exitCode);
    EXPECT_FALSE(run.Succeeded());
}

TEST(RunProgramTest, SaysWhenAProgramCannotStart)
{
    const ProgramRun run = RunProgram({"qosweep-no-such-program"});
    EXPECT_FALSE(run.started);
    EXPECT_FALSE(run.Succeeded());
    EXPECT_EQ("cannot start: No such file or directory", run.output);
    EXPECT_EQ("", FindOnPath("qosweep-no-such-program"));
    EXPECT_EQ("/bin/sh", FindOnPath("/bin/sh"));
    EXPECT_FALSE(FindOnPath("sh").empty());
}

} // namespace
