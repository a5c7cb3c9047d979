// The app's own load, scan and deletion of an account kept on a real Radicale server, through the
// real helpers: exactly the duplicates found leave the server, everything else stays as it was,
// and what was deleted is kept in the local trash.
#include "app/core/ContactScan.h"
#include "app/core/EventScan.h"
#include "helpers/account/AccountTrash.h"
#include "helpers/account/ServerTrash.h"
#include "helpers/dav/DavUrl.h"
#include "tests/e2e/DemoAccountRun.h"
#include "tests/support/RadicaleServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUser = "ann";
constexpr const char* kPassword = "app password 1";

std::string Card(const std::string& uid, const std::string& name, const std::string& email, const std::string& rev)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name + ";;;;\r\nEMAIL:" + email +
           "\r\nREV:" + rev + "\r\nEND:VCARD\r\n";
}

std::string Event(const std::string& uid, const std::string& summary, const std::string& start)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Qosweep tests//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20240101T080000Z\r\nLAST-MODIFIED:20240101T080000Z\r\nDTSTART:" + start +
           "\r\nDURATION:PT1H\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// The path on the server behind a record's helper text, which holds the item's address.
std::string ServerPath(const char* helperText)
{
    const std::string text = helperText;
    std::string url;
    EXPECT_TRUE(UnescapeItemPath(text.substr(0, text.find('/')), url)) << text;
    return UrlPath(url);
}

using ServerItems = RadicaleServer::Items;

class ServerAccountRunTest : public DemoAccountRun
{
protected:
    void SetUp() override
    {
        DemoAccountRun::SetUp();
        CopyText(AppSettings.Email, "ann@example.org");
        CopyText(AppSettings.Password, kPassword);
        m_server.AddUser(kUser, kPassword);
        std::string error;
        ASSERT_TRUE(m_server.Start(error)) << error;
        TempDir::WriteFile(m_data + "accounts.ini", "[ann@example.org]\nUrl=" + m_server.Url() + "\nUser=ann\n");
    }

    void Put(const std::string& path, const std::string& text)
    {
        ASSERT_EQ(201, m_server.Put(kUser, kPassword, path, text)) << path << "\n" << m_server.Log();
    }

    ServerItems ItemsOf(const std::string& collection) { return m_server.ItemsOf(kUser, kPassword, collection); }

    RadicaleServer m_server;
    ScopedEnv m_noProxy{"NO_PROXY", "127.0.0.1"};
};

TEST_F(ServerAccountRunTest, ExactlyTheDuplicatesFoundLeaveTheServerAndAreKeptHere)
{
    std::string error;
    ASSERT_TRUE(m_server.MakeAddressBook(kUser, kPassword, "ann/contacts/", "Contacts", error)) << error;
    ASSERT_TRUE(m_server.MakeAddressBook(kUser, kPassword, "ann/old-phone/", "Old phone", error)) << error;
    ASSERT_TRUE(m_server.MakeCalendar(kUser, kPassword, "ann/personal/", "Personal", "#3366CC", "VEVENT", error))
        << error;
    // One person in both address books, the older copy from the old phone; one more copy in the
    // same book; and two people who only share a first name.
    Put("ann/contacts/bo.vcf", Card("bo", "Bo Berg", "bo@example.com", "20240301T000000Z"));
    Put("ann/old-phone/bo-old.vcf", Card("bo-old", "Bo Berg", "bo@example.com", "20200101T000000Z"));
    Put("ann/contacts/cy.vcf", Card("cy", "Cy Dale", "cy@example.com", "20240301T000000Z"));
    Put("ann/contacts/cy-2.vcf", Card("cy-2", "Cy Dale", "cy@example.com", "20230101T000000Z"));
    Put("ann/contacts/di-a.vcf", Card("di-a", "Di Alder", "di.alder@example.com", "20240301T000000Z"));
    Put("ann/contacts/di-b.vcf", Card("di-b", "Di Birch", "di.birch@example.com", "20240301T000000Z"));
    Put("ann/personal/dentist.ics", Event("dentist", "Dentist", "20240610T090000Z"));
    Put("ann/personal/dentist-copy.ics", Event("dentist-copy", "Dentist", "20240610T090000Z"));
    Put("ann/personal/lunch.ics", Event("lunch", "Lunch", "20240611T120000Z"));
    ServerItems before = ItemsOf("ann/contacts/");
    const ServerItems oldPhone = ItemsOf("ann/old-phone/");
    before.insert(oldPhone.begin(), oldPhone.end());
    const ServerItems events = ItemsOf("ann/personal/");
    before.insert(events.begin(), events.end());

    ASSERT_TRUE(LoadServices()) << m_server.Log();
    EXPECT_EQ(6u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(3u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    std::set<std::string> found;
    for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext())
        found.insert(ServerPath(static_cast<GAddrRecord*>(p)->szHelperText));
    for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext())
        found.insert(ServerPath(static_cast<GDateRecord*>(p)->szHelperTextB));
    // The older card of each person goes; of the two equal dentist events, one (the scan's choice).
    ASSERT_EQ(3u, found.size()) << ::testing::PrintToString(found);
    EXPECT_TRUE(found.count("/ann/old-phone/bo-old.vcf")) << ::testing::PrintToString(found);
    EXPECT_TRUE(found.count("/ann/contacts/cy-2.vcf")) << ::testing::PrintToString(found);
    EXPECT_EQ(1u, found.count("/ann/personal/dentist.ics") + found.count("/ann/personal/dentist-copy.ics"));

    MarkAll();
    ASSERT_TRUE(g_pAddrUtil->Save());
    ASSERT_TRUE(g_pDateUtil->Save());
    EXPECT_FALSE(g_pAddrUtil->m_bHasError) << g_pAddrUtil->m_szLastError;
    EXPECT_FALSE(g_pDateUtil->m_bHasError) << g_pDateUtil->m_szLastError;

    ServerItems after = ItemsOf("ann/contacts/");
    const ServerItems oldPhoneAfter = ItemsOf("ann/old-phone/");
    after.insert(oldPhoneAfter.begin(), oldPhoneAfter.end());
    const ServerItems eventsAfter = ItemsOf("ann/personal/");
    after.insert(eventsAfter.begin(), eventsAfter.end());
    ServerItems expected = before;
    for (const std::string& path : found)
        expected.erase(path);
    // Everything else exactly as it was, ETag and all; the deleted ones gone.
    EXPECT_EQ(expected, after);
    const fs::path day = fs::path(m_data) / ServerTrashFolder("ann@example.org") / TrashDayName();
    for (const std::string& path : found)
        EXPECT_EQ(before.at(path).first, TempDir::ReadFile((day / path.substr(1)).string())) << path;
}

// What the first page shows when a server account cannot be loaded: the server's reason, once, when
// both helpers met it.
TEST_F(ServerAccountRunTest, AWrongPasswordOrAStoppedServerIsWhatTheFirstPageSays)
{
    CopyText(AppSettings.Password, "my main password");
    EXPECT_FALSE(LoadServices());
    EXPECT_EQ(0u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    const std::string origin = m_server.Url().substr(0, m_server.Url().size() - 1);
    EXPECT_EQ("The helper program said: Wrong user name or password for ann at " + origin, LoadFailureText());

    CopyText(AppSettings.Password, kPassword);
    m_server.Stop();
    EXPECT_FALSE(LoadServices());
    EXPECT_EQ(0u, LoadFailureText().find("The helper program said: Cannot reach the server " + origin))
        << LoadFailureText();
}

} // namespace
