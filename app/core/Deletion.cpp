#include "app/core/Deletion.h"

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/TextBuf.h"
#include "common/misc/Utf8Text.h"
#include "common/misc/WinUtil.h"
#include "common/platform/Platform.h"

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
    if (const char* szRunFailure = HelperRunFailureText(util.m_lastRunOutcome))
        return szRunFailure;
    if (util.m_bHasError)
        return std::string("the helper program reported: ") + util.m_szLastError;
    return std::string();
}

// Now as the trash's index dates a deletion.
std::string LocalTimeText()
{
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    char szText[32] = "";
    FormatText(szText, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{now.wYear}, unsigned{now.wMonth}, unsigned{now.wDay},
               unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond});
    return szText;
}

std::string WithoutFullStop(std::string text)
{
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
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
    m_startedAt = LocalTimeText();
    CountChosenRecords();
    m_sink.ShowWaitWindow();
    m_sink.SetWaitText("Deleting duplicate information in the Google account...");
    m_sink.Pause(kPauseMs);

    char szDataFolder[MAX_PATH] = "";
    GetDataFolder(szDataFolder);

    KindSave contacts;
    KindSave events;
    m_pending.clear();
    try {
        if (AppSettings.AppFlag & APP_CONTACTS)
            contacts = DeleteContacts(szDataFolder);
        if (AppSettings.AppFlag & APP_CALENDAR)
            events = DeleteEvents(szDataFolder);
    } catch (...) {
        // The kind being walked was never saved: its blocks say so rather than vanish.
        KindSave unsaved;
        unsaved.state = KindSave::State::NotSaved;
        unsaved.reason = "the deletion stopped before the account was updated.";
        LogBlocks(unsaved, {});
        throw;
    }
    // Tasks and notes have no deletion step; the account page never lets them be chosen anyway.

    m_sink.HideWaitWindow();
    LogSummary(contacts, events);
    m_nConfirmedDeleted = contacts.nDeleted + events.nDeleted;
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
    m_nConfirmedDeleted = 0;
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

Deletion::KindSave Deletion::DeleteContacts(const char* szDataFolder)
{
    m_sink.SetWaitText("Deleting duplicate contacts information in the Google account...");
    if (g_pAddrDupList) {
        for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext()) {
            DeleteContactItem(static_cast<GAddrRecord*>(p));
            StepProgress();
        }
    }
    KindSave save;
    if (m_nDeletedContacts > 0 && g_pAddrUtil)
        save = SaveMarks(*g_pAddrUtil, m_nDeletedContacts, szDataFolder, FilesOf(HelperKind::Contacts).statusFile);
    LogBlocks(save, [](const void* pNode) {
        return g_pAddrUtil ? g_pAddrUtil->SaveResultOf(static_cast<const CommAddrRecord*>(pNode)) : nullptr;
    });
    if (save.state == KindSave::State::NotSaved)
        LogLine(("The Google account was not updated: " + save.reason).c_str());
    return save;
}

Deletion::KindSave Deletion::DeleteEvents(const char* szDataFolder)
{
    m_sink.SetWaitText("Deleting duplicate calendar information in the Google account...");
    if (g_pDateDupList) {
        for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext()) {
            DeleteEventItem(static_cast<GDateRecord*>(p));
            StepProgress();
        }
    }
    KindSave save;
    if (m_nDeletedEvents > 0 && g_pDateUtil)
        save = SaveMarks(*g_pDateUtil, m_nDeletedEvents, szDataFolder, FilesOf(HelperKind::Calendar).statusFile);
    LogBlocks(save, [](const void* pNode) {
        return g_pDateUtil ? g_pDateUtil->SaveResultOf(static_cast<const CommDateRecord*>(pNode)) : nullptr;
    });
    if (save.state == KindSave::State::NotSaved)
        LogLine(("The Google account was not updated: " + save.reason).c_str());
    return save;
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

// Only the helper's result file tells which records went; without one nothing is known, since a
// helper that crashed, overran or could not write may have deleted any part of them.
Deletion::KindSave Deletion::SaveMarks(CxGAppBaseUtil& util, int32_t nMarked, const char* szDataFolder,
                                       const char* szStatusFile)
{
    m_sink.Pause(kPauseMs);
    char szStatusPath[MAX_PATH];
    FormatText(szStatusPath, "%s%s", szDataFolder, szStatusFile);
    m_sink.SetWaitStatusFile(szStatusPath);
    const bool bSaved = util.Save();
    KindSave save;
    save.nMarked = nMarked;
    const std::string failure = SaveFailureReason(util, bSaved);
    if (!bSaved || util.m_lastRunOutcome == HelperRunOutcome::NotStarted) {
        save.state = KindSave::State::NotSaved;
        save.reason = failure;
    } else if (util.m_bHasSaveResults) {
        save.state = KindSave::State::Reported;
        save.refusal = util.m_szSaveError;
        save.reason = failure.empty() ? save.refusal : failure;
    } else {
        save.state = KindSave::State::Unknown;
        save.reason = failure.empty() ? "the helper program left no report of what it deleted" : failure;
    }
    return save;
}

void Deletion::LogBlocks(KindSave& save, const ResultLookup& resultOf)
{
    std::vector<PendingBlock> blocks;
    blocks.swap(m_pending);
    for (const PendingBlock& block : blocks) {
        for (const std::string& line : block.lines)
            m_sink.LogLine(line.c_str());
        std::string verdict = "Deletion failed.";
        if (block.bMarked) {
            const SaveRecordResult* result =
                save.state == KindSave::State::Reported && resultOf ? resultOf(block.pNode) : nullptr;
            switch (save.state) {
            case KindSave::State::Reported:
                if (result && result->bDeleted) {
                    verdict = "Deletion succeeded.";
                    ++save.nDeleted;
                } else if (result && result->szReason[0]) {
                    verdict = std::string("Deletion failed: ") + result->szReason;
                } else {
                    verdict = "Deletion failed: " +
                              (save.refusal.empty() ? "the helper program did not report it." : save.refusal);
                }
                break;
            case KindSave::State::NotSaved:
                verdict = "Deletion failed: " + save.reason;
                break;
            case KindSave::State::Unknown:
                verdict = "Deletion not confirmed: " + WithoutFullStop(save.reason) + ".";
                break;
            case KindSave::State::None:
                break;
            }
        }
        LogLine(verdict.c_str());
        LogGap();
    }
    // Nothing of it went: the account is as it was, and the reason (if the helper gave one) is said.
    if (save.state == KindSave::State::Reported && save.nDeleted == 0 && !save.reason.empty())
        save.state = KindSave::State::NotSaved;
}

void Deletion::HoldBlock(const void* pNode, bool bMarked)
{
    m_pending.push_back({std::move(m_blockLines), pNode, bMarked});
    m_blockLines.clear();
}

void Deletion::DeleteContactItem(GAddrRecord* pRecord)
{
    // Rows left unticked on the review page stay in the list but are passed over.
    if (!pRecord || !(pRecord->dwFlags & REC_SELECTED))
        return;
    m_blockLines.clear();
    HoldLine("Deleting contact item ...");
    HoldField("Display Name", pRecord->szDisplayName);
    HoldField("Company", pRecord->szCompanyName);
    HoldField("Title", pRecord->szJobTitle);
    HoldField("Email", pRecord->szEmailPrimary);
    HoldField("Phone", pRecord->szPhonePrimary);
    const bool bMarked = g_pAddrUtil && g_pAddrUtil->MarkDeleted(pRecord->pMgrNode);
    if (bMarked)
        ++m_nDeletedContacts;
    HoldBlock(pRecord->pMgrNode, bMarked);
}

void Deletion::DeleteEventItem(GDateRecord* pRecord)
{
    if (!pRecord || !(pRecord->dwFlags & REC_SELECTED))
        return;
    m_blockLines.clear();
    HoldLine("Deleting calendar item ...");
    HoldField("Subject", pRecord->szSubject);
    HoldField("Location", pRecord->szLocation);
    char szTime[32];
    FormatTimeOfDay(pRecord->dtStart, szTime, sizeof szTime);
    HoldField("Start Time", szTime);
    FormatTimeOfDay(pRecord->dtEnd, szTime, sizeof szTime);
    HoldField("End Time", szTime);
    HoldField("All Day Event", pRecord->nAllDayEvent != 0 ? "Yes" : "No");
    const bool bMarked = g_pDateUtil && g_pDateUtil->MarkDeleted(pRecord->pMgrNode);
    if (bMarked)
        ++m_nDeletedEvents;
    HoldBlock(pRecord->pMgrNode, bMarked);
}

std::string Deletion::SummaryLine(const KindSave& save, const char* szKind)
{
    char szLine[kLineCapacity];
    switch (save.state) {
    case KindSave::State::NotSaved:
        FormatText(szLine, "\t%d duplicate %s items marked, but the Google account was not updated.", save.nMarked,
                   szKind);
        return szLine;
    case KindSave::State::Unknown: {
        // The reason is cut so that the advice at the end always fits the line.
        const std::string head = "\tThe deletion of " + std::to_string(save.nMarked) + " duplicate " + szKind +
                                 " items may not have finished: ";
        const std::string tail = ". Load the account again to see what is left.";
        char szReason[kLineCapacity];
        CopyUtf8(szReason, kLineCapacity - head.size() - tail.size(), WithoutFullStop(save.reason));
        return head + szReason + tail;
    }
    case KindSave::State::Reported:
        if (save.nDeleted != save.nMarked) {
            FormatText(szLine, "\t%d of %d duplicate %s items deleted.", save.nDeleted, save.nMarked, szKind);
            return szLine;
        }
        break;
    case KindSave::State::None:
        break;
    }
    FormatText(szLine, "\t%d duplicate %s items deleted.", save.nDeleted, szKind);
    return szLine;
}

void Deletion::LogSummary(const KindSave& contacts, const KindSave& events)
{
    LogRule();
    LogLine("Deleting duplicates finished:");
    LogLine(SummaryLine(contacts, "contact").c_str());
    LogLine(SummaryLine(events, "calendar").c_str());
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

void Deletion::HoldLine(const char* szText)
{
    char szLine[kLineCapacity];
    CopyUtf8(szLine, szText ? szText : "");
    m_blockLines.emplace_back(szLine);
}

void Deletion::HoldField(const char* szLabel, const char* szValue)
{
    char szLine[kLineCapacity];
    FormatFieldLine(szLine, szLabel, szValue);
    m_blockLines.emplace_back(szLine);
}
