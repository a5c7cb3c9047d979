// The group search and the scan that every kind of record shares; each kind brings its walk over the
// loaded records, its rule and its keep-choice.
#pragma once

#include "app/core/DuplicateRule.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/misc/CxList.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

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
    // The hash of what IsSame compares; false for a record IsSame finds the same as none.
    bool (*Key)(const Record*, uint64_t*);
    // True for a pair the user said are not duplicates (may be null: no such pairs). Only the
    // one-pass scans ask it; the pairwise reference knows nothing of them.
    bool (*Apart)(const Record*, const Record*) = nullptr;
};

// The record a duplicate was grouped with and that stays, for the kinds that keep one in memory.
template <class Record>
void SetKeptRecord(Record* pRecord, Record* pKept)
{
    if constexpr (requires { pRecord->pKept; })
        pRecord->pKept = pKept;
}

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

// The reference scan: a group search started at each record still unmarked, comparing every pair.
// Its time grows with the square of the records; ScanDuplicates gives the same result in one pass,
// and the tests and the benchmark hold the two against each other.
template <class Record>
void ScanDuplicatesPairwise(const DupScanKind<Record>& kind, CxList& dupList)
{
    dupList.RemoveAll(false);
    for (Record* r = kind.First(); r; r = kind.Next())
        r->dwFlags &= ~REC_DUPLICATE;
    for (Record* r = kind.First(); r; r = kind.Next())
        if (!(r->dwFlags & REC_DUPLICATE))
            MarkDuplicateGroup(kind, dupList, r);
}

// Records the rule finds the same, in groups: under every rule sameness is equality of the compared
// fields (with at least one of them set), so each record belongs to one group, and a group's first
// record is the same as all the others.
template <class Record>
class DupGroups
{
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    DupGroups(const DupScanKind<Record>& kind, const std::vector<Record*>& records)
        : m_next(records.size(), kNone)
    {
        std::unordered_map<uint64_t, uint32_t> firstWithHash;
        firstWithHash.reserve(records.size());
        for (uint32_t i = 0; i < records.size(); ++i) {
            uint64_t hash = 0;
            if (!kind.Key(records[i], &hash))
                continue;
            auto [it, bNew] = firstWithHash.try_emplace(hash, static_cast<uint32_t>(m_groups.size()));
            if (bNew)
                m_groups.push_back({i, i, kNone});
            else
                Join(kind, records, it->second, i);
        }
    }

    // The groups in the order of their first records; each a chain of record indexes in walk order.
    struct Group
    {
        uint32_t first;
        uint32_t last;
        uint32_t collision; // the next group whose records hash alike, or kNone
    };
    const std::vector<Group>& Groups() const { return m_groups; }
    uint32_t NextMember(uint32_t record) const { return m_next[record]; }

private:
    // Record i joins the group of the same records among those whose hash it shares, or opens one.
    void Join(const DupScanKind<Record>& kind, const std::vector<Record*>& records, uint32_t group, uint32_t i)
    {
        for (;;) {
            Group& g = m_groups[group];
            if (kind.IsSame(records[g.first], records[i])) {
                m_next[g.last] = i;
                g.last = i;
                return;
            }
            if (g.collision == kNone) {
                g.collision = static_cast<uint32_t>(m_groups.size());
                m_groups.push_back({i, i, kNone});
                return;
            }
            group = g.collision;
        }
    }

    std::vector<Group> m_groups;
    std::vector<uint32_t> m_next;
};

// Walks one group as the group search would walk it: each member in turn is held against the record
// kept so far, and the loser of each pair is a duplicate (ties go to the later record). The losers are
// then listed in the order they lost, each pointing at the record the group keeps; a loser the user
// said is not a duplicate of that record stays unmarked and unlisted.
template <class Record, class Groups>
void MarkGroupMembers(const DupScanKind<Record>& kind, const std::vector<Record*>& records, const Groups& groups,
                      uint32_t first, std::vector<Record*>& losers, CxList& dupList)
{
    Record* pKept = records[first];
    losers.clear();
    for (uint32_t i = groups.NextMember(first); i != Groups::kNone; i = groups.NextMember(i)) {
        Record* q = records[i];
        Record* pLoser = kind.IsNewer(pKept, q) ? q : pKept;
        losers.push_back(pLoser);
        if (pLoser == pKept)
            pKept = q;
    }
    for (Record* pLoser : losers) {
        if (kind.Apart && kind.Apart(pLoser, pKept))
            continue;
        pLoser->dwFlags |= REC_DUPLICATE;
        SetKeptRecord(pLoser, pKept);
        dupList.Add(pLoser);
    }
}

// The records of one kind in walk order, every mark and kept record cleared, and the list emptied
// (its records are not released).
template <class Record>
std::vector<Record*> ClearedRecords(const DupScanKind<Record>& kind, CxList& dupList)
{
    dupList.RemoveAll(false);
    std::vector<Record*> records;
    for (Record* r = kind.First(); r; r = kind.Next()) {
        r->dwFlags &= ~REC_DUPLICATE;
        SetKeptRecord(r, static_cast<Record*>(nullptr));
        records.push_back(r);
    }
    return records;
}

// Marks and lists every group of groups (any type with Groups() giving each group's first member and
// NextMember() chaining the rest in walk order), groups in the order of their first members.
template <class Record, class Groups>
void MarkGroups(const DupScanKind<Record>& kind, const std::vector<Record*>& records, const Groups& groups,
                CxList& dupList)
{
    std::vector<Record*> losers;
    for (const auto& group : groups.Groups())
        MarkGroupMembers(kind, records, groups, group.first, losers, dupList);
}

// Rebuilds the marks and the duplicate list from nothing, each group walked as the group search would
// walk it, in the order the group searches would reach them: the same marks, list order and kept
// records as ScanDuplicatesPairwise, in one pass.
template <class Record>
void ScanDuplicates(const DupScanKind<Record>& kind, CxList& dupList)
{
    const std::vector<Record*> records = ClearedRecords(kind, dupList);
    MarkGroups(kind, records, DupGroups<Record>(kind, records), dupList);
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
