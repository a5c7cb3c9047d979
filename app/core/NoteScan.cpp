#include "app/core/NoteScan.h"

#include "app/core/DuplicateScan.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGNoteUtil.h"

namespace {

CommNoteMgr* NoteMgr()
{
    return g_pNoteUtil ? g_pNoteUtil->GetNoteMgr() : nullptr;
}

constexpr DupScanKind<GNoteRecord> kNoteKind = {
    FirstNote, NextNote, SetCurrentNote, IsSameNote, IsNewerNote,
};

} // namespace

bool IsSameNote(const GNoteRecord*, const GNoteRecord*)
{
    return false;
}

bool IsNewerNote(const GNoteRecord* a, const GNoteRecord* b)
{
    return IsNewerByTimes(a, b);
}

GNoteRecord* FirstNote()
{
    return WalkFirst<GNoteRecord>(NoteMgr());
}

GNoteRecord* NextNote()
{
    return WalkNext<GNoteRecord>(NoteMgr());
}

void SetCurrentNote(GNoteRecord* pRecord)
{
    WalkBackTo(NoteMgr(), pRecord);
}

bool MarkNoteGroup(GNoteRecord* pStart)
{
    if (!g_pNoteDupList)
        return false;
    return MarkDuplicateGroup(kNoteKind, *g_pNoteDupList, pStart);
}

bool ScanNoteDuplicates()
{
    if (!g_pNoteUtil || !g_pNoteDupList)
        return false;
    ScanDuplicates(kNoteKind, *g_pNoteDupList);
    return true;
}
