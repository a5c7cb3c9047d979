#include "app/core/Base64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Encode(const std::string& bytes)
{
    char out[64];
    EXPECT_TRUE(Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out, sizeof out));
    return out;
}

std::string Decode(const char* text, size_t capacity = 64)
{
    unsigned char out[64];
    std::memset(out, 'x', sizeof out);
    size_t n = Base64Decode(text, out, capacity);
    EXPECT_EQ('\0', out[n]);
    return std::string(reinterpret_cast<char*>(out), n);
}

} // namespace

TEST(Base64Test, EncodesWithPaddingAndDecodesBack)
{
    struct Case
    {
        std::string plain;
        const char* encoded;
    };
    const Case cases[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"secret!", "c2VjcmV0IQ=="},
        {"\xff\xfe\xfd", "//79"},
        {"+>?", "Kz4/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoded);
        EXPECT_EQ(c.encoded, Encode(c.plain));
        EXPECT_EQ(c.plain, Decode(c.encoded));
    }
}

TEST(Base64Test, ForeignCharactersEndOnlyTheirGroup)
{
    struct Case
    {
        const char* text;
        std::string decoded;
    };
    const Case cases[] = {
        // "YW*j": two good characters complete one byte; the next group decodes as usual.
        {"YW*jYWJj", "aabc"},
        {"Y*==YWJj", "abc"},
        {"*WJjYQ==", "a"},
        {"YWJ", "ab"}, // a last group shorter than four characters
        {"Y", ""},
        {"YQ==YQ==", "aa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.decoded, Decode(c.text));
    }
}

TEST(Base64Test, DecodingNeverWritesPastTheBuffer)
{
    // 9 bytes encoded; only 4 fit with the terminator in a 5-byte buffer.
    EXPECT_EQ("abcd", Decode("YWJjZGVmZ2hp", 5));
    EXPECT_EQ("", Decode("YWJj", 1));
    EXPECT_EQ("", Decode(nullptr));
}

TEST(Base64Test, EncodingRefusesATooSmallBuffer)
{
    const unsigned char abc[] = {'a', 'b', 'c'};
    char out[4] = "zz";
    EXPECT_FALSE(Base64Encode(abc, 3, out, sizeof out));
    EXPECT_STREQ("", out);
    char fits[5];
    EXPECT_TRUE(Base64Encode(abc, 3, fits, sizeof fits));
    EXPECT_STREQ("YWJj", fits);
}
