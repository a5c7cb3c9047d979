#include "common/misc/CSV.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Items(const CSV& csv)
{
    std::vector<std::string> items;
    for (uint32_t i = 0; i < csv.GetCount(); ++i)
        items.emplace_back(csv.GetItem(i));
    return items;
}

} // namespace

TEST(CSVTest, SplitsLines)
{
    struct Case
    {
        const char* line;
        bool quoted;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"SU,MO,TU", false, {"SU", "MO", "TU"}},
        {"SU", false, {"SU"}},
        {"a,", false, {"a", ""}},
        {"a,,b", false, {"a", "", "b"}},
        {",", false, {"", ""}},
        {" a , b ", false, {" a ", " b "}},
        {"\"a,b\",c", false, {"\"a", "b\"", "c"}}, // plain mode knows no quotes
        {"\"a,b\",\"c\"", true, {"a,b", "c"}},
        {"\"x\"\"y\",\"\"", true, {"x\"\"y", ""}}, // doubled quotes stay doubled
        {"\"ab\",", true, {"ab", ""}},
        {"abc", true, {"b"}},         // the first and last character go, quotes or not
        {"x,\",\"", true, {"", ","}}, // a one-character field has nothing between its ends
        {"\"a,b", true, {"a,"}},      // an unclosed quote swallows the rest of the line
        {",,", true, {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + (c.quoted ? " (quoted)" : " (plain)"));
        CSV csv(c.line, c.quoted);
        EXPECT_EQ(c.items.size(), csv.GetCount());
        EXPECT_EQ(c.items, Items(csv));
        EXPECT_STREQ("", csv.GetItem(csv.GetCount()));
    }
}

TEST(CSVTest, EmptyInputGivesNoFields)
{
    for (const char* line : {static_cast<const char*>(nullptr), ""}) {
        SCOPED_TRACE(line ? "empty" : "null");
        CSV csv(line);
        EXPECT_EQ(0u, csv.GetCount());
        EXPECT_STREQ("", csv.GetItem(0));
        EXPECT_FALSE(csv.Parse(line));
    }
}

TEST(CSVTest, ParseReplacesAndClearEmpties)
{
    CSV csv("a,b,c");
    ASSERT_EQ(3u, csv.GetCount());
    EXPECT_TRUE(csv.Parse("x,y"));
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), Items(csv));

    EXPECT_FALSE(csv.Parse(""));
    EXPECT_EQ(0u, csv.GetCount()) << "a refused line leaves nothing of the previous one";

    ASSERT_TRUE(csv.Parse("p,q"));
    csv.Clear();
    EXPECT_EQ(0u, csv.GetCount());
    EXPECT_STREQ("", csv.GetItem(0));
}

TEST(CSVTest, FieldsAreCopiesOfTheLine)
{
    std::string line = "MO,TU";
    CSV csv(line.c_str());
    line = "XX,YY";
    EXPECT_EQ((std::vector<std::string>{"MO", "TU"}), Items(csv));
}
