#include "helpers/driver/TrashRun.h"

#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemPlace.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

struct DaysCase
{
    const char* options;
    bool taken;
    int days;
};

TEST(TrashRunTest, DaysOfAnEmptyingAreADecimalInRange)
{
    const DaysCase cases[] = {
        {"0", true, 0},   {"30", true, 30}, {"36500", true, 36500}, {"36501", false, 0},
        {"", false, 0},   {"-1", false, 0}, {" 3", false, 0},       {"3 ", false, 0},
        {"3d", false, 0}, {"+3", false, 0}, {"999999", false, 0},   {"0x10", false, 0},
    };
    for (const DaysCase& c : cases) {
        int days = -7;
        EXPECT_EQ(ParseTrashDays(c.options, days), c.taken) << c.options;
        EXPECT_EQ(days, c.taken ? c.days : -7) << c.options;
    }
}

struct AgeCase
{
    const char* day;
    const char* today;
    int days;
    bool older;
};

TEST(TrashRunTest, ADeletionIsOlderByCalendarDays)
{
    const AgeCase cases[] = {
        {"2026-12-11", "2026-12-11", 0, true},   // 0 days: every deletion, today's too
        {"2026-12-11", "2026-12-11", 1, false},  //
        {"2026-12-10", "2026-12-11", 1, true},   //
        {"2026-11-11", "2026-12-11", 30, true},  // across a month
        {"2026-11-12", "2026-12-11", 30, false}, //
        {"2025-12-31", "2026-01-01", 1, true},   // across a year
        {"2024-02-29", "2024-03-01", 1, true},   // a leap day
        {"2026-12-12", "2026-12-11", 0, false},  // a day after today (the clock was set back)
        {"2026-02-30", "2026-12-11", 0, false},  // no such date
        {"2026-1-01", "2026-12-11", 0, false},   // not the folder's form
        {"latest", "2026-12-11", 0, false},      //
        {"2026-12-01", "garbage", 0, false},
    };
    for (const AgeCase& c : cases)
        EXPECT_EQ(IsDeletionOlder(c.day, c.today, c.days), c.older) << c.day << " on " << c.today << ", " << c.days;
    EXPECT_TRUE(IsTrashDayName("2026-12-11"));
    EXPECT_FALSE(IsTrashDayName("2026-13-01"));
    EXPECT_FALSE(IsTrashDayName(".qosweep.lock"));
}

TEST(TrashRunTest, ARecordTextNamesItsEntryAndSurvivesEveryPath)
{
    const TrashReference references[] = {
        {"2026-12-11/contacts/a.vcf", "", "12:34:56"},
        {"2026-12-11/contacts/export.vcf", "uid=abc", "99:1:2"},
        {"2026-12-11/dav/ann/book/%5Cweird\\name/x.vcf", "pos=2;00003039", "1:2:3"},
    };
    for (const TrashReference& reference : references) {
        const std::string text = TrashRecordText(reference);
        // The app names an item by what stands before the first '/': one entry's own text.
        EXPECT_EQ(text.find('/'), text.size() - reference.content.size() - 1) << text;
        TrashReference back;
        ASSERT_TRUE(ParseTrashRecordText(text, back)) << text;
        EXPECT_EQ(back.path, reference.path);
        EXPECT_EQ(back.place, reference.place);
        EXPECT_EQ(back.content, reference.content);
    }
    TrashReference back;
    EXPECT_FALSE(ParseTrashRecordText("/1:2:3", back));                // no path
    EXPECT_FALSE(ParseTrashRecordText("a%zz.vcf/1:2:3", back));        // not an escape
    EXPECT_FALSE(ParseTrashRecordText("a.vcf\\nonsense/1:2:3", back)); // no place
}

TEST(TrashRunTest, IdentitiesOfEntriesDifferByPlace)
{
    const ItemIdentity whole = TrashIdentity({"2026-12-11/tasks/t.ics", "", ""});
    const ItemIdentity placed = TrashIdentity({"2026-12-11/tasks/t.ics", "uid=1", ""});
    EXPECT_FALSE(whole.first == placed.first && whole.second == placed.second);
    const ItemIdentity again = TrashIdentity({"2026-12-11/tasks/t.ics", "", "other content"});
    EXPECT_EQ(whole.first, again.first);
    EXPECT_EQ(whole.second, again.second);
}

TEST(TrashRunTest, DeletionTimesSortAsText)
{
    EXPECT_TRUE(std::regex_match(DeletionTimeNow(), std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")));
}

} // namespace

namespace {

TEST(TrashRunTest, ARestoreSaysNothingWasRestoredWhereTheReaderSpeaksOfASave)
{
    EXPECT_EQ("The data file is cut short, nothing restored: /w/GAddr.dat",
              AsRestoreRefusal("The data file is cut short, nothing deleted: /w/GAddr.dat"));
    EXPECT_EQ("Cannot open it", AsRestoreRefusal("Cannot open it"));
}

TEST(TrashRunTest, ARequestReadAsASaveReadsIsTheListedReference)
{
    const TrashReference listed{"2026-12-11/contacts/export.vcf", "uid=a%2Fb", "1:2:3"};
    DeleteRequest request;
    SplitNameAndContent(TrashRecordText(listed), request.item.name, request.content);
    std::string name = request.item.name;
    SplitNameAndPlace(name, request.item.name, request.place);
    TrashReference back;
    ASSERT_TRUE(ParseTrashRequest(request, back));
    EXPECT_EQ(listed.path, back.path);
    EXPECT_EQ(listed.place, back.place);
    EXPECT_EQ(listed.content, back.content);
}

} // namespace
