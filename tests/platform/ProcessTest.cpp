#include "common/platform/Platform.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

std::string ChildPath()
{
    return ProgramFolder() + "qosweep_test_child";
}

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class ProcessTest : public ::testing::Test
{
protected:
    void TearDown() override { SetWaitPump({}); }
};

} // namespace

TEST_F(ProcessTest, ChildThatEndsAtOnceIsSeenQuickly)
{
    Process p;
    ASSERT_TRUE(StartProcess(ChildPath(), {"child", "exit", "3"}, &p));
    auto start = Clock::now();
    EXPECT_EQ(WaitResult::Exited, WaitProcess(&p, 5000));
    EXPECT_LT(MillisecondsSince(start), 1000);
    EXPECT_EQ(0, p.pid);
}

TEST_F(ProcessTest, ArgumentsArriveWholeAndCurrentDirectoryIsInherited)
{
    TempDir dir;
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectory(dir.path().c_str()));
    Process p;
    const std::string out = dir.file("cwd with blanks.txt");
    ASSERT_TRUE(StartProcess(ChildPath(), {"child", "cwd", out}, &p));
    SetCurrentDirectory(before.c_str());
    ASSERT_EQ(WaitResult::Exited, WaitProcess(&p, 5000));
    EXPECT_EQ(dir.path(), TempDir::ReadFile(out) + "/");
}

TEST_F(ProcessTest, MissingProgramFailsWithAReason)
{
    Process p;
    errno = 0;
    EXPECT_FALSE(StartProcess("/no/such/program", {"x"}, &p));
    EXPECT_NE(0, errno);
    EXPECT_FALSE(LastErrorText().empty());
    EXPECT_EQ(0, p.pid);
    EXPECT_EQ(WaitResult::Failed, WaitProcess(&p, 100));
}

TEST_F(ProcessTest, TimeOutLeavesTheChildRunningAndPumpsBetweenSlices)
{
    int pumps = 0;
    SetWaitPump([&] { ++pumps; });
    Process p;
    ASSERT_TRUE(StartProcess(ChildPath(), {"child", "sleep", "3000"}, &p));
    const int pid = p.pid;
    auto start = Clock::now();
    EXPECT_EQ(WaitResult::TimedOut, WaitProcess(&p, 450));
    auto waited = MillisecondsSince(start);
    EXPECT_GE(waited, 450);
    EXPECT_LT(waited, 1500);
    // Slices of at most 100 ms: four pumps within 450 ms.
    EXPECT_GE(pumps, 3);
    EXPECT_LE(pumps, 5);
    EXPECT_EQ(0, ::kill(pid, 0)) << "the child must still be running";

    ReleaseProcess(&p);
    EXPECT_EQ(0, p.pid);
    ::kill(pid, SIGKILL);
    // The abandoned child is reaped by a later call without blocking.
    Process q;
    for (int i = 0; i < 50 && ::kill(pid, 0) == 0; ++i) {
        ASSERT_TRUE(StartProcess(ChildPath(), {"child", "exit", "0"}, &q));
        WaitProcess(&q, 1000);
    }
    EXPECT_NE(0, ::kill(pid, 0)) << "the abandoned child was never reaped";
}

TEST(FileLockTest, OneHolderAtATimeAndTheFileIsTheOwnersOnly)
{
    TempDir dir;
    const std::string path = dir.file("app.lock");
    const mode_t old = umask(022);
    FileLock first;
    ASSERT_EQ(LockResult::Locked, TryLockFile(path.c_str(), &first));
    umask(old);
    struct stat st
    {};
    ASSERT_EQ(0, ::stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u);

    FileLock second;
    EXPECT_EQ(LockResult::Busy, TryLockFile(path.c_str(), &second));
    EXPECT_EQ(-1, second.fd) << "a refused lock holds nothing";
    UnlockFile(&first);
    EXPECT_EQ(-1, first.fd);
    EXPECT_EQ(LockResult::Locked, TryLockFile(path.c_str(), &second));
    UnlockFile(&second);
    UnlockFile(&second); // not held: nothing happens

    EXPECT_EQ(LockResult::Failed, TryLockFile(dir.file("no/such/folder/app.lock").c_str(), &first));
    EXPECT_EQ(ENOENT, errno);
}

// A holder that ends without releasing (a crash) leaves the lock free for the next start.
TEST(FileLockTest, TheLockDiesWithItsProcess)
{
    TempDir dir;
    const std::string path = dir.file("app.lock");
    const pid_t holder = fork();
    if (holder == 0) {
        FileLock lock;
        _exit(TryLockFile(path.c_str(), &lock) == LockResult::Locked ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(holder, waitpid(holder, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    FileLock lock;
    EXPECT_EQ(LockResult::Locked, TryLockFile(path.c_str(), &lock));
    UnlockFile(&lock);
}

// A helper started while the app holds its lock must not keep the lock alive after the app lets go.
TEST(FileLockTest, StartedProgramsDoNotInheritTheLock)
{
    TempDir dir;
    const std::string path = dir.file("app.lock");
    FileLock lock;
    ASSERT_EQ(LockResult::Locked, TryLockFile(path.c_str(), &lock));
    Process p;
    ASSERT_TRUE(StartProcess(ChildPath(), {"child", "sleep", "3000"}, &p));
    UnlockFile(&lock);
    FileLock again;
    EXPECT_EQ(LockResult::Locked, TryLockFile(path.c_str(), &again));
    UnlockFile(&again);
    ::kill(p.pid, SIGKILL);
    EXPECT_EQ(WaitResult::Exited, WaitProcess(&p, 5000));
    ReleaseProcess(&p);
}
