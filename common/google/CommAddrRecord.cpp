#include "common/google/CommAddrRecord.h"

#include <cstdlib>
#include <cstring>

CommAddrMgr::~CommAddrMgr()
{
    RemoveAllRecords();
}

CommAddrRecord* CommAddrMgr::AddCopy(const CommAddrRecord* pRecord)
{
    if (!pRecord)
        return nullptr;
    auto* pCopy = static_cast<CommAddrRecord*>(std::malloc(sizeof(CommAddrRecord)));
    if (!pCopy)
        return nullptr;
    std::memcpy(pCopy, pRecord, sizeof(CommAddrRecord));
    if (pRecord->pAttach && pRecord->nAttachSize > 0) {
        void* pAttach = std::malloc(pRecord->nAttachSize);
        if (!pAttach) {
            std::free(pCopy);
            return nullptr;
        }
        std::memcpy(pAttach, pRecord->pAttach, pRecord->nAttachSize);
        pCopy->pAttach = pAttach;
    } else {
        // Borrowed (or nothing to copy): the copy must never release what it points at.
        pCopy->nAttachSize = 0;
    }
    if (!m_records.Add(pCopy)) {
        Release(pCopy);
        return nullptr;
    }
    return pCopy;
}

bool CommAddrMgr::RemoveRecord(CommAddrRecord* pRecord)
{
    // The list only drops the node; the record and its attachment are ours to release.
    if (!pRecord || !m_records.Remove(pRecord, false))
        return false;
    Release(pRecord);
    return true;
}

void CommAddrMgr::RemoveAllRecords()
{
    for (void* pItem = m_records.GetFirst(); pItem; pItem = m_records.GetNext())
        Release(static_cast<CommAddrRecord*>(pItem));
    m_records.RemoveAll(false);
}

CommAddrRecord* CommAddrMgr::GetFirst()
{
    return static_cast<CommAddrRecord*>(m_records.GetFirst());
}

CommAddrRecord* CommAddrMgr::GetNext()
{
    return static_cast<CommAddrRecord*>(m_records.GetNext());
}

bool CommAddrMgr::SetCurrent(CommAddrRecord* pRecord)
{
    return pRecord && m_records.SetCurrent(pRecord);
}

void CommAddrMgr::Release(CommAddrRecord* pRecord)
{
    if (pRecord->nAttachSize != 0)
        std::free(pRecord->pAttach);
    std::free(pRecord);
}
