#include "helpers/account/AccountFolder.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Shown(const AccountFolder& account, const std::vector<ItemFile>& items)
{
    std::vector<std::string> shown;
    for (const ItemFile& item : items)
        shown.push_back(account.RelativePath(item));
    return shown;
}

} // namespace

TEST(AccountFolderTest, ListsTheKindsFilesSortedByName)
{
    TempDir dir;
    fs::create_directories(dir.file("contacts/sub.vcf"));
    for (const char* name : {"b.vcf", "a.VCF", "c.vcf", ".hidden.vcf", "notes.txt", "vcf", ".vcf"})
        TempDir::WriteFile(dir.file("contacts/") + name, "x");
    // A subfolder of contacts/ is not another address book.
    TempDir::WriteFile(dir.file("contacts/sub.vcf/d.vcf"), "x");
    const AccountFolder account(dir.path(), HelperKind::Contacts);
    std::vector<std::string> problems;
    const std::vector<std::string> expected = {"contacts/a.VCF", "contacts/b.vcf", "contacts/c.vcf"};
    EXPECT_EQ(expected, Shown(account, account.Items(problems)));
    EXPECT_TRUE(problems.empty());
}

TEST(AccountFolderTest, CalendarSubfoldersAreFurtherCalendars)
{
    TempDir dir;
    fs::create_directories(dir.file("calendar/work"));
    fs::create_directories(dir.file("calendar/empty"));
    fs::create_directories(dir.file("calendar/a-long-name@group.calendar.example.com"));
    fs::create_directories(dir.file("calendar/.hidden"));
    TempDir::WriteFile(dir.file("calendar/z.ics"), "x");
    TempDir::WriteFile(dir.file("calendar/work/b.ics"), "x");
    TempDir::WriteFile(dir.file("calendar/work/a.ics"), "x");
    TempDir::WriteFile(dir.file("calendar/work/displayname"), "  Work\n");
    TempDir::WriteFile(dir.file("calendar/work/color"), "#ff8800\n");
    TempDir::WriteFile(dir.file("calendar/a-long-name@group.calendar.example.com/c.ics"), "x");
    TempDir::WriteFile(dir.file("calendar/empty/displayname"), "Empty");
    TempDir::WriteFile(dir.file("calendar/.hidden/h.ics"), "x");
    const AccountFolder account(dir.path(), HelperKind::Calendar);

    std::vector<std::string> problems;
    const std::vector<std::string> items = {"calendar/z.ics", "calendar/a-long-name@group.calendar.example.com/c.ics",
                                            "calendar/work/a.ics", "calendar/work/b.ics"};
    EXPECT_EQ(items, Shown(account, account.Items(problems)));
    EXPECT_TRUE(problems.empty());

    const std::vector<CalendarFolder> calendars = account.Calendars();
    ASSERT_EQ(3u, calendars.size());
    EXPECT_EQ("", calendars[0].subfolder);
    EXPECT_EQ("Calendar", calendars[0].displayName);
    EXPECT_EQ("a-long-name@group.calendar.example.com", calendars[1].displayName);
    EXPECT_EQ("", calendars[1].color);
    EXPECT_EQ("work", calendars[2].subfolder);
    EXPECT_EQ("Work", calendars[2].displayName);
    EXPECT_EQ("#ff8800", calendars[2].color);

    // A load hands over the items it listed: the same calendars, without listing the folders again.
    const std::vector<CalendarFolder> fromItems = account.Calendars(account.Items(problems));
    ASSERT_EQ(calendars.size(), fromItems.size());
    for (size_t i = 0; i < calendars.size(); ++i) {
        EXPECT_EQ(calendars[i].subfolder, fromItems[i].subfolder);
        EXPECT_EQ(calendars[i].displayName, fromItems[i].displayName);
        EXPECT_EQ(calendars[i].color, fromItems[i].color);
    }
}

TEST(AccountFolderTest, AMissingKindFolderIsAnEmptyAccount)
{
    TempDir dir;
    for (const HelperKind kind : {HelperKind::Contacts, HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes}) {
        const AccountFolder account(dir.path(), kind);
        std::vector<std::string> problems;
        EXPECT_TRUE(account.Items(problems).empty());
        EXPECT_TRUE(problems.empty());
        EXPECT_TRUE(account.Calendars().empty());
        EXPECT_TRUE(account.Calendars({}).empty());
    }
}

TEST(AccountFolderTest, AKindFolderThatCannotBeListedIsAProblem)
{
    TempDir dir;
    TempDir::WriteFile(dir.file("tasks"), "not a folder");
    const AccountFolder account(dir.path(), HelperKind::Tasks);
    std::vector<std::string> problems;
    EXPECT_TRUE(account.Items(problems).empty());
    ASSERT_EQ(1u, problems.size());
    EXPECT_EQ(0u, problems[0].find("Cannot list the folder " + dir.file("tasks/"))) << problems[0];
}
