#include "common/misc/Utf8Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Utf8TextTest, CutsOnlyBetweenWholeCharacters)
{
    struct Case
    {
        const char* text;
        size_t capacity;
        const char* expected;
    };
    // "é" is two bytes, "€" three.
    const Case cases[] = {
        {"abc", 8, "abc"},
        {"abcdef", 4, "abc"},
        {"ab\xC3\xA9", 4, "ab"},         // the cut would split é
        {"ab\xC3\xA9", 5, "ab\xC3\xA9"}, // é fits exactly
        {"a\xE2\x82\xAC", 3, "a"},       // € cut after its first byte
        {"a\xE2\x82\xAC", 4, "a"},       // € cut after its second byte
        {"\xE2\x82\xAC\xE2\x82\xAC", 6, "\xE2\x82\xAC"},
        {"", 1, ""},
    };
    for (const Case& c : cases) {
        char field[16];
        std::memset(field, 'x', sizeof field);
        const size_t copied = CopyUtf8(field, c.capacity, c.text);
        EXPECT_STREQ(c.expected, field) << c.text << " into " << c.capacity;
        EXPECT_EQ(std::strlen(c.expected), copied);
        EXPECT_EQ('x', field[c.capacity]) << "wrote past the capacity";
    }
}

TEST(Utf8TextTest, NothingIsWrittenIntoAFieldWithoutRoom)
{
    char field[2] = {'x', 'x'};
    EXPECT_EQ(0u, CopyUtf8(field, 0, "abc"));
    EXPECT_EQ('x', field[0]);
}
