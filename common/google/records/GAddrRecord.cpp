#include "common/google/records/GAddrRecord.h"

#include "common/misc/CxDateTime.h"

#include <iterator>

namespace {

constexpr GAddrFieldInfo kFieldTable[] = {
    {1, "First Name", FIELD_TEXT, 64},
    {2, "Middle Name", FIELD_TEXT, 64},
    {3, "Last Name", FIELD_TEXT, 64},
    {4, "Display Name", FIELD_TEXT, 64},
    {5, "Nick Name", FIELD_TEXT, 64},
    {6, "Company Name", FIELD_TEXT, 64},
    {7, "Job Title", FIELD_TEXT, 64},
    {8, "Email(Home)", FIELD_TEXT, 64},
    {9, "Email(Work)", FIELD_TEXT, 64},
    {10, "Email(Other)", FIELD_TEXT, 64},
    {11, "Email(Primary)", FIELD_TEXT, 64},
    {12, "Address(Home)", FIELD_TEXT, 256},
    {13, "Address(Work)", FIELD_TEXT, 256},
    {14, "Address(Other)", FIELD_TEXT, 256},
    {15, "City(Home)", FIELD_TEXT, 32},
    {16, "City(Work)", FIELD_TEXT, 32},
    {17, "City(Other)", FIELD_TEXT, 32},
    {18, "State(Home)", FIELD_TEXT, 16},
    {19, "State(Work)", FIELD_TEXT, 16},
    {20, "State(Other)", FIELD_TEXT, 16},
    {21, "Country(Home)", FIELD_TEXT, 16},
    {22, "Country(Work)", FIELD_TEXT, 16},
    {23, "Country(Other)", FIELD_TEXT, 16},
    {24, "Postal(Home)", FIELD_TEXT, 32},
    {25, "Postal(Work)", FIELD_TEXT, 32},
    {26, "Postal(Other)", FIELD_TEXT, 32},
    {27, "Street(Home)", FIELD_TEXT, 128},
    {28, "Street(Work)", FIELD_TEXT, 128},
    {29, "Street(Other)", FIELD_TEXT, 128},
    {30, "P.O.Box(Home)", FIELD_TEXT, 32},
    {31, "P.O.Box(Work)", FIELD_TEXT, 32},
    {32, "P.O.Box(Other)", FIELD_TEXT, 32},
    {33, "Neighborhood(Home)", FIELD_TEXT, 64},
    {34, "Neighborhood(Work)", FIELD_TEXT, 64},
    {35, "Neighborhood(Other)", FIELD_TEXT, 64},
    {36, "Phone(Home)", FIELD_TEXT, 32},
    {37, "Phone(Work)", FIELD_TEXT, 32},
    {38, "Phone(Mobile)", FIELD_TEXT, 32},
    {39, "Fax(Home)", FIELD_TEXT, 32},
    {40, "Fax(Work)", FIELD_TEXT, 32},
    {41, "Pager", FIELD_TEXT, 32},
    {42, "Phone(Other)", FIELD_TEXT, 32},
    {43, "Phone(Primary)", FIELD_TEXT, 32},
    {44, "Web Site(Home)", FIELD_TEXT, 256},
    {45, "Web Site(Work)", FIELD_TEXT, 256},
    {46, "Home Page", FIELD_TEXT, 256},
    {47, "FTP", FIELD_TEXT, 256},
    {48, "Blog", FIELD_TEXT, 256},
    {49, "Profile", FIELD_TEXT, 256},
    {50, "Web Site(Other)", FIELD_TEXT, 256},
    {51, "Web Site(Primary)", FIELD_TEXT, 256},
    {52, "IM(GTalk)", FIELD_TEXT, 64},
    {53, "IM(AIM)", FIELD_TEXT, 64},
    {54, "IM(Yahoo)", FIELD_TEXT, 64},
    {55, "IM(Skype)", FIELD_TEXT, 64},
    {56, "IM(QQ)", FIELD_TEXT, 64},
    {57, "IM(MSN)", FIELD_TEXT, 64},
    {58, "IM(ICQ)", FIELD_TEXT, 64},
    {59, "IM(Jabber)", FIELD_TEXT, 64},
    {60, "IM(Primary)", FIELD_TEXT, 64},
    {61, "Custom Label 1", FIELD_TEXT, 64},
    {62, "Custom Label 2", FIELD_TEXT, 64},
    {63, "Custom Label 3", FIELD_TEXT, 64},
    {64, "Custom Label 4", FIELD_TEXT, 64},
    {65, "Custom Label 5", FIELD_TEXT, 64},
    {66, "Custom Label 6", FIELD_TEXT, 64},
    {67, "Custom Label 7", FIELD_TEXT, 64},
    {68, "Custom Label 8", FIELD_TEXT, 64},
    {69, "Custom Label 9", FIELD_TEXT, 64},
    {70, "Custom Label 10", FIELD_TEXT, 64},
    {71, "Custom Field 1", FIELD_TEXT, 64},
    {72, "Custom Field 2", FIELD_TEXT, 64},
    {73, "Custom Field 3", FIELD_TEXT, 64},
    {74, "Custom Field 4", FIELD_TEXT, 64},
    {75, "Custom Field 5", FIELD_TEXT, 64},
    {76, "Custom Field 6", FIELD_TEXT, 64},
    {77, "Custom Field 7", FIELD_TEXT, 64},
    {78, "Custom Field 8", FIELD_TEXT, 64},
    {79, "Custom Field 9", FIELD_TEXT, 64},
    {80, "Custom Field 10", FIELD_TEXT, 64},
    {81, "Birthday", FIELD_DATETIME, 8},
    {82, "Anniversary", FIELD_DATETIME, 8},
    {83, "Date(Other)", FIELD_DATETIME, 8},
    {84, "Spouse", FIELD_TEXT, 64},
    {85, "Mother", FIELD_TEXT, 64},
    {86, "Father", FIELD_TEXT, 64},
    {87, "Manager", FIELD_TEXT, 64},
    {88, "Assistant", FIELD_TEXT, 64},
    {90, "Note", FIELD_TEXT, 10240},
    {91, "Creation Time", FIELD_DATETIME, 8},
    {92, "Last Modification Time", FIELD_DATETIME, 8},
};
static_assert(std::size(kFieldTable) == kAddrFieldCount);

// Date texts of GetFieldText; single-threaded callers copy the result before the next call.
char s_szDateText[1024];

// The type code an id of a run of consecutive ids stands for (the first id gives 1); 0 outside it.
int32_t RunCode(int32_t nId, int32_t nFirst, int32_t nCount)
{
    return nId >= nFirst && nId < nFirst + nCount ? nId - nFirst + 1 : 0;
}

// The slot every accessor hands out: the value of the first slot of the family carrying the code or,
// when creating, of the first free one, which takes the code (its value is left as it is). Code 0 (an
// id the accessor does not take) never matches, so a free slot is not mistaken for a hit.
template <class Value, size_t N>
Value* Slot(GAddrRecord* pRecord, int32_t (GAddrRecord::*pCodes)[N], Value (GAddrRecord::*pValues)[N], int32_t nCode,
            bool bCreate)
{
    if (!pRecord || nCode == 0)
        return nullptr;
    int32_t(&nCodes)[N] = pRecord->*pCodes;
    for (size_t i = 0; i < N; ++i) {
        if (nCodes[i] == nCode)
            return &(pRecord->*pValues)[i];
    }
    if (!bCreate)
        return nullptr;
    for (size_t i = 0; i < N; ++i) {
        if (nCodes[i] == 0) {
            nCodes[i] = nCode;
            return &(pRecord->*pValues)[i];
        }
    }
    return nullptr;
}

template <size_t Cap>
char* Text(char (*pSlot)[Cap])
{
    return pSlot ? *pSlot : nullptr;
}

using TextAccessor = char* (*)(GAddrRecord*, int32_t, bool);

struct TypedTextIds
{
    int32_t nFirst;
    int32_t nLast;
    TextAccessor pAccessor;
};

// The typed text ids and the accessor serving each run; dates (81 to 83) are handled apart.
constexpr TypedTextIds kTypedText[] = {
    {8, 10, GetEmailSlot},         {12, 14, GetAddressSlot}, {15, 17, GetCitySlot},   {18, 20, GetStateSlot},
    {21, 23, GetCountrySlot},      {24, 26, GetPostalSlot},  {27, 29, GetStreetSlot}, {30, 32, GetPOBoxSlot},
    {33, 35, GetNeighborhoodSlot}, {36, 42, GetPhoneSlot},   {44, 50, GetWebSlot},    {52, 59, GetIMSlot},
    {84, 88, GetRelationSlot},
};

TextAccessor FindTextAccessor(int32_t nId)
{
    for (const TypedTextIds& ids : kTypedText) {
        if (nId >= ids.nFirst && nId <= ids.nLast)
            return ids.pAccessor;
    }
    return nullptr;
}

bool IsDateSlotId(int32_t nId)
{
    return nId >= 81 && nId <= 83;
}

// The single (untyped) fields by id; null for typed or unknown ids.
const void* FixedField(const GAddrRecord* pRecord, int32_t nId)
{
    const char* const names[] = {pRecord->szFirstName,   pRecord->szMiddleName, pRecord->szLastName,
                                 pRecord->szDisplayName, pRecord->szNickName,   pRecord->szCompanyName,
                                 pRecord->szJobTitle};
    if (nId >= 1 && nId <= 7)
        return names[nId - 1];
    if (nId >= 61 && nId <= 70)
        return pRecord->szCustomLabel[nId - 61];
    if (nId >= 71 && nId <= 80)
        return pRecord->szCustomField[nId - 71];
    switch (nId) {
    case 11:
        return pRecord->szEmailPrimary;
    case 43:
        return pRecord->szPhonePrimary;
    case 51:
        return pRecord->szWebPrimary;
    case 60:
        return pRecord->szIMPrimary;
    case 90:
        return pRecord->szNote;
    case 91:
        return &pRecord->dtCreated;
    case 92:
        return &pRecord->dtModified;
    default:
        return nullptr;
    }
}

} // namespace

const GAddrFieldInfo* GetAddrFieldTable()
{
    return kFieldTable;
}

bool FindFieldInfo(int32_t nId, GAddrFieldInfo* pInfo)
{
    for (const GAddrFieldInfo& info : kFieldTable) {
        if (info.nId == nId) {
            if (pInfo)
                *pInfo = info;
            return true;
        }
    }
    return false;
}

char* GetEmailSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nEmailType, &GAddrRecord::szEmail, RunCode(nId, 8, 3), bCreate));
}

char* GetAddressSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szAddress, RunCode(nId, 12, 3), bCreate));
}

char* GetCitySlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szCity, RunCode(nId, 15, 3), bCreate));
}

char* GetStateSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szState, RunCode(nId, 18, 3), bCreate));
}

char* GetCountrySlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szCountry, RunCode(nId, 21, 3), bCreate));
}

char* GetPostalSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szPostal, RunCode(nId, 24, 3), bCreate));
}

char* GetStreetSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szStreet, RunCode(nId, 27, 3), bCreate));
}

char* GetPOBoxSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szPOBox, RunCode(nId, 30, 3), bCreate));
}

char* GetNeighborhoodSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szNeighborhood, RunCode(nId, 33, 3), bCreate));
}

char* GetPhoneSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nPhoneType, &GAddrRecord::szPhone, RunCode(nId, 36, 7), bCreate));
}

char* GetWebSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nWebType, &GAddrRecord::szWeb, RunCode(nId, 44, 7), bCreate));
}

char* GetIMSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nIMType, &GAddrRecord::szIM, RunCode(nId, 52, 8), bCreate));
}

double* GetDateSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Slot(pRecord, &GAddrRecord::nDateType, &GAddrRecord::dtDate, RunCode(nId, 81, 3), bCreate);
}

char* GetRelationSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    // The relation codes are not consecutive: 2 and 5 to 10 belong to no id.
    static constexpr int32_t kRelationCodes[] = {1, 3, 4, 11, 12};
    const int32_t nRun = RunCode(nId, 84, 5);
    const int32_t nCode = nRun ? kRelationCodes[nRun - 1] : 0;
    return Text(Slot(pRecord, &GAddrRecord::nRelationType, &GAddrRecord::szRelation, nCode, bCreate));
}

void* GetFieldPtr(GAddrRecord* pRecord, int32_t nId, int32_t* pSize)
{
    if (pSize)
        *pSize = 0;
    GAddrFieldInfo info;
    if (!pRecord || !FindFieldInfo(nId, &info))
        return nullptr;
    if (pSize)
        *pSize = info.nSize;
    if (const TextAccessor pAccessor = FindTextAccessor(nId))
        return pAccessor(pRecord, nId, true);
    if (IsDateSlotId(nId))
        return GetDateSlot(pRecord, nId, true);
    // The record is the caller's to write: only the lookup is shared with GetFieldText.
    return const_cast<void*>(FixedField(pRecord, nId));
}

const char* GetFieldText(const GAddrRecord* pRecord, int32_t nId)
{
    if (!pRecord || !FindFieldInfo(nId, nullptr))
        return "";
    if (const TextAccessor pAccessor = FindTextAccessor(nId)) {
        const char* pText = LookUpSlot(pAccessor, pRecord, nId);
        return pText ? pText : "";
    }
    if (IsDateSlotId(nId)) {
        const double* pValue = LookUpSlot(GetDateSlot, pRecord, nId);
        if (!pValue)
            return "";
        CxDateTime(*pValue).FormatDate(s_szDateText);
        return s_szDateText;
    }
    if (nId == 91 || nId == 92) {
        CxDateTime(nId == 91 ? pRecord->dtCreated : pRecord->dtModified).FormatDateTime(s_szDateText);
        return s_szDateText;
    }
    const char* pText = static_cast<const char*>(FixedField(pRecord, nId));
    return pText ? pText : "";
}
