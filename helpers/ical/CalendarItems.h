// Reading iCalendar files (one VEVENT, VTODO or VJOURNAL each) into the records the calendar, tasks
// and notes helpers send.
#pragma once

#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "helpers/ical/IcalDocument.h"

#include <string>
#include <string_view>
#include <vector>

// Each reads the first item of its kind in text into a zeroed record. False when the text holds no
// such item; problem names the first fault met (empty when none), also when the item was read only in
// part. The record's helper fields (head values, action code, helper texts) are left to the caller.
// Of a series stored with its changed occurrences (RECURRENCE-ID) the series is read, wherever it
// stands; a text of changed occurrences only gives its first, and names the others in problem.
//
// Times are local wall-clock times under the current TZ: a UTC time and a time of a zone (TZID: a
// zone database name, the calendar's own VTIMEZONE or a Windows zone name, see IcalZone.h) are made
// local through the instant they name; a floating time keeps its digits, a date is its midnight; a
// time of a zone nobody knows keeps its digits (and CalendarText::Notes names the zone). A time that
// does not exist is left 0 and named in problem. LAST-MODIFIED is the modification time; without it
// DTSTAMP stands in only when the calendar has no METHOD.
//
// An event's reminders are its first three VALARMs (ACTION:NONE ones skipped), each as three codes:
//   nReminderA  1 counted from the start (also a reminder at a fixed time), 0 from the end
//   nReminderB  minutes before that moment (negative: after it)
//   nReminderC  0 display, 1 e-mail, 2 sound, 3 any other action
// For a recurring event szRecurrence holds its DTSTART, DTEND and RRULE lines, its EXDATEs and the
// RECURRENCE-IDs of its changed occurrences (see IcalRecurrence.h), and the recurrence fields are
// filled as the app would read them from it, also where its reader cannot (a monthly rule by weekday,
// the series' first and last day). The last day of a COUNT series is told for daily to yearly rules
// without times of day or week numbers, when it lies within 200 years of the start.
bool ReadEventItem(std::string_view text, GDateRecord& record, std::string& problem);
bool ReadTaskItem(std::string_view text, GTaskRecord& record, std::string& problem);
bool ReadNoteItem(std::string_view text, GNoteRecord& record, std::string& problem);

// The number of items of one component kind ("VEVENT", "VTODO", "VJOURNAL") in text: components that
// share a UID are one item (a series and its changed occurrences), each one without a UID counts
// alone; 0 when the text holds none (or is no calendar). A file holding more than one is served item
// by item (CalendarComponents.h), each read from the file as it would be holding that item alone.
size_t CountCalendarItems(std::string_view text, const char* component);

// A text parsed once for both of the above: the load counts a file's items and then reads it, and the
// parse is most of the cost of either. Each call answers as its function above would for the text.
class CalendarText
{
public:
    explicit CalendarText(std::string_view text);

    bool ReadEvent(GDateRecord& record, std::string& problem) const;
    bool ReadTask(GTaskRecord& record, std::string& problem) const;
    bool ReadNote(GNoteRecord& record, std::string& problem) const;
    size_t Count(const char* component) const;
    // What reading items of the component kind does that the error file should tell though it is no
    // fault, one line each: text taken for Windows-1252 (said of the whole text), and each zone
    // (by name, once) that times of those items are given in and that no one knows.
    std::vector<std::string> Notes(const char* component) const;

private:
    std::string m_repair; // what closing the text's open components changed; every read reports it
    IcalDocument m_document;
};
