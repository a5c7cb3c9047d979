// Dates and time stamps written in vCard values, as OLE Automation dates in local time.
#pragma once

#include <string_view>

// The year a date without one (--0412) is given. 1604 is what address books that drop the year write
// themselves, so "--04-12" and "1604-04-12" read as the same value and such cards still compare
// equal; the price is that the app's date display, which only shows 1931 to 2030, leaves it blank.
// A leap year, so --02-29 stays a valid date.
inline constexpr int kNoYearDateYear = 1604;

// A date: 19850412, 1985-04-12, --0412 or --04-12; a time part after "T" is ignored. False (value
// unchanged) for anything else or an impossible day.
bool ParseVCardDate(std::string_view text, double* pValue);

// A date that names no day: a year (1985), a year and month (1985-04), a month (--04) or a day of
// no month (---12). Valid in 4.0, but the record holds whole dates only and a made-up 1st of January
// would show a birthday nobody gave and match cards it should not: such a date is passed over.
bool IsDayLessVCardDate(std::string_view text);

// A time stamp: 20240102T030405Z, 2024-01-02T03:04:05Z, with an offset (+0100, -05:00) instead of
// "Z", without a zone (then taken as local wall-clock time), or a date alone (local midnight).
// Fractions of a second are ignored. A zoned time is converted to local time.
bool ParseVCardTimestamp(std::string_view text, double* pValue);
