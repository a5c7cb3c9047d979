// Event duplicate detection: the rule, the keep-choice, the walk over the loaded events, and the scan
// that marks every duplicate and lists it in the event duplicate list of the service set.
#pragma once

#include "common/google/records/GDateRecord.h"

// True when the two events agree on every field the rule selects and share a non-empty text or a set
// time; the all-day flag is compared but proves nothing on its own.
bool IsSameEvent(const GDateRecord* a, const GDateRecord* b);
// True when a counts as newer than b: by modification time, else by creation time.
bool IsNewerEvent(const GDateRecord* a, const GDateRecord* b);

// The walk over the loaded events in manager order; each step records in the event's pMgrNode the
// common record it came through. A common record without an event ends the walk.
GDateRecord* FirstEvent();
GDateRecord* NextEvent();
// Puts the manager's cursor back on the event's common record.
void SetCurrentEvent(GDateRecord* pRecord);

// The group search from one event; false when it is null or already marked, or there is no event
// duplicate list.
bool MarkEventGroup(GDateRecord* pStart);
// False, changing nothing, without a calendar utility or an event duplicate list.
bool ScanEventDuplicates();
// The same result through the group search from every record, comparing every pair: the reference the
// one-pass scan is held against in the tests and the benchmark.
bool ScanEventDuplicatesPairwise();
