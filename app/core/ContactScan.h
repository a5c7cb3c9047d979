// Contact duplicate detection: the rule, the keep-choice, the walk over the loaded contacts, and the
// scan that marks every duplicate and lists it in the contact duplicate list of the service set.
#pragma once

#include "common/google/records/GAddrRecord.h"

// True when the two contacts agree on every field group the rule selects (and share some content).
bool IsSameContact(const GAddrRecord* a, const GAddrRecord* b);
// True when a counts as newer than b: by modification time, else by creation time.
bool IsNewerContact(const GAddrRecord* a, const GAddrRecord* b);

// The walk over the loaded contacts in manager order; each step records in the contact's pMgrNode the
// common record it came through. A common record without a contact ends the walk.
GAddrRecord* FirstContact();
GAddrRecord* NextContact();
// Puts the manager's cursor back on the contact's common record.
void SetCurrentContact(GAddrRecord* pRecord);

// The group search from one contact; false when it is null or already marked, or there is no contact
// duplicate list.
bool MarkContactGroup(GAddrRecord* pStart);
// False, changing nothing, without a contacts utility or a contact duplicate list.
bool ScanContactDuplicates();
// The same result through the group search from every record, comparing every pair: the reference the
// one-pass scan is held against in the tests and the benchmark.
bool ScanContactDuplicatesPairwise();
