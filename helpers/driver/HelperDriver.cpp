#include "helpers/driver/HelperDriver.h"

#include "common/platform/Platform.h"
#include "helpers/account/Accounts.h"
#include "helpers/account/ServerTrash.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/SaveResults.h"
#include "helpers/driver/ServerRun.h"
#include "helpers/driver/TrashRun.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxItemDelayMs = 10000;

// In the account folder itself; a dot file, so no listing ever takes it for an item.
constexpr const char* kAccountLockFile = ".qosweep.lock";

int ItemDelayMs()
{
    const char* text = std::getenv(kItemDelayVariable);
    if (!text)
        return 0;
    const int delay = std::atoi(text);
    return delay < 0 ? 0 : delay > kMaxItemDelayMs ? kMaxItemDelayMs : delay;
}

// A load and a listing of the trash write the data file(s); the other runs only read them.
bool WritesDataFiles(int operation)
{
    return operation == OP_LOAD || operation == OP_LIST_TRASH;
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

class AccountLock
{
public:
    AccountLock(HelperSession& session, const std::string& folder)
    {
        const std::string path = (fs::path(folder) / kAccountLockFile).string();
        m_result = platform::TryLockFile(path.c_str(), &m_lock);
        // A folder we may not write (read-only media) can still be loaded; nothing else can be saved
        // there, so nothing needs guarding.
        if (m_result == platform::LockResult::Failed)
            session.Log(1, Format("Cannot lock %s: %s", path.c_str(), platform::LastErrorText().c_str()));
    }
    ~AccountLock() { platform::UnlockFile(&m_lock); }
    AccountLock(const AccountLock&) = delete;
    AccountLock& operator=(const AccountLock&) = delete;

    bool Busy() const { return m_result == platform::LockResult::Busy; }

private:
    platform::FileLock m_lock;
    platform::LockResult m_result;
};

// A run killed midway leaves a data file half-written under its temporary name, and the files it was
// replacing (status, errors, accounts.ini) may leave theirs; nobody else would ever remove them.
void RemoveLeftovers(HelperKind kind, const HelperParams& params)
{
    std::error_code ec;
    for (const std::string* name : {&params.dataFile, &params.calendarFile})
        if (!name->empty())
            fs::remove(PartialPathOf(params.workFolder + *name), ec);
    const HelperFiles& files = FilesOf(kind);
    for (const char* name : {files.statusFile, files.errorFile, files.stopFile, kAccountsFileName})
        if (name)
            platform::RemoveReplaceLeftovers((params.workFolder + name).c_str());
}

// Refuses a run with a result the app reads: without one it could only say a save (or a restore) may
// have changed anything, where it changed nothing.
int Refuse(HelperSession& session, const HelperParams& params, const std::string& error)
{
    session.Error(error);
    if (params.operation == OP_LIST_TRASH || params.operation == OP_EMPTY_TRASH) {
        TrashResults results(session, params);
        results.Failed(error);
        results.Write();
    } else if (params.operation != OP_LOAD) {
        SaveResults results(session, params);
        results.Refused(error);
        results.Write();
    }
    return HELPER_EXIT_ERRORS;
}

// A server account's run of the operation.
RunResult RunServerOperation(ServerRun& run)
{
    switch (run.params.operation) {
    case OP_LOAD:
        return LoadServerAccount(run);
    case OP_RESTORE:
        return RestoreToServer(run);
    case OP_LIST_TRASH:
        return ListServerTrash(run);
    case OP_EMPTY_TRASH:
        return EmptyServerTrash(run);
    }
    return SaveServerAccount(run);
}

// A server account: the lock is in the account's folder of the local trash, which keeps what its
// saves delete, so two runs on one server account wait for each other as two on one folder do.
int ServeServer(HelperSession& session, const HelperParams& params, const ServerAccount& account)
{
    const std::string folder = params.workFolder + ServerTrashFolder(params.email);
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::permissions(params.workFolder + "trash", fs::perms::owner_all, fs::perm_options::replace, ec);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    AccountLock lock(session, folder);
    if (lock.Busy())
        return Refuse(session, params,
                      Format("Another run is using the account %s, nothing done", params.email.c_str()));
    HttpSettings settings;
    settings.user = account.user;
    settings.password = params.password;
    settings.caFile = account.caFile;
    settings.verifyCertificate = account.verifyCertificate;
    settings.timeoutSeconds = account.timeoutSeconds;
    if (!account.verifyCertificate)
        session.Log(
            1, Format("Certificates of %s are not checked: VerifyCertificate=no in accounts.ini", account.url.c_str()));
    DavClient dav(account.url, settings);
    ServerRun run{session, params, dav, ItemDelayMs()};
    if (RunServerOperation(run) == RunResult::Stopped)
        return HELPER_EXIT_STOPPED;
    return session.ErrorCount() == 0 ? HELPER_EXIT_DONE : HELPER_EXIT_ERRORS;
}

// The run's word in the log.
const char* OperationWord(int operation)
{
    switch (operation) {
    case OP_LOAD:
        return "load";
    case OP_RESTORE:
        return "restore";
    case OP_LIST_TRASH:
        return "list the trash";
    case OP_EMPTY_TRASH:
        return "empty the trash";
    }
    return "save";
}

// A folder account's run of the operation.
RunResult RunOperation(HelperRun& run)
{
    switch (run.params.operation) {
    case OP_LOAD:
        return LoadAccount(run);
    case OP_RESTORE:
        return RestoreFromTrash(run);
    case OP_LIST_TRASH:
        return ListTrash(run);
    case OP_EMPTY_TRASH:
        return EmptyTrash(run);
    }
    return SaveAccount(run);
}

int Serve(HelperSession& session, const HelperParams& params)
{
    RunningMark running(session);
    session.Log(1, Format("%s %s for %s", FilesOf(session.Kind()).program, OperationWord(params.operation),
                          params.email.c_str()));
    // A listing writes the data file as a load does, so an old one must not outlive a refusal either.
    if (WritesDataFiles(params.operation))
        RemoveOldDataFiles(params);
    session.Status("Opening the account", true);
    AccountPlace place;
    std::string error;
    if (!FindAccountPlace(params.workFolder, platform::ProgramFolder(), params.email, params.password, place, error))
        return Refuse(session, params, error);
    if (place.onServer)
        return ServeServer(session, params, place.server);
    const std::string& folder = place.folder;
    // Two runs on one account at once (two apps, or a run by hand) would each move files the other's
    // data file still names. The system drops the lock when this run ends, however it ends.
    AccountLock lock(session, folder);
    if (lock.Busy())
        return Refuse(session, params,
                      Format("Another run is using the account folder %s, nothing done", folder.c_str()));
    HelperRun run{session, params, AccountFolder(folder, session.Kind()), ItemDelayMs()};
    if (RunOperation(run) == RunResult::Stopped)
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
        if (WritesDataFiles(params.operation) && !params.workFolder.empty() && !params.dataFile.empty())
            RemoveOldDataFiles(params);
        session.Error(error);
        return HELPER_EXIT_BAD_PARAMS;
    }
    RemoveLeftovers(kind, params);
    return Serve(session, params);
}
