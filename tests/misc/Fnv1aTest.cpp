#include "common/misc/Fnv1a.h"

#include <gtest/gtest.h>

#include <string>

// The published FNV-1a vectors, and that hashing piece by piece equals hashing the whole: the
// helpers store these values in data files, so they must never drift.
TEST(Fnv1aTest, GivesThePublishedValuesWholeOrInPieces)
{
    EXPECT_EQ(kFnv1a32Basis, Fnv1a32(""));
    EXPECT_EQ(0xe40c292cu, Fnv1a32("a"));
    EXPECT_EQ(0xbf9cf968u, Fnv1a32("foobar"));
    EXPECT_EQ(kFnv1a64Basis, Fnv1a64(""));
    EXPECT_EQ(0xaf63dc4c8601ec8cull, Fnv1a64("a"));
    EXPECT_EQ(0x85944171f73967e8ull, Fnv1a64("foobar"));

    EXPECT_EQ(Fnv1a32("foobar"), Fnv1a32("bar", Fnv1a32("foo")));
    EXPECT_EQ(Fnv1a64("foobar"), Fnv1a64("bar", Fnv1a64("foo")));
    const std::string bytes("a\0b", 3);
    EXPECT_NE(Fnv1a64("ab"), Fnv1a64(bytes)) << "a zero byte is hashed like any other";
}
