// Starts one helper program with its parameter file and blocks until it ends or the limit passes.
#pragma once

#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

#include <cstdint>
#include <string>

// How the last helper run ended, as far as the runner could see; the helper's own verdict is in its
// error file.
enum class HelperRunOutcome {
    NotRun,     // no run yet
    Finished,   // the helper ended within the limit
    NotStarted, // the program could not be started
    TimedOut,   // the limit passed; the helper may still be running
    WaitFailed, // the wait for the helper failed
};

// What the app tells the user of a run that did not end as it should ("the helper program could not
// be started."); null for a run that finished or none at all, where the helper's own words count.
const char* HelperRunFailureText(HelperRunOutcome outcome);

class CxGAppDataReader
{
public:
    // Half an hour: a large account takes long, and the helper reports progress meanwhile.
    static constexpr uint32_t kDefaultTimeout = 1800000;

    CxGAppDataReader() = default;
    // Deletes the parameter and data files of the last run from the folder.
    virtual ~CxGAppDataReader();
    CxGAppDataReader(const CxGAppDataReader&) = delete;
    CxGAppDataReader& operator=(const CxGAppDataReader&) = delete;

    // Each copies at most 259 characters; null gives the empty text.
    void SetProgram(const char* szProgram);
    void SetFolder(const char* szFolder); // ends with the path separator
    void SetParamFileName(const char* szName);
    void SetDataFileName(const char* szName);
    // The wait limit in milliseconds; tests use a short one.
    void SetTimeout(uint32_t dwTimeout) { m_dwTimeout = dwTimeout; }
    uint32_t GetTimeout() const { return m_dwTimeout; }
    // The folder the program is started from and in; empty (the default) stands for the folder of
    // this program. Tests point it at a folder holding a stand-in helper.
    void SetProgramFolder(const char* szFolder);

    // Starts the program from the program folder and waits for it; 0 in every case. How it ended is
    // left in LastOutcome.
    int Run();
    HelperRunOutcome LastOutcome() const { return m_lastOutcome; }

    // The command line as logged: the quoted program, a blank, the quoted parameter file path.
    void FormatCommandLine(char* szBuf, size_t nSize) const;

    char m_szProgram[MAX_PATH] = "";
    char m_szFolder[MAX_PATH] = "";
    char m_szParamFile[MAX_PATH] = "";
    char m_szDataFile[MAX_PATH] = "";
    uint32_t m_dwTimeout = kDefaultTimeout;

private:
    std::string ProgramFolder() const;

    char m_szProgramFolder[MAX_PATH] = "";
    platform::Process m_process;
    HelperRunOutcome m_lastOutcome = HelperRunOutcome::NotRun;
};
