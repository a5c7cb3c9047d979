#include "helpers/account/ServerTrash.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

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
    EXPECT_EQ("# file in this folder\taddress on the server\tETag\n"
              "alice/book/a.vcf\thttp://127.0.0.1/alice/book/a.vcf\t\"1\"\n"
              "alice/book/a-1.vcf\thttp://127.0.0.1/alice/book/a.vcf\t\"2\"\n"
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

} // namespace
