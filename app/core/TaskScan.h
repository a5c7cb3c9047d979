// Task duplicate detection: the rule, the keep-choice, the walk over the loaded tasks, and the scan
// that fills the task duplicate list of the service set.
#pragma once

#include "common/google/records/GTaskRecord.h"

// The task rule: no two tasks are ever the same, so the scan never marks a task.
bool IsSameTask(const GTaskRecord* a, const GTaskRecord* b);
// True when a counts as newer than b: by modification time, else by creation time.
bool IsNewerTask(const GTaskRecord* a, const GTaskRecord* b);

// The walk over the loaded tasks in manager order; each step records in the task's pMgrNode the
// common record it came through. A common record without a task ends the walk.
GTaskRecord* FirstTask();
GTaskRecord* NextTask();
// Puts the manager's cursor back on the task's common record.
void SetCurrentTask(GTaskRecord* pRecord);

// The group search from one task; false when it is null or already marked, or there is no task
// duplicate list.
bool MarkTaskGroup(GTaskRecord* pStart);
// False, changing nothing, without a tasks utility or a task duplicate list.
bool ScanTaskDuplicates();
