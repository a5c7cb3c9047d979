#include "common/google/records/GAddrRecord.h"

#include "common/misc/CxDateTime.h"

#include <iterator>

namespace {

constexpr GAddrFieldInfo kFieldTable[] = {
    {FIELD_ID_FIRST_NAME, "First Name", FIELD_TEXT, 64},
    {FIELD_ID_MIDDLE_NAME, "Middle Name", FIELD_TEXT, 64},
    {FIELD_ID_LAST_NAME, "Last Name", FIELD_TEXT, 64},
    {FIELD_ID_DISPLAY_NAME, "Display Name", FIELD_TEXT, 64},
    {FIELD_ID_NICK_NAME, "Nick Name", FIELD_TEXT, 64},
    {FIELD_ID_COMPANY_NAME, "Company Name", FIELD_TEXT, 64},
    {FIELD_ID_JOB_TITLE, "Job Title", FIELD_TEXT, 64},
    {FIELD_ID_EMAIL_HOME, "Email(Home)", FIELD_TEXT, 64},
    {FIELD_ID_EMAIL_WORK, "Email(Work)", FIELD_TEXT, 64},
    {FIELD_ID_EMAIL_OTHER, "Email(Other)", FIELD_TEXT, 64},
    {FIELD_ID_EMAIL_PRIMARY, "Email(Primary)", FIELD_TEXT, 64},
    {FIELD_ID_ADDRESS_HOME, "Address(Home)", FIELD_TEXT, 256},
    {FIELD_ID_ADDRESS_WORK, "Address(Work)", FIELD_TEXT, 256},
    {FIELD_ID_ADDRESS_OTHER, "Address(Other)", FIELD_TEXT, 256},
    {FIELD_ID_CITY_HOME, "City(Home)", FIELD_TEXT, 32},
    {FIELD_ID_CITY_WORK, "City(Work)", FIELD_TEXT, 32},
    {FIELD_ID_CITY_OTHER, "City(Other)", FIELD_TEXT, 32},
    {FIELD_ID_STATE_HOME, "State(Home)", FIELD_TEXT, 16},
    {FIELD_ID_STATE_WORK, "State(Work)", FIELD_TEXT, 16},
    {FIELD_ID_STATE_OTHER, "State(Other)", FIELD_TEXT, 16},
    {FIELD_ID_COUNTRY_HOME, "Country(Home)", FIELD_TEXT, 16},
    {FIELD_ID_COUNTRY_WORK, "Country(Work)", FIELD_TEXT, 16},
    {FIELD_ID_COUNTRY_OTHER, "Country(Other)", FIELD_TEXT, 16},
    {FIELD_ID_POSTAL_HOME, "Postal(Home)", FIELD_TEXT, 32},
    {FIELD_ID_POSTAL_WORK, "Postal(Work)", FIELD_TEXT, 32},
    {FIELD_ID_POSTAL_OTHER, "Postal(Other)", FIELD_TEXT, 32},
    {FIELD_ID_STREET_HOME, "Street(Home)", FIELD_TEXT, 128},
    {FIELD_ID_STREET_WORK, "Street(Work)", FIELD_TEXT, 128},
    {FIELD_ID_STREET_OTHER, "Street(Other)", FIELD_TEXT, 128},
    {FIELD_ID_POBOX_HOME, "P.O.Box(Home)", FIELD_TEXT, 32},
    {FIELD_ID_POBOX_WORK, "P.O.Box(Work)", FIELD_TEXT, 32},
    {FIELD_ID_POBOX_OTHER, "P.O.Box(Other)", FIELD_TEXT, 32},
    {FIELD_ID_NEIGHBORHOOD_HOME, "Neighborhood(Home)", FIELD_TEXT, 64},
    {FIELD_ID_NEIGHBORHOOD_WORK, "Neighborhood(Work)", FIELD_TEXT, 64},
    {FIELD_ID_NEIGHBORHOOD_OTHER, "Neighborhood(Other)", FIELD_TEXT, 64},
    {FIELD_ID_PHONE_HOME, "Phone(Home)", FIELD_TEXT, 32},
    {FIELD_ID_PHONE_WORK, "Phone(Work)", FIELD_TEXT, 32},
    {FIELD_ID_PHONE_MOBILE, "Phone(Mobile)", FIELD_TEXT, 32},
    {FIELD_ID_FAX_HOME, "Fax(Home)", FIELD_TEXT, 32},
    {FIELD_ID_FAX_WORK, "Fax(Work)", FIELD_TEXT, 32},
    {FIELD_ID_PAGER, "Pager", FIELD_TEXT, 32},
    {FIELD_ID_PHONE_OTHER, "Phone(Other)", FIELD_TEXT, 32},
    {FIELD_ID_PHONE_PRIMARY, "Phone(Primary)", FIELD_TEXT, 32},
    {FIELD_ID_WEB_HOME, "Web Site(Home)", FIELD_TEXT, 256},
    {FIELD_ID_WEB_WORK, "Web Site(Work)", FIELD_TEXT, 256},
    {FIELD_ID_HOME_PAGE, "Home Page", FIELD_TEXT, 256},
    {FIELD_ID_FTP, "FTP", FIELD_TEXT, 256},
    {FIELD_ID_BLOG, "Blog", FIELD_TEXT, 256},
    {FIELD_ID_PROFILE, "Profile", FIELD_TEXT, 256},
    {FIELD_ID_WEB_OTHER, "Web Site(Other)", FIELD_TEXT, 256},
    {FIELD_ID_WEB_PRIMARY, "Web Site(Primary)", FIELD_TEXT, 256},
    {FIELD_ID_IM_GTALK, "IM(GTalk)", FIELD_TEXT, 64},
    {FIELD_ID_IM_AIM, "IM(AIM)", FIELD_TEXT, 64},
    {FIELD_ID_IM_YAHOO, "IM(Yahoo)", FIELD_TEXT, 64},
    {FIELD_ID_IM_SKYPE, "IM(Skype)", FIELD_TEXT, 64},
    {FIELD_ID_IM_QQ, "IM(QQ)", FIELD_TEXT, 64},
    {FIELD_ID_IM_MSN, "IM(MSN)", FIELD_TEXT, 64},
    {FIELD_ID_IM_ICQ, "IM(ICQ)", FIELD_TEXT, 64},
    {FIELD_ID_IM_JABBER, "IM(Jabber)", FIELD_TEXT, 64},
    {FIELD_ID_IM_PRIMARY, "IM(Primary)", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_1, "Custom Label 1", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_2, "Custom Label 2", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_3, "Custom Label 3", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_4, "Custom Label 4", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_5, "Custom Label 5", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_6, "Custom Label 6", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_7, "Custom Label 7", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_8, "Custom Label 8", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_9, "Custom Label 9", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_LABEL_10, "Custom Label 10", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_1, "Custom Field 1", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_2, "Custom Field 2", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_3, "Custom Field 3", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_4, "Custom Field 4", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_5, "Custom Field 5", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_6, "Custom Field 6", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_7, "Custom Field 7", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_8, "Custom Field 8", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_9, "Custom Field 9", FIELD_TEXT, 64},
    {FIELD_ID_CUSTOM_FIELD_10, "Custom Field 10", FIELD_TEXT, 64},
    {FIELD_ID_BIRTHDAY, "Birthday", FIELD_DATETIME, 8},
    {FIELD_ID_ANNIVERSARY, "Anniversary", FIELD_DATETIME, 8},
    {FIELD_ID_DATE_OTHER, "Date(Other)", FIELD_DATETIME, 8},
    {FIELD_ID_SPOUSE, "Spouse", FIELD_TEXT, 64},
    {FIELD_ID_MOTHER, "Mother", FIELD_TEXT, 64},
    {FIELD_ID_FATHER, "Father", FIELD_TEXT, 64},
    {FIELD_ID_MANAGER, "Manager", FIELD_TEXT, 64},
    {FIELD_ID_ASSISTANT, "Assistant", FIELD_TEXT, 64},
    {FIELD_ID_NOTE, "Note", FIELD_TEXT, 10240},
    {FIELD_ID_CREATED, "Creation Time", FIELD_DATETIME, 8},
    {FIELD_ID_MODIFIED, "Last Modification Time", FIELD_DATETIME, 8},
};
static_assert(std::size(kFieldTable) == kAddrFieldCount);

// Date texts of GetFieldText; single-threaded callers copy the result before the next call.
char s_szDateText[1024];

// The consecutive field ids of one typed family, the first standing for type code 1.
struct IdRun
{
    int32_t nFirst;
    int32_t nLast;
};

constexpr IdRun kEmailIds{FIELD_ID_EMAIL_HOME, FIELD_ID_EMAIL_OTHER};
constexpr IdRun kAddressIds{FIELD_ID_ADDRESS_HOME, FIELD_ID_ADDRESS_OTHER};
constexpr IdRun kCityIds{FIELD_ID_CITY_HOME, FIELD_ID_CITY_OTHER};
constexpr IdRun kStateIds{FIELD_ID_STATE_HOME, FIELD_ID_STATE_OTHER};
constexpr IdRun kCountryIds{FIELD_ID_COUNTRY_HOME, FIELD_ID_COUNTRY_OTHER};
constexpr IdRun kPostalIds{FIELD_ID_POSTAL_HOME, FIELD_ID_POSTAL_OTHER};
constexpr IdRun kStreetIds{FIELD_ID_STREET_HOME, FIELD_ID_STREET_OTHER};
constexpr IdRun kPOBoxIds{FIELD_ID_POBOX_HOME, FIELD_ID_POBOX_OTHER};
constexpr IdRun kNeighborhoodIds{FIELD_ID_NEIGHBORHOOD_HOME, FIELD_ID_NEIGHBORHOOD_OTHER};
constexpr IdRun kPhoneIds{FIELD_ID_PHONE_HOME, FIELD_ID_PHONE_OTHER};
constexpr IdRun kWebIds{FIELD_ID_WEB_HOME, FIELD_ID_WEB_OTHER};
constexpr IdRun kIMIds{FIELD_ID_IM_GTALK, FIELD_ID_IM_JABBER};
constexpr IdRun kDateIds{FIELD_ID_BIRTHDAY, FIELD_ID_DATE_OTHER};
constexpr IdRun kRelationIds{FIELD_ID_SPOUSE, FIELD_ID_ASSISTANT};

// The type code an id of the run stands for; 0 outside it.
constexpr int32_t RunCode(int32_t nId, IdRun run)
{
    return nId >= run.nFirst && nId <= run.nLast ? nId - run.nFirst + 1 : 0;
}

static_assert(RunCode(FIELD_ID_EMAIL_OTHER, kEmailIds) == EMAIL_OTHER);
static_assert(RunCode(FIELD_ID_STREET_WORK, kStreetIds) == ADDRESS_WORK);
static_assert(RunCode(FIELD_ID_PHONE_OTHER, kPhoneIds) == PHONE_OTHER);
static_assert(RunCode(FIELD_ID_WEB_OTHER, kWebIds) == WEB_OTHER);
static_assert(RunCode(FIELD_ID_IM_JABBER, kIMIds) == IM_JABBER);
static_assert(RunCode(FIELD_ID_DATE_OTHER, kDateIds) == DATE_OTHER);

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
    IdRun ids;
    TextAccessor pAccessor;
};

// The typed text ids and the accessor serving each run; dates are handled apart.
constexpr TypedTextIds kTypedText[] = {
    {kEmailIds, GetEmailSlot},       {kAddressIds, GetAddressSlot}, {kCityIds, GetCitySlot},
    {kStateIds, GetStateSlot},       {kCountryIds, GetCountrySlot}, {kPostalIds, GetPostalSlot},
    {kStreetIds, GetStreetSlot},     {kPOBoxIds, GetPOBoxSlot},     {kNeighborhoodIds, GetNeighborhoodSlot},
    {kPhoneIds, GetPhoneSlot},       {kWebIds, GetWebSlot},         {kIMIds, GetIMSlot},
    {kRelationIds, GetRelationSlot},
};

TextAccessor FindTextAccessor(int32_t nId)
{
    for (const TypedTextIds& text : kTypedText) {
        if (RunCode(nId, text.ids) != 0)
            return text.pAccessor;
    }
    return nullptr;
}

bool IsDateSlotId(int32_t nId)
{
    return RunCode(nId, kDateIds) != 0;
}

// The single (untyped) fields by id; null for typed or unknown ids.
const void* FixedField(const GAddrRecord* pRecord, int32_t nId)
{
    const char* const names[] = {pRecord->szFirstName,   pRecord->szMiddleName, pRecord->szLastName,
                                 pRecord->szDisplayName, pRecord->szNickName,   pRecord->szCompanyName,
                                 pRecord->szJobTitle};
    static_assert(std::size(names) == FIELD_ID_JOB_TITLE - FIELD_ID_FIRST_NAME + 1);
    if (nId >= FIELD_ID_FIRST_NAME && nId <= FIELD_ID_JOB_TITLE)
        return names[nId - FIELD_ID_FIRST_NAME];
    if (nId >= FIELD_ID_CUSTOM_LABEL_1 && nId <= FIELD_ID_CUSTOM_LABEL_10)
        return pRecord->szCustomLabel[nId - FIELD_ID_CUSTOM_LABEL_1];
    if (nId >= FIELD_ID_CUSTOM_FIELD_1 && nId <= FIELD_ID_CUSTOM_FIELD_10)
        return pRecord->szCustomField[nId - FIELD_ID_CUSTOM_FIELD_1];
    switch (nId) {
    case FIELD_ID_EMAIL_PRIMARY:
        return pRecord->szEmailPrimary;
    case FIELD_ID_PHONE_PRIMARY:
        return pRecord->szPhonePrimary;
    case FIELD_ID_WEB_PRIMARY:
        return pRecord->szWebPrimary;
    case FIELD_ID_IM_PRIMARY:
        return pRecord->szIMPrimary;
    case FIELD_ID_NOTE:
        return pRecord->szNote;
    case FIELD_ID_CREATED:
        return &pRecord->dtCreated;
    case FIELD_ID_MODIFIED:
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
    return Text(Slot(pRecord, &GAddrRecord::nEmailType, &GAddrRecord::szEmail, RunCode(nId, kEmailIds), bCreate));
}

char* GetAddressSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szAddress, RunCode(nId, kAddressIds), bCreate));
}

char* GetCitySlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szCity, RunCode(nId, kCityIds), bCreate));
}

char* GetStateSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szState, RunCode(nId, kStateIds), bCreate));
}

char* GetCountrySlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szCountry, RunCode(nId, kCountryIds), bCreate));
}

char* GetPostalSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szPostal, RunCode(nId, kPostalIds), bCreate));
}

char* GetStreetSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szStreet, RunCode(nId, kStreetIds), bCreate));
}

char* GetPOBoxSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szPOBox, RunCode(nId, kPOBoxIds), bCreate));
}

char* GetNeighborhoodSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nAddressType, &GAddrRecord::szNeighborhood, RunCode(nId, kNeighborhoodIds),
                     bCreate));
}

char* GetPhoneSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nPhoneType, &GAddrRecord::szPhone, RunCode(nId, kPhoneIds), bCreate));
}

char* GetWebSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nWebType, &GAddrRecord::szWeb, RunCode(nId, kWebIds), bCreate));
}

char* GetIMSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Text(Slot(pRecord, &GAddrRecord::nIMType, &GAddrRecord::szIM, RunCode(nId, kIMIds), bCreate));
}

double* GetDateSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    return Slot(pRecord, &GAddrRecord::nDateType, &GAddrRecord::dtDate, RunCode(nId, kDateIds), bCreate);
}

char* GetRelationSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate)
{
    // The relation codes are not consecutive: 2 and 5 to 10 belong to no id.
    static constexpr int32_t kRelationCodes[] = {RELATION_SPOUSE, RELATION_MOTHER, RELATION_FATHER, RELATION_MANAGER,
                                                 RELATION_ASSISTANT};
    static_assert(std::size(kRelationCodes) == kRelationIds.nLast - kRelationIds.nFirst + 1);
    const int32_t nRun = RunCode(nId, kRelationIds);
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
    if (nId == FIELD_ID_CREATED || nId == FIELD_ID_MODIFIED) {
        CxDateTime(nId == FIELD_ID_CREATED ? pRecord->dtCreated : pRecord->dtModified).FormatDateTime(s_szDateText);
        return s_szDateText;
    }
    const char* pText = static_cast<const char*>(FixedField(pRecord, nId));
    return pText ? pText : "";
}
