// The calendar event and the calendar definition as the calendar helper delivers them, and their
// fields in data file order.
#pragma once

#include "common/google/records/CxGItemRecord.h"

#include <cstdint>

struct CommDateRecord;

inline constexpr int kReminderSlots = 3;

// Recurrence Type values.
enum : int32_t {
    RECUR_NONE = 0,            // single event, or no rule could be read
    RECUR_DAILY = 1,           // every Interval days
    RECUR_WEEKLY = 2,          // every Interval weeks on the days of DayOfWeek
    RECUR_MONTHLY_BY_WEEK = 3, // every Interval months, in week Instance, on the days of DayOfWeek
    RECUR_MONTHLY_BY_DATE = 4, // every Interval months on day DayOfMonth
    RECUR_YEARLY = 5,          // every Interval years, no month given
    RECUR_YEARLY_BY_MONTH = 6, // every Interval years in a given month
};

// Bits of the day-of-week mask (recurrence rules, BYDAY codes, the weekday boxes).
enum : int32_t {
    DAY_SUNDAY = 1,
    DAY_MONDAY = 2,
    DAY_TUESDAY = 4,
    DAY_WEDNESDAY = 8,
    DAY_THURSDAY = 16,
    DAY_FRIDAY = 32,
    DAY_SATURDAY = 64,
};

// An event, fields in declaration order (the data file stores the category after the note). Every
// text is inline and zero-terminated; the record is zeroed, copied and released as one block.
struct GDateRecord
{
    int32_t nHeadValue1; // the helper's own value, carried unchanged
    int32_t ActionCode;  // ACTION_DELETE asks the helper to delete the event
    int32_t nHeadValue3; // the helper's own value, carried unchanged

    char szHelperTextA[32]; // the helper's own text, carried unchanged
    char szSubject[256];
    char szLocation[256];
    double dtStart; // replaced at load by the DTSTART of the recurrence text
    double dtEnd;   // replaced at load by the DTEND of the recurrence text
    int32_t nAllDayEvent;
    char szCategory[256];
    int32_t nPublishType; // 0 default, 1 public, 2 private
    int32_t nShowStatus;  // 1 free, 2 busy, anything else not given
    uint32_t nReminderCount;
    int32_t nReminderA[kReminderSlots];
    int32_t nReminderB[kReminderSlots];
    int32_t nReminderC[kReminderSlots];

    char szRecurrence[4096]; // DTSTART, DTEND and RRULE lines; empty for a single event
    int32_t nRecurrenceType;
    int32_t nRecurrenceOption; // the helper's own value
    double dtRecurrenceStart;  // 0 when not given
    double dtRecurrenceEnd;    // 0 when the series has no end
    // These five always travel together, in this order.
    int32_t nRecurInterval;
    int32_t nRecurDayOfWeek; // DAY_* bits
    int32_t nRecurDayOfMonth;
    int32_t nRecurMonthOfYear;
    int32_t nRecurInstance; // week of the month for monthly rules by week

    char szHelperTextB[4096]; // the helper's own texts, carried unchanged
    char szHelperTextC[4096];
    char szNote[10240];
    double dtCreated;  // 0 when the helper gives none
    double dtModified; // 0 when the helper gives none

    // In memory only, never in the data file.
    uint32_t dwFlags;         // REC_DUPLICATE, REC_SELECTED
    CommDateRecord* pMgrNode; // the common record through which the last walk handed this one out
    GDateRecord* pKept;       // for a duplicate, the event of its group that stays
};

// A calendar definition: the helper's, carried unchanged and never shown.
struct GCalRecord
{
    char szText1[256];
    char szText2[1024];
    char szText3[1024];
    char szText4[256];
};

// The data file fields of an event, in file order, for a CxGFieldReader or CxGFieldWriter.
template <class Io, class Record>
void GDateRecordFields(Io& io, Record& r)
{
    io.Int(r.nHeadValue1);
    io.Int(r.ActionCode);
    io.Int(r.nHeadValue3);
    io.Text(r.szHelperTextA);
    io.Text(r.szSubject);
    io.Text(r.szLocation);
    io.Value(r.dtStart);
    io.Value(r.dtEnd);
    io.Int(r.nAllDayEvent);
    io.Int(r.nPublishType);
    io.Int(r.nShowStatus);
    io.Int(r.nReminderCount);
    for (auto& value : r.nReminderA)
        io.Int(value);
    for (auto& value : r.nReminderB)
        io.Int(value);
    for (auto& value : r.nReminderC)
        io.Int(value);
    io.Text(r.szRecurrence);
    io.Int(r.nRecurrenceType);
    io.Int(r.nRecurrenceOption);
    io.Value(r.dtRecurrenceStart);
    io.Value(r.dtRecurrenceEnd);
    io.Int(r.nRecurInterval);
    io.Int(r.nRecurDayOfWeek);
    io.Int(r.nRecurDayOfMonth);
    io.Int(r.nRecurMonthOfYear);
    io.Int(r.nRecurInstance);
    io.Text(r.szHelperTextB);
    io.Text(r.szHelperTextC);
    io.Text(r.szNote);
    io.Text(r.szCategory);
    io.Value(r.dtCreated);
    io.Value(r.dtModified);
}

// The fields of a calendar definition, in file order.
template <class Io, class Record>
void GCalRecordFields(Io& io, Record& r)
{
    io.Text(r.szText1);
    io.Text(r.szText2);
    io.Text(r.szText3);
    io.Text(r.szText4);
}
