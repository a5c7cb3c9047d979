// What the load counts in an item file before it reads it: the items of its kind and of the others.
#include "helpers/driver/HelperRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Calendar(const std::string& body)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + body + "END:VCALENDAR\r\n";
}

const std::string kEvent = "BEGIN:VEVENT\r\nUID:e\r\nSUMMARY:Review\r\nEND:VEVENT\r\n";
const std::string kTask = "BEGIN:VTODO\r\nUID:t\r\nSUMMARY:Call\r\nEND:VTODO\r\n";
const std::string kJournal = "BEGIN:VJOURNAL\r\nUID:j\r\nSUMMARY:Notes\r\nEND:VJOURNAL\r\n";

} // namespace

TEST(ItemCountsTest, OtherKindsAreFoundWhateverTheirCase)
{
    struct Case
    {
        const char* what;
        HelperKind kind;
        std::string text;
        size_t own;
        size_t others;
    };
    const Case cases[] = {
        {"an event alone", HelperKind::Calendar, Calendar(kEvent), 1, 0},
        {"an event and a task", HelperKind::Calendar, Calendar(kEvent + kTask), 1, 1},
        {"an event and a journal", HelperKind::Calendar, Calendar(kEvent + kJournal), 1, 1},
        {"a task in lower case", HelperKind::Calendar,
         Calendar(kEvent + "begin:vtodo\r\nUID:t\r\nSUMMARY:Call\r\nend:vtodo\r\n"), 1, 1},
        {"a task in mixed case", HelperKind::Calendar,
         Calendar(kEvent + "Begin:VTodo\r\nUID:t\r\nSUMMARY:Call\r\nEnd:VTodo\r\n"), 1, 1},
        {"two tasks beside an event", HelperKind::Calendar, Calendar(kEvent + kTask + kTask), 1, 2},
        {"tasks counted for the tasks", HelperKind::Tasks, Calendar(kTask + kEvent + kEvent), 1, 2},
        {"a mention of a task in a summary", HelperKind::Calendar,
         Calendar("BEGIN:VEVENT\r\nUID:e\r\nSUMMARY:BEGIN:VTODO\r\nEND:VEVENT\r\n"), 1, 0},
        {"a task name cut by the end of the text", HelperKind::Calendar, Calendar(kEvent) + "BEGIN:VTOD", 1, 0},
        {"no colon after BEGIN", HelperKind::Calendar, Calendar(kEvent + "BEGIN VTODO\r\n"), 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ItemCounts counts = CountItems(c.kind, c.text);
        EXPECT_EQ(c.own, counts.own);
        EXPECT_EQ(c.others, counts.others);
    }
}
