#include "app/core/EventScan.h"
#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CommDateRecord.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/appcore/ScanKinds.h"
#include "tests/appcore/ScanTestSupport.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

// 7 January 2024, 10:00 and 11:00, as day values.
constexpr double kTen = 45298.0 + 10.0 / 24;
constexpr double kEleven = 45298.0 + 11.0 / 24;
constexpr double kSecond = 1.0 / 86400;

RecordPtr<GDateRecord> NewEvent(const char* subject, double modified = 0, double created = 0)
{
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyText(r->szSubject, subject);
    r->dtStart = kTen;
    r->dtEnd = kEleven;
    r->dtModified = modified;
    r->dtCreated = created;
    return r;
}

class EventScanTest : public DupScanTest<EventKind>
{
protected:
    GDateRecord* AddEvent(const char* subject, double modified = 0, double created = 0)
    {
        return Add(*NewEvent(subject, modified, created));
    }
};

TEST_F(EventScanTest, DefaultRuleIgnoresLocationAndNoteAndKeepsTheLaterModified)
{
    auto newer = NewEvent("Team meeting", 200);
    CopyText(newer->szLocation, "Room 1");
    CopyText(newer->szNote, "Bring the figures.");
    auto older = NewEvent("Team meeting", 100);
    CopyText(older->szLocation, "Room 2");
    CopyText(older->szNote, "Agenda to follow.");
    GDateRecord* a = Add(*newer);
    GDateRecord* b = Add(*older);

    EXPECT_TRUE(IsSameEvent(a, b));
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(std::vector<GDateRecord*>{b}, DupList());
    EXPECT_EQ((std::vector<uint32_t>{0, REC_DUPLICATE}), Flags({a, b}));

    AppSettings.DateLocation = true;
    EXPECT_FALSE(IsSameEvent(a, b));
}

TEST_F(EventScanTest, LetterCaseOfTextsFollowsTheCaseSetting)
{
    auto a = NewEvent("Team Meeting");
    auto b = NewEvent("TEAM MEETING");
    EXPECT_TRUE(IsSameEvent(a.get(), b.get()));
    AppSettings.CaseSensitive = true;
    EXPECT_FALSE(IsSameEvent(a.get(), b.get()));
    CopyText(b->szSubject, "Team Meeting");
    EXPECT_TRUE(IsSameEvent(a.get(), b.get()));
}

TEST_F(EventScanTest, TimesMustMatchToTheSecondOnlyWhenCompared)
{
    struct Case
    {
        const char* what;
        bool compareStart;
        bool duplicate;
    };
    const Case cases[] = {
        {"10:00:00 and 10:00:01 with Start Time compared", true, false},
        {"10:00:00 and 10:00:01 with Start Time not compared", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        AppSettings.DateStartTime = c.compareStart;
        GDateRecord* a = AddEvent("Dentist", 100);
        GDateRecord* b = AddEvent("Dentist", 200);
        b->dtStart = kTen + kSecond;
        ASSERT_TRUE(ScanEventDuplicates());
        EXPECT_EQ(c.duplicate ? std::vector<GDateRecord*>{a} : std::vector<GDateRecord*>{}, DupList());
        EXPECT_EQ((std::vector<uint32_t>{c.duplicate ? REC_DUPLICATE : 0u, 0}), Flags({a, b}));
    }
}

TEST_F(EventScanTest, RecurrenceTakesNoPartInTheRule)
{
    auto a = NewEvent("Standup", 100);
    CopyText(a->szRecurrence, "DTSTART;TZID=Europe/Berlin:20240107T100000\r\n"
                              "DTEND;TZID=Europe/Berlin:20240107T110000\r\n"
                              "RRULE:FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE\r\n");
    a->nRecurrenceType = RECUR_WEEKLY;
    a->nRecurInterval = 2;
    a->nRecurDayOfWeek = DAY_MONDAY | DAY_WEDNESDAY;
    auto b = NewEvent("Standup", 200);
    CopyText(b->szRecurrence, "DTSTART;TZID=Europe/Berlin:20240107T100000\r\n"
                              "DTEND;TZID=Europe/Berlin:20240107T110000\r\n"
                              "RRULE:FREQ=DAILY;COUNT=10\r\n");
    b->nRecurrenceType = RECUR_DAILY;
    b->nRecurInterval = 1;
    b->dtRecurrenceEnd = 45310.0;
    GDateRecord* ra = Add(*a);
    GDateRecord* rb = Add(*b);

    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(std::vector<GDateRecord*>{ra}, DupList());
    EXPECT_EQ(0u, rb->dwFlags);

    // The option is kept in the settings file, but no rule reads it.
    AppSettings.DateRecur = true;
    EXPECT_TRUE(IsSameEvent(ra, rb));
}

TEST_F(EventScanTest, SamenessNeedsANonEmptyTextOrASetTime)
{
    auto a = Zeroed<GDateRecord>();
    auto b = Zeroed<GDateRecord>();
    {
        SCOPED_TRACE("no subject and no times under the default rule");
        EXPECT_FALSE(IsSameEvent(a.get(), b.get()));
        a->nAllDayEvent = b->nAllDayEvent = 1;
        EXPECT_FALSE(IsSameEvent(a.get(), b.get())) << "an equal all-day flag alone proves nothing";
    }
    {
        SCOPED_TRACE("every option on, everything empty");
        SetRule(kEventRuleFlags, kEventRuleFlags);
        EXPECT_FALSE(IsSameEvent(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("every option off matches nothing, not even equal subjects");
        SetRule(kEventRuleFlags, {});
        CopyText(a->szSubject, "Team meeting");
        CopyText(b->szSubject, "Team meeting");
        EXPECT_FALSE(IsSameEvent(a.get(), b.get()));
        EXPECT_FALSE(IsSameEvent(a.get(), a.get()));
    }
    {
        SCOPED_TRACE("empty subjects, an equal set start is evidence enough");
        EventKind::SetDefaultRule();
        a = Zeroed<GDateRecord>();
        b = Zeroed<GDateRecord>();
        a->dtStart = b->dtStart = kTen;
        EXPECT_TRUE(IsSameEvent(a.get(), b.get()));
    }
    {
        SCOPED_TRACE("an empty subject never equals a non-empty one");
        CopyText(b->szSubject, "Team meeting");
        EXPECT_FALSE(IsSameEvent(a.get(), b.get()));
        EXPECT_FALSE(IsSameEvent(b.get(), a.get()));
    }
}

void FillEveryField(GDateRecord& r)
{
    r.nHeadValue1 = 7;
    r.ActionCode = 1;
    CopyText(r.szHelperTextA, "event-0001");
    CopyText(r.szSubject, "Quarterly review");
    CopyText(r.szLocation, "Room 4.12");
    r.dtStart = kTen;
    r.dtEnd = kEleven;
    r.nAllDayEvent = 1;
    CopyText(r.szCategory, "Work");
    r.nPublishType = 1;
    r.nShowStatus = 2;
    r.nReminderCount = 1;
    r.nReminderA[0] = 1;
    r.nReminderB[0] = 15;
    CopyText(r.szRecurrence, "DTSTART:20240107T100000\r\nDTEND:20240107T110000\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=7\r\n");
    r.nRecurrenceType = RECUR_MONTHLY_BY_DATE;
    r.nRecurInterval = 1;
    r.nRecurDayOfMonth = 7;
    r.dtRecurrenceStart = kTen;
    CopyText(r.szHelperTextB, "b");
    CopyText(r.szHelperTextC, "c");
    std::memset(r.szNote, 'n', sizeof r.szNote - 1);
    r.szNote[sizeof r.szNote - 1] = '\0';
    r.dtCreated = 45000.0;
    r.dtModified = 45100.0;
}

const FieldChange<GDateRecord> kChanges[] = {
    {"Subject", &TAppSettings::DateSubject, [](GDateRecord& r) { r.szSubject[0] = 'X'; }},
    {"Subject with a trailing space", &TAppSettings::DateSubject,
     [](GDateRecord& r) { CopyText(r.szSubject, "Quarterly review "); }},
    {"Subject emptied", &TAppSettings::DateSubject, [](GDateRecord& r) { r.szSubject[0] = '\0'; }},
    {"Location", &TAppSettings::DateLocation, [](GDateRecord& r) { r.szLocation[0] = 'X'; }},
    {"Start one second later", &TAppSettings::DateStartTime, [](GDateRecord& r) { r.dtStart += kSecond; }},
    {"Start a fraction of a second earlier", &TAppSettings::DateStartTime,
     [](GDateRecord& r) { r.dtStart = std::nextafter(r.dtStart, 0.0); }},
    {"Start unset", &TAppSettings::DateStartTime, [](GDateRecord& r) { r.dtStart = 0; }},
    {"End one second later", &TAppSettings::DateEndTime, [](GDateRecord& r) { r.dtEnd += kSecond; }},
    {"End a fraction of a second later", &TAppSettings::DateEndTime,
     [](GDateRecord& r) { r.dtEnd = std::nextafter(r.dtEnd, 1e9); }},
    {"All Day Event 1 and 2", &TAppSettings::DateAllDayEvent, [](GDateRecord& r) { r.nAllDayEvent = 2; }},
    {"Note, first byte", &TAppSettings::DateNote, [](GDateRecord& r) { r.szNote[0] = 'X'; }},
    {"Note, last byte", &TAppSettings::DateNote, [](GDateRecord& r) { r.szNote[sizeof r.szNote - 2] = 'X'; }},
    {"Category", nullptr, [](GDateRecord& r) { r.szCategory[0] = 'X'; }},
    {"recurrence text", nullptr, [](GDateRecord& r) { r.szRecurrence[0] = '\0'; }},
    {"recurrence type", nullptr, [](GDateRecord& r) { r.nRecurrenceType = RECUR_YEARLY; }},
    {"recurrence integers", nullptr,
     [](GDateRecord& r) {
         r.nRecurInterval = 3;
         r.nRecurDayOfMonth = 9;
     }},
    {"recurrence start", nullptr, [](GDateRecord& r) { r.dtRecurrenceStart += 1; }},
    {"reminders", nullptr, [](GDateRecord& r) { r.nReminderB[0] = 30; }},
    {"show status", nullptr, [](GDateRecord& r) { r.nShowStatus = 1; }},
    {"helper texts", nullptr, [](GDateRecord& r) { r.szHelperTextB[0] = 'X'; }},
    {"times", nullptr,
     [](GDateRecord& r) {
         r.dtCreated = 1.0;
         r.dtModified = 2.0;
     }},
};

TEST_F(EventScanTest, EachOptionComparesItsFieldOnly)
{
    auto base = Zeroed<GDateRecord>();
    FillEveryField(*base);
    // All Day Event on its own never gives the evidence sameness needs.
    ExpectEachOptionComparesItsFields(*base, kChanges, [](const std::vector<RuleFlag>& rule) {
        return rule.size() > 1 || rule[0] != &TAppSettings::DateAllDayEvent;
    });
}

TEST_F(EventScanTest, NullRecordsAreNeitherSameNorNewer)
{
    auto a = NewEvent("Team meeting", 5.0);
    ExpectNullRecordsAreNeitherSameNorNewer(a.get());
}

TEST_F(EventScanTest, NewerByModificationElseByCreationTime)
{
    ExpectNewerByModificationElseByCreationTime(
        [](double modified, double created) { return NewEvent("Team meeting", modified, created); });
}

TEST_F(EventScanTest, WalkFollowsManagerOrderAndRestoresTheCursor)
{
    GDateRecord* a = AddEvent("A");
    GDateRecord* b = AddEvent("B");
    GDateRecord* c = AddEvent("C");
    ExpectWalkFollowsManagerOrderAndRestoresTheCursor(a, b, c);
}

TEST_F(EventScanTest, CommonRecordWithoutEventEndsTheWalk)
{
    ExpectCommonRecordWithoutRecordEndsTheWalk(*NewEvent("Team meeting", 100), *NewEvent("Team meeting", 200));
}

TEST_F(EventScanTest, NewestOfThreeStaysAndEachOtherIsListedOnce)
{
    GDateRecord* a = AddEvent("Team meeting", 100);
    GDateRecord* b = AddEvent("Team meeting", 300);
    GDateRecord* c = AddEvent("Team meeting", 200);
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ((std::vector<GDateRecord*>{a, c}), DupList());
    EXPECT_EQ((std::vector<uint32_t>{REC_DUPLICATE, 0, REC_DUPLICATE}), Flags({a, b, c}));
}

TEST_F(EventScanTest, WithoutAnyTimesTheLastInManagerOrderStays)
{
    GDateRecord* a = AddEvent("Team meeting");
    GDateRecord* other = AddEvent("Lunch");
    GDateRecord* b = AddEvent("Team meeting");
    GDateRecord* c = AddEvent("Team meeting");
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ((std::vector<GDateRecord*>{a, b}), DupList());
    EXPECT_EQ((std::vector<uint32_t>{REC_DUPLICATE, 0, REC_DUPLICATE, 0}), Flags({a, other, b, c}));
}

TEST_F(EventScanTest, UnsetModificationTimeIsJudgedByCreationTime)
{
    // The earlier event was never modified but created after the later one's modification.
    GDateRecord* a = AddEvent("Team meeting", 0, 300);
    GDateRecord* b = AddEvent("Team meeting", 200, 100);
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(std::vector<GDateRecord*>{b}, DupList());
    EXPECT_EQ(0u, a->dwFlags);
}

TEST_F(EventScanTest, EmptyEventsNeverGroupAndARuleWithoutOptionsMatchesNothing)
{
    GDateRecord* a = Add(*Zeroed<GDateRecord>());
    GDateRecord* b = Add(*Zeroed<GDateRecord>());
    GDateRecord* c = AddEvent("Team meeting", 100);
    GDateRecord* d = AddEvent("Team meeting", 200);
    ExpectEmptyRecordsNeverGroupAndARuleWithoutOptionsMatchesNothing(a, b, c, d);
}

TEST_F(EventScanTest, ScanKeepsSelectionAndClearsOldMarks)
{
    GDateRecord* a = AddEvent("Team meeting", 100);
    GDateRecord* b = AddEvent("Team meeting", 200);
    GDateRecord* c = AddEvent("Lunch", 100);
    ExpectScanKeepsSelectionAndClearsOldMarks(a, b, c);
}

TEST_F(EventScanTest, SecondScanGivesTheSameResult)
{
    std::vector<GDateRecord*> all = {
        AddEvent("Team meeting", 300), AddEvent("Lunch", 100),        AddEvent("TEAM MEETING", 100),
        AddEvent("Lunch", 200),        AddEvent("Team meeting", 200), AddEvent("Dentist", 100),
    };
    ExpectSecondScanGivesTheSameResult(all, {all[2], all[4], all[1]});
}

TEST_F(EventScanTest, EmptyCalendarEmptiesTheList)
{
    auto stale = NewEvent("Team meeting");
    ExpectScanOfNoRecordsEmptiesTheList(stale.get());
}

TEST_F(EventScanTest, WithoutUtilityOrListNothingChanges)
{
    GDateRecord* a = AddEvent("Team meeting", 100);
    GDateRecord* b = AddEvent("Team meeting", 200);
    ExpectNothingChangesWithoutUtilityOrList(a, b);
}

TEST_F(EventScanTest, GroupSearchRefusesNullOrMarkedStartAndRestoresTheCursor)
{
    GDateRecord* a = AddEvent("Team meeting", 100);
    GDateRecord* b = AddEvent("Lunch", 100);
    GDateRecord* c = AddEvent("Lunch", 200);
    GDateRecord* d = AddEvent("Dentist", 100);
    ExpectGroupSearchRefusesNullOrMarkedStartAndRestoresTheCursor(a, b, c, d);
}

} // namespace

namespace {

// An event of one of a few meetings: texts as near misses, times from the dates the rule must tell
// apart (unset, -0.0, negative, NaN), the all-day flag either way.
RecordPtr<GDateRecord> GeneratedEvent(Dice& dice, uint32_t meetings)
{
    const std::string which = std::to_string(dice.Roll(meetings));
    auto field = [&](const std::string& text) { return dice.OneIn(6) ? dice.NearMiss(text) : text; };
    RecordPtr<GDateRecord> r = Zeroed<GDateRecord>();
    CopyString(r->szSubject, field(dice.OneIn(8) ? "" : "Meeting " + which));
    CopyString(r->szLocation, field(dice.OneIn(2) ? "Room " + which : ""));
    r->dtStart = dice.OneIn(3) ? dice.Date() : kTen + dice.Roll(meetings);
    r->dtEnd = dice.OneIn(3) ? dice.Date() : kEleven + dice.Roll(meetings);
    r->nAllDayEvent = dice.OneIn(4) ? 1 : 0;
    CopyString(r->szNote, field(dice.OneIn(3) ? "Bring the figures" : ""));
    r->dtModified = dice.Time();
    r->dtCreated = dice.Time();
    return r;
}

} // namespace

// One seed a case, so the cases can run side by side.
class EventScanDifferentialTest : public EventScanTest, public ::testing::WithParamInterface<uint32_t>
{};

TEST_P(EventScanDifferentialTest, OnePassScanMarksWhatThePairwiseSearchMarks)
{
    Dice dice(GetParam());
    for (int i = 0; i < 2000; ++i)
        Add(*GeneratedEvent(dice, 40));
    EXPECT_GT(ExpectScanAgreesWithPairwise(DifferentialRules(kEventRuleFlags, dice)), 0u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, EventScanDifferentialTest, ::testing::Values(1u, 2u, 3u));
