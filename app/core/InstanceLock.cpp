#include "app/core/InstanceLock.h"

#include "app/core/AppSettings.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

InstanceLock LockDataFolder()
{
    // Held for the life of the process: the operating system drops it when the process ends.
    static platform::FileLock s_lock;
    if (s_lock.fd >= 0)
        return InstanceLock::Taken;
    char szFolder[MAX_PATH] = "";
    if (!GetDataFolder(szFolder))
        return InstanceLock::Unavailable;
    char szPath[MAX_PATH];
    FormatText(szPath, "%s%s", szFolder, kInstanceLockFile);
    switch (platform::TryLockFile(szPath, &s_lock)) {
    case platform::LockResult::Locked:
        return InstanceLock::Taken;
    case platform::LockResult::Busy:
        return InstanceLock::AlreadyRunning;
    case platform::LockResult::Failed:
        break;
    }
    g_debugLog.Print(0, __FILE__, __LINE__, "Could not lock %s: %s", szPath, platform::LastErrorText().c_str());
    return InstanceLock::Unavailable;
}
