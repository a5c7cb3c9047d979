#include "common/misc/CxDebugUtil.h"

#include "common/misc/CxFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/stat.h>

namespace {

constexpr platform::SystemTime kTime{2024, 3, 2, 5, 7, 8, 9, 123};
// The whole content of a log that holds only the line printed by the rotation tests.
const std::regex kNextLine(R"(\[[^\]]*\]\[a\.cpp +\(1   \)\]\[[0-9a-f]+\]\[!!!\] - next\r\n)");

class CxDebugUtilTest : public ::testing::Test
{
protected:
    void SetUp() override { m_log.SetFolder(m_dir.path().c_str()); }

    std::string LogText() const { return TempDir::ReadFile(m_logPath); }
    bool LogExists() const { return std::filesystem::exists(m_logPath); }

    TempDir m_dir;
    std::string m_logPath = m_dir.file("appdebug.log");
    std::string m_oldPath = m_dir.file("appdebug.log.old.log");
    CxDebugUtil m_log;
};

} // namespace

TEST(CxDebugUtilFormatTest, BuildsTheLine)
{
    struct Case
    {
        const char* name;
        const char* path;
        int line;
        unsigned long thread;
        int level;
        const char* message;
        std::string expected;
    };
    const Case cases[] = {
        {"13-char name padded to 20", "C:\\work\\src\\GAddrUtil.cpp", 42, 0x1a4, 0, "hello",
         "[2024/03/05 07:08:09][GAddrUtil.cpp       (42  )][001a4][!!!] - hello"},
        {"long name not cut", "/work/src/AVeryLongSourceFileName.cpp", 12345, 0x123456, 2, "progress",
         "[2024/03/05 07:08:09][AVeryLongSourceFileName.cpp(12345)][123456][   ] - progress"},
        {"no path", nullptr, 7, 0, 3, "m", "[2024/03/05 07:08:09][<null>              (7   )][00000][   ] - m"},
        {"no separator", "main.cpp", 1, 1, 1, "", "[2024/03/05 07:08:09][main.cpp            (1   )][00001][   ] - "},
        {"last of mixed separators", "a\\b/c.cpp", 1, 1, 0, "x",
         "[2024/03/05 07:08:09][c.cpp               (1   )][00001][!!!] - x"},
        {"backslash last", "a/b\\d.cpp", 1, 1, 0, "x",
         "[2024/03/05 07:08:09][d.cpp               (1   )][00001][!!!] - x"},
        {"null message", "f.cpp", 1, 1, 0, nullptr, "[2024/03/05 07:08:09][f.cpp               (1   )][00001][!!!] - "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, CxDebugUtil::FormatLine(kTime, c.path, c.line, c.thread, c.level, c.message));
    }
}

TEST(CxDebugUtilFormatTest, CutsTheFileNameTo255Characters)
{
    const std::string name(300, 'n');
    const std::string line = CxDebugUtil::FormatLine(kTime, ("dir/" + name).c_str(), 1, 1, 0, "x");
    EXPECT_EQ("[2024/03/05 07:08:09][" + std::string(255, 'n') + "(1   )][00001][!!!] - x", line);
}

TEST(CxDebugUtilSettingsTest, DefaultsAndClamping)
{
    CxDebugUtil log;
    EXPECT_STREQ("./", log.GetFolder());
    EXPECT_EQ(0, log.GetLogLevel());
    EXPECT_FALSE(log.IsDebugEnabled());

    struct Case
    {
        int given;
        int stored;
    };
    for (const Case& c : {Case{7, 3}, Case{-1, 0}, Case{0, 0}, Case{2, 2}, Case{3, 3}, Case{4, 3}, Case{INT_MIN, 0},
                          Case{INT_MAX, 3}}) {
        SCOPED_TRACE(c.given);
        log.SetLogLevel(c.given);
        EXPECT_EQ(c.stored, log.GetLogLevel());
    }

    log.SetDebugEnabled(true);
    EXPECT_TRUE(log.IsDebugEnabled());
    log.SetFolder("/tmp/x/");
    log.SetFolder(nullptr);
    EXPECT_STREQ("/tmp/x/", log.GetFolder());
    log.SetFolder(std::string(400, 'f').c_str());
    EXPECT_EQ(std::string(259, 'f'), log.GetFolder());
}

TEST_F(CxDebugUtilTest, PrintWritesOneFormattedLine)
{
    const int line = __LINE__ + 1;
    m_log.Print(0, __FILE__, line, "value %d %s", 42, "x");

    const std::regex format(R"(\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\]\[CxDebugUtilTest\.cpp (\(\d+ *\))\])"
                            R"(\[([0-9a-f]{5,})\]\[!!!\] - value 42 x\r\n)");
    const std::string text = LogText();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, format)) << text;
    char lineField[16];
    std::snprintf(lineField, sizeof lineField, "(%-4d)", line);
    EXPECT_EQ(lineField, match[1].str());
    EXPECT_EQ(platform::CurrentThreadId(), std::stoul(match[2].str(), nullptr, 16));
}

TEST_F(CxDebugUtilTest, LinesAreAppended)
{
    m_log.Print(0, "a.cpp", 1, "first");
    m_log.Print(0, "a.cpp", 2, "second");
    const std::regex format(R"(\[[^\]]*\]\[a\.cpp +\(1   \)\]\[[0-9a-f]+\]\[!!!\] - first\r\n)"
                            R"(\[[^\]]*\]\[a\.cpp +\(2   \)\]\[[0-9a-f]+\]\[!!!\] - second\r\n)");
    EXPECT_TRUE(std::regex_match(LogText(), format)) << LogText();
}

TEST_F(CxDebugUtilTest, LevelDecidesWhatIsWritten)
{
    struct Case
    {
        bool enabled;
        int logLevel;
        int level;
        bool written;
    };
    const Case cases[] = {
        {false, 0, 0, true}, {false, 3, 0, true}, {false, 3, 2, false}, {false, 3, 3, false},
        {true, 1, 2, false}, {true, 1, 1, true},  {true, 3, 2, true},   {true, 3, 3, true},
        {true, 0, 1, false}, {true, 0, 0, true},  {true, 2, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << ", log level " << c.logLevel << ", level "
                                        << c.level);
        std::filesystem::remove(m_logPath);
        CxDebugUtil log;
        log.SetFolder(m_dir.path().c_str());
        log.SetDebugEnabled(c.enabled);
        log.SetLogLevel(c.logLevel);
        log.Print(c.level, "x.cpp", 1, "message");
        ASSERT_EQ(c.written, LogExists());
        if (c.written) {
            const std::string tag = c.level == 0 ? "[!!!]" : "[   ]";
            EXPECT_NE(std::string::npos, LogText().find(tag + " - message\r\n")) << LogText();
        }
    }
}

TEST_F(CxDebugUtilTest, LongMessagesAreCutToTheBuffer)
{
    const std::string message(50000, 'm');
    m_log.Print(0, "a.cpp", 1, "%s", message.c_str());
    const std::string head = CxDebugUtil::FormatLine(kTime, "a.cpp", 1, platform::CurrentThreadId(), 0, "");
    EXPECT_EQ(head.size() + CxDebugUtil::kMessageCapacity - 1 + 2, LogText().size());
}

TEST_F(CxDebugUtilTest, AnUnopenableLogLosesTheLineSilently)
{
    const std::string missing = m_dir.file("missing/");
    m_log.SetFolder(missing.c_str());
    m_log.Print(0, "a.cpp", 1, "lost");
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(LogExists());
}

TEST_F(CxDebugUtilTest, RotatesOnlyAboveTenMebibytes)
{
    struct Case
    {
        uintmax_t size;
        bool rotated;
    };
    for (const Case& c : {Case{10485760, false}, Case{10485761, true}}) {
        SCOPED_TRACE(c.size);
        TempDir::WriteFile(m_logPath, "");
        std::filesystem::resize_file(m_logPath, c.size); // sparse, nothing slow written
        TempDir::WriteFile(m_oldPath, "stale");

        m_log.Print(0, "a.cpp", 1, "next");
        const size_t lineSize =
            CxDebugUtil::FormatLine(kTime, "a.cpp", 1, platform::CurrentThreadId(), 0, "next").size() + 2;
        if (c.rotated) {
            EXPECT_EQ(static_cast<int32_t>(c.size), CxFile::GetFileSize(m_oldPath.c_str()));
            EXPECT_TRUE(std::regex_match(LogText(), kNextLine)) << LogText();
        } else {
            EXPECT_EQ("stale", TempDir::ReadFile(m_oldPath));
            EXPECT_EQ(c.size + lineSize, std::filesystem::file_size(m_logPath));
        }
    }
}

TEST_F(CxDebugUtilTest, AFailedCopyStillEmptiesTheLog)
{
    TempDir::WriteFile(m_logPath, "");
    std::filesystem::resize_file(m_logPath, 10485761);
    std::filesystem::create_directory(m_oldPath); // the copy cannot replace a folder

    m_log.Print(0, "a.cpp", 1, "next");
    EXPECT_TRUE(std::filesystem::is_directory(m_oldPath));
    EXPECT_TRUE(std::regex_match(LogText(), kNextLine)) << LogText();
}

TEST_F(CxDebugUtilTest, TheLogIsForItsOwnerOnly)
{
    const auto mode = [](const std::string& path) {
        return std::filesystem::status(path).permissions() & std::filesystem::perms::all;
    };
    const auto ownerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    const mode_t oldMask = ::umask(022);

    m_log.Print(0, "a.cpp", 1, "first");
    EXPECT_EQ(ownerOnly, mode(m_logPath)) << "a new log";

    // A log an older version left readable by all is closed when the app starts using the folder.
    std::filesystem::permissions(m_logPath,
                                 ownerOnly | std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    CxDebugUtil later;
    later.SetFolder(m_dir.path().c_str());
    EXPECT_EQ(ownerOnly, mode(m_logPath)) << "a log found at start";

    std::filesystem::resize_file(m_logPath, 10485761);
    m_log.Print(0, "a.cpp", 2, "next");
    EXPECT_EQ(ownerOnly, mode(m_logPath)) << "the log begun afresh";
    EXPECT_EQ(ownerOnly, mode(m_oldPath)) << "the log put aside";
    ::umask(oldMask);
}
