// The group search and the scan that every kind of record shares; each kind brings its walk over the
// loaded records, its rule and its keep-choice.
#pragma once

#include "app/core/DuplicateRule.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/misc/CxList.h"

// How one kind takes part in a scan. The walk shares the cursor of the kind's record manager: the
// group search walks on from a record and puts the cursor back on it afterwards.
template <class Record>
struct DupScanKind
{
    Record* (*First)();
    Record* (*Next)();
    void (*SetCurrent)(Record*);
    bool (*IsSame)(const Record*, const Record*);
    bool (*IsNewer)(const Record*, const Record*);
};

// Compares start with every later unmarked record; of each agreeing pair the one that loses the
// keep-choice is marked and listed, and the winner goes on being compared (ties go to the later
// record). False when start is null or already marked.
template <class Record>
bool MarkDuplicateGroup(const DupScanKind<Record>& kind, CxList& dupList, Record* pStart)
{
    if (!pStart || (pStart->dwFlags & REC_DUPLICATE))
        return false;
    kind.SetCurrent(pStart);
    Record* pKept = pStart;
    for (Record* q = kind.Next(); q; q = kind.Next()) {
        if ((q->dwFlags & REC_DUPLICATE) || !kind.IsSame(pKept, q))
            continue;
        Record* pLoser = kind.IsNewer(pKept, q) ? q : pKept;
        pLoser->dwFlags |= REC_DUPLICATE;
        dupList.Add(pLoser);
        if (pLoser == pKept)
            pKept = q;
    }
    kind.SetCurrent(pStart);
    return true;
}

// Rebuilds the marks and the duplicate list from nothing: the list is emptied (its records are not
// released), every REC_DUPLICATE cleared, and a group search started at each record still unmarked.
template <class Record>
void ScanDuplicates(const DupScanKind<Record>& kind, CxList& dupList)
{
    dupList.RemoveAll(false);
    for (Record* r = kind.First(); r; r = kind.Next())
        r->dwFlags &= ~REC_DUPLICATE;
    for (Record* r = kind.First(); r; r = kind.Next())
        if (!(r->dwFlags & REC_DUPLICATE))
            MarkDuplicateGroup(kind, dupList, r);
}

// The keep-choice every kind shares: a is newer than b by modification time; a record without one is
// judged by its creation time. Strict, so a tie leaves the later record of a group kept.
template <class Record>
bool IsNewerByTimes(const Record* a, const Record* b)
{
    if (!a || !b)
        return false;
    if (a->dtModified > b->dtModified)
        return true;
    if (IsZeroTime(a->dtModified))
        return IsZeroTime(b->dtModified) ? a->dtCreated > b->dtCreated : a->dtCreated > b->dtModified;
    return false;
}

// The walk over one kind's records in the order of its common record manager (Mgr may be null: no
// records). Each step hands out the record a common record carries and remembers in its pMgrNode the
// common record it came through; a common record without a record ends the walk.
template <class Record, class Node>
Record* AttachedRecord(Node* pNode)
{
    if (!pNode)
        return nullptr;
    auto* pRecord = static_cast<Record*>(pNode->pAttach);
    if (pRecord)
        pRecord->pMgrNode = pNode;
    return pRecord;
}

template <class Record, class Mgr>
Record* WalkFirst(Mgr* pMgr)
{
    return pMgr ? AttachedRecord<Record>(pMgr->GetFirst()) : nullptr;
}

template <class Record, class Mgr>
Record* WalkNext(Mgr* pMgr)
{
    return pMgr ? AttachedRecord<Record>(pMgr->GetNext()) : nullptr;
}

// Puts the manager's cursor back on the common record the record was last handed out through.
template <class Record, class Mgr>
void WalkBackTo(Mgr* pMgr, Record* pRecord)
{
    if (pMgr && pRecord && pRecord->pMgrNode)
        pMgr->SetCurrent(pRecord->pMgrNode);
}
