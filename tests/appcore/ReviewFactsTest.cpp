#include "app/core/ReviewFacts.h"

#include "app/core/AppSettings.h"
#include "app/core/PhoneKey.h"
#include "common/google/records/ContactFields.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ContactText.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// 10 July 2024 as a date value; a day is 1.0.
constexpr double kDay = 45483.0;
constexpr double kTen = 10.0 / 24.0;

struct EventText
{
    const char* subject = "Team sync";
    double start = kDay + kTen;
    double end = kDay + kTen + 1.0 / 24.0;
    const char* location = "";
    const char* note = "";
    const char* category = "";
    int32_t allDay = 0;
};

RecordPtr<GDateRecord> Event(const EventText& t)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyText(r->szSubject, t.subject);
    CopyText(r->szLocation, t.location);
    CopyText(r->szNote, t.note);
    CopyText(r->szCategory, t.category);
    r->dtStart = t.start;
    r->dtEnd = t.end;
    r->nAllDayEvent = t.allDay;
    return r;
}

class ReviewFactsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = AppSettings;
        AppSettings.CaseSensitive = false;
        AppSettings.MatchMode = MATCH_EXACT;
        for (bool TAppSettings::*flag :
             {&TAppSettings::AddrDisplayName, &TAppSettings::AddrCompanyName, &TAppSettings::AddrTitle,
              &TAppSettings::AddrEmail, &TAppSettings::AddrPhone, &TAppSettings::AddrAddress, &TAppSettings::AddrIM,
              &TAppSettings::AddrWebSite, &TAppSettings::AddrDate, &TAppSettings::AddrNote})
            AppSettings.*flag = false;
        AppSettings.AddrDisplayName = AppSettings.AddrEmail = true;
        AppSettings.DateSubject = AppSettings.DateStartTime = AppSettings.DateEndTime = true;
        AppSettings.DateAllDayEvent = true;
        AppSettings.DateLocation = AppSettings.DateNote = false;
    }
    void TearDown() override { AppSettings = m_saved; }

    static ReviewFacts Facts(const ContactText& duplicate, const ContactText& kept)
    {
        RecordPtr<GAddrRecord> d = Contact(duplicate);
        RecordPtr<GAddrRecord> k = Contact(kept);
        d->pKept = k.get();
        return ContactReviewFacts(*d);
    }
    static ReviewFacts Facts(const EventText& duplicate, const EventText& kept)
    {
        RecordPtr<GDateRecord> d = Event(duplicate);
        RecordPtr<GDateRecord> k = Event(kept);
        d->pKept = k.get();
        return EventReviewFacts(*d);
    }

    // The region the phone numbers without a country code are read for.
    ScopedEnv m_allLocale{"LC_ALL", ""};
    ScopedEnv m_phoneLocale{"LC_TELEPHONE", "de_DE.UTF-8"};
    TAppSettings m_saved;
};

const ContactText kAnna = {"Anna Berger", {"anna@example.org"}, {"+49 170 1234567"}};

TEST_F(ReviewFactsTest, KeptRecordIsNamedByNameAndFirstEmailOrSubjectAndStart)
{
    struct Case
    {
        const char* what;
        ContactText kept;
        const char* text;
    };
    const Case cases[] = {
        {"name and e-mail", kAnna, "Anna Berger <anna@example.org>"},
        {"no e-mail", {"Anna Berger"}, "Anna Berger"},
        {"name parts without a display name",
         {"", {"anna@example.org"}, {}, "", {}, {}, {}, "", "Anna", "Berger"},
         "Anna Berger <anna@example.org>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.text, Facts(kAnna, c.kept).kept);
    }
    EXPECT_EQ("Team sync, 07/10/2024 10:00:00", Facts(EventText{}, EventText{}).kept);
    EXPECT_EQ("Holiday, 07/10/2024", Facts(EventText{"Holiday", kDay, kDay + 1, "", "", "", 1},
                                           EventText{"Holiday", kDay, kDay + 1, "", "", "", 1})
                                         .kept);
}

TEST_F(ReviewFactsTest, PrimaryEmailNamesTheKeptRecordBeforeTheSlots)
{
    RecordPtr<GAddrRecord> d = Contact(kAnna);
    RecordPtr<GAddrRecord> k = Contact(kAnna);
    CopyText(k->szEmailPrimary, "a.berger@work.example");
    d->pKept = k.get();
    EXPECT_EQ("Anna Berger <a.berger@work.example>", ContactReviewFacts(*d).kept);
}

TEST_F(ReviewFactsTest, RecordsOutsideAGroupHaveNoFacts)
{
    RecordPtr<GAddrRecord> contact = Contact(kAnna);
    RecordPtr<GDateRecord> event = Event({});
    for (bool self : {false, true}) {
        SCOPED_TRACE(self ? "kept by itself" : "no kept record");
        contact->pKept = self ? contact.get() : nullptr;
        event->pKept = self ? event.get() : nullptr;
        const ReviewFacts facts = ContactReviewFacts(*contact);
        EXPECT_EQ("", facts.kept);
        EXPECT_EQ("", facts.matchedOn);
        EXPECT_TRUE(facts.wouldBeLost.empty());
        EXPECT_EQ("", EventReviewFacts(*event).kept);
    }
}

TEST_F(ReviewFactsTest, ExactModeNamesTheSwitchedOnFieldsThatHeldSomething)
{
    struct Case
    {
        const char* what;
        std::vector<bool TAppSettings::*> rule;
        ContactText duplicate, kept;
        const char* matched;
    };
    const ContactText annaAtWork = {"Anna Berger", {"anna@example.org"}, {"+49 170 1234567"}, "Example Ltd"};
    const Case cases[] = {
        {"name and e-mail",
         {&TAppSettings::AddrDisplayName, &TAppSettings::AddrEmail},
         kAnna,
         kAnna,
         "Display Name, Email"},
        {"in the rule dialog's order, company after address",
         {&TAppSettings::AddrCompanyName, &TAppSettings::AddrPhone, &TAppSettings::AddrDisplayName},
         annaAtWork,
         annaAtWork,
         "Display Name, Phone, Company Name"},
        {"a switched-on field empty in both agreed on nothing",
         {&TAppSettings::AddrDisplayName, &TAppSettings::AddrCompanyName},
         kAnna,
         kAnna,
         "Display Name"},
        {"the case setting off: names in other case agree",
         {&TAppSettings::AddrDisplayName},
         {"ANNA BERGER"},
         {"Anna Berger"},
         "Display Name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings.AddrDisplayName = AppSettings.AddrEmail = false;
        for (auto flag : c.rule)
            AppSettings.*flag = true;
        EXPECT_EQ(c.matched, Facts(c.duplicate, c.kept).matchedOn);
        for (auto flag : c.rule)
            AppSettings.*flag = false;
    }
    AppSettings.DateLocation = true;
    EXPECT_EQ("Subject, Start Time, End Time, All Day Event", Facts(EventText{}, EventText{}).matchedOn);
    EXPECT_EQ("Subject, Start Time, End Time, All Day Event, Location",
              Facts(EventText{.location = "Room 4"}, EventText{.location = "Room 4"}).matchedOn);
}

TEST_F(ReviewFactsTest, SmartModeNamesWhatBothShare)
{
    AppSettings.MatchMode = MATCH_SMART;
    struct Case
    {
        const char* what;
        ContactText duplicate, kept;
        const char* matched;
    };
    const Case cases[] = {
        {"name and e-mail",
         {"Anna Berger", {"anna@example.org"}},
         {"anna berger", {"Anna@Example.org"}},
         "name + email anna@example.org"},
        {"name and the same number written otherwise",
         {"Anna Berger", {}, {"+49 170 1234567"}},
         {"Anna Berger", {"anna@example.org"}, {"0170 123 45 67"}},
         "name + phone +49 170 1234567"},
        {"e-mail before phone", kAnna, kAnna, "name + email anna@example.org + phone +49 170 1234567"},
        {"nameless contacts: the identifiers alone",
         {"", {"anna@example.org"}, {"+49 170 1234567"}},
         {"", {"anna@example.org"}, {"+491701234567"}},
         "email anna@example.org + phone +49 170 1234567"},
        {"grouped through a third: only the name is shared with the kept one",
         {"Anna Berger", {"anna@example.org"}},
         {"Anna Berger", {}, {"+49 170 1234567"}},
         "name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.matched, Facts(c.duplicate, c.kept).matchedOn);
    }
    EXPECT_EQ("subject + start + end", Facts(EventText{"Team Sync "}, EventText{"team sync"}).matchedOn);
    EXPECT_EQ("subject + start", Facts(EventText{.end = kDay + kTen + 0.5}, EventText{}).matchedOn);
    // An all-day event's days never compare with a timed event's instants.
    EXPECT_EQ("subject", Facts(EventText{.allDay = 1}, EventText{}).matchedOn);
    RecordPtr<GDateRecord> d = Event({}), k = Event({});
    for (GDateRecord* r : {d.get(), k.get()}) {
        r->nRecurrenceType = RECUR_WEEKLY;
        r->nRecurInterval = 1;
        r->nRecurDayOfWeek = DAY_WEDNESDAY;
    }
    d->pKept = k.get();
    EXPECT_EQ("subject + start + end + recurrence", EventReviewFacts(*d).matchedOn);
    k->nRecurInterval = 2;
    EXPECT_EQ("subject + start + end", EventReviewFacts(*d).matchedOn);
}

TEST_F(ReviewFactsTest, WouldBeLostIsWhatTheKeptContactLacksInAnyForm)
{
    struct Case
    {
        const char* what;
        ContactText duplicate, kept;
        std::vector<std::string> lost;
    };
    const Case cases[] = {
        {"nothing: the same contact", kAnna, kAnna, {}},
        {"an e-mail address",
         {"Anna Berger", {"anna@example.org", "a.berger@work.example"}},
         {"Anna Berger", {"anna@example.org"}},
         {"Email a.berger@work.example"}},
        {"no e-mail address lost for another case or slot",
         {"Anna Berger", {"Anna@Example.ORG"}},
         {"Anna Berger", {"x@example.org", "anna@example.org"}},
         {}},
        {"a phone number", {"Anna Berger", {}, {"+49 170 1234567"}}, {"Anna Berger"}, {"Phone +49 170 1234567"}},
        {"no number lost for the same number written otherwise",
         {"Anna Berger", {}, {"+49 170 1234567", "+49 (30) 123-456"}},
         {"Anna Berger", {}, {"0170/1234567", "030 123456"}},
         {}},
        {"another number",
         {"Anna Berger", {}, {"+49 170 1234567"}},
         {"Anna Berger", {}, {"+49 170 1234568"}},
         {"Phone +49 170 1234567"}},
        {"an address",
         {"Anna Berger", {}, {}, "", {"Hauptstr. 1, 10115 Berlin"}},
         {"Anna Berger"},
         {"Address Hauptstr. 1, 10115 Berlin"}},
        {"no address lost for other case and spacing",
         {"Anna Berger", {}, {}, "", {"Hauptstr. 1,  10115 Berlin"}},
         {"Anna Berger", {}, {}, "", {"HAUPTSTR. 1, 10115 BERLIN"}},
         {}},
        {"a web site",
         {"Anna Berger", {}, {}, "", {}, {"https://anna.example.org/"}},
         {"Anna Berger", {}, {}, "", {}, {"https://other.example.org"}},
         {"Web Site https://anna.example.org/"}},
        {"no web site lost for a closing slash",
         {"Anna Berger", {}, {}, "", {}, {"https://anna.example.org/"}},
         {"Anna Berger", {}, {}, "", {}, {"HTTPS://anna.example.org"}},
         {}},
        {"a birthday and an anniversary",
         {"Anna Berger", {}, {}, "", {}, {}, {{DATE_BIRTHDAY, 29000.0}, {DATE_ANNIVERSARY, 40000.0}}},
         {"Anna Berger", {}, {}, "", {}, {}, {{DATE_ANNIVERSARY, 29000.0}}},
         {"Birthday 05/25/1979", "Anniversary 07/06/2009"}},
        {"no date lost when the kept record has it",
         {"Anna Berger", {}, {}, "", {}, {}, {{DATE_BIRTHDAY, 29000.0}}},
         {"Anna Berger", {}, {}, "", {}, {}, {{DATE_ANNIVERSARY, 1.0}, {DATE_BIRTHDAY, 29000.0}}},
         {}},
        {"a note",
         {"Anna Berger", {}, {}, "", {}, {}, {}, "Met at the fair"},
         {"Anna Berger"},
         {"Note Met at the fair"}},
        {"no note lost that the kept note holds",
         {"Anna Berger", {}, {}, "", {}, {}, {}, " Met at the fair\n"},
         {"Anna Berger", {}, {}, "", {}, {}, {}, "Met at the fair\nLikes tea"},
         {}},
        {"everything at once, in this order",
         {"Anna Berger",
          {"anna@example.org"},
          {"+49 170 1234567"},
          "",
          {"Berlin"},
          {"https://anna.example.org"},
          {{DATE_BIRTHDAY, 29000.0}},
          "Note"},
         {"Anna Berger"},
         {"Email anna@example.org", "Phone +49 170 1234567", "Address Berlin", "Web Site https://anna.example.org",
          "Birthday 05/25/1979", "Note Note"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.lost, Facts(c.duplicate, c.kept).wouldBeLost);
    }
}

// Most numbers are told alike or apart without being read; whichever way, a number counts as lost
// exactly when its key differs from the kept number's.
TEST_F(ReviewFactsTest, NumbersAreLostExactlyWhenTheirKeysDiffer)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"+49 170 1234567", "0170 1234567"},
        {"0170 1234567", "0170-123-4567"},
        {"(030) 123456", "+49 30 123456"},
        {"+49 (0)30 123456", "+49 30 123456"},
        {"0170 1234567", "0170 1234568"},
        {"+49 170 1234567", "+43 170 1234567"},
        {"170 1234567", "0170 1234567"},
        {"+49170 1234567", "49170 1234567"},
        {"tel:+49 170 1234567", "0170/1234567"},
        {"1234", "01234"},
        {"+49 170 1234567 ext. 12", "+49 170 1234567"},
        {"+49.170.1234567", "+491701234567"},
        {"00 49 170 1234567", "+49 170 1234567"},
        {"\xD9\xA0\xD9\xA1\xD9\xA7\xD9\xA0 1234567", "0170 1234567"},
    };
    const PhoneKeys keys("DE");
    for (const auto& [mine, kept] : pairs) {
        SCOPED_TRACE(std::string(mine) + " against " + kept);
        const std::string key = keys.Key(mine);
        const bool lost = key.empty() || key != keys.Key(kept);
        const ReviewFacts facts = Facts({"Anna Berger", {}, {mine}}, {"Anna Berger", {}, {kept}});
        EXPECT_EQ(lost, !facts.wouldBeLost.empty());
    }
}

TEST_F(ReviewFactsTest, LongNotesAreCutOnACharacterAndJoinedInTheMarkerText)
{
    const std::string note = std::string(58, 'x') + "\xC3\xA4\xC3\xA4 and more";
    ReviewFacts facts = Facts({"Anna Berger", {}, {}, "", {}, {}, {}, note.c_str()}, {"Anna Berger"});
    ASSERT_EQ(1u, facts.wouldBeLost.size());
    EXPECT_EQ("Note " + std::string(58, 'x') + "\xC3\xA4\xE2\x80\xA6", facts.wouldBeLost[0]);
    facts.wouldBeLost = {"Email a@example.org", "Phone +1 555 0100"};
    EXPECT_EQ("Email a@example.org; Phone +1 555 0100", WouldBeLostText(facts));
    EXPECT_EQ("", WouldBeLostText(ReviewFacts{}));
}

TEST_F(ReviewFactsTest, WouldBeLostOfAnEventIsItsLocationNoteAndCategory)
{
    struct Case
    {
        const char* what;
        EventText duplicate, kept;
        std::vector<std::string> lost;
    };
    const Case cases[] = {
        {"nothing", {}, {}, {}},
        {"a location", {.location = "Room 4.12"}, {}, {"Location Room 4.12"}},
        {"no location lost for letter case", {.location = "room 4.12"}, {.location = "Room 4.12"}, {}},
        {"another location", {.location = "Room 4.12"}, {.location = "Room 5"}, {"Location Room 4.12"}},
        {"a note", {.note = "Agenda: budget"}, {}, {"Note Agenda: budget"}},
        {"a category", {.category = "Work"}, {}, {"Category Work"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.lost, Facts(c.duplicate, c.kept).wouldBeLost);
    }
}

std::vector<std::string> Labels(const std::vector<FieldPair>& pairs)
{
    std::vector<std::string> out;
    for (const FieldPair& pair : pairs)
        out.push_back(pair.label);
    return out;
}

std::vector<std::string> MainLabels(const std::vector<FieldPair>& pairs)
{
    std::vector<std::string> out;
    for (const FieldPair& pair : pairs)
        if (pair.main)
            out.push_back(pair.label);
    return out;
}

TEST_F(ReviewFactsTest, ContactComparisonFollowsTheDetailDialogAndLeavesOutFieldsEmptyInBoth)
{
    RecordPtr<GAddrRecord> d = Contact({"Anna Berger", {"anna@example.org"}, {}, "Example Ltd"});
    RecordPtr<GAddrRecord> k = Contact({"anna berger", {}, {"+49 170 1234567", "+49 30 123456"}});
    CopyText(d->szCity[0], "Berlin");
    d->nAddressType[0] = ADDRESS_WORK;
    CopyText(k->szCustomLabel[2], "Shoe size");
    CopyText(k->szCustomField[2], "38");
    CopyText(d->szNote, "Note");
    const std::vector<FieldPair> pairs = CompareContacts(*d, *k);
    EXPECT_EQ((std::vector<std::string>{"Display Name", "Company Name", "Email(Home)", "Phone(Home)", "Phone(Work)",
                                        "City(Work)", "Custom Field 3", "Note"}),
              Labels(pairs));
    EXPECT_EQ((std::vector<std::string>{"Display Name", "Company Name", "Email(Home)", "Phone(Home)"}),
              MainLabels(pairs));
    ASSERT_EQ(8u, pairs.size());
    EXPECT_EQ("Example Ltd", pairs[1].duplicate);
    EXPECT_EQ("", pairs[1].kept);
    EXPECT_EQ("Shoe size: 38", pairs[6].kept);

    CopyText(d->szEmailPrimary, "anna@example.org");
    EXPECT_EQ((std::vector<std::string>{"Display Name", "Company Name", "Email(Primary)", "Phone(Home)"}),
              MainLabels(CompareContacts(*d, *k)));
}

TEST_F(ReviewFactsTest, ComparisonDiffersUnderTheCaseSetting)
{
    RecordPtr<GAddrRecord> d = Contact({"Anna Berger", {"anna@example.org"}});
    RecordPtr<GAddrRecord> k = Contact({"ANNA BERGER", {"anna@example.org"}, {"+49 170 1234567"}});
    RecordPtr<GDateRecord> e = Event({"Team sync"});
    RecordPtr<GDateRecord> f = Event({"TEAM SYNC", kDay + kTen + 1.0 / 24.0});
    for (bool caseSensitive : {false, true}) {
        SCOPED_TRACE(caseSensitive ? "case sensitive" : "case ignored");
        AppSettings.CaseSensitive = caseSensitive;
        const std::vector<FieldPair> contact = CompareContacts(*d, *k);
        ASSERT_EQ(3u, contact.size());
        EXPECT_EQ(caseSensitive, contact[0].differs) << contact[0].label;
        EXPECT_FALSE(contact[1].differs) << contact[1].label;
        EXPECT_TRUE(contact[2].differs) << contact[2].label;
        const std::vector<FieldPair> event = CompareEvents(*e, *f);
        ASSERT_GE(event.size(), 3u);
        EXPECT_EQ(caseSensitive, event[0].differs) << event[0].label;
        EXPECT_EQ("07/10/2024 10:00:00", event[1].duplicate);
        EXPECT_TRUE(event[1].differs) << event[1].label;
        EXPECT_FALSE(event[2].differs) << event[2].label;
    }
}

TEST_F(ReviewFactsTest, EventComparisonFollowsTheDetailDialog)
{
    EventText a{.location = "Room 4", .note = "Agenda"};
    RecordPtr<GDateRecord> d = Event(a);
    RecordPtr<GDateRecord> k = Event({.category = "Work"});
    k->nReminderCount = 1;
    CopyText(k->szRecurrence, "DTSTART:20240710T100000\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n");
    k->nRecurrenceType = RECUR_WEEKLY;
    d->dtCreated = kDay;
    const std::vector<FieldPair> pairs = CompareEvents(*d, *k);
    EXPECT_EQ((std::vector<std::string>{"Subject", "Start Time", "End Time", "Location", "Alarm", "Category",
                                        "Recurrence", "Notes", "Creation Time"}),
              Labels(pairs));
    EXPECT_EQ((std::vector<std::string>{"Subject", "Start Time", "End Time", "Location"}), MainLabels(pairs));
    ASSERT_EQ(9u, pairs.size());
    EXPECT_EQ("No", pairs[4].duplicate);
    EXPECT_EQ("Yes", pairs[4].kept);
    EXPECT_EQ("FREQ=WEEKLY;INTERVAL=2", pairs[6].kept);
    EXPECT_EQ("", pairs[8].kept);
}

} // namespace
