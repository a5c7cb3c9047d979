// Date and date-time values of iCalendar properties, as the wall-clock times the records store.
#pragma once

#include <libical/ical.h>

#include <string>
#include <string_view>

// A calendar date with a time of day; isDate marks a date without one.
struct WallTime
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool isDate = false;
};

// A time as a property gives it: its wall-clock time and, for a time bound to a zone, the zone's
// name, so that it can be written back in the form it came in. A time in UTC is held already turned
// into local time and without a zone.
struct ItemTime
{
    WallTime wall;
    std::string tzid; // empty: a date, a floating time or a UTC time made local
};

// The time of a DATE or DATE-TIME property (DTSTART, DUE, CREATED, ...). False, time untouched, when
// the property holds something else or a day or time of day that does not exist (libical lets
// 20241301 pass).
bool ReadItemTime(icalproperty* prop, ItemTime& time);

// The same for a value libical has already broken down (an RRULE's UNTIL, an alarm's trigger time).
bool ReadItemTime(icaltimetype value, ItemTime& time);

// The OLE Automation date of a wall-clock time; 0 when it has none (years outside 100 to 9999).
double ToOleDate(const WallTime& time);

// The time moved by whole seconds, counted on the wall clock: a day is always 24 hours here, also
// across a change of daylight saving time.
WallTime AddSeconds(WallTime time, long long seconds);

// Seconds from a to b on the wall clock.
long long SecondsBetween(const WallTime& a, const WallTime& b);

// 0 = Sunday ... 6 = Saturday.
int DayOfWeek(const WallTime& time);

// The value as iCalendar writes it: 20240105 for a date, 20240105T093000 otherwise.
std::string FormatIcalValue(const WallTime& time);

// The zone name without the prefix libical-based programs put before the names of the zones they
// know ("/freeassociation.sourceforge.net/Europe/Berlin" is "Europe/Berlin").
std::string PlainZoneName(std::string_view tzid);
