#include "helpers/vcard/VCardLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string ParamsText(const VCardProperty& property)
{
    std::string text;
    for (const VCardParam& param : property.params)
        text += (text.empty() ? "" : "|") + param.name + "=" + param.value;
    return text;
}

TEST(VCardLineTest, UnfoldsAndCountsPhysicalLines)
{
    const std::string text = "A:1\r\n"
                             "B:2\n"
                             "  x\r"
                             "C;ENCODING=QUOTED-PRINTABLE:a=\r\n"
                             "b=\r\n"
                             " c\n"
                             "D:=\n"
                             "F;ENCODING=\r\n"
                             " QUOTED-PRINTABLE:x=\r\n"
                             "y\r\n"
                             "\r\n"
                             "G;X=\"a\r\n"
                             " :b\";QUOTED-PRINTABLE\r\n"
                             " :c=\r\n"
                             "d\n"
                             "E:4=";
    const std::vector<VCardLine> expected = {
        {"A:1", 1},
        {"B:2 x", 2},                            // one blank of the fold dropped, the other is text
        {"C;ENCODING=QUOTED-PRINTABLE:ab c", 4}, // soft breaks: the next line is taken as it stands
        {"D:=", 7},                              // not quoted-printable: "=" is text
        {"F;ENCODING=QUOTED-PRINTABLE:xy", 8},   // the encoding was folded onto the next line
        {"", 11},
        {"G;X=\"a:b\";QUOTED-PRINTABLE:cd", 12}, // a colon in quotes, folded apart from them, ends no head
        {"E:4=", 16},
    };
    const std::vector<VCardLine> lines = UnfoldVCardLines(text);
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(expected[i].text, lines[i].text) << i;
        EXPECT_EQ(expected[i].number, lines[i].number) << i;
    }
}

// CR CR LF is one line end, also under a fold and a soft break; CRs without an LF each end a line.
TEST(VCardLineTest, CrCrLfIsOneLineEnd)
{
    const std::string text = "A:1\r\r\n"
                             "B:2\r\r\n"
                             " x\r\r\n"
                             "C;QUOTED-PRINTABLE:a=\r\r\n"
                             "b\r\r\n"
                             "\r\r\n"
                             "D:4\r\r"
                             "E:5\r\r\r\n"
                             "F:6";
    const std::vector<VCardLine> expected = {
        {"A:1", 1}, {"B:2x", 2}, {"C;QUOTED-PRINTABLE:ab", 4}, {"", 6}, {"D:4", 7}, {"", 8}, {"E:5", 9}, {"F:6", 10},
    };
    const std::vector<VCardLine> lines = UnfoldVCardLines(text);
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(expected[i].text, lines[i].text) << i;
        EXPECT_EQ(expected[i].number, lines[i].number) << i;
    }
}

TEST(VCardLineTest, SplitsAContentLine)
{
    struct Case
    {
        std::string line;
        bool parsed;
        std::string group;
        std::string name;
        std::string params;
        std::string value;
    };
    const Case cases[] = {
        {"item1.EMAIL;TYPE=INTERNET:a@b", true, "item1", "EMAIL", "TYPE=INTERNET", "a@b"},
        {"a.b.X-ABLabel:x", true, "a.b", "X-ABLABEL", "", "x"},
        {"fn:Ann", true, "", "FN", "", "Ann"},
        {"TEL;WORK;VOICE:+1", true, "", "TEL", "TYPE=WORK|TYPE=VOICE", "+1"},
        {"NOTE;QUOTED-PRINTABLE;charset=UTF-8:x", true, "", "NOTE", "ENCODING=QUOTED-PRINTABLE|CHARSET=UTF-8", "x"},
        {"TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1", true, "", "TEL", "VALUE=uri|TYPE=work,voice|PREF=1",
         "tel:+1"},
        {"ADR;LABEL=\"a;b:c^nd^'e^^\":;;x", true, "", "ADR", "LABEL=a;b:c\nd\"e^", ";;x"},
        {"EMAIL;;TYPE=home;:x:y", true, "", "EMAIL", "TYPE=home", "x:y"},
        {"no colon", false, "", "", "", ""},
        {"TEL;TYPE=\"x:y", false, "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        VCardProperty property;
        ASSERT_EQ(c.parsed, ParseVCardLine({c.line, 9}, property));
        if (!c.parsed)
            continue;
        EXPECT_EQ(c.group, property.group);
        EXPECT_EQ(c.name, property.name);
        EXPECT_EQ(c.params, ParamsText(property));
        EXPECT_EQ(c.value, property.value);
        EXPECT_EQ(9, property.line);
    }
}

TEST(VCardLineTest, ReadsTypesPreferenceAndEncoding)
{
    struct Case
    {
        std::string line;
        std::vector<std::string> types;
        int rank;
        bool quotedPrintable;
    };
    const Case cases[] = {
        {"EMAIL:x", {}, -1, false},
        {"EMAIL;PREF:x", {"pref"}, 1, false},
        {"EMAIL;TYPE=work, Pref:x", {"work", "pref"}, 1, false},
        {"EMAIL;PREF=3:x", {}, 3, false},
        {"EMAIL;TYPE=PREF;PREF=3:x", {"pref"}, 1, false},
        {"EMAIL;PREF=2;PREF=1:x", {}, 1, false},
        {"EMAIL;PREF=abc:x", {}, 100, false},
        {"NOTE;ENCODING=quoted-printable;TYPE=,,home:x", {"home"}, -1, true},
        {"NOTE;QUOTED-PRINTABLE:x", {}, -1, true},
        {"NOTE;X-ENCODING=QUOTED-PRINTABLE:x", {}, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        VCardProperty property;
        ASSERT_TRUE(ParseVCardLine({c.line, 1}, property));
        EXPECT_EQ(c.types, property.Types());
        EXPECT_EQ(c.rank, property.PrefRank());
        EXPECT_EQ(c.quotedPrintable, property.IsQuotedPrintable());
    }
}

} // namespace
