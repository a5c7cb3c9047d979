#include "app/core/SmartText.h"

#include "common/platform/Platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Same
{
    std::string a;
    std::string b;
};

struct Expect
{
    std::string input;
    std::string normal;
};

} // namespace

TEST(SmartTextTest, NamesAPersonCallsTheSameNormaliseAlike)
{
    const Same cases[] = {
        {"José", "JOSE"},
        {"Jose\u0301", "José"}, // decomposed accent against the precomposed letter
        {"Straße", "STRASSE"},  // full case folding: ß is "ss"
        {"Müller", "MULLER"},
        {"Ærøskøbing", "ærøskobing"},
        {"İstanbul", "ISTANBUL"}, // Turkish dotted capital I folds to i with a dot, which goes
        {"Işık", "ISIK"},         // and the dotless ı is written as i
        {"Łukasz Wałęsa", "Lukasz Walesa"},
        {"Đorđe", "DORDE"},
        {"Ǆemal", "ǅemal"},       // titlecase and uppercase of one digraph letter
        {"ΟΔΥΣΣΕΥΣ", "Οδυσσεύς"}, // Greek final sigma and tonos
        {"Ἀθῆναι", "ΑΘΗΝΑΙ"},
        {"John\u00a0Doe", "john doe"}, // no-break space
        {"John\tDoe", "John Doe"},
        {"John  \n Doe", "John Doe"},
        {"\u3000John\u2003Doe\u2029", "John Doe"}, // ideographic, em and paragraph separators
        {"John Doe.", "John Doe"},
        {"\"John Doe\"", "John Doe"},
        {"«Jean Dupont»", "jean dupont"},
        {"¿Qué pasa?", "que pasa"},
        {"Doe, John", "John Doe"},
        {"Doe ,John", "John Doe"},
        {"Doe., John", "John Doe"},
        {"Müller, Jürgen", "Jurgen Muller"},
        {"Team meeting!!", "team meeting"},
    };
    for (const Same& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_EQ(NormalizeName(c.a), NormalizeName(c.b));
        EXPECT_FALSE(NormalizeName(c.a).empty());
    }
}

TEST(SmartTextTest, NamesThatDifferStayApart)
{
    const Same cases[] = {
        {"John Doe", "Jon Doe"}, {"Anne-Marie", "Annemarie"},        // the hyphen inside is kept
        {"O'Brien", "OBrien"},   {"Doe, John, Jr.", "John Doe Jr."}, // two commas: not read as "Last, First"
        {"Zoë", "Zoey"},         {"$100", "100"},                    // a symbol is not punctuation
    };
    for (const Same& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_NE(NormalizeName(c.a), NormalizeName(c.b));
    }
}

TEST(SmartTextTest, NormalFormsOfNames)
{
    const Expect cases[] = {
        {"", ""},
        {"   ", ""},
        {"...", ""},
        {"\t\"  \"\n", ""},
        {"JOHN DOE", "john doe"},
        {"  John   Doe  ", "john doe"},
        {"Doe, John", "john doe"},
        {"Doe,John", "john doe"},
        {"Doe, John.", "john doe"},
        {", John", "john"}, // empty side: ends trimmed, nothing turned
        {"Doe,", "doe"},    // the comma is punctuation at the end
        {"Doe, , John", "doe, , john"},
        {"Doe, John, Jr.", "doe, john, jr"},
        {"Straße", "strasse"},
        {"ΣΊΣΥΦΟΣ", "σισυφοσ"},
        {"Crème Brûlée", "creme brulee"},
        {"Ǆemal", "ǆemal"}, // a letter of its own: only its case folds
        {"ﬁne", "fine"},    // ligature folded to two letters
        {"Ångström", "angstrom"},
        {"\u212bngstr\u00f6m", "angstrom"}, // the ångström sign
        {"$100", "$100"},
        {"A+", "a+"},
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(c.normal, NormalizeName(c.input));
    }
}

TEST(SmartTextTest, AsciiShortcutAgreesWithTheUnicodePath)
{
    std::vector<std::string> inputs = {"",        " ",         "John Doe", "  DOE,  John. ", "\"Quoted\"", "a,b,c",
                                       "x\ty\nz", "(555) 123", "#tag!",    "_under_",        "{braces}",   "\x01\x7f"};
    // Every ASCII character alone and between two letters.
    for (int c = 0; c < 128; ++c) {
        inputs.push_back(std::string(1, static_cast<char>(c)));
        inputs.push_back(std::string("a") + static_cast<char>(c) + "B");
    }
    for (const std::string& input : inputs) {
        SCOPED_TRACE(testing::PrintToString(input));
        EXPECT_EQ(smarttext_detail::NormalizeNameUnicode(input), NormalizeName(input));
    }
}

TEST(SmartTextTest, InvalidUtf8IsComparedByteWise)
{
    const Expect cases[] = {
        {"Jos\xc3", "Jos\xc3"},                               // cut short
        {"  Jos\xc3  X ", "Jos\xc3 X"},                       // ASCII blanks collapsed and trimmed
        {"\xc0\xafJOHN", "\xc0\xafJOHN"},                     // overlong '/': kept, and nothing folded
        {"\x80 John\t\tDoe.", "\x80 John Doe."},              // lone continuation byte
        {"\xed\xa0\x80 Doe, John", "\xed\xa0\x80 Doe, John"}, // encoded surrogate
        {"\xf4\x90\x80\x80", "\xf4\x90\x80\x80"},             // beyond U+10FFFF
        {"Jos\xc3\xa9\xff", "Jos\xc3\xa9\xff"},               // valid é, then a byte that never is
        {"\xc2\xa0\xff", "\xc2\xa0\xff"},                     // NBSP is not ASCII whitespace
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.input));
        EXPECT_FALSE(platform::IsValidUtf8(c.input));
        EXPECT_EQ(c.normal, NormalizeName(c.input));
    }
    // Byte-wise: the same letters with other broken bytes differ.
    EXPECT_NE(NormalizeName("John\xff"), NormalizeName("John\xfe"));
    EXPECT_NE(NormalizeName("JOHN\xff"), NormalizeName("john\xff"));
}

TEST(SmartTextTest, VeryLongInput)
{
    std::string longName;
    std::string expected;
    while (longName.size() < 10 * 1024) {
        longName += "ÉLODIE  Straße\t";
        expected += "elodie strasse ";
    }
    expected.pop_back();
    EXPECT_EQ(expected, NormalizeName(longName));

    std::string broken(10 * 1024, 'A');
    broken[5000] = '\xff';
    EXPECT_EQ(broken, NormalizeName(broken));
}

TEST(SmartTextTest, NormalFormIsStableAndValidForEveryCodePoint)
{
    // Each code point alone, and runs of them between letters (where they meet their neighbours in the
    // normal forms): normalising the normal form changes nothing, and it is valid UTF-8. Surrogates are
    // not characters and cannot be encoded; past the supplementary ideographs a sample does.
    auto check = [](const std::string& input, char32_t c) {
        const std::string once = NormalizeName(input);
        ASSERT_TRUE(platform::IsValidUtf8(once)) << "U+" << std::hex << static_cast<uint32_t>(c);
        ASSERT_EQ(once, NormalizeName(once)) << "U+" << std::hex << static_cast<uint32_t>(c);
    };
    std::string run;
    for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x30000 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        std::string alone;
        platform::AppendUtf8(alone, c);
        ASSERT_NO_FATAL_FAILURE(check(alone, c));
        run += "X" + alone + "y, ";
        if (c % 64 == 0) {
            ASSERT_NO_FATAL_FAILURE(check(run, c));
            run.clear();
        }
    }
}

TEST(SmartTextTest, NameFromItsParts)
{
    struct Parts
    {
        const char* first;
        const char* middle;
        const char* last;
        const char* normal;
    };
    const Parts cases[] = {
        {"John", "", "Doe", "john doe"}, {"John", "Quincy", "Adams", "john quincy adams"}, {"", "", "Doe", "doe"},
        {"José", "", "", "jose"},        {" Anne ", " ", "\tSmith ", "anne smith"},        {"", "", "", ""},
    };
    for (const Parts& c : cases) {
        SCOPED_TRACE(std::string(c.first) + "|" + c.middle + "|" + c.last);
        EXPECT_EQ(c.normal, NormalizeNameParts(c.first, c.middle, c.last));
    }
    // The parts meet the display name a person would have typed for them.
    EXPECT_EQ(NormalizeName("Doe, Jürgen"), NormalizeNameParts("Jurgen", "", "DOE"));
}

TEST(SmartTextTest, EmailKeys)
{
    const Expect cases[] = {
        {"john@example.com", "john@example.com"},
        {"  John.Doe@Example.COM \t", "john.doe@example.com"},
        {"mailto:john@example.com", "john@example.com"},
        {"MAILTO:John@Example.com", "john@example.com"},
        {"MailTo: john@example.com", "john@example.com"},
        {"JÖRG@BEISPIEL.DE", "jörg@beispiel.de"}, // case-folded, accents kept
        {"Straße@example.de", "strasse@example.de"},
        {"a@b", "a@b"},
        {"\"a@b\"@example.com", "\"a@b\"@example.com"},
        {"", ""},
        {"   ", ""},
        {"john", ""},
        {"john@", ""},
        {"@example.com", ""},
        {"@", ""},
        {"mailto:", ""},
        {"mailto:@x", ""},
        {"JOHN\xff@EXAMPLE.COM", "john\xff@example.com"}, // not UTF-8: ASCII letters folded only
    };
    for (const Expect& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.input));
        EXPECT_EQ(c.normal, EmailKey(c.input));
    }
    EXPECT_NE(EmailKey("john@example.com"), EmailKey("jon@example.com"));
}
