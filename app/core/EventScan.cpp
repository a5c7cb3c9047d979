#include "app/core/EventScan.h"

#include "app/core/AppSettings.h"
#include "app/core/DuplicateRule.h"
#include "app/core/DuplicateScan.h"
#include "app/core/NotDuplicates.h"
#include "app/core/ServiceSet.h"
#include "app/core/SmartMatch.h"
#include "app/core/SmartScan.h"
#include "common/google/CommDateRecord.h"
#include "common/google/CxGDateUtil.h"

namespace {

CommDateMgr* DateMgr()
{
    return g_pDateUtil ? g_pDateUtil->GetDateMgr() : nullptr;
}

// The rule's fields in the order of the rule table, the long note last; one walk for comparing two
// events and for hashing one.
template <class Match>
bool AgreeUnderRule(Match& m, const GDateRecord* a, const GDateRecord* b)
{
    const TAppSettings& s = AppSettings;
    if (s.DateSubject && !m.Text(a->szSubject, b->szSubject))
        return false;
    if (s.DateLocation && !m.Text(a->szLocation, b->szLocation))
        return false;
    if (s.DateStartTime && !m.Date(a->dtStart, b->dtStart))
        return false;
    if (s.DateEndTime && !m.Date(a->dtEnd, b->dtEnd))
        return false;
    // Compared, but no evidence: every event has some all-day value, so two untitled, untimed events
    // sharing one prove no more than two empty subjects do.
    if (s.DateAllDayEvent && !m.Value(a->nAllDayEvent, b->nAllDayEvent))
        return false;
    if (s.DateNote && !m.Text(a->szNote, b->szNote))
        return false;
    return true;
}

bool EventKey(const GDateRecord* pRecord, uint64_t* pHash)
{
    CxRuleKey key;
    AgreeUnderRule(key, pRecord, pRecord);
    *pHash = key.Hash();
    return key.CanMatch();
}

constexpr DupScanKind<GDateRecord> kEventKind = {
    FirstEvent, NextEvent, SetCurrentEvent, IsSameEvent, IsNewerEvent, EventKey, EventsKeptApart,
};

void ScanEventsSmart(CxList& dupList)
{
    const std::vector<GDateRecord*> records = ClearedRecords(kEventKind, dupList);
    std::vector<SmartEvent> events;
    events.reserve(records.size());
    for (const GDateRecord* r : records)
        events.push_back(SmartEventOf(*r));
    MarkSmartGroups(kEventKind, records, dupList, events, AddSmartEventBlocks, SmartEventsAgree);
}

} // namespace

bool IsSameEvent(const GDateRecord* a, const GDateRecord* b)
{
    if (!a || !b)
        return false;
    CxRuleMatch m;
    return AgreeUnderRule(m, a, b) && m.HasEvidence();
}

bool IsNewerEvent(const GDateRecord* a, const GDateRecord* b)
{
    return IsNewerByTimes(a, b);
}

GDateRecord* FirstEvent()
{
    return WalkFirst<GDateRecord>(DateMgr());
}

GDateRecord* NextEvent()
{
    return WalkNext<GDateRecord>(DateMgr());
}

void SetCurrentEvent(GDateRecord* pRecord)
{
    WalkBackTo(DateMgr(), pRecord);
}

bool MarkEventGroup(GDateRecord* pStart)
{
    if (!g_pDateDupList)
        return false;
    return MarkDuplicateGroup(kEventKind, *g_pDateDupList, pStart);
}

bool ScanEventDuplicates()
{
    if (!g_pDateUtil || !g_pDateDupList)
        return false;
    if (AppSettings.MatchMode == MATCH_SMART)
        ScanEventsSmart(*g_pDateDupList);
    else
        ScanDuplicates(kEventKind, *g_pDateDupList);
    return true;
}

bool ScanEventDuplicatesPairwise()
{
    if (!g_pDateUtil || !g_pDateDupList)
        return false;
    ScanDuplicatesPairwise(kEventKind, *g_pDateDupList);
    return true;
}
