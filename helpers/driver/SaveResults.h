// The result file of a save: what became of each record marked for deletion, for the app to tell the
// user per record (the file's layout is in HelperContract.h).
#pragma once

#include "helpers/driver/HelperParams.h"
#include "helpers/driver/HelperSession.h"

#include <cstdint>
#include <string>

// The reasons a save gives for a record it does not delete, in the error file and the result alike.
// The file changed since the load (its size, time or bytes).
std::string ChangedError(const std::string& shown);
// Records of a helper that wrote no content identity are refused: nothing shows that the file still
// holds what the user was shown, and loading again costs one run.
std::string UnidentifiedError(const std::string& shown);

// What every kind of run's result file shares (a save's, a restore's, the trash's listing or emptying):
// a value is one line, whatever a file name holds.
std::string OneLineValue(std::string text);
// The kind's result file in the work folder, with what an earlier run left there removed, so that a
// run ending before it writes one never passes for having reported; empty without a work folder.
std::string FreshResultFile(HelperKind kind, const HelperParams& params);
// The whole file at once, replacing nothing until complete; a file that cannot be written is an error
// of the run. Nothing happens for an empty path.
void WriteResultFile(HelperSession& session, const std::string& path, const std::string& text);

class SaveResults
{
public:
    // Removes the file an earlier save left, so that a save ending before it writes one never passes
    // for having reported. Nothing happens without a work folder.
    SaveResults(HelperSession& session, const HelperParams& params);

    void Deleted(uint32_t record);
    void NotDeleted(uint32_t record, const std::string& reason);
    // A restore's verdicts; note (may be empty) says how it was put back when not as it was.
    void Restored(uint32_t record, const std::string& note);
    void NotRestored(uint32_t record, const std::string& reason);
    // Nothing was deleted, for this reason (the data file or the account refused).
    void Refused(const std::string& reason);
    // The whole file at once, replacing nothing until complete: a save cut short leaves none. A file
    // that cannot be written is an error of the run.
    void Write();

private:
    HelperSession& m_session;
    std::string m_path;
    std::string m_entries;
    std::string m_error;
    uint32_t m_count = 0;
};
