#include "common/google/CxGDateUtil.h"

#include "common/google/CxGRecurrence.h"
#include "common/google/records/CxGDataFile.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/TextBuf.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// A value that does not convert leaves the broken-down time zero.
void ConvertTime(double value, platform::SystemTime& st)
{
    platform::SystemTime converted{};
    if (VariantTimeToSystemTime(value, &converted))
        st = converted;
}

// The helper's reminder codes as the common layer numbers them.
int32_t MapReminderFirst(int32_t code)
{
    return code == 1 ? 1 : 2;
}

int32_t MapReminderThird(int32_t code)
{
    return code >= 0 && code <= 3 ? code + 1 : 1;
}

void ConvertReminders(const GDateRecord* pRaw, CommDateRecord* pComm)
{
    // Both records have room for three reminders. A larger count (a damaged file) stays in the raw
    // record, which goes back to the helper unchanged, but is clamped here: whoever walks the common
    // reminders by their count must never step past the three there are.
    pComm->nReminderCount = std::min<uint32_t>(pRaw->nReminderCount, kReminderSlots);
    for (uint32_t i = 0; i < pComm->nReminderCount; ++i) {
        pComm->reminders[i].nFirst = MapReminderFirst(pRaw->nReminderA[i]);
        pComm->reminders[i].nSecond = pRaw->nReminderB[i];
        pComm->reminders[i].nThird = MapReminderThird(pRaw->nReminderC[i]);
    }
}

} // namespace

CxGDateUtil::CxGDateUtil()
    : m_pFile(std::make_unique<CxFile>())
    , m_pRecords(std::make_unique<CxList>())
    , m_pCalendars(std::make_unique<CxList>())
    , m_pDateMgr(std::make_unique<CommDateMgr>())
{
    UseHelperFiles(HelperKind::Calendar);
    SetCalendarFileName(kCalendarListFile);
}

CxGDateUtil::~CxGDateUtil()
{
    CxGDateUtil::Reset();
    RequestHelperStop(FilesOf(HelperKind::Calendar).stopFile);
}

bool CxGDateUtil::Load()
{
    Reset();
    g_debugLog.Print(2, __FILE__, __LINE__, "Start loading Google Calendar.");
    // Both files are deleted before the run, so a run that fetches nothing cannot pass off the events
    // of an earlier run (perhaps of another account) as this one's.
    return LoadThroughHelper(
        false, {m_szDataFile, m_szCalendarFile}, [this] { RunHelper(); }, [this] { return LoadBothFiles(); });
}

bool CxGDateUtil::LoadBothFiles()
{
    if (!LoadDataFile()) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to load Calendar events information from file.");
        return false;
    }
    // The events stay loaded even when the definitions cannot be read.
    if (!LoadCalendarFile()) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to load Calendar definition information from file.");
        return false;
    }
    g_debugLog.Print(2, __FILE__, __LINE__, "Load Google Calendar successfully.");
    return true;
}

bool CxGDateUtil::Reset()
{
    // The common records only borrow the events, so the lists are released independently.
    m_pRecords->RemoveAll(true);
    m_pCalendars->RemoveAll(true);
    m_pDateMgr->RemoveAllRecords();
    char szPath[MAX_PATH];
    if (WorkPath(m_szCalendarFile, szPath))
        platform::DeleteFile(szPath);
    return CxGAppBaseUtil::Reset();
}

bool CxGDateUtil::Save()
{
    return SaveThroughHelper([this] { return SaveBothFiles(); }, [this] { RunHelper(); });
}

bool CxGDateUtil::SaveBothFiles()
{
    if (!SaveDataFile()) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to save Calendar records information to temperary file.");
        return false;
    }
    if (!SaveCalendarFile()) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to save Calendar definition to temperary file.");
        return false;
    }
    return true;
}

bool CxGDateUtil::ListTrash()
{
    Reset();
    g_debugLog.Print(2, __FILE__, __LINE__, "Start listing the deleted Google Calendar events.");
    const bool bListed = ListTrashThroughHelper(
        {m_szDataFile, m_szCalendarFile}, [this] { RunHelper(); }, [this] { return LoadBothFiles(); });
    if (!bListed)
        g_debugLog.Print(0, __FILE__, __LINE__, "Error listing the deleted Google Calendar events.");
    return bListed;
}

bool CxGDateUtil::Restore()
{
    return RestoreThroughHelper([this] { return SaveBothFiles(); }, [this] { RunHelper(); });
}

bool CxGDateUtil::EmptyTrash(uint32_t nDays)
{
    return EmptyTrashThroughHelper(nDays, [this] { RunHelper(); });
}

const char* CxGDateUtil::DeletedAtOf(const CommDateRecord* pRecord) const
{
    return pRecord && pRecord->pAttach ? DeletedAtOfRecord(pRecord->pAttach) : nullptr;
}

void CxGDateUtil::RunHelper()
{
    CxGAppParamParser params;
    AddAccountParams(params, m_szOptions);
    AddParamText(params, PARAM_OPTIONS2, m_szOptions2);
    AddParamText(params, PARAM_OPTIONS3, m_szOptions3);
    AddParamText(params, PARAM_CAL_FILE, m_szCalendarFile);
    AddReportParams(params);
    AddLogParams(params);
    RunHelperProgram(params, HelperKind::Calendar, FilesOf(HelperKind::Calendar).program, true);
}

bool CxGDateUtil::LoadDataFile(const char* szFileName)
{
    const char* szName = szFileName && szFileName[0] ? szFileName : m_szDataFile;
    g_debugLog.Print(2, __FILE__, __LINE__, "Start loading Calendar events information from file: %s", szName);
    char szPath[MAX_PATH];
    if (!OpenWorkFile(*m_pFile, szName, "rb", szPath)) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file: %s", szPath);
        return false;
    }
    const uint32_t nCount = ReadRecordCount(*m_pFile);
    g_debugLog.Print(2, __FILE__, __LINE__, "There are %d event records in total", static_cast<int>(nCount));

    ClearListedPositions();
    uint32_t nPosition = 0;
    const uint32_t nRead = ReadOwnedRecords<GDateRecord>(
        *m_pFile, nCount, [this](CxFile&, GDateRecord* pRaw) { return ReadRecord(pRaw); },
        [&](GDateRecord* pRaw) { KeepLoadedEvent(pRaw, ++nPosition); });
    NoteRecordsRead(nCount, nRead, m_pFile->Eof());
    m_pFile->Close();
    g_debugLog.Print(2, __FILE__, __LINE__, "Load Calendar events information from file successfully.");
    return true;
}

void CxGDateUtil::KeepLoadedEvent(GDateRecord* pRaw, uint32_t nPosition)
{
    ParseRecurrence(pRaw);
    auto* pComm = static_cast<CommDateRecord*>(std::calloc(1, sizeof(CommDateRecord)));
    if (pComm)
        ConvertToCommon(pRaw, pComm);
    CommDateRecord* pKeptComm = m_pDateMgr->Adopt(pComm);
    pRaw->ActionCode = 1;
    GDateRecord* pKept = AppendOwned(*m_pRecords, pRaw);
    if (pKept)
        NoteListedPosition(pKept, nPosition);
    if (pKeptComm && pKept)
        pKeptComm->pAttach = pKept;
    else if (pKeptComm)
        m_pDateMgr->RemoveRecord(pKeptComm); // a common record without its event would end every walk
}

bool CxGDateUtil::SaveDataFile(const char* szFileName)
{
    const char* szName = szFileName && szFileName[0] ? szFileName : m_szDataFile;
    g_debugLog.Print(2, __FILE__, __LINE__, "Start saving Calendar events information to file: %s", szName);
    char szPath[MAX_PATH];
    if (!OpenWorkFile(*m_pFile, szName, "wb", szPath)) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file:%s", szPath);
        return false;
    }
    g_debugLog.Print(2, __FILE__, __LINE__, "There are %d event records in total.",
                     static_cast<int>(m_pRecords->GetCount()));
    ClearSavedPositions();
    uint32_t nPosition = 0;
    const bool bWritten =
        WriteDataRecords<GDateRecord>(*m_pFile, *m_pRecords, [&](CxFile&, const GDateRecord* pRecord) {
            ++nPosition;
            if (pRecord->ActionCode == ACTION_DELETE)
                NoteSavedPosition(pRecord, nPosition);
            return WriteRecord(pRecord);
        });
    // A file that did not reach the disk whole must not go to the helper as the events to delete.
    if (!m_pFile->CloseFlushed() || !bWritten) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to write file: %s", szPath);
        return false;
    }
    g_debugLog.Print(2, __FILE__, __LINE__, "Save Calendar events information to file successfully.");
    return true;
}

bool CxGDateUtil::LoadCalendarFile(const char* szFileName)
{
    const char* szName = szFileName && szFileName[0] ? szFileName : m_szCalendarFile;
    g_debugLog.Print(2, __FILE__, __LINE__, "Start loading Calendar definition information from file: %s", szName);
    char szPath[MAX_PATH];
    if (!OpenWorkFile(*m_pFile, szName, "rb", szPath)) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file: %s", szPath);
        return false;
    }
    const uint32_t nCount = ReadRecordCount(*m_pFile);
    g_debugLog.Print(2, __FILE__, __LINE__, "There are %d calendars in total.", static_cast<int>(nCount));
    ReadDataRecords<GCalRecord>(
        *m_pFile, nCount, [this](CxFile&, GCalRecord* pRecord) { return ReadCalendar(pRecord); },
        [this](GCalRecord* pRecord) { AddCalendar(pRecord); });
    m_pFile->Close();
    g_debugLog.Print(2, __FILE__, __LINE__, "Load Calendar definition information successfully.");
    return true;
}

bool CxGDateUtil::SaveCalendarFile(const char* szFileName)
{
    const char* szName = szFileName && szFileName[0] ? szFileName : m_szCalendarFile;
    g_debugLog.Print(2, __FILE__, __LINE__, "Start saving Calendar definition information to file: %s", szName);
    char szPath[MAX_PATH];
    if (!OpenWorkFile(*m_pFile, szName, "wb", szPath)) {
        g_debugLog.Print(2, __FILE__, __LINE__, "Failed to open file: %s", szPath);
        return false;
    }
    const bool bWritten = WriteDataRecords<GCalRecord>(
        *m_pFile, *m_pCalendars, [this](CxFile&, const GCalRecord* pRecord) { return WriteCalendar(pRecord); });
    if (!m_pFile->CloseFlushed() || !bWritten) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to write file: %s", szPath);
        return false;
    }
    g_debugLog.Print(2, __FILE__, __LINE__, "Save Calendar definition information to file successfully.");
    return true;
}

bool CxGDateUtil::ReadRecord(GDateRecord* pRecord)
{
    return ReadFields(*m_pFile, pRecord, GDateRecordFields<CxGFieldReader, GDateRecord>);
}

bool CxGDateUtil::WriteRecord(const GDateRecord* pRecord)
{
    return WriteFields(*m_pFile, pRecord, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
}

bool CxGDateUtil::ReadCalendar(GCalRecord* pRecord)
{
    return ReadFields(*m_pFile, pRecord, GCalRecordFields<CxGFieldReader, GCalRecord>);
}

bool CxGDateUtil::WriteCalendar(const GCalRecord* pRecord)
{
    return WriteFields(*m_pFile, pRecord, GCalRecordFields<CxGFieldWriter, const GCalRecord>);
}

bool CxGDateUtil::ConvertToCommon(const GDateRecord* pRaw, CommDateRecord* pComm)
{
    if (!pRaw || !pComm)
        return false;
    CopyText(pComm->szDescription, pRaw->szSubject);
    CopyText(pComm->szLocation, pRaw->szLocation);
    ConvertTime(pRaw->dtStart, pComm->stStart);
    ConvertTime(pRaw->dtEnd, pComm->stEnd);
    pComm->nPublishType = pRaw->nPublishType == 1 || pRaw->nPublishType == 2 ? pRaw->nPublishType : 0;
    pComm->nShowStatus = pRaw->nShowStatus == 1 || pRaw->nShowStatus == 2 ? pRaw->nShowStatus : 0;
    const bool bKnownType = pRaw->nRecurrenceType >= RECUR_NONE && pRaw->nRecurrenceType <= RECUR_YEARLY_BY_MONTH;
    pComm->nRecurrenceType = bKnownType ? pRaw->nRecurrenceType : RECUR_NONE;
    pComm->bRecurrenceOption = pRaw->nRecurrenceOption != 0 ? 1 : 0;
    ConvertTime(pRaw->dtRecurrenceStart, pComm->stRecurrenceStart);
    ConvertTime(pRaw->dtRecurrenceEnd, pComm->stRecurrenceEnd);
    pComm->nRecurInterval = pRaw->nRecurInterval;
    pComm->nRecurDayOfWeek = pRaw->nRecurDayOfWeek;
    pComm->nRecurDayOfMonth = pRaw->nRecurDayOfMonth;
    pComm->nRecurMonthOfYear = pRaw->nRecurMonthOfYear;
    pComm->nRecurInstance = pRaw->nRecurInstance;
    ConvertReminders(pRaw, pComm);
    CopyText(pComm->szNote, pRaw->szNote);
    CopyText(pComm->szCategory, pRaw->szCategory);
    pComm->nSourceType = SOURCE_GOOGLE;
    return true;
}

GDateRecord* CxGDateUtil::AddRecord(const GDateRecord* pRecord)
{
    return pRecord ? AppendCopy(*m_pRecords, *pRecord) : nullptr;
}

GCalRecord* CxGDateUtil::AddCalendar(const GCalRecord* pRecord)
{
    return pRecord ? AppendCopy(*m_pCalendars, *pRecord) : nullptr;
}

const SaveRecordResult* CxGDateUtil::SaveResultOf(const CommDateRecord* pRecord) const
{
    return pRecord && pRecord->pAttach ? SaveResultOfRecord(pRecord->pAttach) : nullptr;
}

bool CxGDateUtil::MarkDeleted(CommDateRecord* pRecord)
{
    if (!pRecord)
        return false;
    if (pRecord->pAttach) {
        static_cast<GDateRecord*>(pRecord->pAttach)->ActionCode = ACTION_DELETE;
        m_bModified = true;
    }
    return true;
}

void CxGDateUtil::SetCalendarFileName(const char* szText)
{
    if (szText)
        CopyText(m_szCalendarFile, szText);
}
