// Calendar data file images (events and calendar definitions) built field by field from the file
// layouts, independently of the code under test.
#pragma once

#include "common/google/records/GDateRecord.h"
#include "tests/support/RecordImage.h"

// The rows of an event in "GDate.dat"; the category follows the note.
inline constexpr LayoutRow kEventLayout[] = {
    {'i', 1}, {'i', 1}, {'i', 1},           // 1-3 head: helper's value, ActionCode, helper's value
    {'t', 1}, {'t', 1}, {'t', 1},           // 4-6 helper text A, subject, location
    {'d', 1}, {'d', 1},                     // 7-8 start, end
    {'i', 1}, {'i', 1}, {'i', 1}, {'i', 1}, // 9-12 all day, publish type, show status, reminder count
    {'i', 3}, {'i', 3}, {'i', 3},           // 13-15 reminders A, B, C
    {'t', 1}, {'i', 1}, {'i', 1},           // 16-18 recurrence text, type, option
    {'d', 1}, {'d', 1},                     // 19-20 recurrence start and end dates
    {'i', 5},                               // 21 interval, day of week, day of month, month, instance
    {'t', 1}, {'t', 1}, {'t', 1}, {'t', 1}, // 22-25 helper texts B and C, note, category
    {'d', 1}, {'d', 1},                     // 26-27 creation, last modification
};

// Rows of kEventLayout the tests name.
enum EventRow {
    EV_ACTION = 2,
    EV_HELPER_A = 4,
    EV_SUBJECT = 5,
    EV_LOCATION = 6,
    EV_START = 7,
    EV_END = 8,
    EV_ALL_DAY = 9,
    EV_PUBLISH = 10,
    EV_SHOW = 11,
    EV_REMINDER_COUNT = 12,
    EV_REMINDER_A = 13,
    EV_REMINDER_B = 14,
    EV_REMINDER_C = 15,
    EV_RECURRENCE = 16,
    EV_RECUR_TYPE = 17,
    EV_RECUR_INTS = 21,
    EV_HELPER_B = 22,
    EV_NOTE = 24,
    EV_CATEGORY = 25,
};

// The four texts of a calendar definition in "GCal.dat".
inline constexpr LayoutRow kCalendarLayout[] = {{'t', 4}};

// A patterned event that loads as it stands: no recurrence text and so the type that goes with it.
inline RecordImage PlainEvent(int seed)
{
    RecordImage image = RecordImage::Patterned(kEventLayout, seed);
    image.Set(EV_ACTION, 0, int32_t{1}).Set(EV_RECURRENCE, 0, std::string()).Set(EV_RECUR_TYPE, 0, int32_t{0});
    return image;
}
