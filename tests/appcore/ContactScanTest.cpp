#include "app/ContactScan.h"
#include "app/AppSettings.h"
#include "app/ServiceSet.h"
#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAddrUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace {

RecordPtr<GAddrRecord> NewContact(const char* name = "", const char* email = "", double modified = 0,
                                  double created = 0)
{
    RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
    CopyText(r->szDisplayName, name);
    if (*email) {
        r->nEmailType[0] = 1;
        CopyText(r->szEmail[0], email);
    }
    r->dtModified = modified;
    r->dtCreated = created;
    return r;
}

using RuleFlag = bool TAppSettings::*;

const RuleFlag kRuleFlags[] = {
    &TAppSettings::AddrDisplayName, &TAppSettings::AddrCompanyName, &TAppSettings::AddrTitle,
    &TAppSettings::AddrEmail,       &TAppSettings::AddrPhone,       &TAppSettings::AddrAddress,
    &TAppSettings::AddrIM,          &TAppSettings::AddrWebSite,     &TAppSettings::AddrDate,
    &TAppSettings::AddrNote,
};

void SetRule(std::initializer_list<RuleFlag> on)
{
    for (RuleFlag flag : kRuleFlags)
        AppSettings.*flag = false;
    for (RuleFlag flag : on)
        AppSettings.*flag = true;
}

class ContactScanTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppSettings.CaseSensitive = false;
        SetRule({&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail});
        m_util = std::make_unique<CxGAddrUtil>();
        m_util->SetWorkFolder(m_dir.path().c_str());
        g_pAddrUtil = m_util.get();
        g_pAddrDupList = &m_dupList;
    }

    void TearDown() override
    {
        g_pAddrUtil = nullptr;
        g_pAddrDupList = nullptr;
        AppSettings.CaseSensitive = false;
        SetRule({&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail});
    }

    // Adds a contact the way the loader does: a raw copy, and a common record borrowing it.
    GAddrRecord* Add(const GAddrRecord& rec)
    {
        GAddrRecord* raw = m_util->AddRecord(&rec);
        if (!raw) {
            ADD_FAILURE() << "AddRecord failed";
            return nullptr;
        }
        RecordPtr<CommAddrRecord> comm = Zeroed<CommAddrRecord>();
        comm->pAttach = raw;
        raw->pCommRecord = m_util->GetAddrMgr()->AddCopy(comm.get());
        EXPECT_NE(nullptr, raw->pCommRecord);
        return raw;
    }

    GAddrRecord* AddContact(const char* name, const char* email, double modified = 0, double created = 0)
    {
        return Add(*NewContact(name, email, modified, created));
    }

    std::vector<GAddrRecord*> DupList()
    {
        std::vector<GAddrRecord*> out;
        for (void* p = m_dupList.GetFirst(); p; p = m_dupList.GetNext())
            out.push_back(static_cast<GAddrRecord*>(p));
        return out;
    }

    static std::vector<uint32_t> Flags(const std::vector<GAddrRecord*>& records)
    {
        std::vector<uint32_t> out;
        for (const GAddrRecord* r : records)
            out.push_back(r->dwFlags);
        return out;
    }

    TempDir m_dir;
    std::unique_ptr<CxGAddrUtil> m_util;
    CxList m_dupList;
};

TEST_F(ContactScanTest, LetterCaseOfTextsFollowsTheCaseSetting)
{
    auto a = NewContact("Anna Berg", "anna@example.org");
    auto b = NewContact("ANNA BERG", "anna@example.org");
    CopyText(a->szEmailPrimary, "anna@example.org");
    CopyText(b->szEmailPrimary, "ANNA@example.org");
    EXPECT_TRUE(IsSameContact(a.get(), b.get()));
    AppSettings.CaseSensitive = true;
    EXPECT_FALSE(IsSameContact(a.get(), b.get()));
    CopyText(b->szDisplayName, "Anna Berg");
    EXPECT_FALSE(IsSameContact(a.get(), b.get())) << "Email(Primary) still differs in case";
    CopyText(b->szEmailPrimary, "anna@example.org");
    EXPECT_TRUE(IsSameContact(a.get(), b.get()));
}

TEST_F(ContactScanTest, SamenessNeedsANonEmptyField)
{
    auto a = NewContact();
    auto b = NewContact();
    {
        SCOPED_TRACE("no name and no e-mail under the default rule");
        EXPECT_FALSE(IsSameContact(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("every option on, everything empty");
        for (RuleFlag flag : kRuleFlags)
            AppSettings.*flag = true;
        EXPECT_FALSE(IsSameContact(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("every option off matches nothing, not even equal names");
        SetRule({});
        CopyText(a->szDisplayName, "Anna Berg");
        CopyText(b->szDisplayName, "Anna Berg");
        EXPECT_FALSE(IsSameContact(a.get(), b.get()));
        EXPECT_FALSE(IsSameContact(a.get(), a.get()));
    }
    {
        SCOPED_TRACE("empty names, one equal e-mail slot is evidence enough");
        SetRule({&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail});
        a = NewContact();
        b = NewContact();
        CopyText(a->szEmail[2], "anna@example.org");
        CopyText(b->szEmail[2], "anna@example.org");
        EXPECT_TRUE(IsSameContact(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("a set date is evidence, unset dates are not");
        SetRule({&TAppSettings::AddrDate});
        a = NewContact();
        b = NewContact();
        EXPECT_FALSE(IsSameContact(a.get(), b.get()));
        a->dtDate[1] = b->dtDate[1] = 30000.0;
        EXPECT_TRUE(IsSameContact(a.get(), b.get()));
    }
}

TEST_F(ContactScanTest, SlotsAreComparedByPositionNotByType)
{
    auto a = NewContact("Anna Berg");
    auto b = NewContact("Anna Berg");
    a->nEmailType[0] = 1;
    CopyText(a->szEmail[0], "anna@example.org");
    b->nEmailType[1] = 1;
    CopyText(b->szEmail[1], "anna@example.org");
    EXPECT_FALSE(IsSameContact(a.get(), b.get()));

    b->nEmailType[1] = 0;
    b->szEmail[1][0] = '\0';
    b->nEmailType[0] = 2; // Work where a says Home
    CopyText(b->szEmail[0], "anna@example.org");
    EXPECT_TRUE(IsSameContact(a.get(), b.get()));

    // A free slot still counts by what it holds.
    a->nEmailType[3] = 0;
    CopyText(a->szEmail[3], "left@example.org");
    EXPECT_FALSE(IsSameContact(a.get(), b.get()));
}

// One difference between otherwise equal, fully filled contacts, and the option that compares it
// (null: no option does).
struct FieldChange
{
    const char* what;
    RuleFlag option;
    void (*apply)(GAddrRecord&);
};

void FillEveryField(GAddrRecord& r)
{
    CopyText(r.szFirstName, "Anna");
    CopyText(r.szDisplayName, "Anna Berg");
    CopyText(r.szCompanyName, "Acme Ltd");
    CopyText(r.szJobTitle, "Clerk");
    for (int i = 0; i < kEmailSlots; ++i) {
        r.nEmailType[i] = 1;
        FormatText(r.szEmail[i], "anna%d@example.org", i);
    }
    CopyText(r.szEmailPrimary, "anna@example.org");
    for (int i = 0; i < kPhoneSlots; ++i) {
        r.nPhoneType[i] = 3;
        FormatText(r.szPhone[i], "+46 8 555 01%02d", i);
    }
    CopyText(r.szPhonePrimary, "+46 8 555 0100");
    for (int i = 0; i < kAddressSlots; ++i) {
        r.nAddressType[i] = 1;
        FormatText(r.szAddress[i], "Storgatan %d, Stockholm", i + 1);
        CopyText(r.szCity[i], "Stockholm");
        CopyText(r.szStreet[i], "Storgatan");
    }
    for (int i = 0; i < kIMSlots; ++i) {
        r.nIMType[i] = 1;
        FormatText(r.szIM[i], "anna.im%d", i);
    }
    CopyText(r.szIMPrimary, "anna.primary");
    for (int i = 0; i < kWebSlots; ++i) {
        r.nWebType[i] = 3;
        FormatText(r.szWeb[i], "https://example.org/anna/%d", i);
    }
    CopyText(r.szWebPrimary, "https://example.org/anna");
    for (int i = 0; i < kDateSlots; ++i) {
        r.nDateType[i] = 1;
        r.dtDate[i] = 30000.25 + i;
    }
    CopyText(r.szCustomField[0], "blue");
    CopyText(r.szNote, "Met at the fair.");
    CopyText(r.szCategory, "Friends");
    r.dtCreated = 40000.0;
    r.dtModified = 41000.0;
}

const FieldChange kChanges[] = {
    {"Display Name", &TAppSettings::AddrDisplayName, [](GAddrRecord& r) { r.szDisplayName[0] = 'X'; }},
    {"Company Name", &TAppSettings::AddrCompanyName, [](GAddrRecord& r) { r.szCompanyName[0] = 'X'; }},
    {"Job Title", &TAppSettings::AddrTitle, [](GAddrRecord& r) { r.szJobTitle[0] = 'X'; }},
    {"email slot 1", &TAppSettings::AddrEmail, [](GAddrRecord& r) { r.szEmail[0][0] = 'X'; }},
    {"email slot 5", &TAppSettings::AddrEmail, [](GAddrRecord& r) { r.szEmail[4][0] = 'X'; }},
    {"Email(Primary)", &TAppSettings::AddrEmail, [](GAddrRecord& r) { r.szEmailPrimary[0] = 'X'; }},
    {"phone slot 1", &TAppSettings::AddrPhone, [](GAddrRecord& r) { r.szPhone[0][0] = 'X'; }},
    {"phone slot 10", &TAppSettings::AddrPhone, [](GAddrRecord& r) { r.szPhone[9][0] = 'X'; }},
    {"Phone(Primary)", &TAppSettings::AddrPhone, [](GAddrRecord& r) { r.szPhonePrimary[0] = 'X'; }},
    {"address slot 1", &TAppSettings::AddrAddress, [](GAddrRecord& r) { r.szAddress[0][0] = 'X'; }},
    {"address slot 5", &TAppSettings::AddrAddress, [](GAddrRecord& r) { r.szAddress[4][0] = 'X'; }},
    {"IM slot 1", &TAppSettings::AddrIM, [](GAddrRecord& r) { r.szIM[0][0] = 'X'; }},
    {"IM slot 10", &TAppSettings::AddrIM, [](GAddrRecord& r) { r.szIM[9][0] = 'X'; }},
    {"web slot 1", &TAppSettings::AddrWebSite, [](GAddrRecord& r) { r.szWeb[0][0] = 'X'; }},
    {"web slot 10", &TAppSettings::AddrWebSite, [](GAddrRecord& r) { r.szWeb[9][0] = 'X'; }},
    {"date slot 1, one second later", &TAppSettings::AddrDate, [](GAddrRecord& r) { r.dtDate[0] += 1.0 / 86400; }},
    {"date slot 5, the least step", &TAppSettings::AddrDate,
     [](GAddrRecord& r) { r.dtDate[4] = std::nextafter(r.dtDate[4], 0.0); }},
    {"Note", &TAppSettings::AddrNote, [](GAddrRecord& r) { r.szNote[0] = 'X'; }},
    {"IM(Primary)", nullptr, [](GAddrRecord& r) { r.szIMPrimary[0] = 'X'; }},
    {"Web Site(Primary)", nullptr, [](GAddrRecord& r) { r.szWebPrimary[0] = 'X'; }},
    {"City", nullptr, [](GAddrRecord& r) { r.szCity[0][0] = 'X'; }},
    {"Street", nullptr, [](GAddrRecord& r) { r.szStreet[4][0] = 'X'; }},
    {"email type code", nullptr, [](GAddrRecord& r) { r.nEmailType[0] = 2; }},
    {"phone type code", nullptr, [](GAddrRecord& r) { r.nPhoneType[9] = 1; }},
    {"date type code", nullptr, [](GAddrRecord& r) { r.nDateType[0] = 2; }},
    {"First Name", nullptr, [](GAddrRecord& r) { r.szFirstName[0] = 'X'; }},
    {"Custom Field 1", nullptr, [](GAddrRecord& r) { r.szCustomField[0][0] = 'X'; }},
    {"Category", nullptr, [](GAddrRecord& r) { r.szCategory[0] = 'X'; }},
    {"times", nullptr,
     [](GAddrRecord& r) {
         r.dtCreated = 1.0;
         r.dtModified = 2.0;
     }},
};

TEST_F(ContactScanTest, EachOptionComparesItsFieldsOnly)
{
    auto base = Zeroed<GAddrRecord>();
    auto changed = Zeroed<GAddrRecord>();
    FillEveryField(*base);

    // Each option on alone, then all of them together.
    std::vector<std::vector<RuleFlag>> rules;
    for (RuleFlag flag : kRuleFlags)
        rules.push_back({flag});
    rules.emplace_back(std::begin(kRuleFlags), std::end(kRuleFlags));

    for (size_t n = 0; n < rules.size(); ++n) {
        const std::vector<RuleFlag>& rule = rules[n];
        SCOPED_TRACE("rule " + std::to_string(n) + " (" + std::to_string(rule.size()) + " options on)");
        for (RuleFlag flag : kRuleFlags)
            AppSettings.*flag = false;
        for (RuleFlag flag : rule)
            AppSettings.*flag = true;
        EXPECT_TRUE(IsSameContact(base.get(), base.get()));
        for (const FieldChange& change : kChanges) {
            SCOPED_TRACE(change.what);
            std::memcpy(changed.get(), base.get(), sizeof(GAddrRecord));
            change.apply(*changed);
            bool compared = false;
            for (RuleFlag flag : rule)
                compared = compared || flag == change.option;
            EXPECT_EQ(!compared, IsSameContact(base.get(), changed.get()));
            EXPECT_EQ(!compared, IsSameContact(changed.get(), base.get()));
        }
    }
}

TEST_F(ContactScanTest, NullRecordsAreNeitherSameNorNewer)
{
    auto a = NewContact("Anna Berg", "anna@example.org", 5.0);
    EXPECT_FALSE(IsSameContact(a.get(), nullptr));
    EXPECT_FALSE(IsSameContact(nullptr, a.get()));
    EXPECT_FALSE(IsSameContact(nullptr, nullptr));
    EXPECT_FALSE(IsNewerContact(a.get(), nullptr));
    EXPECT_FALSE(IsNewerContact(nullptr, a.get()));
    EXPECT_FALSE(IsNewerContact(nullptr, nullptr));
}

TEST_F(ContactScanTest, NewerByModificationElseByCreationTime)
{
    struct Case
    {
        const char* what;
        double modifiedA, createdA, modifiedB, createdB;
        bool newer;
    };
    const Case cases[] = {
        {"later modification", 200, 1, 100, 900, true},
        {"earlier modification", 100, 900, 200, 1, false},
        {"equal modification", 100, 900, 100, 1, false},
        {"a modified, b not", 100, 1, 0, 900, true},
        {"neither modified, a created later", 0, 200, 0, 100, true},
        {"neither modified, a created earlier", 0, 100, 0, 200, false},
        {"neither modified, equal creation", 0, 100, 0, 100, false},
        {"a not modified, created after b's modification", 0, 300, 200, 900, true},
        {"a not modified, created at b's modification", 0, 200, 200, 900, false},
        {"a not modified, created before b's modification", 0, 100, 200, 1, false},
        {"a's modification below the unset bound is still compared first", 0.000005, 0, 0, 900, true},
        {"b's modification below the unset bound counts as unset", 0, 200, 0.000005, 100, true},
        {"b's tiny modification: creation against creation", 0, 100, 0.000005, 200, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto a = NewContact("Anna Berg", "", c.modifiedA, c.createdA);
        auto b = NewContact("Anna Berg", "", c.modifiedB, c.createdB);
        EXPECT_EQ(c.newer, IsNewerContact(a.get(), b.get()));
    }
}

TEST_F(ContactScanTest, WalkFollowsManagerOrderAndRestoresTheCursor)
{
    GAddrRecord* a = AddContact("A", "");
    GAddrRecord* b = AddContact("B", "");
    GAddrRecord* c = AddContact("C", "");
    EXPECT_EQ(a, FirstContact());
    EXPECT_EQ(b, NextContact());
    EXPECT_EQ(c, NextContact());
    EXPECT_EQ(nullptr, NextContact());
    for (GAddrRecord* r : {a, b, c})
        EXPECT_EQ(r->pCommRecord, r->pMgrNode);

    SetCurrentContact(a);
    EXPECT_EQ(b, NextContact());
    SetCurrentContact(nullptr); // ignored
    EXPECT_EQ(c, NextContact());

    g_pAddrUtil = nullptr;
    EXPECT_EQ(nullptr, FirstContact());
    EXPECT_EQ(nullptr, NextContact());
    SetCurrentContact(a);
}

TEST_F(ContactScanTest, CommonRecordWithoutContactEndsTheWalk)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    RecordPtr<CommAddrRecord> bare = Zeroed<CommAddrRecord>();
    ASSERT_NE(nullptr, m_util->GetAddrMgr()->AddCopy(bare.get()));
    GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 200);
    b->dwFlags = REC_DUPLICATE;

    EXPECT_EQ(a, FirstContact());
    EXPECT_EQ(nullptr, NextContact());

    EXPECT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(0u, m_dupList.GetCount());
    EXPECT_EQ(0u, a->dwFlags);
    EXPECT_EQ(uint32_t{REC_DUPLICATE}, b->dwFlags) << "beyond the walk nothing is touched";
    EXPECT_EQ(nullptr, b->pMgrNode);
}

TEST_F(ContactScanTest, EqualModificationTimesKeepTheLaterRecord)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("anna berg", "anna@example.org", 100);
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(std::vector<GAddrRecord*>{a}, DupList());
    EXPECT_EQ(uint32_t{REC_DUPLICATE}, a->dwFlags);
    EXPECT_EQ(0u, b->dwFlags);
}

TEST_F(ContactScanTest, UnsetModificationTimeIsJudgedByCreationTime)
{
    {
        SCOPED_TRACE("earlier record created after the later one was modified");
        GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 0, 300);
        GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 200, 100);
        ASSERT_TRUE(ScanContactDuplicates());
        EXPECT_EQ(std::vector<GAddrRecord*>{b}, DupList());
        EXPECT_EQ(0u, a->dwFlags);
    }
    m_util->GetAddrMgr()->RemoveAllRecords();
    {
        SCOPED_TRACE("neither modified, the earlier record created first");
        GAddrRecord* a = AddContact("Bert Ek", "bert@example.org", 0, 100);
        GAddrRecord* b = AddContact("Bert Ek", "bert@example.org", 0, 300);
        ASSERT_TRUE(ScanContactDuplicates());
        EXPECT_EQ(std::vector<GAddrRecord*>{a}, DupList());
        EXPECT_EQ(0u, b->dwFlags);
    }
}

TEST_F(ContactScanTest, NewestOfThreeStaysAndEachOtherIsListedOnce)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 300);
    GAddrRecord* c = AddContact("Anna Berg", "anna@example.org", 200);
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ((std::vector<GAddrRecord*>{a, c}), DupList());
    EXPECT_EQ((std::vector<uint32_t>{REC_DUPLICATE, 0, REC_DUPLICATE}), Flags({a, b, c}));
}

TEST_F(ContactScanTest, GroupOfKGivesKMinusOneEntries)
{
    for (int k : {1, 2, 5}) {
        SCOPED_TRACE("k = " + std::to_string(k));
        m_util->GetAddrMgr()->RemoveAllRecords();
        std::vector<GAddrRecord*> group;
        // Modification times out of order; the one at 500 must stay.
        const double times[] = {300, 100, 500, 200, 400};
        GAddrRecord* other = AddContact("Bert Ek", "bert@example.org", 50);
        for (int i = 0; i < k; ++i) {
            group.push_back(AddContact("Anna Berg", "anna@example.org", k == 5 ? times[i] : 100 + i));
            AddContact("", ""); // empty contacts in between group with nothing
        }
        ASSERT_TRUE(ScanContactDuplicates());
        std::vector<GAddrRecord*> listed = DupList();
        EXPECT_EQ(static_cast<size_t>(k - 1), listed.size());
        GAddrRecord* kept = nullptr;
        for (GAddrRecord* r : group) {
            bool isListed = std::find(listed.begin(), listed.end(), r) != listed.end();
            EXPECT_EQ(isListed, (r->dwFlags & REC_DUPLICATE) != 0);
            if (!isListed) {
                EXPECT_EQ(nullptr, kept) << "more than one record stayed";
                kept = r;
            }
        }
        ASSERT_NE(nullptr, kept);
        EXPECT_EQ(k == 5 ? 500.0 : 100.0 + k - 1, kept->dtModified);
        EXPECT_EQ(0u, other->dwFlags);
    }
}

TEST_F(ContactScanTest, EmptyContactsNeverGroupAndARuleWithoutOptionsMatchesNothing)
{
    GAddrRecord* a = AddContact("", "");
    GAddrRecord* b = AddContact("", "");
    GAddrRecord* c = AddContact("Anna Berg", "anna@example.org");
    GAddrRecord* d = AddContact("Anna Berg", "anna@example.org");
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(std::vector<GAddrRecord*>{c}, DupList());
    EXPECT_EQ((std::vector<uint32_t>{0, 0, REC_DUPLICATE, 0}), Flags({a, b, c, d}));

    SetRule({});
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(0u, m_dupList.GetCount());
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0}), Flags({a, b, c, d}));
}

TEST_F(ContactScanTest, ScanKeepsSelectionAndClearsOldMarks)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 200);
    GAddrRecord* c = AddContact("Bert Ek", "bert@example.org", 100);
    a->dwFlags = REC_SELECTED;
    b->dwFlags = REC_SELECTED | REC_DUPLICATE;
    c->dwFlags = REC_DUPLICATE;
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ((std::vector<uint32_t>{REC_SELECTED | REC_DUPLICATE, REC_SELECTED, 0}), Flags({a, b, c}));
    EXPECT_EQ(std::vector<GAddrRecord*>{a}, DupList());
}

TEST_F(ContactScanTest, SecondScanGivesTheSameResult)
{
    std::vector<GAddrRecord*> all = {
        AddContact("Anna Berg", "anna@example.org", 300), AddContact("Bert Ek", "bert@example.org", 100),
        AddContact("ANNA BERG", "anna@example.org", 100), AddContact("Bert Ek", "bert@example.org", 200),
        AddContact("Anna Berg", "anna@example.org", 200), AddContact("Cilla Dahl", "", 100),
    };
    ASSERT_TRUE(ScanContactDuplicates());
    const std::vector<GAddrRecord*> firstList = DupList();
    const std::vector<uint32_t> firstFlags = Flags(all);
    EXPECT_EQ((std::vector<GAddrRecord*>{all[2], all[4], all[1]}), firstList);
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(firstList, DupList());
    EXPECT_EQ(firstFlags, Flags(all));
}

TEST_F(ContactScanTest, EmptyManagerEmptiesTheList)
{
    auto stale = NewContact("Anna Berg");
    m_dupList.Add(stale.get());
    EXPECT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(0u, m_dupList.GetCount());
}

TEST_F(ContactScanTest, WithoutUtilityOrListNothingChanges)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 200);
    b->dwFlags = REC_DUPLICATE;
    m_dupList.Add(b);

    g_pAddrUtil = nullptr;
    EXPECT_FALSE(ScanContactDuplicates());
    EXPECT_EQ(std::vector<GAddrRecord*>{b}, DupList());
    EXPECT_EQ((std::vector<uint32_t>{0, REC_DUPLICATE}), Flags({a, b}));

    g_pAddrUtil = m_util.get();
    g_pAddrDupList = nullptr;
    EXPECT_FALSE(ScanContactDuplicates());
    EXPECT_FALSE(MarkContactGroup(a));
    EXPECT_EQ(std::vector<GAddrRecord*>{b}, DupList());
    EXPECT_EQ((std::vector<uint32_t>{0, REC_DUPLICATE}), Flags({a, b}));
}

TEST_F(ContactScanTest, GroupSearchRefusesNullOrMarkedStartAndRestoresTheCursor)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Bert Ek", "bert@example.org", 100);
    GAddrRecord* c = AddContact("Bert Ek", "bert@example.org", 200);
    GAddrRecord* d = AddContact("Cilla Dahl", "cilla@example.org", 100);

    EXPECT_FALSE(MarkContactGroup(nullptr));
    a->dwFlags = REC_DUPLICATE;
    EXPECT_FALSE(MarkContactGroup(a));
    EXPECT_EQ(0u, m_dupList.GetCount());

    // The caller's walk stands on b; after the search it goes on with the record after b.
    EXPECT_EQ(a, FirstContact());
    EXPECT_EQ(b, NextContact());
    EXPECT_TRUE(MarkContactGroup(b));
    EXPECT_EQ(c, NextContact());
    EXPECT_EQ(d, NextContact());
    EXPECT_EQ(std::vector<GAddrRecord*>{b}, DupList());
    EXPECT_EQ((std::vector<uint32_t>{REC_DUPLICATE, REC_DUPLICATE, 0, 0}), Flags({a, b, c, d}));
}

} // namespace
