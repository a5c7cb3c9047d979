#include "app/core/ContactScan.h"

#include "app/core/AppSettings.h"
#include "app/core/DuplicateRule.h"
#include "app/core/DuplicateScan.h"
#include "app/core/NotDuplicates.h"
#include "app/core/PhoneKey.h"
#include "app/core/ServiceSet.h"
#include "app/core/SmartMatch.h"
#include "app/core/SmartScan.h"
#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAddrUtil.h"

namespace {

// Slot families are compared slot by slot; the type codes play no part.
template <class Match, size_t K, size_t N>
bool SameSlots(Match& match, const char (&a)[K][N], const char (&b)[K][N])
{
    for (size_t i = 0; i < K; ++i)
        if (!match.Text(a[i], b[i]))
            return false;
    return true;
}

template <class Match, size_t K>
bool SameDates(Match& match, const double (&a)[K], const double (&b)[K])
{
    for (size_t i = 0; i < K; ++i)
        if (!match.Date(a[i], b[i]))
            return false;
    return true;
}

CommAddrMgr* AddrMgr()
{
    return g_pAddrUtil ? g_pAddrUtil->GetAddrMgr() : nullptr;
}

// The rule's fields, in the order of the rule table: the cheap single fields first, the long note
// last. One walk serves both the comparison of two contacts (CxRuleMatch) and the hash of one
// (CxRuleKey), so the two can never disagree on what is compared.
template <class Match>
bool AgreeUnderRule(Match& m, const GAddrRecord* a, const GAddrRecord* b)
{
    const TAppSettings& s = AppSettings;
    if (s.AddrDisplayName && !m.Text(a->szDisplayName, b->szDisplayName))
        return false;
    if (s.AddrCompanyName && !m.Text(a->szCompanyName, b->szCompanyName))
        return false;
    if (s.AddrTitle && !m.Text(a->szJobTitle, b->szJobTitle))
        return false;
    if (s.AddrEmail && !(SameSlots(m, a->szEmail, b->szEmail) && m.Text(a->szEmailPrimary, b->szEmailPrimary)))
        return false;
    if (s.AddrPhone && !(SameSlots(m, a->szPhone, b->szPhone) && m.Text(a->szPhonePrimary, b->szPhonePrimary)))
        return false;
    if (s.AddrAddress && !SameSlots(m, a->szAddress, b->szAddress))
        return false;
    if (s.AddrIM && !SameSlots(m, a->szIM, b->szIM))
        return false;
    if (s.AddrWebSite && !SameSlots(m, a->szWeb, b->szWeb))
        return false;
    if (s.AddrDate && !SameDates(m, a->dtDate, b->dtDate))
        return false;
    if (s.AddrNote && !m.Text(a->szNote, b->szNote))
        return false;
    return true;
}

bool ContactKey(const GAddrRecord* pRecord, uint64_t* pHash)
{
    CxRuleKey key;
    AgreeUnderRule(key, pRecord, pRecord);
    *pHash = key.Hash();
    return key.CanMatch();
}

constexpr DupScanKind<GAddrRecord> kContactKind = {
    FirstContact, NextContact, SetCurrentContact, IsSameContact, IsNewerContact, ContactKey, ContactsKeptApart,
};

void ScanContactsSmart(CxList& dupList)
{
    const std::vector<GAddrRecord*> records = ClearedRecords(kContactKind, dupList);
    const PhoneKeys phones(DefaultPhoneRegion());
    MarkSmartGroups(kContactKind, records, dupList, SmartContactsOf(records, phones), AddSmartContactBlocks,
                    SmartContactsAgree);
}

} // namespace

bool IsSameContact(const GAddrRecord* a, const GAddrRecord* b)
{
    if (!a || !b)
        return false;
    CxRuleMatch m;
    return AgreeUnderRule(m, a, b) && m.HasEvidence();
}

bool IsNewerContact(const GAddrRecord* a, const GAddrRecord* b)
{
    return IsNewerByTimes(a, b);
}

GAddrRecord* FirstContact()
{
    return WalkFirst<GAddrRecord>(AddrMgr());
}

GAddrRecord* NextContact()
{
    return WalkNext<GAddrRecord>(AddrMgr());
}

void SetCurrentContact(GAddrRecord* pRecord)
{
    WalkBackTo(AddrMgr(), pRecord);
}

bool MarkContactGroup(GAddrRecord* pStart)
{
    if (!g_pAddrDupList)
        return false;
    return MarkDuplicateGroup(kContactKind, *g_pAddrDupList, pStart);
}

bool ScanContactDuplicates()
{
    if (!g_pAddrUtil || !g_pAddrDupList)
        return false;
    if (AppSettings.MatchMode == MATCH_SMART)
        ScanContactsSmart(*g_pAddrDupList);
    else
        ScanDuplicates(kContactKind, *g_pAddrDupList);
    return true;
}

bool ScanContactDuplicatesPairwise()
{
    if (!g_pAddrUtil || !g_pAddrDupList)
        return false;
    ScanDuplicatesPairwise(kContactKind, *g_pAddrDupList);
    return true;
}
