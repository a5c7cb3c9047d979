// The recurrence of an event: the text the app reads its rule from and the rule fields it shows.
#pragma once

#include "common/google/records/GDateRecord.h"
#include "helpers/ical/IcalTime.h"

#include <libical/ical.h>

#include <string>

// For an event with an RRULE, fills szRecurrence and the recurrence fields of record; leaves them
// zero otherwise. start and end are the event's times as read, null when the event has none that
// could be read. Faults go to problem (see NoteFault).
//
// szRecurrence holds, each line ended by CR LF and never folded:
//   DTSTART[;TZID=zone|;VALUE=DATE]:value
//   DTEND[;TZID=zone|;VALUE=DATE]:value
//   RRULE:FREQ=...;...   libical's form of the rule, the parts it leaves to the start spelled out
//   the VTIMEZONE blocks of the zones named above, as far as they fit
// Times are written as the record holds them (a UTC time as local time without a zone), so that the
// app, which takes the digits as they stand, reads the same start and end.
void ReadRecurrence(icalcomponent* event, const ItemTime* start, const ItemTime* end, GDateRecord& record,
                    std::string& problem);
