// One load or save of an account folder, once the parameters are read and the account is found.
#pragma once

#include "helpers/AccountFolder.h"
#include "helpers/HelperParams.h"
#include "helpers/HelperSession.h"

#include <chrono>
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

// Errors on the way go to the session; the caller tells from its error count how the run went.
// Load: reads every item file and writes the data file(s), whole or not at all.
RunResult LoadAccount(HelperRun& run);
// Save: reads the whole data file first, then moves the file of each record marked for deletion to
// the account's trash.
RunResult SaveAccount(HelperRun& run);
