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
    // Keeps one contact read from the data file, owned from here on, with its common record.
    void KeepLoadedContact(GAddrRecord* pRaw);

    std::unique_ptr<CxFile> m_pFile;
    std::unique_ptr<CxList> m_pRecords;
    std::unique_ptr<CommAddrMgr> m_pAddrMgr;
};
