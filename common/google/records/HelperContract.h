// The contract between the app and the helper programs: the parameter file's keys, the operations,
// the kinds of helper and the names of every file the two sides exchange in the work folder.
#pragma once

#include <cstddef>
#include <cstdint>

// Keys of the parameter file. 1011 and 1012 are never written; the options (1004, 1006, 1007) are
// always empty and the helpers skip them.
enum : int32_t {
    PARAM_EMAIL = 1000,
    PARAM_PASSWORD = 1001,
    PARAM_DATA_FILE = 1002,
    PARAM_WORK_FOLDER = 1003,
    PARAM_OPTIONS = 1004,
    PARAM_OPERATION = 1005,
    PARAM_OPTIONS2 = 1006,
    PARAM_OPTIONS3 = 1007,
    PARAM_CAL_FILE = 1008,
    PARAM_ERROR_FILE = 1009,
    PARAM_STATUS_FILE = 1010,
    PARAM_LOG_FOLDER = 1013,
    PARAM_LOG_FILE = 1014,
    PARAM_LOG_LEVEL = 1015,
    PARAM_LOG_ENABLED = 1016,
};

// Operations of a helper run (the value of PARAM_OPERATION).
enum : int32_t { OP_LOAD = 1, OP_SAVE = 2 };

// A contact's or event's helper text is "<item name>/<content identity>": the item name is a plain
// file name, which never holds a '/', so it ends at the first one. The app keys what it remembers of
// an item by that name; the content identity changes whenever the item is edited.
inline constexpr char kItemContentSeparator = '/';

// The four helper programs, one per kind of item. The values index kHelperFiles.
enum class HelperKind { Contacts, Calendar, Tasks, Notes };
inline constexpr size_t kHelperKindCount = 4;

// The files of one kind's run, all plain names in the work folder except the program, which is
// started from the program folder. Null where the kind has no such file: tasks and notes report
// neither errors nor progress and cannot be asked to stop. Every kind reports what its save did
// with each record, since a task's or note's save refuses records too.
struct HelperFiles
{
    const char* program;
    const char* dataFile;
    const char* paramFile;
    const char* errorFile;  // INI file, section "Error"
    const char* statusFile; // progress text, first line shown by the wait window
    const char* stopFile;   // INI file, section "Status": "Running" from the helper, "Stop" from the app
    // INI file, section "Result", written whole once a save ends: "Result.Count" record entries
    // "Record.<n>" (n = 1-based position in the data file) of "Deleted" or "Not deleted: <reason>",
    // one per record marked for deletion, and "Result.Error" when nothing was deleted as a whole.
    // The helper takes the name from here; no parameter names it.
    const char* resultFile;
};

inline constexpr HelperFiles kHelperFiles[kHelperKindCount] = {
    {"Ombracon.exe", "GAddr.dat", "GAddrParam.dat", "GAddrErr.dat", "GAddrStatus.dat", "GAddrData.ini",
     "GAddrResult.ini"},
    {"Ombracal.exe", "GDate.dat", "GDateParam.dat", "GDateErr.dat", "GDateStatus.dat", "GDateData.ini",
     "GDateResult.ini"},
    {"Ombratsk.exe", "GTask.dat", "GTaskParam.dat", nullptr, nullptr, nullptr, "GTaskResult.ini"},
    {"Ombranot.exe", "GNote.dat", "GNoteParam.dat", nullptr, nullptr, nullptr, "GNoteResult.ini"},
};

constexpr const HelperFiles& FilesOf(HelperKind kind)
{
    return kHelperFiles[static_cast<size_t>(kind)];
}

// The calendar helper's second data file: the account's calendar definitions (PARAM_CAL_FILE).
inline constexpr const char* kCalendarListFile = "GCal.dat";

// The result file's section, keys and verdicts; the text after kResultNotDeleted is the reason.
inline constexpr const char* kResultSection = "Result";
inline constexpr const char* kResultCountKey = "Result.Count";
inline constexpr const char* kResultErrorKey = "Result.Error";
inline constexpr const char* kResultRecordKey = "Record."; // followed by the position
inline constexpr const char* kResultDeleted = "Deleted";
inline constexpr const char* kResultNotDeleted = "Not deleted: ";
