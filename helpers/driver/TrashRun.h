// The trash of an account as the app sees it: listing what was deleted, putting chosen items back and
// emptying old deletions. What folder accounts and server accounts share is here; each kind of
// account has its own run of the three (TrashFolder*.cpp, ServerTrash*.cpp).
#pragma once

#include "helpers/account/ItemIdentity.h"
#include "helpers/driver/DeleteRequests.h"
#include "helpers/driver/HelperParams.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/HelperSession.h"
#include "helpers/driver/ServerRun.h"

#include <cstdint>
#include <string>
#include <string_view>

// The time of a deletion as the trash indexes and the listing's result file give it: "YYYY-MM-DD
// HH:MM:SS" in local time, so that a text comparison orders deletions in time.
std::string DeletionTimeNow();

// What a listed record names: its trash file, by its path under the account's trash (starting with
// the day folder), the item's place in it when the file holds several, and the file's content
// identity at the listing, so a restore refuses a file changed since.
struct TrashReference
{
    std::string path;
    std::string place;
    std::string content;
};
// "<path escaped as EscapeItemPath does>[\<place>]/<content>": the form of a load's helper text, so
// the app's "name up to the first '/'" is one entry's own.
std::string TrashRecordText(const TrashReference& reference);
// The inverse; false for a text TrashRecordText cannot have written.
bool ParseTrashRecordText(std::string_view text, TrashReference& reference);
// The reference of a contact's or event's record as a restore reads it: the save's reader split the
// text at the place and the content identity, and an escaped path holds neither separator, so the
// pieces join again. False as ParseTrashRecordText.
bool ParseTrashRequest(const DeleteRequest& request, TrashReference& reference);

// A restore reads its records as a save does, and the reader's refusals say "nothing deleted";
// nothing was restored either, and that is what the user must read.
std::string AsRestoreRefusal(std::string error);

// A task's or note's head values for a listed entry: they have no helper text.
ItemIdentity TrashIdentity(const TrashReference& reference);

// The days of an emptying: PARAM_OPTIONS as a decimal from 0 to kMaxTrashDays. False for anything else.
inline constexpr int kMaxTrashDays = 36500;
bool ParseTrashDays(const std::string& options, int& days);
// Whether a deletion on day ("YYYY-MM-DD") is at least days old on today ("YYYY-MM-DD"); false for a
// text that is no valid date, so a folder that merely looks like a day is never emptied.
bool IsDeletionOlder(std::string_view day, std::string_view today, int days);
// Whether name is a day folder's name: "YYYY-MM-DD" of a valid date.
bool IsTrashDayName(std::string_view name);

// The result file of a listing or an emptying (its layout is in HelperContract.h): removes an earlier
// run's file first, so a run ending before it writes one never passes for having reported.
class TrashResults
{
public:
    TrashResults(HelperSession& session, const HelperParams& params);

    // The next record of the listing's data file, deleted at this time (DeletionTimeNow's form, or a day).
    void Listed(const std::string& deletedAt);
    void Holds(uint64_t bytes, uint64_t files);
    void Removed(uint64_t files);
    // Nothing was listed or emptied, for this reason.
    void Failed(const std::string& reason);
    // The whole file at once; a file that cannot be written is an error of the run.
    void Write();

private:
    HelperSession& m_session;
    std::string m_path;
    std::string m_entries;
    std::string m_error;
    uint32_t m_count = 0;
    uint64_t m_bytes = 0;
    uint64_t m_files = 0;
    uint64_t m_removed = 0;
};

// A folder account's trash (.trash/ in the account folder).
RunResult ListTrash(HelperRun& run);
RunResult RestoreFromTrash(HelperRun& run);
RunResult EmptyTrash(HelperRun& run);

// A server account's local trash (ServerTrash.h); restoring puts items back on the server.
RunResult ListServerTrash(ServerRun& run);
RunResult RestoreToServer(ServerRun& run);
RunResult EmptyServerTrash(ServerRun& run);
