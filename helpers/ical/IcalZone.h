// The time zones a TZID names, and wall-clock times of a zone as UTC.
#pragma once

#include "helpers/ical/IcalTime.h"

#include <libical/ical.h>

#include <string>
#include <string_view>

// The VCALENDAR the property stands in; null when it stands in none (a bare VEVENT).
icalcomponent* CalendarOf(icalproperty* prop);

// The zone the TZID names for times of that calendar (null: none), looked for in this order:
//   1. the zone database by the name (libical's built-in zones, which are the system's tzdata): a
//      name of the form "/vendor/.../Europe/Berlin" by its longest tail the database knows;
//   2. a Windows zone name ("W. Europe Standard Time") by ICU's table of them, then as in 1;
//   3. the calendar's own VTIMEZONE of that TZID, when its rules are ones a zone can have.
// The database comes before the file's own block because such blocks mostly carry only the rules in
// force when the file was written (Google writes them from 1970 on, Outlook from 1601): a time from
// before a change of rules would move by an hour, and two exports of one meeting with different
// blocks would disagree. A name the database cannot place has only its block to go by.
// A zone from a block is kept for the blocks of later files with the same text (see BlockZone in
// IcalZone.cpp): libical works out every change of a zone from its first year, 9 ms for Outlook's.
// Not thread-safe, as libical's built-in zones are not.
icaltimezone* FindZone(icalcomponent* calendar, const char* tzid);

// The zone database name ICU's table (CLDR's windowsZones) gives a Windows zone name, for its
// region "001"; empty when the name is none. ICU rather than a table of our own: Windows adds and
// renames zones, CLDR follows with every ICU release, and the app's core links ICU already.
std::string ZoneNameOfWindowsZone(std::string_view windowsName);

// The UTC time of a wall-clock time of the zone, as RFC 5545 reads one: a time that occurs twice
// (the hour the clocks go back) is the first of them, and a time the clocks skip takes the offset
// from before the change (02:30 on the day New York skips it is 03:30 daylight time). libical's own
// conversion takes the second of a repeated hour and moves a skipped time back instead. libical
// expands a zone's rules up to 2582 only: a later time takes the offset in force then. False when
// the result lies outside the years 1 to 9999.
bool ZoneTimeToUtc(const WallTime& wall, icaltimezone* zone, WallTime& utc);
