// The data file a load writes: under a temporary name, record by record, renamed over the real one
// only once complete; and a list that owns its records.
#pragma once

#include "common/google/records/CxGDataFile.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/HelperRun.h"

#include <filesystem>
#include <string>

// A list owning the records it holds (allocated with malloc, as the data file code expects).
class RecordList
{
public:
    RecordList() = default;
    ~RecordList() { m_list.RemoveAll(true); }
    RecordList(const RecordList&) = delete;
    RecordList& operator=(const RecordList&) = delete;

    CxList& List() { return m_list; }

private:
    CxList m_list;
};

// A data file written under a temporary name and renamed over the real one only once complete: a
// run that fails or is stopped midway never leaves a file the app would read as the account.
class PendingFile
{
public:
    explicit PendingFile(std::string path)
        : m_path(std::move(path))
        , m_temp(PartialPathOf(m_path))
    {}
    ~PendingFile()
    {
        m_file.Close();
        std::error_code ec;
        if (!m_committed)
            std::filesystem::remove(m_temp, ec);
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    template <class Record>
    bool Write(CxList& records, void (*fields)(CxGFieldWriter&, const Record&), std::string& error)
    {
        bool ok = m_file.OpenPrivate(m_temp.c_str()) &&
                  WriteDataRecords<Record>(m_file, records, [fields](CxFile& out, const Record* record) {
                      return WriteFields(out, record, fields);
                  });
        return Close(ok, error);
    }

    // Record by record, for a load: holding every record until the end took the memory of the whole
    // account (a contact is 24 KB), and faulting it in was a third of the load. The count goes first
    // and is filled in by Finish. A failure is kept for Finish to report.
    void Begin() { m_ok = m_file.OpenPrivate(m_temp.c_str()) && m_file.WriteInt(0); }
    template <class Record>
    void Add(const Record& record, void (*fields)(CxGFieldWriter&, const Record&))
    {
        ++m_count;
        m_ok = m_ok && WriteFields(m_file, &record, fields);
    }
    uint32_t Count() const { return m_count; }
    bool Finish(std::string& error)
    {
        return Close(m_ok && m_file.OverwriteInt(0, static_cast<int32_t>(m_count)), error);
    }

    bool Commit(std::string& error)
    {
        std::error_code ec;
        std::filesystem::rename(m_temp, m_path, ec);
        if (ec) {
            error = Format("Cannot write the data file %s: %s", m_path.c_str(), ec.message().c_str());
            return false;
        }
        m_committed = true;
        return true;
    }

private:
    bool Close(bool ok, std::string& error)
    {
        ok = m_file.CloseFlushed() && ok;
        if (!ok)
            error = Format("Cannot write the data file: %s", m_temp.c_str());
        return ok;
    }

    std::string m_path;
    std::string m_temp;
    CxFile m_file;
    bool m_ok = false;
    uint32_t m_count = 0;
    bool m_committed = false;
};
