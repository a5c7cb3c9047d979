#include "helpers/VCardValue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(VCardValueTest, DecodesQuotedPrintable)
{
    const std::pair<std::string, std::string> cases[] = {
        {"M=C3=BCller", "M\xC3\xBCller"},
        {"a=0D=0Ab", "a\r\nb"},
        {"=3d=3D", "=="},
        {"50=", "50="},   // too short to be an escape
        {"a=4", "a=4"},   // cut at the end of the text
        {"=G1x", "=G1x"}, // not hex
        {"", ""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, DecodeQuotedPrintable(text)) << text;
}

TEST(VCardValueTest, UnescapesOnlyTheKnownEscapes)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\\nb\\Nc", "a\nb\nc"}, {"\\,\\;\\:\\\\", ",;:\\"}, {"C:\\temp", "C:\\temp"},
        {"end\\", "end\\"},       {"\\\\n", "\\n"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, UnescapeVCardText(text)) << text;
}

TEST(VCardValueTest, SplitsOnlyAtUnescapedSeparators)
{
    struct Case
    {
        std::string text;
        char separator;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {";;Main St;Town;;12345;", ';', {"", "", "Main St", "Town", "", "12345", ""}},
        {"O\\;Brien;Pat", ';', {"O;Brien", "Pat"}},
        {"a\\\\;b", ';', {"a\\", "b"}},
        {"Work\\, old,Golf", ',', {"Work, old", "Golf"}},
        {"a;b,c", ',', {"a;b", "c"}},
        {"", ',', {""}},
        {"x\\", ';', {"x\\"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.parts, SplitVCardValue(c.text, c.separator)) << c.text;
}

} // namespace
