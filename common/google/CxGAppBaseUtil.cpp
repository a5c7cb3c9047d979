#include "common/google/CxGAppBaseUtil.h"

#include "common/misc/CxIniUtil.h"
#include "common/misc/Utf8Text.h"
#include "common/misc/WinUtil.h"
#include "common/platform/Platform.h"

#include <array>
#include <charconv>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr size_t kFieldText = 256;
// Far beyond a result line for each of the largest accounts' records; a larger file is not one.
constexpr int64_t kMaxResultFileBytes = 64 << 20;

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool StartsWithName(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && CxIniUtil::SameName(text.substr(0, prefix.size()), prefix);
}

bool TakePosition(std::string_view text, uint32_t& position)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), position);
    return ec == std::errc() && ptr == text.data() + text.size() && position > 0;
}

template <class Number>
bool TakeNumber(std::string_view text, Number& number)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

bool DigitsAt(std::string_view text, std::string_view pattern)
{
    if (text.size() != pattern.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == '9' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != pattern[i])
            return false;
    return true;
}

// "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" for a deletion only its day folder dates. Compared as
// texts by the app, so nothing else may pass.
bool IsDeletionTime(std::string_view text)
{
    return DigitsAt(text, "9999-99-99") || DigitsAt(text, "9999-99-99 99:99:99");
}

bool TakeSaveVerdict(std::string_view value, SaveRecordResult& result)
{
    const std::string_view notDeleted = Trimmed(kResultNotDeleted);
    if (value == kResultDeleted) {
        result.bDeleted = true;
    } else if (value.substr(0, notDeleted.size()) == notDeleted) {
        CopyUtf8(result.szReason, Trimmed(value.substr(notDeleted.size())));
    } else {
        return false;
    }
    return true;
}

// "Restored", "Restored: <note>" or "Not restored: <reason>"; a save's verdict is none of them.
bool TakeRestoreVerdict(std::string_view value, SaveRecordResult& result)
{
    const std::string_view restored = kResultRestored;
    const std::string_view notRestored = Trimmed(kResultNotRestored);
    if (value == restored) {
        result.bRestored = true;
    } else if (value.size() > restored.size() && value.substr(0, restored.size()) == restored &&
               value[restored.size()] == ':') {
        result.bRestored = true;
        CopyUtf8(result.szNote, Trimmed(value.substr(restored.size() + 1)));
    } else if (value.substr(0, notRestored.size()) == notRestored) {
        CopyUtf8(result.szReason, Trimmed(value.substr(notRestored.size())));
    } else {
        return false;
    }
    return true;
}

using ResultEntryTaker = std::function<bool(std::string_view section, std::string_view key, std::string_view value)>;

// Hands every "key=value" of the result file to take, with the section it stands in, in one pass.
// False when the file is missing, too large to be one, or take turns an entry down.
bool ForEachResultEntry(const char* szPath, const ResultEntryTaker& take)
{
    const int64_t nSize = platform::FileSize(szPath);
    if (nSize < 0 || nSize > kMaxResultFileBytes)
        return false;
    std::ifstream in(szPath, std::ios::binary);
    if (!in)
        return false;
    std::string section;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            section = text.back() == ']' ? std::string(Trimmed(text.substr(1, text.size() - 2))) : std::string();
            continue;
        }
        const size_t equals = text.find('=');
        if (section.empty() || equals == std::string_view::npos)
            continue;
        if (!take(section, Trimmed(text.substr(0, equals)), Trimmed(text.substr(equals + 1))))
            return false;
    }
    return true;
}

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
    if (WorkPath(m_szResultFile, szPath))
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

void CxGAppBaseUtil::SetResultFileName(const char* szText)
{
    CopyUnlessNull(m_szResultFile, szText);
}

void CxGAppBaseUtil::UseHelperFiles(HelperKind kind)
{
    const HelperFiles& files = FilesOf(kind);
    SetResultFileName(files.resultFile);
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
    if (!WorkPath(szName, szPath))
        return false;
    // What the app writes here is the account's records: for the owner's eyes only, and never
    // through a link planted under the name.
    if (szMode && szMode[0] == 'w')
        return file.OpenPrivate(szPath);
    return file.Open(szPath, szMode);
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
    // Emptying hands over its days where the kind's options go; no kind's options mean anything to it.
    const char* szSent = m_nOperation == OP_EMPTY_TRASH ? m_szEmptyDays : szOptions;
    AddParamText(params, PARAM_OPTIONS, szSent ? szSent : "");
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
    // A load's records were never deleted: no time of an earlier listing may stick to them.
    ClearTrashReport();
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
    ClearSaveResults();
    if (!saveDataFile())
        return false;
    m_nOperation = OP_SAVE;
    // A result file of an earlier save must never pass for this one's when the helper writes none.
    DeleteResultFile();
    runHelper();
    ReadSaveResults();
    m_bModified = false;
    return true;
}

void CxGAppBaseUtil::ClearSavedPositions()
{
    m_savedPositions.clear();
}

void CxGAppBaseUtil::NoteSavedPosition(const void* pRecord, uint32_t nPosition)
{
    m_savedPositions[pRecord] = nPosition;
}

const SaveRecordResult* CxGAppBaseUtil::SaveResultOfRecord(const void* pRecord) const
{
    if (!m_bHasSaveResults)
        return nullptr;
    const auto position = m_savedPositions.find(pRecord);
    if (position == m_savedPositions.end())
        return nullptr;
    const auto result = m_saveResults.find(position->second);
    return result == m_saveResults.end() ? nullptr : &result->second;
}

void CxGAppBaseUtil::ClearSaveResults()
{
    m_bHasSaveResults = false;
    m_szSaveError[0] = '\0';
    m_saveResults.clear();
}

// One pass over the file: CxIniUtil reads the whole file for every key, and a save may report on
// thousands of records.
void CxGAppBaseUtil::ReadSaveResults()
{
    ClearSaveResults();
    char szPath[MAX_PATH];
    if (!WorkPath(m_szResultFile, szPath))
        return;
    const bool bRestore = m_nOperation == OP_RESTORE;
    bool bCounted = false;
    uint32_t nCount = 0;
    std::map<uint32_t, SaveRecordResult> results;
    const bool bRead =
        ForEachResultEntry(szPath, [&](std::string_view section, std::string_view key, std::string_view value) {
            if (!CxIniUtil::SameName(section, kResultSection))
                return true;
            if (CxIniUtil::SameName(key, kResultCountKey)) {
                bCounted = std::from_chars(value.data(), value.data() + value.size(), nCount).ptr ==
                           value.data() + value.size();
            } else if (CxIniUtil::SameName(key, kResultErrorKey)) {
                CopyUtf8(m_szSaveError, value);
            } else if (StartsWithName(key, kResultRecordKey)) {
                uint32_t nPosition = 0;
                SaveRecordResult result;
                if (!TakePosition(key.substr(std::string_view(kResultRecordKey).size()), nPosition) ||
                    !(bRestore ? TakeRestoreVerdict(value, result) : TakeSaveVerdict(value, result)))
                    return false;
                results[nPosition] = result;
            }
            return true;
        });
    if (!bRead || !bCounted || nCount != results.size()) {
        m_szSaveError[0] = '\0';
        return;
    }
    m_saveResults = std::move(results);
    m_bHasSaveResults = true;
}

bool CxGAppBaseUtil::ListTrashThroughHelper(std::initializer_list<const char*> dataFiles,
                                            const std::function<void()>& runHelper,
                                            const std::function<bool()>& loadDataFile)
{
    ClearTrashReport();
    ClearListedPositions();
    m_nOperation = OP_LIST_TRASH;
    char szPath[MAX_PATH];
    for (const char* szName : dataFiles)
        if (WorkPath(szName, szPath))
            platform::DeleteFile(szPath);
    DeleteResultFile();
    runHelper();
    const bool bLoaded = loadDataFile();
    ReadTrashReport(true);
    return bLoaded && m_bHasTrashReport;
}

bool CxGAppBaseUtil::RestoreThroughHelper(const std::function<bool()>& saveDataFile,
                                          const std::function<void()>& runHelper)
{
    ClearSaveResults();
    if (!saveDataFile())
        return false;
    m_nOperation = OP_RESTORE;
    DeleteResultFile();
    runHelper();
    ReadSaveResults();
    m_bModified = false;
    return true;
}

bool CxGAppBaseUtil::EmptyTrashThroughHelper(uint32_t nDays, const std::function<void()>& runHelper)
{
    ClearTrashReport();
    m_nOperation = OP_EMPTY_TRASH;
    FormatText(m_szEmptyDays, "%u", nDays);
    DeleteResultFile();
    runHelper();
    m_szEmptyDays[0] = '\0';
    ReadTrashReport(false);
    return m_bHasTrashReport;
}

void CxGAppBaseUtil::ClearListedPositions()
{
    m_listedPositions.clear();
}

void CxGAppBaseUtil::NoteListedPosition(const void* pRecord, uint32_t nPosition)
{
    m_listedPositions[pRecord] = nPosition;
}

const char* CxGAppBaseUtil::DeletedAtOfRecord(const void* pRecord) const
{
    if (!m_bHasTrashReport)
        return nullptr;
    const auto position = m_listedPositions.find(pRecord);
    if (position == m_listedPositions.end())
        return nullptr;
    const auto time = m_deletedAt.find(position->second);
    return time == m_deletedAt.end() ? nullptr : time->second.c_str();
}

void CxGAppBaseUtil::ClearTrashReport()
{
    m_bHasTrashReport = false;
    m_trash = TrashReport{};
    m_szTrashError[0] = '\0';
    m_deletedAt.clear();
}

void CxGAppBaseUtil::ReadTrashReport(bool bListing)
{
    ClearTrashReport();
    char szPath[MAX_PATH];
    if (!WorkPath(m_szResultFile, szPath))
        return;
    bool bCounted = false, bBytes = false, bFiles = false, bRemoved = false;
    uint32_t nCount = 0;
    TrashReport report;
    std::map<uint32_t, std::string> times;
    const bool bRead =
        ForEachResultEntry(szPath, [&](std::string_view section, std::string_view key, std::string_view value) {
            if (CxIniUtil::SameName(section, kResultSection)) {
                if (CxIniUtil::SameName(key, kResultErrorKey))
                    CopyUtf8(m_szTrashError, value);
                return true;
            }
            if (!CxIniUtil::SameName(section, kTrashSection))
                return true;
            if (CxIniUtil::SameName(key, kTrashCountKey))
                bCounted = TakeNumber(value, nCount);
            else if (CxIniUtil::SameName(key, kTrashBytesKey))
                bBytes = TakeNumber(value, report.nBytes);
            else if (CxIniUtil::SameName(key, kTrashFilesKey))
                bFiles = TakeNumber(value, report.nFiles);
            else if (CxIniUtil::SameName(key, kTrashRemovedKey))
                bRemoved = TakeNumber(value, report.nRemoved);
            else if (StartsWithName(key, kResultRecordKey)) {
                uint32_t nPosition = 0;
                if (!TakePosition(key.substr(std::string_view(kResultRecordKey).size()), nPosition) ||
                    !IsDeletionTime(value))
                    return false;
                times[nPosition] = std::string(value);
            }
            return true;
        });
    if (!bRead || !bBytes || !bFiles)
        return;
    if (bListing) {
        if (!bCounted || nCount != times.size() || (!times.empty() && times.rbegin()->first != nCount))
            return;
        // Every record read must have its time: a listing that cannot say when something went
        // would sort it under no day at all.
        for (const auto& [pRecord, nPosition] : m_listedPositions)
            if (times.find(nPosition) == times.end())
                return;
    } else if (!bRemoved) {
        return;
    }
    m_trash = report;
    m_deletedAt = std::move(times);
    m_bHasTrashReport = true;
}

void CxGAppBaseUtil::DeleteResultFile()
{
    char szPath[MAX_PATH];
    if (WorkPath(m_szResultFile, szPath))
        platform::DeleteFile(szPath);
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
