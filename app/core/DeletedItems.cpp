#include "app/core/DeletedItems.h"

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/WinUtil.h"

#include <algorithm>

DeletedItems::DeletedItems()
    : m_pContacts(std::make_unique<CxGAddrUtil>())
    , m_pCalendar(std::make_unique<CxGDateUtil>())
{}

DeletedItems::~DeletedItems() = default;

namespace {

// Each record of a listing as an item of the dialog, with its deletion time.
template <class Util, class Mgr, class Raw>
void TakeListed(const Util& util, Mgr& mgr, TrashKind kind, Raw* DeletedItem::*slot, std::vector<DeletedItem>& items)
{
    for (auto* pComm = mgr.GetFirst(); pComm; pComm = mgr.GetNext()) {
        const char* szAt = util.DeletedAtOf(pComm);
        auto* pRaw = static_cast<Raw*>(pComm->pAttach);
        // As a scan's walk does: the restore marks the record through it.
        pRaw->pMgrNode = pComm;
        DeletedItem item;
        item.kind = kind;
        item.*slot = pRaw;
        item.deletedAt = szAt ? szAt : "";
        items.push_back(std::move(item));
    }
}

} // namespace

// As the wizard's load hands them over: the same account, the data folder for the files exchanged
// and for the helper's debug log. Without a data folder the work folder is empty: the runs then fail
// and say so.
void DeletedItems::Configure()
{
    char szDataFolder[MAX_PATH] = "";
    GetDataFolder(szDataFolder);
    ConfigureUtility(*m_pContacts, szDataFolder);
    ConfigureUtility(*m_pCalendar, szDataFolder);
}

bool DeletedItems::List()
{
    m_items.clear();
    m_failure.clear();
    Configure();
    const bool bContacts = m_pContacts->ListTrash();
    if (bContacts)
        TakeListed(*m_pContacts, *m_pContacts->GetAddrMgr(), TrashKind::Contacts, &DeletedItem::pContact, m_items);
    else
        NoteFailure(*m_pContacts, "contacts");
    const bool bEvents = m_pCalendar->ListTrash();
    if (bEvents)
        TakeListed(*m_pCalendar, *m_pCalendar->GetDateMgr(), TrashKind::Calendar, &DeletedItem::pEvent, m_items);
    else
        NoteFailure(*m_pCalendar, "calendar events");
    // The helpers list newest first already; the two kinds are merged the same way. As texts, a day
    // alone is a prefix of that day's times and so sorts after them.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const DeletedItem& a, const DeletedItem& b) { return a.deletedAt > b.deletedAt; });
    return bContacts && bEvents;
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
    Configure();
    const bool bContacts = m_pContacts->EmptyTrash(nDays);
    if (!bContacts)
        NoteFailure(*m_pContacts, "contacts");
    const bool bEvents = m_pCalendar->EmptyTrash(nDays);
    if (!bEvents)
        NoteFailure(*m_pCalendar, "calendar events");
    return bContacts && bEvents;
}

// The runner's outcome comes first, as for a load: a helper that never finished may have left an
// error file of an earlier run.
std::string DeletedItems::RunFailureReason(const CxGAppBaseUtil& util, const char* szTrashError)
{
    if (const char* szRunFailure = HelperRunFailureText(util.m_lastRunOutcome))
        return szRunFailure;
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
