#include "helpers/vcard/VCardTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(VCardTypesTest, LabelsMatchWholeWordsOnly)
{
    struct Case
    {
        std::vector<std::string> types;
        std::string label;
        int32_t phone;
        int32_t web;
    };
    const Case cases[] = {
        {{}, "Network line", PHONE_OTHER, WEB_OTHER},
        {{}, "Homework", PHONE_OTHER, WEB_OTHER},
        {{}, "Faxonline", PHONE_OTHER, WEB_OTHER},
        {{}, "Work", PHONE_WORK, WEB_WORK},
        {{}, "work line 2", PHONE_WORK, WEB_WORK},
        {{}, "Work2", PHONE_WORK, WEB_WORK},
        {{}, "Home-Office", PHONE_HOME, WEB_HOME},
        // A change of case parts words in the labels address books write.
        {{}, "HomeFAX", FAX_HOME, WEB_HOME},
        {{}, "WorkFAX", FAX_WORK, WEB_WORK},
        {{}, "FAXHome", FAX_HOME, WEB_HOME},
        {{}, "iPhone", PHONE_MOBILE, WEB_OTHER},
        {{}, "HomePage", PHONE_HOME, WEB_HOME_PAGE},
        {{}, "Home page", PHONE_HOME, WEB_HOME_PAGE},
        {{}, "HOMEPAGE", PHONE_OTHER, WEB_HOME_PAGE},
        {{}, "Blog (old)", PHONE_OTHER, WEB_BLOG},
        // TYPE words are whole words already.
        {{"home", "fax"}, "", FAX_HOME, WEB_HOME},
        {{"cell"}, "Network line", PHONE_MOBILE, WEB_OTHER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const TypeWords words(c.types, c.label);
        EXPECT_EQ(c.phone, PhoneTypeCode(words));
        EXPECT_EQ(c.web, WebTypeCode(words));
    }
}

} // namespace
