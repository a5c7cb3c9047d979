// Base of the per-kind service utilities: account, work folder, the files exchanged with the helper
// program, and the common way a helper run is prepared and finished.
#pragma once

#include "common/google/CxGAppDataReader.h"
#include "common/google/CxGAppParam.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/CxFile.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <unordered_map>

// One runner per kind of helper, created on first use and reused for every later run.
CxGAppDataReader& GetHelperRunner(HelperKind kind);
// Destroys every runner, deleting the parameter and data files of its last run (at program exit too).
void ReleaseHelperRunners();
// Wait limit of every runner, present and future; tests use a short one.
void SetHelperTimeout(uint32_t dwTimeout);
// Folder the helpers are started from, for every runner, present and future; empty (the default)
// stands for the folder of this program. Tests use a folder holding a stand-in helper.
void SetHelperProgramFolder(const char* szFolder);

// What the helper's result file says of one record of the last save's or restore's data file.
struct SaveRecordResult
{
    bool bDeleted = false;   // a save's "Deleted"
    bool bRestored = false;  // a restore's "Restored" or "Restored: <note>"
    char szReason[256] = ""; // why not, when neither
    char szNote[256] = "";   // how it came back, when otherwise than where it was
};

// What a trash listing or emptying found in the result file's section "Trash".
struct TrashReport
{
    uint64_t nBytes = 0;
    uint64_t nFiles = 0;
    uint64_t nRemoved = 0; // emptying only
};

class CxGAppBaseUtil
{
public:
    CxGAppBaseUtil();
    virtual ~CxGAppBaseUtil();
    CxGAppBaseUtil(const CxGAppBaseUtil&) = delete;
    CxGAppBaseUtil& operator=(const CxGAppBaseUtil&) = delete;

    virtual bool Load();
    // Deletes the status, error and result files from the work folder.
    virtual bool Reset();
    virtual bool Save();

    // Null or empty clears the field; otherwise at most 255 characters are kept.
    void SetEmail(const char* szText);
    void SetPassword(const char* szText);
    void SetWorkFolder(const char* szText);
    void SetDataFileName(const char* szText);
    void SetParamFileName(const char* szText);
    void SetLogFolder(const char* szText);
    // Null leaves the field as it is; otherwise at most 255 characters are kept.
    void SetErrorFileName(const char* szText);
    void SetStatusFileName(const char* szText);
    void SetResultFileName(const char* szText);
    // The data, parameter, error, status and result file names of the kind, as the contract gives them.
    void UseHelperFiles(HelperKind kind);
    void SetLogLevel(int32_t nLevel) { m_nLogLevel = nLevel; }
    void SetDebugEnabled(bool bEnabled) { m_bDebug = bEnabled; }

    void ClearLastError();
    // Takes the last error the helper listed in the error file, if any.
    void ReadLastError();

    // The helper's verdict on a record the last save wrote to its data file; null when no result
    // file was read whole or it names the record not.
    const SaveRecordResult* SaveResultOfRecord(const void* pRecord) const;
    // The deletion time ("YYYY-MM-DD HH:MM:SS", or the day only) of a record the last listing read;
    // null when the listing's trash section was not read whole or it names the record not.
    const char* DeletedAtOfRecord(const void* pRecord) const;

    bool m_bModified = true;
    bool m_bHasError = false;
    char m_szEmail[256] = "";
    char m_szPassword[256] = "";
    char m_szWorkFolder[256] = "";
    char m_szDataFile[256] = "";
    char m_szParamFile[256] = "";
    char m_szErrorFile[256] = "";
    char m_szStatusFile[256] = "";
    char m_szLastError[1024] = "";
    char m_szResultFile[256] = "";
    // After a save: the helper's result file was read whole, so what it says holds for every record
    // the data file marked; m_szSaveError is why it deleted nothing at all, when it says so.
    bool m_bHasSaveResults = false;
    char m_szSaveError[256] = "";
    // After a listing or emptying: the result file's trash section was read whole (with a deletion
    // time for every record a listing read); m_szTrashError is the "Result.Error" of one that failed.
    bool m_bHasTrashReport = false;
    TrashReport m_trash;
    char m_szTrashError[256] = "";
    // The days an emptying hands over in PARAM_OPTIONS, in place of the kind's options.
    char m_szEmptyDays[16] = "";
    char m_szLogFolder[256] = "";
    char m_szLogFile[256] = "appdebug.log";
    int32_t m_nLogLevel = 3;
    bool m_bDebug = false;
    int32_t m_nOperation = 0;
    // How the last helper run of this utility ended; a save that wrote its data file can still have
    // changed nothing in the account.
    HelperRunOutcome m_lastRunOutcome = HelperRunOutcome::NotRun;
    // What the last load found in its data file: the records its head announced and those read
    // whole. A file cut short loads what is there, and the user is told how much that was.
    uint32_t m_nRecordsAnnounced = 0;
    uint32_t m_nRecordsWhole = 0;
    // The file ended before its record count: it announces nothing, yet it is no empty account (whose
    // file holds a count of 0), so the user must hear that nothing could be read.
    bool m_bCountCut = false;

    // Notes what a data file load read: announced records, records read (the last of them possibly
    // cut short, when the file ended inside it). Nothing read from a file that ended is a count cut
    // short: a whole count of 0 reads no record and leaves the file's end unseen.
    void NoteRecordsRead(uint32_t nAnnounced, uint32_t nRead, bool bLastCut)
    {
        m_nRecordsAnnounced = nAnnounced;
        m_nRecordsWhole = bLastCut && nRead > 0 ? nRead - 1 : nRead;
        m_bCountCut = bLastCut && nRead == 0;
    }

protected:
    // The work folder followed by a file name; false, with an empty path, when either is empty or
    // the path does not fit.
    bool WorkPath(const char* szName, char (&szPath)[MAX_PATH]) const;

    // Opens a file of the work folder; szPath receives its path for the caller's log lines (empty
    // when the path cannot be built).
    bool OpenWorkFile(CxFile& file, const char* szName, const char* szMode, char (&szPath)[MAX_PATH]) const;

    // Parameter entries, in the order the helpers read them: account, data file, work folder,
    // operation and options first; the error and status files next (kinds that report progress);
    // the debug log settings last.
    void AddAccountParams(CxGAppParamParser& params, const char* szOptions) const;
    void AddReportParams(CxGAppParamParser& params) const;
    void AddLogParams(CxGAppParamParser& params) const;
    static void AddParamText(CxGAppParamParser& params, int32_t nKey, const char* szText);

    // Saves the parameter file and runs the kind's helper with it, taking the runner's outcome into
    // m_lastRunOutcome. With bReportsErrors the last error is cleared before the run and read from
    // the error file after it. A parameter file that cannot be written does not stop the run: the
    // helper then reports or does nothing.
    void RunHelperProgram(CxGAppParamParser& params, HelperKind kind, const char* szProgram, bool bReportsErrors);

    // The load of every kind: [Reset], operation 1, a helper run, then the data file read, whose
    // result is the result. The named data files are deleted just before the run: a file left by an
    // earlier run (perhaps of another account) must never pass for what this run fetched.
    bool LoadThroughHelper(bool bResetFirst, std::initializer_list<const char*> dataFiles,
                           const std::function<void()>& runHelper, const std::function<bool()>& loadDataFile);
    // The save of every kind: nothing to do without marks; otherwise the data file is written and
    // the helper run with operation 2. False only when the data file cannot be written.
    bool SaveThroughHelper(const std::function<bool()>& saveDataFile, const std::function<void()>& runHelper);
    // The trash listing of every kind: a load's steps under OP_LIST_TRASH, then the result file's
    // trash section. True only when the data file and the trash section were both read whole.
    bool ListTrashThroughHelper(std::initializer_list<const char*> dataFiles, const std::function<void()>& runHelper,
                                const std::function<bool()>& loadDataFile);
    // The restore of every kind: a save's steps under OP_RESTORE (the records marked ACTION_DELETE are
    // the ones to put back), then the verdicts. False only when the data file cannot be written.
    bool RestoreThroughHelper(const std::function<bool()>& saveDataFile, const std::function<void()>& runHelper);
    // Emptying: OP_EMPTY_TRASH with the days in the options, then the trash section. True when the
    // section was read whole.
    bool EmptyTrashThroughHelper(uint32_t nDays, const std::function<void()>& runHelper);

    // Leaves "Stop" = 1 for a helper that still says it is running (destructors of the kinds that
    // have a stop-request file).
    void RequestHelperStop(const char* szStopFile);

    // A save's data file writer notes where each marked record goes (1-based), so that the helper's
    // verdicts, keyed by that position, find their record.
    void ClearSavedPositions();
    void NoteSavedPosition(const void* pRecord, uint32_t nPosition);
    // A listing's data file reader notes each record's position (1-based), which keys its deletion
    // time in the result file.
    void ClearListedPositions();
    void NoteListedPosition(const void* pRecord, uint32_t nPosition);

private:
    void ClearSaveResults();
    // The result file of the save just run; a file cut short or not in its form counts as none.
    void ReadSaveResults();
    void ClearTrashReport();
    // The trash section of the listing or emptying just run; with bListing every record read must
    // have its deletion time. A file cut short or not in its form counts as none.
    void ReadTrashReport(bool bListing);
    // Deletes the result file before a run, so an earlier run's can never pass for this one's.
    void DeleteResultFile();

    std::unordered_map<const void*, uint32_t> m_savedPositions;
    std::map<uint32_t, SaveRecordResult> m_saveResults;
    std::unordered_map<const void*, uint32_t> m_listedPositions;
    std::map<uint32_t, std::string> m_deletedAt;
};
