#include "helpers/driver/HelperDriver.h"

#include "common/platform/Platform.h"
#include "helpers/account/Accounts.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/SaveResults.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxItemDelayMs = 10000;

int ItemDelayMs()
{
    const char* text = std::getenv(kItemDelayVariable);
    if (!text)
        return 0;
    const int delay = std::atoi(text);
    return delay < 0 ? 0 : delay > kMaxItemDelayMs ? kMaxItemDelayMs : delay;
}

// A load that is refused or stopped must leave no data file, not one from an earlier run that the
// app would take for this account's.
void RemoveOldDataFiles(const HelperParams& params)
{
    std::error_code ec;
    fs::remove(params.workFolder + params.dataFile, ec);
    if (!params.calendarFile.empty())
        fs::remove(params.workFolder + params.calendarFile, ec);
}

int Serve(HelperSession& session, const HelperParams& params)
{
    RunningMark running(session);
    const bool load = params.operation == OP_LOAD;
    session.Log(1,
                Format("%s %s for %s", FilesOf(session.Kind()).program, load ? "load" : "save", params.email.c_str()));
    if (load)
        RemoveOldDataFiles(params);
    session.Status("Opening the account", true);
    std::string folder;
    std::string error;
    if (!FindAccount(params.workFolder, platform::ProgramFolder(), params.email, params.password, folder, error)) {
        session.Error(error);
        if (!load) {
            SaveResults results(session, params);
            results.Refused(error);
            results.Write();
        }
        return HELPER_EXIT_ERRORS;
    }
    HelperRun run{session, params, AccountFolder(folder, session.Kind()), ItemDelayMs()};
    if ((load ? LoadAccount(run) : SaveAccount(run)) == RunResult::Stopped)
        return HELPER_EXIT_STOPPED;
    return session.ErrorCount() == 0 ? HELPER_EXIT_DONE : HELPER_EXIT_ERRORS;
}

} // namespace

int HelperProgramMain(HelperKind kind, int argc, char** argv)
{
    HelperSession session(kind);
    if (argc != 2) {
        session.Error(Format("Usage: %s <parameter file>", FilesOf(kind).program));
        return HELPER_EXIT_BAD_PARAMS;
    }
    std::vector<ParamEntry> entries;
    std::string error;
    if (!ReadParamFile(argv[1], entries, error)) {
        session.Error(error);
        return HELPER_EXIT_BAD_PARAMS;
    }
    HelperParams params;
    const bool complete = TakeHelperParams(entries, kind, params, error);
    std::error_code ec;
    if (!params.workFolder.empty() && !fs::is_directory(params.workFolder, ec)) {
        session.Error(Format("Work folder not found: %s", params.workFolder.c_str()));
        return HELPER_EXIT_BAD_PARAMS;
    }
    // Configured before the faults are reported, so they reach the error file when it is known.
    session.Configure(params);
    if (!complete) {
        // Only what was read soundly: without the work folder the name would point at the program folder.
        if (params.operation == OP_LOAD && !params.workFolder.empty() && !params.dataFile.empty())
            RemoveOldDataFiles(params);
        session.Error(error);
        return HELPER_EXIT_BAD_PARAMS;
    }
    return Serve(session, params);
}
