// The app's own load, duplicate scan, marking and save, run against the real helper programs and the
// demo account they install on first use: afterwards exactly the duplicates found are in the trash and
// every other file of the account is as it was.
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
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

class DemoAccountTest : public DemoAccountRun
{};

} // namespace

TEST_F(DemoAccountTest, ExactlyTheDuplicatesFoundGoToTheTrashAndEverythingElseStays)
{
    ASSERT_TRUE(LoadServices()) << "the helpers install and serve the demo account";
    const fs::path account = m_data + "demo";
    ASSERT_TRUE(fs::is_directory(account));
    EXPECT_EQ(45u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(34u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    EXPECT_EQ(2u, g_pDateUtil->GetCalendarCount());
    const Snapshot before = TakeSnapshot(account);

    // The planted groups under the default rule, each losing its older copies (on equal times, the
    // one read first).
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    const std::set<std::string> contacts = {
        "contacts/5f2c81d0-9a3e-4c7b-b1d2-60e8a4f3c915.vcf", // other letter case, older
        "contacts/e4b2a9c3-1f07-4a6d-95e8-7c3d20b1f64a.vcf", // older copy of a newer card
        "contacts/priya-natarajan-1.vcf",                    // exact double import
        "contacts/daniel-okafor-google.vcf",                 // two older copies of three
        "contacts/daniel-okafor-work.vcf",
        "contacts/juergen-mueller-outlook.vcf", // old vCard 2.1 export of the same person
    };
    const std::set<std::string> events = {
        "calendar/team-standup-2.ics",         // exact double import of a recurring event
        "calendar/dentist.ics",                // older copy
        "calendar/project-kickoff.ics",        // other letter case
        "calendar/holidays/christmas-day.ics", // the same day in a second calendar
    };
    EXPECT_EQ(contacts, ContactFiles(*g_pAddrDupList));
    EXPECT_EQ(events, EventFiles(*g_pDateDupList));

    MarkAll();
    ASSERT_TRUE(g_pAddrUtil->Save());
    ASSERT_TRUE(g_pDateUtil->Save());
    EXPECT_FALSE(g_pAddrUtil->m_bHasError) << g_pAddrUtil->m_szLastError;
    EXPECT_FALSE(g_pDateUtil->m_bHasError) << g_pDateUtil->m_szLastError;

    // One dated trash folder holding exactly the deleted files, each as it was.
    const fs::path day = TrashDay(account);
    ASSERT_FALSE(day.empty());
    const Snapshot trash = TrashFiles(day);
    std::set<std::string> deleted = contacts;
    deleted.insert(events.begin(), events.end());
    Snapshot expectedTrash;
    for (const std::string& file : deleted)
        expectedTrash[file] = before.at(file);
    EXPECT_EQ(expectedTrash, trash);

    Snapshot expectedLeft = before;
    for (const std::string& file : deleted)
        expectedLeft.erase(file);
    Snapshot left = TakeSnapshot(account);
    std::erase_if(left, [](const auto& file) { return file.first.starts_with(".trash/"); });
    EXPECT_EQ(expectedLeft, left);

    // The next pass finds the account clean.
    ASSERT_TRUE(LoadServices());
    EXPECT_EQ(45u - contacts.size(), g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(34u - events.size(), g_pDateUtil->GetDateMgr()->GetRecordCount());
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(0u, g_pAddrDupList->GetCount());
    EXPECT_EQ(0u, g_pDateDupList->GetCount());
}

// Helpers that said different things are each named; one helper that said something alone is quoted
// plainly.
TEST_F(DemoAccountTest, WhatEachHelperSaidIsShownAndNamedWhenTheyDiffer)
{
    ASSERT_TRUE(LoadServices());
    const std::string account = m_data + "demo/";
    for (const char* kind : {"contacts", "calendar"}) {
        fs::remove_all(account + kind);
        TempDir::WriteFile(account + kind, "not a folder");
    }
    EXPECT_FALSE(LoadServices());
    const std::string unreadable = ": Not a directory";
    EXPECT_EQ("The Google Contacts helper program said: The folder " + account + "contacts/ cannot be read" +
                  unreadable + "\nThe Google Calendar helper program said: The folder " + account +
                  "calendar/ cannot be read" + unreadable,
              LoadFailureText());

    AppSettings.AppFlag = APP_CONTACTS;
    EXPECT_FALSE(LoadServices());
    EXPECT_EQ("The helper program said: The folder " + account + "contacts/ cannot be read" + unreadable,
              LoadFailureText());
}

TEST_F(DemoAccountTest, AWrongPasswordLoadsNothingAndTellsWhy)
{
    CopyText(AppSettings.Password, "not the password");
    EXPECT_FALSE(LoadServices());
    EXPECT_EQ(0u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(0u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    EXPECT_TRUE(g_pAddrUtil->m_bHasError);
    EXPECT_STREQ("Wrong password for demo@example.com", g_pAddrUtil->m_szLastError);
    // Both helpers said the same: it is said once.
    EXPECT_EQ("The helper program said: Wrong password for demo@example.com", LoadFailureText());
}

// Exports beside the demo's files, each holding an item twice (an older copy and the newer): the scan
// finds the older copy like any duplicate, and deleting it rewrites the export without it, the rest
// byte for byte, the export as it was whole in the trash.
TEST_F(DemoAccountTest, ADuplicateInsideAnExportLeavesItAndTheRestOfItStays)
{
    ASSERT_TRUE(LoadServices()) << "the first load installs the demo account";
    const fs::path account = m_data + "demo";
    const auto card = [](const std::string& uid, const std::string& name, const std::string& revised) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
               ";;;;\r\nEMAIL:" + uid + "@example.net\r\nREV:" + revised + "\r\nEND:VCARD\r\n";
    };
    const std::string older = card("zq", "Zora Quill", "2019-03-01T10:00:00Z");
    const std::string newer = card("zq", "Zora Quill", "2024-03-01T10:00:00Z");
    const std::string other = card("ow", "Otto Wendel", "2021-06-01T10:00:00Z");
    TempDir::WriteFile((account / "contacts/export.vcf").string(), other + older + newer);
    const std::string frame = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example Corp.//Calendar 3.1//EN\r\n"
                              "BEGIN:VTIMEZONE\r\nTZID:Europe/Lisbon\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0000\r\n"
                              "TZOFFSETTO:+0000\r\nDTSTART:19701025T020000\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const auto event = [](const std::string& uid, const std::string& modified) {
        return "BEGIN:VEVENT\r\nUID:" + uid +
               "\r\nSUMMARY:Harbour tour\r\nDTSTART;TZID=Europe/Lisbon:20240615T100000\r\n"
               "DTEND;TZID=Europe/Lisbon:20240615T120000\r\nLAST-MODIFIED:" +
               modified + "\r\nEND:VEVENT\r\n";
    };
    const std::string oldTour = event("tour-1", "20240101T080000Z");
    const std::string newTour = event("tour-2", "20240301T080000Z");
    const std::string unique = "BEGIN:VEVENT\r\nUID:fado\r\nSUMMARY:Fado evening\r\nDTSTART:20240616T200000Z\r\n"
                               "DTEND:20240616T220000Z\r\nEND:VEVENT\r\n";
    const std::string calendar = frame + oldTour + unique + newTour + "END:VCALENDAR\r\n";
    TempDir::WriteFile((account / "calendar/export.ics").string(), calendar);

    ASSERT_TRUE(LoadServices());
    EXPECT_EQ(48u, g_pAddrUtil->GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(37u, g_pDateUtil->GetDateMgr()->GetRecordCount());
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(1u, ContactFiles(*g_pAddrDupList).count("contacts/export.vcf\\uid=zq"));
    EXPECT_EQ(0u, ContactFiles(*g_pAddrDupList).count("contacts/export.vcf\\uid=zq;2"));
    EXPECT_EQ(1u, EventFiles(*g_pDateDupList).count("calendar/export.ics\\uid=tour-1"));
    EXPECT_EQ(7u, g_pAddrDupList->GetCount());
    EXPECT_EQ(5u, g_pDateDupList->GetCount());

    MarkAll();
    ASSERT_TRUE(g_pAddrUtil->Save());
    ASSERT_TRUE(g_pDateUtil->Save());
    EXPECT_FALSE(g_pAddrUtil->m_bHasError) << g_pAddrUtil->m_szLastError;
    EXPECT_FALSE(g_pDateUtil->m_bHasError) << g_pDateUtil->m_szLastError;
    EXPECT_EQ(other + newer, TempDir::ReadFile((account / "contacts/export.vcf").string()));
    EXPECT_EQ(frame + unique + newTour + "END:VCALENDAR\r\n",
              TempDir::ReadFile((account / "calendar/export.ics").string()));
    const fs::path day = TrashDay(account);
    ASSERT_FALSE(day.empty());
    EXPECT_EQ(other + older + newer, TempDir::ReadFile((day / "contacts/export.vcf").string()));
    EXPECT_EQ(calendar, TempDir::ReadFile((day / "calendar/export.ics").string()));

    ASSERT_TRUE(LoadServices());
    ASSERT_TRUE(ScanContactDuplicates());
    ASSERT_TRUE(ScanEventDuplicates());
    EXPECT_EQ(0u, g_pAddrDupList->GetCount());
    EXPECT_EQ(0u, g_pDateDupList->GetCount());
}
