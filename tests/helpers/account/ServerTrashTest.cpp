#include "helpers/account/ServerTrash.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

TEST(ServerTrashTest, EveryAddressAndItemPathBecomesPlainFolderNames)
{
    EXPECT_EQ("trash/me@example.com/", ServerTrashFolder("me@example.com"));
    EXPECT_EQ("trash/me@example.com/", ServerTrashFolder("Me@Example.COM")); // one account, one trash
    EXPECT_EQ("trash/%2E.%2Fetc/", ServerTrashFolder("../etc"));
    EXPECT_EQ("trash/a%20b%5C/", ServerTrashFolder("a b\\"));
    const struct
    {
        const char* path;
        const char* relative;
    } cases[] = {
        {"/alice/contacts/a.vcf", "alice/contacts/a.vcf"},
        {"/remote.php/dav/addressbooks/users/me/contacts/5F3A%40x.vcf",
         "remote.php/dav/addressbooks/users/me/contacts/5F3A%40x.vcf"},
        {"//dav///a.vcf", "dav/a.vcf"},
        {"/dav/../../etc/passwd", "dav/%2E./%2E./etc/passwd"},
        {"/dav/.hidden", "dav/%2Ehidden"},
        {"/dav/a b:c.vcf", "dav/a%20b%3Ac.vcf"},
        {"/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.relative, ServerTrashRelativePath(c.path)) << c.path;
}

TEST(ServerTrashTest, KeepsEachItemForTheOwnerUnderAFreeNameAndNotesWhereItCameFrom)
{
    TempDir work;
    ServerTrash trash(work.path(), "me@example.com", "2026-12-11");
    std::string first;
    std::string second;
    std::string error;
    ASSERT_TRUE(trash.Keep("/alice/book/a.vcf", "http://127.0.0.1/alice/book/a.vcf", "\"1\"", "one",
                           "2026-12-11 09:01:00", first, error))
        << error;
    // The same item deleted again the same day (restored, then deleted once more) keeps both copies.
    ASSERT_TRUE(trash.Keep("/alice/book/a.vcf", "http://127.0.0.1/alice/book/a.vcf", "\"2\"", "two",
                           "2026-12-11 09:02:00", second, error))
        << error;
    EXPECT_EQ(work.file("trash/me@example.com/2026-12-11/alice/book/a.vcf"), first);
    EXPECT_EQ(work.file("trash/me@example.com/2026-12-11/alice/book/a-1.vcf"), second);
    EXPECT_EQ("one", TempDir::ReadFile(first));
    EXPECT_EQ("two", TempDir::ReadFile(second));
    struct stat info
    {};
    ASSERT_EQ(0, ::stat(first.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
    ASSERT_EQ(0, ::stat(work.file("trash/me@example.com/2026-12-11/alice").c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);
    trash.TakeBack(second);
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ("# file in this folder\taddress on the server\tETag\tdeleted at\n"
              "alice/book/a.vcf\thttp://127.0.0.1/alice/book/a.vcf\t\"1\"\t2026-12-11 09:01:00\n"
              "alice/book/a-1.vcf\thttp://127.0.0.1/alice/book/a.vcf\t\"2\"\t2026-12-11 09:02:00\n"
              "alice/book/a-1.vcf\t(taken back: the server kept the item)\t\n",
              TempDir::ReadFile(trash.DayFolder() + kServerTrashIndex));
}

TEST(ServerTrashTest, ALinkOnTheWayIsNeverFollowed)
{
    TempDir work;
    TempDir elsewhere;
    fs::create_directories(work.file("trash/me@example.com/2026-12-11"));
    fs::create_directory_symlink(elsewhere.path(), work.file("trash/me@example.com/2026-12-11/alice"));
    ServerTrash trash(work.path(), "me@example.com", "2026-12-11");
    std::string path;
    std::string error;
    EXPECT_FALSE(trash.Keep("/alice/book/a.vcf", "u", "\"1\"", "one", "2026-12-11 09:00:00", path, error));
    EXPECT_NE(std::string::npos, error.find("is a link")) << error;
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

// An index as the versions of the helpers leave it: lines of three columns from before the time was
// kept, copies taken back or restored, and a name that came free and was kept anew.
TEST(ServerTrashTest, TheIndexReadsBackWhatIsStillKeptWithItsTime)
{
    TempDir work;
    const std::string day = work.file("2026-12-10/");
    fs::create_directories(day);
    TempDir::WriteFile(day + kServerTrashIndex, "# file in this folder\taddress on the server\tETag\n"
                                                "old.vcf\thttp://h/b/old.vcf\t\"o\"\r\n"
                                                "a.vcf\thttp://h/b/a.vcf\t\"1\"\t2026-12-10 08:00:00\n"
                                                "b.vcf\thttp://h/b/b.vcf\t\"2\"\t2026-12-10 08:00:01\n"
                                                "b.vcf\t(taken back: the server kept the item)\t\n"
                                                "a.vcf\t(restored)\t2026-12-10 09:00:00\n"
                                                "a.vcf\thttp://h/b/a.vcf\t\"3\"\t2026-12-10 10:00:00\n"
                                                "\n"
                                                "ghost.vcf\t(restored)\t2026-12-10 11:00:00\n");
    const std::vector<ServerTrashEntry> entries = ReadServerTrashIndex(day, "2026-12-10");
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("old.vcf", entries[0].file);
    EXPECT_EQ("http://h/b/old.vcf", entries[0].url);
    EXPECT_EQ("\"o\"", entries[0].etag);
    EXPECT_EQ("2026-12-10", entries[0].deletedAt);
    EXPECT_EQ(ServerTrashEntry::State::Kept, entries[0].state);
    EXPECT_EQ("b.vcf", entries[1].file);
    EXPECT_EQ(ServerTrashEntry::State::TakenBack, entries[1].state);
    // The restored copy's name was taken again by a later deletion: that one is kept.
    EXPECT_EQ("a.vcf", entries[2].file);
    EXPECT_EQ("\"3\"", entries[2].etag);
    EXPECT_EQ("2026-12-10 10:00:00", entries[2].deletedAt);
    EXPECT_EQ(ServerTrashEntry::State::Kept, entries[2].state);

    // Noting a restore removes the copy, and the index no longer offers it.
    const std::string kept = work.file("trash/me@example.com/2026-12-10/");
    fs::create_directories(kept);
    fs::copy_file(day + kServerTrashIndex, kept + kServerTrashIndex);
    TempDir::WriteFile(kept + "a.vcf", "three");
    ServerTrash(work.path(), "me@example.com", "2026-12-10").Restored("a.vcf", "2026-12-10 12:00:00");
    EXPECT_FALSE(fs::exists(kept + "a.vcf"));
    const std::vector<ServerTrashEntry> after = ReadServerTrashIndex(kept, "2026-12-10");
    ASSERT_EQ(3u, after.size());
    EXPECT_EQ(ServerTrashEntry::State::Restored, after[2].state);
}

TEST(ServerTrashTest, OnlyPlainRelativePathsNameAKeptFile)
{
    const std::pair<const char*, bool> cases[] = {
        {"alice/book/a.vcf", true}, {"a.vcf", true},     {"", false},     {"/etc/passwd", false}, {"a/../../x", false},
        {"./a.vcf", false},         {"a//b.vcf", false}, {"a/b/", false}, {"..", false},          {"%2E./a", true},
    };
    for (const auto& [path, plain] : cases)
        EXPECT_EQ(plain, IsServerTrashRelative(path)) << path;
}

// Emptying a day: the files named go with their index lines and the folders they leave empty; a day
// left with its index alone goes whole. A link inside is neither listed nor followed.
TEST(ServerTrashTest, RemovingFilesTakesTheirLinesAndEmptyFoldersWithThem)
{
    TempDir work;
    TempDir elsewhere;
    TempDir::WriteFile(elsewhere.file("outside.vcf"), "outside");
    ServerTrash trash(work.path(), "me@example.com", "2026-12-10");
    std::string card;
    std::string event;
    std::string error;
    ASSERT_TRUE(trash.Keep("/a/book/c.vcf", "http://h/a/book/c.vcf", "\"1\"", "BEGIN:VCARD", "2026-12-10 08:00:00",
                           card, error))
        << error;
    ASSERT_TRUE(trash.Keep("/a/cal/e.ics", "http://h/a/cal/e.ics", "\"2\"", "BEGIN:VCALENDAR", "2026-12-10 08:00:01",
                           event, error))
        << error;
    fs::create_symlink(elsewhere.file("outside.vcf"), trash.DayFolder() + "a/link.vcf");
    fs::create_directory_symlink(elsewhere.path(), trash.DayFolder() + "a/folder");
    EXPECT_EQ((std::vector<std::string>{"a/book/c.vcf", "a/cal/e.ics"}), ServerTrashFiles(trash.DayFolder()));

    uint64_t bytes = 0;
    EXPECT_EQ(1u, trash.Remove({"a/book/c.vcf", "../../../outside.vcf", "a/link.vcf"}, bytes));
    EXPECT_EQ(11u, bytes);
    EXPECT_FALSE(fs::exists(trash.DayFolder() + "a/book"));
    EXPECT_TRUE(fs::exists(event));
    EXPECT_TRUE(fs::exists(elsewhere.file("outside.vcf")));
    EXPECT_EQ("# file in this folder\taddress on the server\tETag\tdeleted at\n"
              "a/cal/e.ics\thttp://h/a/cal/e.ics\t\"2\"\t2026-12-10 08:00:01\n",
              TempDir::ReadFile(trash.DayFolder() + kServerTrashIndex));

    fs::remove(trash.DayFolder() + "a/link.vcf");
    fs::remove(trash.DayFolder() + "a/folder");
    EXPECT_EQ(1u, trash.Remove({"a/cal/e.ics"}, bytes));
    EXPECT_FALSE(fs::exists(trash.DayFolder()));
    EXPECT_TRUE(fs::exists(elsewhere.file("outside.vcf")));
}

} // namespace
