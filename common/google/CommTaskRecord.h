// The common task record of the general task layer and the manager that owns those records and fixes
// the order of every walk over the tasks.
#pragma once

#include "common/google/CommRecordMgr.h"

#include <cstdint>

// A common task. Nothing stores or reads it by position; it is zeroed and copied as one block.
struct CommTaskRecord
{
    char szSubject[256];
    char szNote[8192];
    char szCategory[256];
    int32_t nPriority;
    int32_t nCompleted; // 1 or 0
    int32_t nDueDate;   // seconds since 1 January 1970; -1 when the due date has no such value
    int32_t nPrivate;
    int32_t nAlarm;
    uint32_t nSourceType;

    void* pAttach;        // the attached GTaskRecord
    uint32_t nAttachSize; // bytes of a private copy of the attachment; 0 when it is only borrowed
};

// The tasks' common records, in load order.
class CommTaskMgr : public CommRecordMgr<CommTaskRecord>
{};
