#include "app/core/ContactScan.h"
#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAddrUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/appcore/ScanKinds.h"
#include "tests/appcore/ScanTestSupport.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>
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

class ContactScanTest : public DupScanTest<ContactKind>
{
protected:
    GAddrRecord* AddContact(const char* name, const char* email, double modified = 0, double created = 0)
    {
        return Add(*NewContact(name, email, modified, created));
    }
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
        SetRule(kContactRuleFlags, kContactRuleFlags);
        EXPECT_FALSE(IsSameContact(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("every option off matches nothing, not even equal names");
        SetRule(kContactRuleFlags, {});
        CopyText(a->szDisplayName, "Anna Berg");
        CopyText(b->szDisplayName, "Anna Berg");
        EXPECT_FALSE(IsSameContact(a.get(), b.get()));
        EXPECT_FALSE(IsSameContact(a.get(), a.get()));
    }
    {
        SCOPED_TRACE("empty names, one equal e-mail slot is evidence enough");
        SetRule(kContactRuleFlags, {&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail});
        a = NewContact();
        b = NewContact();
        CopyText(a->szEmail[2], "anna@example.org");
        CopyText(b->szEmail[2], "anna@example.org");
        EXPECT_TRUE(IsSameContact(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("a set date is evidence, unset dates are not");
        SetRule(kContactRuleFlags, {&TAppSettings::AddrDate});
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

const FieldChange<GAddrRecord> kChanges[] = {
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
    FillEveryField(*base);
    // Every option gives the evidence sameness needs.
    ExpectEachOptionComparesItsFields(*base, kChanges, [](const std::vector<RuleFlag>&) { return true; });
}

TEST_F(ContactScanTest, NullRecordsAreNeitherSameNorNewer)
{
    auto a = NewContact("Anna Berg", "anna@example.org", 5.0);
    ExpectNullRecordsAreNeitherSameNorNewer(a.get());
}

TEST_F(ContactScanTest, NewerByModificationElseByCreationTime)
{
    ExpectNewerByModificationElseByCreationTime(
        [](double modified, double created) { return NewContact("Anna Berg", "", modified, created); });
}

TEST_F(ContactScanTest, WalkFollowsManagerOrderAndRestoresTheCursor)
{
    GAddrRecord* a = AddContact("A", "");
    GAddrRecord* b = AddContact("B", "");
    GAddrRecord* c = AddContact("C", "");
    ExpectWalkFollowsManagerOrderAndRestoresTheCursor(a, b, c);
    for (GAddrRecord* r : {a, b, c})
        EXPECT_EQ(r->pCommRecord, r->pMgrNode);
}

TEST_F(ContactScanTest, CommonRecordWithoutContactEndsTheWalk)
{
    ExpectCommonRecordWithoutRecordEndsTheWalk(*NewContact("Anna Berg", "anna@example.org", 100),
                                               *NewContact("Anna Berg", "anna@example.org", 200));
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
    Clear();
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
        Clear();
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
    ExpectEmptyRecordsNeverGroupAndARuleWithoutOptionsMatchesNothing(a, b, c, d);
}

TEST_F(ContactScanTest, ScanKeepsSelectionAndClearsOldMarks)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 200);
    GAddrRecord* c = AddContact("Bert Ek", "bert@example.org", 100);
    ExpectScanKeepsSelectionAndClearsOldMarks(a, b, c);
}

TEST_F(ContactScanTest, SecondScanGivesTheSameResult)
{
    std::vector<GAddrRecord*> all = {
        AddContact("Anna Berg", "anna@example.org", 300), AddContact("Bert Ek", "bert@example.org", 100),
        AddContact("ANNA BERG", "anna@example.org", 100), AddContact("Bert Ek", "bert@example.org", 200),
        AddContact("Anna Berg", "anna@example.org", 200), AddContact("Cilla Dahl", "", 100),
    };
    ExpectSecondScanGivesTheSameResult(all, {all[2], all[4], all[1]});
}

TEST_F(ContactScanTest, EmptyManagerEmptiesTheList)
{
    auto stale = NewContact("Anna Berg");
    ExpectScanOfNoRecordsEmptiesTheList(stale.get());
}

TEST_F(ContactScanTest, WithoutUtilityOrListNothingChanges)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Anna Berg", "anna@example.org", 200);
    ExpectNothingChangesWithoutUtilityOrList(a, b);
}

TEST_F(ContactScanTest, GroupSearchRefusesNullOrMarkedStartAndRestoresTheCursor)
{
    GAddrRecord* a = AddContact("Anna Berg", "anna@example.org", 100);
    GAddrRecord* b = AddContact("Bert Ek", "bert@example.org", 100);
    GAddrRecord* c = AddContact("Bert Ek", "bert@example.org", 200);
    GAddrRecord* d = AddContact("Cilla Dahl", "cilla@example.org", 100);
    ExpectGroupSearchRefusesNullOrMarkedStartAndRestoresTheCursor(a, b, c, d);
}

} // namespace

// Groups interleaved in the walk: the list takes each group's losers together, groups in the order of
// their first records, as the group search from each record lists them.
TEST_F(ContactScanTest, ListHoldsGroupsInTheOrderOfTheirFirstRecords)
{
    GAddrRecord* a1 = AddContact("Ann", "ann@example.org", 100);
    GAddrRecord* b1 = AddContact("Bob", "bob@example.org", 100);
    GAddrRecord* b2 = AddContact("Bob", "bob@example.org", 300);
    GAddrRecord* c1 = AddContact("Cy", "cy@example.org", 100);
    GAddrRecord* a2 = AddContact("Ann", "ann@example.org", 200);
    GAddrRecord* b3 = AddContact("Bob", "bob@example.org", 200);
    GAddrRecord* a3 = AddContact("ANN", "ann@example.org", 50);
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ((Records{a1, a3, b1, b3}), DupList());
    EXPECT_EQ((std::vector<uint32_t>{REC_DUPLICATE, REC_DUPLICATE, 0, 0, 0, REC_DUPLICATE, REC_DUPLICATE}),
              Flags({a1, b1, b2, c1, a2, b3, a3}));
}

namespace {

// A contact of one of a few people, each field a near miss of that person's own with some chance.
RecordPtr<GAddrRecord> GeneratedContact(Dice& dice, uint32_t people)
{
    const std::string who = std::to_string(dice.Roll(people));
    auto field = [&](const std::string& text) { return dice.OneIn(6) ? dice.NearMiss(text) : text; };
    RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
    CopyString(r->szDisplayName, field("Person " + who));
    CopyString(r->szCompanyName, field("Firm " + who));
    CopyString(r->szJobTitle, field(dice.OneIn(2) ? "Clerk" : ""));
    CopyString(r->szEmail[0], field("p" + who + "@example.org"));
    CopyString(r->szEmailPrimary, field(dice.OneIn(3) ? "p" + who + "@example.org" : ""));
    CopyString(r->szPhone[dice.Roll(kPhoneSlots)], field("+1 555 0" + who));
    CopyString(r->szAddress[0], field(dice.OneIn(2) ? who + " Main Street" : ""));
    CopyString(r->szIM[0], field(dice.OneIn(4) ? "im" + who : ""));
    CopyString(r->szWeb[0], field(dice.OneIn(4) ? "https://example.org/" + who : ""));
    r->dtDate[0] = dice.OneIn(3) ? dice.Date() : 0;
    CopyString(r->szNote, field(dice.OneIn(3) ? "Met at the fair" : ""));
    r->dtModified = dice.Time();
    r->dtCreated = dice.Time();
    return r;
}

} // namespace

// One seed a case, so the cases can run side by side.
class ContactScanDifferentialTest : public ContactScanTest, public ::testing::WithParamInterface<uint32_t>
{};

TEST_P(ContactScanDifferentialTest, OnePassScanMarksWhatThePairwiseSearchMarks)
{
    Dice dice(GetParam());
    for (int i = 0; i < 2000; ++i)
        Add(*GeneratedContact(dice, 300));
    EXPECT_GT(ExpectScanAgreesWithPairwise(DifferentialRules(kContactRuleFlags, dice)), 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ContactScanDifferentialTest, ::testing::Values(1u, 2u, 3u));
