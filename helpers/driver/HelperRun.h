// One load or save of an account folder, once the parameters are read and the account is found.
#pragma once

#include "helpers/account/AccountFolder.h"
#include "helpers/driver/HelperParams.h"
#include "helpers/driver/HelperSession.h"

#include <chrono>
#include <string>
#include <string_view>
#include <thread>

struct HelperRun
{
    HelperSession& session;
    const HelperParams& params;
    AccountFolder account;
    int itemDelayMs = 0; // for testing: a pause after each item, so a stop request can come midway

    void PauseAfterItem() const
    {
        if (itemDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(itemDelayMs));
    }
};

enum class RunResult { Finished, Stopped };

// What one item file holds: items of the run's kind, and (calendar kinds) items of the other two.
// Deleting the only item of a file moves the whole file, so a file of one item stands for a record
// only when it holds nothing else; a file of several items of the kind (and none of another) is
// served item by item (FileItems.h).
struct ItemCounts
{
    size_t own = 0;
    size_t others = 0;
};
ItemCounts CountItems(HelperKind kind, std::string_view text);
// The error line for a file refused because it holds more than that one item.
std::string SharedFileError(HelperKind kind, const std::string& shown, const ItemCounts& counts);

// The temporary name a data file is written under until it is whole.
inline std::string PartialPathOf(const std::string& path)
{
    return path + ".partial";
}

// An item file's text, whole; false with the fault for a file too large or unreadable.
bool ReadItemText(const std::string& path, std::string& text, std::string& fault);
// The same, with the file's modification time (as FileModifiedTime gives it) from before the first
// byte read, taken from the one open instead of a second look up of the path.
bool ReadItemText(const std::string& path, std::string& text, int64_t& modified, std::string& fault);

// Errors on the way go to the session; the caller tells from its error count how the run went.
// Load: reads every item file and writes the data file(s), whole or not at all.
RunResult LoadAccount(HelperRun& run);
// Save: reads the whole data file first, then moves the file of each record marked for deletion to
// the account's trash (or rewrites a file of several without the items marked, FileItemsSave.h), as
// long as the file still has the content the load saw.
RunResult SaveAccount(HelperRun& run);
