// The Google Calendar service utility: fetches the account's events and calendar definitions through
// the calendar helper, keeps them as raw and common records, and deletes marked events through the
// helper again.
#pragma once

#include "common/google/CommDateRecord.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/CxFile.h"
#include "common/misc/CxList.h"

#include <memory>

class CxGDateUtil : public CxGAppBaseUtil
{
public:
    CxGDateUtil();
    // Leaves a stop request for a helper that may still be running.
    ~CxGDateUtil() override;

    // Runs the helper with operation 1 and reads both files it left; true when both were read. The
    // events stay loaded when only the calendar definitions could not be read.
    bool Load() override;
    // Releases every record; deletes the calendar definitions file, the status and the error file.
    bool Reset() override;
    // Writes both files back (marked events with ACTION_DELETE) and runs the helper with operation
    // 2. False only when a file could not be written; the marks then stay.
    bool Save() override;

    // The account's deleted events: both files of an OP_LIST_TRASH run read as a load reads them
    // (releasing what was loaded before), with each event's deletion time and the trash's size. True
    // only when all of it was read whole.
    bool ListTrash();
    // Writes the listed events back, the marked ones being the ones to put back, and runs the helper
    // with OP_RESTORE. False only when a file could not be written.
    bool Restore();
    // Removes from the trash the events deleted nDays days ago or longer; true when the helper said
    // what is left (m_trash).
    bool EmptyTrash(uint32_t nDays);
    // When the event attached to a common record was deleted, after the last ListTrash.
    const char* DeletedAtOf(const CommDateRecord* pRecord) const;

    // A null or empty name stands for the events file or the calendar definitions file. False when
    // the file cannot be opened or created.
    virtual bool LoadDataFile(const char* szFileName = nullptr);
    virtual bool SaveDataFile(const char* szFileName = nullptr);
    virtual bool LoadCalendarFile(const char* szFileName = nullptr);
    virtual bool SaveCalendarFile(const char* szFileName = nullptr);

    // One record from or to the open file; false when no file is open or no record is given.
    bool ReadRecord(GDateRecord* pRecord);
    bool WriteRecord(const GDateRecord* pRecord);
    bool ReadCalendar(GCalRecord* pRecord);
    bool WriteCalendar(const GCalRecord* pRecord);
    // Fills a zero-filled common record from a raw one, each text cut to its common capacity.
    bool ConvertToCommon(const GDateRecord* pRaw, CommDateRecord* pComm);
    // Append heap copies to the raw lists; null when memory runs out.
    GDateRecord* AddRecord(const GDateRecord* pRecord);
    GCalRecord* AddCalendar(const GCalRecord* pRecord);
    // The helper's verdict on the record attached to a common record, after the last Save.
    const SaveRecordResult* SaveResultOf(const CommDateRecord* pRecord) const;
    // Marks the event attached to a common record for deletion at the next Save.
    bool MarkDeleted(CommDateRecord* pRecord);
    void RunHelper();

    CommDateMgr* GetDateMgr() { return m_pDateMgr.get(); }
    uint32_t GetCalendarCount() const { return m_pCalendars->GetCount(); }
    // Null is ignored; otherwise at most 255 characters are kept.
    void SetCalendarFileName(const char* szText);

    // Handed to the helper with every run; nothing changes them.
    char m_szOptions[256] = "";
    char m_szOptions2[256] = "";
    char m_szOptions3[1024] = "";
    char m_szCalendarFile[256] = ""; // kCalendarListFile unless set

private:
    // The load's reading: the events, then the calendar definitions, each failure logged.
    bool LoadBothFiles();
    // Takes one event read from the file: its recurrence text read, its common record made, both kept;
    // nPosition (1-based) is its place in the file.
    void KeepLoadedEvent(GDateRecord* pRaw, uint32_t nPosition);
    // The save's and the restore's writing: the events, then the calendar definitions.
    bool SaveBothFiles();

    std::unique_ptr<CxFile> m_pFile;
    std::unique_ptr<CxList> m_pRecords;
    std::unique_ptr<CxList> m_pCalendars;
    std::unique_ptr<CommDateMgr> m_pDateMgr;
};
