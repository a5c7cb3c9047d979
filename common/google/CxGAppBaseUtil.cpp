#include "common/google/CxGAppBaseUtil.h"

#include "common/misc/CxIniUtil.h"
#include "common/misc/WinUtil.h"
#include "common/platform/Platform.h"

#include <array>
#include <memory>

namespace {

constexpr size_t kFieldText = 256;

struct RunnerSet
{
    std::array<std::unique_ptr<CxGAppDataReader>, kHelperKindCount> runners;
    uint32_t timeout = CxGAppDataReader::kDefaultTimeout;
    char szProgramFolder[MAX_PATH] = "";
};

RunnerSet& Runners()
{
    // Destroyed at exit, which removes the files the last runs left behind.
    static RunnerSet set;
    return set;
}

void CopyUnlessNull(char (&field)[kFieldText], const char* text)
{
    if (text)
        CopyText(field, text);
}

} // namespace

CxGAppDataReader& GetHelperRunner(HelperKind kind)
{
    RunnerSet& set = Runners();
    auto& runner = set.runners.at(static_cast<size_t>(kind));
    if (!runner) {
        runner = std::make_unique<CxGAppDataReader>();
        runner->SetTimeout(set.timeout);
        runner->SetProgramFolder(set.szProgramFolder);
    }
    return *runner;
}

void ReleaseHelperRunners()
{
    for (auto& runner : Runners().runners)
        runner.reset();
}

void SetHelperTimeout(uint32_t dwTimeout)
{
    RunnerSet& set = Runners();
    set.timeout = dwTimeout;
    for (auto& runner : set.runners)
        if (runner)
            runner->SetTimeout(dwTimeout);
}

void SetHelperProgramFolder(const char* szFolder)
{
    RunnerSet& set = Runners();
    CopyText(set.szProgramFolder, szFolder);
    for (auto& runner : set.runners)
        if (runner)
            runner->SetProgramFolder(set.szProgramFolder);
}

CxGAppBaseUtil::CxGAppBaseUtil()
{
    // Every kind works beside the program until the wizard hands it the data folder.
    SetWorkFolder(platform::ProgramFolder().c_str());
}

CxGAppBaseUtil::~CxGAppBaseUtil()
{
    CxGAppBaseUtil::Reset();
}

bool CxGAppBaseUtil::Load()
{
    return true;
}

bool CxGAppBaseUtil::Reset()
{
    char szPath[MAX_PATH];
    if (WorkPath(m_szStatusFile, szPath))
        platform::DeleteFile(szPath);
    if (WorkPath(m_szErrorFile, szPath))
        platform::DeleteFile(szPath);
    return true;
}

bool CxGAppBaseUtil::Save()
{
    return false;
}

void CxGAppBaseUtil::SetEmail(const char* szText)
{
    CopyText(m_szEmail, szText);
}

void CxGAppBaseUtil::SetPassword(const char* szText)
{
    CopyText(m_szPassword, szText);
}

void CxGAppBaseUtil::SetWorkFolder(const char* szText)
{
    CopyText(m_szWorkFolder, szText);
}

void CxGAppBaseUtil::SetDataFileName(const char* szText)
{
    CopyText(m_szDataFile, szText);
}

void CxGAppBaseUtil::SetParamFileName(const char* szText)
{
    CopyText(m_szParamFile, szText);
}

void CxGAppBaseUtil::SetLogFolder(const char* szText)
{
    CopyText(m_szLogFolder, szText);
}

void CxGAppBaseUtil::SetErrorFileName(const char* szText)
{
    CopyUnlessNull(m_szErrorFile, szText);
}

void CxGAppBaseUtil::SetStatusFileName(const char* szText)
{
    CopyUnlessNull(m_szStatusFile, szText);
}

void CxGAppBaseUtil::UseHelperFiles(HelperKind kind)
{
    const HelperFiles& files = FilesOf(kind);
    SetDataFileName(files.dataFile);
    SetParamFileName(files.paramFile);
    SetErrorFileName(files.errorFile);
    SetStatusFileName(files.statusFile);
}

void CxGAppBaseUtil::ClearLastError()
{
    m_bHasError = false;
    m_szLastError[0] = '\0';
}

void CxGAppBaseUtil::ReadLastError()
{
    ClearLastError();
    char szPath[MAX_PATH];
    if (!WorkPath(m_szErrorFile, szPath))
        return;
    CxIniUtil errors("", "");
    errors.SetFilePath(szPath);
    const int nCount = errors.ReadNumber("Error", "Error.Count", 0);
    if (nCount <= 0)
        return;
    // Only the last error: it is the one that ended the helper's work.
    char szKey[32];
    FormatText(szKey, "Error.%d", nCount);
    errors.ReadEntry("Error", szKey, m_szLastError, sizeof m_szLastError, "");
    m_bHasError = true;
}

bool CxGAppBaseUtil::WorkPath(const char* szName, char (&szPath)[MAX_PATH]) const
{
    return JoinPath(m_szWorkFolder, szName, szPath);
}

bool CxGAppBaseUtil::OpenWorkFile(CxFile& file, const char* szName, const char* szMode, char (&szPath)[MAX_PATH]) const
{
    return WorkPath(szName, szPath) && file.Open(szPath, szMode);
}

void CxGAppBaseUtil::AddParamText(CxGAppParamParser& params, int32_t nKey, const char* szText)
{
    params.SetValue(nKey, VT_BSTR, szText);
}

void CxGAppBaseUtil::AddAccountParams(CxGAppParamParser& params, const char* szOptions) const
{
    char szOperation[16];
    FormatText(szOperation, "%d", m_nOperation);
    AddParamText(params, PARAM_EMAIL, m_szEmail);
    AddParamText(params, PARAM_PASSWORD, m_szPassword);
    AddParamText(params, PARAM_DATA_FILE, m_szDataFile);
    AddParamText(params, PARAM_WORK_FOLDER, m_szWorkFolder);
    AddParamText(params, PARAM_OPERATION, szOperation);
    AddParamText(params, PARAM_OPTIONS, szOptions ? szOptions : "");
}

void CxGAppBaseUtil::AddReportParams(CxGAppParamParser& params) const
{
    AddParamText(params, PARAM_ERROR_FILE, m_szErrorFile);
    AddParamText(params, PARAM_STATUS_FILE, m_szStatusFile);
}

void CxGAppBaseUtil::AddLogParams(CxGAppParamParser& params) const
{
    char szLevel[16];
    FormatText(szLevel, "%d", m_nLogLevel);
    AddParamText(params, PARAM_LOG_FOLDER, m_szLogFolder);
    AddParamText(params, PARAM_LOG_FILE, m_szLogFile);
    AddParamText(params, PARAM_LOG_LEVEL, szLevel);
    AddParamText(params, PARAM_LOG_ENABLED, m_bDebug ? "1" : "0");
}

void CxGAppBaseUtil::RunHelperProgram(CxGAppParamParser& params, HelperKind kind, const char* szProgram,
                                      bool bReportsErrors)
{
    char szPath[MAX_PATH];
    if (WorkPath(m_szParamFile, szPath))
        params.Save(szPath);
    if (bReportsErrors)
        ClearLastError();
    CxGAppDataReader& runner = GetHelperRunner(kind);
    runner.SetProgram(szProgram);
    runner.SetFolder(m_szWorkFolder);
    runner.SetParamFileName(m_szParamFile);
    runner.SetDataFileName(m_szDataFile);
    runner.Run();
    m_lastRunOutcome = runner.LastOutcome();
    if (bReportsErrors)
        ReadLastError();
}

bool CxGAppBaseUtil::LoadThroughHelper(bool bResetFirst, std::initializer_list<const char*> dataFiles,
                                       const std::function<void()>& runHelper,
                                       const std::function<bool()>& loadDataFile)
{
    if (bResetFirst)
        Reset();
    m_nOperation = OP_LOAD;
    char szPath[MAX_PATH];
    for (const char* szName : dataFiles)
        if (WorkPath(szName, szPath))
            platform::DeleteFile(szPath);
    runHelper();
    return loadDataFile();
}

bool CxGAppBaseUtil::SaveThroughHelper(const std::function<bool()>& saveDataFile,
                                       const std::function<void()>& runHelper)
{
    if (!m_bModified)
        return true;
    if (!saveDataFile())
        return false;
    m_nOperation = OP_SAVE;
    runHelper();
    m_bModified = false;
    return true;
}

void CxGAppBaseUtil::RequestHelperStop(const char* szStopFile)
{
    char szPath[MAX_PATH];
    if (!WorkPath(szStopFile, szPath))
        return;
    CxIniUtil status("", "");
    status.SetFilePath(szPath);
    if (status.ReadNumber("Status", "Running", 0) != 0)
        status.WriteEntry("Status", "Stop", "1");
}
