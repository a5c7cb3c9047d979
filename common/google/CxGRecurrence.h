// Reading the iCalendar recurrence text the calendar helper delivers with a recurring event: the
// DTSTART and DTEND values and the RRULE's frequency and parts. Rules are only read, never expanded.
#pragma once

#include "common/google/records/GDateRecord.h"

#include <cstdint>

// Fills the event's start, end, recurrence type and recurrence integers from its recurrence text.
// False when a rule is present but its FREQ= is missing or not followed by a ';', or a monthly rule
// names neither a day of the month nor a week; the fields not yet read then keep what the data file
// gave. A frequency other than daily, weekly, monthly or yearly returns true with the type unchanged.
bool ParseRecurrence(GDateRecord* pRecord);

// Reads "YYYYMMDDTHHMMSS" (the time may be missing after the T) at the start of szText; true when a
// value was stored.
bool ParseDateTimeText(const char* szText, double* pValue);

// Each looks for its rule part ("INTERVAL=", "BYDAY=", ...) anywhere in szText and stores its value
// when the part is present; an absent part leaves the field as it was.
void ParseInterval(const char* szText, int32_t* pInterval);
void ParseByDay(const char* szText, int32_t* pDayMask);
void ParseByMonthDay(const char* szText, int32_t* pDayOfMonth);
void ParseByWeekNo(const char* szText, int32_t* pInstance);
void ParseByMonth(const char* szText, int32_t* pMonth);
