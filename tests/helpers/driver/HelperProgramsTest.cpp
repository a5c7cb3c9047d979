// Runs the four built helper programs on a temporary work folder, with parameter files written the
// way the app writes them.
#include "common/google/CxGAppParam.h"
#include "common/google/records/CxGDataFile.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"
#include "helpers/account/ItemIdentity.h"
#include "helpers/base/HelperText.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

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

const KindFiles& FilesOf(Kind kind)
{
    static const KindFiles files[] = {
        {"Ombracon.exe", "GAddr.dat", "GAddrParam.dat", "GAddrErr.dat", "GAddrStatus.dat", "GAddrData.ini", "contacts"},
        {"Ombracal.exe", "GDate.dat", "GDateParam.dat", "GDateErr.dat", "GDateStatus.dat", "GDateData.ini", "calendar"},
        {"Ombratsk.exe", "GTask.dat", "GTaskParam.dat", nullptr, nullptr, nullptr, "tasks"},
        {"Ombranot.exe", "GNote.dat", "GNoteParam.dat", nullptr, nullptr, nullptr, "notes"},
    };
    return files[static_cast<int>(kind)];
}

const char* const kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%s\r\nN:%s;;;;\r\nEMAIL:%s@example.com\r\nEND:VCARD\r\n";

std::string Card(const std::string& name)
{
    char text[512];
    std::snprintf(text, sizeof text, kCard, name.c_str(), name.c_str(), name.c_str());
    return text;
}

// One component; its UID is made of uid, or of the summary when none is given.
std::string Component(const std::string& component, const std::string& summary, const std::string& uid = "",
                      const std::string& extra = "")
{
    std::string text = "BEGIN:" + component + "\r\nUID:" + (uid.empty() ? summary : uid) +
                       "@example.com\r\nDTSTAMP:20240101T080000Z\r\nSUMMARY:" + summary + "\r\n" + extra;
    if (component == "VEVENT")
        text += "DTSTART:20240105T120000\r\nDTEND:20240105T130000\r\n";
    return text + "END:" + component + "\r\n";
}

std::string CalendarOf(const std::string& components)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Qosweep tests//EN\r\n" + components + "END:VCALENDAR\r\n";
}

std::string Calendar(const std::string& component, const std::string& summary)
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

RecordPtr<GAddrRecord> ContactRecord(const char* fileName, int32_t action)
{
    auto record = Zeroed<GAddrRecord>();
    CopyText(record->szHelperText, fileName);
    record->ActionCode = action;
    return record;
}

RecordPtr<GDateRecord> EventRecord(const std::string& subfolder, const char* fileName, int32_t action)
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

std::string FirstLine(const std::string& path)
{
    const std::string text = TempDir::ReadFile(path);
    return text.substr(0, text.find_first_of("\r\n"));
}

class HelperProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_account);
        TempDir::WriteFile(m_work.file("accounts.ini"), "[Me@Example.com]\nFolder=account\nPassword=secret\n");
        m_day = Today();
    }

    static std::string Today()
    {
        platform::SystemTime now{};
        platform::GetLocalTime(&now);
        char day[32];
        std::snprintf(day, sizeof day, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
        return day;
    }

    void Put(const std::string& relative, const std::string& content)
    {
        fs::create_directories(fs::path(m_account + relative).parent_path());
        TempDir::WriteFile(m_account + relative, content);
    }

    bool InAccount(const std::string& relative) const { return fs::exists(m_account + relative); }
    bool InTrash(const std::string& relative) const
    {
        return fs::exists(m_account + ".trash/" + m_day + "/" + relative);
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

    std::string Status(Kind kind) const { return FirstLine(m_work.file(FilesOf(kind).status)); }
    std::string DataPath(Kind kind) const { return m_work.file(FilesOf(kind).data); }

    TempDir m_work;
    std::string m_account = m_work.file("account/");
    std::string m_day;
};

} // namespace

// --- Load -------------------------------------------------------------------------------------------

TEST_F(HelperProgramTest, ContactsLoadWritesEveryCardWithItsFileName)
{
    Put("contacts/b.vcf", Card("Bea"));
    Put("contacts/a.vcf", Card("Ann"));
    Put("contacts/c.VCF", Card("Cid"));
    Put("contacts/.hidden.vcf", Card("Hid"));
    Put("contacts/readme.txt", "not a card");
    EXPECT_EQ(0, Run(Kind::Contacts, 1));

    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_TRUE(data.whole);
    ASSERT_EQ(3u, data.records.size());
    const char* const names[] = {"a.vcf", "b.vcf", "c.VCF"};
    const char* const people[] = {"Ann", "Bea", "Cid"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_STREQ(names[i], data.records[i]->szHelperText);
        EXPECT_STREQ(people[i], data.records[i]->szDisplayName);
        EXPECT_EQ(0, data.records[i]->ActionCode);
    }
    EXPECT_EQ("Finished: 3 contacts read", Status(Kind::Contacts));
    EXPECT_EQ(0, ErrorCount(Kind::Contacts));
    EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Running"));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts) + ".partial"));
}

TEST_F(HelperProgramTest, CalendarLoadWritesEventsAndTheirCalendars)
{
    const std::string longName = "a-long-name@group.calendar.example.com";
    Put("calendar/main.ics", Calendar("VEVENT", "Main"));
    Put("calendar/work/w.ics", Calendar("VEVENT", "Work"));
    Put("calendar/work/displayname", "Office\n");
    Put("calendar/work/color", "#00ff00\n");
    Put("calendar/" + longName + "/l.ics", Calendar("VEVENT", "Long"));
    fs::create_directories(m_account + "calendar/empty");
    EXPECT_EQ(0, Run(Kind::Calendar, 1));

    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_TRUE(events.whole);
    ASSERT_EQ(3u, events.records.size());
    struct Expected
    {
        const char* subject;
        std::string textA;
        const char* textB;
        std::string textC;
    };
    const Expected expected[] = {{"Main", "", "main.ics", ""},
                                 {"Long", longName.substr(0, 31), "l.ics", longName},
                                 {"Work", "work", "w.ics", "work"}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].subject);
        EXPECT_STREQ(expected[i].subject, events.records[i]->szSubject);
        EXPECT_EQ(expected[i].textA, events.records[i]->szHelperTextA);
        EXPECT_STREQ(expected[i].textB, events.records[i]->szHelperTextB);
        EXPECT_EQ(expected[i].textC, events.records[i]->szHelperTextC);
    }

    const auto calendars = ReadData<GCalRecord>(m_work.file("GCal.dat"), GCalRecordFields<CxGFieldReader, GCalRecord>);
    ASSERT_TRUE(calendars.whole);
    ASSERT_EQ(3u, calendars.records.size());
    const std::string expectedCalendars[3][3] = {{"Calendar", "calendar/", ""},
                                                 {longName, "calendar/" + longName + "/", ""},
                                                 {"Office", "calendar/work/", "#00ff00"}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expectedCalendars[i][0]);
        EXPECT_EQ(expectedCalendars[i][0], calendars.records[i]->szText1);
        EXPECT_EQ(expectedCalendars[i][1], calendars.records[i]->szText2);
        EXPECT_EQ(expectedCalendars[i][2], calendars.records[i]->szText3);
        EXPECT_STREQ("", calendars.records[i]->szText4);
    }
}

TEST_F(HelperProgramTest, TasksAndNotesCarryTheirFilesIdentity)
{
    Put("tasks/t1.ics", Calendar("VTODO", "First"));
    Put("tasks/t2.ics", Calendar("VTODO", "Second"));
    Put("notes/n1.ics", Calendar("VJOURNAL", "Note"));
    EXPECT_EQ(0, Run(Kind::Tasks, 1));
    EXPECT_EQ(0, Run(Kind::Notes, 1));

    const auto tasks = ReadData<GTaskRecord>(DataPath(Kind::Tasks), GTaskRecordFields<CxGFieldReader, GTaskRecord>);
    ASSERT_EQ(2u, tasks.records.size());
    const char* const names[] = {"t1.ics", "t2.ics"};
    for (size_t i = 0; i < 2; ++i) {
        const ItemIdentity id = IdentityOfName(names[i]);
        EXPECT_EQ(id.first, tasks.records[i]->nHeadValue1);
        EXPECT_EQ(id.second, tasks.records[i]->nHeadValue3);
        EXPECT_EQ(0, tasks.records[i]->ActionCode);
    }
    EXPECT_STREQ("First", tasks.records[0]->szSubject);
    const auto notes = ReadData<GNoteRecord>(DataPath(Kind::Notes), GNoteRecordFields<CxGFieldReader, GNoteRecord>);
    ASSERT_EQ(1u, notes.records.size());
    EXPECT_EQ(IdentityOfName("n1.ics").first, notes.records[0]->nHeadValue1);
    EXPECT_STREQ("Note", notes.records[0]->szSubject);
    // The app names no error, status or stop-request file for these kinds; none may appear.
    for (const char* name : {"GAddrErr.dat", "GAddrStatus.dat", "GAddrData.ini", "GDateData.ini", "appdebug.log"})
        EXPECT_FALSE(fs::exists(m_work.file(name))) << name;
}

TEST_F(HelperProgramTest, AnItemThatCannotBeReadIsReportedAndSkipped)
{
    Put("contacts/good.vcf", Card("Ann"));
    Put("contacts/junk.vcf", "hello, not a card\r\n");
    Put("contacts/huge.vcf", Card("Big") + std::string(1 << 20, ' '));
    EXPECT_EQ(1, Run(Kind::Contacts, 1));

    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(1u, data.records.size());
    EXPECT_STREQ("good.vcf", data.records[0]->szHelperText);
    EXPECT_EQ(2, ErrorCount(Kind::Contacts));
    CxIniUtil errors(m_work.path().c_str(), "GAddrErr.dat");
    char first[1024];
    errors.ReadEntry("Error", "Error.1", first, sizeof first, "");
    EXPECT_NE(nullptr, std::strstr(first, "contacts/huge.vcf")) << first;
    EXPECT_NE(std::string::npos, LastError(Kind::Contacts).find("contacts/junk.vcf")) << LastError(Kind::Contacts);
}

TEST_F(HelperProgramTest, AFileOfAnotherKindIsPassedOverQuietly)
{
    // A server's calendar collection holds events and tasks side by side.
    Put("calendar/event.ics", Calendar("VEVENT", "Meeting"));
    Put("calendar/task.ics", Calendar("VTODO", "Chore"));
    Put("tasks/event.ics", Calendar("VEVENT", "Meeting"));
    Put("tasks/task.ics", Calendar("VTODO", "Chore"));
    EXPECT_EQ(0, Run(Kind::Calendar, 1));
    EXPECT_EQ(0, Run(Kind::Tasks, 1));
    EXPECT_EQ(0, ErrorCount(Kind::Calendar));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(1u, events.records.size());
    EXPECT_STREQ("event.ics", events.records[0]->szHelperTextB);
    const auto tasks = ReadData<GTaskRecord>(DataPath(Kind::Tasks), GTaskRecordFields<CxGFieldReader, GTaskRecord>);
    ASSERT_EQ(1u, tasks.records.size());
    EXPECT_STREQ("Chore", tasks.records[0]->szSubject);
}

TEST_F(HelperProgramTest, AFileOfSeveralItemsIsNotServed)
{
    // Deleting an item moves its whole file: a file of several would take the others along.
    Put("contacts/all.vcf", Card("Ann") + Card("Bea") + Card("Cid"));
    Put("contacts/one.vcf", Card("Dee"));
    EXPECT_EQ(1, Run(Kind::Contacts, 1));
    const auto contacts =
        ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(1u, contacts.records.size());
    EXPECT_STREQ("one.vcf", contacts.records[0]->szHelperText);
    const std::vector<std::string> contactErrors = {
        "contacts/all.vcf holds 3 contacts; skipped, so that deleting one never removes the others"};
    EXPECT_EQ(contactErrors, Errors(Kind::Contacts));

    // A series and its changed occurrence share a UID and are one event.
    Put("calendar/export.ics",
        CalendarOf(Component("VEVENT", "One") + Component("VEVENT", "Two") + Component("VEVENT", "Three")));
    Put("calendar/mixed.ics", CalendarOf(Component("VEVENT", "Meeting") + Component("VTODO", "Chore")));
    Put("calendar/series.ics", CalendarOf(Component("VEVENT", "Weekly", "series", "RRULE:FREQ=WEEKLY\r\n") +
                                          Component("VEVENT", "Moved", "series", "RECURRENCE-ID:20240112T120000\r\n")));
    EXPECT_EQ(1, Run(Kind::Calendar, 1));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(1u, events.records.size());
    EXPECT_STREQ("series.ics", events.records[0]->szHelperTextB);
    const std::vector<std::string> eventErrors = {
        "calendar/export.ics holds 3 events; skipped, so that deleting one never removes the others",
        "calendar/mixed.ics holds items of another kind; skipped, so that deleting it never removes them"};
    EXPECT_EQ(eventErrors, Errors(Kind::Calendar));
}

// Records go to the data file as they are read, each from the same zeroed record: a file skipped on
// the way leaves nothing, the count is of the records written, and a sparse item after a full one
// keeps none of its fields.
TEST_F(HelperProgramTest, ADataFileHoldsExactlyTheItemsServed)
{
    Put("contacts/a.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nTITLE:Boss\r\nNOTE:Long note\r\n"
                          "TEL:+1 555 0100\r\nEND:VCARD\r\n");
    Put("contacts/b.vcf", "hello, not a card\r\n");
    Put("contacts/c.vcf", Card("Cid") + Card("Dee"));
    Put("contacts/d.vcf", Card("Eve"));
    EXPECT_EQ(1, Run(Kind::Contacts, 1));
    const auto contacts =
        ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_TRUE(contacts.whole);
    EXPECT_EQ(2u, contacts.count);
    ASSERT_EQ(2u, contacts.records.size());
    EXPECT_STREQ("a.vcf", contacts.records[0]->szHelperText);
    EXPECT_STREQ("Boss", contacts.records[0]->szJobTitle);
    EXPECT_STREQ("d.vcf", contacts.records[1]->szHelperText);
    EXPECT_STREQ("Eve", contacts.records[1]->szDisplayName);
    EXPECT_STREQ("", contacts.records[1]->szJobTitle);
    EXPECT_STREQ("", contacts.records[1]->szNote);
    EXPECT_STREQ("", contacts.records[1]->szPhone[0]);
    EXPECT_EQ("Finished: 2 contacts read", Status(Kind::Contacts));

    Put("calendar/a.ics", CalendarOf(Component("VEVENT", "Weekly", "",
                                               "RRULE:FREQ=WEEKLY;COUNT=4\r\nLOCATION:Room 1\r\n"
                                               "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n")));
    Put("calendar/b.ics", CalendarOf(Component("VEVENT", "One") + Component("VEVENT", "Two")));
    Put("calendar/c.ics", Calendar("VEVENT", "Plain"));
    EXPECT_EQ(1, Run(Kind::Calendar, 1));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_TRUE(events.whole);
    EXPECT_EQ(2u, events.count);
    ASSERT_EQ(2u, events.records.size());
    EXPECT_STREQ("Weekly", events.records[0]->szSubject);
    EXPECT_EQ(1, events.records[0]->nReminderCount);
    EXPECT_STRNE("", events.records[0]->szRecurrence);
    EXPECT_STREQ("Plain", events.records[1]->szSubject);
    EXPECT_STREQ("c.ics", events.records[1]->szHelperTextB);
    EXPECT_STREQ("", events.records[1]->szLocation);
    EXPECT_STREQ("", events.records[1]->szRecurrence);
    EXPECT_EQ(0, events.records[1]->nReminderCount);

    // Nothing after the last record.
    for (const Kind kind : {Kind::Contacts, Kind::Calendar}) {
        CxFile file;
        ASSERT_TRUE(file.Open(DataPath(kind).c_str(), "rb"));
        const uint32_t count = ReadRecordCount(file);
        if (kind == Kind::Contacts)
            ReadDataRecords<GAddrRecord>(
                file, count,
                [](CxFile& in, GAddrRecord* r) { ReadFields(in, r, GAddrRecordFields<CxGFieldReader, GAddrRecord>); },
                [](const GAddrRecord*) {});
        else
            ReadDataRecords<GDateRecord>(
                file, count,
                [](CxFile& in, GDateRecord* r) { ReadFields(in, r, GDateRecordFields<CxGFieldReader, GDateRecord>); },
                [](const GDateRecord*) {});
        EXPECT_TRUE(file.AtEnd()) << FilesOf(kind).data;
    }
}

TEST_F(HelperProgramTest, AnAccountWithoutItemFoldersLoadsEmpty)
{
    TempDir::WriteFile(DataPath(Kind::Calendar), "stale");
    EXPECT_EQ(0, Run(Kind::Calendar, 1));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    EXPECT_TRUE(events.whole);
    EXPECT_EQ(0u, events.count);
    const auto calendars = ReadData<GCalRecord>(m_work.file("GCal.dat"), GCalRecordFields<CxGFieldReader, GCalRecord>);
    EXPECT_TRUE(calendars.whole);
    EXPECT_EQ(0u, calendars.count);
}

// --- Save -------------------------------------------------------------------------------------------

TEST_F(HelperProgramTest, ContactsSaveMovesExactlyTheMarkedFiles)
{
    for (const char* name : {"a.vcf", "b.vcf", "c.vcf", "d.vcf", "f.vcf"})
        Put(std::string("contacts/") + name, Card(name));
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(ContactRecord("a.vcf", 3));
    records.push_back(ContactRecord("b.vcf", 1));
    records.push_back(ContactRecord("c.vcf", 3));
    records.push_back(ContactRecord("d.vcf", 0));
    records.push_back(ContactRecord("e.vcf", 3)); // gone meanwhile
    records.push_back(ContactRecord("f.vcf", 4));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, Run(Kind::Contacts, 2));

    for (const char* name : {"a.vcf", "c.vcf"}) {
        EXPECT_FALSE(InAccount(std::string("contacts/") + name)) << name;
        EXPECT_TRUE(InTrash(std::string("contacts/") + name)) << name;
    }
    for (const char* name : {"b.vcf", "d.vcf", "f.vcf"})
        EXPECT_TRUE(InAccount(std::string("contacts/") + name)) << name;
    EXPECT_EQ(1, ErrorCount(Kind::Contacts));
    EXPECT_EQ("Item not found, skipped: contacts/e.vcf", LastError(Kind::Contacts));
    EXPECT_EQ("Finished: 2 of 3 contacts deleted", Status(Kind::Contacts));
    EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Running"));
}

TEST_F(HelperProgramTest, CalendarSaveFindsEventsInTheirCalendarFolders)
{
    const std::string longName = "a-long-name@group.calendar.example.com";
    Put("calendar/x.ics", "X");
    Put("calendar/work/y.ics", "Y");
    Put("calendar/" + longName + "/z.ics", "Z");
    Put("calendar/work/kept.ics", "K");
    std::vector<RecordPtr<GDateRecord>> records;
    records.push_back(EventRecord("", "x.ics", 3));
    records.push_back(EventRecord("work", "y.ics", 3));
    records.push_back(EventRecord(longName, "z.ics", 3));
    records.push_back(EventRecord("work", "kept.ics", 1));
    records.push_back(EventRecord("..", "accounts.ini", 3));
    WriteData<GDateRecord>(DataPath(Kind::Calendar), records, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    EXPECT_EQ(1, Run(Kind::Calendar, 2));

    EXPECT_TRUE(InTrash("calendar/x.ics"));
    EXPECT_TRUE(InTrash("calendar/work/y.ics"));
    EXPECT_TRUE(InTrash("calendar/" + longName + "/z.ics"));
    EXPECT_TRUE(InAccount("calendar/work/kept.ics"));
    EXPECT_TRUE(fs::exists(m_work.file("accounts.ini")));
    EXPECT_EQ("Not a plain file name, skipped: calendar/../accounts.ini", LastError(Kind::Calendar));
}

TEST_F(HelperProgramTest, ASaveMovesOnlyFilesTheLoadWouldServe)
{
    // Named by a data file the load never wrote, or changed since: the calendar's own files, files of
    // several items, a file of another kind.
    Put("calendar/work/displayname", "Work\n");
    Put("calendar/work/color", "#00ff00\n");
    Put("calendar/work/export.ics", CalendarOf(Component("VEVENT", "One") + Component("VEVENT", "Two")));
    Put("calendar/work/mixed.ics", CalendarOf(Component("VEVENT", "Meeting") + Component("VTODO", "Chore")));
    Put("calendar/work/task.ics", Calendar("VTODO", "Chore"));
    Put("calendar/work/event.ics", Calendar("VEVENT", "Meeting"));
    std::vector<RecordPtr<GDateRecord>> events;
    for (const char* name : {"displayname", "color", "export.ics", "mixed.ics", "task.ics", "event.ics"})
        events.push_back(EventRecord("work", name, 3));
    WriteData<GDateRecord>(DataPath(Kind::Calendar), events, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    EXPECT_EQ(1, Run(Kind::Calendar, 2));
    for (const char* name : {"displayname", "color", "export.ics", "mixed.ics", "task.ics"})
        EXPECT_TRUE(InAccount(std::string("calendar/work/") + name)) << name;
    EXPECT_TRUE(InTrash("calendar/work/event.ics"));
    const std::vector<std::string> eventErrors = {
        "Not an item file, skipped: calendar/work/displayname", "Not an item file, skipped: calendar/work/color",
        "calendar/work/export.ics holds 2 events; skipped, so that deleting one never removes the others",
        "calendar/work/mixed.ics holds items of another kind; skipped, so that deleting it never removes them",
        "calendar/work/task.ics holds items of another kind; skipped, so that deleting it never removes them"};
    EXPECT_EQ(eventErrors, Errors(Kind::Calendar));

    Put("contacts/all.vcf", Card("Ann") + Card("Bea"));
    Put("contacts/one.vcf", Card("Dee"));
    std::vector<RecordPtr<GAddrRecord>> contacts;
    contacts.push_back(ContactRecord("all.vcf", 3));
    contacts.push_back(ContactRecord("one.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), contacts, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, Run(Kind::Contacts, 2));
    EXPECT_TRUE(InAccount("contacts/all.vcf"));
    EXPECT_TRUE(InTrash("contacts/one.vcf"));
    const std::vector<std::string> contactErrors = {
        "contacts/all.vcf holds 2 contacts; skipped, so that deleting one never removes the others"};
    EXPECT_EQ(contactErrors, Errors(Kind::Contacts));
}

TEST_F(HelperProgramTest, TaskAndNoteSavesFindTheFileByItsIdentity)
{
    struct Case
    {
        Kind kind;
        const char* folder;
    };
    for (const Case c : {Case{Kind::Tasks, "tasks/"}, Case{Kind::Notes, "notes/"}}) {
        SCOPED_TRACE(c.folder);
        const std::string folder = c.folder;
        Put(folder + "gone.ics", "G");
        Put(folder + "stays.ics", "S");
        const ItemIdentity unknown = {IdentityOfName("stays.ics").first, IdentityOfName("gone.ics").second};
        if (c.kind == Kind::Tasks) {
            std::vector<RecordPtr<GTaskRecord>> records;
            records.push_back(IdentityRecord<GTaskRecord>(IdentityOfName("gone.ics"), 3));
            records.push_back(IdentityRecord<GTaskRecord>(IdentityOfName("stays.ics"), 1));
            records.push_back(IdentityRecord<GTaskRecord>(unknown, 3));
            WriteData<GTaskRecord>(DataPath(c.kind), records, GTaskRecordFields<CxGFieldWriter, const GTaskRecord>);
        } else {
            std::vector<RecordPtr<GNoteRecord>> records;
            records.push_back(IdentityRecord<GNoteRecord>(IdentityOfName("gone.ics"), 3));
            records.push_back(IdentityRecord<GNoteRecord>(IdentityOfName("stays.ics"), 1));
            records.push_back(IdentityRecord<GNoteRecord>(unknown, 3));
            WriteData<GNoteRecord>(DataPath(c.kind), records, GNoteRecordFields<CxGFieldWriter, const GNoteRecord>);
        }
        // The record that matches no file is an error; the exit code says so.
        EXPECT_EQ(1, Run(c.kind, 2));
        EXPECT_TRUE(InTrash(folder + "gone.ics"));
        EXPECT_FALSE(InAccount(folder + "gone.ics"));
        EXPECT_TRUE(InAccount(folder + "stays.ics"));
    }
}

TEST_F(HelperProgramTest, ASaveWithoutAWholeDataFileDeletesNothing)
{
    for (const char* name : {"a.vcf", "b.vcf"})
        Put(std::string("contacts/") + name, Card(name));
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(ContactRecord("a.vcf", 3));
    records.push_back(ContactRecord("b.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    const std::string whole = TempDir::ReadFile(DataPath(Kind::Contacts));
    const std::string one = whole.substr(0, whole.size() / 2 + 2); // count 2, first record whole (empty texts)
    struct Case
    {
        const char* name;
        std::string bytes;
        bool exists;
    };
    std::string moreThanThere = whole;
    moreThanThere[0] = 3;
    const Case cases[] = {
        {"missing", "", false},
        {"empty", "", true},
        {"count cut", whole.substr(0, 3), true},
        {"record cut", whole.substr(0, whole.size() - 1), true},
        {"second record missing", one, true},
        {"count larger than the records", moreThanThere, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_work.file("GAddrErr.dat"));
        fs::remove(DataPath(Kind::Contacts));
        if (c.exists)
            TempDir::WriteFile(DataPath(Kind::Contacts), c.bytes);
        EXPECT_EQ(1, Run(Kind::Contacts, 2));
        EXPECT_TRUE(InAccount("contacts/a.vcf"));
        EXPECT_TRUE(InAccount("contacts/b.vcf"));
        EXPECT_EQ(0u, LastError(Kind::Contacts)
                          .find(c.exists ? "The data file is cut short, nothing deleted"
                                         : "Cannot open the data file, nothing deleted"))
            << LastError(Kind::Contacts);
    }
    EXPECT_FALSE(fs::exists(m_account + ".trash"));
}

TEST_F(HelperProgramTest, ASaveWithATextLengthOutOfBoundsDeletesNothing)
{
    // One record marking a.vcf, its first name "x"; the file is whole whatever length it then claims.
    auto record = ContactRecord("a.vcf", 3);
    CopyText(record->szFirstName, "x");
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(std::move(record));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    const std::string bytes = TempDir::ReadFile(DataPath(Kind::Contacts));
    // The count and three head values come first, then the first name's length and its one byte.
    const size_t at = 16;
    ASSERT_EQ(std::string("\x01\0\0\0x", 5), bytes.substr(at, 5));
    constexpr int32_t capacity = sizeof(GAddrRecord::szFirstName);
    struct Case
    {
        int32_t length;
        bool deletes;
    };
    const Case cases[] = {{capacity - 1, true}, {capacity, false}, {5000, false}, {-7, false}, {-1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        Put("contacts/a.vcf", Card("Ann"));
        fs::remove_all(m_account + ".trash");
        std::string length(4, '\0');
        std::memcpy(length.data(), &c.length, 4);
        TempDir::WriteFile(DataPath(Kind::Contacts), bytes.substr(0, at) + length +
                                                         std::string(c.length > 0 ? c.length : 0, 'x') +
                                                         bytes.substr(at + 5));
        EXPECT_EQ(c.deletes ? 0 : 1, Run(Kind::Contacts, 2));
        EXPECT_EQ(c.deletes, InTrash("contacts/a.vcf"));
        EXPECT_NE(c.deletes, InAccount("contacts/a.vcf"));
        if (!c.deletes) {
            EXPECT_EQ(0u, LastError(Kind::Contacts)
                              .find(Format("Record 1 of the data file holds a text length of %d where the field "
                                           "holds %d bytes, nothing deleted",
                                           c.length, capacity - 1)))
                << LastError(Kind::Contacts);
        }
    }
}

// --- Refusals and the parameter file ------------------------------------------------------------------

TEST_F(HelperProgramTest, ARefusedAccountGetsAnErrorAndNoDataFile)
{
    Put("contacts/a.vcf", Card("Ann"));
    struct Case
    {
        const char* email;
        const char* password;
        const char* error;
    };
    const Case cases[] = {
        {"stranger@example.com", "secret", "Unknown account: stranger@example.com"},
        {"ME@example.com", "Secret", "Wrong password for ME@example.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.email);
        // One left by an earlier run must not pass for this account's.
        TempDir::WriteFile(DataPath(Kind::Contacts), "stale");
        EXPECT_EQ(1, Run(Kind::Contacts, 1, {{1000, c.email}, {1001, c.password}}));
        EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
        EXPECT_EQ(c.error, LastError(Kind::Contacts));
        EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Running"));
    }
}

TEST_F(HelperProgramTest, ABadParameterFileEndsTheRunBeforeAnything)
{
    EXPECT_EQ(2, Wait(Start(Kind::Contacts, m_work.file("none.dat"))));

    Put("contacts/a.vcf", "A");
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(ContactRecord("a.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    struct Case
    {
        const char* name;
        std::map<int32_t, std::string> changed;
        std::set<int32_t> dropped;
        const char* error;
    };
    const Case cases[] = {
        {"status file outside", {{1010, "../GAddrStatus.dat"}}, {}, "Parameter 1010 is not a plain file name"},
        {"no operation", {}, {1005}, "Parameter 1005 is missing"},
        {"unknown operation", {{1005, "3"}}, {}, "Parameter 1005 has a value out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(2, Wait(Start(Kind::Contacts, WriteParams(Kind::Contacts, 2, c.changed, c.dropped))));
        EXPECT_EQ(0u, LastError(Kind::Contacts).find(c.error)) << LastError(Kind::Contacts);
        EXPECT_TRUE(InAccount("contacts/a.vcf"));
        EXPECT_FALSE(fs::exists(m_work.file("GAddrData.ini")));
    }
    // An error file outside the work folder is never written; the run still ends.
    EXPECT_EQ(2, Wait(Start(Kind::Contacts, WriteParams(Kind::Contacts, 2, {{1009, "../GAddrErr.dat"}}))));
    EXPECT_FALSE(fs::exists(fs::path(m_work.path()).parent_path().parent_path() / "GAddrErr.dat"));
    EXPECT_TRUE(InAccount("contacts/a.vcf"));
}

TEST_F(HelperProgramTest, ARefusedLoadLeavesNoOldDataFile)
{
    // The app would take the data files of an earlier run for this account's.
    TempDir::WriteFile(DataPath(Kind::Calendar), "stale");
    TempDir::WriteFile(m_work.file("GCal.dat"), "stale");
    EXPECT_EQ(2, Wait(Start(Kind::Calendar, WriteParams(Kind::Calendar, 1, {{1010, "../GDateStatus.dat"}}))));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Calendar)));
    EXPECT_FALSE(fs::exists(m_work.file("GCal.dat")));
    EXPECT_EQ(0u, LastError(Kind::Calendar).find("Parameter 1010 is not a plain file name"))
        << LastError(Kind::Calendar);
}

TEST_F(HelperProgramTest, ErrorsOfAnEarlierRunAreNotReportedAgain)
{
    const auto leaveOldErrors = [this] {
        CxIniUtil old(m_work.path().c_str(), "GAddrErr.dat");
        old.WriteEntry("Error", "Error.1", "from before");
        old.WriteEntry("Error", "Error.2", "from before too");
        old.WriteNumber("Error", "Error.Count", 2);
    };
    Put("contacts/a.vcf", Card("Ann"));
    leaveOldErrors();
    EXPECT_EQ(0, Run(Kind::Contacts, 1));
    EXPECT_EQ(std::vector<std::string>{}, Errors(Kind::Contacts));

    leaveOldErrors();
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(ContactRecord("gone.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, Run(Kind::Contacts, 2));
    EXPECT_EQ(std::vector<std::string>{"Item not found, skipped: contacts/gone.vcf"}, Errors(Kind::Contacts));
}

// --- Stop requests, status and log --------------------------------------------------------------------

TEST_F(HelperProgramTest, AStopLeftFromAnEarlierRunDoesNotStopThisOne)
{
    Put("contacts/a.vcf", Card("Ann"));
    CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 1);
    const int code = Run(Kind::Contacts, 1);
    EXPECT_NE(3, code);
    EXPECT_TRUE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Stop"));
    EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Running"));
}

TEST_F(HelperProgramTest, AStopRequestEndsALoadWithoutADataFile)
{
    for (int i = 0; i < 40; ++i)
        Put("contacts/c" + std::to_string(100 + i) + ".vcf", Card("P" + std::to_string(i)));
    TempDir::WriteFile(DataPath(Kind::Contacts), "stale");
    const pid_t pid = Start(Kind::Contacts, WriteParams(Kind::Contacts, 1), 100);
    ASSERT_GT(pid, 0);
    // "Stop" is cleared before "Running" is set, so once we see the run going our request stands.
    const bool going = WaitUntil(
        [this] {
            return StopFileValue(Kind::Contacts, "Running") == 1 &&
                   Status(Kind::Contacts).rfind("Reading contacts", 0) == 0;
        },
        std::chrono::milliseconds(3000));
    CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 1);
    EXPECT_EQ(3, Wait(pid));
    ASSERT_TRUE(going);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts) + ".partial"));
    EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Running"));
    EXPECT_EQ("Stopped on request", Status(Kind::Contacts));
}

// The stop-request file is read at most every 100 ms, not for every item: with items coming ten
// times as fast, a request must still end the load long before its last item.
TEST_F(HelperProgramTest, AStopRequestEndsALoadWhoseItemsComeFasterThanTheChecks)
{
    for (int i = 0; i < 600; ++i)
        Put("contacts/c" + std::to_string(1000 + i) + ".vcf", Card("P" + std::to_string(i)));
    // The log at level 3 names every item read.
    const pid_t pid = Start(Kind::Contacts, WriteParams(Kind::Contacts, 1, {{1016, "1"}}), 10);
    ASSERT_GT(pid, 0);
    const bool going = WaitUntil(
        [this] {
            return StopFileValue(Kind::Contacts, "Running") == 1 &&
                   Status(Kind::Contacts).rfind("Reading contacts", 0) == 0;
        },
        std::chrono::milliseconds(3000));
    CxIniUtil(m_work.path().c_str(), "GAddrData.ini").WriteNumber("Status", "Stop", 1);
    EXPECT_EQ(3, Wait(pid));
    ASSERT_TRUE(going);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts) + ".partial"));
    EXPECT_EQ("Stopped on request", Status(Kind::Contacts));
    EXPECT_EQ(0, StopFileValue(Kind::Contacts, "Running"));
    const std::string log = TempDir::ReadFile(m_work.file("appdebug.log"));
    size_t read = 0;
    for (size_t at = log.find("] - Read contacts/"); at != std::string::npos;
         at = log.find("] - Read contacts/", at + 1))
        ++read;
    EXPECT_GT(read, 0u);
    EXPECT_LT(read, 600u) << "the request was seen only after the last item";
}

TEST_F(HelperProgramTest, AStopRequestEndsASaveMidway)
{
    std::vector<RecordPtr<GDateRecord>> records;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "e" + std::to_string(100 + i) + ".ics";
        Put("calendar/" + name, "E");
        records.push_back(EventRecord("", name.c_str(), 3));
    }
    WriteData<GDateRecord>(DataPath(Kind::Calendar), records, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    const pid_t pid = Start(Kind::Calendar, WriteParams(Kind::Calendar, 2), 100);
    ASSERT_GT(pid, 0);
    const bool going = WaitUntil([this] { return Status(Kind::Calendar).rfind("Deleting events", 0) == 0; },
                                 std::chrono::milliseconds(3000));
    CxIniUtil(m_work.path().c_str(), "GDateData.ini").WriteNumber("Status", "Stop", 1);
    EXPECT_EQ(3, Wait(pid));
    ASSERT_TRUE(going);
    size_t moved = 0;
    for (const auto& entry : fs::directory_iterator(m_account + ".trash/" + m_day + "/calendar"))
        moved += entry.is_regular_file() ? 1 : 0;
    EXPECT_GT(moved, 0u);
    EXPECT_LT(moved, 40u);
    EXPECT_EQ(0, StopFileValue(Kind::Calendar, "Running"));
}

TEST_F(HelperProgramTest, TheDebugLogGetsTheAppsLineFormat)
{
    const std::regex line(
        R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\]\[[^\]]{20,}\(\d+ *\)\]\[[0-9a-f]{5,}\]\[(!!!|   )\] - .*)");
    // Disabled: only failures are written, marked as such.
    EXPECT_EQ(1, Run(Kind::Contacts, 1, {{1000, "stranger@example.com"}}));
    std::string log = TempDir::ReadFile(m_work.file("appdebug.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_NE(std::string::npos, log.find("[!!!] - Unknown account: stranger@example.com\r\n")) << log;
    EXPECT_EQ(log.find("\r\n"), log.size() - 2) << "one line only:\n" << log;

    // Enabled at level 3: the progress too.
    fs::remove(m_work.file("appdebug.log"));
    EXPECT_EQ(0, Run(Kind::Contacts, 1, {{1016, "1"}}));
    log = TempDir::ReadFile(m_work.file("appdebug.log"));
    EXPECT_NE(std::string::npos, log.find("] - Loaded 0 contacts from " + m_account + "contacts/\r\n")) << log;
    size_t lines = 0;
    for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2, ++lines)
        EXPECT_TRUE(std::regex_match(log.substr(start, end - start), line)) << log.substr(start, end - start);
    EXPECT_GE(lines, 2u);

    // Enabled at level 1: the run's summary, no per-item lines.
    fs::remove(m_work.file("appdebug.log"));
    Put("contacts/a.vcf", Card("Ann"));
    EXPECT_EQ(0, Run(Kind::Contacts, 1, {{1016, "1"}, {1015, "1"}}));
    log = TempDir::ReadFile(m_work.file("appdebug.log"));
    EXPECT_NE(std::string::npos, log.find("] - Loaded 1 contacts from " + m_account + "contacts/\r\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("Read contacts/a.vcf")) << log;
}

// --- Whole round trips --------------------------------------------------------------------------------

TEST_F(HelperProgramTest, ALoadedRecordMarkedForDeletionTakesItsFileToTheTrash)
{
    Put("contacts/a.vcf", Card("Ann"));
    Put("contacts/b.vcf", Card("Bea"));
    ASSERT_EQ(0, Run(Kind::Contacts, 1));
    auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(2u, data.records.size());
    data.records[1]->ActionCode = 3;
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), data.records,
                           GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(0, Run(Kind::Contacts, 2));
    EXPECT_TRUE(InAccount("contacts/a.vcf"));
    EXPECT_TRUE(InTrash("contacts/b.vcf"));
}

TEST_F(HelperProgramTest, TheDemoAccountServesOutOfTheBox)
{
    const std::string shipped = platform::ProgramFolder() + "demo/";
    ASSERT_TRUE(fs::is_directory(shipped)) << "the build copies demo/ beside the programs";
    size_t cards = 0;
    if (fs::is_directory(shipped + "contacts"))
        for (const auto& entry : fs::directory_iterator(shipped + "contacts"))
            cards += entry.path().extension() == ".vcf" ? 1 : 0;
    EXPECT_EQ(0, Run(Kind::Contacts, 1, {{1000, "demo@example.com"}, {1001, "demo"}})) << LastError(Kind::Contacts);
    EXPECT_TRUE(fs::is_directory(m_work.file("demo")));
    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    EXPECT_TRUE(data.whole);
    EXPECT_EQ(cards, data.records.size());
}
