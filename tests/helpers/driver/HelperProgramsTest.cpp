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
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemIdentity.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/driver/TrashRun.h"
#include "tests/helpers/driver/ExportFixtures.h"
#include "tests/helpers/driver/HelperProgramRun.h"
#include "tests/support/OleTime.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

using namespace helper_run;

namespace {

class HelperProgramTest : public HelperProgramRunner
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_account);
        TempDir::WriteFile(m_work.file("accounts.ini"), "[Me@Example.com]\nFolder=account\nPassword=secret\n");
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

    // The helper text the load writes for a file as it is now: its name, then its content identity.
    // Just the name for a file that is not there.
    std::string Loaded(const std::string& relative) const
    {
        const std::string name = fs::path(relative).filename().string();
        return fs::exists(m_account + relative) ? NameWithContent(name, ContentOf(relative)) : name;
    }
    ContentIdentity ContentOf(const std::string& relative) const
    {
        int64_t modified = 0;
        std::string fault;
        EXPECT_TRUE(FileModifiedTime(m_account + relative, modified, fault)) << relative << ": " << fault;
        return IdentityOfContent(TempDir::ReadFile(m_account + relative), modified);
    }
    // Head values of a task or note as the load writes them.
    ItemIdentity IdentityOfFile(const std::string& relative) const
    {
        return IdentityOfItem(fs::path(relative).filename().string(), ContentOf(relative));
    }
    // Records as the load would have written them for the files as they are now.
    RecordPtr<GAddrRecord> LoadedContact(const char* fileName, int32_t action) const
    {
        return ContactRecord(Loaded(std::string("contacts/") + fileName).c_str(), action);
    }
    RecordPtr<GDateRecord> LoadedEvent(const std::string& subfolder, const char* fileName, int32_t action) const
    {
        auto record = EventRecord(subfolder, fileName, action);
        const std::string folder = subfolder.empty() ? "calendar/" : "calendar/" + subfolder + "/";
        CopyText(record->szHelperTextB, Loaded(folder + fileName).c_str());
        return record;
    }

    std::string TrashFile(const std::string& relative) const { return m_account + ".trash/" + m_day + "/" + relative; }

    std::string m_account = m_work.file("account/");
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
        EXPECT_EQ(Loaded(std::string("contacts/") + names[i]), data.records[i]->szHelperText);
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
        const std::string folder = expected[i].textC.empty() ? "calendar/" : "calendar/" + expected[i].textC + "/";
        EXPECT_EQ(Loaded(folder + expected[i].textB), events.records[i]->szHelperTextB);
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
        const ItemIdentity id = IdentityOfFile(std::string("tasks/") + names[i]);
        EXPECT_EQ(id.first, tasks.records[i]->nHeadValue1);
        EXPECT_EQ(id.second, tasks.records[i]->nHeadValue3);
        EXPECT_EQ(0, tasks.records[i]->ActionCode);
    }
    EXPECT_STREQ("First", tasks.records[0]->szSubject);
    const auto notes = ReadData<GNoteRecord>(DataPath(Kind::Notes), GNoteRecordFields<CxGFieldReader, GNoteRecord>);
    ASSERT_EQ(1u, notes.records.size());
    EXPECT_EQ(IdentityOfFile("notes/n1.ics").first, notes.records[0]->nHeadValue1);
    EXPECT_EQ(IdentityOfFile("notes/n1.ics").second, notes.records[0]->nHeadValue3);
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
    EXPECT_EQ(Loaded("contacts/good.vcf"), data.records[0]->szHelperText);
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
    EXPECT_EQ(Loaded("calendar/event.ics"), events.records[0]->szHelperTextB);
    const auto tasks = ReadData<GTaskRecord>(DataPath(Kind::Tasks), GTaskRecordFields<CxGFieldReader, GTaskRecord>);
    ASSERT_EQ(1u, tasks.records.size());
    EXPECT_STREQ("Chore", tasks.records[0]->szSubject);
}

TEST_F(HelperProgramTest, AFileOfOneItemBesideItemsOfAnotherKindIsNotServed)
{
    // Deleting the item moves its whole file: the task would go along.
    Put("calendar/mixed.ics", CalendarOf(Component("VEVENT", "Meeting") + Component("VTODO", "Chore")));
    // A series and its changed occurrence share a UID and are one event, served as a file of one.
    Put("calendar/series.ics", CalendarOf(Component("VEVENT", "Weekly", "series", "RRULE:FREQ=WEEKLY\r\n") +
                                          Component("VEVENT", "Moved", "series", "RECURRENCE-ID:20240112T120000\r\n")));
    EXPECT_EQ(1, Run(Kind::Calendar, 1));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(1u, events.records.size());
    EXPECT_EQ(Loaded("calendar/series.ics"), events.records[0]->szHelperTextB);
    const std::vector<std::string> eventErrors = {
        "calendar/mixed.ics holds items of another kind; skipped, so that deleting it never removes them"};
    EXPECT_EQ(eventErrors, Errors(Kind::Calendar));
}

// Records go to the data file as they are read, each from the same zeroed record: a file skipped on
// the way leaves nothing, the count is of the records written, and a sparse item after a full one
// keeps none of its fields.
// What a reader guessed goes to the error file, one line for each file and guess, naming the file:
// text taken for Windows-1252, a zone nobody knows. A file of UTF-8 and known zones is not named.
// The helper makes times local under the TZ it runs with: one meeting stored in UTC and in its
// zone is one time.
TEST_F(HelperProgramTest, WhatTheReadersGuessedGoesToTheErrorFile)
{
    const ScopedTz zone("Europe/Berlin");
    Put("contacts/latin.vcf", "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ren\xE9 M\xFCller\r\nEND:VCARD\r\n");
    Put("contacts/utf8.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ren\xC3\xA9 M\xC3\xBCller\r\nEND:VCARD\r\n");
    EXPECT_EQ(1, Run(Kind::Contacts, 1));
    const auto contacts =
        ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(2u, contacts.records.size());
    EXPECT_STREQ("Ren\xC3\xA9 M\xC3\xBCller", contacts.records[0]->szDisplayName);
    EXPECT_STREQ("Ren\xC3\xA9 M\xC3\xBCller", contacts.records[1]->szDisplayName);
    const std::vector<std::string> contactErrors = {
        "contacts/latin.vcf: text that is not UTF-8 and names no character set was read as Windows-1252"};
    EXPECT_EQ(contactErrors, Errors(Kind::Contacts));

    const auto event = [](const std::string& lines) {
        return CalendarOf("BEGIN:VEVENT\r\nUID:x@example.com\r\nSUMMARY:Sync\r\n" + lines + "END:VEVENT\r\n");
    };
    Put("calendar/a-latin.ics", event("LOCATION:Caf\xE9\r\nDTSTART:20240701T160000Z\r\n"));
    Put("calendar/b-mars.ics", event("DTSTART;TZID=Mars/Olympus:20240701T120000\r\n"
                                     "DTEND;TZID=Mars/Olympus:20240701T130000\r\n"));
    Put("calendar/c-new-york.ics", event("DTSTART;TZID=America/New_York:20240701T120000\r\n"));
    Put("calendar/d-utc.ics", event("LOCATION:Caf\xC3\xA9\r\nDTSTART:20240701T160000Z\r\n"));
    // An export served item by item is still one file: one line for it, under its own name.
    Put("calendar/e-export.ics",
        CalendarOf("BEGIN:VEVENT\r\nUID:e1@example.com\r\nSUMMARY:Caf\xE9\r\nDTSTART:20240701T160000Z\r\nEND:VEVENT\r\n"
                   "BEGIN:VEVENT\r\nUID:e2@example.com\r\nSUMMARY:M\xFCller\r\nDTSTART;TZID=Mars/Olympus:"
                   "20240702T120000\r\nEND:VEVENT\r\n"));
    EXPECT_EQ(1, Run(Kind::Calendar, 1));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(6u, events.records.size());
    const double berlin = OleTime(2024, 7, 1, 18, 0, 0);
    EXPECT_EQ(berlin, events.records[0]->dtStart);
    EXPECT_EQ(OleTime(2024, 7, 1, 12, 0, 0), events.records[1]->dtStart);
    EXPECT_EQ(berlin, events.records[2]->dtStart);
    EXPECT_EQ(berlin, events.records[3]->dtStart);
    EXPECT_STREQ("Caf\xC3\xA9", events.records[0]->szLocation);
    EXPECT_STREQ("Caf\xC3\xA9", events.records[3]->szLocation);
    EXPECT_STREQ("Caf\xC3\xA9", events.records[4]->szSubject);
    EXPECT_STREQ("M\xC3\xBCller", events.records[5]->szSubject);
    const std::vector<std::string> eventErrors = {
        "calendar/a-latin.ics: text that is not UTF-8 and names no character set was read as Windows-1252",
        "calendar/b-mars.ics: time zone \"Mars/Olympus\" is unknown, its times are read as written",
        "calendar/e-export.ics: text that is not UTF-8 and names no character set was read as Windows-1252",
        "calendar/e-export.ics: time zone \"Mars/Olympus\" is unknown, its times are read as written"};
    EXPECT_EQ(eventErrors, Errors(Kind::Calendar));
}

TEST_F(HelperProgramTest, ADataFileHoldsExactlyTheItemsServed)
{
    Put("contacts/a.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nTITLE:Boss\r\nNOTE:Long note\r\n"
                          "TEL:+1 555 0100\r\nEND:VCARD\r\n");
    Put("contacts/b.vcf", "hello, not a card\r\n");
    Put("contacts/c.vcf", Card("Cid") + "BEGIN:VCARD\r\nFN:Dee\r\n"); // two cards, one without its end
    Put("contacts/d.vcf", Card("Eve"));
    EXPECT_EQ(1, Run(Kind::Contacts, 1));
    const auto contacts =
        ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_TRUE(contacts.whole);
    EXPECT_EQ(2u, contacts.count);
    ASSERT_EQ(2u, contacts.records.size());
    EXPECT_EQ(Loaded("contacts/a.vcf"), contacts.records[0]->szHelperText);
    EXPECT_STREQ("Boss", contacts.records[0]->szJobTitle);
    EXPECT_EQ(Loaded("contacts/d.vcf"), contacts.records[1]->szHelperText);
    EXPECT_STREQ("Eve", contacts.records[1]->szDisplayName);
    EXPECT_STREQ("", contacts.records[1]->szJobTitle);
    EXPECT_STREQ("", contacts.records[1]->szNote);
    EXPECT_STREQ("", contacts.records[1]->szPhone[0]);
    EXPECT_EQ("Finished: 2 contacts read", Status(Kind::Contacts));

    Put("calendar/a.ics", CalendarOf(Component("VEVENT", "Weekly", "",
                                               "RRULE:FREQ=WEEKLY;COUNT=4\r\nLOCATION:Room 1\r\n"
                                               "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n")));
    Put("calendar/b.ics", CalendarOf(Component("VEVENT", "One") + "BEGIN:VEVENT\r\nUID:two\r\nSUMMARY:Two\r\n"));
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
    EXPECT_EQ(Loaded("calendar/c.ics"), events.records[1]->szHelperTextB);
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

// --- The account's boundary -----------------------------------------------------------------------

// A folder reached through a link is passed over, once and by name; the rest of the account loads.
// A link within the account is passed over too: calendar/alias -> calendar/work would serve every
// event twice, as a duplicate of itself, and deleting "one copy" would delete the only file.
TEST_F(HelperProgramTest, ALoadDoesNotFollowAFolderLink)
{
    TempDir outside;
    struct Case
    {
        const char* name;
        Kind kind;
        const char* link;   // in the account
        bool inside;        // points at calendar/work, else at a folder outside the account
        const char* target; // the item file in the folder it points at
        uint32_t served;    // records in the data file
        const char* error;
    };
    const Case cases[] = {
        {"contacts outside", Kind::Contacts, "contacts", false, "out.vcf", 0,
         "Not following contacts/: a link to a folder outside the account"},
        {"calendar outside", Kind::Calendar, "calendar", false, "out.ics", 0,
         "Not following calendar/: a link to a folder outside the account"},
        {"calendar subfolder outside", Kind::Calendar, "calendar/ext", false, "out.ics", 2,
         "Not following calendar/ext/: a link to a folder outside the account"},
        {"tasks outside", Kind::Tasks, "tasks", false, "out.ics", 0, nullptr},
        {"calendar subfolder inside", Kind::Calendar, "calendar/alias", true, "w.ics", 2,
         "Not following calendar/alias/: a link to another folder of the account"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_account);
        fs::remove_all(outside.file("items"));
        fs::create_directories(outside.file("items"));
        Put("calendar/main.ics", Calendar("VEVENT", "Main"));
        Put("calendar/work/w.ics", Calendar("VEVENT", "Work"));
        const std::string target = c.inside ? m_account + "calendar/work" : outside.file("items");
        const std::string component = c.kind == Kind::Tasks ? "VTODO" : "VEVENT";
        if (!c.inside)
            TempDir::WriteFile(target + "/" + c.target,
                               c.kind == Kind::Contacts ? Card("Out") : Calendar(component, "Out"));
        fs::remove_all(m_account + c.link);
        fs::create_directories(fs::path(m_account + c.link).parent_path());
        fs::create_directory_symlink(target, m_account + c.link);

        EXPECT_EQ(1, Run(c.kind, 1));
        CxFile file;
        ASSERT_TRUE(file.Open(DataPath(c.kind).c_str(), "rb")) << "a link does not fail the load";
        EXPECT_EQ(c.served, ReadRecordCount(file));
        if (c.error) {
            EXPECT_EQ(std::vector<std::string>{c.error}, Errors(c.kind));
        }
        EXPECT_TRUE(fs::exists(target + "/" + c.target));
    }
    // Tasks report no errors; the link is said on the standard error stream and in the log only.
    const auto tasks = ReadData<GTaskRecord>(DataPath(Kind::Tasks), GTaskRecordFields<CxGFieldReader, GTaskRecord>);
    EXPECT_TRUE(tasks.whole);
    EXPECT_EQ(0u, tasks.count);
}

TEST_F(HelperProgramTest, ASaveMovesNothingFromBehindAFolderLink)
{
    TempDir outside;
    fs::create_directories(outside.file("contacts"));
    fs::create_directories(outside.file("calendar"));
    TempDir::WriteFile(outside.file("contacts/a.vcf"), Card("Ann"));
    TempDir::WriteFile(outside.file("calendar/e.ics"), Calendar("VEVENT", "Out"));
    TempDir::WriteFile(outside.file("notes.ics"), Calendar("VJOURNAL", "Out"));
    fs::create_directory_symlink(outside.file("contacts"), m_account + "contacts");
    Put("calendar/work/w.ics", Calendar("VEVENT", "Work"));
    fs::create_directory_symlink(outside.file("calendar"), m_account + "calendar/ext");
    fs::create_directory_symlink(m_account + "calendar/work", m_account + "calendar/alias");
    fs::create_directory_symlink(outside.path(), m_account + "notes");

    std::vector<RecordPtr<GAddrRecord>> contacts;
    contacts.push_back(ContactRecord("a.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), contacts, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    EXPECT_EQ(1, Run(Kind::Contacts, 2));
    EXPECT_EQ(std::vector<std::string>{"Not following contacts/: a link to a folder outside the account; skipped: "
                                       "contacts/a.vcf"},
              Errors(Kind::Contacts));

    std::vector<RecordPtr<GDateRecord>> events;
    events.push_back(EventRecord("ext", "e.ics", 3));
    events.push_back(EventRecord("alias", "w.ics", 3));
    WriteData<GDateRecord>(DataPath(Kind::Calendar), events, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    EXPECT_EQ(1, Run(Kind::Calendar, 2));
    const std::vector<std::string> eventErrors = {
        "Not following calendar/ext/: a link to a folder outside the account; skipped: calendar/ext/e.ics",
        "Not following calendar/alias/: a link to another folder of the account; skipped: calendar/alias/w.ics"};
    EXPECT_EQ(eventErrors, Errors(Kind::Calendar));

    std::vector<RecordPtr<GNoteRecord>> notes;
    notes.push_back(IdentityRecord<GNoteRecord>(IdentityOfName("notes.ics"), 3));
    WriteData<GNoteRecord>(DataPath(Kind::Notes), notes, GNoteRecordFields<CxGFieldWriter, const GNoteRecord>);
    EXPECT_EQ(1, Run(Kind::Notes, 2));

    for (const char* name : {"contacts/a.vcf", "calendar/e.ics", "notes.ics"})
        EXPECT_TRUE(fs::exists(outside.file(name))) << name;
    EXPECT_TRUE(InAccount("calendar/work/w.ics"));
    EXPECT_FALSE(fs::exists(m_account + ".trash"));
}

TEST_F(HelperProgramTest, ATrashThatIsNotAFolderOfTheAccountIsRefused)
{
    TempDir outside;
    struct Case
    {
        const char* name;
        std::string trash; // what stands where .trash/ or a folder in it would be
        bool link;         // a link to a folder outside, else a plain file
        std::string error;
    };
    const Case cases[] = {
        {"trash a link", ".trash", true, "Nothing deleted: .trash/ is a link, not a folder of the account"},
        {"trash a file", ".trash", false, "Nothing deleted: .trash/ is not a folder"},
        {"day a link", ".trash/" + m_day, true,
         "Nothing deleted: .trash/" + m_day + "/ is a link, not a folder of the account"},
        {"kind a link", ".trash/" + m_day + "/contacts", true,
         "Nothing deleted: .trash/" + m_day + "/contacts/ is a link, not a folder of the account"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_account + ".trash");
        fs::remove_all(outside.file("trash"));
        fs::create_directories(outside.file("trash"));
        Put("contacts/a.vcf", Card("Ann"));
        Put("contacts/b.vcf", Card("Bea"));
        fs::create_directories(fs::path(m_account + c.trash).parent_path());
        if (c.link)
            fs::create_directory_symlink(outside.file("trash"), m_account + c.trash);
        else
            TempDir::WriteFile(m_account + c.trash, "a file");
        std::vector<RecordPtr<GAddrRecord>> records;
        records.push_back(LoadedContact("a.vcf", 3));
        records.push_back(LoadedContact("b.vcf", 3));
        WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
        EXPECT_EQ(1, Run(Kind::Contacts, 2));
        EXPECT_TRUE(InAccount("contacts/a.vcf"));
        EXPECT_TRUE(InAccount("contacts/b.vcf"));
        EXPECT_TRUE(fs::is_empty(outside.file("trash")));
        EXPECT_EQ(std::vector<std::string>{c.error}, Errors(Kind::Contacts));
    }
}

// A load that could not read the account must say so, not pass for an account with nothing in it.
TEST_F(HelperProgramTest, ALoadThatCannotReadTheAccountWritesNoDataFile)
{
    TempDir home;
    const ScopedEnv homeVariable("HOME", home.path().c_str());
    struct Case
    {
        const char* name;
        Kind kind;
        std::string folder; // Folder= of the account; empty: the test's account folder
        const char* file;   // a file standing where the kind folder should be
        std::string error;
    };
    const Case cases[] = {
        {"contacts a file", Kind::Contacts, "", "contacts",
         "The folder " + m_account + "contacts/ cannot be read: Not a directory"},
        {"calendar a file", Kind::Calendar, "", "calendar",
         "The folder " + m_account + "calendar/ cannot be read: Not a directory"},
        {"root", Kind::Contacts, "/", nullptr, "The account folder must not be the root of the file system: /"},
        {"home", Kind::Calendar, home.path(), nullptr,
         "The account folder must not be your home folder: " + home.path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_account);
        fs::create_directories(m_account);
        if (c.file)
            TempDir::WriteFile(m_account + c.file, "not a folder");
        TempDir::WriteFile(m_work.file("accounts.ini"),
                           "[Me@Example.com]\nFolder=" + (c.folder.empty() ? std::string("account") : c.folder) +
                               "\nPassword=secret\n");
        TempDir::WriteFile(DataPath(c.kind), "stale");
        EXPECT_EQ(1, Run(c.kind, 1));
        EXPECT_FALSE(fs::exists(DataPath(c.kind)));
        EXPECT_FALSE(fs::exists(m_work.file("GCal.dat")));
        EXPECT_EQ(std::vector<std::string>{c.error}, Errors(c.kind));
    }
}

TEST_F(HelperProgramTest, ALoadOfAKindFolderThatCannotBeListedWritesNoDataFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root lists any folder";
    Put("contacts/a.vcf", Card("Ann"));
    ASSERT_EQ(0, ::chmod((m_account + "contacts").c_str(), 0));
    const int code = Run(Kind::Contacts, 1);
    ::chmod((m_account + "contacts").c_str(), 0700);
    EXPECT_EQ(1, code);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_EQ(std::vector<std::string>{"The folder " + m_account + "contacts/ cannot be read: Permission denied"},
              Errors(Kind::Contacts));
}

// --- Save -------------------------------------------------------------------------------------------

TEST_F(HelperProgramTest, ContactsSaveMovesExactlyTheMarkedFiles)
{
    for (const char* name : {"a.vcf", "b.vcf", "c.vcf", "d.vcf", "f.vcf"})
        Put(std::string("contacts/") + name, Card(name));
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(LoadedContact("a.vcf", 3));
    records.push_back(LoadedContact("b.vcf", 1));
    records.push_back(LoadedContact("c.vcf", 3));
    records.push_back(LoadedContact("d.vcf", 0));
    records.push_back(LoadedContact("e.vcf", 3)); // gone meanwhile
    records.push_back(LoadedContact("f.vcf", 4));
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
    records.push_back(LoadedEvent("", "x.ics", 3));
    records.push_back(LoadedEvent("work", "y.ics", 3));
    records.push_back(LoadedEvent(longName, "z.ics", 3));
    records.push_back(LoadedEvent("work", "kept.ics", 1));
    records.push_back(LoadedEvent("..", "accounts.ini", 3));
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
        events.push_back(LoadedEvent("work", name, 3));
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
    contacts.push_back(LoadedContact("all.vcf", 3));
    contacts.push_back(LoadedContact("one.vcf", 3));
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
        // The name of one file with the content of the other.
        const ItemIdentity unknown = {IdentityOfName("stays.ics").first, IdentityOfFile(folder + "gone.ics").second};
        if (c.kind == Kind::Tasks) {
            std::vector<RecordPtr<GTaskRecord>> records;
            records.push_back(IdentityRecord<GTaskRecord>(IdentityOfFile(folder + "gone.ics"), 3));
            records.push_back(IdentityRecord<GTaskRecord>(IdentityOfFile(folder + "stays.ics"), 1));
            records.push_back(IdentityRecord<GTaskRecord>(unknown, 3));
            WriteData<GTaskRecord>(DataPath(c.kind), records, GTaskRecordFields<CxGFieldWriter, const GTaskRecord>);
        } else {
            std::vector<RecordPtr<GNoteRecord>> records;
            records.push_back(IdentityRecord<GNoteRecord>(IdentityOfFile(folder + "gone.ics"), 3));
            records.push_back(IdentityRecord<GNoteRecord>(IdentityOfFile(folder + "stays.ics"), 1));
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
    records.push_back(LoadedContact("a.vcf", 3));
    records.push_back(LoadedContact("b.vcf", 3));
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
    Put("contacts/a.vcf", Card("Ann"));
    auto record = LoadedContact("a.vcf", 3);
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
        // Moved back as it was, so the record still names the content it was made for.
        if (InTrash("contacts/a.vcf"))
            fs::rename(m_account + ".trash/" + m_day + "/contacts/a.vcf", m_account + "contacts/a.vcf");
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
    records.push_back(LoadedContact("a.vcf", 3));
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
        {"unknown operation", {{1005, "6"}}, {}, "Parameter 1005 has a value out of range"},
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

TEST_F(HelperProgramTest, AParameterFileNamingAnotherFileNeverTouchesIt)
{
    // A damaged parameter file naming accounts.ini as one of the run's files must not have it
    // deleted (a load removes an old data file, every run its old error file) or overwritten.
    const std::string accounts = TempDir::ReadFile(m_work.file("accounts.ini"));
    struct Case
    {
        Kind kind;
        int32_t key;
        int operation;
    };
    const Case cases[] = {
        {Kind::Contacts, 1002, 1}, {Kind::Contacts, 1002, 2}, {Kind::Contacts, 1009, 1}, {Kind::Contacts, 1010, 1},
        {Kind::Contacts, 1014, 1}, {Kind::Calendar, 1008, 1}, {Kind::Tasks, 1002, 1},    {Kind::Tasks, 1009, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(FilesOf(c.kind).program) + " " + std::to_string(c.key) + " " +
                     std::to_string(c.operation));
        EXPECT_EQ(2, Wait(Start(c.kind, WriteParams(c.kind, c.operation, {{c.key, "accounts.ini"}}))));
        EXPECT_EQ(accounts, TempDir::ReadFile(m_work.file("accounts.ini")));
    }
    // A calendar load without the calendar list's name is refused before it writes anything.
    EXPECT_EQ(2, Wait(Start(Kind::Calendar, WriteParams(Kind::Calendar, 1, {{1008, ""}}))));
    EXPECT_EQ(0u, LastError(Kind::Calendar).find("Parameter 1008 is empty")) << LastError(Kind::Calendar);
    EXPECT_FALSE(fs::exists(DataPath(Kind::Calendar)));
    EXPECT_EQ(accounts, TempDir::ReadFile(m_work.file("accounts.ini")));
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
    records.push_back(LoadedContact("gone.vcf", 3));
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
        records.push_back(LoadedEvent("", name.c_str(), 3));
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
    // Every record has its verdict: the ones moved, then the ones the stop left.
    const auto results = ResultEntries("GDateResult.ini");
    EXPECT_EQ("40", results.at("Result.Count"));
    for (size_t i = 1; i <= 40; ++i) {
        const std::string verdict = i <= moved ? "Deleted" : "Not deleted: the save was stopped before it on request";
        EXPECT_EQ(verdict, results.at("Record." + std::to_string(i))) << i;
    }
}

// Another run holding the account (a second app, or a run by hand) keeps this one out whole: a load
// writes no data file, a save moves nothing. Once it is gone, runs go through again.
TEST_F(HelperProgramTest, OnlyOneRunWorksOnAnAccountAtATime)
{
    Put("contacts/ann.vcf", Card("Ann"));
    platform::FileLock other;
    ASSERT_EQ(platform::LockResult::Locked, platform::TryLockFile((m_account + ".qosweep.lock").c_str(), &other));

    EXPECT_EQ(1, Run(Kind::Contacts, 1));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    EXPECT_EQ("Another run is using the account folder " + m_account + ", nothing done", LastError(Kind::Contacts));

    platform::UnlockFile(&other);
    EXPECT_EQ(0, Run(Kind::Contacts, 1));
    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(1u, data.records.size());
    EXPECT_EQ(0, ErrorCount(Kind::Contacts));

    data.records[0]->ActionCode = ACTION_DELETE;
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), data.records,
                           GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    ASSERT_EQ(platform::LockResult::Locked, platform::TryLockFile((m_account + ".qosweep.lock").c_str(), &other));
    EXPECT_EQ(1, Run(Kind::Contacts, 2));
    EXPECT_TRUE(InAccount("contacts/ann.vcf")) << "a save kept out moves nothing";
    platform::UnlockFile(&other);
    EXPECT_EQ(0, Run(Kind::Contacts, 2));
    EXPECT_FALSE(InAccount("contacts/ann.vcf"));
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

// --- What the helpers leave in the work folder and the account ---------------------------------------

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The work folder holds passwords (accounts.ini) and every record of the account (the data files);
// the trash holds what the user deleted. None is for other users, whatever the umask says.
TEST_F(HelperProgramTest, WhatTheHelpersWriteIsForTheOwnerOnly)
{
    const mode_t oldMask = ::umask(022);
    fs::remove(m_work.file("accounts.ini"));
    // One left by an earlier version, readable by all, gets tightened as it is written again.
    TempDir::WriteFile(m_work.file("GAddrStatus.dat"), "old\r\n");
    ::chmod(m_work.file("GAddrStatus.dat").c_str(), 0644);
    const int demo = Run(Kind::Contacts, 1, {{1000, "demo@example.com"}, {1001, "demo"}});
    TempDir::WriteFile(m_work.file("accounts.ini"), "[Me@Example.com]\nFolder=account\nPassword=secret\n");
    Put("contacts/a.vcf", Card("Ann"));
    Put("calendar/work/e.ics", Calendar("VEVENT", "E"));
    Put("tasks/t.ics", Calendar("VTODO", "T"));
    const int contacts = Run(Kind::Contacts, 1);
    const int calendar = Run(Kind::Calendar, 1);
    const int tasks = Run(Kind::Tasks, 1);
    const mode_t demoAccounts = ModeOf(m_work.file("accounts.ini"));
    std::vector<RecordPtr<GAddrRecord>> cards;
    cards.push_back(LoadedContact("a.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), cards, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    const int saveContacts = Run(Kind::Contacts, 2);
    std::vector<RecordPtr<GDateRecord>> events;
    events.push_back(LoadedEvent("work", "e.ics", 3));
    WriteData<GDateRecord>(DataPath(Kind::Calendar), events, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    const int saveEvents = Run(Kind::Calendar, 2);
    ::umask(oldMask);

    EXPECT_EQ(0, demo);
    EXPECT_EQ(0, contacts);
    EXPECT_EQ(0, calendar);
    EXPECT_EQ(0, tasks);
    EXPECT_EQ(0, saveContacts);
    EXPECT_EQ(0, saveEvents);
    EXPECT_EQ(0600u, demoAccounts) << "accounts.ini as the demo creates it";
    for (const char* name : {"GAddr.dat", "GDate.dat", "GCal.dat", "GTask.dat", "GAddrStatus.dat", "GDateStatus.dat",
                             "GAddrData.ini", "GDateData.ini"}) {
        EXPECT_EQ(0600u, ModeOf(m_work.file(name))) << name;
    }
    for (const std::string& folder : {std::string(".trash"), ".trash/" + m_day, ".trash/" + m_day + "/contacts",
                                      ".trash/" + m_day + "/calendar", ".trash/" + m_day + "/calendar/work"}) {
        EXPECT_EQ(0700u, ModeOf(m_account + folder)) << folder;
    }
    EXPECT_TRUE(InTrash("contacts/a.vcf"));
    EXPECT_TRUE(InTrash("calendar/work/e.ics"));
}

TEST_F(HelperProgramTest, TheErrorFileIsForTheOwnerOnly)
{
    const mode_t oldMask = ::umask(022);
    Put("contacts/junk.vcf", "not a card");
    const int code = Run(Kind::Contacts, 1);
    ::umask(oldMask);
    EXPECT_EQ(1, code);
    EXPECT_EQ(1, ErrorCount(Kind::Contacts));
    EXPECT_EQ(0600u, ModeOf(m_work.file("GAddrErr.dat")));
}

// A helper killed while it wrote a data file (or replaced a status or error file) leaves the file
// half-written under a temporary name; the next run of that helper clears it away.
TEST_F(HelperProgramTest, WhatAKilledHelperHalfWroteIsRemovedAtItsNextStart)
{
    struct Case
    {
        Kind kind;
        int operation;
        std::vector<std::string> removed;
        std::vector<std::string> kept; // another kind's, or not a helper's temporary file at all
    };
    const Case cases[] = {
        {Kind::Contacts,
         1,
         {"GAddr.dat.partial", "GAddrStatus.dat.tmp4242-0", "GAddrErr.dat.tmp4242-1", "GAddrData.ini.tmp7-3",
          "accounts.ini.tmp12-0"},
         {"GDate.dat.partial", "GCal.dat.partial", "GAddr.dat.partial.mine", "GAddrStatus.dat.tmpx"}},
        {Kind::Calendar, 2, {"GDate.dat.partial", "GCal.dat.partial", "GDateStatus.dat.tmp1-1"}, {"GAddr.dat.partial"}},
        {Kind::Notes, 1, {"GNote.dat.partial"}, {"GTask.dat.partial"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FilesOf(c.kind).program);
        for (const std::string& name : c.removed)
            TempDir::WriteFile(m_work.file(name), "half");
        for (const std::string& name : c.kept)
            TempDir::WriteFile(m_work.file(name), "other");
        // A refused account: the run ends early and writes no data file of its own.
        EXPECT_EQ(1, Run(c.kind, c.operation, {{1000, "stranger@example.com"}}));
        for (const std::string& name : c.removed)
            EXPECT_FALSE(fs::exists(m_work.file(name))) << name;
        for (const std::string& name : c.kept) {
            EXPECT_TRUE(fs::exists(m_work.file(name))) << name;
            fs::remove(m_work.file(name));
        }
    }
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

// --- What the user saw ----------------------------------------------------------------------------------

TEST_F(HelperProgramTest, AFileChangedBetweenTheLoadAndTheSaveStaysInTheAccount)
{
    struct Change
    {
        const char* name;
        void (*apply)(const std::string& path, const std::string& other);
    };
    // other is another item of the same size: same length, other bytes.
    const Change changes[] = {
        {"edited, size changed",
         [](const std::string& path, const std::string&) {
             TempDir::WriteFile(path, TempDir::ReadFile(path) + "\r\n");
         }},
        {"replaced by another item of the same size, time kept",
         [](const std::string& path, const std::string& other) {
             const auto time = fs::last_write_time(path);
             TempDir::WriteFile(path, other);
             fs::last_write_time(path, time);
         }},
        {"touched only",
         [](const std::string& path, const std::string&) {
             fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
         }},
    };
    struct KindCase
    {
        Kind kind;
        std::string item;  // the changed one
        std::string other; // loaded and deleted
        std::string content;
        std::string replacement;
    };
    const KindCase kinds[] = {
        {Kind::Contacts, "contacts/ann.vcf", "contacts/bea.vcf", Card("Ann"), Card("Zed")},
        {Kind::Calendar, "calendar/work/ann.ics", "calendar/bea.ics", Calendar("VEVENT", "Ann"),
         Calendar("VEVENT", "Zed")},
        {Kind::Tasks, "tasks/ann.ics", "tasks/bea.ics", Calendar("VTODO", "Ann"), Calendar("VTODO", "Zed")},
        {Kind::Notes, "notes/ann.ics", "notes/bea.ics", Calendar("VJOURNAL", "Ann"), Calendar("VJOURNAL", "Zed")},
    };
    for (const KindCase& k : kinds) {
        for (const Change& change : changes) {
            SCOPED_TRACE(k.item + ": " + change.name);
            fs::remove_all(m_account);
            Put(k.item, k.content);
            Put(k.other, k.content);
            ASSERT_EQ(0, Run(k.kind, 1));
            MarkEveryLoadedRecord(k.kind);
            change.apply(m_account + k.item, k.replacement);
            EXPECT_EQ(1, Run(k.kind, 2));
            EXPECT_TRUE(InAccount(k.item));
            EXPECT_FALSE(InTrash(k.item));
            EXPECT_TRUE(InTrash(k.other));
            if (FilesOf(k.kind).error) {
                EXPECT_EQ(std::vector<std::string>{k.item + " changed since it was loaded, not deleted"},
                          Errors(k.kind));
            }
        }
    }
}

TEST_F(HelperProgramTest, ARecordWithoutTheContentItWasLoadedWithDeletesNothing)
{
    // Records of a helper that wrote the name alone (or a damaged identity) in the helper text.
    struct Case
    {
        Kind kind;
        std::string item;
        std::string helperText;
    };
    const std::string refused = " was loaded without a record of its content, not deleted; load the account again";
    const Case cases[] = {
        {Kind::Contacts, "contacts/a.vcf", "a.vcf"},
        {Kind::Contacts, "contacts/a.vcf", "a.vcf/"},
        {Kind::Contacts, "contacts/a.vcf", "a.vcf/12:34"},
        {Kind::Contacts, "contacts/a.vcf", "a.vcf/12:34:0123456789abcdeg"},
        {Kind::Calendar, "calendar/a.ics", "a.ics"},
        {Kind::Tasks, "tasks/a.ics", ""},
        {Kind::Notes, "notes/a.ics", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item + " " + c.helperText);
        fs::remove_all(m_account);
        Put(c.item, c.kind == Kind::Contacts ? Card("Ann") : Calendar("VEVENT", "Ann"));
        switch (c.kind) {
        case Kind::Contacts: {
            std::vector<RecordPtr<GAddrRecord>> records;
            records.push_back(ContactRecord(c.helperText.c_str(), 3));
            WriteData<GAddrRecord>(DataPath(c.kind), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
            break;
        }
        case Kind::Calendar: {
            std::vector<RecordPtr<GDateRecord>> records;
            records.push_back(EventRecord("", c.helperText.c_str(), 3));
            WriteData<GDateRecord>(DataPath(c.kind), records, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
            break;
        }
        case Kind::Tasks: {
            std::vector<RecordPtr<GTaskRecord>> records;
            records.push_back(IdentityRecord<GTaskRecord>(IdentityOfName("a.ics"), 3));
            WriteData<GTaskRecord>(DataPath(c.kind), records, GTaskRecordFields<CxGFieldWriter, const GTaskRecord>);
            break;
        }
        case Kind::Notes: {
            std::vector<RecordPtr<GNoteRecord>> records;
            records.push_back(IdentityRecord<GNoteRecord>(IdentityOfName("a.ics"), 3));
            WriteData<GNoteRecord>(DataPath(c.kind), records, GNoteRecordFields<CxGFieldWriter, const GNoteRecord>);
            break;
        }
        }
        EXPECT_EQ(1, Run(c.kind, 2));
        EXPECT_TRUE(InAccount(c.item));
        EXPECT_FALSE(fs::exists(m_account + ".trash"));
        if (FilesOf(c.kind).error) {
            EXPECT_EQ(std::vector<std::string>{c.item + refused}, Errors(c.kind));
        }
    }
}

// --- What a save reports of each record -----------------------------------------------------------------

TEST_F(HelperProgramTest, ASaveListsEveryMarkedRecordAsDeletedOrNotWithTheReason)
{
    // Left by an earlier save: none of it may be read as this one's.
    TempDir::WriteFile(m_work.file("GAddrResult.ini"), "[Result]\nResult.Count=1\nRecord.2=Deleted\n");
    for (const char* name : {"a.vcf", "b.vcf", "c.vcf", "e.vcf"})
        Put(std::string("contacts/") + name, Card(name));
    std::vector<RecordPtr<GAddrRecord>> records;
    records.push_back(LoadedContact("a.vcf", 3));
    records.push_back(LoadedContact("b.vcf", 1));
    records.push_back(LoadedContact("c.vcf", 3));
    records.push_back(LoadedContact("d.vcf", 3)); // gone meanwhile
    records.push_back(LoadedContact("e.vcf", 3));
    WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
    Put("contacts/c.vcf", Card("Zed"));
    EXPECT_EQ(1, Run(Kind::Contacts, 2));

    const std::map<std::string, std::string> expected = {
        {"Result.Count", "4"},
        {"Record.1", "Deleted"},
        {"Record.3", "Not deleted: contacts/c.vcf changed since it was loaded, not deleted"},
        {"Record.4", "Not deleted: Item not found, skipped: contacts/d.vcf"},
        {"Record.5", "Deleted"},
    };
    EXPECT_EQ(expected, ResultEntries("GAddrResult.ini"));
}

TEST_F(HelperProgramTest, ASaveThatDeletesNothingSaysWhyInItsResult)
{
    Put("contacts/a.vcf", Card("Ann"));
    enum class Block { None, Lock, TrashLink };
    struct Case
    {
        const char* name;
        std::string data; // empty: the records as loaded
        std::map<int32_t, std::string> params;
        std::string error;
        Block block = Block::None; // another run holding the account, or a trash out of it
    };
    const Case cases[] = {
        {"data file cut short",
         "\x01\0\0",
         {},
         "The data file is cut short, nothing deleted: " + DataPath(Kind::Contacts)},
        {"wrong password", "", {{1001, "Secret"}}, "Wrong password for me@example.com"},
        {"unknown account", "", {{1000, "stranger@example.com"}}, "Unknown account: stranger@example.com"},
        {"account in use",
         "",
         {},
         "Another run is using the account folder " + m_account + ", nothing done",
         Block::Lock},
        {"trash a link", "", {}, "Nothing deleted: .trash/ is a link, not a folder of the account", Block::TrashLink},
    };
    TempDir outside;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FileLock other;
        if (c.block == Block::Lock) {
            ASSERT_EQ(platform::LockResult::Locked,
                      platform::TryLockFile((m_account + ".qosweep.lock").c_str(), &other));
        }
        if (c.block == Block::TrashLink)
            fs::create_directory_symlink(outside.path(), m_account + ".trash");
        TempDir::WriteFile(m_work.file("GAddrResult.ini"), "[Result]\nResult.Count=1\nRecord.1=Deleted\n");
        std::vector<RecordPtr<GAddrRecord>> records;
        records.push_back(LoadedContact("a.vcf", 3));
        WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
        if (!c.data.empty())
            TempDir::WriteFile(DataPath(Kind::Contacts), c.data);
        EXPECT_EQ(1, Run(Kind::Contacts, 2, c.params));
        EXPECT_TRUE(InAccount("contacts/a.vcf"));
        const std::map<std::string, std::string> expected = {{"Result.Count", "0"}, {"Result.Error", c.error}};
        EXPECT_EQ(expected, ResultEntries("GAddrResult.ini"));
        platform::UnlockFile(&other);
        fs::remove(m_account + ".trash");
    }
    EXPECT_TRUE(fs::is_empty(outside.path()));
}

TEST_F(HelperProgramTest, EveryKindReportsItsSaveInAResultFileOfItsOwn)
{
    struct Case
    {
        Kind kind;
        const char* result;
        std::string item;
        std::string content;
    };
    const Case cases[] = {
        {Kind::Calendar, "GDateResult.ini", "calendar/work/a.ics", Calendar("VEVENT", "Ann")},
        {Kind::Tasks, "GTaskResult.ini", "tasks/a.ics", Calendar("VTODO", "Ann")},
        {Kind::Notes, "GNoteResult.ini", "notes/a.ics", Calendar("VJOURNAL", "Ann")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        Put(c.item, c.content);
        ASSERT_EQ(0, Run(c.kind, 1));
        MarkEveryLoadedRecord(c.kind);
        EXPECT_EQ(0, Run(c.kind, 2));
        EXPECT_TRUE(InTrash(c.item));
        const std::map<std::string, std::string> expected = {{"Result.Count", "1"}, {"Record.1", "Deleted"}};
        EXPECT_EQ(expected, ResultEntries(c.result));
    }
}

// --- Files of several items: address-book and calendar exports ---------------------------------------

namespace {

// The text up to the first '/': what the app keys an item by.
std::string ItemKey(const std::string& helperText)
{
    return helperText.substr(0, helperText.find('/'));
}

// "<file>\<place>/<content>" as the load must write it for an item of an export: by UID where it has
// one, else by its position (from 1) and a hash of its bytes.
void ExpectPlaced(const std::string& helperText, const std::string& file, const ExportItem& item, size_t position,
                  size_t copy, const std::string& content)
{
    const std::string head = file + "\\";
    ASSERT_EQ(head, helperText.substr(0, head.size()));
    EXPECT_EQ("/" + content, helperText.substr(helperText.find('/')));
    const std::string place = ItemKey(helperText).substr(head.size());
    if (!item.uid.empty()) {
        EXPECT_EQ("uid=" + item.uid + (copy > 1 ? ";" + std::to_string(copy) : ""), place);
        return;
    }
    EXPECT_TRUE(std::regex_match(place, std::regex("pos=" + std::to_string(position) + ";[0-9a-f]{8}"))) << place;
}

struct ExportCase
{
    Kind kind;
    std::string file; // in the account
    Export content;
    std::set<size_t> partial; // the items a partial delete marks
    const char* result;
};

std::vector<ExportCase> ExportCases()
{
    // Contacts: the first card (right after the byte order mark), one of the two identical cards, the
    // first of the two sharing a UID, a card with LF line ends and the last card (before a blank line).
    // Events: the weekly series, which takes its two changed occurrences along, and the event without
    // a UID.
    return {{Kind::Contacts, "contacts/export.vcf", AddressBookExport(), {0, 1, 12, 30, 44, 49}, "GAddrResult.ini"},
            {Kind::Calendar, "calendar/export.ics", CalendarExport(), {0, 3}, "GDateResult.ini"}};
}

} // namespace

TEST_F(HelperProgramTest, AnAddressBookExportIsServedCardByCard)
{
    const Export book = AddressBookExport();
    Put("contacts/export.vcf", book.Text());
    Put("contacts/single.vcf", Card("Solo"));
    ASSERT_EQ(0, Run(Kind::Contacts, 1)) << LastError(Kind::Contacts);
    EXPECT_EQ(0, ErrorCount(Kind::Contacts));
    EXPECT_EQ("Finished: 51 contacts read", Status(Kind::Contacts));

    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_TRUE(data.whole);
    ASSERT_EQ(51u, data.records.size());
    const std::string content = FormatContentIdentity(ContentOf("contacts/export.vcf"));
    std::set<std::string> keys;
    for (size_t i = 0; i < 50; ++i) {
        SCOPED_TRACE("card " + std::to_string(i));
        const GAddrRecord& record = *data.records[i];
        const ExportItem& item = book.items[i];
        EXPECT_EQ(item.name, record.szDisplayName);
        EXPECT_EQ(item.email, record.szEmailPrimary);
        if (!item.note.empty()) {
            EXPECT_EQ(item.note, record.szNote);
        }
        ExpectPlaced(record.szHelperText, "export.vcf", item, i + 1, i == 33 ? 2 : 1, content);
        keys.insert(ItemKey(record.szHelperText));
    }
    // Every card is an item of its own to the app, the two identical ones included.
    EXPECT_EQ(50u, keys.size());
    const std::string twelve = data.records[12]->szHelperText;
    const std::string seventeen = data.records[17]->szHelperText;
    EXPECT_EQ(twelve.substr(twelve.find(';')), seventeen.substr(seventeen.find(';')));
    EXPECT_STREQ("Hauptstraße 5\r\nHinterhaus", data.records[3]->szStreet[0]);
    // A file of one card carries exactly what it always did.
    EXPECT_EQ(Loaded("contacts/single.vcf"), data.records[50]->szHelperText);
}

// A file of one item past a megabyte is refused, as before; an export may be far larger, as long as
// each of its items stays under that.
TEST_F(HelperProgramTest, AnExportLargerThanAnyOneItemIsServedButNoItemOfItThatLarge)
{
    const auto card = [](const std::string& name, size_t noteBytes) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + name + "\r\nNOTE:" + std::string(noteBytes, 'n') +
               "\r\nEND:VCARD\r\n";
    };
    Put("contacts/large.vcf", card("Ann", 600000) + card("Bea", 600000) + card("Cy", 600000));
    Put("contacts/mixed.vcf", card("Dee", 10) + card("Huge", 1 << 20) + card("Eve", 10));
    EXPECT_EQ(1, Run(Kind::Contacts, 1));

    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    std::vector<std::string> names;
    for (const auto& record : data.records)
        names.push_back(record->szDisplayName);
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bea", "Cy", "Dee", "Eve"}), names);
    EXPECT_EQ(1, ErrorCount(Kind::Contacts));
    EXPECT_EQ("Cannot read contacts/mixed.vcf (item 2 of 3), skipped: larger than 1048576 bytes",
              LastError(Kind::Contacts));
}

TEST_F(HelperProgramTest, AnExportWithCrOrCrCrLfLineEndsIsServedCardByCard)
{
    const Export book = AddressBookExport();
    for (const char* end : {"\r", "\r\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        std::string text = book.Text();
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + std::strlen(end)))
            text.replace(at, 2, end);
        Put("contacts/export.vcf", text);
        ASSERT_EQ(0, Run(Kind::Contacts, 1)) << LastError(Kind::Contacts);
        const auto data =
            ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
        ASSERT_EQ(book.items.size(), data.records.size());
        for (size_t i = 0; i < book.items.size(); ++i) {
            EXPECT_EQ(book.items[i].name, data.records[i]->szDisplayName) << i;
            EXPECT_EQ(book.items[i].email, data.records[i]->szEmailPrimary) << i;
        }
    }
}

TEST_F(HelperProgramTest, ACalendarExportIsServedEventByEventWithItsChangedOccurrences)
{
    // The helper makes the export's Berlin times local under the TZ it runs with.
    const ScopedTz zone("UTC0");
    const Export calendar = CalendarExport();
    Put("calendar/export.ics", calendar.Text());
    ASSERT_EQ(0, Run(Kind::Calendar, 1)) << LastError(Kind::Calendar);
    EXPECT_EQ(0, ErrorCount(Kind::Calendar));

    const auto data = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_TRUE(data.whole);
    ASSERT_EQ(6u, data.records.size());
    const std::string content = FormatContentIdentity(ContentOf("calendar/export.ics"));
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(calendar.items[i].name);
        const GDateRecord& record = *data.records[i];
        // A series is read from its own component, wherever its changed occurrences stand.
        EXPECT_EQ(calendar.items[i].name, record.szSubject);
        EXPECT_EQ(calendar.items[i].note, record.szLocation);
        EXPECT_EQ(calendar.items[i].recurring, record.szRecurrence[0] != '\0');
        EXPECT_STREQ("", record.szHelperTextA);
        EXPECT_STREQ("", record.szHelperTextC);
        ExpectPlaced(record.szHelperTextB, "export.ics", calendar.items[i], i + 1, 1, content);
    }
    // The zone's times made local (UTC here); the reminder of the monthly series; the all-day event.
    EXPECT_DOUBLE_EQ(OleTime(2024, 1, 8, 8, 30), data.records[0]->dtStart);
    EXPECT_STREQ("Daily sync of the team. Bring blockers, not status reports; status goes in the tracker.",
                 data.records[0]->szNote);
    EXPECT_EQ(1, data.records[2]->nReminderCount);
    EXPECT_EQ(1, data.records[3]->nAllDayEvent);
    EXPECT_DOUBLE_EQ(OleTime(2024, 1, 29), data.records[3]->dtStart);
    EXPECT_DOUBLE_EQ(OleTime(2024, 2, 5, 9, 0), data.records[5]->dtStart);
}

TEST_F(HelperProgramTest, APartialDeleteRewritesTheExportWithoutTheItemsAndTrashesItWhole)
{
    for (const ExportCase& c : ExportCases()) {
        SCOPED_TRACE(c.file);
        fs::remove_all(m_account);
        Put(c.file, c.content.Text());
        fs::permissions(m_account + c.file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        ASSERT_EQ(0, Run(c.kind, 1));
        const auto loadedTime = fs::last_write_time(m_account + c.file);
        MarkLoadedRecords(c.kind, c.partial);
        EXPECT_EQ(0, Run(c.kind, 2)) << LastError(c.kind);

        // Every byte of the other items and around them where it was; the original whole in the trash.
        std::vector<int> gone(c.partial.begin(), c.partial.end());
        EXPECT_EQ(c.content.Without(gone), TempDir::ReadFile(m_account + c.file));
        EXPECT_EQ(c.content.Text(), TempDir::ReadFile(TrashFile(c.file)));
        EXPECT_EQ(loadedTime, fs::last_write_time(TrashFile(c.file)));
        EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                  fs::status(m_account + c.file).permissions());
        std::map<std::string, std::string> expected = {{"Result.Count", std::to_string(c.partial.size())}};
        for (const size_t item : c.partial)
            expected["Record." + std::to_string(item + 1)] = "Deleted";
        EXPECT_EQ(expected, ResultEntries(c.result));
        // No temporary file left beside it.
        std::vector<std::string> beside;
        for (const auto& entry : fs::directory_iterator(fs::path(m_account + c.file).parent_path()))
            beside.push_back(entry.path().filename().string());
        EXPECT_EQ(std::vector<std::string>{fs::path(c.file).filename().string()}, beside);

        // The next load serves the rest, a UID's second copy now as its first.
        ASSERT_EQ(0, Run(c.kind, 1));
        const size_t left = c.content.items.size() - c.partial.size();
        if (c.kind == Kind::Contacts) {
            const auto data = ReadData<GAddrRecord>(DataPath(c.kind), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
            ASSERT_EQ(left, data.records.size());
            EXPECT_EQ(c.content.items[2].name, data.records[0]->szDisplayName);
            const std::string uid = c.content.items[33].uid;
            EXPECT_EQ(1, std::count_if(data.records.begin(), data.records.end(), [&](const auto& record) {
                          return ItemKey(record->szHelperText) == "export.vcf\\uid=" + uid;
                      }));
        } else {
            const auto data = ReadData<GDateRecord>(DataPath(c.kind), GDateRecordFields<CxGFieldReader, GDateRecord>);
            ASSERT_EQ(left, data.records.size());
            EXPECT_EQ(c.content.items[1].name, data.records[0]->szSubject);
        }
    }
}

TEST_F(HelperProgramTest, DeletingEveryItemOfAnExportMovesTheFileToTheTrash)
{
    for (const ExportCase& c : ExportCases()) {
        SCOPED_TRACE(c.file);
        fs::remove_all(m_account);
        Put(c.file, c.content.Text());
        ASSERT_EQ(0, Run(c.kind, 1));
        struct stat before
        {};
        ASSERT_EQ(0, ::stat((m_account + c.file).c_str(), &before));
        MarkEveryLoadedRecord(c.kind);
        EXPECT_EQ(0, Run(c.kind, 2)) << LastError(c.kind);
        EXPECT_FALSE(InAccount(c.file));
        EXPECT_EQ(c.content.Text(), TempDir::ReadFile(TrashFile(c.file)));
        // Moved, as a file of one item is: the same file, not a copy of it.
        struct stat after
        {};
        ASSERT_EQ(0, ::stat(TrashFile(c.file).c_str(), &after));
        EXPECT_EQ(before.st_ino, after.st_ino);
        EXPECT_EQ(std::to_string(c.content.items.size()), ResultEntries(c.result).at("Result.Count"));
        EXPECT_EQ(0, ErrorCount(c.kind));
    }
}

TEST_F(HelperProgramTest, AnExportChangedSinceTheLoadKeepsEveryItem)
{
    struct Change
    {
        const char* name;
        void (*apply)(const std::string& path);
    };
    const Change changes[] = {
        {"touched only",
         [](const std::string& path) {
             fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
         }},
        {"an item edited in place, size and time kept",
         [](const std::string& path) {
             const auto time = fs::last_write_time(path);
             std::string text = TempDir::ReadFile(path);
             const size_t at = text.find("Anna") != std::string::npos ? text.find("Anna") : text.find("Dentist");
             text[at] = 'X';
             TempDir::WriteFile(path, text);
             fs::last_write_time(path, time);
         }},
        {"an item added by a synchronisation",
         [](const std::string& path) { TempDir::WriteFile(path, TempDir::ReadFile(path) + "\r\n"); }},
    };
    for (const ExportCase& c : ExportCases()) {
        for (const Change& change : changes) {
            SCOPED_TRACE(c.file + ": " + change.name);
            fs::remove_all(m_account);
            Put(c.file, c.content.Text());
            ASSERT_EQ(0, Run(c.kind, 1));
            MarkLoadedRecords(c.kind, c.partial);
            change.apply(m_account + c.file);
            const std::string changed = TempDir::ReadFile(m_account + c.file);
            EXPECT_EQ(1, Run(c.kind, 2));
            EXPECT_EQ(changed, TempDir::ReadFile(m_account + c.file));
            EXPECT_FALSE(fs::exists(m_account + ".trash/" + m_day + "/" + c.file));
            const std::string reason = c.file + " changed since it was loaded, not deleted";
            EXPECT_EQ(std::vector<std::string>{reason}, Errors(c.kind));
            std::map<std::string, std::string> expected = {{"Result.Count", std::to_string(c.partial.size())}};
            for (const size_t item : c.partial)
                expected["Record." + std::to_string(item + 1)] = "Not deleted: " + reason;
            EXPECT_EQ(expected, ResultEntries(c.result));
        }
    }
}

// The boundary of the account holds for an export as for any file: a file that is a link is never
// written through, one behind a folder link never reached, a name that leaves the account refused.
TEST_F(HelperProgramTest, AnExportIsNeverRewrittenOutsideTheAccount)
{
    TempDir outside;
    const Export book = AddressBookExport();
    TempDir::WriteFile(outside.file("export.vcf"), book.Text());
    fs::create_directories(m_account + "contacts");
    fs::create_symlink(outside.file("export.vcf"), m_account + "contacts/export.vcf");
    ASSERT_EQ(0, Run(Kind::Contacts, 1));
    MarkLoadedRecords(Kind::Contacts, {3, 4});
    EXPECT_EQ(1, Run(Kind::Contacts, 2));
    EXPECT_EQ(book.Text(), TempDir::ReadFile(outside.file("export.vcf")));
    EXPECT_TRUE(fs::is_symlink(m_account + "contacts/export.vcf"));
    EXPECT_FALSE(fs::exists(m_account + ".trash/" + m_day + "/contacts/export.vcf"));
    EXPECT_EQ(std::vector<std::string>{"Not following contacts/export.vcf: a link"}, Errors(Kind::Contacts));

    // The record of an export in a calendar folder reached through a link names nothing to rewrite.
    fs::create_directories(m_account + "calendar");
    TempDir::WriteFile(outside.file("export.ics"), CalendarExport().Text());
    fs::create_directory_symlink(outside.path(), m_account + "calendar/linked");
    std::vector<RecordPtr<GDateRecord>> events;
    const std::string text =
        "export.ics\\uid=dentist-20240117@example.com/" +
        FormatContentIdentity(IdentityOfContent(TempDir::ReadFile(outside.file("export.ics")), [&] {
            int64_t modified = 0;
            std::string fault;
            EXPECT_TRUE(FileModifiedTime(outside.file("export.ics"), modified, fault));
            return modified;
        }()));
    events.push_back(EventRecord("linked", text.c_str(), 3));
    WriteData<GDateRecord>(DataPath(Kind::Calendar), events, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    EXPECT_EQ(1, Run(Kind::Calendar, 2));
    EXPECT_EQ(CalendarExport().Text(), TempDir::ReadFile(outside.file("export.ics")));
    EXPECT_EQ(0u, LastError(Kind::Calendar).find("Not following calendar/linked/")) << LastError(Kind::Calendar);

    // Nor does a place behind a name make a path out of the account.
    const std::string accounts = TempDir::ReadFile(m_work.file("accounts.ini"));
    events.clear();
    events.push_back(EventRecord("..", "accounts.ini\\uid=x/1:2:0123456789abcdef", 3));
    WriteData<GDateRecord>(DataPath(Kind::Calendar), events, GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    EXPECT_EQ(1, Run(Kind::Calendar, 2));
    EXPECT_EQ(accounts, TempDir::ReadFile(m_work.file("accounts.ini")));
    EXPECT_EQ("Not a plain file name, skipped: calendar/../accounts.ini", LastError(Kind::Calendar));
}

// What the load cannot take apart safely it refuses as before, whole or item by item; the rest of the
// file is served, and a save keeps what was refused byte for byte.
TEST_F(HelperProgramTest, WhatCannotBeToldApartInAnExportIsNotServed)
{
    Put("contacts/damaged.vcf", Card("Ann") + "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bea\r\n" + Card("Cid"));
    Put("contacts/mixed.vcf", Card("Dee") + Card("Eve"));
    ASSERT_EQ(1, Run(Kind::Contacts, 1));
    const auto contacts =
        ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(2u, contacts.records.size());
    EXPECT_STREQ("Dee", contacts.records[0]->szDisplayName);
    EXPECT_EQ(std::vector<std::string>{"contacts/damaged.vcf holds 3 contacts that cannot be told apart safely (a "
                                       "vCard without its END:VCARD); skipped, so that deleting one never removes "
                                       "the others"},
              Errors(Kind::Contacts));

    // Two copies of one series with a changed occurrence: which copy it belongs to cannot be told.
    const std::string copies = Component("VEVENT", "Weekly", "series", "RRULE:FREQ=WEEKLY\r\n");
    const std::string moved = Component("VEVENT", "Moved", "series", "RECURRENCE-ID:20240112T120000\r\n");
    const std::string single = Component("VEVENT", "Single");
    const std::string text = CalendarOf(copies + single + copies + moved);
    Put("calendar/copies.ics", text);
    Put("calendar/mixed.ics",
        CalendarOf(Component("VEVENT", "One") + Component("VEVENT", "Two") + Component("VTODO", "Chore")));
    Put("calendar/open.ics", CalendarOf(Component("VEVENT", "One") + "BEGIN:VEVENT\r\nUID:x\r\nSUMMARY:Two\r\n"));
    ASSERT_EQ(1, Run(Kind::Calendar, 1));
    const std::vector<std::string> eventErrors = {
        "calendar/copies.ics (item 1 of 2) holds 2 copies of one series, with changed occurrences that belong to no "
        "one copy; skipped, so that deleting one never removes the others",
        "calendar/mixed.ics holds items of another kind; skipped, so that deleting it never removes them",
        "calendar/open.ics holds 2 events that cannot be told apart safely (END:VCALENDAR where END:VEVENT "
        "belongs); skipped, so that deleting one never removes the others"};
    EXPECT_EQ(eventErrors, Errors(Kind::Calendar));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(1u, events.records.size());
    EXPECT_STREQ("Single", events.records[0]->szSubject);

    // Deleting the one served item leaves the refused ones, and the file, as they were.
    MarkEveryLoadedRecord(Kind::Calendar);
    EXPECT_EQ(0, Run(Kind::Calendar, 2)) << LastError(Kind::Calendar);
    EXPECT_EQ(CalendarOf(copies + copies + moved), TempDir::ReadFile(m_account + "calendar/copies.ics"));
    EXPECT_EQ(text, TempDir::ReadFile(TrashFile("calendar/copies.ics")));
}

// Tasks and notes are iCalendar too, and a task list is exported as one file as often as a calendar:
// the same items, found at the save by the identity their records carry.
TEST_F(HelperProgramTest, TaskAndNoteExportsAreServedItemByItem)
{
    struct Case
    {
        Kind kind;
        const char* component;
        std::string file;
    };
    const Case cases[] = {{Kind::Tasks, "VTODO", "tasks/list.ics"}, {Kind::Notes, "VJOURNAL", "notes/journal.ics"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string first = Component(c.component, "Call the bank");
        const std::string second = Component(c.component, "Water the plants", "", "DESCRIPTION:Twice a week\r\n");
        // Without UIDs, exported twice: two items of the same bytes.
        std::string third = Component(c.component, "Pay rent");
        third.erase(third.find("UID:"), third.find("DTSTAMP:") - third.find("UID:"));
        const std::string text = CalendarOf(first + third + second + third);
        Put(c.file, text);
        Put(std::string(c.file).insert(c.file.find('/') + 1, "single-"), Calendar(c.component, "Single"));
        ASSERT_EQ(0, Run(c.kind, 1));
        const std::string subjects[] = {"Call the bank", "Pay rent", "Water the plants", "Pay rent", "Single"};
        std::set<std::pair<int32_t, int32_t>> identities;
        const auto check = [&](const auto& data) {
            ASSERT_EQ(5u, data.records.size());
            for (size_t i = 0; i < 5; ++i) {
                EXPECT_EQ(subjects[i], data.records[i]->szSubject);
                identities.insert({data.records[i]->nHeadValue1, data.records[i]->nHeadValue3});
            }
        };
        if (c.kind == Kind::Tasks)
            check(ReadData<GTaskRecord>(DataPath(c.kind), GTaskRecordFields<CxGFieldReader, GTaskRecord>));
        else
            check(ReadData<GNoteRecord>(DataPath(c.kind), GNoteRecordFields<CxGFieldReader, GNoteRecord>));
        EXPECT_EQ(5u, identities.size());

        MarkLoadedRecords(c.kind, {1, 2});
        EXPECT_EQ(0, Run(c.kind, 2));
        EXPECT_EQ(CalendarOf(first + third), TempDir::ReadFile(m_account + c.file));
        EXPECT_EQ(text, TempDir::ReadFile(TrashFile(c.file)));
        const std::map<std::string, std::string> expected = {
            {"Result.Count", "2"}, {"Record.2", "Deleted"}, {"Record.3", "Deleted"}};
        EXPECT_EQ(expected, ResultEntries(c.kind == Kind::Tasks ? "GTaskResult.ini" : "GNoteResult.ini"));
    }
}

// An item of an export is read as the same components in a file of their own are: changed
// occurrences without their series are one event, read from the first, the others named.
TEST_F(HelperProgramTest, AnItemOfAnExportReadsAsItWouldInAFileOfItsOwn)
{
    const std::string first = Component("VEVENT", "Moved once", "series", "RECURRENCE-ID:20240112T120000\r\n");
    const std::string second = Component("VEVENT", "Moved twice", "series", "RECURRENCE-ID:20240119T120000\r\n");
    Put("calendar/alone.ics", CalendarOf(first + second));
    Put("calendar/export.ics", CalendarOf(Component("VEVENT", "Single") + first + second));
    EXPECT_EQ(1, Run(Kind::Calendar, 1));
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(3u, events.records.size());
    EXPECT_STREQ("Moved once", events.records[0]->szSubject);
    EXPECT_STREQ("Single", events.records[1]->szSubject);
    EXPECT_STREQ("Moved once", events.records[2]->szSubject);
    EXPECT_DOUBLE_EQ(events.records[0]->dtStart, events.records[2]->dtStart);
    const std::string fault = " was read in part: 2 changed occurrences without their series, only the first read";
    const std::vector<std::string> errors = {"calendar/alone.ics" + fault, "calendar/export.ics (item 2 of 2)" + fault};
    EXPECT_EQ(errors, Errors(Kind::Calendar));
}

// A record naming a place the export does not have (not one the load wrote) keeps nothing from going
// that the others name.
TEST_F(HelperProgramTest, ARecordOfAPlaceTheExportDoesNotHaveDeletesNothingOfIt)
{
    const Export calendar = CalendarExport();
    Put("calendar/export.ics", calendar.Text());
    ASSERT_EQ(0, Run(Kind::Calendar, 1));
    auto data = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(6u, data.records.size());
    data.records[1]->ActionCode = 3;
    std::string text = data.records[4]->szHelperTextB;
    text.replace(0, text.find('/'), "export.ics\\uid=gone@example.com");
    CopyText(data.records[4]->szHelperTextB, text.c_str());
    data.records[4]->ActionCode = 3;
    WriteData<GDateRecord>(DataPath(Kind::Calendar), data.records,
                           GDateRecordFields<CxGFieldWriter, const GDateRecord>);
    EXPECT_EQ(1, Run(Kind::Calendar, 2));
    EXPECT_EQ(calendar.Without({1}), TempDir::ReadFile(m_account + "calendar/export.ics"));
    const std::string reason = "No item of calendar/export.ics is at uid=gone@example.com, skipped";
    const std::map<std::string, std::string> expected = {
        {"Result.Count", "2"}, {"Record.2", "Deleted"}, {"Record.5", "Not deleted: " + reason}};
    EXPECT_EQ(expected, ResultEntries("GDateResult.ini"));
    EXPECT_EQ(std::vector<std::string>{reason}, Errors(Kind::Calendar));
}

// --- The trash: listing, restore, emptying ----------------------------------------------------------

namespace {

constexpr int kRestore = 3;
constexpr int kListTrash = 4;
constexpr int kEmptyTrash = 5;

// Every "key=value" line of a listing's or emptying's result file, with its section line as "[]".
std::map<std::string, std::string> TrashResultEntries(const std::string& path)
{
    std::map<std::string, std::string> entries;
    std::istringstream in(fs::exists(path) ? TempDir::ReadFile(path) : "");
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            entries["[]"] = line;
        else
            entries[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return entries;
}

// What a listed contact's or event's text names: its path under .trash/ and its place.
std::string ListedRef(const char* text)
{
    TrashReference reference;
    EXPECT_TRUE(ParseTrashRecordText(text, reference)) << text;
    return reference.place.empty() ? reference.path : reference.path + "\\" + reference.place;
}

} // namespace

TEST_F(HelperProgramTest, ADeletionIsListedWithItsTimeItsFieldsAndItsCalendar)
{
    Put("contacts/a.vcf", Card("Ann"));
    Put("contacts/b.vcf", Card("Bob"));
    Put("calendar/home/e.ics", Calendar("VEVENT", "Dentist"));
    TempDir::WriteFile(m_account + "calendar/home/displayname", "Home");
    for (const Kind kind : {Kind::Contacts, Kind::Calendar}) {
        ASSERT_EQ(0, Run(kind, 1));
        MarkLoadedRecords(kind, {0});
        ASSERT_EQ(0, Run(kind, 2)) << LastError(kind);
    }
    ASSERT_EQ(0, Run(Kind::Contacts, kListTrash)) << LastError(Kind::Contacts);
    const auto contacts =
        ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    ASSERT_EQ(1u, contacts.records.size());
    EXPECT_STREQ("Ann", contacts.records[0]->szDisplayName);
    EXPECT_EQ(m_day + "/contacts/a.vcf", ListedRef(contacts.records[0]->szHelperText));
    auto result = TrashResultEntries(m_work.file("GAddrResult.ini"));
    EXPECT_EQ("[Trash]", result["[]"]);
    EXPECT_EQ("1", result["Trash.Count"]);
    EXPECT_EQ("1", result["Trash.Files"]);
    EXPECT_EQ(std::to_string(Card("Ann").size()), result["Trash.Bytes"]);
    EXPECT_TRUE(std::regex_match(result["Record.1"], std::regex(m_day + " [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << result["Record.1"];

    ASSERT_EQ(0, Run(Kind::Calendar, kListTrash)) << LastError(Kind::Calendar);
    const auto events = ReadData<GDateRecord>(DataPath(Kind::Calendar), GDateRecordFields<CxGFieldReader, GDateRecord>);
    ASSERT_EQ(1u, events.records.size());
    EXPECT_STREQ("Dentist", events.records[0]->szSubject);
    EXPECT_EQ(m_day + "/calendar/home/e.ics", ListedRef(events.records[0]->szHelperTextB));
    EXPECT_STREQ("home", events.records[0]->szHelperTextC);
    const auto calendars = ReadData<GCalRecord>(m_work.file("GCal.dat"), GCalRecordFields<CxGFieldReader, GCalRecord>);
    ASSERT_EQ(1u, calendars.records.size());
    EXPECT_STREQ("Home", calendars.records[0]->szText1);
    EXPECT_STREQ("calendar/home/", calendars.records[0]->szText2);
}

TEST_F(HelperProgramTest, ARestoredFileComesBackAsItWasOrBesideATakenName)
{
    for (const bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "name taken" : "name free");
        fs::remove_all(m_account);
        Put("contacts/a.vcf", Card("Ann"));
        fs::permissions(m_account + "contacts/a.vcf",
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const auto time = fs::last_write_time(m_account + "contacts/a.vcf");
        ASSERT_EQ(0, Run(Kind::Contacts, 1));
        MarkEveryLoadedRecord(Kind::Contacts);
        ASSERT_EQ(0, Run(Kind::Contacts, 2));
        // The save took the last contact; the restore makes the folder again.
        fs::remove(m_account + "contacts");
        if (taken)
            Put("contacts/a.vcf", Card("Another Ann"));
        ASSERT_EQ(0, Run(Kind::Contacts, kListTrash));
        MarkEveryLoadedRecord(Kind::Contacts);
        ASSERT_EQ(0, Run(Kind::Contacts, kRestore)) << LastError(Kind::Contacts);
        const std::string back = taken ? "contacts/a-1.vcf" : "contacts/a.vcf";
        EXPECT_EQ(Card("Ann"), TempDir::ReadFile(m_account + back));
        EXPECT_EQ(time, fs::last_write_time(m_account + back));
        EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                  fs::status(m_account + back).permissions());
        if (taken) {
            EXPECT_EQ(Card("Another Ann"), TempDir::ReadFile(m_account + "contacts/a.vcf"));
        }
        EXPECT_FALSE(InTrash("contacts/a.vcf"));
        const std::map<std::string, std::string> expected = {
            {"Result.Count", "1"},
            {"Record.1", taken ? "Restored: as contacts/a-1.vcf, since contacts/a.vcf is taken" : "Restored"}};
        EXPECT_EQ(expected, ResultEntries("GAddrResult.ini"));
        // Nothing left to list.
        ASSERT_EQ(0, Run(Kind::Contacts, kListTrash));
        EXPECT_EQ("0", TrashResultEntries(m_work.file("GAddrResult.ini"))["Trash.Count"]);
    }
}

TEST_F(HelperProgramTest, ItemsDeletedFromAnExportComeBackIntoItOrAsAFileOfTheirOwn)
{
    for (const ExportCase& c : ExportCases()) {
        for (const bool changed : {false, true}) {
            SCOPED_TRACE(c.file + (changed ? " changed meanwhile" : " unchanged"));
            fs::remove_all(m_account);
            Put(c.file, c.content.Text());
            // An hour back, so a time the restore took from the clock would show.
            const fs::file_time_type written = fs::last_write_time(m_account + c.file) - std::chrono::hours(1);
            fs::last_write_time(m_account + c.file, written);
            ASSERT_EQ(0, Run(c.kind, 1));
            MarkLoadedRecords(c.kind, c.partial);
            ASSERT_EQ(0, Run(c.kind, 2)) << LastError(c.kind);
            std::vector<int> gone(c.partial.begin(), c.partial.end());
            const std::string rest = c.content.Without(gone);
            if (changed)
                TempDir::WriteFile(m_account + c.file, rest + rest);
            ASSERT_EQ(0, Run(c.kind, kListTrash)) << LastError(c.kind);
            EXPECT_EQ(std::to_string(c.partial.size()), TrashResultEntries(m_work.file(c.result))["Trash.Count"]);
            MarkEveryLoadedRecord(c.kind);
            ASSERT_EQ(0, Run(c.kind, kRestore)) << LastError(c.kind);
            const auto verdicts = ResultEntries(c.result);
            EXPECT_EQ(std::to_string(c.partial.size()), verdicts.at("Result.Count"));
            if (!changed) {
                EXPECT_EQ(c.content.Text(), TempDir::ReadFile(m_account + c.file));
                EXPECT_EQ(written, fs::last_write_time(m_account + c.file));
                EXPECT_FALSE(InTrash(c.file));
                EXPECT_EQ("Restored", verdicts.at("Record.1"));
                continue;
            }
            // The changed file keeps every byte; the items come back beside it, and load again.
            EXPECT_EQ(rest + rest, TempDir::ReadFile(m_account + c.file));
            const std::string beside =
                fs::path(c.file)
                    .replace_filename(fs::path(c.file).stem().string() + "-1" + fs::path(c.file).extension().string())
                    .string();
            ASSERT_TRUE(InAccount(beside));
            EXPECT_EQ("Restored: as " + beside + ", since " + c.file + " was changed since the deletion",
                      verdicts.at("Record.1"));
            std::vector<int> others;
            for (size_t i = 0; i < c.content.items.size(); ++i)
                if (!c.partial.count(i))
                    others.push_back(static_cast<int>(i));
            EXPECT_EQ(c.content.Without(others), TempDir::ReadFile(m_account + beside));
            // Restored items are listed no more.
            ASSERT_EQ(0, Run(c.kind, kListTrash));
            EXPECT_EQ("0", TrashResultEntries(m_work.file(c.result))["Trash.Count"]);
        }
    }
}

TEST_F(HelperProgramTest, AnExportDeletedWholeComesBackWhole)
{
    for (const ExportCase& c : ExportCases()) {
        SCOPED_TRACE(c.file);
        fs::remove_all(m_account);
        Put(c.file, c.content.Text());
        ASSERT_EQ(0, Run(c.kind, 1));
        MarkEveryLoadedRecord(c.kind);
        ASSERT_EQ(0, Run(c.kind, 2));
        ASSERT_EQ(0, Run(c.kind, kListTrash)) << LastError(c.kind);
        // Ticking one item restores the file; every record naming it gets the verdict.
        MarkLoadedRecords(c.kind, {1});
        ASSERT_EQ(0, Run(c.kind, kRestore)) << LastError(c.kind);
        EXPECT_EQ(c.content.Text(), TempDir::ReadFile(m_account + c.file));
        EXPECT_EQ("Restored", ResultEntries(c.result).at("Record.2"));
        ASSERT_EQ(0, Run(c.kind, 1));
        const uint32_t loaded =
            ReadData<GAddrRecord>(DataPath(c.kind), GAddrRecordFields<CxGFieldReader, GAddrRecord>).count;
        EXPECT_LT(1u, loaded);
    }
}

TEST_F(HelperProgramTest, ARestoreNamingNothingOfTheTrashOrAChangedFileMovesNothing)
{
    Put("contacts/a.vcf", Card("Ann"));
    Put("contacts/b.vcf", Card("Bob"));
    ASSERT_EQ(0, Run(Kind::Contacts, 1));
    MarkLoadedRecords(Kind::Contacts, {0});
    ASSERT_EQ(0, Run(Kind::Contacts, 2));
    ASSERT_EQ(0, Run(Kind::Contacts, kListTrash));
    const std::string content = FormatContentIdentity(ContentOf("contacts/b.vcf"));
    const std::string listed =
        ListedRef(ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>)
                      .records[0]
                      ->szHelperText);
    struct Case
    {
        const char* what;
        std::string path;
    };
    for (const Case& c :
         {Case{"outside", m_day + "/../../contacts/b.vcf"}, Case{"absolute", m_account + "contacts/b.vcf"},
          Case{"another kind", m_day + "/calendar/b.vcf"}}) {
        SCOPED_TRACE(c.what);
        std::vector<RecordPtr<GAddrRecord>> records;
        records.push_back(ContactRecord(TrashRecordText({c.path, "", content}).c_str(), 3));
        WriteData<GAddrRecord>(DataPath(Kind::Contacts), records, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
        EXPECT_EQ(1, Run(Kind::Contacts, kRestore));
        EXPECT_EQ(0u, ResultEntries("GAddrResult.ini").at("Record.1").rfind("Not restored: ", 0));
        EXPECT_TRUE(InAccount("contacts/b.vcf"));
        EXPECT_TRUE(InTrash("contacts/a.vcf"));
        EXPECT_FALSE(InAccount("contacts/a.vcf"));
    }
    // The trash file changed since the listing.
    ASSERT_EQ(0, Run(Kind::Contacts, kListTrash));
    MarkEveryLoadedRecord(Kind::Contacts);
    TempDir::WriteFile(TrashFile("contacts/a.vcf"), Card("Changed"));
    EXPECT_EQ(1, Run(Kind::Contacts, kRestore));
    EXPECT_EQ("Not restored: .trash/" + listed + " changed since the listing; list the trash again",
              ResultEntries("GAddrResult.ini").at("Record.1"));
    EXPECT_FALSE(InAccount("contacts/a.vcf"));
    EXPECT_TRUE(InTrash("contacts/a.vcf"));
}

TEST_F(HelperProgramTest, TasksAndNotesRestoreByTheirIdentity)
{
    for (const Kind kind : {Kind::Tasks, Kind::Notes}) {
        const std::string folder = FilesOf(kind).folder;
        SCOPED_TRACE(folder);
        const std::string text = Calendar(kind == Kind::Tasks ? "VTODO" : "VJOURNAL", "Thing");
        Put(folder + "/one.ics", text);
        Put(folder + "/two.ics", Calendar(kind == Kind::Tasks ? "VTODO" : "VJOURNAL", "Other"));
        ASSERT_EQ(0, Run(kind, 1));
        MarkEveryLoadedRecord(kind);
        ASSERT_EQ(0, Run(kind, 2));
        ASSERT_FALSE(InAccount(folder + "/one.ics"));
        ASSERT_EQ(0, Run(kind, kListTrash));
        const char* result = kind == Kind::Tasks ? "GTaskResult.ini" : "GNoteResult.ini";
        EXPECT_EQ("2", TrashResultEntries(m_work.file(result))["Trash.Count"]);
        // The first listed is one.ics (same time, then by path).
        MarkLoadedRecords(kind, {0});
        ASSERT_EQ(0, Run(kind, kRestore));
        EXPECT_EQ(text, TempDir::ReadFile(m_account + folder + "/one.ics"));
        EXPECT_FALSE(InAccount(folder + "/two.ics"));
        EXPECT_EQ("Restored", ResultEntries(result).at("Record.1"));
    }
}

TEST_F(HelperProgramTest, EmptyingRemovesTheKindsOldDeletionsOnly)
{
    const std::string trash = m_account + ".trash/";
    Put(".trash/2020-01-01/contacts/old.vcf", Card("Old"));
    Put(".trash/2020-01-01/calendar/old.ics", Calendar("VEVENT", "Old"));
    Put(".trash/2020-01-02/contacts/old2.vcf", Card("Old too"));
    TempDir::WriteFile(trash + "2020-01-02/deleted-items.tsv", "# header\ncontacts/old2.vcf\tcontacts/old2.vcf\t\t\n");
    Put(".trash/" + m_day + "/contacts/new.vcf", Card("New"));
    Put(".trash/not-a-day/contacts/x.vcf", Card("X"));
    // A day whose kind folder is a link to the account's contacts: never followed.
    Put("contacts/kept.vcf", Card("Kept"));
    fs::create_directories(trash + "2020-01-03");
    fs::create_directory_symlink(m_account + "contacts", trash + "2020-01-03/contacts");

    for (const char* days : {"", "x", "-1", "36501", "1 "}) {
        SCOPED_TRACE(days);
        EXPECT_EQ(1, Run(Kind::Contacts, kEmptyTrash, {{1004, days}}));
        EXPECT_TRUE(fs::exists(trash + "2020-01-01/contacts/old.vcf"));
        EXPECT_EQ("[Result]", TrashResultEntries(m_work.file("GAddrResult.ini"))["[]"]);
    }
    ASSERT_EQ(0, Run(Kind::Contacts, kEmptyTrash, {{1004, "1"}})) << LastError(Kind::Contacts);
    EXPECT_FALSE(fs::exists(trash + "2020-01-01/contacts"));
    EXPECT_TRUE(fs::exists(trash + "2020-01-01/calendar/old.ics"));
    // A day left with its index alone goes whole.
    EXPECT_FALSE(fs::exists(trash + "2020-01-02"));
    EXPECT_TRUE(fs::exists(trash + m_day + "/contacts/new.vcf"));
    EXPECT_TRUE(fs::exists(trash + "not-a-day/contacts/x.vcf"));
    EXPECT_TRUE(fs::is_symlink(trash + "2020-01-03/contacts"));
    EXPECT_TRUE(InAccount("contacts/kept.vcf"));
    auto result = TrashResultEntries(m_work.file("GAddrResult.ini"));
    EXPECT_EQ("[Trash]", result["[]"]);
    EXPECT_EQ("2", result["Trash.Removed"]);
    EXPECT_EQ("1", result["Trash.Files"]);
    // Days 0: today's go too.
    ASSERT_EQ(0, Run(Kind::Contacts, kEmptyTrash, {{1004, "0"}}));
    EXPECT_FALSE(fs::exists(trash + m_day));
    EXPECT_EQ("1", TrashResultEntries(m_work.file("GAddrResult.ini"))["Trash.Removed"]);
}

TEST_F(HelperProgramTest, AListingOfATrashThatIsNoFolderOfTheAccountFails)
{
    const TempDir elsewhere;
    fs::create_directories(elsewhere.file("2020-01-01/contacts"));
    TempDir::WriteFile(elsewhere.file("2020-01-01/contacts/a.vcf"), Card("Ann"));
    fs::create_directory_symlink(elsewhere.path(), m_account + ".trash");
    ASSERT_TRUE(fs::exists(m_account + ".trash/2020-01-01/contacts/a.vcf"));
    // An old data file must not pass for this listing's.
    TempDir::WriteFile(DataPath(Kind::Contacts), "old");
    EXPECT_EQ(1, Run(Kind::Contacts, kListTrash));
    EXPECT_FALSE(fs::exists(DataPath(Kind::Contacts)));
    const auto result = TrashResultEntries(m_work.file("GAddrResult.ini"));
    EXPECT_EQ("[Result]", result.at("[]"));
    EXPECT_EQ(".trash/ is not a folder of the account", result.at("Result.Error"));
    EXPECT_EQ(".trash/ is not a folder of the account", LastError(Kind::Contacts));
    // Emptying it removes nothing behind the link.
    EXPECT_EQ(1, Run(Kind::Contacts, kEmptyTrash, {{1004, "0"}}));
    EXPECT_TRUE(fs::exists(elsewhere.file("2020-01-01/contacts/a.vcf")));
}

TEST_F(HelperProgramTest, TheListingShowsTheNewestDeletionFirstAndTrashWithoutAnIndexLineByItsDay)
{
    Put(".trash/2020-01-01/contacts/old.vcf", Card("Old"));
    Put(".trash/2020-01-02/contacts/x.vcf", Card("Nine"));
    Put(".trash/2020-01-02/contacts/y.vcf", Card("Ten"));
    Put(".trash/2020-01-02/contacts/z.vcf", Card("Day only"));
    Put(".trash/2020-01-02/contacts/w.vcf", Card("Restored"));
    Put(".trash/2020-01-02/calendar/e.ics", Calendar("VEVENT", "Another kind"));
    TempDir::WriteFile(m_account + ".trash/2020-01-02/deleted-items.tsv",
                       "# header\n"
                       "contacts/x.vcf\tcontacts/x.vcf\t2020-01-02 09:00:00\t\n"
                       "contacts/y.vcf\tcontacts/y.vcf\t2020-01-02 10:00:00\t\n"
                       "contacts/w.vcf\tcontacts/w.vcf\t2020-01-02 11:00:00\t\n"
                       "contacts/w.vcf\t(restored)\t2020-01-02 12:00:00\t\n");
    ASSERT_EQ(0, Run(Kind::Contacts, kListTrash)) << LastError(Kind::Contacts);
    const auto data = ReadData<GAddrRecord>(DataPath(Kind::Contacts), GAddrRecordFields<CxGFieldReader, GAddrRecord>);
    std::vector<std::string> names;
    for (const auto& record : data.records)
        names.push_back(record->szDisplayName);
    EXPECT_EQ((std::vector<std::string>{"Ten", "Nine", "Day only", "Old"}), names);
    auto result = TrashResultEntries(m_work.file("GAddrResult.ini"));
    EXPECT_EQ("2020-01-02 10:00:00", result["Record.1"]);
    EXPECT_EQ("2020-01-02 09:00:00", result["Record.2"]);
    EXPECT_EQ("2020-01-02", result["Record.3"]);
    EXPECT_EQ("2020-01-01", result["Record.4"]);
    EXPECT_EQ("4", result["Trash.Count"]);
    // The restored file still lies in the trash, so it counts; the calendar's file does not.
    EXPECT_EQ("5", result["Trash.Files"]);
}

TEST_F(HelperProgramTest, AStopRequestEndsARestoreMidway)
{
    for (int i = 0; i < 40; ++i)
        Put(".trash/" + m_day + "/calendar/e" + std::to_string(100 + i) + ".ics",
            Calendar("VEVENT", "E" + std::to_string(i)));
    ASSERT_EQ(0, Run(Kind::Calendar, kListTrash)) << LastError(Kind::Calendar);
    MarkEveryLoadedRecord(Kind::Calendar);
    const pid_t pid = Start(Kind::Calendar, WriteParams(Kind::Calendar, kRestore), 100);
    ASSERT_GT(pid, 0);
    const bool going = WaitUntil([this] { return Status(Kind::Calendar).rfind("Restoring events", 0) == 0; },
                                 std::chrono::milliseconds(3000));
    CxIniUtil(m_work.path().c_str(), "GDateData.ini").WriteNumber("Status", "Stop", 1);
    EXPECT_EQ(3, Wait(pid));
    ASSERT_TRUE(going);
    size_t back = 0;
    for (const auto& entry : fs::directory_iterator(m_account + "calendar"))
        back += entry.is_regular_file() ? 1 : 0;
    EXPECT_GT(back, 0u);
    EXPECT_LT(back, 40u);
    const auto results = ResultEntries("GDateResult.ini");
    EXPECT_EQ("40", results.at("Result.Count"));
    for (size_t i = 1; i <= 40; ++i) {
        const std::string verdict =
            i <= back ? "Restored" : "Not restored: the restore was stopped before it on request";
        EXPECT_EQ(verdict, results.at("Record." + std::to_string(i))) << i;
    }
}
