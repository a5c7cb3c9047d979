#include "helpers/vcard/VCardValue.h"

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

TEST(VCardValueTest, ConvertsCharacterSetsToUtf8)
{
    struct Case
    {
        std::string bytes;
        const char* charset;
        std::string text;
    };
    const std::string replacement = "\xEF\xBF\xBD";
    const Case cases[] = {
        // Latin-1 under its usual names, read as Windows-1252.
        {"M\xFCller", "ISO-8859-1", "M\xC3\xBCller"},
        {"Caf\xE9", "iso_8859-1", "Caf\xC3\xA9"},
        {"Caf\xE9", "Latin1", "Caf\xC3\xA9"},
        {"\x80 \x9F", "ISO8859-1", "\xE2\x82\xAC \xC5\xB8"},
        // Windows-1252: the table at 0x80 to 0x9F, its undefined bytes kept as controls, the rest as is.
        {"\x80\x85\x91\x92\x99", "windows-1252", "\xE2\x82\xAC\xE2\x80\xA6\xE2\x80\x98\xE2\x80\x99\xE2\x84\xA2"},
        {"\x81\x8D\x9D", "CP1252", "\xC2\x81\xC2\x8D\xC2\x9D"},
        {"\xA0\xFF", "Windows-1252", "\xC2\xA0\xC3\xBF"},
        // UTF-8 is kept, each malformed sequence becomes one replacement character.
        {"J\xC3\xBCrgen \xF0\x9F\x98\x80", "UTF-8", "J\xC3\xBCrgen \xF0\x9F\x98\x80"},
        {"a\xFF-b", "utf-8", "a" + replacement + "-b"},
        {"\xE2\x82 x", "UTF8", replacement + " x"},
        {"\xE2\x82", "UTF-8", replacement},
        {"\xC0\xAF", "UTF-8", replacement + replacement},                                     // overlong
        {"\xED\xA0\x80", "UTF-8", replacement + replacement + replacement},                   // surrogate
        {"\xF4\x90\x80\x80", "UTF-8", replacement + replacement + replacement + replacement}, // past U+10FFFF
        {"\xBC", "UTF-8", replacement},
        // Unknown: what reads as UTF-8 is kept.
        {"\xF0\xD2 ok \xC3\xA9", "KOI8-R", replacement + replacement + " ok \xC3\xA9"},
        // None (or US-ASCII): UTF-8 when the whole text is, Windows-1252 otherwise.
        {"J\xC3\xBCrgen", "", "J\xC3\xBCrgen"},
        {"J\xFCrgen \x80", "", "J\xC3\xBCrgen \xE2\x82\xAC"},
        {"\xC3\xBC \xFC", "", "\xC3\x83\xC2\xBC \xC3\xBC"},
        {"J\xFCrgen", "US-ASCII", "J\xC3\xBCrgen"},
        {"plain", "", "plain"},
        {"", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, CharsetToUtf8(c.bytes, c.charset)) << c.charset << ": " << c.bytes;
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
