// Numbers of the contact data file: the type codes of the record's slot families and the ids of the
// contact field table.
#pragma once

#include <cstdint>

// Type codes of the slot families; 0 marks a free slot.
inline constexpr int32_t EMAIL_HOME = 1, EMAIL_WORK = 2, EMAIL_OTHER = 3;
inline constexpr int32_t ADDRESS_HOME = 1, ADDRESS_WORK = 2, ADDRESS_OTHER = 3;
inline constexpr int32_t PHONE_HOME = 1, PHONE_WORK = 2, PHONE_MOBILE = 3, FAX_HOME = 4, FAX_WORK = 5, PHONE_PAGER = 6,
                         PHONE_OTHER = 7;
inline constexpr int32_t WEB_HOME = 1, WEB_WORK = 2, WEB_HOME_PAGE = 3, WEB_FTP = 4, WEB_BLOG = 5, WEB_PROFILE = 6,
                         WEB_OTHER = 7;
inline constexpr int32_t IM_GTALK = 1, IM_AIM = 2, IM_YAHOO = 3, IM_SKYPE = 4, IM_QQ = 5, IM_MSN = 6, IM_ICQ = 7,
                         IM_JABBER = 8;
inline constexpr int32_t DATE_BIRTHDAY = 1, DATE_ANNIVERSARY = 2, DATE_OTHER = 3;
// 2 and 5 to 10 are no relation the record keeps.
inline constexpr int32_t RELATION_SPOUSE = 1, RELATION_MOTHER = 3, RELATION_FATHER = 4, RELATION_MANAGER = 11,
                         RELATION_ASSISTANT = 12;

// Ids of the contact field table. The ids of a typed family run in the order of its type codes, so
// the id of code c is the family's first id + c - 1 (relations excepted: their codes have gaps).
enum : int32_t {
    FIELD_ID_FIRST_NAME = 1,
    FIELD_ID_MIDDLE_NAME = 2,
    FIELD_ID_LAST_NAME = 3,
    FIELD_ID_DISPLAY_NAME = 4,
    FIELD_ID_NICK_NAME = 5,
    FIELD_ID_COMPANY_NAME = 6,
    FIELD_ID_JOB_TITLE = 7,
    FIELD_ID_EMAIL_HOME = 8,
    FIELD_ID_EMAIL_WORK = 9,
    FIELD_ID_EMAIL_OTHER = 10,
    FIELD_ID_EMAIL_PRIMARY = 11,
    FIELD_ID_ADDRESS_HOME = 12,
    FIELD_ID_ADDRESS_WORK = 13,
    FIELD_ID_ADDRESS_OTHER = 14,
    FIELD_ID_CITY_HOME = 15,
    FIELD_ID_CITY_WORK = 16,
    FIELD_ID_CITY_OTHER = 17,
    FIELD_ID_STATE_HOME = 18,
    FIELD_ID_STATE_WORK = 19,
    FIELD_ID_STATE_OTHER = 20,
    FIELD_ID_COUNTRY_HOME = 21,
    FIELD_ID_COUNTRY_WORK = 22,
    FIELD_ID_COUNTRY_OTHER = 23,
    FIELD_ID_POSTAL_HOME = 24,
    FIELD_ID_POSTAL_WORK = 25,
    FIELD_ID_POSTAL_OTHER = 26,
    FIELD_ID_STREET_HOME = 27,
    FIELD_ID_STREET_WORK = 28,
    FIELD_ID_STREET_OTHER = 29,
    FIELD_ID_POBOX_HOME = 30,
    FIELD_ID_POBOX_WORK = 31,
    FIELD_ID_POBOX_OTHER = 32,
    FIELD_ID_NEIGHBORHOOD_HOME = 33,
    FIELD_ID_NEIGHBORHOOD_WORK = 34,
    FIELD_ID_NEIGHBORHOOD_OTHER = 35,
    FIELD_ID_PHONE_HOME = 36,
    FIELD_ID_PHONE_WORK = 37,
    FIELD_ID_PHONE_MOBILE = 38,
    FIELD_ID_FAX_HOME = 39,
    FIELD_ID_FAX_WORK = 40,
    FIELD_ID_PAGER = 41,
    FIELD_ID_PHONE_OTHER = 42,
    FIELD_ID_PHONE_PRIMARY = 43,
    FIELD_ID_WEB_HOME = 44,
    FIELD_ID_WEB_WORK = 45,
    FIELD_ID_HOME_PAGE = 46,
    FIELD_ID_FTP = 47,
    FIELD_ID_BLOG = 48,
    FIELD_ID_PROFILE = 49,
    FIELD_ID_WEB_OTHER = 50,
    FIELD_ID_WEB_PRIMARY = 51,
    FIELD_ID_IM_GTALK = 52,
    FIELD_ID_IM_AIM = 53,
    FIELD_ID_IM_YAHOO = 54,
    FIELD_ID_IM_SKYPE = 55,
    FIELD_ID_IM_QQ = 56,
    FIELD_ID_IM_MSN = 57,
    FIELD_ID_IM_ICQ = 58,
    FIELD_ID_IM_JABBER = 59,
    FIELD_ID_IM_PRIMARY = 60,
    FIELD_ID_CUSTOM_LABEL_1 = 61,
    FIELD_ID_CUSTOM_LABEL_2 = 62,
    FIELD_ID_CUSTOM_LABEL_3 = 63,
    FIELD_ID_CUSTOM_LABEL_4 = 64,
    FIELD_ID_CUSTOM_LABEL_5 = 65,
    FIELD_ID_CUSTOM_LABEL_6 = 66,
    FIELD_ID_CUSTOM_LABEL_7 = 67,
    FIELD_ID_CUSTOM_LABEL_8 = 68,
    FIELD_ID_CUSTOM_LABEL_9 = 69,
    FIELD_ID_CUSTOM_LABEL_10 = 70,
    FIELD_ID_CUSTOM_FIELD_1 = 71,
    FIELD_ID_CUSTOM_FIELD_2 = 72,
    FIELD_ID_CUSTOM_FIELD_3 = 73,
    FIELD_ID_CUSTOM_FIELD_4 = 74,
    FIELD_ID_CUSTOM_FIELD_5 = 75,
    FIELD_ID_CUSTOM_FIELD_6 = 76,
    FIELD_ID_CUSTOM_FIELD_7 = 77,
    FIELD_ID_CUSTOM_FIELD_8 = 78,
    FIELD_ID_CUSTOM_FIELD_9 = 79,
    FIELD_ID_CUSTOM_FIELD_10 = 80,
    FIELD_ID_BIRTHDAY = 81,
    FIELD_ID_ANNIVERSARY = 82,
    FIELD_ID_DATE_OTHER = 83,
    FIELD_ID_SPOUSE = 84,
    FIELD_ID_MOTHER = 85,
    FIELD_ID_FATHER = 86,
    FIELD_ID_MANAGER = 87,
    FIELD_ID_ASSISTANT = 88,
    FIELD_ID_NOTE = 90,
    FIELD_ID_CREATED = 91,
    FIELD_ID_MODIFIED = 92,
};

// The field id of type code nCode in the family whose Home (first) id is nFirstId.
constexpr int32_t FamilyFieldId(int32_t nFirstId, int32_t nCode)
{
    return nFirstId + nCode - 1;
}
