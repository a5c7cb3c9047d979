// What the review page and the detail dialogs do when the user says a duplicate is not one: the
// record and the record its group keeps become a pair the scans leave apart from then on.
#pragma once

struct GAddrRecord;
struct GDateRecord;

// True when the record is a duplicate whose pair with its kept record can be remembered: both carry
// an identity from their helper, the two differ, and the pair is not known yet.
bool CanKeepApart(const GAddrRecord& record);
bool CanKeepApart(const GDateRecord& record);

// Remembers the record and its kept record as not duplicates and saves the store. False, changing
// nothing, when CanKeepApart is false. A store that cannot be saved still keeps the pair for this
// session; the failure goes to the debug log.
bool KeepApart(const GAddrRecord& record);
bool KeepApart(const GDateRecord& record);
