#include "app/core/TaskScan.h"

#include "app/core/DuplicateScan.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGTaskUtil.h"

namespace {

CommTaskMgr* TaskMgr()
{
    return g_pTaskUtil ? g_pTaskUtil->GetTaskMgr() : nullptr;
}

constexpr DupScanKind<GTaskRecord> kTaskKind = {
    FirstTask, NextTask, SetCurrentTask, IsSameTask, IsNewerTask,
};

} // namespace

bool IsSameTask(const GTaskRecord*, const GTaskRecord*)
{
    return false;
}

bool IsNewerTask(const GTaskRecord* a, const GTaskRecord* b)
{
    return IsNewerByTimes(a, b);
}

GTaskRecord* FirstTask()
{
    return WalkFirst<GTaskRecord>(TaskMgr());
}

GTaskRecord* NextTask()
{
    return WalkNext<GTaskRecord>(TaskMgr());
}

void SetCurrentTask(GTaskRecord* pRecord)
{
    WalkBackTo(TaskMgr(), pRecord);
}

bool MarkTaskGroup(GTaskRecord* pStart)
{
    if (!g_pTaskDupList)
        return false;
    return MarkDuplicateGroup(kTaskKind, *g_pTaskDupList, pStart);
}

bool ScanTaskDuplicates()
{
    if (!g_pTaskUtil || !g_pTaskDupList)
        return false;
    ScanDuplicates(kTaskKind, *g_pTaskDupList);
    return true;
}
