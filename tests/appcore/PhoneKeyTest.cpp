#include "app/core/PhoneKey.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::string Repeat(char c, size_t n)
{
    return std::string(n, c);
}

} // namespace

TEST(PhoneKeyTest, OneGermanMobileNumberWrittenManyWays)
{
    const PhoneKeys keys("DE");
    for (const char* text : {"+49 170 1234567", "0170 1234567", "+49-170-1234567", "tel:+49-170-1234567",
                             "TEL:+491701234567", "(0170) 123 45 67", "0049 170 1234567", "  +49 (170) 123-45-67 ",
                             "+49\u00a0170\u00a01234567", "０１７０ １２３４５６７"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ("+491701234567", keys.Key(text));
    }
}

TEST(PhoneKeyTest, UnitedStatesNumbers)
{
    const PhoneKeys keys("US");
    for (const char* text : {"(650) 253-0000", "650.253.0000", "+1 650 253 0000", "1-650-253-0000", "6502530000"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ("+16502530000", keys.Key(text));
    }
    // The same national digits are another number in another region.
    EXPECT_NE(keys.Key("030 12345678"), PhoneKeys("DE").Key("030 12345678"));
}

TEST(PhoneKeyTest, RegionsAreCheckedAndUppercased)
{
    struct Case
    {
        const char* given;
        const char* region;
    };
    const Case cases[] = {{"DE", "DE"}, {"de", "DE"}, {"US", "US"},  {"ZZ", "ZZ"},
                          {"QQ", "ZZ"}, {"", "ZZ"},   {"DEU", "ZZ"}, {"1", "ZZ"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(c.region, PhoneKeys(c.given).Region());
    }
}

TEST(PhoneKeyTest, RegionsTellTheirCountryCodeAndNationalPrefix)
{
    struct Case
    {
        const char* region;
        const char* countryCode;
        const char* nationalPrefix;
    };
    const Case cases[] = {{"DE", "49", "0"}, {"us", "1", "1"}, {"IT", "39", ""}, {"ZZ", "", ""}, {"QQ", "", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.region);
        const PhoneKeys keys(c.region);
        EXPECT_EQ(c.countryCode, keys.CountryCode());
        EXPECT_EQ(c.nationalPrefix, keys.NationalPrefix());
    }
}

TEST(PhoneKeyTest, NationalNumbersWithoutARegionFallBackToTheirDigits)
{
    const PhoneKeys keys("ZZ");
    const std::string digitsKey = std::string(1, PhoneKeys::kDigitsPrefix) + "01701234567";
    EXPECT_EQ(digitsKey, keys.Key("0170 1234567"));
    EXPECT_EQ(digitsKey, keys.Key("(0170) 123-45-67"));
    // International numbers still parse, and never meet a digits key.
    EXPECT_EQ("+491701234567", keys.Key("+49 170 1234567"));
    EXPECT_NE(keys.Key("+491701234567"), keys.Key("491701234567"));
    EXPECT_EQ(PhoneKeys::kDigitsPrefix, keys.Key("491701234567").front());
}

TEST(PhoneKeyTest, TextsThatAreNoIdentifier)
{
    const PhoneKeys keys("DE");
    for (const std::string& text :
         {std::string(), std::string("   "), std::string("abc"), std::string("12"), std::string("1234"),
          std::string("tel:"), std::string("+49"), std::string("n/a - ask 123"), Repeat('1', 21), Repeat('5', 40),
          "+49 170 1234567" + Repeat(' ', PhoneKeys::kMaxText)}) {
        SCOPED_TRACE(text);
        EXPECT_EQ("", keys.Key(text));
    }
}

TEST(PhoneKeyTest, DifferentNumbersDiffer)
{
    const PhoneKeys keys("DE");
    EXPECT_NE(keys.Key("0170 1234567"), keys.Key("0170 1234568"));
    EXPECT_NE(keys.Key("+49 170 1234567"), keys.Key("+43 170 1234567"));
    // An extension is another line of the same office.
    EXPECT_EQ("+49301234567;ext=12", keys.Key("030 1234567 ext. 12"));
    EXPECT_NE(keys.Key("030 1234567 ext. 12"), keys.Key("030 1234567 ext. 13"));
    EXPECT_NE(keys.Key("030 1234567 ext. 12"), keys.Key("030 1234567"));
}

TEST(PhoneKeyTest, TextsThatAreNoPhoneNumberGoByTheirDigits)
{
    const PhoneKeys keys("DE");
    // Not UTF-8: the library never sees it, its ASCII digits are the key.
    EXPECT_EQ("#01701234567", keys.Key("0170\xff 1234567"));
    for (const std::string& key : {keys.Key("0170 1234567"), keys.Key("0170\xff 1234567"), keys.Key("+4930123456")}) {
        ASSERT_FALSE(key.empty());
        EXPECT_TRUE(key.front() == '+' || key.front() == PhoneKeys::kDigitsPrefix) << key;
    }
}

namespace {

// Sets the locale variables for one test and puts back what was there.
class LocaleVariables
{
public:
    LocaleVariables()
    {
        for (size_t i = 0; i < 3; ++i)
            if (const char* value = std::getenv(kNames[i]))
                m_saved[i] = value;
    }
    ~LocaleVariables()
    {
        for (size_t i = 0; i < 3; ++i)
            Set(kNames[i], m_saved[i] ? m_saved[i]->c_str() : nullptr);
    }
    static void Set(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    static constexpr const char* kNames[3] = {"LC_ALL", "LC_TELEPHONE", "LANG"};

private:
    std::optional<std::string> m_saved[3];
};

} // namespace

TEST(PhoneKeyTest, DefaultRegionFromTheLocale)
{
    struct Case
    {
        const char* lcAll;
        const char* lcTelephone;
        const char* lang;
        const char* region;
    };
    const Case cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", "DE"},
        {nullptr, nullptr, "en_US", "US"},
        {nullptr, nullptr, "de_AT@euro", "AT"},
        {nullptr, nullptr, "sr_RS.UTF-8@latin", "RS"},
        {nullptr, nullptr, "C", "ZZ"},
        {nullptr, nullptr, "C.UTF-8", "ZZ"},
        {nullptr, nullptr, "POSIX", "ZZ"},
        {nullptr, nullptr, "de", "ZZ"},
        {nullptr, nullptr, nullptr, "ZZ"},
        {nullptr, "fr_CH.UTF-8", "de_DE.UTF-8", "CH"},
        {"it_IT.UTF-8", "fr_CH.UTF-8", "de_DE.UTF-8", "IT"},
        {"C", nullptr, "de_DE.UTF-8", "ZZ"}, // the first one set decides, as for the locale itself
        {"", "", "nl_BE.UTF-8", "BE"},       // an empty one is not set
        {nullptr, nullptr, "en_1X", "ZZ"},
    };
    const LocaleVariables restore;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + " " + (c.lcTelephone ? c.lcTelephone : "-") + " " +
                     (c.lang ? c.lang : "-"));
        LocaleVariables::Set("LC_ALL", c.lcAll);
        LocaleVariables::Set("LC_TELEPHONE", c.lcTelephone);
        LocaleVariables::Set("LANG", c.lang);
        EXPECT_EQ(c.region, DefaultPhoneRegion());
    }
}
