// Runs the built helper programs on a temporary work folder, with parameter files written the way
// the app writes them, and reads back what they wrote: the data, error, status and result files.
#pragma once

#include "common/google/CxGAppParam.h"
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"
#include "helpers/account/ItemIdentity.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace helper_run {

namespace fs = std::filesystem;

enum class Kind { Contacts, Calendar, Tasks, Notes };

struct KindFiles
{
    const char* program;
    const char* data;
    const char* param;
    const char* error; // null: the app names none
    const char* status;
    const char* stop;
    const char* folder;
};

inline const KindFiles& FilesOf(Kind kind)
{
    static const KindFiles files[] = {
        {"Ombracon.exe", "GAddr.dat", "GAddrParam.dat", "GAddrErr.dat", "GAddrStatus.dat", "GAddrData.ini", "contacts"},
        {"Ombracal.exe", "GDate.dat", "GDateParam.dat", "GDateErr.dat", "GDateStatus.dat", "GDateData.ini", "calendar"},
        {"Ombratsk.exe", "GTask.dat", "GTaskParam.dat", nullptr, nullptr, nullptr, "tasks"},
        {"Ombranot.exe", "GNote.dat", "GNoteParam.dat", nullptr, nullptr, nullptr, "notes"},
    };
    return files[static_cast<int>(kind)];
}

inline const char* const kCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%s\r\nN:%s;;;;\r\nEMAIL:%s@example.com\r\nEND:VCARD\r\n";

inline std::string Card(const std::string& name)
{
    char text[512];
    std::snprintf(text, sizeof text, kCard, name.c_str(), name.c_str(), name.c_str());
    return text;
}

// One component; its UID is made of uid, or of the summary when none is given.
inline std::string Component(const std::string& component, const std::string& summary, const std::string& uid = "",
                             const std::string& extra = "")
{
    std::string text = "BEGIN:" + component + "\r\nUID:" + (uid.empty() ? summary : uid) +
                       "@example.com\r\nDTSTAMP:20240101T080000Z\r\nSUMMARY:" + summary + "\r\n" + extra;
    if (component == "VEVENT")
        text += "DTSTART:20240105T120000\r\nDTEND:20240105T130000\r\n";
    return text + "END:" + component + "\r\n";
}

inline std::string CalendarOf(const std::string& components)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Qosweep tests//EN\r\n" + components + "END:VCALENDAR\r\n";
}

inline std::string Calendar(const std::string& component, const std::string& summary)
{
    return CalendarOf(Component(component, summary));
}

template <class Record>
using Fields = void (*)(CxGFieldReader&, Record&);

template <class Record>
struct DataFile
{
    std::vector<RecordPtr<Record>> records;
    uint32_t count = 0;
    bool whole = false;
    bool exists = false;
};

template <class Record>
DataFile<Record> ReadData(const std::string& path, Fields<Record> fields)
{
    DataFile<Record> data;
    CxFile file;
    if (!file.Open(path.c_str(), "rb"))
        return data;
    data.exists = true;
    data.count = ReadRecordCount(file);
    const uint32_t read = ReadDataRecords<Record>(
        file, data.count, [fields](CxFile& in, Record* record) { ReadFields(in, record, fields); },
        [&data](const Record* record) {
            data.records.push_back(Zeroed<Record>());
            std::memcpy(data.records.back().get(), record, sizeof(Record));
        });
    data.whole = read == data.count && !file.Eof();
    return data;
}

template <class Record>
void WriteData(const std::string& path, const std::vector<RecordPtr<Record>>& records,
               void (*fields)(CxGFieldWriter&, const Record&))
{
    CxList list;
    for (const auto& record : records)
        list.Add(record.get());
    CxFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "wb"));
    ASSERT_TRUE(WriteDataRecords<Record>(
        file, list, [fields](CxFile& out, const Record* record) { return WriteFields(out, record, fields); }));
    ASSERT_TRUE(file.CloseFlushed());
}

inline RecordPtr<GAddrRecord> ContactRecord(const char* fileName, int32_t action)
{
    auto record = Zeroed<GAddrRecord>();
    CopyText(record->szHelperText, fileName);
    record->ActionCode = action;
    return record;
}

inline RecordPtr<GDateRecord> EventRecord(const std::string& subfolder, const char* fileName, int32_t action)
{
    auto record = Zeroed<GDateRecord>();
    CopyText(record->szHelperTextA, subfolder.c_str());
    CopyText(record->szHelperTextB, fileName);
    CopyText(record->szHelperTextC, subfolder.c_str());
    record->ActionCode = action;
    return record;
}

template <class Record>
RecordPtr<Record> IdentityRecord(ItemIdentity identity, int32_t action)
{
    auto record = Zeroed<Record>();
    record->nHeadValue1 = identity.first;
    record->nHeadValue3 = identity.second;
    record->ActionCode = action;
    return record;
}

inline std::string FirstLine(const std::string& path)
{
    const std::string text = TempDir::ReadFile(path);
    return text.substr(0, text.find_first_of("\r\n"));
}

// The running and reading side of a helper program test; the account is the test's own.
class HelperProgramRunner : public ::testing::Test
{
protected:
    HelperProgramRunner()
        : m_day(Today())
    {}

    static std::string Today()
    {
        platform::SystemTime now{};
        platform::GetLocalTime(&now);
        char day[32];
        std::snprintf(day, sizeof day, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
        return day;
    }

    // The parameter file as the app builds it: every key a text, in the app's order.
    std::string WriteParams(Kind kind, int operation, const std::map<int32_t, std::string>& changed = {},
                            const std::set<int32_t>& dropped = {})
    {
        const KindFiles& files = FilesOf(kind);
        std::vector<std::pair<int32_t, std::string>> values = {
            {1000, "me@example.com"},          {1001, "secret"}, {1002, files.data}, {1003, m_work.path()},
            {1005, std::to_string(operation)}, {1004, ""}};
        if (kind == Kind::Calendar)
            values.insert(values.end(), {{1006, ""}, {1007, ""}, {1008, "GCal.dat"}});
        if (files.error)
            values.insert(values.end(), {{1009, files.error}, {1010, files.status}});
        values.insert(values.end(), {{1013, m_work.path()}, {1014, "appdebug.log"}, {1015, "3"}, {1016, "0"}});
        // A key the app does not write for the kind is added when a test gives it.
        for (const auto& [key, value] : changed)
            if (std::none_of(values.begin(), values.end(),
                             [key = key](const auto& entry) { return entry.first == key; }))
                values.emplace_back(key, value);
        CxGAppParamParser parser;
        for (auto& [key, value] : values) {
            if (dropped.count(key))
                continue;
            const auto change = changed.find(key);
            EXPECT_TRUE(parser.SetValue(key, VT_BSTR, (change == changed.end() ? value : change->second).c_str()));
        }
        const std::string path = m_work.file(files.param);
        EXPECT_TRUE(parser.Save(path.c_str()));
        return path;
    }

    static pid_t Start(Kind kind, const std::string& paramPath, int itemDelayMs = 0)
    {
        const std::string program = platform::ProgramFolder() + FilesOf(kind).program;
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "QOSWEEP_HELPER_ITEM_DELAY_MS=", 29) != 0)
                env.push_back(*e);
        if (itemDelayMs > 0)
            env.push_back("QOSWEEP_HELPER_ITEM_DELAY_MS=" + std::to_string(itemDelayMs));
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string arg0 = program;
        std::string arg1 = paramPath;
        char* argv[] = {arg0.data(), arg1.data(), nullptr};
        pid_t pid = 0;
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
            return -1;
        return pid;
    }

    static int Wait(pid_t pid)
    {
        int status = 0;
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    int Run(Kind kind, int operation, const std::map<int32_t, std::string>& changed = {})
    {
        return Wait(Start(kind, WriteParams(kind, operation, changed)));
    }

    std::string LastError(Kind kind) const
    {
        CxIniUtil errors(m_work.path().c_str(), FilesOf(kind).error);
        char key[32];
        std::snprintf(key, sizeof key, "Error.%d", errors.ReadNumber("Error", "Error.Count", 0));
        char text[1024];
        errors.ReadEntry("Error", key, text, sizeof text, "");
        return text;
    }

    // Every line of the error file, in order.
    std::vector<std::string> Errors(Kind kind) const
    {
        CxIniUtil errors(m_work.path().c_str(), FilesOf(kind).error);
        std::vector<std::string> lines;
        for (int i = 1; i <= errors.ReadNumber("Error", "Error.Count", 0); ++i) {
            char key[32];
            std::snprintf(key, sizeof key, "Error.%d", i);
            char text[1024];
            errors.ReadEntry("Error", key, text, sizeof text, "");
            lines.push_back(text);
        }
        return lines;
    }

    int ErrorCount(Kind kind) const
    {
        return CxIniUtil(m_work.path().c_str(), FilesOf(kind).error).ReadNumber("Error", "Error.Count", 0);
    }

    int StopFileValue(Kind kind, const char* key) const
    {
        return CxIniUtil(m_work.path().c_str(), FilesOf(kind).stop).ReadNumber("Status", key, -1);
    }

    // Every "key=value" line of a result file, without its section line.
    std::map<std::string, std::string> ResultEntries(const char* name) const
    {
        std::map<std::string, std::string> entries;
        const std::string path = m_work.file(name);
        EXPECT_TRUE(fs::exists(path)) << name;
        std::istringstream in(fs::exists(path) ? TempDir::ReadFile(path) : "");
        std::string line;
        std::getline(in, line);
        EXPECT_EQ("[Result]", line.substr(0, line.find('\r')));
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const size_t equals = line.find('=');
            EXPECT_NE(std::string::npos, equals) << line;
            entries[line.substr(0, equals)] = equals == std::string::npos ? "" : line.substr(equals + 1);
        }
        return entries;
    }

    // What the app does between a load and a save: the records of the data file the load wrote go
    // back, those at the positions given (from 0; none given: every one) marked for deletion.
    template <class Record>
    void MarkRecords(Kind kind, Fields<Record> in, void (*out)(CxGFieldWriter&, const Record&),
                     const std::set<size_t>& marked)
    {
        auto data = ReadData<Record>(DataPath(kind), in);
        ASSERT_TRUE(data.whole);
        for (size_t i = 0; i < data.records.size(); ++i)
            if (marked.empty() || marked.count(i))
                data.records[i]->ActionCode = 3;
        WriteData<Record>(DataPath(kind), data.records, out);
    }
    void MarkLoadedRecords(Kind kind, const std::set<size_t>& marked)
    {
        switch (kind) {
        case Kind::Contacts:
            return MarkRecords<GAddrRecord>(kind, GAddrRecordFields<CxGFieldReader, GAddrRecord>,
                                            GAddrRecordFields<CxGFieldWriter, const GAddrRecord>, marked);
        case Kind::Calendar:
            return MarkRecords<GDateRecord>(kind, GDateRecordFields<CxGFieldReader, GDateRecord>,
                                            GDateRecordFields<CxGFieldWriter, const GDateRecord>, marked);
        case Kind::Tasks:
            return MarkRecords<GTaskRecord>(kind, GTaskRecordFields<CxGFieldReader, GTaskRecord>,
                                            GTaskRecordFields<CxGFieldWriter, const GTaskRecord>, marked);
        case Kind::Notes:
            return MarkRecords<GNoteRecord>(kind, GNoteRecordFields<CxGFieldReader, GNoteRecord>,
                                            GNoteRecordFields<CxGFieldWriter, const GNoteRecord>, marked);
        }
    }
    void MarkEveryLoadedRecord(Kind kind) { MarkLoadedRecords(kind, {}); }
    std::string Status(Kind kind) const { return FirstLine(m_work.file(FilesOf(kind).status)); }
    std::string DataPath(Kind kind) const { return m_work.file(FilesOf(kind).data); }

    TempDir m_work;
    std::string m_day;
};

} // namespace helper_run
