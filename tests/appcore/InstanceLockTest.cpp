#include "app/core/InstanceLock.h"

#include "app/core/AppSettings.h"
#include "common/platform/Platform.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string LockPath()
{
    char szFolder[MAX_PATH] = "";
    EXPECT_TRUE(GetDataFolder(szFolder));
    return std::string(szFolder) + kInstanceLockFile;
}

// LockDataFolder in a process of its own, as a second start of the app would call it.
InstanceLock LockInChild()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(static_cast<int>(LockDataFolder()));
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? static_cast<InstanceLock>(WEXITSTATUS(status)) : InstanceLock::Unavailable;
}

} // namespace

// One test, in this order: this process keeps the lock from its first LockDataFolder on.
TEST(InstanceLockTest, TheFirstStartHoldsTheDataFolderAndASecondIsTurnedAway)
{
    platform::FileLock other;
    ASSERT_EQ(platform::LockResult::Locked, platform::TryLockFile(LockPath().c_str(), &other));
    EXPECT_EQ(InstanceLock::AlreadyRunning, LockInChild()) << "another app holds the folder";
    platform::UnlockFile(&other);

    EXPECT_EQ(InstanceLock::Taken, LockInChild()) << "free once the other app is gone";
    EXPECT_EQ(InstanceLock::Taken, LockDataFolder());
    EXPECT_EQ(InstanceLock::Taken, LockDataFolder()) << "asking again keeps the lock";
    // A child forked now would inherit the held lock's state, so the check is by hand.
    EXPECT_EQ(platform::LockResult::Busy, platform::TryLockFile(LockPath().c_str(), &other));
}
