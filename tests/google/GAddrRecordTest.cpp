#include "common/google/records/GAddrRecord.h"

#include "common/misc/TextBuf.h"

#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using ContactPtr = RecordPtr<GAddrRecord>;

ContactPtr NewRecord()
{
    return Zeroed<GAddrRecord>();
}

ContactPtr CopyOf(const GAddrRecord& r)
{
    ContactPtr copy = NewRecord();
    if (copy)
        std::memcpy(copy.get(), &r, sizeof(GAddrRecord));
    return copy;
}

bool SameBytes(const GAddrRecord& a, const GAddrRecord& b)
{
    return std::memcmp(&a, &b, sizeof(GAddrRecord)) == 0;
}

// 7 March 2010 as an OLE day count (1 January 2010 is day 40179).
constexpr double kMarch7th2010 = 40179 + 31 + 28 + 6;

// Where a field lives in a zeroed record, from the record's own members: typed ids land in slot 0,
// whose type code must become nCode.
struct Storage
{
    void* p;
    size_t size;
    int32_t* pCodes;
    int32_t nCode;
};

template <class T>
Storage At(T& member, int32_t* pCodes = nullptr, int32_t nCode = 0)
{
    return {&member, sizeof member, pCodes, nCode};
}

Storage ExpectedStorage(GAddrRecord& r, int32_t id)
{
    char(*names[])[64] = {&r.szFirstName, &r.szMiddleName,  &r.szLastName, &r.szDisplayName,
                          &r.szNickName,  &r.szCompanyName, &r.szJobTitle};
    if (id >= 1 && id <= 7)
        return At(*names[id - 1]);
    if (id >= 8 && id <= 10)
        return At(r.szEmail[0], r.nEmailType, id - 7);
    if (id == 11)
        return At(r.szEmailPrimary);
    if (id >= 12 && id <= 35) {
        const int part = (id - 12) / 3;
        const int32_t code = (id - 12) % 3 + 1;
        Storage parts[] = {At(r.szAddress[0]), At(r.szCity[0]),   At(r.szState[0]), At(r.szCountry[0]),
                           At(r.szPostal[0]),  At(r.szStreet[0]), At(r.szPOBox[0]), At(r.szNeighborhood[0])};
        return {parts[part].p, parts[part].size, r.nAddressType, code};
    }
    if (id >= 36 && id <= 42)
        return At(r.szPhone[0], r.nPhoneType, id - 35);
    if (id == 43)
        return At(r.szPhonePrimary);
    if (id >= 44 && id <= 50)
        return At(r.szWeb[0], r.nWebType, id - 43);
    if (id == 51)
        return At(r.szWebPrimary);
    if (id >= 52 && id <= 59)
        return At(r.szIM[0], r.nIMType, id - 51);
    if (id == 60)
        return At(r.szIMPrimary);
    if (id >= 61 && id <= 70)
        return At(r.szCustomLabel[id - 61]);
    if (id >= 71 && id <= 80)
        return At(r.szCustomField[id - 71]);
    if (id >= 81 && id <= 83)
        return At(r.dtDate[0], r.nDateType, id - 80);
    if (id >= 84 && id <= 88) {
        const int32_t codes[] = {1, 3, 4, 11, 12};
        return At(r.szRelation[0], r.nRelationType, codes[id - 84]);
    }
    if (id == 90)
        return At(r.szNote);
    if (id == 91)
        return At(r.dtCreated);
    if (id == 92)
        return At(r.dtModified);
    return {nullptr, 0, nullptr, 0};
}

std::vector<int32_t> AllTableIds()
{
    std::vector<int32_t> ids;
    for (int32_t id = 1; id <= 92; ++id) {
        if (id != 89)
            ids.push_back(id);
    }
    return ids;
}

} // namespace

TEST(GAddrFieldTable, HoldsEveryIdInOrderAndNo89)
{
    const GAddrFieldInfo* table = GetAddrFieldTable();
    ASSERT_NE(nullptr, table);
    const std::vector<int32_t> ids = AllTableIds();
    ASSERT_EQ(kAddrFieldCount, ids.size());
    for (size_t i = 0; i < kAddrFieldCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ids[i], table[i].nId);
        // A name must be terminated inside its 32 bytes and not be empty.
        const size_t len = strnlen(table[i].szName, sizeof table[i].szName);
        EXPECT_LT(len, sizeof table[i].szName);
        EXPECT_GT(len, 0u);
        const bool isDate = (ids[i] >= 81 && ids[i] <= 83) || ids[i] >= 91;
        EXPECT_EQ(isDate ? FIELD_DATETIME : FIELD_TEXT, table[i].nKind);
    }
}

TEST(GAddrFieldTable, EntriesMatchTheDocumentedNamesKindsAndSizes)
{
    struct Case
    {
        int32_t id;
        const char* name;
        int32_t kind;
        int32_t size;
    };
    const Case cases[] = {
        {1, "First Name", FIELD_TEXT, 64},
        {4, "Display Name", FIELD_TEXT, 64},
        {7, "Job Title", FIELD_TEXT, 64},
        {8, "Email(Home)", FIELD_TEXT, 64},
        {11, "Email(Primary)", FIELD_TEXT, 64},
        {12, "Address(Home)", FIELD_TEXT, 256},
        {17, "City(Other)", FIELD_TEXT, 32},
        {19, "State(Work)", FIELD_TEXT, 16},
        {23, "Country(Other)", FIELD_TEXT, 16},
        {24, "Postal(Home)", FIELD_TEXT, 32},
        {28, "Street(Work)", FIELD_TEXT, 128},
        {30, "P.O.Box(Home)", FIELD_TEXT, 32},
        {35, "Neighborhood(Other)", FIELD_TEXT, 64},
        {38, "Phone(Mobile)", FIELD_TEXT, 32},
        {40, "Fax(Work)", FIELD_TEXT, 32},
        {41, "Pager", FIELD_TEXT, 32},
        {43, "Phone(Primary)", FIELD_TEXT, 32},
        {46, "Home Page", FIELD_TEXT, 256},
        {47, "FTP", FIELD_TEXT, 256},
        {50, "Web Site(Other)", FIELD_TEXT, 256},
        {51, "Web Site(Primary)", FIELD_TEXT, 256},
        {52, "IM(GTalk)", FIELD_TEXT, 64},
        {59, "IM(Jabber)", FIELD_TEXT, 64},
        {60, "IM(Primary)", FIELD_TEXT, 64},
        {61, "Custom Label 1", FIELD_TEXT, 64},
        {70, "Custom Label 10", FIELD_TEXT, 64},
        {71, "Custom Field 1", FIELD_TEXT, 64},
        {80, "Custom Field 10", FIELD_TEXT, 64},
        {81, "Birthday", FIELD_DATETIME, 8},
        {83, "Date(Other)", FIELD_DATETIME, 8},
        {84, "Spouse", FIELD_TEXT, 64},
        {88, "Assistant", FIELD_TEXT, 64},
        {90, "Note", FIELD_TEXT, 10240},
        {91, "Creation Time", FIELD_DATETIME, 8},
        {92, "Last Modification Time", FIELD_DATETIME, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        GAddrFieldInfo info{};
        ASSERT_TRUE(FindFieldInfo(c.id, &info));
        EXPECT_EQ(c.id, info.nId);
        EXPECT_STREQ(c.name, info.szName);
        EXPECT_EQ(c.kind, info.nKind);
        EXPECT_EQ(c.size, info.nSize);
    }
}

// The table's sizes must be the record's real capacities, or callers copying by nSize would overrun.
TEST(GAddrFieldTable, GetFieldPtrGivesTheRecordMemberOfTheTableSize)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    for (int32_t id : AllTableIds()) {
        SCOPED_TRACE(id);
        std::memset(r.get(), 0, sizeof(GAddrRecord));
        const Storage expected = ExpectedStorage(*r, id);
        GAddrFieldInfo info{};
        ASSERT_TRUE(FindFieldInfo(id, &info));
        int32_t size = -1;
        EXPECT_EQ(expected.p, GetFieldPtr(r.get(), id, &size));
        EXPECT_EQ(static_cast<int32_t>(expected.size), size);
        EXPECT_EQ(info.nSize, size);
        if (expected.pCodes) {
            EXPECT_EQ(expected.nCode, expected.pCodes[0]);
        }
    }
}

TEST(GAddrFieldTable, UnknownIdsAndNullRecordGiveNothing)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    CopyText(r->szFirstName, "Ann");
    ContactPtr before = CopyOf(*r);
    ASSERT_TRUE(before);
    for (int32_t id : {0, 89, 93, 100, -1, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(id);
        GAddrFieldInfo info{};
        EXPECT_FALSE(FindFieldInfo(id, &info));
        int32_t size = 77;
        EXPECT_EQ(nullptr, GetFieldPtr(r.get(), id, &size));
        EXPECT_EQ(0, size);
        EXPECT_STREQ("", GetFieldText(r.get(), id));
    }
    EXPECT_TRUE(SameBytes(*before, *r));

    int32_t size = 77;
    EXPECT_EQ(nullptr, GetFieldPtr(nullptr, 1, &size));
    EXPECT_EQ(0, size);
    EXPECT_STREQ("", GetFieldText(nullptr, 1));
    EXPECT_STREQ("", GetFieldText(nullptr, 91));
}

namespace {

using Accessor = void* (*)(GAddrRecord*, int32_t, bool);

template <class R, R* (*F)(GAddrRecord*, int32_t, bool)>
void* Erased(GAddrRecord* r, int32_t id, bool create)
{
    return F(r, id, create);
}

struct AccessorCase
{
    const char* name;
    Accessor get;
    int32_t first;
    int32_t last;
};

const AccessorCase kAccessors[] = {
    {"Email", Erased<char, GetEmailSlot>, 8, 10},
    {"Address", Erased<char, GetAddressSlot>, 12, 14},
    {"City", Erased<char, GetCitySlot>, 15, 17},
    {"State", Erased<char, GetStateSlot>, 18, 20},
    {"Country", Erased<char, GetCountrySlot>, 21, 23},
    {"Postal", Erased<char, GetPostalSlot>, 24, 26},
    {"Street", Erased<char, GetStreetSlot>, 27, 29},
    {"POBox", Erased<char, GetPOBoxSlot>, 30, 32},
    {"Neighborhood", Erased<char, GetNeighborhoodSlot>, 33, 35},
    {"Phone", Erased<char, GetPhoneSlot>, 36, 42},
    {"Web", Erased<char, GetWebSlot>, 44, 50},
    {"IM", Erased<char, GetIMSlot>, 52, 59},
    {"Date", Erased<double, GetDateSlot>, 81, 83},
    {"Relation", Erased<char, GetRelationSlot>, 84, 88},
};

} // namespace

TEST(GAddrSlots, AccessorsTakeOnlyTheirOwnIds)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    ContactPtr zero = CopyOf(*r);
    ASSERT_TRUE(zero);
    for (const AccessorCase& c : kAccessors) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nullptr, c.get(nullptr, c.first, true));
        // The neighbours of the run, the primary fields and ids of other families are refused
        // without creating anything.
        for (int32_t id : {c.first - 1, c.last + 1, 0, 1, 11, 43, 51, 60, 89, 90, 91, -1}) {
            if (id >= c.first && id <= c.last)
                continue;
            SCOPED_TRACE(id);
            EXPECT_EQ(nullptr, c.get(r.get(), id, true));
        }
        EXPECT_TRUE(SameBytes(*zero, *r));
        for (int32_t id = c.first; id <= c.last; ++id) {
            SCOPED_TRACE(id);
            EXPECT_EQ(nullptr, c.get(r.get(), id, false));
        }
    }
}

TEST(GAddrSlots, FullFamilyRefusesANewCodeButFindsTheFirstOfRepeatedOnes)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    for (int32_t& code : r->nEmailType)
        code = 1;
    ContactPtr before = CopyOf(*r);
    ASSERT_TRUE(before);

    EXPECT_EQ(nullptr, GetEmailSlot(r.get(), 9, true));
    EXPECT_EQ(nullptr, GetEmailSlot(r.get(), 10, true));
    EXPECT_TRUE(SameBytes(*before, *r));
    EXPECT_EQ(r->szEmail[0], GetEmailSlot(r.get(), 8, false));
    EXPECT_EQ(r->szEmail[0], GetEmailSlot(r.get(), 8, true));
}

TEST(GAddrSlots, LookupSkipsFreeSlotsAndCreationTakesTheFirstFree)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    r->nPhoneType[1] = 2;
    r->nPhoneType[3] = 2;
    EXPECT_EQ(r->szPhone[1], GetPhoneSlot(r.get(), 37, false));
    EXPECT_EQ(r->szPhone[1], GetPhoneSlot(r.get(), 37, true));

    EXPECT_EQ(r->szPhone[0], GetPhoneSlot(r.get(), 42, true));
    EXPECT_EQ(7, r->nPhoneType[0]);
    EXPECT_EQ(r->szPhone[2], GetPhoneSlot(r.get(), 41, true));
    EXPECT_EQ(6, r->nPhoneType[2]);
    EXPECT_EQ(2, r->nPhoneType[3]);
}

TEST(GAddrSlots, AddressPartsShareTheSlotCode)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    r->nAddressType[0] = 1; // slot 1 Home, slot 2 free
    EXPECT_EQ(nullptr, GetCitySlot(r.get(), 16, false));

    EXPECT_EQ(r->szPostal[1], GetPostalSlot(r.get(), 25, true));
    EXPECT_EQ(2, r->nAddressType[1]);
    EXPECT_EQ(r->szCity[1], GetCitySlot(r.get(), 16, false));
    EXPECT_EQ(r->szNeighborhood[1], GetNeighborhoodSlot(r.get(), 34, false));
    EXPECT_EQ(r->szStreet[0], GetStreetSlot(r.get(), 27, false));
    EXPECT_EQ(0, r->nAddressType[2]);
}

TEST(GAddrSlots, CreationLeavesTheStoredValueAlone)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    CopyText(r->szWeb[0], "stale");
    r->dtDate[0] = 1234.5;

    EXPECT_EQ(r->szWeb[0], GetWebSlot(r.get(), 48, true));
    EXPECT_EQ(5, r->nWebType[0]);
    EXPECT_STREQ("stale", r->szWeb[0]);

    EXPECT_EQ(&r->dtDate[0], GetDateSlot(r.get(), 82, true));
    EXPECT_EQ(2, r->nDateType[0]);
    EXPECT_EQ(1234.5, r->dtDate[0]);
}

TEST(GAddrSlots, UnusedRelationCodesAreFoundByNoId)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    const int32_t unused[] = {2, 5, 6, 7, 8, 9, 10};
    for (size_t i = 0; i < std::size(unused); ++i)
        r->nRelationType[i] = unused[i];
    r->nRelationType[7] = 4; // Father

    for (int32_t id = 84; id <= 88; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(id == 86 ? r->szRelation[7] : nullptr, GetRelationSlot(r.get(), id, false));
    }
    EXPECT_EQ(r->szRelation[8], GetRelationSlot(r.get(), 88, true));
    EXPECT_EQ(12, r->nRelationType[8]);
    for (size_t i = 0; i < std::size(unused); ++i)
        EXPECT_EQ(unused[i], r->nRelationType[i]);
}

TEST(GAddrFieldText, TextIsAViewOfTheRecordOrEmptyWhenTheSlotIsAbsent)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    for (int32_t id : {8, 12, 33, 36, 44, 52, 84, 88})
        EXPECT_STREQ("", GetFieldText(r.get(), id)) << id;

    // With every slot in place, each text id reads the storage GetFieldPtr hands out.
    for (int32_t id : AllTableIds()) {
        int32_t size = 0;
        char* p = static_cast<char*>(GetFieldPtr(r.get(), id, &size));
        ASSERT_NE(nullptr, p) << id;
        GAddrFieldInfo info{};
        ASSERT_TRUE(FindFieldInfo(id, &info));
        if (info.nKind != FIELD_TEXT)
            continue;
        CopyText(p, static_cast<size_t>(size), ("#" + std::to_string(id)).c_str());
    }
    for (int32_t id : AllTableIds()) {
        GAddrFieldInfo info{};
        ASSERT_TRUE(FindFieldInfo(id, &info));
        if (info.nKind != FIELD_TEXT)
            continue;
        SCOPED_TRACE(id);
        int32_t size = 0;
        const char* text = GetFieldText(r.get(), id);
        EXPECT_EQ(GetFieldPtr(r.get(), id, &size), text);
        EXPECT_EQ("#" + std::to_string(id), text);
    }
}

TEST(GAddrFieldText, DatesAreFormatted)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    const double time = (13 * 3600 + 5 * 60 + 9) / 86400.0;
    r->nDateType[0] = 1;
    r->dtDate[0] = kMarch7th2010 + time; // the time of day is not shown for a date
    r->nDateType[1] = 3;
    r->dtDate[1] = 2.0; // 1 January 1900, outside the years a date is shown for
    r->dtCreated = kMarch7th2010 + time;
    r->dtModified = kMarch7th2010 + 1 + 23 / 24.0;

    struct Case
    {
        int32_t id;
        const char* text;
    };
    const Case cases[] = {
        {81, "03/07/2010"},
        {82, ""}, // no Anniversary slot
        {83, ""}, // out of range
        {91, "03/07/2010 13:05:09"},
        {92, "03/08/2010 23:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_STREQ(c.text, GetFieldText(r.get(), c.id));
    }
    // Unset creation time: the date part is empty, the time part is still shown.
    r->dtCreated = 0;
    EXPECT_STREQ(" 00:00:00", GetFieldText(r.get(), 91));
}

TEST(GAddrFieldText, DateResultsShareOneBufferThatTheNextCallOverwrites)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    r->nDateType[2] = 2;
    r->dtDate[2] = kMarch7th2010;
    r->dtModified = kMarch7th2010 + 0.5;

    const char* anniversary = GetFieldText(r.get(), 82);
    EXPECT_STREQ("03/07/2010", anniversary);
    const char* modified = GetFieldText(r.get(), 92);
    EXPECT_EQ(anniversary, modified);
    EXPECT_STREQ("03/07/2010 12:00:00", anniversary);
}

TEST(GAddrFieldText, BirthdayWithoutASlotIsEmptyAndCreatesNothing)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    r->nDateType[0] = 2;
    r->dtDate[0] = kMarch7th2010;
    r->nDateType[1] = 3;
    r->dtDate[1] = kMarch7th2010 + 1;

    EXPECT_STREQ("", GetFieldText(r.get(), 81));
    const int32_t expected[kDateSlots] = {2, 3, 0, 0, 0};
    for (int i = 0; i < kDateSlots; ++i)
        EXPECT_EQ(expected[i], r->nDateType[i]) << i;
    EXPECT_STREQ("03/07/2010", GetFieldText(r.get(), 82));
    EXPECT_STREQ("03/08/2010", GetFieldText(r.get(), 83));
}

TEST(GAddrFieldText, NeverChangesTheRecord)
{
    ContactPtr r = NewRecord();
    ASSERT_TRUE(r);
    // Free slots everywhere, so a lookup that created one would show.
    CopyText(r->szFirstName, "Ann");
    r->nEmailType[1] = 2;
    CopyText(r->szEmail[1], "ann@example.org");
    CopyText(r->szPhone[0], "value of a free slot");
    r->nAddressType[0] = 3;
    r->dtCreated = kMarch7th2010;
    ContactPtr before = CopyOf(*r);
    ASSERT_TRUE(before);

    for (int32_t id = -2; id <= 100; ++id)
        GetFieldText(r.get(), id);
    EXPECT_TRUE(SameBytes(*before, *r));
    EXPECT_STREQ("ann@example.org", GetFieldText(r.get(), 9));
    EXPECT_STREQ("", GetFieldText(r.get(), 36));
}
