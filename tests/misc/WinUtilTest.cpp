#include "common/misc/WinUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

TEST(WinUtilTest, ProgramFolderEndsWithSeparator)
{
    char folder[260] = "untouched";
    ASSERT_TRUE(GetProgramFolder(nullptr, folder, sizeof folder));
    std::string text = folder;
    ASSERT_FALSE(text.empty());
    EXPECT_EQ('/', text.front());
    EXPECT_EQ('/', text.back());
    EXPECT_FALSE(GetProgramFolder(nullptr, nullptr, 260));
}

TEST(WinUtilTest, ProgramFolderIsCutToTheBuffer)
{
    char folder[8];
    std::memset(folder, 'x', sizeof folder);
    ASSERT_TRUE(GetProgramFolder(nullptr, folder, 4));
    EXPECT_EQ(3u, std::strlen(folder));
    EXPECT_EQ('x', folder[4]);
}

TEST(WinUtilTest, OpenWithShellRefusesEmptyTargetsAndHandsOthersOn)
{
    std::vector<std::string> opened;
    SetOpenWithShellHandler([&](const char* target) { opened.push_back(target); });
    EXPECT_FALSE(OpenWithShell(nullptr));
    EXPECT_FALSE(OpenWithShell(""));
    EXPECT_TRUE(OpenWithShell("https://example.com/"));
    SetOpenWithShellHandler({});
    EXPECT_EQ(std::vector<std::string>{"https://example.com/"}, opened);
}

TEST(WinUtilTest, FormatTimeOfDay)
{
    struct Case
    {
        double value;
        size_t size;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, 32, "N/A"},
        {0.0009, 32, "N/A"},
        {-5.0, 32, "N/A"},
        {0.001, 32, "00:01:26"},
        {39454.0 + (9 * 3600 + 5 * 60 + 7) / 86400.0, 32, "09:05:07"}, // date part not shown
        {-1.25, 32, "N/A"},
        {std::numeric_limits<double>::quiet_NaN(), 32, "N/A"},
        {3e6, 32, "N/A"}, // beyond the year 9999
        {39454.375, 4, "09:"},
        {0.0, 2, "N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " size " << c.size);
        char buf[40];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_TRUE(FormatTimeOfDay(c.value, buf, c.size));
        EXPECT_EQ(std::string(c.expected), buf);
        EXPECT_EQ('x', buf[c.size]);
    }
}

TEST(WinUtilTest, FormatTimeOfDayRefusesNoBuffer)
{
    char buf[4] = "abc";
    EXPECT_FALSE(FormatTimeOfDay(0.5, nullptr, 32));
    EXPECT_FALSE(FormatTimeOfDay(0.5, buf, 0));
    EXPECT_STREQ("abc", buf);
}

TEST(WinUtilTest, JoinPathAddsTheSeparatorOnlyWhereMissingAndNeverCuts)
{
    const std::string longName(250, 'n');
    const struct
    {
        const char* name;
        const char* folder;
        const char* file;
        size_t capacity;
        bool joined;
        std::string expected;
    } cases[] = {
        {"folder with separator", "/w/", "GAddr.dat", 260, true, "/w/GAddr.dat"},
        {"folder without separator", "/w", "GAddr.dat", 260, true, "/w/GAddr.dat"},
        {"exactly fits", "/w/", "abc", 7, true, "/w/abc"},
        {"one byte short", "/w/", "abcd", 7, false, ""},
        {"long name", "/some/folder/", longName.c_str(), 260, false, ""},
        {"empty name", "/w/", "", 260, false, ""},
        {"null name", "/w/", nullptr, 260, false, ""},
        {"empty folder", "", "GAddr.dat", 260, false, ""},
        {"null folder", nullptr, "GAddr.dat", 260, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> path(c.capacity, 'x');
        EXPECT_EQ(c.joined, JoinPath(c.folder, c.file, path.data(), path.size()));
        EXPECT_EQ(c.expected, path.data());
    }
    EXPECT_FALSE(JoinPath("/w/", "a", nullptr, 10));
}
