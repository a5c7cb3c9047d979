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

// A time as the records hold it: the local wall-clock time (TZ) of a UTC time or of a time of a
// known zone, the digits as written of a floating time or a date, and for a time of a zone nobody
// knows its digits and the zone's name, so that it can be written back in the form it came in.
struct ItemTime
{
    WallTime wall;
    std::string tzid; // empty but for a time of an unknown zone
};

// The time of a DATE or DATE-TIME property (DTSTART, DTEND, DUE, RECURRENCE-ID, EXDATE, CREATED,
// ...). A TZID is looked up as FindZone (IcalZone.h) does and the time made local through UTC.
// False, time untouched, when the property holds something else or a day or time of day that does
// not exist (libical lets 20241301 pass), or when the local time would leave the years 1 to 9999.
bool ReadItemTime(icalproperty* prop, ItemTime& time);

// The property's TZID, null when it has none (or an empty one).
const char* TzidOf(icalproperty* prop);

// Whether the property holds a time of a zone that FindZone cannot find: a time ReadItemTime
// leaves as written.
bool NamesUnknownZone(icalproperty* prop);

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
