#include "helpers/account/AccountTrash.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <filesystem>

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
    AccountFolder m_contacts{m_dir.path(), HelperKind::Contacts};
    AccountFolder m_calendar{m_dir.path(), HelperKind::Calendar};
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

TEST_F(AccountTrashTest, ALongNameCanBeTrashedAgainTheSameDay)
{
    // The longest name a file may have: a suffix must not make it one that cannot exist.
    const std::string name = std::string(251, 'n') + ".vcf";
    for (const char* content : {"first", "second"}) {
        Put("contacts/" + name, content);
        ASSERT_TRUE(MoveToTrash(m_contacts, {"", name}, "2024-05-06", m_error)) << m_error;
    }
    EXPECT_EQ("first", TempDir::ReadFile(Trash("contacts/" + name)));
    EXPECT_EQ("second", TempDir::ReadFile(Trash("contacts/" + std::string(249, 'n') + "-1.vcf")));
}

TEST_F(AccountTrashTest, WhatTakesATrashNameIsNeverReplaced)
{
    // Whatever holds a name in the trash, a file, a folder or a link to nothing, keeps it; the move
    // itself finds out (there is no look beforehand that a file arriving meanwhile could outrun).
    fs::create_directories(m_dir.file(".trash/2024-05-06/contacts/a-1.vcf"));
    TempDir::WriteFile(Trash("contacts/a.vcf"), "there before");
    fs::create_symlink(m_dir.file("nowhere"), Trash("contacts/a-2.vcf"));
    Put("contacts/a.vcf", "mine");
    ASSERT_TRUE(MoveToTrash(m_contacts, {"", "a.vcf"}, "2024-05-06", m_error)) << m_error;
    EXPECT_EQ("there before", TempDir::ReadFile(Trash("contacts/a.vcf")));
    EXPECT_TRUE(fs::is_directory(Trash("contacts/a-1.vcf")));
    EXPECT_TRUE(fs::is_symlink(Trash("contacts/a-2.vcf")));
    EXPECT_EQ("mine", TempDir::ReadFile(Trash("contacts/a-3.vcf")));
    EXPECT_FALSE(fs::exists(m_dir.file("contacts/a.vcf")));
}

TEST_F(AccountTrashTest, EveryFolderOnTheWayToTheTrashMustBeARealOne)
{
    // A link anywhere on the way would take the file out of the account.
    TempDir outside;
    const char* const levels[] = {".trash", ".trash/2024-05-06", ".trash/2024-05-06/calendar",
                                  ".trash/2024-05-06/calendar/work"};
    for (const char* level : levels) {
        SCOPED_TRACE(level);
        fs::remove_all(m_dir.file(".trash"));
        fs::create_directories(fs::path(m_dir.file(level)).parent_path());
        fs::create_directory_symlink(outside.path(), m_dir.file(level));
        Put("calendar/work/e.ics", "E");
        EXPECT_FALSE(MoveToTrash(m_calendar, {"work", "e.ics"}, "2024-05-06", m_error));
        EXPECT_EQ("Cannot move calendar/work/e.ics to the trash: " + std::string(level) +
                      "/ is a link, not a folder of the account",
                  m_error);
        EXPECT_EQ("E", TempDir::ReadFile(m_dir.file("calendar/work/e.ics")));
        EXPECT_TRUE(fs::is_empty(outside.path()));
    }
}

TEST(AccountTrashNameTest, NamesTriedKeepTheExtensionAndFitInAFileName)
{
    const std::string e = "\xC3\xA9"; // one character, two bytes
    std::string accented;
    for (int i = 0; i < 125; ++i)
        accented += e;
    std::string accentedCut;
    for (int i = 0; i < 124; ++i)
        accentedCut += e;
    struct Case
    {
        std::string name;
        int attempt;
        std::string expected;
    };
    const Case cases[] = {
        {"a.vcf", 0, "a.vcf"},
        {"a.vcf", 1, "a-1.vcf"},
        {"a.b.ics", 12, "a.b-12.ics"},
        {"noext", 2, "noext-2"},
        {std::string(251, 'x') + ".vcf", 0, std::string(251, 'x') + ".vcf"},
        {std::string(251, 'x') + ".vcf", 1, std::string(249, 'x') + "-1.vcf"},
        {std::string(250, 'x') + ".vcf", 9999, std::string(246, 'x') + "-9999.vcf"},
        // 254 bytes: the cut would fall inside a character and steps back before it.
        {accented + ".vcf", 1, accentedCut + "-1.vcf"},
        // An extension leaving no room for a stem is cut like the rest of the name.
        {"a." + std::string(253, 'e'), 1, "a." + std::string(251, 'e') + "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 20) + " / " + std::to_string(c.attempt));
        const std::string name = TrashCandidateName(c.name, c.attempt);
        EXPECT_EQ(c.expected, name);
        EXPECT_LE(name.size(), 255u);
    }
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

TEST_F(AccountTrashTest, AFileTheLoadWouldNotListIsRefused)
{
    // The calendar's own files sit beside its events, and any file may sit in a folder.
    Put("calendar/work/displayname", "Work");
    Put("calendar/work/color", "#ff0000");
    Put("calendar/work/notes.txt", "keep");
    Put("contacts/vcf", "keep");
    fs::create_directories(m_dir.file("contacts/sub"));
    Put("contacts/sub/a.vcf", "keep");
    struct Case
    {
        const AccountFolder* account;
        ItemFile item;
    };
    const Case cases[] = {
        {&m_calendar, {"work", "displayname"}}, {&m_calendar, {"work", "color"}},
        {&m_calendar, {"work", "notes.txt"}},   {&m_contacts, {"", "vcf"}},
        {&m_contacts, {"sub", "a.vcf"}}, // a contacts/ subfolder is no address book
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item.subfolder + " | " + c.item.name);
        EXPECT_FALSE(MoveToTrash(*c.account, c.item, "2024-05-06", m_error));
        EXPECT_EQ("Not an item file, skipped: " + c.account->RelativePath(c.item), m_error);
        EXPECT_TRUE(fs::exists(c.account->ItemPath(c.item)));
    }
    EXPECT_FALSE(fs::exists(m_dir.file(".trash")));
}

TEST_F(AccountTrashTest, TheDayIsTodaysLocalDate)
{
    // A zone twelve hours off UTC, on the side where its date is not the UTC date right now, so that a
    // day taken in UTC shows.
    const std::time_t start = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&start, &utc);
    const bool west = utc.tm_hour < 12;
    const ScopedTz zone(west ? "<-12>12" : "<+12>-12");
    const auto localDay = [west](std::time_t t) {
        t += west ? -12 * 3600 : 12 * 3600;
        std::tm tm{};
        gmtime_r(&t, &tm);
        char text[16];
        std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
        return std::string(text);
    };
    const std::string before = localDay(std::time(nullptr));
    const std::string day = TrashDayName();
    const std::string after = localDay(std::time(nullptr));
    // Midnight may pass meanwhile.
    EXPECT_TRUE(day == before || day == after) << day << " (expected " << before << ")";
}

TEST_F(AccountTrashTest, TheIndexNamesTheTrashFileTakenAndIsNeverWrittenThroughALink)
{
    // A clash: the second file's trash name is told, and the index line gives that name.
    std::string trashPath;
    for (const char* content : {"first", "second"}) {
        Put("contacts/a.vcf", content);
        ASSERT_TRUE(MoveToTrash(m_contacts, {"", "a.vcf"}, "2024-05-06", trashPath, m_error)) << m_error;
    }
    EXPECT_EQ(Trash("contacts/a-1.vcf"), trashPath);
    ASSERT_TRUE(NoteTrashIndex(m_contacts, "2024-05-06", trashPath, "contacts/a.vcf", "2024-05-06 10:11:12",
                               "uid=x pos=2;1a", m_error))
        << m_error;
    ASSERT_TRUE(NoteTrashIndex(m_contacts, "2024-05-06", trashPath, "(restored)", "2024-05-06 10:11:13", "", m_error));
    const std::string index = m_dir.file(".trash/2024-05-06/deleted-items.tsv");
    const std::string text = TempDir::ReadFile(index);
    EXPECT_EQ('#', text.front());
    EXPECT_NE(std::string::npos, text.find("\ncontacts/a-1.vcf\tcontacts/a.vcf\t2024-05-06 10:11:12\tuid=x pos=2;1a\n"
                                           "contacts/a-1.vcf\t(restored)\t2024-05-06 10:11:13\t\n"))
        << text;
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(index).permissions() & fs::perms::mask);

    // A trash path outside the day, or an index that is a link, is refused and nothing written.
    EXPECT_FALSE(NoteTrashIndex(m_contacts, "2024-05-07", trashPath, "contacts/a.vcf", "t", "", m_error));
    Put("elsewhere.txt", "kept");
    fs::remove(index);
    fs::create_symlink(m_dir.file("elsewhere.txt"), index);
    EXPECT_FALSE(NoteTrashIndex(m_contacts, "2024-05-06", trashPath, "contacts/a.vcf", "t", "", m_error));
    EXPECT_EQ("kept", TempDir::ReadFile(m_dir.file("elsewhere.txt")));
}
