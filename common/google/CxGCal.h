// Everything of the Google Calendar kind: the event and calendar records, the common record layer,
// the recurrence reader and the calendar service utility.
#pragma once

#include "common/google/CommDateRecord.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/CxGRecurrence.h"
#include "common/google/records/GDateRecord.h"
