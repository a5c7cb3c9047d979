#include "helpers/AccountTrash.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace {

class AccountTrashTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir.file("contacts"));
        fs::create_directories(m_dir.file("calendar/work"));
    }

    void Put(const std::string& relative, const std::string& content)
    {
        TempDir::WriteFile(m_dir.file(relative), content);
    }

    std::string Trash(const std::string& relative) const { return m_dir.file(".trash/2024-05-06/" + relative); }

    TempDir m_dir;
    AccountFolder m_contacts{m_dir.path(), ItemKind::Contacts};
    AccountFolder m_calendar{m_dir.path(), ItemKind::Calendar};
    std::string m_error;
};

} // namespace

TEST_F(AccountTrashTest, MovesTheFileUnderTheDayAndKind)
{
    Put("contacts/a.vcf", "A");
    Put("calendar/work/e.ics", "E");
    ASSERT_TRUE(MoveToTrash(m_contacts, {"", "a.vcf"}, "2024-05-06", m_error)) << m_error;
    ASSERT_TRUE(MoveToTrash(m_calendar, {"work", "e.ics"}, "2024-05-06", m_error)) << m_error;
    EXPECT_FALSE(fs::exists(m_dir.file("contacts/a.vcf")));
    EXPECT_EQ("A", TempDir::ReadFile(Trash("contacts/a.vcf")));
    EXPECT_FALSE(fs::exists(m_dir.file("calendar/work/e.ics")));
    EXPECT_EQ("E", TempDir::ReadFile(Trash("calendar/work/e.ics")));
}

TEST_F(AccountTrashTest, ANameTakenInTheTrashGetsASuffixAndNothingIsOverwritten)
{
    const char* const contents[] = {"first", "second", "third"};
    for (const char* content : contents) {
        Put("contacts/a.vcf", content);
        ASSERT_TRUE(MoveToTrash(m_contacts, {"", "a.vcf"}, "2024-05-06", m_error)) << m_error;
    }
    EXPECT_EQ("first", TempDir::ReadFile(Trash("contacts/a.vcf")));
    EXPECT_EQ("second", TempDir::ReadFile(Trash("contacts/a-1.vcf")));
    EXPECT_EQ("third", TempDir::ReadFile(Trash("contacts/a-2.vcf")));
}

TEST_F(AccountTrashTest, FreeNamesKeepTheExtension)
{
    struct Case
    {
        const char* name;
        const char* taken; // already in the folder besides the name itself
        const char* expected;
    };
    const Case cases[] = {
        {"a.vcf", "", "a-1.vcf"},
        {"a.b.ics", "", "a.b-1.ics"},
        {"noext", "", "noext-1"},
        {"a.vcf", "a-1.vcf", "a-2.vcf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        TempDir::WriteFile(folder.file(c.name), "x");
        if (*c.taken)
            TempDir::WriteFile(folder.file(c.taken), "x");
        EXPECT_EQ(c.expected, FreeTrashName(folder.path(), c.name));
    }
    TempDir empty;
    EXPECT_EQ("a.vcf", FreeTrashName(empty.path(), "a.vcf"));
}

TEST_F(AccountTrashTest, NamesThatLeaveTheKindFolderAreRefused)
{
    // Files a careless or hostile data file could point at.
    Put("accounts.ini", "keep");
    Put("contacts/.hidden.vcf", "keep");
    Put("calendar/x.ics", "keep");
    struct Case
    {
        const AccountFolder* account;
        ItemFile item;
    };
    const Case cases[] = {
        {&m_contacts, {"", "../accounts.ini"}},
        {&m_contacts, {"", ".hidden.vcf"}},
        {&m_contacts, {"", ".."}},
        {&m_contacts, {"", ""}},
        {&m_contacts, {"..", "accounts.ini"}},
        {&m_calendar, {"..", "contacts"}},
        {&m_calendar, {"work/..", "x.ics"}},
        {&m_calendar, {".", "x.ics"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item.subfolder + " | " + c.item.name);
        EXPECT_FALSE(MoveToTrash(*c.account, c.item, "2024-05-06", m_error));
        EXPECT_EQ(0u, m_error.find("Not a plain file name")) << m_error;
    }
    EXPECT_EQ("keep", TempDir::ReadFile(m_dir.file("accounts.ini")));
    EXPECT_EQ("keep", TempDir::ReadFile(m_dir.file("contacts/.hidden.vcf")));
    EXPECT_EQ("keep", TempDir::ReadFile(m_dir.file("calendar/x.ics")));
    EXPECT_FALSE(fs::exists(m_dir.file(".trash")));
}

TEST_F(AccountTrashTest, AnItemThatIsNotAFileThereIsReported)
{
    fs::create_directories(m_dir.file("contacts/folder.vcf"));
    for (const char* name : {"none.vcf", "folder.vcf"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(MoveToTrash(m_contacts, {"", name}, "2024-05-06", m_error));
        EXPECT_EQ("Item not found, skipped: contacts/" + std::string(name), m_error);
    }
    EXPECT_TRUE(fs::is_directory(m_dir.file("contacts/folder.vcf")));
}

TEST_F(AccountTrashTest, TheDayIsTodaysDate)
{
    EXPECT_TRUE(std::regex_match(TrashDayName(), std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9]"))) << TrashDayName();
}
