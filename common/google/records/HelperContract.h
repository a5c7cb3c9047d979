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
// - OP_LOAD writes the data file with the account's items.
// - OP_SAVE deletes the records of the data file marked ACTION_DELETE (into the account's trash).
// - OP_RESTORE puts back the records of the data file marked ACTION_DELETE, where the data file is
//   one an OP_LIST_TRASH wrote (its records name trash entries); the result file says per record.
// - OP_LIST_TRASH writes the data file (and, for the calendar, the calendar list) with one record per
//   deleted item the trash keeps for the kind, read from the kept file, newest deletion first; the
//   result file's kTrashSection gives each record's deletion time and the trash's size.
// - OP_EMPTY_TRASH removes from the trash the kind's deletions at least PARAM_OPTIONS days old
//   (a decimal count of days, 0 for every deletion); the result file's kTrashSection says what is
//   left and how much went.
// A fourth and fifth operation rather than a flag on a load: a helper of an older contract refuses an
// operation it does not know, where it would ignore a flag and load the account instead.
enum : int32_t { OP_LOAD = 1, OP_SAVE = 2, OP_RESTORE = 3, OP_LIST_TRASH = 4, OP_EMPTY_TRASH = 5 };

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
// A restore's verdicts, in the same section and keys as a save's: "Restored", or "Restored: <note>"
// when it was put back otherwise than where it was (e.g. under a free name), or "Not restored:
// <reason>".
inline constexpr const char* kResultRestored = "Restored";
inline constexpr const char* kResultNotRestored = "Not restored: ";

// What a trash listing or emptying tells besides its records, in the result file's section "Trash":
// "Trash.Bytes" and "Trash.Files" (what the kind's trash holds now), "Trash.Removed" (emptying: the
// files it removed), "Trash.Count" and, per record of the listing's data file, "Record.<n>" (1-based)
// with its deletion time as "YYYY-MM-DD HH:MM:SS" local time, or "YYYY-MM-DD" when only the day is
// known. Written whole once the run ends; "Result.Error" in the section "Result" when it failed.
inline constexpr const char* kTrashSection = "Trash";
inline constexpr const char* kTrashBytesKey = "Trash.Bytes";
inline constexpr const char* kTrashFilesKey = "Trash.Files";
inline constexpr const char* kTrashRemovedKey = "Trash.Removed";
inline constexpr const char* kTrashCountKey = "Trash.Count";
