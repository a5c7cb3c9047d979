// The common event record of the general calendar layer and the manager that owns those records and
// fixes the order of every walk over the events.
#pragma once

#include "common/google/CommRecordMgr.h"
#include "common/platform/Platform.h"

#include <cstdint>

// One reminder of the common record, its three integers mapped from the helper's codes.
struct CommDateReminder
{
    int32_t nFirst;
    int32_t nSecond;
    int32_t nThird;
};

// A common event. Nothing stores or reads it by position; it is zeroed and copied as one block.
struct CommDateRecord
{
    char szDescription[256]; // the subject
    platform::SystemTime stStart;
    platform::SystemTime stEnd;
    char szNote[8192];
    char szLocation[256];
    int32_t nRecurrenceType; // RECUR_* when the raw value is one, else RECUR_NONE
    uint8_t bRecurrenceOption;
    platform::SystemTime stRecurrenceStart;
    platform::SystemTime stRecurrenceEnd;
    int32_t nRecurInterval;
    int32_t nRecurDayOfWeek;
    int32_t nRecurDayOfMonth;
    int32_t nRecurMonthOfYear;
    int32_t nRecurInstance;
    char szCategory[64];
    uint32_t nReminderCount; // at most 3
    CommDateReminder reminders[3];
    int32_t nShowStatus;  // 1 free, 2 busy, else 0
    int32_t nPublishType; // 1 public, 2 private, else 0
    uint32_t nSourceType;

    void* pAttach;        // the attached GDateRecord
    uint32_t nAttachSize; // bytes of a private copy of the attachment; 0 when it is only borrowed
};

// The events' common records, in load order.
class CommDateMgr : public CommRecordMgr<CommDateRecord>
{};
