#include "helpers/base/PlainName.h"

#include <gtest/gtest.h>

#include <string>

TEST(PlainNameTest, OnlyNamesThatStayInTheirFolderPass)
{
    struct Case
    {
        std::string name;
        bool plain;
    };
    const Case cases[] = {
        {"a.vcf", true},
        {"2f1c-77e0@example.com.ics", true},
        {"with blank.vcf", true},
        {"caf\xC3\xA9.vcf", true},
        {"trailing.", true},
        {"", false},
        {".", false},
        {"..", false},
        {".hidden.vcf", false},
        {"../a.vcf", false},
        {"a/b.vcf", false},
        {"/a.vcf", false},
        {"a\\b.vcf", false},
        {"a\nb.vcf", false},
        {"a\rb.vcf", false},
        {std::string("a\0b", 3), false},
        {"a\x7f", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.plain, IsPlainName(c.name)) << c.name;
}
