#include "app/core/DuplicateRule.h"
#include "app/core/AppSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace {

class DuplicateRuleTest : public ::testing::Test
{
protected:
    void SetUp() override { AppSettings.CaseSensitive = false; }
    void TearDown() override { AppSettings.CaseSensitive = false; }
};

TEST_F(DuplicateRuleTest, CompareTextFollowsTheCaseSetting)
{
    struct Case
    {
        const char* a;
        const char* b;
        bool equalIgnoringCase;
        bool equalWithCase;
    };
    const Case cases[] = {
        {"", "", true, true},
        {"Anna Berg", "Anna Berg", true, true},
        {"anna berg", "ANNA BERG", true, false},
        {"a@x.org", "A@X.ORG", true, false},
        {"abc", "abd", false, false},
        {"abc", "abcd", false, false},
        {"abcd", "abc", false, false},
        {"", "a", false, false},
        {"a b", "ab", false, false},
        // The C library's mapping leaves bytes above 127 alone in the "C" locale the tests run in.
        {"\xe9", "\xc9", false, false},
        {"1-2_3", "1-2_3", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.a + "\" vs \"" + c.b + "\"");
        AppSettings.CaseSensitive = false;
        EXPECT_EQ(c.equalIgnoringCase, CompareText(c.a, c.b) == 0);
        EXPECT_EQ(c.equalIgnoringCase, CompareText(c.b, c.a) == 0);
        AppSettings.CaseSensitive = true;
        EXPECT_EQ(c.equalWithCase, CompareText(c.a, c.b) == 0);
        EXPECT_EQ(c.equalWithCase, CompareText(c.b, c.a) == 0);
    }
}

TEST_F(DuplicateRuleTest, CompareTextReadsAMissingTextAsEmpty)
{
    EXPECT_EQ(0, CompareText(nullptr, ""));
    EXPECT_EQ(0, CompareText("", nullptr));
    EXPECT_EQ(0, CompareText(nullptr, nullptr));
    EXPECT_NE(0, CompareText(nullptr, "a"));
    EXPECT_NE(0, CompareTextN("a", nullptr, 4));
}

TEST_F(DuplicateRuleTest, CompareTextNStopsAtTheCapacity)
{
    // Exactly sized heap blocks without terminators: a read past the capacity is an overflow the
    // sanitizer build reports.
    std::unique_ptr<char[]> a(new char[4]);
    std::unique_ptr<char[]> b(new char[4]);
    std::memcpy(a.get(), "abcd", 4);
    std::memcpy(b.get(), "ABCD", 4);
    EXPECT_EQ(0, CompareTextN(a.get(), b.get(), 4));
    AppSettings.CaseSensitive = true;
    EXPECT_NE(0, CompareTextN(a.get(), b.get(), 4));
    std::memcpy(b.get(), "abcd", 4);
    EXPECT_EQ(0, CompareTextN(a.get(), b.get(), 4));
    b[3] = 'x';
    EXPECT_NE(0, CompareTextN(a.get(), b.get(), 4));
    // Only the first capacity bytes count.
    EXPECT_EQ(0, CompareTextN("abcX", "abcY", 3));
    EXPECT_EQ(0, CompareTextN("X", "Y", 0));
    // A terminator inside the capacity ends the text; what lies behind it does not count.
    EXPECT_EQ(0, CompareTextN("ab\0c", "ab\0d", 4));
}

TEST_F(DuplicateRuleTest, IsZeroTimeExcludesBothBounds)
{
    struct Case
    {
        double value;
        bool zero;
    };
    const Case cases[] = {
        {0.0, true},
        {-0.0, true},
        {std::nextafter(0.00001, 0.0), true},
        {std::nextafter(-0.00001, 0.0), true},
        {0.00001, false},
        {-0.00001, false},
        {std::numeric_limits<double>::denorm_min(), true},
        {1.0 / 86400, false}, // one second past the epoch
        {45000.5, false},
        {-1.0, false},
        {std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.zero, IsZeroTime(c.value));
    }
}

TEST_F(DuplicateRuleTest, RuleMatchAgreesOnlyWithEvidence)
{
    {
        SCOPED_TRACE("empty texts agree but prove nothing");
        CxRuleMatch m;
        char a[8] = "", b[8] = "";
        EXPECT_TRUE(m.Text(a, b));
        EXPECT_FALSE(m.HasEvidence());
    }
    {
        SCOPED_TRACE("equal texts differing in case are evidence when case is ignored");
        CxRuleMatch m;
        char a[8] = "Anna", b[8] = "ANNA";
        EXPECT_TRUE(m.Text(a, b));
        EXPECT_TRUE(m.HasEvidence());
    }
    {
        SCOPED_TRACE("a difference is no evidence");
        CxRuleMatch m;
        char a[8] = "Anna", b[8] = "Bert";
        EXPECT_FALSE(m.Text(a, b));
        EXPECT_FALSE(m.HasEvidence());
    }
    {
        SCOPED_TRACE("evidence stays once found");
        CxRuleMatch m;
        EXPECT_TRUE(m.Text("x", "x", 2));
        EXPECT_TRUE(m.Text("", "", 2));
        EXPECT_TRUE(m.Date(0.0, 0.0));
        EXPECT_TRUE(m.HasEvidence());
    }
    {
        SCOPED_TRACE("unset dates agree but prove nothing");
        CxRuleMatch m;
        EXPECT_TRUE(m.Date(0.0, 0.0));
        EXPECT_TRUE(m.Date(0.000001, 0.000001));
        EXPECT_FALSE(m.HasEvidence());
    }
    {
        SCOPED_TRACE("dates are compared exactly");
        CxRuleMatch m;
        EXPECT_FALSE(m.Date(0.0, 0.000001));
        EXPECT_FALSE(m.Date(45000.5, std::nextafter(45000.5, 0.0)));
        EXPECT_FALSE(m.HasEvidence());
        EXPECT_TRUE(m.Date(45000.5, 45000.5));
        EXPECT_TRUE(m.HasEvidence());
    }
    {
        SCOPED_TRACE("a field full to its capacity");
        CxRuleMatch m;
        char a[3] = {'a', 'b', 'c'}, b[3] = {'A', 'B', 'C'};
        EXPECT_TRUE(m.Text(a, b));
        EXPECT_TRUE(m.HasEvidence());
    }
}

TEST_F(DuplicateRuleTest, RuleMatchTextFollowsTheCaseSetting)
{
    AppSettings.CaseSensitive = true;
    CxRuleMatch m;
    EXPECT_FALSE(m.Text("Anna", "ANNA", 8));
    EXPECT_TRUE(m.Text("Anna", "Anna", 8));
    EXPECT_TRUE(m.HasEvidence());
}

} // namespace
