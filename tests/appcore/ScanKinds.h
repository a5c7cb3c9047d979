// The contact and event kinds as the scan tests drive them: the service set's pointers, the rule
// options each kind reads, the rule a new user starts with, and the kinds' entry points.
#pragma once

#include "app/core/AppSettings.h"
#include "app/core/ContactScan.h"
#include "app/core/EventScan.h"
#include "app/core/ServiceSet.h"
#include "common/google/CommAddrRecord.h"
#include "common/google/CommDateRecord.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "tests/appcore/ScanTestSupport.h"

#include <span>

inline const RuleFlag kContactRuleFlags[] = {
    &TAppSettings::AddrDisplayName, &TAppSettings::AddrCompanyName, &TAppSettings::AddrTitle,
    &TAppSettings::AddrEmail,       &TAppSettings::AddrPhone,       &TAppSettings::AddrAddress,
    &TAppSettings::AddrIM,          &TAppSettings::AddrWebSite,     &TAppSettings::AddrDate,
    &TAppSettings::AddrNote,
};

struct ContactKind
{
    using Record = GAddrRecord;
    using Common = CommAddrRecord;
    using Util = CxGAddrUtil;

    static CommAddrMgr* Mgr(CxGAddrUtil& util) { return util.GetAddrMgr(); }
    static CxGAddrUtil*& UtilPointer() { return g_pAddrUtil; }
    static CxList*& ListPointer() { return g_pAddrDupList; }
    static std::span<const RuleFlag> RuleFlags() { return kContactRuleFlags; }
    static void SetDefaultRule()
    {
        AppSettings.CaseSensitive = false;
        SetRule(kContactRuleFlags, {&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail});
        AppSettings.MatchMode = MATCH_EXACT;
    }
    // The loader also tells each contact the common record made for it.
    static void Attach(GAddrRecord* raw, CommAddrRecord* common) { raw->pCommRecord = common; }

    static constexpr auto First = FirstContact;
    static constexpr auto Next = NextContact;
    static constexpr auto SetCurrent = SetCurrentContact;
    static constexpr auto IsSame = IsSameContact;
    static constexpr auto IsNewer = IsNewerContact;
    static constexpr auto MarkGroup = MarkContactGroup;
    static constexpr auto Scan = ScanContactDuplicates;
    static constexpr auto ScanPairwise = ScanContactDuplicatesPairwise;
};

// The options the event rule reads; DateRecur is left out on purpose.
inline const RuleFlag kEventRuleFlags[] = {
    &TAppSettings::DateSubject, &TAppSettings::DateLocation,    &TAppSettings::DateStartTime,
    &TAppSettings::DateEndTime, &TAppSettings::DateAllDayEvent, &TAppSettings::DateNote,
};

struct EventKind
{
    using Record = GDateRecord;
    using Common = CommDateRecord;
    using Util = CxGDateUtil;

    static CommDateMgr* Mgr(CxGDateUtil& util) { return util.GetDateMgr(); }
    static CxGDateUtil*& UtilPointer() { return g_pDateUtil; }
    static CxList*& ListPointer() { return g_pDateDupList; }
    static std::span<const RuleFlag> RuleFlags() { return kEventRuleFlags; }
    // The rule a new user starts with.
    static void SetDefaultRule()
    {
        SetRule(kEventRuleFlags, {&TAppSettings::DateSubject, &TAppSettings::DateStartTime, &TAppSettings::DateEndTime,
                                  &TAppSettings::DateAllDayEvent});
        AppSettings.DateRecur = false;
        AppSettings.MatchMode = MATCH_EXACT;
        AppSettings.CaseSensitive = false;
    }
    static void Attach(GDateRecord*, CommDateRecord*) {}

    static constexpr auto First = FirstEvent;
    static constexpr auto Next = NextEvent;
    static constexpr auto SetCurrent = SetCurrentEvent;
    static constexpr auto IsSame = IsSameEvent;
    static constexpr auto IsNewer = IsNewerEvent;
    static constexpr auto MarkGroup = MarkEventGroup;
    static constexpr auto Scan = ScanEventDuplicates;
    static constexpr auto ScanPairwise = ScanEventDuplicatesPairwise;
};
