// A folder account kept in step with a CardDAV/CalDAV server by vdirsyncer: the server's address book
// and calendar come down into the account folder, the app's load, scan and save delete the duplicates
// there through the real helpers, and the next sync takes exactly those items off the server, every
// other one left as it was and nothing of the account's trash sent up.
#include "app/core/AppSettings.h"
#include "app/core/ContactScan.h"
#include "app/core/EventScan.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/e2e/AccountFiles.h"
#include "tests/e2e/DemoAccountRun.h"
#include "tests/support/RadicaleServer.h"
#include "tests/support/RunProgram.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUser = "alice";
constexpr const char* kPassword = "s3cret";
constexpr const char* kBook = "alice/contacts/";
constexpr const char* kCalendar = "alice/work/";

std::string Card(const std::string& uid, const std::string& name, const std::string& email, const std::string& revised)
{
    const std::string family = name.substr(name.find(' ') + 1);
    const std::string given = name.substr(0, name.find(' '));
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + family + ";" + given +
           ";;;\r\nEMAIL;TYPE=INTERNET:" + email + "\r\nREV:" + revised + "\r\nEND:VCARD\r\n";
}

std::string Event(const std::string& uid, const std::string& summary, const std::string& start, const std::string& end,
                  const std::string& modified)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Qosweep tests//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20240101T000000Z\r\nSUMMARY:" + summary + "\r\nDTSTART:" + start + "\r\nDTEND:" + end +
           "\r\nLAST-MODIFIED:" + modified + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// The UID property of an item text, whichever line ending the writer used.
std::string UidOf(const std::string& text)
{
    const size_t at = text.find("\nUID:");
    if (at == std::string::npos)
        return {};
    const size_t start = at + 5;
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

using ServerItems = RadicaleServer::Items;

class VdirsyncerSyncTest : public DemoAccountRun
{
protected:
    void SetUp() override
    {
        DemoAccountRun::SetUp();
        CopyText(AppSettings.Email, "alice@example.org");
        CopyText(AppSettings.Password, "folder password");
        m_account = fs::path(m_data) / "synced";
        fs::create_directories(m_account);
        TempDir::WriteFile(m_data + "accounts.ini",
                           "[alice@example.org]\nFolder=" + m_account.string() + "\nPassword=folder password\n");
        m_server.AddUser(kUser, kPassword);
        std::string error;
        ASSERT_TRUE(m_server.Start(error)) << error;
        WriteConfig();
    }

    // vdirsyncer's own configuration and status in a folder of the test: the address book is one
    // collection synced as it is into contacts/, the calendars of the account each into a subfolder
    // of calendar/ with their name and colour beside the items.
    void WriteConfig()
    {
        const std::string url = m_server.Url();
        const std::string config =
            "[general]\nstatus_path = \"" + m_sync.file("status/") +
            "\"\n\n"
            "[pair contacts]\na = \"contacts_server\"\nb = \"contacts_folder\"\ncollections = null\n\n"
            "[storage contacts_server]\ntype = \"carddav\"\nurl = \"" +
            url + kBook + "\"\nusername = \"" + kUser + "\"\npassword = \"" + kPassword +
            "\"\n\n"
            "[storage contacts_folder]\ntype = \"filesystem\"\npath = \"" +
            (m_account / "contacts").string() +
            "/\"\nfileext = \".vcf\"\n\n"
            "[pair calendar]\na = \"calendar_server\"\nb = \"calendar_folder\"\ncollections = [\"from a\"]\n"
            "metadata = [\"displayname\", \"color\"]\n\n"
            "[storage calendar_server]\ntype = \"caldav\"\nurl = \"" +
            url + kUser + "/\"\nusername = \"" + kUser + "\"\npassword = \"" + kPassword +
            "\"\n\n"
            "[storage calendar_folder]\ntype = \"filesystem\"\npath = \"" +
            (m_account / "calendar").string() + "/\"\nfileext = \".ics\"\n";
        TempDir::WriteFile(m_sync.file("config"), config);
    }

    // One vdirsyncer command; discover asks before it makes each missing local folder, and is told yes.
    void Vdirsyncer(const std::string& command)
    {
        const ProgramRun run =
            RunProgram({"vdirsyncer", "-c", m_sync.file("config"), command}, "y\ny\ny\ny\n", std::chrono::seconds(15));
        ASSERT_TRUE(run.started) << "vdirsyncer is not installed: run scripts/setup\n" << run.Describe();
        ASSERT_TRUE(run.Succeeded()) << run.Describe() << "\nradicale's log:\n" << m_server.Log();
        // vdirsyncer goes on past an item it could not sync and still exits with 0 for some of them.
        EXPECT_EQ(std::string::npos, run.output.find("error:")) << run.Describe();
    }

    void Put(const std::string& collection, const std::string& name, const std::string& text)
    {
        ASSERT_EQ(201, m_server.Put(kUser, kPassword, collection + name, text)) << name << "\n" << m_server.Log();
    }

    ServerItems ItemsOf(const std::string& collection) { return m_server.ItemsOf(kUser, kPassword, collection); }

    // The UID of each item file of the account, by the file's path in the account.
    std::map<std::string, std::string> LocalUids() const
    {
        std::map<std::string, std::string> uids;
        for (const auto& [file, text] : TakeSnapshot(m_account))
            if (!file.starts_with(".trash/") && (file.ends_with(".vcf") || file.ends_with(".ics")))
                uids[file] = UidOf(text);
        return uids;
    }

    RadicaleServer m_server;
    TempDir m_sync;
    fs::path m_account;
    // A proxy of the environment must not stand between vdirsyncer and the server on this machine.
    ScopedEnv m_noProxy{"NO_PROXY", "127.0.0.1"};
};

TEST_F(VdirsyncerSyncTest, DuplicatesDeletedInTheSyncedFolderLeaveTheServerAndNothingElseDoes)
{
    std::string error;
    ASSERT_TRUE(m_server.MakeAddressBook(kUser, kPassword, kBook, "Friends", error)) << error;
    ASSERT_TRUE(m_server.MakeCalendar(kUser, kPassword, kCalendar, "Work", "#3a7bd5", "VEVENT", error)) << error;
    // Planted groups, each losing its older copies: a card imported twice and one three times, each
    // copy with a UID of its own as an import gives it, and an event copied into the calendar again.
    // Beside them a card and an event alone, and an event of the same name on another day.
    Put(kBook, "ann-1.vcf", Card("ann-1", "Ann Ash", "ann@example.net", "2020-01-01T10:00:00Z"));
    Put(kBook, "ann-2.vcf", Card("ann-2", "Ann Ash", "ann@example.net", "2024-01-01T10:00:00Z"));
    Put(kBook, "ben-1.vcf", Card("ben-1", "Ben Birch", "ben@example.net", "2019-05-01T10:00:00Z"));
    Put(kBook, "ben-2.vcf", Card("ben-2", "Ben Birch", "ben@example.net", "2023-05-01T10:00:00Z"));
    Put(kBook, "ben-3.vcf", Card("ben-3", "Ben Birch", "ben@example.net", "2021-05-01T10:00:00Z"));
    Put(kBook, "cara.vcf", Card("cara", "Cara Cole", "cara@example.net", "2022-01-01T10:00:00Z"));
    Put(kCalendar, "tour-1.ics",
        Event("tour-1", "Harbour tour", "20240615T100000Z", "20240615T120000Z", "20240101T080000Z"));
    Put(kCalendar, "tour-2.ics",
        Event("tour-2", "Harbour tour", "20240615T100000Z", "20240615T120000Z", "20240301T080000Z"));
    Put(kCalendar, "tour-3.ics",
        Event("tour-3", "Harbour tour", "20240622T100000Z", "20240622T120000Z", "20240101T080000Z"));
    Put(kCalendar, "fado.ics",
        Event("fado", "Fado evening", "20240616T200000Z", "20240616T220000Z", "20240101T080000Z"));
    const ServerItems cardsBefore = ItemsOf(kBook);
    const ServerItems eventsBefore = ItemsOf(kCalendar);
    ASSERT_EQ(6u, cardsBefore.size());
    ASSERT_EQ(4u, eventsBefore.size());
    const std::vector<std::string> collections = m_server.Hrefs(kUser, kPassword, "alice/");

    Vdirsyncer("discover");
    Vdirsyncer("sync");
    Vdirsyncer("metasync");

    // Everything came down: the cards into contacts/, the calendar into a subfolder of its own, its
    // name and colour in the files the helpers read them from.
    const std::map<std::string, std::string> uids = LocalUids();
    std::map<std::string, std::string> fileOfUid;
    for (const auto& [file, uid] : uids)
        fileOfUid[uid] = file;
    std::set<std::string> cardFiles;
    std::set<std::string> eventFiles;
    for (const auto& [file, uid] : uids)
        (file.starts_with("contacts/") ? cardFiles : eventFiles).insert(file);
    EXPECT_EQ(6u, cardFiles.size());
    EXPECT_EQ(4u, eventFiles.size());
    for (const std::string& file : eventFiles)
        EXPECT_TRUE(file.starts_with("calendar/work/")) << file;
    EXPECT_EQ("Work", TempDir::ReadFile((m_account / "calendar/work/displayname").string()));
    EXPECT_EQ("#3a7bd5", TempDir::ReadFile((m_account / "calendar/work/color").string()));
    const Snapshot before = TakeSnapshot(m_account);

    ASSERT_TRUE(LoadServices()) << LoadFailureText();
    EXPECT_EQ(6u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(4u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    // calendar/ itself counts as a calendar as well, though vdirsyncer keeps no items directly in it.
    EXPECT_EQ(2u, g_pDateUtil->GetCalendarCount());
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    std::set<std::string> duplicateUids;
    for (const std::string& file : ContactFiles(*g_pAddrDupList))
        duplicateUids.insert(uids.count(file) ? uids.at(file) : "no UID file " + file);
    for (const std::string& file : EventFiles(*g_pDateDupList))
        duplicateUids.insert(uids.count(file) ? uids.at(file) : "no UID file " + file);
    const std::set<std::string> deletedUids = {"ann-1", "ben-1", "ben-3", "tour-1"};
    ASSERT_EQ(deletedUids, duplicateUids);

    MarkAll();
    ASSERT_TRUE(g_pAddrUtil->Save());
    ASSERT_TRUE(g_pDateUtil->Save());
    EXPECT_FALSE(g_pAddrUtil->m_bHasError) << g_pAddrUtil->m_szLastError;
    EXPECT_FALSE(g_pDateUtil->m_bHasError) << g_pDateUtil->m_szLastError;
    const fs::path day = TrashDay(m_account);
    ASSERT_FALSE(day.empty());
    Snapshot expectedTrash;
    for (const std::string& uid : deletedUids)
        expectedTrash[fileOfUid.at(uid)] = before.at(fileOfUid.at(uid));
    EXPECT_EQ(expectedTrash, TrashFiles(day));
    const Snapshot afterSave = TakeSnapshot(m_account);

    Vdirsyncer("sync");

    // The server lost exactly the deleted items; every other one is as it was, ETag and all.
    ServerItems cardsLeft = cardsBefore;
    ServerItems eventsLeft = eventsBefore;
    for (const std::string& uid : deletedUids) {
        cardsLeft.erase("/" + std::string(kBook) + uid + ".vcf");
        eventsLeft.erase("/" + std::string(kCalendar) + uid + ".ics");
    }
    ASSERT_EQ(3u, cardsLeft.size());
    ASSERT_EQ(3u, eventsLeft.size());
    EXPECT_EQ(cardsLeft, ItemsOf(kBook));
    EXPECT_EQ(eventsLeft, ItemsOf(kCalendar));
    for (const std::string& uid : deletedUids) {
        std::string text;
        const std::string href =
            fileOfUid.at(uid).starts_with("contacts/") ? kBook + uid + ".vcf" : kCalendar + uid + ".ics";
        EXPECT_EQ(404, m_server.Get(kUser, kPassword, href, text)) << href;
    }
    // The trash went nowhere: no collection was made of it on the server, and the sync neither
    // brought the deleted items back into the folder nor touched the trash.
    EXPECT_EQ(collections, m_server.Hrefs(kUser, kPassword, "alice/"));
    EXPECT_EQ(afterSave, TakeSnapshot(m_account));

    // The next pass finds the account clean.
    ASSERT_TRUE(LoadServices()) << LoadFailureText();
    EXPECT_EQ(3u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(3u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(0u, g_pAddrDupList->GetCount());
    EXPECT_EQ(0u, g_pDateDupList->GetCount());
}

} // namespace
