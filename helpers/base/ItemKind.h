// What differs between the four kinds of item a helper program serves, beyond the files of the
// contract (common/google/records/HelperContract.h).
#pragma once

#include "common/google/records/HelperContract.h"

struct ItemKindInfo
{
    const char* folder;    // the kind's folder in the account, without separator
    const char* extension; // of the item files, with its dot
    const char* items;     // plural used in progress texts and messages
    const char* item;      // what a file must hold to be read
    const char* component; // the iCalendar component read; null for contacts
};

const ItemKindInfo& KindInfo(HelperKind kind);
