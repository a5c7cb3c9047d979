#include "app/core/Deletion.h"

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/TextBuf.h"
#include "common/misc/Utf8Text.h"
#include "common/misc/WinUtil.h"

#include <string>

namespace {

int32_t ListCount(const CxList* pList)
{
    return pList ? static_cast<int32_t>(pList->GetCount()) : 0;
}

// Why a save left the account as it was; empty when it went through. A data file that could not be
// written means no helper ran at all, so that comes first; a helper that never finished may have
// left an error file of an earlier run, so the runner's outcome is asked before the helper's error.
std::string SaveFailureReason(const CxGAppBaseUtil& util, bool bSaved)
{
    if (!bSaved)
        return "the data file could not be written.";
    switch (util.m_lastRunOutcome) {
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
    if (util.m_bHasError)
        return std::string("the helper program reported: ") + util.m_szLastError;
    return std::string();
}

} // namespace

Deletion::Deletion(DeletionSink& sink)
    : m_sink(sink)
{}

void Deletion::Begin()
{
    LogLine("Start deleting duplicate records ...");
    LogRule();
    LogGap();
    ResetCounters();
    // Always, whatever was reported last: the bar may still show an earlier visit's end.
    m_nPercent = 0;
    m_sink.Progress(0);
}

void Deletion::Run()
{
    ResetCounters();
    CountChosenRecords();
    m_sink.ShowWaitWindow();
    m_sink.SetWaitText("Deleting duplicate information in the Google account...");
    m_sink.Pause(kPauseMs);

    char szDataFolder[MAX_PATH] = "";
    GetDataFolder(szDataFolder);

    bool bContactsSaved = true;
    bool bEventsSaved = true;
    if (AppSettings.AppFlag & APP_CONTACTS)
        bContactsSaved = DeleteContacts(szDataFolder);
    if (AppSettings.AppFlag & APP_CALENDAR)
        bEventsSaved = DeleteEvents(szDataFolder);
    // Tasks and notes have no deletion step; the account page never lets them be chosen anyway.

    m_sink.HideWaitWindow();
    LogSummary(bContactsSaved, bEventsSaved);
    ReportProgress(100);
}

void Deletion::ResetCounters()
{
    m_nDeletedContacts = 0;
    m_nDeletedEvents = 0;
    m_nDeletedTasks = 0;
    m_nDeletedNotes = 0;
    m_nTotal = 0;
    m_nProcessed = 0;
}

void Deletion::CountChosenRecords()
{
    const int32_t nFlag = AppSettings.AppFlag;
    if (nFlag & APP_CONTACTS)
        m_nTotal += ListCount(g_pAddrDupList);
    if (nFlag & APP_CALENDAR)
        m_nTotal += ListCount(g_pDateDupList);
    if (nFlag & APP_TASKS)
        m_nTotal += ListCount(g_pTaskDupList);
    if (nFlag & APP_NOTES)
        m_nTotal += ListCount(g_pNoteDupList);
}

bool Deletion::DeleteContacts(const char* szDataFolder)
{
    m_sink.SetWaitText("Deleting duplicate contacts information in the Google account...");
    if (g_pAddrDupList) {
        for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext()) {
            DeleteContactItem(static_cast<GAddrRecord*>(p));
            StepProgress();
        }
    }
    if (m_nDeletedContacts <= 0 || !g_pAddrUtil)
        return true;
    return SaveMarks(*g_pAddrUtil, szDataFolder, FilesOf(HelperKind::Contacts).statusFile);
}

bool Deletion::DeleteEvents(const char* szDataFolder)
{
    m_sink.SetWaitText("Deleting duplicate calendar information in the Google account...");
    if (g_pDateDupList) {
        for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext()) {
            DeleteEventItem(static_cast<GDateRecord*>(p));
            StepProgress();
        }
    }
    if (m_nDeletedEvents <= 0 || !g_pDateUtil)
        return true;
    return SaveMarks(*g_pDateUtil, szDataFolder, FilesOf(HelperKind::Calendar).statusFile);
}

void Deletion::StepProgress()
{
    ++m_nProcessed;
    if (m_nTotal > 0)
        ReportProgress(static_cast<int>(int64_t{m_nProcessed} * 100 / m_nTotal));
}

void Deletion::ReportProgress(int nPercent)
{
    if (nPercent == m_nPercent)
        return;
    m_nPercent = nPercent;
    m_sink.Progress(nPercent);
}

// The per-record verdicts only say that a record was marked. Whether the account changed is known
// after the save, and a failed save must never read as a successful deletion.
bool Deletion::SaveMarks(CxGAppBaseUtil& util, const char* szDataFolder, const char* szStatusFile)
{
    m_sink.Pause(kPauseMs);
    char szStatusPath[MAX_PATH];
    FormatText(szStatusPath, "%s%s", szDataFolder, szStatusFile);
    m_sink.SetWaitStatusFile(szStatusPath);
    const bool bSaved = util.Save();
    const std::string reason = SaveFailureReason(util, bSaved);
    if (reason.empty())
        return true;
    LogLine(("The Google account was not updated: " + reason).c_str());
    return false;
}

void Deletion::DeleteContactItem(GAddrRecord* pRecord)
{
    // Rows left unticked on the review page stay in the list but are passed over.
    if (!pRecord || !(pRecord->dwFlags & REC_SELECTED))
        return;
    LogLine("Deleting contact item ...");
    LogField("Display Name", pRecord->szDisplayName);
    LogField("Company", pRecord->szCompanyName);
    LogField("Title", pRecord->szJobTitle);
    LogField("Email", pRecord->szEmailPrimary);
    LogField("Phone", pRecord->szPhonePrimary);
    const bool bMarked = g_pAddrUtil && g_pAddrUtil->MarkDeleted(pRecord->pMgrNode);
    if (bMarked)
        ++m_nDeletedContacts;
    LogVerdict(bMarked);
    LogGap();
}

void Deletion::DeleteEventItem(GDateRecord* pRecord)
{
    if (!pRecord || !(pRecord->dwFlags & REC_SELECTED))
        return;
    LogLine("Deleting calendar item ...");
    LogField("Subject", pRecord->szSubject);
    LogField("Location", pRecord->szLocation);
    char szTime[32];
    FormatTimeOfDay(pRecord->dtStart, szTime, sizeof szTime);
    LogField("Start Time", szTime);
    FormatTimeOfDay(pRecord->dtEnd, szTime, sizeof szTime);
    LogField("End Time", szTime);
    LogField("All Day Event", pRecord->nAllDayEvent != 0 ? "Yes" : "No");
    const bool bMarked = g_pDateUtil && g_pDateUtil->MarkDeleted(pRecord->pMgrNode);
    if (bMarked)
        ++m_nDeletedEvents;
    LogVerdict(bMarked);
    LogGap();
}

void Deletion::LogSummary(bool bContactsSaved, bool bEventsSaved)
{
    LogRule();
    LogLine("Deleting duplicates finished:");
    char szLine[kLineCapacity];
    if (bContactsSaved)
        FormatText(szLine, "\t%d duplicate contact items deleted.", m_nDeletedContacts);
    else
        FormatText(szLine, "\t%d duplicate contact items marked, but the Google account was not updated.",
                   m_nDeletedContacts);
    LogLine(szLine);
    if (bEventsSaved)
        FormatText(szLine, "\t%d duplicate calendar items deleted.", m_nDeletedEvents);
    else
        FormatText(szLine, "\t%d duplicate calendar items marked, but the Google account was not updated.",
                   m_nDeletedEvents);
    LogLine(szLine);
    LogGap();
}

void Deletion::FormatFieldLine(char (&szLine)[kLineCapacity], const char* szLabel, const char* szValue)
{
    std::string line = "\t";
    line += szLabel ? szLabel : "";
    line += ": ";
    line += szValue && szValue[0] ? szValue : "<empty>";
    // A long subject or location does not fit: the line is cut at the last whole character that
    // does, so the log never shows half a character.
    CopyUtf8(szLine, line);
}

// Every line passes through the line buffer, cut there on a whole character when it is too long.
void Deletion::LogLine(const char* szText)
{
    char szLine[kLineCapacity];
    CopyUtf8(szLine, szText ? szText : "");
    m_sink.LogLine(szLine);
}

void Deletion::LogField(const char* szLabel, const char* szValue)
{
    char szLine[kLineCapacity];
    FormatFieldLine(szLine, szLabel, szValue);
    m_sink.LogLine(szLine);
}

void Deletion::LogRule()
{
    LogLine(std::string(80, '=').c_str());
}

// The log's separating line is a carriage return and line feed; to a sink that takes whole lines it
// is one empty line.
void Deletion::LogGap()
{
    m_sink.LogLine("");
}

void Deletion::LogVerdict(bool bMarked)
{
    LogLine(bMarked ? "Deletion succeeded." : "Deletion failed.");
}
