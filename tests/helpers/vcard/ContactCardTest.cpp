#include "helpers/vcard/ContactCard.h"

#include "common/google/records/GAddrRecord.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Ids for the record fields the field table does not number.
constexpr int32_t kCategory = 1001;

// Two hours east of UTC all year, so a converted "Z" time shows and no daylight saving interferes.
constexpr const char* kTestZone = "XXX-2";

std::string DateText(double value, bool withTime)
{
    platform::SystemTime st{};
    if (!VariantTimeToSystemTime(value, &st))
        return "unreadable";
    char text[32];
    if (withTime)
        FormatText(text, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                   st.wSecond);
    else
        FormatText(text, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
    return text;
}

// A field as the app reaches it, through the record's own accessors: a typed field is the first slot
// with its code. Dates read "yyyy-mm-dd", time stamps "yyyy-mm-dd hh:mm:ss"; absent fields are empty.
std::string FieldOf(const GAddrRecord& r, int32_t id)
{
    if (id == kCategory)
        return r.szCategory;
    if (id >= 81 && id <= 83) {
        const double* pDate = LookUpSlot(GetDateSlot, &r, id);
        return pDate ? DateText(*pDate, false) : "";
    }
    if (id == 91 || id == 92) {
        const double value = id == 91 ? r.dtCreated : r.dtModified;
        return value == 0 ? "" : DateText(value, true);
    }
    return GetFieldText(&r, id);
}

std::string FieldName(int32_t id)
{
    GAddrFieldInfo info{};
    return id == kCategory ? "Category" : FindFieldInfo(id, &info) ? info.szName : "id " + std::to_string(id);
}

struct Field
{
    int32_t id;
    std::string text;
};

// Every field the record offers, listed or not: a field a case does not list must stay empty.
void ExpectFields(const GAddrRecord& r, const std::vector<Field>& expected)
{
    std::map<int32_t, std::string> want;
    for (const Field& field : expected)
        want[field.id] = field.text;
    std::vector<int32_t> ids{kCategory};
    for (size_t i = 0; i < kAddrFieldCount; ++i)
        ids.push_back(GetAddrFieldTable()[i].nId);
    for (int32_t id : ids)
        EXPECT_EQ(want[id], FieldOf(r, id)) << FieldName(id);
}

struct Case
{
    const char* name;
    std::string card;
    bool read;
    std::string problem;
    std::vector<Field> fields;
};

void RunCase(const Case& c)
{
    SCOPED_TRACE(c.name);
    auto record = Zeroed<GAddrRecord>();
    std::string problem = "left over";
    EXPECT_EQ(c.read, ReadContactCard(c.card, *record, problem));
    EXPECT_EQ(c.problem, problem);
    ExpectFields(*record, c.fields);
}

// Cards are written with "\n"; WithEndings gives them the line ends a file would have.
std::string WithEndings(std::string card, std::string_view ending)
{
    std::string result;
    for (char c : card) {
        if (c == '\n')
            result += ending;
        else
            result += c;
    }
    return result;
}

class ContactCardTest : public ::testing::Test
{
protected:
    ScopedTz m_tz{kTestZone};
};

TEST_F(ContactCardTest, ReadsTheCardsAddressBooksExport)
{
    const Case cases[] = {
        {"grouped values with labels, escaped colon in a URL",
         "BEGIN:VCARD\n"
         "VERSION:3.0\n"
         "FN:Ann Example\n"
         "N:Example;Ann;;;\n"
         "EMAIL;TYPE=INTERNET;TYPE=HOME:ann@home.example\n"
         "item1.EMAIL;TYPE=INTERNET:ann@work.example\n"
         "item1.X-ABLabel:Work\n"
         "TEL;TYPE=CELL:+1 555 0100\n"
         "item2.URL:http\\://blog.example.com/ann\n"
         "item2.X-ABLabel:BLOG\n"
         "item3.X-ABRELATEDNAMES:Bob Example\n"
         "item3.X-ABLabel:_$!<Spouse>!$_\n"
         "ORG:Example Corp;Research\n"
         "TITLE:Engineer\n"
         "BDAY:1985-04-12\n"
         "X-GTALK:ann.example@gmail.example\n"
         "CATEGORIES:myContacts,Friends\n"
         "NOTE:Met at the conference\\nin Berlin\n"
         "END:VCARD\n",
         true,
         "",
         {{1, "Ann"},
          {3, "Example"},
          {4, "Ann Example"},
          {6, "Example Corp"},
          {7, "Engineer"},
          {8, "ann@home.example"},
          {9, "ann@work.example"},
          {11, "ann@home.example"},
          {38, "+1 555 0100"},
          {43, "+1 555 0100"},
          {48, "http://blog.example.com/ann"},
          {51, "http://blog.example.com/ann"},
          {52, "ann.example@gmail.example"},
          {60, "ann.example@gmail.example"},
          {81, "1985-04-12"},
          {84, "Bob Example"},
          {90, "Met at the conference\nin Berlin"},
          {kCategory, "myContacts,Friends"}}},
        {"lower-case type=pref, decorated labels, a date without year",
         "BEGIN:VCARD\r\n"
         "VERSION:3.0\r\n"
         "PRODID:-//Example//Phone 17.0//EN\r\n"
         "N:Appleseed;Johnny;Q.;Mr.;Jr.\r\n"
         "FN:Johnny Appleseed\r\n"
         "NICKNAME:Jay\r\n"
         "ORG:Orchard Ltd.;\r\n"
         "EMAIL;type=INTERNET;type=HOME:johnny@home.example\r\n"
         "EMAIL;type=INTERNET;type=WORK;type=pref:johnny@orchard.example\r\n"
         "TEL;type=HOME;type=VOICE:+1 555 0111\r\n"
         "TEL;type=CELL;type=VOICE;type=pref:+1 555 0112\r\n"
         "item1.TEL:+1 555 0113\r\n"
         "item1.X-ABLabel:_$!<HomeFAX>!$_\r\n"
         "item2.ADR;type=HOME;type=pref:;;1 Orchard Way\\nApt 4;Cupertino;CA;95014;United States\r\n"
         "item2.X-ABADR:us\r\n"
         "IMPP;X-SERVICE-TYPE=Skype;type=HOME;type=pref:skype:johnny.a\r\n"
         "item3.X-ABRELATEDNAMES:Jane Appleseed\r\n"
         "item3.X-ABLabel:_$!<Mother>!$_\r\n"
         "item4.X-ABDATE;type=pref:2010-06-19\r\n"
         "item4.X-ABLabel:_$!<Anniversary>!$_\r\n"
         "item5.X-ABRELATEDNAMES:Tim\r\n"
         "item5.X-ABLabel:_$!<Child>!$_\r\n"
         "BDAY;X-APPLE-OMIT-YEAR=1604:1604-11-02\r\n"
         "REV:2024-01-02T03:04:05Z\r\n"
         "END:VCARD\r\n",
         true,
         "",
         {{1, "Johnny"},
          {2, "Q."},
          {3, "Appleseed"},
          {4, "Johnny Appleseed"},
          {5, "Jay"},
          {6, "Orchard Ltd."},
          {8, "johnny@home.example"},
          {9, "johnny@orchard.example"},
          {11, "johnny@orchard.example"},
          {12, "1 Orchard Way\nApt 4, Cupertino, CA, 95014, United States"},
          {15, "Cupertino"},
          {18, "CA"},
          {21, "United States"},
          {24, "95014"},
          {27, "1 Orchard Way\nApt 4"},
          {36, "+1 555 0111"},
          {38, "+1 555 0112"},
          {39, "+1 555 0113"},
          {43, "+1 555 0112"},
          {55, "johnny.a"},
          {60, "johnny.a"},
          {61, "Child"},
          {71, "Tim"},
          {81, "1604-11-02"},
          {82, "2010-06-19"},
          {85, "Jane Appleseed"},
          {92, "2024-01-02 05:04:05"}}},
        {"2.1 with bare types and quoted-printable soft breaks",
         "BEGIN:VCARD\r\n"
         "VERSION:2.1\r\n"
         "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCr=\r\n"
         "gen;;Dr.\r\n"
         "FN:J\xC3\xBCrgen M\xC3\xBCller\r\n"
         "ORG:M\xC3\xBCller & S\xC3\xB6hne GmbH;Vertrieb\r\n"
         "TITLE:Leiter\r\n"
         "TEL;WORK;VOICE:+49 30 1234567\r\n"
         "TEL;HOME;VOICE:+49 30 7654321\r\n"
         "TEL;CELL;VOICE:+49 170 1234567\r\n"
         "TEL;WORK;FAX:+49 30 1234568\r\n"
         "ADR;WORK;PREF;ENCODING=QUOTED-PRINTABLE:;;Hauptstra=C3=9Fe 1;Berlin;;10115;Deutsch=\r\n"
         "land\r\n"
         "ADR;HOME:;;Gartenweg 5;Potsdam;;14467;Deutschland\r\n"
         "EMAIL;PREF;INTERNET:j.mueller@example.de\r\n"
         "NOTE;ENCODING=QUOTED-PRINTABLE:Erste Zeile=0D=0AZweite Zeile\r\n"
         "X-MS-MANAGER:Petra Schmidt\r\n"
         "REV:20240102T030405Z\r\n"
         "END:VCARD\r\n",
         true,
         "",
         {{1, "J\xC3\xBCrgen"},
          {3, "M\xC3\xBCller"},
          {4, "J\xC3\xBCrgen M\xC3\xBCller"},
          {6, "M\xC3\xBCller & S\xC3\xB6hne GmbH"},
          {7, "Leiter"},
          {10, "j.mueller@example.de"},
          {11, "j.mueller@example.de"},
          {12, "Gartenweg 5, Potsdam, 14467, Deutschland"},
          {13, "Hauptstra\xC3\x9F"
               "e 1, Berlin, 10115, Deutschland"},
          {15, "Potsdam"},
          {16, "Berlin"},
          {21, "Deutschland"},
          {22, "Deutschland"},
          {24, "14467"},
          {25, "10115"},
          {27, "Gartenweg 5"},
          {28, "Hauptstra\xC3\x9F"
               "e 1"},
          {36, "+49 30 7654321"},
          {37, "+49 30 1234567"},
          {38, "+49 170 1234567"},
          {40, "+49 30 1234568"},
          {43, "+49 30 1234567"},
          {87, "Petra Schmidt"},
          {90, "Erste Zeile\r\nZweite Zeile"},
          {92, "2024-01-02 05:04:05"}}},
        {"4.0 with URIs, PREF numbers, RELATED and a label parameter",
         "BEGIN:VCARD\n"
         "VERSION:4.0\n"
         "FN:Chandra Rao\n"
         "N:Rao;Chandra;;Dr.;\n"
         "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=2:tel:+1-555-555-0100\n"
         "TEL;VALUE=uri;TYPE=\"cell,voice\";PREF=1:tel:+1-555-555-0199\n"
         "EMAIL;TYPE=work:chandra@work.example\n"
         "EMAIL;PREF=1:chandra@example.org\n"
         "RELATED;TYPE=spouse;VALUE=text:Priya Rao\n"
         "RELATED;TYPE=friend;VALUE=text:Sam Lee\n"
         "RELATED;TYPE=co-worker:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af\n"
         "ANNIVERSARY:20090808T1430-0500\n"
         "BDAY:--0203\n"
         "IMPP;PREF=1:xmpp:chandra@jabber.example\n"
         "ADR;TYPE=work;LABEL=\"100 Main St, Suite 200^nSpringfield\":;Suite 200;100 Main St;Springfield;IL;62701;USA\n"
         "URL;TYPE=home:https://chandra.example\n"
         "REV:20240315T101500Z\n"
         "END:VCARD\n",
         true,
         "",
         {{1, "Chandra"},
          {3, "Rao"},
          {4, "Chandra Rao"},
          {9, "chandra@work.example"},
          {10, "chandra@example.org"},
          {11, "chandra@example.org"},
          {13, "100 Main St, Suite 200\nSpringfield"},
          {16, "Springfield"},
          {19, "IL"},
          {22, "USA"},
          {25, "62701"},
          {28, "100 Main St, Suite 200"},
          {37, "+1-555-555-0100"},
          {38, "+1-555-555-0199"},
          {43, "+1-555-555-0199"},
          {44, "https://chandra.example"},
          {51, "https://chandra.example"},
          {59, "chandra@jabber.example"},
          {60, "chandra@jabber.example"},
          {61, "Friend"},
          {71, "Sam Lee"},
          {81, "1604-02-03"},
          {82, "2009-08-08"},
          {84, "Priya Rao"},
          {92, "2024-03-15 12:15:00"}}},
        {"escapes in plain, structured and list values",
         "BEGIN:VCARD\n"
         "VERSION:3.0\n"
         "N:O\\;Brien;Pat;;;\n"
         "NICKNAME:Pat\\, Jr.,Patty\n"
         "ORG:Smith\\; Sons;Sales\n"
         "CATEGORIES:Work\\, old,Golf\n"
         "NOTE:a\\,b\\;c\\\\d\\ne\\Nf\\tg\n"
         "END:VCARD\n",
         true,
         "",
         {{1, "Pat"},
          {3, "O;Brien"},
          {4, "Pat O;Brien"},
          {5, "Pat, Jr., Patty"},
          {6, "Smith; Sons"},
          {90, "a,b;c\\d\ne\nf\\tg"},
          {kCategory, "Work, old,Golf"}}},
        {"no FN: the display name is built from N, else the company",
         "BEGIN:VCARD\nVERSION:2.1\nN:Lee;Sam;T;Mr.;\nEND:VCARD\n",
         true,
         "",
         {{1, "Sam"}, {2, "T"}, {3, "Lee"}, {4, "Mr. Sam T Lee"}}},
        {"no FN and no N",
         "BEGIN:VCARD\nVERSION:3.0\nORG:Acme\nEMAIL:info@acme.example\nEND:VCARD\n",
         true,
         "",
         {{4, "Acme"}, {6, "Acme"}, {10, "info@acme.example"}, {11, "info@acme.example"}}},
        {"unknown services and relations go to the custom fields",
         "BEGIN:VCARD\n"
         "VERSION:3.0\n"
         "FN:Kim\n"
         "IMPP;X-SERVICE-TYPE=Facebook:xmpp:kim.fb\n"
         "IMPP:sip:kim@voip.example\n"
         "X-ICQ:12345678\n"
         "item1.X-ABRELATEDNAMES:Lou\n"
         "item1.X-ABLabel:Grandmother\n"
         "X-ABRELATEDNAMES:Max\n"
         "END:VCARD\n",
         true,
         "",
         {{4, "Kim"},
          {58, "12345678"},
          {60, "kim.fb"},
          {61, "Facebook"},
          {62, "sip"},
          {63, "Grandmother"},
          {64, "Related"},
          {71, "kim.fb"},
          {72, "kim@voip.example"},
          {73, "Lou"},
          {74, "Max"}}},
    };
    for (const Case& c : cases)
        RunCase(c);
}

TEST_F(ContactCardTest, UnfoldsLinesWhateverTheirEnding)
{
    // Folding may fall inside a word, inside a multi-byte character, or before a parameter. CR CR LF
    // (a CR LF written through a text-mode stream on Windows) is one line end: taken as two, the
    // empty line between would end each fold, cutting the name and the address, and the fault's
    // line number would count line-end characters.
    const std::string card = "BEGIN:VCARD\n"
                             "VERSION:3.0\n"
                             "FN:Dana Ka\n"
                             " rlsson\n"
                             "EMAIL;TYPE=WORK\n"
                             "\t;TYPE=pref:dana@\n"
                             " example.org\n"
                             "NOTE:caf\xC3\n"
                             " \xA9 au lait\n"
                             "\n"
                             "TITLE:Chief\n"
                             "N:Karls\n"
                             " son;Da\n"
                             " na;;;\n"
                             "BDAY:1985-02-30\n"
                             "END:VCARD";
    const std::pair<const char*, const char*> endings[] = {
        {"\r\n", "CRLF"}, {"\n", "LF"}, {"\r", "CR"}, {"\r\r\n", "CR CR LF"}};
    for (const auto& [ending, name] : endings) {
        RunCase({name,
                 WithEndings(card, ending),
                 true,
                 "line 15: bad date, skipped",
                 {{1, "Dana"},
                  {3, "Karlsson"},
                  {4, "Dana Karlsson"},
                  {7, "Chief"},
                  {9, "dana@example.org"},
                  {11, "dana@example.org"},
                  {90, "caf\xC3\xA9 au lait"}}});
    }
}

TEST_F(ContactCardTest, CutsLongTextsBetweenWholeCharacters)
{
    const std::string name62(62, 'n');
    const std::string city30(30, 'c');
    const std::string state14(14, 's');
    // Each text is longer than its field, and a multi-byte character straddles the field's last byte.
    const std::string card = "BEGIN:VCARD\nVERSION:3.0\nFN:" + name62 + "\xC3\xA9xyz\nADR:;;Main St;" + city30 +
                             "\xE2\x82\xAC;" + state14 + "\xC3\xA9;;\nEND:VCARD\n";
    RunCase({"long",
             card,
             true,
             "",
             {{4, name62},
              {14, "Main St, " + city30 + "\xE2\x82\xAC, " + state14 + "\xC3\xA9"},
              {17, city30},
              {20, state14},
              {29, "Main St"}}});
}

TEST_F(ContactCardTest, ReportsFaultsAndKeepsWhatItCould)
{
    const Case cases[] = {
        {"missing END",
         "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nEMAIL:ann@example.org\n",
         true,
         "missing END:VCARD",
         {{4, "Ann"}, {10, "ann@example.org"}, {11, "ann@example.org"}}},
        {"a line without colon",
         "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nthis line is broken\nTITLE:Boss\nEND:VCARD\n",
         true,
         "line 4: no colon, skipped",
         {{4, "Ann"}, {7, "Boss"}}},
        {"a colon only inside a quoted parameter",
         "BEGIN:VCARD\nFN:Ann\nTEL;TYPE=\"cell:+1 555\nEND:VCARD\n",
         true,
         "line 3: no colon, skipped",
         {{4, "Ann"}}},
        {"impossible dates",
         "BEGIN:VCARD\nFN:Ann\nBDAY:1985-02-30\nANNIVERSARY:2001-1-5\nEND:VCARD\n",
         true,
         "line 3: bad date, skipped",
         {{4, "Ann"}}},
        {"a bad revision",
         "BEGIN:VCARD\nFN:Ann\nREV:yesterday\nEND:VCARD\n",
         true,
         "line 3: bad date, skipped",
         {{4, "Ann"}}},
        {"the first fault by line wins, wherever it was found",
         "BEGIN:VCARD\nFN:Ann\nBDAY:19851345\nno colon\n",
         true,
         "line 3: bad date, skipped",
         {{4, "Ann"}}},
        {"dates that name no day are passed over, no fault",
         "BEGIN:VCARD\nFN:Ann\nBDAY:1985\nANNIVERSARY:1990-06\nX-ABDATE:--12\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"}}},
        {"a year with a month that does not exist",
         "BEGIN:VCARD\nFN:Ann\nBDAY:1985-13\nEND:VCARD\n",
         true,
         "line 3: bad date, skipped",
         {{4, "Ann"}}},
        {"a date given as text is no fault",
         "BEGIN:VCARD\nFN:Ann\nBDAY;VALUE=text:circa 1800\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"}}},
        {"unknown properties are passed over",
         "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nX-UNKNOWN;FOO=bar:baz\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgAB\n"
         "item1.X-ABADR:us\nUID:1234\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"}}},
        {"a nested card is passed over whole",
         "BEGIN:VCARD\nVERSION:2.1\nFN:Ann\nAGENT:\nBEGIN:VCARD\nFN:Agent Smith\nTEL:+1 555 0000\nEND:VCARD\n"
         "TITLE:Boss\nEND:VCARD\nBEGIN:VCARD\nFN:Second card\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"}, {7, "Boss"}}},
        {"junk before the card",
         "\xEF\xBB\xBFjunk\x01\x02 without colon\nBEGIN:VCARD\nFN:Ann\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"}}},
        {"no card at all", "FN:Ann\nEND:VCARD\n", false, "no BEGIN:VCARD", {}},
        {"empty text", "", false, "no BEGIN:VCARD", {}},
        {"binary junk", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR:\xFF\xFE", 19), false, "no BEGIN:VCARD", {}},
    };
    for (const Case& c : cases)
        RunCase(c);
}

TEST_F(ContactCardTest, ConvertsCharacterSetsToUtf8)
{
    const Case cases[] = {
        {"Latin-1, quoted-printable",
         "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=FCrgen\nEND:VCARD\n",
         true,
         "",
         {{1, "J\xC3\xBCrgen"}, {3, "M\xC3\xBCller"}, {4, "J\xC3\xBCrgen M\xC3\xBCller"}}},
        {"Windows-1252, quoted-printable and 8-bit",
         "BEGIN:VCARD\nVERSION:2.1\nFN:Ann\n"
         "NOTE;CHARSET=windows-1252;ENCODING=QUOTED-PRINTABLE:=93Preis=94: 5 =80\n"
         "ORG;CHARSET=Windows-1252;ENCODING=8BIT:Caf\xE9 \x80\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"}, {6, "Caf\xC3\xA9 \xE2\x82\xAC"}, {90, "\xE2\x80\x9CPreis\xE2\x80\x9D: 5 \xE2\x82\xAC"}}},
        {"UTF-8 without a character set is kept",
         "BEGIN:VCARD\nVERSION:3.0\nFN:J\xC3\xBCrgen \xE2\x82\xAC \xF0\x9F\x98\x80\nEND:VCARD\n",
         true,
         "",
         {{4, "J\xC3\xBCrgen \xE2\x82\xAC \xF0\x9F\x98\x80"}}},
        {"8-bit without a character set is no UTF-8: Windows-1252",
         "BEGIN:VCARD\nVERSION:2.1\nFN:M\xFCller \x80\nEND:VCARD\n",
         true,
         "",
         {{4, "M\xC3\xBCller \xE2\x82\xAC"}}},
        {"malformed UTF-8 and an unknown character set",
         "BEGIN:VCARD\nFN;CHARSET=UTF-8:M\xC3\xBCller\xFF\nTITLE;CHARSET=KOI8-R:\xF0\xD2 ok\nEND:VCARD\n",
         true,
         "",
         {{4, "M\xC3\xBCller\xEF\xBF\xBD"}, {7, "\xEF\xBF\xBD\xEF\xBF\xBD ok"}}},
        {"parameters: a type word naming a custom field",
         "BEGIN:VCARD\nVERSION:2.1\nFN:Ann\nRELATED;TYPE=gro\xDF"
         "vater;VALUE=text:Opa\nEND:VCARD\n",
         true,
         "",
         {{4, "Ann"},
          {61, "Gro\xC3\x9F"
               "vater"},
          {71, "Opa"}}},
    };
    for (const Case& c : cases)
        RunCase(c);
}

// Text that names no character set and is no UTF-8 is read as Windows-1252 (the fields above), and
// the file's reader says so, once, so the error file can tell the user that letters were guessed.
// A character set the card names, or text that is UTF-8, is no guess.
TEST_F(ContactCardTest, SaysWhenItTookTextForWindows1252)
{
    struct NoteCase
    {
        const char* name;
        std::string card;
        std::string displayName;
        bool guessed;
    };
    const NoteCase cases[] = {
        {"8-bit text without a character set", "BEGIN:VCARD\nVERSION:2.1\nFN:Ren\xE9 M\xFCller \x80\nEND:VCARD\n",
         "Ren\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC", true},
        {"quoted-printable without a character set",
         "BEGIN:VCARD\nVERSION:2.1\nFN;ENCODING=QUOTED-PRINTABLE:Ren=E9 M=FCller =80\nEND:VCARD\n",
         "Ren\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC", true},
        {"in a parameter only", "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nEMAIL;TYPE=b\xFCro:ann@example.org\nEND:VCARD\n",
         "Ann", true},
        {"many lines, one note", "BEGIN:VCARD\nFN:\xE9\nNOTE:\xFC\nTITLE:\x80\nEND:VCARD\n", "\xC3\xA9", true},
        {"a character set named", "BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=ISO-8859-1:Ren\xE9\nEND:VCARD\n", "Ren\xC3\xA9",
         false},
        {"UTF-8 stays as it is", "BEGIN:VCARD\nVERSION:3.0\nFN:Ren\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC\nEND:VCARD\n",
         "Ren\xC3\xA9 M\xC3\xBCller \xE2\x82\xAC", false},
        {"UTF-8 folded inside a character", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ren\xC3\r\n \xA9\r\nEND:VCARD\r\n",
         "Ren\xC3\xA9", false},
        {"ASCII", "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nEND:VCARD\n", "Ann", false},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ContactText text(c.card);
        auto record = Zeroed<GAddrRecord>();
        std::string problem;
        ASSERT_TRUE(text.Read(*record, problem));
        EXPECT_EQ("", problem);
        EXPECT_EQ(c.displayName, record->szDisplayName);
        const std::vector<std::string> expected =
            c.guessed ? std::vector<std::string>{"text that is not UTF-8 and names no character set was read as "
                                                 "Windows-1252"}
                      : std::vector<std::string>{};
        EXPECT_EQ(expected, text.Notes());
    }
}

TEST(ContactCardCountTest, CountsTheCardsAtTheTopLevel)
{
    const std::string one = "BEGIN:VCARD\nFN:Ann\nEND:VCARD\n";
    const std::string agent = "BEGIN:VCARD\nFN:Ann\nAGENT:\n\nBEGIN:VCARD\nFN:Agent\nEND:VCARD\nEND:VCARD\n";
    struct CountCase
    {
        const char* name;
        std::string text;
        size_t count;
    };
    const CountCase cases[] = {
        {"empty", "", 0},
        {"junk", "FN:Ann\nthis is no card\nEND:VCARD\n", 0},
        {"another kind of item", "BEGIN:VCALENDAR\nEND:VCALENDAR\n", 0},
        {"one card", one, 1},
        {"byte order mark and CRLF", "\xEF\xBB\xBF" + WithEndings(one, "\r\n"), 1},
        {"case and a trailing blank", "begin:vcard \nFN:Ann\nEnd:VCard\n", 1},
        {"three cards", one + "\n" + one + one, 3},
        {"folded boundaries", "BEGIN:VCA\n RD\nFN:Ann\nEND:VCARD\nBEGIN:\n VCARD\nFN:Bob\nEND:VCARD\n", 2},
        {"a card missing its END", "BEGIN:VCARD\nFN:Ann\n", 1},
        {"a card missing its END, then another", "BEGIN:VCARD\nFN:Ann\n" + one, 2},
        {"a card nested after AGENT", agent, 1},
        {"a card nested after AGENT, then another", agent + one, 2},
        {"a nested card missing its END, then another", "BEGIN:VCARD\nAGENT:\nBEGIN:VCARD\nFN:Agent\nEND:VCARD\n" + one,
         2},
        {"a BEGIN after an AGENT with a value", "BEGIN:VCARD\nAGENT:CID:agent@example.org\n" + one + "END:VCARD\n", 2},
        {"a BEGIN inside a card, not after AGENT", "BEGIN:VCARD\nFN:Ann\n" + one + "END:VCARD\n", 2},
    };
    for (const CountCase& c : cases)
        EXPECT_EQ(c.count, CountContactCards(c.text)) << c.name;
}

// The load counts a file's cards and reads the first from one parse of its lines: each answer must
// be the one the text alone gives, however often and in whatever order they are asked for.
TEST_F(ContactCardTest, OneParseAnswersTheCountAndEveryRead)
{
    const std::string one = "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nEMAIL:ann@example.org\nEND:VCARD\n";
    const std::pair<const char*, std::string> texts[] = {
        {"one card", one},
        {"a line without colon", "BEGIN:VCARD\nFN:Ann\nthis line is broken\nTITLE:Boss\nEND:VCARD\n"},
        {"missing END", "BEGIN:VCARD\nFN:Ann\nBDAY:19851345\n"},
        {"a nested card, then another",
         "BEGIN:VCARD\nVERSION:2.1\nFN:Ann\nAGENT:\nBEGIN:VCARD\nFN:Agent\nEND:VCARD\nEND:VCARD\n" + one},
        {"folded, with CRLF", WithEndings("BEGIN:VCA\n RD\nFN:An\n n\nEND:VCARD\n", "\r\n")},
        {"no card", "FN:Ann\nEND:VCARD\n"},
        {"empty", ""},
    };
    for (const auto& [name, text] : texts) {
        SCOPED_TRACE(name);
        const ContactText parsed(text);
        EXPECT_EQ(CountContactCards(text), parsed.Count());
        auto alone = Zeroed<GAddrRecord>();
        std::string aloneProblem;
        const bool aloneFound = ReadContactCard(text, *alone, aloneProblem);
        for (int round = 0; round < 2; ++round) {
            auto record = Zeroed<GAddrRecord>();
            std::string problem = "left from before";
            EXPECT_EQ(aloneFound, parsed.Read(*record, problem));
            EXPECT_EQ(aloneProblem, problem);
            EXPECT_EQ(0, std::memcmp(alone.get(), record.get(), sizeof(GAddrRecord)));
        }
        EXPECT_EQ(CountContactCards(text), parsed.Count());
    }
    // And what the text alone gives is what the reader is known to give.
    const ContactText nested(texts[3].second);
    EXPECT_EQ(2u, nested.Count());
    auto record = Zeroed<GAddrRecord>();
    std::string problem;
    ASSERT_TRUE(nested.Read(*record, problem));
    EXPECT_EQ("", problem);
    EXPECT_STREQ("Ann", record->szDisplayName);
    const ContactText broken(texts[1].second);
    ASSERT_TRUE(broken.Read(*record, problem));
    EXPECT_EQ("line 3: no colon, skipped", problem);
}

// A card folded on and on, as a broken or hostile file may hold: reading it must take time in step
// with its size. Each bound is over ten times what a sanitizer build needs; the small size comes first
// so a reader that rescans each fold fails in seconds, not in the minutes the large one would take it.
TEST(ContactCardSizeTest, AFoldedMegabyteReadsInLinearTime)
{
    const std::pair<const char*, const char*> shapes[] = {
        {"a line with no colon", "BEGIN:VCARD\nX"},
        {"a head with an open quote", "BEGIN:VCARD\nNOTE;X=\""},
    };
    const std::pair<size_t, double> sizes[] = {{size_t{64} << 10, 2.0}, {size_t{1} << 20, 10.0}};
    for (const auto& [name, head] : shapes) {
        for (const auto& [size, boundSeconds] : sizes) {
            SCOPED_TRACE(std::string(name) + ", " + std::to_string(size) + " bytes");
            std::string card = head;
            while (card.size() < size)
                card += "\n x";
            card += "\nEND:VCARD\n";
            auto record = Zeroed<GAddrRecord>();
            std::string problem;
            const auto start = std::chrono::steady_clock::now();
            EXPECT_TRUE(ReadContactCard(card, *record, problem));
            EXPECT_EQ(1u, CountContactCards(card));
            const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
            EXPECT_EQ("line 2: no colon, skipped", problem);
            ASSERT_LT(taken.count(), boundSeconds);
        }
    }
}

struct SlotCase
{
    const char* name;
    std::string emails;
    std::string primary;
};

TEST_F(ContactCardTest, SeveralValuesFillSlotsInCardOrderAndThePreferredIsPrimary)
{
    const SlotCase cases[] = {
        {"none preferred: the first", "EMAIL:a@x\nEMAIL;TYPE=WORK:b@x\nEMAIL;TYPE=HOME:c@x\nEMAIL:d@x\nEMAIL:e@x\n",
         "a@x"},
        {"type pref", "EMAIL:a@x\nEMAIL;TYPE=WORK:b@x\nEMAIL;TYPE=HOME,PREF:c@x\nEMAIL:d@x\nEMAIL:e@x\n", "c@x"},
        {"lowest PREF number",
         "EMAIL:a@x\nEMAIL;TYPE=WORK;PREF=2:b@x\nEMAIL;TYPE=HOME:c@x\nEMAIL;PREF=1:d@x\nEMAIL:e@x\n", "d@x"},
        {"two preferred: the first of them",
         "EMAIL:a@x\nEMAIL;TYPE=WORK;TYPE=pref:b@x\nEMAIL;TYPE=HOME;TYPE=pref:c@x\nEMAIL:d@x\nEMAIL:e@x\n", "b@x"},
        {"preferred beyond the slots",
         "EMAIL:a@x\nEMAIL;TYPE=WORK:b@x\nEMAIL;TYPE=HOME:c@x\nEMAIL:d@x\nEMAIL:e@x\n"
         "EMAIL;PREF=1:f@x\n",
         "f@x"},
    };
    const int32_t codes[kEmailSlots] = {3, 2, 1, 3, 3};
    const char* values[kEmailSlots] = {"a@x", "b@x", "c@x", "d@x", "e@x"};
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = Zeroed<GAddrRecord>();
        std::string problem;
        ASSERT_TRUE(ReadContactCard("BEGIN:VCARD\nFN:X\n" + c.emails + "END:VCARD\n", *r, problem));
        EXPECT_EQ("", problem) << "values beyond the slots are no fault";
        for (int i = 0; i < kEmailSlots; ++i) {
            EXPECT_EQ(codes[i], r->nEmailType[i]) << "slot " << i;
            EXPECT_STREQ(values[i], r->szEmail[i]) << "slot " << i;
        }
        EXPECT_EQ(c.primary, r->szEmailPrimary);
    }
}

TEST_F(ContactCardTest, PhoneWebAndImFamiliesKeepEveryValueInOrder)
{
    auto r = Zeroed<GAddrRecord>();
    std::string problem;
    ASSERT_TRUE(ReadContactCard("BEGIN:VCARD\nFN:X\nTEL;TYPE=HOME:1\nTEL;TYPE=HOME:2\nTEL;TYPE=PAGER:3\n"
                                "URL:http://a\nitem1.URL:http://b\nitem1.X-ABLabel:_$!<HomePage>!$_\n"
                                "URL;TYPE=WORK;TYPE=pref:http://c\nX-AIM:aim1\nIMPP:aim:goim?screenname=aim2&x=1\n"
                                "IMPP:ymsgr:yah\nEND:VCARD\n",
                                *r, problem));
    EXPECT_EQ("", problem);
    const int32_t phoneCodes[] = {1, 1, 6, 0};
    const char* phones[] = {"1", "2", "3", ""};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(phoneCodes[i], r->nPhoneType[i]) << "phone slot " << i;
        EXPECT_STREQ(phones[i], r->szPhone[i]) << "phone slot " << i;
    }
    EXPECT_STREQ("1", r->szPhonePrimary);
    const int32_t webCodes[] = {7, 3, 2};
    const char* webs[] = {"http://a", "http://b", "http://c"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(webCodes[i], r->nWebType[i]) << "web slot " << i;
        EXPECT_STREQ(webs[i], r->szWeb[i]) << "web slot " << i;
    }
    EXPECT_STREQ("http://c", r->szWebPrimary);
    const int32_t imCodes[] = {2, 2, 3};
    const char* ims[] = {"aim1", "aim2", "yah"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(imCodes[i], r->nIMType[i]) << "im slot " << i;
        EXPECT_STREQ(ims[i], r->szIM[i]) << "im slot " << i;
    }
    EXPECT_STREQ("aim1", r->szIMPrimary);
}

// Every text field of the record ends inside its capacity.
struct TerminationCheck
{
    void Int(const int32_t&) {}
    void Value(const double&) {}
    template <size_t N>
    void Text(const char (&text)[N])
    {
        if (!std::memchr(text, '\0', N))
            ++unterminated;
    }
    int unterminated = 0;
};

const char* const kRealCard = "BEGIN:VCARD\r\n"
                              "VERSION:3.0\r\n"
                              "N:Appleseed;Johnny;Q.;Mr.;Jr.\r\n"
                              "FN:Johnny Appleseed\r\n"
                              "EMAIL;type=INTERNET;type=WORK;type=pref:johnny@orchard.example\r\n"
                              "TEL;type=CELL;type=VOICE;type=pref:+1 555 0112\r\n"
                              "item1.TEL:+1 555 0113\r\n"
                              "item1.X-ABLabel:_$!<HomeFAX>!$_\r\n"
                              "item2.ADR;type=HOME:;;1 Orchard Way\\nApt 4;Cupertino;CA;95014;US\r\n"
                              "IMPP;X-SERVICE-TYPE=Skype;type=pref:skype:johnny.a\r\n"
                              "NOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9 =\r\n"
                              "au lait\r\n"
                              "BDAY:1604-11-02\r\n"
                              "REV:2024-01-02T03:04:05Z\r\n"
                              "END:VCARD\r\n";

TEST_F(ContactCardTest, EveryTruncationOfACardReadsSafely)
{
    const std::string card = kRealCard;
    const size_t beginLength = std::strlen("BEGIN:VCARD");
    const size_t endStart = card.find("END:VCARD");
    for (size_t n = 0; n <= card.size(); ++n) {
        SCOPED_TRACE(n);
        // A copy of exactly n bytes, so a read past the cut is a read past the allocation.
        const std::unique_ptr<char[]> cut(new char[n + 1]);
        std::memcpy(cut.get(), card.data(), n);
        auto r = Zeroed<GAddrRecord>();
        std::string problem;
        const bool read = ReadContactCard(std::string_view(cut.get(), n), *r, problem);
        EXPECT_EQ(n >= beginLength, read);
        if (read && n < endStart + std::strlen("END:VCARD")) {
            EXPECT_FALSE(problem.empty());
        }
        TerminationCheck check;
        GAddrRecordFields(check, std::as_const(*r));
        EXPECT_EQ(0, check.unterminated);
    }
}

TEST_F(ContactCardTest, RandomBytesAndMangledCardsReadSafely)
{
    std::mt19937 random(20240102);
    // Mostly the characters that mean something to the parser, so the junk reaches deep.
    const std::string alphabet = ":;=\\\"\r\n \t,.^-TZ0123456789ABEGINVCRDTELitem\xC3\xA9\xFF";
    auto pick = [&](size_t size) { return std::uniform_int_distribution<size_t>(0, size - 1)(random); };
    const std::string card = kRealCard;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        if (round % 3 == 0) {
            text.resize(pick(300));
            for (char& c : text)
                c = static_cast<char>(pick(256));
        } else {
            text = round % 3 == 1 ? "BEGIN:VCARD\r\n" : card;
            for (size_t edits = pick(40) + 1; edits > 0; --edits) {
                const size_t at = pick(text.size() + 1);
                if (pick(2) == 0 || at == text.size())
                    text.insert(at, 1, alphabet[pick(alphabet.size())]);
                else
                    text[at] = alphabet[pick(alphabet.size())];
            }
        }
        SCOPED_TRACE(round);
        auto r = Zeroed<GAddrRecord>();
        std::string problem;
        const bool read = ReadContactCard(text, *r, problem);
        if (!read) {
            EXPECT_EQ("no BEGIN:VCARD", problem);
        }
        TerminationCheck check;
        GAddrRecordFields(check, std::as_const(*r));
        EXPECT_EQ(0, check.unterminated);
    }
}

} // namespace
