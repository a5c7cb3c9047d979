#include "app/core/DeletedItems.h"

#include "app/core/AppSettings.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/WinUtil.h"

#include <algorithm>

DeletedItems::DeletedItems()
    : m_pContacts(std::make_unique<CxGAddrUtil>())
    , m_pCalendar(std::make_unique<CxGDateUtil>())
{}

DeletedItems::~DeletedItems() = default;

// As the wizard's load hands them over: the same account, the data folder for the files exchanged
// and for the helper's debug log.
void DeletedItems::Configure(CxGAppBaseUtil& util, const char* szDataFolder) const
{
    util.SetWorkFolder(szDataFolder);
    util.SetEmail(AppSettings.Email);
    util.SetPassword(AppSettings.Password);
    util.SetLogFolder(szDataFolder);
    util.SetLogLevel(AppSettings.LogLevel);
    util.SetDebugEnabled(AppSettings.EnableDebug);
}

bool DeletedItems::List()
{
    m_items.clear();
    m_failure.clear();
    char szDataFolder[MAX_PATH] = "";
    // Without a data folder the work folder is empty: the listings then fail and say so.
    GetDataFolder(szDataFolder);
    Configure(*m_pContacts, szDataFolder);
    Configure(*m_pCalendar, szDataFolder);

    bool bAll = true;
    if (m_pContacts->ListTrash()) {
        CommAddrMgr* pMgr = m_pContacts->GetAddrMgr();
        for (CommAddrRecord* pComm = pMgr->GetFirst(); pComm; pComm = pMgr->GetNext()) {
            const char* szAt = m_pContacts->DeletedAtOf(pComm);
            DeletedItem item;
            item.pContact = static_cast<GAddrRecord*>(pComm->pAttach);
            // As a scan's walk does: the restore marks the record through it.
            item.pContact->pMgrNode = pComm;
            item.deletedAt = szAt ? szAt : "";
            m_items.push_back(std::move(item));
        }
    } else {
        bAll = false;
        NoteFailure(*m_pContacts, "contacts");
    }
    if (m_pCalendar->ListTrash()) {
        CommDateMgr* pMgr = m_pCalendar->GetDateMgr();
        for (CommDateRecord* pComm = pMgr->GetFirst(); pComm; pComm = pMgr->GetNext()) {
            const char* szAt = m_pCalendar->DeletedAtOf(pComm);
            DeletedItem item;
            item.kind = TrashKind::Calendar;
            item.pEvent = static_cast<GDateRecord*>(pComm->pAttach);
            item.pEvent->pMgrNode = pComm;
            item.deletedAt = szAt ? szAt : "";
            m_items.push_back(std::move(item));
        }
    } else {
        bAll = false;
        NoteFailure(*m_pCalendar, "calendar events");
    }
    // The helpers list newest first already; the two kinds are merged the same way. As texts, a day
    // alone is a prefix of that day's times and so sorts after them.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const DeletedItem& a, const DeletedItem& b) { return a.deletedAt > b.deletedAt; });
    return bAll;
}

void DeletedItems::ChooseDeletedSince(const std::string& since)
{
    for (DeletedItem& item : m_items)
        item.bChosen = item.deletedAt >= since;
}

bool DeletedItems::AnyChosen() const
{
    return std::any_of(m_items.begin(), m_items.end(), [](const DeletedItem& item) { return item.bChosen; });
}

uint64_t DeletedItems::TrashBytes() const
{
    uint64_t nBytes = 0;
    if (m_pContacts->m_bHasTrashReport)
        nBytes += m_pContacts->m_trash.nBytes;
    if (m_pCalendar->m_bHasTrashReport)
        nBytes += m_pCalendar->m_trash.nBytes;
    return nBytes;
}

bool DeletedItems::EmptyOlderThan(uint32_t nDays)
{
    m_failure.clear();
    char szDataFolder[MAX_PATH] = "";
    GetDataFolder(szDataFolder);
    Configure(*m_pContacts, szDataFolder);
    Configure(*m_pCalendar, szDataFolder);
    bool bAll = true;
    if (!m_pContacts->EmptyTrash(nDays)) {
        bAll = false;
        NoteFailure(*m_pContacts, "contacts");
    }
    if (!m_pCalendar->EmptyTrash(nDays)) {
        bAll = false;
        NoteFailure(*m_pCalendar, "calendar events");
    }
    return bAll;
}

// The runner's outcome comes first, as for a load: a helper that never finished may have left an
// error file of an earlier run.
std::string DeletedItems::RunFailureReason(const CxGAppBaseUtil& util, const char* szTrashError)
{
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
    if (util.m_bHasError && util.m_szLastError[0])
        return std::string("the helper program said: ") + util.m_szLastError;
    if (szTrashError && szTrashError[0])
        return std::string("the helper program said: ") + szTrashError;
    return std::string();
}

void DeletedItems::NoteFailure(const CxGAppBaseUtil& util, const char* szWhat)
{
    std::string reason = RunFailureReason(util, util.m_szTrashError);
    if (reason.empty())
        reason = util.m_nOperation == OP_EMPTY_TRASH ? "the helper program did not say what it removed."
                                                     : "the helper program handed over no whole list.";
    const char* szRun = util.m_nOperation == OP_EMPTY_TRASH ? "emptied" : "listed";
    if (!m_failure.empty())
        m_failure += '\n';
    m_failure += std::string("The deleted ") + szWhat + " could not be " + szRun + ": " + reason;
}
