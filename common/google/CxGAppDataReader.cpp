#include "common/google/CxGAppDataReader.h"

#include "common/misc/CxDebugUtil.h"
#include "common/misc/WinUtil.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Room for the quoted program, a blank and the quoted parameter path, each part at its longest.
constexpr size_t kCommandCapacity = 3 * MAX_PATH + 8;

} // namespace

CxGAppDataReader::~CxGAppDataReader()
{
    platform::ReleaseProcess(&m_process);
    char szPath[MAX_PATH];
    if (JoinPath(m_szFolder, m_szParamFile, szPath))
        platform::DeleteFile(szPath);
    if (JoinPath(m_szFolder, m_szDataFile, szPath))
        platform::DeleteFile(szPath);
}

void CxGAppDataReader::SetProgram(const char* szProgram)
{
    CopyText(m_szProgram, szProgram);
}

void CxGAppDataReader::SetFolder(const char* szFolder)
{
    CopyText(m_szFolder, szFolder);
}

void CxGAppDataReader::SetProgramFolder(const char* szFolder)
{
    CopyText(m_szProgramFolder, szFolder);
}

std::string CxGAppDataReader::ProgramFolder() const
{
    return m_szProgramFolder[0] ? std::string(m_szProgramFolder) : platform::ProgramFolder();
}

void CxGAppDataReader::SetParamFileName(const char* szName)
{
    CopyText(m_szParamFile, szName);
}

void CxGAppDataReader::SetDataFileName(const char* szName)
{
    CopyText(m_szDataFile, szName);
}

void CxGAppDataReader::FormatCommandLine(char* szBuf, size_t nSize) const
{
    if (!szBuf || nSize == 0)
        return;
    std::snprintf(szBuf, nSize, "\"%s\" \"%s%s\"", m_szProgram, m_szFolder, m_szParamFile);
}

int CxGAppDataReader::Run()
{
    platform::ReleaseProcess(&m_process);

    // The whole directory is remembered: paths here run longer than the 256 characters a fixed
    // buffer would hold, and returning to a cut prefix would land in some other folder.
    const std::string original = platform::CurrentDirectory();
    g_debugLog.Print(2, __FILE__, __LINE__, "Original current directory: %s", original.c_str());

    const std::string programFolder = ProgramFolder();
    platform::SetCurrentDirectory(programFolder.c_str());
    g_debugLog.Print(2, __FILE__, __LINE__, "Set current directory: %s", programFolder.c_str());

    char szCommand[kCommandCapacity];
    FormatCommandLine(szCommand, sizeof szCommand);
    g_debugLog.Print(2, __FILE__, __LINE__, "Executing command: %s", szCommand);

    // A bare name is the program folder's file; an absolute path is taken as it stands. argv[0] is
    // the name as the command line shows it, the one argument the parameter file's full path.
    const std::string program =
        m_szProgram[0] == platform::kPathSeparator ? std::string(m_szProgram) : programFolder + m_szProgram;
    const std::vector<std::string> args{m_szProgram, std::string(m_szFolder) + m_szParamFile};

    if (!platform::StartProcess(program, args, &m_process)) {
        m_lastOutcome = HelperRunOutcome::NotStarted;
        g_debugLog.Print(0, __FILE__, __LINE__, "CreateProcess Error: %s", platform::LastErrorText().c_str());
    } else {
        g_debugLog.Print(2, __FILE__, __LINE__, "Command executed successfully.");
        // The exit code is of no interest, and a helper that overruns is left running: it may still
        // be writing its data file, and the stop request at exit asks it to end.
        switch (platform::WaitProcess(&m_process, m_dwTimeout)) {
        case platform::WaitResult::Exited:
            m_lastOutcome = HelperRunOutcome::Finished;
            g_debugLog.Print(2, __FILE__, __LINE__, "Helper utility program exited successfully.");
            break;
        case platform::WaitResult::TimedOut:
            m_lastOutcome = HelperRunOutcome::TimedOut;
            g_debugLog.Print(2, __FILE__, __LINE__, "The helper utility program has no response. Got timeout event.");
            break;
        case platform::WaitResult::Failed:
            m_lastOutcome = HelperRunOutcome::WaitFailed;
            // The code a failed wait returns (all bits set), shown as a signed number.
            g_debugLog.Print(0, __FILE__, __LINE__, "Got unexpected error, return code=%d", -1);
            break;
        }
        platform::ReleaseProcess(&m_process);
    }

    platform::SetCurrentDirectory(original.c_str());
    return 0;
}

const char* HelperRunFailureText(HelperRunOutcome outcome)
{
    switch (outcome) {
    case HelperRunOutcome::NotStarted:
        return "the helper program could not be started.";
    case HelperRunOutcome::TimedOut:
        return "the helper program did not finish in time.";
    case HelperRunOutcome::WaitFailed:
        return "the helper program did not finish.";
    case HelperRunOutcome::NotRun:
    case HelperRunOutcome::Finished:
        break;
    }
    return nullptr;
}
