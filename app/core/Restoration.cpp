#include "app/core/Restoration.h"

#include "app/core/AppSettings.h"
#include "app/core/DeletedItems.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/google/records/HelperContract.h"
#include "common/misc/TextBuf.h"
#include "common/misc/Utf8Text.h"
#include "common/misc/WinUtil.h"

namespace {

std::string WithoutFullStop(std::string text)
{
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

const SaveRecordResult* ResultOf(DeletedItems& items, const DeletedItem& item)
{
    if (item.kind == TrashKind::Contacts)
        return item.pContact ? items.Contacts().SaveResultOf(item.pContact->pMgrNode) : nullptr;
    return item.pEvent ? items.Calendar().SaveResultOf(item.pEvent->pMgrNode) : nullptr;
}

std::string NameOf(const DeletedItem& item)
{
    if (item.kind == TrashKind::Contacts)
        return item.pContact && item.pContact->szDisplayName[0] ? item.pContact->szDisplayName : "<no name>";
    return item.pEvent && item.pEvent->szSubject[0] ? item.pEvent->szSubject : "<no subject>";
}

} // namespace

Restoration::Restoration(DeletionSink& sink, DeletedItems& items)
    : m_sink(sink)
    , m_items(items)
{}

void Restoration::Begin()
{
    LogLine("Start restoring deleted records ...");
    LogLine(std::string(80, '='));
    m_sink.LogLine("");
    m_nPercent = 0;
    m_sink.Progress(0);
}

void Restoration::Run()
{
    m_nRestoredContacts = m_nRestoredEvents = m_nChosenContacts = m_nChosenEvents = 0;
    m_nLogged = 0;
    m_sink.ShowWaitWindow();
    m_sink.SetWaitText("Restoring deleted items in the account...");
    m_sink.Pause(kPauseMs);
    char szDataFolder[MAX_PATH] = "";
    GetDataFolder(szDataFolder);

    KindRun contacts =
        RestoreKind(m_items.Contacts(), TrashKind::Contacts, szDataFolder, FilesOf(HelperKind::Contacts).statusFile);
    KindRun events =
        RestoreKind(m_items.Calendar(), TrashKind::Calendar, szDataFolder, FilesOf(HelperKind::Calendar).statusFile);
    m_sink.HideWaitWindow();

    LogBlocks(contacts, TrashKind::Contacts);
    LogBlocks(events, TrashKind::Calendar);
    m_nRestoredContacts = contacts.nRestored;
    m_nRestoredEvents = events.nRestored;
    LogSummary(contacts, events);
    if (m_nPercent != 100)
        m_sink.Progress(m_nPercent = 100);
}

// Only the helper's result file tells what came back; without one nothing is known, since a helper
// that crashed or overran may have put back any part of it.
Restoration::KindRun Restoration::RestoreKind(CxGAppBaseUtil& util, TrashKind kind, const char* szDataFolder,
                                              const char* szStatusFile)
{
    KindRun run;
    for (DeletedItem& item : m_items.Items()) {
        if (item.kind != kind || !item.bChosen)
            continue;
        if (kind == TrashKind::Contacts && item.pContact)
            m_items.Contacts().MarkDeleted(item.pContact->pMgrNode);
        else if (kind == TrashKind::Calendar && item.pEvent)
            m_items.Calendar().MarkDeleted(item.pEvent->pMgrNode);
        ++run.nChosen;
    }
    (kind == TrashKind::Contacts ? m_nChosenContacts : m_nChosenEvents) = run.nChosen;
    if (run.nChosen == 0)
        return run;

    char szStatusPath[MAX_PATH];
    FormatText(szStatusPath, "%s%s", szDataFolder, szStatusFile);
    m_sink.SetWaitStatusFile(szStatusPath);
    m_sink.Pause(kPauseMs);
    const bool bWritten = kind == TrashKind::Contacts ? m_items.Contacts().Restore() : m_items.Calendar().Restore();
    const std::string failure = DeletedItems::RunFailureReason(util, nullptr);
    if (!bWritten || util.m_lastRunOutcome == HelperRunOutcome::NotStarted) {
        run.state = KindRun::State::NotRun;
        run.reason = bWritten ? failure : "the data file could not be written.";
    } else if (util.m_bHasSaveResults) {
        run.state = KindRun::State::Reported;
        run.reason = util.m_szSaveError;
    } else {
        run.state = KindRun::State::Unknown;
        run.reason = failure.empty() ? "the helper program left no report of what it restored." : failure;
    }
    return run;
}

std::string Restoration::VerdictOf(const DeletedItem& item, KindRun& run) const
{
    switch (run.state) {
    case KindRun::State::Reported: {
        const SaveRecordResult* result = ResultOf(m_items, item);
        if (result && result->bRestored) {
            ++run.nRestored;
            return result->szNote[0] ? std::string("Restored: ") + result->szNote : std::string("Restored.");
        }
        std::string reason = result && result->szReason[0] ? result->szReason
                             : !run.reason.empty()         ? run.reason
                                                           : "the helper program did not report it.";
        run.failures.push_back(NameOf(item) + ": " + WithoutFullStop(reason));
        return "Not restored: " + reason;
    }
    case KindRun::State::NotRun:
        run.failures.push_back(NameOf(item) + ": " + WithoutFullStop(run.reason));
        return "Not restored: " + run.reason;
    case KindRun::State::Unknown:
        return "Restore not confirmed: " + WithoutFullStop(run.reason) + ".";
    case KindRun::State::None:
        break;
    }
    return "Not restored.";
}

void Restoration::LogBlocks(KindRun& run, TrashKind kind)
{
    for (const DeletedItem& item : m_items.Items()) {
        if (item.kind != kind || !item.bChosen)
            continue;
        HoldFields(item);
        LogLine(VerdictOf(item, run));
        m_sink.LogLine("");
        StepProgress();
    }
}

void Restoration::HoldFields(const DeletedItem& item)
{
    if (item.kind == TrashKind::Contacts) {
        LogLine("Restoring contact item ...");
        const GAddrRecord* r = item.pContact;
        LogField("Display Name", r ? r->szDisplayName : "");
        LogField("Company", r ? r->szCompanyName : "");
        LogField("Title", r ? r->szJobTitle : "");
        LogField("Email", r ? r->szEmailPrimary : "");
        LogField("Phone", r ? r->szPhonePrimary : "");
    } else {
        LogLine("Restoring calendar item ...");
        const GDateRecord* r = item.pEvent;
        LogField("Subject", r ? r->szSubject : "");
        LogField("Location", r ? r->szLocation : "");
        char szTime[32] = "";
        if (r)
            FormatTimeOfDay(r->dtStart, szTime, sizeof szTime);
        LogField("Start Time", szTime);
        LogField("Calendar", r ? r->szHelperTextA : "");
    }
    LogField("Deleted", item.deletedAt.c_str());
}

void Restoration::StepProgress()
{
    ++m_nLogged;
    const int32_t nChosen = m_nChosenContacts + m_nChosenEvents;
    const int nPercent = nChosen > 0 ? static_cast<int>(int64_t{m_nLogged} * 100 / nChosen) : 100;
    if (nPercent != m_nPercent)
        m_sink.Progress(m_nPercent = nPercent);
}

void Restoration::AddSummary(std::vector<std::string>& lines, const KindRun& run, const char* szKind)
{
    switch (run.state) {
    case KindRun::State::None:
        lines.push_back(std::string("\tNo ") + szKind + " chosen.");
        return;
    case KindRun::State::Unknown:
        lines.push_back("\tThe restore of " + std::to_string(run.nChosen) + " " + szKind + " was not confirmed: " +
                        WithoutFullStop(run.reason) + ". List the deleted items again to see what is left.");
        return;
    case KindRun::State::NotRun:
    case KindRun::State::Reported:
        break;
    }
    lines.push_back("\t" + std::to_string(run.nRestored) + " of " + std::to_string(run.nChosen) + " " + szKind +
                    " restored.");
    for (const std::string& failure : run.failures)
        lines.push_back("\t\tNot restored: " + failure);
}

void Restoration::LogSummary(const KindRun& contacts, const KindRun& events)
{
    LogLine(std::string(80, '='));
    LogLine("Restoring finished:");
    std::vector<std::string> lines;
    AddSummary(lines, contacts, "contacts");
    AddSummary(lines, events, "calendar events");
    for (const std::string& line : lines)
        LogLine(line);
    m_sink.LogLine("");
}

// Every line passes through the line buffer, cut there on a whole character when it is too long.
void Restoration::LogLine(const std::string& text)
{
    char szLine[kLineCapacity];
    CopyUtf8(szLine, text);
    m_sink.LogLine(szLine);
}

void Restoration::LogField(const char* szLabel, const char* szValue)
{
    char szLine[kLineCapacity];
    Deletion::FormatFieldLine(szLine, szLabel, szValue);
    m_sink.LogLine(szLine);
}
