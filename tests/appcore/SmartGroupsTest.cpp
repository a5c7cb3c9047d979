#include "app/core/SmartGroups.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

using Blocks = std::vector<std::pair<uint64_t, uint32_t>>;
using Pair = std::pair<uint32_t, uint32_t>;

std::vector<std::vector<uint32_t>> GroupsOf(const SmartGroups& groups)
{
    std::vector<std::vector<uint32_t>> out;
    for (const auto& g : groups.Groups()) {
        out.emplace_back();
        for (uint32_t i = g.first; i != SmartGroups::kNone; i = groups.NextMember(i))
            out.back().push_back(i);
    }
    return out;
}

// Agreement given as the list of agreeing pairs, recording every pair it was asked about.
struct PairAgreement
{
    std::set<Pair> agreeing;
    std::set<Pair>* asked;
    bool operator()(uint32_t i, uint32_t j) const
    {
        asked->insert({i, j});
        return agreeing.count({i, j}) || agreeing.count({j, i});
    }
};

Blocks OneBlock(uint32_t count)
{
    Blocks blocks;
    for (uint32_t i = 0; i < count; ++i)
        blocks.emplace_back(7, i);
    return blocks;
}

} // namespace

TEST(SmartGroupsTest, AgreeingPairsChainIntoGroupsInTheOrderOfTheirFirstRecords)
{
    struct Case
    {
        const char* what;
        uint32_t count;
        std::set<Pair> agreeing;
        std::vector<std::vector<uint32_t>> groups;
    };
    const Case cases[] = {
        {"nothing agrees", 4, {}, {}},
        {"one pair", 3, {{0, 2}}, {{0, 2}}},
        // 0 and 2 do not agree with each other, yet both agree with 1.
        {"agreement is not transitive, groups are", 3, {{0, 1}, {1, 2}}, {{0, 1, 2}}},
        {"joined from the far end", 4, {{2, 3}, {0, 3}}, {{0, 2, 3}}},
        // The second group is completed first but starts later: the groups follow their first records.
        {"a group that completes early but starts late", 11, {{1, 2}, {0, 10}}, {{0, 10}, {1, 2}}},
        {"two chains joined through a bridge", 6, {{0, 4}, {1, 5}, {4, 5}}, {{0, 1, 4, 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::set<Pair> asked;
        const SmartGroups groups(c.count, OneBlock(c.count), PairAgreement{c.agreeing, &asked});
        EXPECT_EQ(c.groups, GroupsOf(groups));
    }
}

TEST(SmartGroupsTest, OnlyRecordsSharingABlockAreCompared)
{
    // 0 and 1 share block 1, 1 and 2 share block 2 (1 sits in both), 3 is alone in block 3.
    const Blocks blocks = {{2, 2}, {1, 0}, {3, 3}, {1, 1}, {2, 1}};
    std::set<Pair> asked;
    const std::set<Pair> everything = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    const SmartGroups groups(4, blocks, PairAgreement{everything, &asked});
    EXPECT_EQ((std::set<Pair>{{0, 1}, {1, 2}}), asked);
    EXPECT_EQ((std::vector<std::vector<uint32_t>>{{0, 1, 2}}), GroupsOf(groups));
}

TEST(SmartGroupsTest, APairAlreadyInOneGroupIsNotAskedAgain)
{
    std::set<Pair> asked;
    const SmartGroups groups(3, OneBlock(3), PairAgreement{{{0, 1}, {1, 2}, {0, 2}}, &asked});
    // 0-1 and 0-2 join all three; 1-2 is never asked.
    EXPECT_EQ((std::set<Pair>{{0, 1}, {0, 2}}), asked);
    EXPECT_EQ((std::vector<std::vector<uint32_t>>{{0, 1, 2}}), GroupsOf(groups));
}

TEST(SmartGroupsTest, NoRecordsOrNoBlocksGiveNoGroups)
{
    std::set<Pair> asked;
    EXPECT_TRUE(SmartGroups(0, {}, PairAgreement{{}, &asked}).Groups().empty());
    EXPECT_TRUE(SmartGroups(5, {}, PairAgreement{{{0, 1}}, &asked}).Groups().empty());
    EXPECT_TRUE(asked.empty());
}
