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
//   EXDATE[;TZID=zone|;VALUE=DATE]:value,...     the times the series leaves out, sorted
//   RECURRENCE-ID[;TZID=zone|;VALUE=DATE]:value  each occurrence changed by a component stored
//                                                beside the series, one line each, sorted
// Times are written as the record holds them (see ItemTime: UTC and known zones as local time
// without a zone, TZID only for a zone nobody knows), so that the app, which takes the digits as
// they stand, reads the same start and end. No VTIMEZONE block follows: a zone with a usable block
// is known, and the times are local. The app reads no EXDATE or RECURRENCE-ID line; they keep the
// text whole for the comparison of a rule the record has no type for, which goes by the text, and
// come sorted so that copies written by different programs read alike. A line of them that does not
// fit, or that would lend the app's reader a rule part the rule lacks (it searches the whole text
// after the rule: a zone named "BYMONTHDAY=5"), is left out whole without a fault.
// Decided here: the rule's own day parts (BYDAY=MO) stay as written, in the series' zone, so a start
// the conversion moves across midnight keeps its rule's days, as a UTC start always has; shifting
// them would be exact only for weekly rules.
void ReadRecurrence(icalcomponent* event, const ItemTime* start, const ItemTime* end, GDateRecord& record,
                    std::string& problem);
