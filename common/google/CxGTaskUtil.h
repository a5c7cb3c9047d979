// The Google Tasks service utility: fetches the account's tasks through the tasks helper and keeps
// them as raw and common records.
#pragma once

#include "common/google/CommTaskRecord.h"
#include "common/google/CxGItemUtil.h"
#include "common/google/records/GTaskRecord.h"

#include <cstdint>

class CxGTaskUtil : public CxGItemUtil<GTaskRecord, CommTaskRecord, CommTaskMgr>
{
public:
    CxGTaskUtil();

    bool ConvertToCommon(const GTaskRecord* pRaw, CommTaskRecord* pComm) override;
    CommTaskMgr* GetTaskMgr() { return GetMgr(); }
};

// A date-time value taken as local time, in seconds since 1 January 1970; -1 when the date is not a
// valid date-time value or its time does not fit the common record's 32 bits.
int32_t DueDateToTimeValue(double dtDue);
