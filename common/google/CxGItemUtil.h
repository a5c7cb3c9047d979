// The service utility of the kinds the helper serves without progress or error reports (tasks and
// notes): the raw records as the helper sends them, a common record made from each, one data file.
#pragma once

#include "common/google/CxGAppBaseUtil.h"
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxFile.h"
#include "common/misc/CxList.h"

#include <cstdlib>
#include <cstring>
#include <memory>

// What tells one such kind from another.
template <class Raw>
struct CxGItemKind
{
    // Names the files of the run; its data file is also the default of LoadDataFile and SaveDataFile.
    HelperKind helper;
    const char* szName; // in log lines, e.g. "Tasks"
    void (*readFields)(CxGFieldReader&, Raw&);
    void (*writeFields)(CxGFieldWriter&, const Raw&);
};

template <class Raw, class Comm, class Mgr>
class CxGItemUtil : public CxGAppBaseUtil
{
public:
    ~CxGItemUtil() override { CxGItemUtil::Reset(); }

    // Unlike contacts and events, a load adds to what an earlier load left: the wizard always loads
    // into a new utility. True when the data file was read.
    bool Load() override
    {
        g_debugLog.Print(2, __FILE__, __LINE__, "Start loading Google %s.", m_kind.szName);
        const bool bLoaded = LoadThroughHelper(
            false, {m_szDataFile}, [this] { RunHelper(); }, [this] { return LoadDataFile(); });
        if (!bLoaded)
            g_debugLog.Print(0, __FILE__, __LINE__, "Error loading Google %s.", m_kind.szName);
        return bLoaded;
    }

    // Releases every record; the common records only borrow the raw ones.
    bool Reset() override
    {
        m_pRecords->RemoveAll(true);
        m_pMgr->RemoveAllRecords();
        return CxGAppBaseUtil::Reset();
    }

    // Writes every record back with the action code it holds and runs the helper with operation 2.
    // False only when the data file could not be written.
    bool Save() override
    {
        return SaveThroughHelper([this] { return SaveDataFile(); }, [this] { RunHelper(); });
    }

    // The kind's deleted items: the data file of an OP_LIST_TRASH run read as a load reads it (after
    // releasing what was there, unlike Load), with each one's deletion time. True only when both were
    // read whole.
    bool ListTrash()
    {
        Reset();
        return ListTrashThroughHelper(
            {m_szDataFile}, [this] { RunHelper(); }, [this] { return LoadDataFile(); });
    }
    // Writes the listed items back, those whose ActionCode is ACTION_DELETE being the ones to put
    // back, and runs the helper with OP_RESTORE. False only when the data file could not be written.
    bool Restore()
    {
        return RestoreThroughHelper([this] { return SaveDataFile(); }, [this] { RunHelper(); });
    }
    // Removes from the trash the items deleted nDays days ago or longer; true when the helper said what
    // is left (m_trash).
    bool EmptyTrash(uint32_t nDays)
    {
        return EmptyTrashThroughHelper(nDays, [this] { RunHelper(); });
    }
    // When the item attached to a common record was deleted, after the last ListTrash.
    const char* DeletedAtOf(const Comm* pRecord) const
    {
        return pRecord && pRecord->pAttach ? DeletedAtOfRecord(pRecord->pAttach) : nullptr;
    }
    // The helper's verdict on the item attached to a common record, after the last Save or Restore.
    const SaveRecordResult* SaveResultOf(const Comm* pRecord) const
    {
        return pRecord && pRecord->pAttach ? SaveResultOfRecord(pRecord->pAttach) : nullptr;
    }

    // A null or empty name stands for the data file. False when the file cannot be opened/created,
    // and for a save also when it could not be written whole.
    bool LoadDataFile(const char* szFileName = nullptr)
    {
        char szPath[MAX_PATH];
        if (!OpenWorkFile(m_file, DataFileName(szFileName), "rb", szPath)) {
            g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file: %s", szPath);
            return false;
        }
        const uint32_t nCount = ReadRecordCount(m_file);
        g_debugLog.Print(2, __FILE__, __LINE__, "There are %d %s records in total.", static_cast<int>(nCount),
                         m_kind.szName);
        ClearListedPositions();
        uint32_t nPosition = 0;
        const uint32_t nRead = ReadOwnedRecords<Raw>(
            m_file, nCount, [this](CxFile&, Raw* pRaw) { return ReadRecord(pRaw); },
            [&](Raw* pRaw) { Keep(pRaw, ++nPosition); });
        NoteRecordsRead(nCount, nRead, m_file.Eof());
        m_file.Close();
        return true;
    }

    bool SaveDataFile(const char* szFileName = nullptr)
    {
        char szPath[MAX_PATH];
        if (!OpenWorkFile(m_file, DataFileName(szFileName), "wb", szPath)) {
            g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file: %s", szPath);
            return false;
        }
        ClearSavedPositions();
        uint32_t nPosition = 0;
        const bool bWritten = WriteDataRecords<Raw>(m_file, *m_pRecords, [&](CxFile&, const Raw* pRecord) {
            // The helper's verdicts name the marked records by their place in the file.
            ++nPosition;
            if (pRecord->ActionCode == ACTION_DELETE)
                NoteSavedPosition(pRecord, nPosition);
            return WriteRecord(pRecord);
        });
        // A file that did not reach the disk whole must not go to the helper as the items to keep.
        if (!m_file.CloseFlushed() || !bWritten) {
            g_debugLog.Print(0, __FILE__, __LINE__, "Failed to write file: %s", szPath);
            return false;
        }
        return true;
    }

    // One record from or to the open data file; false when no file is open or no record is given.
    bool ReadRecord(Raw* pRecord) { return ReadFields(m_file, pRecord, m_kind.readFields); }
    bool WriteRecord(const Raw* pRecord) { return WriteFields(m_file, pRecord, m_kind.writeFields); }

    // Fills a zero-filled common record from a raw one, each text cut to its common capacity.
    virtual bool ConvertToCommon(const Raw* pRaw, Comm* pComm) = 0;

    // Appends a heap copy of the record to the raw records; null when memory runs out.
    Raw* AddRecord(const Raw* pRecord) { return pRecord ? AppendCopy(*m_pRecords, *pRecord) : nullptr; }

    // Writes the parameter file (account, data file, work folder, operation, options, debug log) and
    // runs the kind's helper. These helpers keep no error file.
    void RunHelper()
    {
        CxGAppParamParser params;
        AddAccountParams(params, m_szOptions);
        AddLogParams(params);
        RunHelperProgram(params, m_kind.helper, FilesOf(m_kind.helper).program, false);
    }

    Mgr* GetMgr() { return m_pMgr.get(); }
    uint32_t GetRecordCount() const { return m_pRecords->GetCount(); }

    // Handed to the helper with every run; nothing changes it.
    char m_szOptions[1024] = "";

protected:
    explicit CxGItemUtil(const CxGItemKind<Raw>& kind)
        : m_kind(kind)
    {
        UseHelperFiles(kind.helper);
    }

private:
    const char* DataFileName(const char* szFileName) const
    {
        return szFileName && szFileName[0] ? szFileName : FilesOf(m_kind.helper).dataFile;
    }

    // Keeps one record read from the data file (and owned from here on): its common record goes to
    // the manager, with the raw record attached as contacts are, so a walk over the manager reaches
    // every item. nPosition (1-based) is its place in the file.
    void Keep(Raw* pRaw, uint32_t nPosition)
    {
        auto* pComm = static_cast<Comm*>(std::calloc(1, sizeof(Comm)));
        if (pComm)
            ConvertToCommon(pRaw, pComm);
        Comm* pKeptComm = m_pMgr->Adopt(pComm);
        pRaw->pCommRecord = pKeptComm;
        pRaw->ActionCode = 1;
        Raw* pKept = AppendOwned(*m_pRecords, pRaw);
        if (pKept)
            NoteListedPosition(pKept, nPosition);
        if (pKeptComm && pKept)
            pKeptComm->pAttach = pKept;
        else if (pKeptComm)
            m_pMgr->RemoveRecord(pKeptComm); // a common record without its item would end every walk
    }

    const CxGItemKind<Raw> m_kind;
    std::unique_ptr<Mgr> m_pMgr = std::make_unique<Mgr>();
    CxFile m_file;
    std::unique_ptr<CxList> m_pRecords = std::make_unique<CxList>();
};
