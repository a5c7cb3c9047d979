// A folder account's trash as the listing and the restore walk it: the day folders under .trash/, the
// kind's trash files in each, and what the day's index says of them.
#pragma once

#include "helpers/account/AccountFolder.h"
#include "helpers/driver/HelperRun.h"

#include <string>
#include <vector>

// One trash file of the kind, with what its day's index knows of it.
struct TrashEntry
{
    std::string day;      // the day folder's name
    ItemFile file;        // within the day folder, as an account's item lies in the account
    std::string ref;      // "<day>/<kind>/[<subfolder>/]<name>": the path under .trash/
    std::string original; // the path relative to the account it was deleted from
    std::string deletedAt;
    // The places of the items deleted from a rewritten file and not restored yet; empty for a file
    // moved whole.
    std::vector<std::string> places;
    bool restored = false; // nothing of it is left to restore
    uint64_t bytes = 0;
};

// The account's trash root, "<account>.trash/".
std::string TrashRoot(const AccountFolder& account);
// The day folder as an account folder of the kind: its files lie there as the account's own did.
AccountFolder DayFolder(const AccountFolder& account, const std::string& day);
// The names of the day folders under .trash/ (real folders named like a day, no links), sorted. False
// with the reason in error when .trash/ exists and is no real folder of the account.
bool TrashDays(const AccountFolder& account, std::vector<std::string>& days, std::string& error);
// Every trash file of the kind, in the order of the days and then of the files; the problems the
// walk meets (links, folders that cannot be read) go to the session when report is set.
std::vector<TrashEntry> TrashEntries(HelperRun& run, std::string& error, bool report = true);
