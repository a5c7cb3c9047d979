// The last day of a recurring event's series, found by walking its rule over the calendar days.
#pragma once

#include "helpers/ical/IcalTime.h"

#include <libical/ical.h>

// True when a BY... part list of a rule holds any value.
inline bool RuleHasPart(const short* parts)
{
    return parts[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

// The last day of the series as an OLE date: UNTIL's day, or the day of the last of COUNT occurrences
// of a daily to yearly rule, found within a bounded horizon; 0 when the series has no end or it
// cannot be told quickly.
double SeriesEnd(const icalrecurrencetype& rule, const WallTime& start);
