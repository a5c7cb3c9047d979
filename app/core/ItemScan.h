// Task and note duplicate detection: one scan serves both kinds. Their rule never finds two items the
// same, so the scan marks nothing; the walk and the keep-choice are those of every kind.
#pragma once

#include "app/core/DuplicateScan.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"

// The kind's scan over the records its utility holds, into its duplicate list. The two pointers are
// the service set's own, read on every call, since the set creates and frees what they point to.
template <class Record, auto& pUtil, auto& pDupList>
struct ItemScan
{
    static bool IsSame(const Record*, const Record*) { return false; }
    // Nothing is the same as anything, so no item even needs a hash.
    static bool Key(const Record*, uint64_t*) { return false; }
    // By modification time, else by creation time.
    static bool IsNewer(const Record* a, const Record* b) { return IsNewerByTimes(a, b); }

    // The walk in manager order; each step records in the item's pMgrNode the common record it came
    // through. A common record without an item ends the walk.
    static Record* First() { return WalkFirst<Record>(Mgr()); }
    static Record* Next() { return WalkNext<Record>(Mgr()); }
    static void SetCurrent(Record* pRecord) { WalkBackTo(Mgr(), pRecord); }

    // The group search from one item; false when it is null or already marked, or there is no
    // duplicate list.
    static bool MarkGroup(Record* pStart) { return pDupList && MarkDuplicateGroup(kKind, *pDupList, pStart); }
    // False, changing nothing, without a utility or a duplicate list.
    static bool Scan()
    {
        if (!pUtil || !pDupList)
            return false;
        ScanDuplicates(kKind, *pDupList);
        return true;
    }

private:
    static auto* Mgr() { return pUtil ? pUtil->GetMgr() : nullptr; }
    static constexpr DupScanKind<Record> kKind = {First, Next, SetCurrent, IsSame, IsNewer, Key};
};

using TaskScan = ItemScan<GTaskRecord, g_pTaskUtil, g_pTaskDupList>;
using NoteScan = ItemScan<GNoteRecord, g_pNoteUtil, g_pNoteDupList>;

// The names the rest of the app calls them by.
inline constexpr auto IsSameTask = TaskScan::IsSame, IsNewerTask = TaskScan::IsNewer;
inline constexpr auto FirstTask = TaskScan::First, NextTask = TaskScan::Next;
inline constexpr auto SetCurrentTask = TaskScan::SetCurrent;
inline constexpr auto MarkTaskGroup = TaskScan::MarkGroup;
inline constexpr auto ScanTaskDuplicates = TaskScan::Scan;

inline constexpr auto IsSameNote = NoteScan::IsSame, IsNewerNote = NoteScan::IsNewer;
inline constexpr auto FirstNote = NoteScan::First, NextNote = NoteScan::Next;
inline constexpr auto SetCurrentNote = NoteScan::SetCurrent;
inline constexpr auto MarkNoteGroup = NoteScan::MarkGroup;
inline constexpr auto ScanNoteDuplicates = NoteScan::Scan;
