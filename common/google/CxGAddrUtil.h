// The Google Contacts service utility: fetches the account's contacts through the contacts helper,
// keeps them as raw and common records, and deletes marked contacts through the helper again.
#pragma once

#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/records/GAddrRecord.h"
#include "common/misc/CxFile.h"
#include "common/misc/CxList.h"

#include <memory>

class CxGAddrUtil : public CxGAppBaseUtil
{
public:
    CxGAddrUtil();
    // Leaves a stop request for a helper that may still be running.
    ~CxGAddrUtil() override;

    // Runs the helper with operation 1 and reads what it left; true when the data file was read.
    bool Load() override;
    // Releases every record; deletes the status and error files.
    bool Reset() override;
    // Writes every record back (marked ones with ACTION_DELETE) and runs the helper with operation
    // 2. False only when the data file could not be written; the marks then stay.
    bool Save() override;

    // The account's deleted contacts: the data file of an OP_LIST_TRASH run read as a load reads it
    // (releasing what was loaded before), with each one's deletion time and the trash's size. True
    // only when both were read whole; otherwise the last error, the run's outcome or m_szTrashError
    // says why.
    bool ListTrash();
    // Writes the listed contacts back, the marked ones (MarkDeleted) being the ones to put back, and
    // runs the helper with OP_RESTORE; SaveResultOf then tells each one's verdict. False only when
    // the data file could not be written.
    bool Restore();
    // Removes from the trash the contacts deleted nDays days ago or longer; true when the helper
    // said what is left (m_trash).
    bool EmptyTrash(uint32_t nDays);
    // When the contact attached to a common record was deleted, after the last ListTrash.
    const char* DeletedAtOf(const CommAddrRecord* pRecord) const;

    // A null or empty name stands for the data file. False when the file cannot be opened/created.
    bool LoadDataFile(const char* szFileName = nullptr);
    bool SaveDataFile(const char* szFileName = nullptr);
    // One record from or to the open data file; false when no file is open or no record is given.
    bool ReadRecord(GAddrRecord* pRecord);
    bool WriteRecord(const GAddrRecord* pRecord);
    // Fills a zero-filled common record from a raw one, each text cut to its common capacity.
    bool ConvertToCommon(const GAddrRecord* pRaw, CommAddrRecord* pComm);
    // Appends a heap copy of the record to the raw records; null when memory runs out.
    GAddrRecord* AddRecord(const GAddrRecord* pRecord);
    // The helper's verdict on the record attached to a common record, after the last Save.
    const SaveRecordResult* SaveResultOf(const CommAddrRecord* pRecord) const;
    // Marks the contact attached to a common record for deletion at the next Save.
    bool MarkDeleted(CommAddrRecord* pRecord);
    void RunHelper();

    CommAddrMgr* GetAddrMgr() { return m_pAddrMgr.get(); }

    // Handed to the helper with every run; nothing changes it.
    char m_szOptions[256] = "";

private:
    // Keeps one contact read from the data file, owned from here on, with its common record; nPosition
    // (1-based) is its place in the file.
    void KeepLoadedContact(GAddrRecord* pRaw, uint32_t nPosition);

    std::unique_ptr<CxFile> m_pFile;
    std::unique_ptr<CxList> m_pRecords;
    std::unique_ptr<CommAddrMgr> m_pAddrMgr;
};
