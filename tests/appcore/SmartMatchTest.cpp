#include "app/core/SmartMatch.h"

#include "app/core/PhoneKey.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ContactText.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <set>
#include <string>

namespace {

bool ContactsAgree(const ContactText& a, const ContactText& b)
{
    const PhoneKeys phones("DE");
    return SmartContactsAgree(SmartContactOf(*Contact(a), phones), SmartContactOf(*Contact(b), phones));
}

} // namespace

TEST(SmartMatchTest, ContactsAreThePersonTheirNameAndAnIdentifierSay)
{
    struct Case
    {
        const char* what;
        ContactText a, b;
        bool same;
    };
    const Case cases[] = {
        {"the same person twice", {"John Doe", {"john@example.org"}}, {"John Doe", {"john@example.org"}}, true},
        {"e-mail in another slot and order",
         {"John Doe", {"j.doe@work.example", "john@example.org"}},
         {"John Doe", {"john@example.org", "j.doe@work.example"}},
         true},
        {"an older copy with one e-mail fewer",
         {"John Doe", {"john@example.org", "j.doe@work.example"}},
         {"John Doe", {"john@example.org"}},
         true},
        {"the primary e-mail against a slot",
         {.display = "John Doe", .primaryEmail = "john@example.org"},
         {"John Doe", {"JOHN@Example.ORG"}},
         true},
        {"a copy holding only the phone number",
         {"John Doe", {"john@example.org"}, {"+49 170 1234567"}},
         {"John Doe", {}, {"0170 1234567"}},
         true},
        {"last name first", {"Doe, John", {"john@example.org"}}, {"John Doe", {"john@example.org"}}, true},
        {"a stray blank and letter case",
         {" john  DOE", {"john@example.org"}},
         {"John Doe", {"john@example.org"}},
         true},
        {"name parts when the display name is empty",
         {.display = "", .emails = {"john@example.org"}, .first = "John", .last = "Doe"},
         {"John Doe", {"john@example.org"}},
         true},
        {"phone written four ways",
         {"Ann Lee", {}, {"+49-170-1234567"}},
         {"Ann Lee", {}, {"tel:+49-170-1234567"}},
         true},
        {"namesakes without e-mail", {"John Smith"}, {"John Smith"}, false},
        {"namesakes with different e-mails",
         {"John Smith", {"js1@example.org"}},
         {"John Smith", {"js2@example.org"}},
         false},
        {"a couple sharing one e-mail", {"Ann Lee", {"lees@example.org"}}, {"Bob Lee", {"lees@example.org"}}, false},
        {"a family landline", {"Ann Lee", {}, {"030 1234567"}}, {"Tom Lee", {}, {"030 1234567"}}, false},
        {"different numbers, no name", {"", {}, {"0170 1234567"}}, {"", {}, {"0170 7654321"}}, false},
        {"one shared number, no name", {"", {}, {"0170 1234567"}}, {"", {}, {"0170 1234567"}}, false},
        {"two shared identifiers, no name",
         {"", {"x@example.org"}, {"0170 1234567"}},
         {"", {"X@example.org"}, {"+491701234567"}},
         true},
        {"an e-mail never equals a phone text",
         {"Ann Lee", {"12345678@example.org"}},
         {"Ann Lee", {}, {"12345678"}},
         false},
        {"absurd phone texts are no identifier", {"Ann Lee", {}, {"1"}}, {"Ann Lee", {}, {"1"}}, false},
        {"nothing at all", {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.same, ContactsAgree(c.a, c.b));
        EXPECT_EQ(c.same, ContactsAgree(c.b, c.a));
    }
}

TEST(SmartMatchTest, BrokenTextInAFieldIsComparedAsItsBytes)
{
    const char broken[] = "J\xc3\x28hn \xff Doe";
    EXPECT_TRUE(ContactsAgree({broken, {"john@example.org"}}, {broken, {"john@example.org"}}));
    EXPECT_FALSE(ContactsAgree({broken, {"john@example.org"}}, {"John Doe", {"john@example.org"}}));
}

namespace {

constexpr double kDay = 46000.0; // a day in the records' date numbering
constexpr double kHour = 1.0 / 24.0;

struct EventText
{
    const char* subject = "Review";
    double start = kDay + 10 * kHour;
    double end = kDay + 11 * kHour;
    int allDay = 0;
    int recurType = RECUR_NONE;
    int interval = 0;
    double recurEnd = 0;
    const char* location = "";
};

RecordPtr<GDateRecord> Event(const EventText& t)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyText(r->szSubject, t.subject);
    CopyText(r->szLocation, t.location);
    r->dtStart = t.start;
    r->dtEnd = t.end;
    r->nAllDayEvent = t.allDay;
    r->nRecurrenceType = t.recurType;
    r->nRecurInterval = t.interval;
    r->dtRecurrenceEnd = t.recurEnd;
    if (t.recurType != RECUR_NONE)
        CopyText(r->szRecurrence, "RRULE:FREQ=WEEKLY");
    return r;
}

bool EventsAgree(const EventText& a, const EventText& b)
{
    return SmartEventsAgree(SmartEventOf(*Event(a)), SmartEventOf(*Event(b)));
}

} // namespace

TEST(SmartMatchTest, EventsAreTheSameSubjectAtTheSameInstant)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double halfSecond = 0.4 / 86400.0;
    struct Case
    {
        const char* what;
        EventText a, b;
        bool same;
    };
    const Case cases[] = {
        {"the same event", {}, {}, true},
        {"subject in other case and blanks", {"Team  review."}, {"team review"}, true},
        {"another location and note", {.location = "Room 1"}, {.location = "Room 2"}, true},
        {"start a fraction of a second apart", {}, {.start = kDay + 10 * kHour + halfSecond}, true},
        {"another start", {}, {.start = kDay + 9 * kHour}, false},
        {"another end", {}, {.end = kDay + 12 * kHour}, false},
        {"the same subject on another day", {}, {.start = kDay + 1 + 10 * kHour, .end = kDay + 1 + 11 * kHour}, false},
        {"all-day on the same date",
         {.start = kDay, .end = kDay + 1, .allDay = 1},
         {.start = kDay + 0.25, .end = kDay + 1.25, .allDay = 1},
         true},
        {"all-day against a timed event at midnight",
         {.start = kDay, .end = kDay + 1, .allDay = 1},
         {.start = kDay, .end = kDay + 1},
         false},
        {"all-day on another date",
         {.start = kDay, .end = kDay + 1, .allDay = 1},
         {.start = kDay + 1, .end = kDay + 2, .allDay = 1},
         false},
        {"two equal series",
         {.recurType = RECUR_WEEKLY, .interval = 1},
         {.recurType = RECUR_WEEKLY, .interval = 1},
         true},
        {"a series against a single event", {.recurType = RECUR_WEEKLY, .interval = 1}, {}, false},
        {"series with another interval",
         {.recurType = RECUR_WEEKLY, .interval = 1},
         {.recurType = RECUR_WEEKLY, .interval = 2},
         false},
        {"series with another end",
         {.recurType = RECUR_WEEKLY, .interval = 1, .recurEnd = kDay + 30},
         {.recurType = RECUR_WEEKLY, .interval = 1, .recurEnd = kDay + 60},
         false},
        {"a start that is not a number", {.start = nan}, {.start = nan}, false},
        {"an end that is infinite",
         {.end = std::numeric_limits<double>::infinity()},
         {.end = std::numeric_limits<double>::infinity()},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.same, EventsAgree(c.a, c.b));
        EXPECT_EQ(c.same, EventsAgree(c.b, c.a));
    }
}

TEST(SmartMatchTest, AgreeingRecordsAlwaysShareABlock)
{
    // The scan compares only within blocks: a pair that agrees but shares none would be lost.
    const PhoneKeys phones("DE");
    const auto blocksOf = [&](const ContactText& t) {
        std::vector<std::pair<uint64_t, uint32_t>> blocks;
        AddSmartContactBlocks(SmartContactOf(*Contact(t), phones), 0, blocks);
        std::set<uint64_t> hashes;
        for (const auto& b : blocks)
            hashes.insert(b.first);
        return hashes;
    };
    const auto share = [](const std::set<uint64_t>& a, const std::set<uint64_t>& b) {
        for (uint64_t h : a)
            if (b.count(h))
                return true;
        return false;
    };
    EXPECT_TRUE(share(blocksOf({"Doe, John", {"a@example.org"}}), blocksOf({"john doe", {}, {"0170 1234567"}})));
    EXPECT_TRUE(share(blocksOf({"", {"a@example.org"}, {"0170 1234567"}}),
                      blocksOf({"", {"b@example.org", "A@example.org"}, {"+491701234567"}})));
    // A named contact without any identifier can agree with nothing and joins no block.
    EXPECT_TRUE(blocksOf({"John Doe"}).empty());

    std::vector<std::pair<uint64_t, uint32_t>> a, b;
    AddSmartEventBlocks(SmartEventOf(*Event({"Team Review"})), 0, a);
    AddSmartEventBlocks(SmartEventOf(*Event({"team  review"})), 1, b);
    ASSERT_EQ(1u, a.size());
    ASSERT_EQ(1u, b.size());
    EXPECT_EQ(a[0].first, b[0].first);
}

TEST(SmartMatchTest, IdentifiersAreReadOnlyForContactsThatCanNeedThem)
{
    const PhoneKeys phones("DE");
    auto alone = Contact({"Ann Lee", {"ann@example.org"}, {"0170 1234567"}});
    auto twinA = Contact({"John Doe", {"john@example.org"}});
    auto twinB = Contact({"Doe, John", {}, {"0170 7654321"}});
    auto nameless = Contact({"", {"x@example.org"}});
    const std::vector<GAddrRecord*> records = {alone.get(), twinA.get(), twinB.get(), nameless.get()};
    const std::vector<SmartContact> keys = SmartContactsOf(records, phones);
    ASSERT_EQ(4u, keys.size());
    EXPECT_EQ("ann lee", keys[0].name);
    EXPECT_TRUE(keys[0].ids.empty()) << "no other contact is called Ann Lee";
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(SmartContactOf(*records[i], phones).ids, keys[i].ids) << i;
    EXPECT_EQ(1u, keys[1].ids.size());
}
