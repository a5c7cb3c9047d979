#include "helpers/account/ItemContent.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

#include <string>

TEST(ItemContent, IdentityCountsTheBytesAndHashesThemWithFnv1a64)
{
    // FNV-1a 64 of "" is its basis; of "a" a published test vector.
    EXPECT_EQ((ContentIdentity{0, 7, 0xcbf29ce484222325ull}), IdentityOfContent("", 7));
    EXPECT_EQ((ContentIdentity{1, -3, 0xaf63dc4c8601ec8cull}), IdentityOfContent("a", -3));
    EXPECT_NE(IdentityOfContent("Ann", 1).hash, IdentityOfContent("Zed", 1).hash);
}

TEST(ItemContent, TheTextFormReadsBackAndNothingElseIsTakenForIt)
{
    const ContentIdentity identity{1234, 1715000000123456789, 0x0123456789abcdefull};
    EXPECT_EQ("1234:1715000000123456789:0123456789abcdef", FormatContentIdentity(identity));
    struct Case
    {
        const char* text;
        bool parses;
    };
    const Case cases[] = {
        {"1234:1715000000123456789:0123456789abcdef", true},
        {"0:-5:0000000000000000", true},
        {"", false},
        {"1234", false},
        {"1234:1715000000123456789", false},
        {"1234:1715000000123456789:", false},
        {"1234:1715000000123456789:0123456789abcde", false},   // 15 digits
        {"1234:1715000000123456789:0123456789abcdef0", false}, // 17 digits
        {"1234:1715000000123456789:0123456789abcdeg", false},
        {"-1:0:0123456789abcdef", false},
        {"+1:0:0123456789abcdef", false},
        {" 1:0:0123456789abcdef", false},
        {"1:0:0123456789abcdef ", false},
        {"99999999999999999999999:0:0123456789abcdef", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ContentIdentity parsed{9, 9, 9};
        EXPECT_EQ(c.parses, ParseContentIdentity(c.text, parsed));
        if (c.parses)
            EXPECT_EQ(c.text, FormatContentIdentity(parsed));
        else
            EXPECT_EQ((ContentIdentity{9, 9, 9}), parsed);
    }
}

TEST(ItemContent, TheNameEndsAtTheFirstSeparator)
{
    const ContentIdentity identity{3, 4, 5};
    EXPECT_EQ("ann.vcf/3:4:0000000000000005", NameWithContent("ann.vcf", identity));
    struct Case
    {
        const char* text;
        const char* name;
        const char* content;
    };
    const Case cases[] = {
        {"ann.vcf/3:4:0000000000000005", "ann.vcf", "3:4:0000000000000005"},
        {"ann.vcf", "ann.vcf", ""},
        {"ann.vcf/", "ann.vcf", ""},
        {"", "", ""},
        {"a/b/c", "a", "b/c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string name = "x";
        std::string content = "y";
        SplitNameAndContent(c.text, name, content);
        EXPECT_EQ(c.name, name);
        EXPECT_EQ(c.content, content);
    }
}

TEST(ItemContent, ATaskOrNoteKeepsItsNameHashAndHashesItsContentInTheSecond)
{
    const ContentIdentity loaded{10, 20, 30};
    const ItemIdentity item = IdentityOfItem("t.ics", loaded);
    EXPECT_EQ(IdentityOfName("t.ics").first, item.first);
    EXPECT_NE(IdentityOfName("t.ics").second, item.second);
    // Any part of the content identity, or the name, changes the second value.
    for (const ContentIdentity& other :
         {ContentIdentity{11, 20, 30}, ContentIdentity{10, 21, 30}, ContentIdentity{10, 20, 31}})
        EXPECT_NE(item.second, IdentityOfItem("t.ics", other).second);
    EXPECT_NE(item.second, IdentityOfItem("u.ics", loaded).second);
    EXPECT_EQ(item.second, IdentityOfItem("t.ics", loaded).second);
}

TEST(ItemContent, ATimeFromAnOpenFilesStatusIsTheOneReadByPath)
{
    // Loads take the time from the status of the open that reads the file; saves read it by path.
    // Both must give the same number, or every contact would look changed at the save.
    struct Case
    {
        int64_t seconds;
        long nanoseconds;
    };
    const Case cases[] = {{0, 0}, {1700000000, 123456789}, {-31536000, 5}, {4102444800, 999999999}, {1, 1}};
    TempDir dir;
    const std::string path = dir.file("a.ics");
    TempDir::WriteFile(path, "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const timespec times[2] = {{static_cast<time_t>(c.seconds), c.nanoseconds},
                                   {static_cast<time_t>(c.seconds), c.nanoseconds}};
        ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), times, 0));
        int64_t byPath = 0;
        int64_t fromStatus = 1;
        std::string fault;
        ASSERT_TRUE(FileModifiedTime(path, byPath, fault)) << fault;
        struct stat info
        {};
        ASSERT_EQ(0, ::stat(path.c_str(), &info));
        ASSERT_TRUE(FileClockTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec, fromStatus, fault)) << fault;
        EXPECT_EQ(byPath, fromStatus);
    }
}

TEST(ItemContent, ATimePastTheFileClockIsAFault)
{
    int64_t modified = 5;
    std::string fault;
    EXPECT_FALSE(FileClockTime(INT64_MAX / 1000000000 + 1, 0, modified, fault));
    EXPECT_FALSE(fault.empty());
    EXPECT_EQ(5, modified);
}
