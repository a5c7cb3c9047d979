#include "app/TfmQoClean.h"

#include "app/QoBanner.h"
#include "app/TfmDump.h"
#include "app/TfmMain.h"
#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/TextBuf.h"
#include "common/misc/Utf8Text.h"
#include "common/misc/WinUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <string>

namespace {

constexpr int kStartDelayMs = 1000;
constexpr int kPauseMs = 100;

// Waits without taking user input, so the wait window (which paints through this thread) stays
// drawn while nothing else on screen can be clicked.
void Pause(int nMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(nMilliseconds)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

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

TfmQoClean::TfmQoClean(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fmQoClean"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);

    memLog = new QPlainTextEdit(this);
    memLog->setObjectName(QStringLiteral("memLog"));
    memLog->setAccessibleName(QStringLiteral("Deletion log"));
    memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    memLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The log is a record of what happened; nobody may type over it.
    memLog->setReadOnly(true);

    pbDel = new QProgressBar(this);
    pbDel->setObjectName(QStringLiteral("pbDel"));
    pbDel->setAccessibleName(QStringLiteral("Deletion progress"));
    pbDel->setRange(0, 100);
    pbDel->setValue(0);

    lblBack = new TClickLabel(QStringLiteral("Back to First Step"), this);
    lblBack->setObjectName(QStringLiteral("lblBack"));
    lblBack->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    lblBack->setCursor(Qt::PointingHandCursor);

    tmStart = new QTimer(this);
    tmStart->setObjectName(QStringLiteral("tmStart"));
    tmStart->setSingleShot(true);
    tmStart->setInterval(kStartDelayMs);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    layout->setSpacing(12);
    layout->addWidget(memLog, 1);
    layout->addWidget(pbDel);
    layout->addWidget(lblBack, 0, Qt::AlignLeft);

    connect(tmStart, &QTimer::timeout, this, &TfmQoClean::tmStartTimer);
    connect(lblBack, &TClickLabel::clicked, this, &TfmQoClean::lblBackClick);
}

bool TfmQoClean::TransferData(bool save)
{
    if (save)
        return true;
    memLog->clear();
    LogLine("Start deleting duplicate records ...");
    LogRule();
    LogGap();
    m_nDeletedContacts = 0;
    m_nDeletedEvents = 0;
    m_nDeletedTasks = 0;
    m_nDeletedNotes = 0;
    tmStart->start();
    pbDel->setValue(0);
    // The keyboard scrolls the log rather than resting on a button of the hidden review page.
    memLog->setFocus();
    return true;
}

void TfmQoClean::tmStartTimer()
{
    tmStart->stop();
    try {
        RunDeletion();
        return;
    } catch (const std::exception& e) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Unhandled exception while deleting: %s", e.what());
    } catch (...) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Unhandled exception while deleting.");
    }
    // What was logged so far stays; the summary would claim a finished deletion.
    StopWaitWindow();
    ShowExceptionDialog();
}

void TfmQoClean::lblBackClick()
{
    // Within the first second the deletion has not started yet: going back must call it off, or it
    // would delete behind the account page the user went back to.
    tmStart->stop();
    if (fmMain)
        fmMain->GoToPage(0);
}

void TfmQoClean::RunDeletion()
{
    CountChosenRecords();
    StartWaitWindow(fmMain);
    SetWaitText("Deleting duplicate information in the Google account...");
    Pause(kPauseMs);

    char szDataFolder[MAX_PATH] = "";
    GetDataFolder(szDataFolder);

    bool bContactsSaved = true;
    bool bEventsSaved = true;
    if (AppSettings.AppFlag & APP_CONTACTS)
        bContactsSaved = DeleteContacts(szDataFolder);
    if (AppSettings.AppFlag & APP_CALENDAR)
        bEventsSaved = DeleteEvents(szDataFolder);
    // Tasks and notes have no deletion step; the account page never lets them be chosen anyway.

    StopWaitWindow();
    LogSummary(bContactsSaved, bEventsSaved);
    pbDel->setValue(100);
}

void TfmQoClean::CountChosenRecords()
{
    m_nTotal = 0;
    m_nProcessed = 0;
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

bool TfmQoClean::DeleteContacts(const char* szDataFolder)
{
    SetWaitText("Deleting duplicate contacts information in the Google account...");
    if (g_pAddrDupList) {
        for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext()) {
            DeleteContactItem(static_cast<GAddrRecord*>(p));
            StepProgress();
        }
    }
    if (m_nDeletedContacts <= 0 || !g_pAddrUtil)
        return true;
    char szStatusPath[MAX_PATH];
    FormatText(szStatusPath, "%sGAddrStatus.dat", szDataFolder);
    return SaveMarks(*g_pAddrUtil, szStatusPath);
}

bool TfmQoClean::DeleteEvents(const char* szDataFolder)
{
    SetWaitText("Deleting duplicate calendar information in the Google account...");
    if (g_pDateDupList) {
        for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext()) {
            DeleteEventItem(static_cast<GDateRecord*>(p));
            StepProgress();
        }
    }
    if (m_nDeletedEvents <= 0 || !g_pDateUtil)
        return true;
    char szStatusPath[MAX_PATH];
    FormatText(szStatusPath, "%sGDateStatus.dat", szDataFolder);
    return SaveMarks(*g_pDateUtil, szStatusPath);
}

void TfmQoClean::StepProgress()
{
    ++m_nProcessed;
    if (m_nTotal > 0)
        pbDel->setValue(static_cast<int>(int64_t{m_nProcessed} * 100 / m_nTotal));
}

// The per-record verdicts only say that a record was marked. Whether the account changed is known
// after the save, and a failed save must never read as a successful deletion.
bool TfmQoClean::SaveMarks(CxGAppBaseUtil& util, const char* szStatusPath)
{
    Pause(kPauseMs);
    SetWaitStatusFile(szStatusPath);
    const bool bSaved = util.Save();
    const std::string reason = SaveFailureReason(util, bSaved);
    if (reason.empty())
        return true;
    LogLine(("The Google account was not updated: " + reason).c_str());
    return false;
}

void TfmQoClean::DeleteContactItem(GAddrRecord* pRecord)
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

void TfmQoClean::DeleteEventItem(GDateRecord* pRecord)
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

void TfmQoClean::LogSummary(bool bContactsSaved, bool bEventsSaved)
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

void TfmQoClean::FormatFieldLine(char (&szLine)[kLineCapacity], const char* szLabel, const char* szValue)
{
    std::string line = "\t";
    line += szLabel ? szLabel : "";
    line += ": ";
    line += szValue && szValue[0] ? szValue : "<empty>";
    // A long subject or location does not fit: the line is cut at the last whole character that
    // does, so the memo never shows half a character.
    CopyUtf8(szLine, line);
}

// Every line passes through the line buffer, cut there on a whole character when it is too long.
void TfmQoClean::LogLine(const char* szText)
{
    char szLine[kLineCapacity];
    CopyUtf8(szLine, szText ? szText : "");
    memLog->appendPlainText(QString::fromUtf8(szLine));
}

void TfmQoClean::LogField(const char* szLabel, const char* szValue)
{
    char szLine[kLineCapacity];
    FormatFieldLine(szLine, szLabel, szValue);
    memLog->appendPlainText(QString::fromUtf8(szLine));
}

void TfmQoClean::LogRule()
{
    LogLine(std::string(80, '=').c_str());
}

// The log's separating line is a carriage return and line feed; in the memo, where every log line
// is a line already, it is one empty line.
void TfmQoClean::LogGap()
{
    memLog->appendPlainText(QString());
}

void TfmQoClean::LogVerdict(bool bMarked)
{
    LogLine(bMarked ? "Deletion succeeded." : "Deletion failed.");
}
