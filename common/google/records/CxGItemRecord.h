// What every item record (contact, event, task, note) shares: the flags the scans and the review page
// keep in memory, and the action code that asks the helper program to delete the item.
#pragma once

#include <cstdint>

// Bits of a record's dwFlags; both live in memory only.
enum : uint32_t {
    REC_DUPLICATE = 1, // set by the duplicate scan
    REC_SELECTED = 2,  // set by the review page while the record is ticked for deletion
};

// The ActionCode that makes the helper delete the item from the account on a save.
inline constexpr int32_t ACTION_DELETE = 3;
