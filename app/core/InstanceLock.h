// One app per data folder: two would share its fixed file names, and each helper run of one could
// read or delete what the other's run had just written.
#pragma once

enum class InstanceLock { Taken, AlreadyRunning, Unavailable };

// The lock file in the data folder, held from here until the process ends. Unavailable when the data
// folder or the file cannot be had; the app then runs unguarded, as it would have anyway.
InstanceLock LockDataFolder();

inline constexpr const char* kInstanceLockFile = "Qosweep.lock";
