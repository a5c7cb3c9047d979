// The whole of a helper program's run, shared by the four programs; each main only names its kind.
#pragma once

#include "helpers/base/ItemKind.h"

// Exit codes. The app never reads them (it goes by the data file and the error file); they are for
// people and scripts running a helper by hand.
enum : int {
    HELPER_EXIT_DONE = 0,       // finished without an error
    HELPER_EXIT_ERRORS = 1,     // finished with errors about items or files, or the account was refused
    HELPER_EXIT_BAD_PARAMS = 2, // the parameter file is missing, damaged or incomplete; nothing was done
    HELPER_EXIT_STOPPED = 3,    // stopped on the app's request; a load wrote no data file
};

// Test seam: the environment variable holding a pause in milliseconds after each item, so a test can
// ask a run to stop while it is still going (for testing only).
inline constexpr const char* kItemDelayVariable = "QOSWEEP_HELPER_ITEM_DELAY_MS";

// argv[1] is the parameter file. Returns the exit code.
int HelperProgramMain(HelperKind kind, int argc, char** argv);
