// Smart matching scored against a generated account whose truth is known: every record belongs to a
// person (or an event to a meeting), copies of one person are built the ways real address books come
// to hold them, and different people are built the ways that fool a simple rule. A pair is found
// when the scan puts both records in one group, and wrongly joined when the two are not the same.
#include "app/core/NotDuplicates.h"
#include "tests/appcore/ScanKinds.h"
#include "tests/appcore/ScanTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct Score
{
    size_t truePairs = 0;
    size_t found = 0;
    size_t wronglyJoined = 0;
    std::vector<std::string> wrong; // the wrongly joined pairs, for the failure message
    std::vector<std::string> missed;
};

// truth[i] is the person of records[i]; label[i] says how the record was made.
template <class Record>
Score ScoreGroups(const std::vector<Record*>& records, const std::vector<int>& truth,
                  const std::vector<std::string>& label)
{
    Score s;
    const auto groupOf = [](const Record* r) { return r->pKept ? r->pKept : r; };
    for (size_t i = 0; i < records.size(); ++i)
        for (size_t j = i + 1; j < records.size(); ++j) {
            const bool same = truth[i] == truth[j];
            const bool joined = groupOf(records[i]) == groupOf(records[j]);
            s.truePairs += same;
            s.found += same && joined;
            if (!same && joined) {
                ++s.wronglyJoined;
                s.wrong.push_back(label[i] + " + " + label[j]);
            }
            if (same && !joined)
                s.missed.push_back(label[i] + " + " + label[j]);
        }
    return s;
}

void ExpectGoodScore(const Score& s)
{
    ASSERT_GT(s.truePairs, 0u);
    EXPECT_GE(s.found * 100, s.truePairs * 95) << s.found << " of " << s.truePairs << " true pairs found; missed e.g. "
                                               << (s.missed.empty() ? "" : s.missed.front());
    EXPECT_EQ(0u, s.wronglyJoined) << (s.wrong.empty() ? "" : s.wrong.front());
}

const char* const kFirst[] = {"Anna", "Ben",   "Clara", "David", "Eva",  "Felix", "Greta", "Hugo",
                              "Ida",  "Jonas", "Karla", "Lukas", "Mia",  "Noah",  "Olga",  "Paul",
                              "Rosa", "Simon", "Tina",  "Umut",  "José", "Zoë",   "Renée", "Ştefan"};

// The accented first names as a program that drops accents writes them.
const char* WithoutAccents(const std::string& first)
{
    static const char* const kPairs[][2] = {{"José", "Jose"}, {"Zoë", "Zoe"}, {"Renée", "Renee"}, {"Ştefan", "Stefan"}};
    for (const auto& pair : kPairs)
        if (first == pair[0])
            return pair[1];
    return nullptr;
}

const char* const kLast[] = {"Adler", "Bauer", "Conrad", "Dietz", "Engel", "Fuchs", "Graf", "Hahn",
                             "Iske",  "Jung",  "Kraus",  "Lang",  "Maier", "Neu",   "Otto", "Peters"};

// One person as the first import left them.
struct Person
{
    std::string first, last;
    std::vector<std::string> emails;
    std::string mobile; // digits after the German trunk prefix, e.g. "1701234567"
};

// The contacts of a generated account with the person each belongs to.
class AccountBuilder
{
public:
    explicit AccountBuilder(uint32_t seed)
        : m_dice(seed)
    {}

    void Build()
    {
        int next = 0;
        for (size_t f = 0; f < std::size(kFirst); ++f)
            for (size_t l = 0; l < std::size(kLast); l += 2) {
                const Person p = MakePerson(kFirst[f], kLast[(l + f) % std::size(kLast)], next);
                AddPersonWithCopies(p, next++);
            }
        AddPeopleWhoOnlyLookAlike(next);
    }

    std::vector<RecordPtr<GAddrRecord>> records;
    std::vector<int> truth;
    std::vector<std::string> label;

private:
    Person MakePerson(const std::string& first, const std::string& last, int id)
    {
        Person p{first, last, {}, {}};
        p.emails.push_back(Lower(first) + "." + Lower(last) + std::to_string(id) + "@example.org");
        if (m_dice.OneIn(2))
            p.emails.push_back(Lower(first) + std::to_string(id) + "@work.example");
        p.mobile = "17" + std::to_string(10000000 + id * 7919);
        return p;
    }

    static std::string Lower(std::string s)
    {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }

    RecordPtr<GAddrRecord> Card(const std::string& display, const std::vector<std::string>& emails,
                                const std::vector<std::string>& phones, double modified)
    {
        RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
        CopyString(r->szDisplayName, display);
        for (size_t i = 0; i < emails.size() && i < kEmailSlots; ++i)
            CopyString(r->szEmail[i], emails[i]);
        for (size_t i = 0; i < phones.size() && i < kPhoneSlots; ++i)
            CopyString(r->szPhone[i], phones[i]);
        r->dtModified = modified;
        return r;
    }

    void Push(RecordPtr<GAddrRecord> r, int person, const std::string& how)
    {
        label.push_back(how + " '" + r->szDisplayName + "'");
        records.push_back(std::move(r));
        truth.push_back(person);
    }

    // The ways one person's copies differ from the first import.
    void AddPersonWithCopies(const Person& p, int id)
    {
        const std::string name = p.first + " " + p.last;
        const std::string intl = "+49 " + p.mobile.substr(0, 3) + " " + p.mobile.substr(3);
        Push(Card(name, p.emails, {intl}, 100), id, "original");
        std::vector<std::string> reversed(p.emails.rbegin(), p.emails.rend());
        switch (WithoutAccents(p.first) ? 8 : m_dice.Roll(10)) {
        case 0:
            Push(Card(name, p.emails, {intl}, 200), id, "second import");
            break;
        case 1:
            Push(Card(name, reversed, {}, 200), id, "e-mails in another order");
            break;
        case 2:
            Push(Card(name, {p.emails.front()}, {}, 50), id, "older copy, one e-mail fewer");
            break;
        case 3:
            Push(Card(name, {}, {"0" + p.mobile}, 300), id, "phone copy, national number");
            break;
        case 4:
            Push(Card(p.last + ", " + p.first, p.emails, {}, 200), id, "last name first");
            break;
        case 5:
            Push(Card(" " + p.first + "  " + p.last, p.emails, {}, 200), id, "stray blanks");
            break;
        case 6:
            Push(Card(name, {}, {"tel:+49-" + p.mobile.substr(0, 3) + "-" + p.mobile.substr(3)}, 200), id,
                 "phone copy, tel: link");
            Push(Card(name, {}, {"+49-" + p.mobile.substr(0, 3) + "-" + p.mobile.substr(3)}, 250), id,
                 "phone copy, dashes");
            break;
        case 7: {
            std::string upper = p.emails.front();
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            Push(Card(Lower(name), {upper}, {}, 200), id, "other letter case");
            break;
        }
        case 8:
            if (const char* plain = WithoutAccents(p.first))
                Push(Card(std::string(plain) + " " + p.last, p.emails, {}, 200), id, "accents dropped");
            else
                Push(Card(name, {p.emails.back()}, {intl}, 200), id, "the other e-mail only");
            break;
        default:
            break; // a person with no copy
        }
    }

    // Different people that share a name or an identifier.
    void AddPeopleWhoOnlyLookAlike(int next)
    {
        for (int n = 0; n < 12; ++n) {
            const std::string name = std::string(kFirst[n]) + " Namesake";
            Push(Card(name, {"first" + std::to_string(n) + "@example.org"}, {}, 100), next++,
                 "namesake with own e-mail");
            Push(Card(name, {"second" + std::to_string(n) + "@example.org"}, {}, 100), next++,
                 "namesake with own e-mail");
            Push(Card(std::string(kFirst[n]) + " Nomail", {}, {}, 100), next++, "namesake without e-mail");
            Push(Card(std::string(kFirst[n]) + " Nomail", {}, {}, 100), next++, "namesake without e-mail");
            const std::string shared = "family" + std::to_string(n) + "@example.org";
            Push(Card(std::string(kFirst[n]) + " Couple", {shared}, {}, 100), next++, "couple sharing an e-mail");
            Push(Card(std::string(kFirst[n + 1]) + " Couple", {shared}, {}, 100), next++, "couple sharing an e-mail");
            const std::string landline = "030 " + std::to_string(5550000 + n);
            Push(Card(std::string(kFirst[n]) + " Home", {}, {landline}, 100), next++, "family landline");
            Push(Card(std::string(kFirst[n + 2]) + " Home", {}, {landline}, 100), next++, "family landline");
            Push(Card("", {}, {"0151 " + std::to_string(2220000 + n)}, 100), next++, "number without a name");
            Push(Card("", {}, {"0151 " + std::to_string(3330000 + n)}, 100), next++, "number without a name");
        }
    }

    Dice m_dice;
};

class SmartAccountTest : public DupScanTest<ContactKind>, public ::testing::WithParamInterface<uint32_t>
{};

} // namespace

TEST_P(SmartAccountTest, FindsWhatAPersonCallsDuplicatesAndJoinsNoTwoPeople)
{
    // The phone region comes from the locale; the account's national numbers are German.
    const ScopedEnv locale("LC_ALL", "de_DE.UTF-8");
    AccountBuilder account(GetParam());
    account.Build();
    std::vector<GAddrRecord*> loaded;
    for (const auto& r : account.records)
        loaded.push_back(Add(*r));

    AppSettings.MatchMode = MATCH_SMART;
    ASSERT_TRUE(ScanContactDuplicates());
    ExpectGoodScore(ScoreGroups(loaded, account.truth, account.label));

    // The field rule stays what it was: exactly the pairwise reference, which finds less.
    AppSettings.MatchMode = MATCH_EXACT;
    ASSERT_TRUE(ScanContactDuplicates());
    const Records exact = DupList();
    const std::vector<uint32_t> exactFlags = Flags(loaded);
    ASSERT_TRUE(ScanContactDuplicatesPairwise());
    EXPECT_EQ(DupList(), exact);
    EXPECT_EQ(Flags(loaded), exactFlags);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SmartAccountTest, ::testing::Values(1u, 2u, 3u));

namespace {

constexpr double kMonday = 46000.0; // a day in the records' date numbering
constexpr double kHour = 1.0 / 24.0;

// The events of a generated calendar and the meeting each stands for.
class CalendarBuilder
{
public:
    explicit CalendarBuilder(uint32_t seed)
        : m_dice(seed)
    {}

    void Build()
    {
        static const char* const kSubjects[] = {"Team review", "Budget",        "Dentist", "Call with Anna",
                                                "Standup",     "Board meeting", "Lunch",   "Workshop"};
        int meeting = 0;
        for (int day = 0; day < 30; ++day)
            for (size_t s = 0; s < std::size(kSubjects); s += 1 + day % 3) {
                const double start = kMonday + day + (8 + s) * kHour;
                Add(Event(kSubjects[s], start, start + kHour), meeting, "original");
                AddCopies(kSubjects[s], start, meeting);
                ++meeting;
            }
        AddSeries(meeting);
    }

    std::vector<RecordPtr<GDateRecord>> records;
    std::vector<int> truth;
    std::vector<std::string> label;

private:
    static RecordPtr<GDateRecord> Event(const std::string& subject, double start, double end, int allDay = 0)
    {
        RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
        CopyString(r->szSubject, subject);
        r->dtStart = start;
        r->dtEnd = end;
        r->nAllDayEvent = allDay;
        return r;
    }

    void Add(RecordPtr<GDateRecord> r, int meeting, const std::string& how)
    {
        label.push_back(how + " '" + r->szSubject + "'");
        records.push_back(std::move(r));
        truth.push_back(meeting);
    }

    void AddCopies(const std::string& subject, double start, int meeting)
    {
        switch (m_dice.Roll(6)) {
        case 0:
            Add(Event(subject, start, start + kHour), meeting, "second import");
            break;
        case 1: {
            auto copy = Event(subject + ".", start, start + kHour);
            CopyText(copy->szLocation, "Room 4");
            Add(std::move(copy), meeting, "copy with a location");
            break;
        }
        case 2: {
            std::string upper = subject;
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            Add(Event(upper, start, start + kHour), meeting, "copy in capitals");
            break;
        }
        case 3:
            // The same subject an hour later is another meeting.
            Add(Event(subject, start + kHour, start + 2 * kHour), -meeting - 1, "same subject, later");
            break;
        case 4:
            // Past the generated days, so no meeting of the calendar itself is there.
            Add(Event(subject, start + 40, start + 40 + kHour), -meeting - 1, "same subject, another date");
            break;
        default:
            break;
        }
    }

    // Weekly series: a copy of a series is the same; another count, or a single event at the series'
    // first occurrence, is not.
    void AddSeries(int meeting)
    {
        for (int n = 0; n < 10; ++n, ++meeting) {
            const double start = kMonday + n + 17 * kHour;
            const std::string subject = "Series " + std::to_string(n);
            const auto series = [&](double end) {
                auto r = Event(subject, start, start + kHour);
                r->nRecurrenceType = RECUR_WEEKLY;
                r->nRecurInterval = 1;
                r->nRecurDayOfWeek = DAY_MONDAY;
                r->dtRecurrenceEnd = end;
                CopyText(r->szRecurrence, "RRULE:FREQ=WEEKLY;BYDAY=MO");
                return r;
            };
            Add(series(start + 70), meeting, "series");
            Add(series(start + 70), meeting, "copy of the series");
            Add(series(start + 140), 100000 + meeting, "series with another end");
            Add(Event(subject, start, start + kHour), 200000 + meeting, "single event at the series' start");
        }
    }

    Dice m_dice;
};

class SmartCalendarTest : public DupScanTest<EventKind>, public ::testing::WithParamInterface<uint32_t>
{};

} // namespace

TEST_P(SmartCalendarTest, FindsCopiesOfAMeetingAndNeverJoinsTwoMeetings)
{
    CalendarBuilder calendar(GetParam());
    calendar.Build();
    std::vector<GDateRecord*> loaded;
    for (const auto& r : calendar.records)
        loaded.push_back(Add(*r));

    AppSettings.MatchMode = MATCH_SMART;
    ASSERT_TRUE(ScanEventDuplicates());
    ExpectGoodScore(ScoreGroups(loaded, calendar.truth, calendar.label));

    AppSettings.MatchMode = MATCH_EXACT;
    ASSERT_TRUE(ScanEventDuplicates());
    const Records exact = DupList();
    ASSERT_TRUE(ScanEventDuplicatesPairwise());
    EXPECT_EQ(DupList(), exact);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SmartCalendarTest, ::testing::Values(1u, 2u, 3u));
