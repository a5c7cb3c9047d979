#include "helpers/account/ItemIdentity.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

TEST(ItemIdentityTest, NearbyNamesGetDifferentIdentities)
{
    // Names as a synchronised folder has them: long, alike, differing in one place.
    std::set<std::pair<int32_t, int32_t>> seen;
    std::set<int32_t> firsts;
    std::set<int32_t> seconds;
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "task-" + std::to_string(i) + ".ics";
        const ItemIdentity id = IdentityOfName(name);
        EXPECT_NE(id.first, id.second) << name;
        seen.insert({id.first, id.second});
        firsts.insert(id.first);
        seconds.insert(id.second);
    }
    EXPECT_EQ(2000u, seen.size());
    EXPECT_EQ(2000u, firsts.size());
    EXPECT_EQ(2000u, seconds.size());
    const ItemIdentity a = IdentityOfName("a.ics");
    const ItemIdentity b = IdentityOfName("a.ics");
    EXPECT_EQ(a.first, b.first);
    EXPECT_EQ(a.second, b.second);
}

TEST(ItemIdentityTest, AFileIsFoundOnlyWhenBothHashesMatchOneName)
{
    const std::vector<std::string> names = {"a.ics", "b.ics", "c.ics", "b.ics"};
    const ItemIdentity a = IdentityOfName("a.ics");
    struct Case
    {
        const char* what;
        ItemIdentity identity;
        IdentityMatch match;
        const char* name;
    };
    const Case cases[] = {
        {"exact", a, IdentityMatch::Found, "a.ics"},
        {"first hash only", {a.first, a.second + 1}, IdentityMatch::None, ""},
        {"second hash only", {a.first ^ 1, a.second}, IdentityMatch::None, ""},
        {"absent", IdentityOfName("z.ics"), IdentityMatch::None, ""},
        {"twice", IdentityOfName("b.ics"), IdentityMatch::Several, ""},
        {"head values of zero", {0, 0}, IdentityMatch::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "stale";
        EXPECT_EQ(c.match, FindByIdentity(names, c.identity, name));
        EXPECT_EQ(c.name, name);
    }
}
