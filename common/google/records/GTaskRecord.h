// A task as the tasks helper delivers it, and its fields in data file order.
#pragma once

#include "common/google/records/CxGItemRecord.h"

#include <cstdint>

struct CommTaskRecord;

// Every text is inline and zero-terminated; the record is zeroed, copied and released as one block.
struct GTaskRecord
{
    int32_t nHeadValue1; // the helper's own value, carried unchanged
    int32_t ActionCode;  // ACTION_DELETE asks the helper to delete the task
    int32_t nHeadValue3; // the helper's own value, carried unchanged

    char szSubject[260];
    double dtDue;       // OLE Automation date; 0 when the task has none
    int32_t nPriority;  // the helper's own code
    int32_t nCompleted; // non-zero when the task is done
    char szNote[10240];
    double dtCreated;
    double dtModified;

    // In memory only, never in the data file.
    uint32_t dwFlags;            // REC_DUPLICATE, REC_SELECTED
    CommTaskRecord* pMgrNode;    // the common record through which the last walk handed this one out
    CommTaskRecord* pCommRecord; // the common record made for this task at load
};

// The data file fields of a task, in file order, for a CxGFieldReader or CxGFieldWriter.
template <class Io, class Record>
void GTaskRecordFields(Io& io, Record& r)
{
    io.Int(r.nHeadValue1);
    io.Int(r.ActionCode);
    io.Int(r.nHeadValue3);
    io.Text(r.szSubject);
    io.Value(r.dtDue);
    io.Int(r.nPriority);
    io.Int(r.nCompleted);
    io.Text(r.szNote);
    io.Value(r.dtCreated);
    io.Value(r.dtModified);
}
