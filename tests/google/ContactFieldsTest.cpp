#include "common/google/records/ContactFields.h"
#include "common/google/records/GAddrRecord.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

// The codes travel in the contact data file between the helper and the app.
TEST(ContactFields, SlotTypeCodesKeepTheirNumbers)
{
    const struct
    {
        const char* name;
        int32_t value;
        int32_t expected;
    } cases[] = {
        {"EMAIL_HOME", EMAIL_HOME, 1},
        {"EMAIL_WORK", EMAIL_WORK, 2},
        {"EMAIL_OTHER", EMAIL_OTHER, 3},
        {"ADDRESS_HOME", ADDRESS_HOME, 1},
        {"ADDRESS_WORK", ADDRESS_WORK, 2},
        {"ADDRESS_OTHER", ADDRESS_OTHER, 3},
        {"PHONE_HOME", PHONE_HOME, 1},
        {"PHONE_WORK", PHONE_WORK, 2},
        {"PHONE_MOBILE", PHONE_MOBILE, 3},
        {"FAX_HOME", FAX_HOME, 4},
        {"FAX_WORK", FAX_WORK, 5},
        {"PHONE_PAGER", PHONE_PAGER, 6},
        {"PHONE_OTHER", PHONE_OTHER, 7},
        {"WEB_HOME", WEB_HOME, 1},
        {"WEB_WORK", WEB_WORK, 2},
        {"WEB_HOME_PAGE", WEB_HOME_PAGE, 3},
        {"WEB_FTP", WEB_FTP, 4},
        {"WEB_BLOG", WEB_BLOG, 5},
        {"WEB_PROFILE", WEB_PROFILE, 6},
        {"WEB_OTHER", WEB_OTHER, 7},
        {"IM_GTALK", IM_GTALK, 1},
        {"IM_AIM", IM_AIM, 2},
        {"IM_YAHOO", IM_YAHOO, 3},
        {"IM_SKYPE", IM_SKYPE, 4},
        {"IM_QQ", IM_QQ, 5},
        {"IM_MSN", IM_MSN, 6},
        {"IM_ICQ", IM_ICQ, 7},
        {"IM_JABBER", IM_JABBER, 8},
        {"DATE_BIRTHDAY", DATE_BIRTHDAY, 1},
        {"DATE_ANNIVERSARY", DATE_ANNIVERSARY, 2},
        {"DATE_OTHER", DATE_OTHER, 3},
        {"RELATION_SPOUSE", RELATION_SPOUSE, 1},
        {"RELATION_MOTHER", RELATION_MOTHER, 3},
        {"RELATION_FATHER", RELATION_FATHER, 4},
        {"RELATION_MANAGER", RELATION_MANAGER, 11},
        {"RELATION_ASSISTANT", RELATION_ASSISTANT, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.value);
    }
}

// Each named id is the number of the table entry with the display name it stands for.
TEST(ContactFields, EveryNamedIdIsTheTableEntryOfItsField)
{
    const struct
    {
        int32_t id;
        int32_t expected;
        const char* name;
    } cases[] = {
        {FIELD_ID_FIRST_NAME, 1, "First Name"},
        {FIELD_ID_MIDDLE_NAME, 2, "Middle Name"},
        {FIELD_ID_LAST_NAME, 3, "Last Name"},
        {FIELD_ID_DISPLAY_NAME, 4, "Display Name"},
        {FIELD_ID_NICK_NAME, 5, "Nick Name"},
        {FIELD_ID_COMPANY_NAME, 6, "Company Name"},
        {FIELD_ID_JOB_TITLE, 7, "Job Title"},
        {FIELD_ID_EMAIL_HOME, 8, "Email(Home)"},
        {FIELD_ID_EMAIL_WORK, 9, "Email(Work)"},
        {FIELD_ID_EMAIL_OTHER, 10, "Email(Other)"},
        {FIELD_ID_EMAIL_PRIMARY, 11, "Email(Primary)"},
        {FIELD_ID_ADDRESS_HOME, 12, "Address(Home)"},
        {FIELD_ID_ADDRESS_WORK, 13, "Address(Work)"},
        {FIELD_ID_ADDRESS_OTHER, 14, "Address(Other)"},
        {FIELD_ID_CITY_HOME, 15, "City(Home)"},
        {FIELD_ID_CITY_WORK, 16, "City(Work)"},
        {FIELD_ID_CITY_OTHER, 17, "City(Other)"},
        {FIELD_ID_STATE_HOME, 18, "State(Home)"},
        {FIELD_ID_STATE_WORK, 19, "State(Work)"},
        {FIELD_ID_STATE_OTHER, 20, "State(Other)"},
        {FIELD_ID_COUNTRY_HOME, 21, "Country(Home)"},
        {FIELD_ID_COUNTRY_WORK, 22, "Country(Work)"},
        {FIELD_ID_COUNTRY_OTHER, 23, "Country(Other)"},
        {FIELD_ID_POSTAL_HOME, 24, "Postal(Home)"},
        {FIELD_ID_POSTAL_WORK, 25, "Postal(Work)"},
        {FIELD_ID_POSTAL_OTHER, 26, "Postal(Other)"},
        {FIELD_ID_STREET_HOME, 27, "Street(Home)"},
        {FIELD_ID_STREET_WORK, 28, "Street(Work)"},
        {FIELD_ID_STREET_OTHER, 29, "Street(Other)"},
        {FIELD_ID_POBOX_HOME, 30, "P.O.Box(Home)"},
        {FIELD_ID_POBOX_WORK, 31, "P.O.Box(Work)"},
        {FIELD_ID_POBOX_OTHER, 32, "P.O.Box(Other)"},
        {FIELD_ID_NEIGHBORHOOD_HOME, 33, "Neighborhood(Home)"},
        {FIELD_ID_NEIGHBORHOOD_WORK, 34, "Neighborhood(Work)"},
        {FIELD_ID_NEIGHBORHOOD_OTHER, 35, "Neighborhood(Other)"},
        {FIELD_ID_PHONE_HOME, 36, "Phone(Home)"},
        {FIELD_ID_PHONE_WORK, 37, "Phone(Work)"},
        {FIELD_ID_PHONE_MOBILE, 38, "Phone(Mobile)"},
        {FIELD_ID_FAX_HOME, 39, "Fax(Home)"},
        {FIELD_ID_FAX_WORK, 40, "Fax(Work)"},
        {FIELD_ID_PAGER, 41, "Pager"},
        {FIELD_ID_PHONE_OTHER, 42, "Phone(Other)"},
        {FIELD_ID_PHONE_PRIMARY, 43, "Phone(Primary)"},
        {FIELD_ID_WEB_HOME, 44, "Web Site(Home)"},
        {FIELD_ID_WEB_WORK, 45, "Web Site(Work)"},
        {FIELD_ID_HOME_PAGE, 46, "Home Page"},
        {FIELD_ID_FTP, 47, "FTP"},
        {FIELD_ID_BLOG, 48, "Blog"},
        {FIELD_ID_PROFILE, 49, "Profile"},
        {FIELD_ID_WEB_OTHER, 50, "Web Site(Other)"},
        {FIELD_ID_WEB_PRIMARY, 51, "Web Site(Primary)"},
        {FIELD_ID_IM_GTALK, 52, "IM(GTalk)"},
        {FIELD_ID_IM_AIM, 53, "IM(AIM)"},
        {FIELD_ID_IM_YAHOO, 54, "IM(Yahoo)"},
        {FIELD_ID_IM_SKYPE, 55, "IM(Skype)"},
        {FIELD_ID_IM_QQ, 56, "IM(QQ)"},
        {FIELD_ID_IM_MSN, 57, "IM(MSN)"},
        {FIELD_ID_IM_ICQ, 58, "IM(ICQ)"},
        {FIELD_ID_IM_JABBER, 59, "IM(Jabber)"},
        {FIELD_ID_IM_PRIMARY, 60, "IM(Primary)"},
        {FIELD_ID_CUSTOM_LABEL_1, 61, "Custom Label 1"},
        {FIELD_ID_CUSTOM_LABEL_2, 62, "Custom Label 2"},
        {FIELD_ID_CUSTOM_LABEL_3, 63, "Custom Label 3"},
        {FIELD_ID_CUSTOM_LABEL_4, 64, "Custom Label 4"},
        {FIELD_ID_CUSTOM_LABEL_5, 65, "Custom Label 5"},
        {FIELD_ID_CUSTOM_LABEL_6, 66, "Custom Label 6"},
        {FIELD_ID_CUSTOM_LABEL_7, 67, "Custom Label 7"},
        {FIELD_ID_CUSTOM_LABEL_8, 68, "Custom Label 8"},
        {FIELD_ID_CUSTOM_LABEL_9, 69, "Custom Label 9"},
        {FIELD_ID_CUSTOM_LABEL_10, 70, "Custom Label 10"},
        {FIELD_ID_CUSTOM_FIELD_1, 71, "Custom Field 1"},
        {FIELD_ID_CUSTOM_FIELD_2, 72, "Custom Field 2"},
        {FIELD_ID_CUSTOM_FIELD_3, 73, "Custom Field 3"},
        {FIELD_ID_CUSTOM_FIELD_4, 74, "Custom Field 4"},
        {FIELD_ID_CUSTOM_FIELD_5, 75, "Custom Field 5"},
        {FIELD_ID_CUSTOM_FIELD_6, 76, "Custom Field 6"},
        {FIELD_ID_CUSTOM_FIELD_7, 77, "Custom Field 7"},
        {FIELD_ID_CUSTOM_FIELD_8, 78, "Custom Field 8"},
        {FIELD_ID_CUSTOM_FIELD_9, 79, "Custom Field 9"},
        {FIELD_ID_CUSTOM_FIELD_10, 80, "Custom Field 10"},
        {FIELD_ID_BIRTHDAY, 81, "Birthday"},
        {FIELD_ID_ANNIVERSARY, 82, "Anniversary"},
        {FIELD_ID_DATE_OTHER, 83, "Date(Other)"},
        {FIELD_ID_SPOUSE, 84, "Spouse"},
        {FIELD_ID_MOTHER, 85, "Mother"},
        {FIELD_ID_FATHER, 86, "Father"},
        {FIELD_ID_MANAGER, 87, "Manager"},
        {FIELD_ID_ASSISTANT, 88, "Assistant"},
        {FIELD_ID_NOTE, 90, "Note"},
        {FIELD_ID_CREATED, 91, "Creation Time"},
        {FIELD_ID_MODIFIED, 92, "Last Modification Time"},
    };
    static_assert(std::size(cases) == kAddrFieldCount);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.id);
        GAddrFieldInfo info{};
        ASSERT_TRUE(FindFieldInfo(c.id, &info));
        EXPECT_STREQ(c.name, info.szName);
    }
}

TEST(ContactFields, FamilyIdsFollowTheTypeCodes)
{
    const struct
    {
        int32_t first;
        int32_t code;
        int32_t expected;
    } cases[] = {
        {FIELD_ID_EMAIL_HOME, EMAIL_OTHER, FIELD_ID_EMAIL_OTHER},
        {FIELD_ID_STREET_HOME, ADDRESS_WORK, FIELD_ID_STREET_WORK},
        {FIELD_ID_NEIGHBORHOOD_HOME, ADDRESS_OTHER, FIELD_ID_NEIGHBORHOOD_OTHER},
        {FIELD_ID_PHONE_HOME, FAX_WORK, FIELD_ID_FAX_WORK},
        {FIELD_ID_PHONE_HOME, PHONE_OTHER, FIELD_ID_PHONE_OTHER},
        {FIELD_ID_WEB_HOME, WEB_PROFILE, FIELD_ID_PROFILE},
        {FIELD_ID_IM_GTALK, IM_JABBER, FIELD_ID_IM_JABBER},
        {FIELD_ID_BIRTHDAY, DATE_OTHER, FIELD_ID_DATE_OTHER},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FamilyFieldId(c.first, c.code));
}

} // namespace
