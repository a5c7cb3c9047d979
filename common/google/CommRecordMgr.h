// The manager every kind keeps its common records in: it owns them (and any attachment a record owns)
// in load order, and its list's cursor is the one cursor of every walk over the kind's records.
#pragma once

#include "common/misc/CxList.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Data sources a common record can come from (Source Type); everything loaded here is Google's.
enum : uint32_t { SOURCE_GOOGLE = 8 };

// Record is a plain common record with the members pAttach (void*) and nAttachSize (uint32_t): a
// non-zero size means the record owns a private copy of the attachment.
template <class Record>
class CommRecordMgr
{
public:
    CommRecordMgr() = default;
    ~CommRecordMgr() { RemoveAllRecords(); }
    CommRecordMgr(const CommRecordMgr&) = delete;
    CommRecordMgr& operator=(const CommRecordMgr&) = delete;

    // Appends a copy; a record with a private attachment gets its own copy of it, a borrowed
    // attachment stays shared. Null for a null record or when memory runs out.
    Record* AddCopy(const Record* pRecord)
    {
        if (!pRecord)
            return nullptr;
        auto* pCopy = static_cast<Record*>(std::malloc(sizeof(Record)));
        if (!pCopy)
            return nullptr;
        std::memcpy(pCopy, pRecord, sizeof(Record));
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

    // Takes over a record allocated with malloc, without a copy; its attachment, if any, stays
    // borrowed. Null, with the record released, for a null record or when memory runs out.
    Record* Adopt(Record* pRecord)
    {
        if (!pRecord)
            return nullptr;
        pRecord->nAttachSize = 0;
        if (!m_records.Add(pRecord)) {
            std::free(pRecord);
            return nullptr;
        }
        return pRecord;
    }

    // Releases a held record (and the attachment it owns); false when it is not held.
    bool RemoveRecord(Record* pRecord)
    {
        // The list only drops the node; the record and its attachment are ours to release.
        if (!pRecord || !m_records.Remove(pRecord, false))
            return false;
        Release(pRecord);
        return true;
    }

    void RemoveAllRecords()
    {
        for (void* pItem = m_records.GetFirst(); pItem; pItem = m_records.GetNext())
            Release(static_cast<Record*>(pItem));
        m_records.RemoveAll(false);
    }

    Record* GetFirst() { return static_cast<Record*>(m_records.GetFirst()); }
    Record* GetNext() { return static_cast<Record*>(m_records.GetNext()); }
    // Puts the cursor on a held record; false when it is not held.
    bool SetCurrent(Record* pRecord) { return pRecord && m_records.SetCurrent(pRecord); }
    uint32_t GetRecordCount() const { return m_records.GetCount(); }

private:
    static void Release(Record* pRecord)
    {
        if (pRecord->nAttachSize != 0)
            std::free(pRecord->pAttach);
        std::free(pRecord);
    }

    CxList m_records;
};
