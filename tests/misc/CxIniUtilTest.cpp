#include "common/misc/CxIniUtil.h"

#include "common/misc/WinUtil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

class CxIniUtilTest : public testing::Test
{
protected:
    CxIniUtilTest()
        : m_ini(m_dir.path().c_str(), "test.ini")
    {}

    std::string Path() const { return m_dir.file("test.ini"); }
    void Store(const std::string& content) const { TempDir::WriteFile(Path(), content); }
    std::string Content() const { return TempDir::ReadFile(Path()); }
    bool Exists() const { return std::filesystem::exists(Path()); }

    std::string Read(const char* section, const char* key, const char* def = "default")
    {
        char buf[256];
        const int n = m_ini.ReadEntry(section, key, buf, sizeof buf, def);
        EXPECT_EQ(static_cast<int>(std::strlen(buf)), n);
        return buf;
    }

    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    static bool IsRoot() { return ::geteuid() == 0; }

    TempDir m_dir;
    CxIniUtil m_ini;
};

const std::string kSample = "orphan=before any section\n"
                            "; comment=not a key\n"
                            "[Qosweep]\n"
                            "AppFlag = 15 \n"
                            "  Email=\t a b@c.d \t\n"
                            "Empty=\n"
                            "Dup=first\n"
                            "Dup=second\n"
                            "novalue\n"
                            "[Broken\n"
                            "AfterBroken=still Qosweep\n"
                            "[Other] ; trailing text\n"
                            "AppFlag=7\n"
                            "=no name\n"
                            "[ Spaced ]\n"
                            "k=spaced header\n"
                            "[qosweep]\n"
                            "Later=merged\n";

} // namespace

TEST_F(CxIniUtilTest, Reads)
{
    struct Case
    {
        const char* section;
        const char* key;
        const char* def;
        const char* expected;
    };
    const Case cases[] = {
        {"Qosweep", "AppFlag", "d", "15"},
        {"QOSWEEP", "appflag", "d", "15"},
        {"Qosweep", "Email", "d", "a b@c.d"},
        {"Qosweep", "Empty", "d", ""},
        {"Qosweep", "Dup", "d", "first"},
        {"Qosweep", "novalue", "d", "d"},
        {"Qosweep", "AfterBroken", "d", "still Qosweep"}, // "[Broken" is no header
        {"Broken", "AfterBroken", "d", "d"},
        {"Other", "AppFlag", "d", "7"},
        {"Spaced", "k", "d", "spaced header"},
        {"Qosweep", "Later", "d", "merged"}, // a repeated section reads as one
        {"", "orphan", "d", "d"},
        {"Qosweep", "orphan", "d", "d"},
        {"Qosweep", "; comment", "d", "d"},
        {"Qosweep", "Missing", "d", "d"},
        {"Nowhere", "AppFlag", "d", "d"},
        {"Nowhere", "AppFlag", nullptr, ""},
    };
    Store(kSample);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << c.key);
        EXPECT_EQ(c.expected, Read(c.section, c.key, c.def));
    }
}

TEST_F(CxIniUtilTest, MissingOrUnreadableFileReadsAsDefaults)
{
    EXPECT_EQ("default", Read("Qosweep", "AppFlag"));
    EXPECT_EQ(15, m_ini.ReadNumber("Qosweep", "AppFlag", 15));
    EXPECT_FALSE(Exists());

    std::filesystem::create_directory(Path()); // a folder where the file should be
    EXPECT_EQ("default", Read("Qosweep", "AppFlag"));
}

TEST_F(CxIniUtilTest, GarbledFileReadsWhatItCanAndSurvivesAWrite)
{
    const std::string garbled = "\x01\x02\xff\0junk\n"s
                                "[Main]\n"
                                "bin\0key=x\n"s
                                "k=v\0tail\n"s
                                "ok=yes\r\r\n"
                                "[\xff]\n"
                                "z=1\n"
                                "[unclosed";
    Store(garbled);
    EXPECT_EQ("yes", Read("Main", "ok"));
    EXPECT_EQ("v", Read("Main", "k")); // a value ends at a NUL byte
    EXPECT_EQ("d", Read("Main", "z", "d"));
    EXPECT_EQ("1", Read("\xff", "z"));

    ASSERT_NE(0, m_ini.WriteEntry("Main", "ok", "no"));
    // The rewritten line loses what trailed its value, here the first of two CRs.
    std::string expected = garbled;
    expected.replace(expected.find("ok=yes\r"), 7, "ok=no");
    EXPECT_EQ(expected, Content());

    Store("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s);
    EXPECT_EQ("d", Read("Main", "ok", "d"));
}

TEST_F(CxIniUtilTest, AValueEndingAtANulByteIsTrimmedBeforeIt)
{
    Store("[Main]\nk= v \t\0tail \nnul=\0x\nz=1\n"s);
    EXPECT_EQ("v", Read("Main", "k"));
    EXPECT_EQ("", Read("Main", "nul"));
    EXPECT_EQ("1", Read("Main", "z"));
}

TEST_F(CxIniUtilTest, ReadEntryCutsToTheBuffer)
{
    Store("[S]\nk=abcdef\n");
    struct Case
    {
        const char* key;
        size_t size;
        const char* expected;
    };
    const Case cases[] = {
        {"k", 7, "abcdef"}, {"k", 4, "abc"}, {"k", 1, ""}, {"missing", 3, "xy"}, {"missing", 7, "xyz123"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " " << c.size);
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(static_cast<int>(std::strlen(c.expected)), m_ini.ReadEntry("S", c.key, buf, c.size, "xyz123"));
        EXPECT_EQ(std::string(c.expected), buf);
        EXPECT_EQ('#', buf[c.size]);
    }
}

TEST_F(CxIniUtilTest, ReadEntryRejectsBadArguments)
{
    Store("[S]\nk=v\n");
    char buf[8] = "keep";
    EXPECT_EQ(0, m_ini.ReadEntry("S", nullptr, buf, sizeof buf, "d"));
    EXPECT_EQ(0, m_ini.ReadEntry("S", "", buf, sizeof buf, "d"));
    EXPECT_EQ(0, m_ini.ReadEntry("S", "k", buf, 0, "d"));
    EXPECT_EQ(0, m_ini.ReadEntry("S", "k", nullptr, sizeof buf, "d"));
    EXPECT_STREQ("keep", buf);
    EXPECT_FALSE(m_ini.QueryNumber("S", "k", nullptr, 1));
}

TEST_F(CxIniUtilTest, Numbers)
{
    struct Case
    {
        const char* stored; // null: no such key
        int def;
        int expected;
    };
    const Case cases[] = {
        {nullptr, 15, 15},
        {"", 3, 3},
        {"   ", 3, 3},
        {"12abc", 9, 12},
        {"abc", 9, 0},
        {"-7", 9, -7},
        {"+5", 9, 5},
        {"-", 9, 0},
        {"0x10", 9, 0},
        {"1 2", 9, 1},
        {"2147483647", 9, INT_MAX},
        {"-2147483648", 9, INT_MIN},
        {"99999999999", 9, INT_MAX},
        {"-99999999999", 9, INT_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.stored ? c.stored : "(none)"));
        Store(c.stored ? "[S]\nk="s + c.stored + "\n" : "[S]\n"s);
        EXPECT_EQ(c.expected, m_ini.ReadNumber("S", "k", c.def));
        int value = 1234;
        EXPECT_TRUE(m_ini.QueryNumber("s", "K", &value, c.def));
        EXPECT_EQ(c.expected, value);
    }
}

TEST_F(CxIniUtilTest, Flags)
{
    struct Case
    {
        const char* stored; // null: no such key
        bool def;
        bool expected;
    };
    const Case cases[] = {
        {"2", false, true}, {"1", false, true}, {"-1", false, true},   {"0", true, false},      {"abc", true, false},
        {"", true, true},   {"", false, false}, {nullptr, true, true}, {nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.stored ? c.stored : "(none)") << " default " << c.def);
        Store(c.stored ? "[S]\nk="s + c.stored + "\n" : ""s);
        EXPECT_EQ(c.expected, m_ini.ReadFlag("S", "k", c.def));
    }
}

TEST_F(CxIniUtilTest, WriteChangesOnlyItsOwnLine)
{
    struct Case
    {
        const char* name;
        const char* initial; // null: no file
        const char* section;
        const char* key;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"creates the file", nullptr, "S", "k", "v", "[S]\nk=v\n"},
        {"empty file", "", "S", "k", "v", "[S]\nk=v\n"},
        {"replaces in place", "; top\n[A]\nx=1\n\n[S]\n  K = old  \ny=2\n", "s", "k", "new",
         "; top\n[A]\nx=1\n\n[S]\n  K=new\ny=2\n"},
        {"new key after the last key", "[S]\na=1\n\n[T]\nb=2\n", "S", "c", "3", "[S]\na=1\nc=3\n\n[T]\nb=2\n"},
        {"new key after a bare header", "[S]\n; only a comment\n\n[T]\n", "S", "k", "v",
         "[S]\nk=v\n; only a comment\n\n[T]\n"},
        {"new section", "[A]\nx=1\n", "S", "k", "v", "[A]\nx=1\n\n[S]\nk=v\n"},
        {"new section after a blank line", "[A]\nx=1\n\n", "S", "k", "v", "[A]\nx=1\n\n[S]\nk=v\n"},
        {"last line without line end, new key", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\ny=2\n"},
        {"last line without line end, new section", "[A]\nx=1", "S", "k", "v", "[A]\nx=1\n\n[S]\nk=v\n"},
        {"last line without line end, replaced", "[A]\nx=1", "A", "x", "2", "[A]\nx=2"},
        {"CR LF kept on replace", "[S]\r\nk=1\r\n\r\n[T]\r\n", "S", "k", "2", "[S]\r\nk=2\r\n\r\n[T]\r\n"},
        {"CR LF for a new key", "[S]\r\nk=1\r\n", "S", "n", "3", "[S]\r\nk=1\r\nn=3\r\n"},
        {"CR LF for a new section", "[S]\r\nk=1\r\n", "T", "z", "1", "[S]\r\nk=1\r\n\r\n[T]\r\nz=1\r\n"},
        {"first of two equal keys", "[S]\nk=1\nk=2\n", "S", "K", "9", "[S]\nk=9\nk=2\n"},
        {"repeated section", "[S]\nk=1\n[s]\nj=2\n", "S", "j", "9", "[S]\nk=1\n[s]\nj=9\n"},
        {"header with trailing text", "[S] ; note\nk=1\n", "S", "k", "2", "[S] ; note\nk=2\n"},
        {"null value", "[S]\nk=1\n", "S", "k", nullptr, "[S]\nk=\n"},
        {"value cut at a line break", "[S]\nk=1\n", "S", "k", "a\nb", "[S]\nk=a\n"},
        {"same value", "[S]\nk=1\n", "S", "k", "1", "[S]\nk=1\n"},
        {"keys before any section", "k=top\n[S]\n", "S", "k", "v", "k=top\n[S]\nk=v\n"},
        {"unclosed header", "[S]\n[Broken\nk=1\n", "S", "k", "2", "[S]\n[Broken\nk=2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(Path());
        if (c.initial)
            Store(c.initial);
        EXPECT_NE(0, m_ini.WriteEntry(c.section, c.key, c.value));
        EXPECT_EQ(std::string(c.expected), Content());
        EXPECT_EQ(std::set<std::string>{"test.ini"}, Names()); // no temporary file left behind
    }
}

TEST_F(CxIniUtilTest, WriteNumberAndFlagStoreDecimalText)
{
    EXPECT_NE(0, m_ini.WriteFlag("S", "on", true));
    EXPECT_NE(0, m_ini.WriteFlag("S", "off", false));
    EXPECT_NE(0, m_ini.WriteNumber("S", "neg", -42));
    EXPECT_NE(0, m_ini.WriteNumber("S", "min", INT_MIN));
    EXPECT_EQ("[S]\non=1\noff=0\nneg=-42\nmin=-2147483648\n", Content());
    EXPECT_TRUE(m_ini.ReadFlag("S", "on", false));
    EXPECT_FALSE(m_ini.ReadFlag("S", "off", true));
    EXPECT_EQ(INT_MIN, m_ini.ReadNumber("S", "min", 0));
    EXPECT_NE(0, m_ini.WriteEntry("S", "text", "  padded  "));
    EXPECT_EQ("padded", Read("S", "text"));
}

TEST_F(CxIniUtilTest, WriteRejectsNamesThatCannotBeReadBack)
{
    struct Case
    {
        const char* section;
        const char* key;
    };
    const Case cases[] = {
        {"S", nullptr}, {"S", ""},   {"S", "  "},  {"S", "a=b"},  {"S", "a\nb"},
        {"S", "[k"},    {"S", ";k"}, {"a]b", "k"}, {"a\nb", "k"},
    };
    Store("[S]\nk=1\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << (c.key ? c.key : "(null)"));
        EXPECT_EQ(0, m_ini.WriteEntry(c.section, c.key, "v"));
        EXPECT_EQ("[S]\nk=1\n", Content());
    }
}

TEST_F(CxIniUtilTest, NoSectionMeansTheDefaultSection)
{
    CopyText(m_ini.m_szSection, "Status");
    EXPECT_NE(0, m_ini.WriteEntry(nullptr, "Stop", "1"));
    EXPECT_NE(0, m_ini.WriteNumber("", "Running", 0));
    EXPECT_EQ("[Status]\nStop=1\nRunning=0\n", Content());
    EXPECT_EQ("1", Read(nullptr, "stop"));
    EXPECT_EQ(0, m_ini.ReadNumber("", "Running", 5));
    EXPECT_STREQ("Status", m_ini.m_szSection);
}

TEST_F(CxIniUtilTest, EveryCallSeesTheFileAsItIsNow)
{
    Store("[S]\nk=1\n");
    EXPECT_EQ(1, m_ini.ReadNumber("S", "k", 0));
    Store("[S]\nk=2\n");
    EXPECT_EQ(2, m_ini.ReadNumber("S", "k", 0));

    CxIniUtil other(m_dir.path().c_str(), "test.ini");
    EXPECT_NE(0, other.WriteNumber("S", "k", 3));
    EXPECT_EQ(3, m_ini.ReadNumber("S", "k", 0));
}

TEST_F(CxIniUtilTest, WriteToAPlaceThatCannotHoldTheFileFails)
{
    TempDir::WriteFile(m_dir.file("plain"), "x");
    std::filesystem::create_directory(m_dir.file("folder"));
    const std::string cases[] = {
        m_dir.file("missing/x.ini"),
        m_dir.file("plain/x.ini"), // below a regular file: fails even for root
        m_dir.file("folder"),
    };
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        m_ini.SetFilePath(path.c_str());
        EXPECT_EQ(0, m_ini.WriteEntry("S", "k", "v"));
        EXPECT_EQ(0, m_ini.WriteFlag("S", "k", true));
        EXPECT_EQ((std::set<std::string>{"plain", "folder"}), Names());
    }
    const std::string tooLong = m_dir.path() + std::string(MAX_PATH, 'a');
    m_ini.SetFilePath(tooLong.c_str());
    EXPECT_STREQ("", m_ini.m_szFile);
    EXPECT_EQ(0, m_ini.WriteEntry("S", "k", "v"));
    EXPECT_EQ("d", Read("S", "k", "d"));
}

TEST_F(CxIniUtilTest, ReadOnlyFileIsNotWritten)
{
    if (IsRoot())
        GTEST_SKIP() << "file permissions do not bind root";
    Store("[S]\nk=1\n");
    ::chmod(Path().c_str(), 0444);
    EXPECT_EQ(0, m_ini.WriteEntry("S", "k", "2"));
    EXPECT_EQ(0, m_ini.WriteEntry("S", "new", "2"));
    EXPECT_EQ("[S]\nk=1\n", Content());
    EXPECT_EQ("1", Read("S", "k"));
}

TEST_F(CxIniUtilTest, FileInAReadOnlyFolderIsNotWritten)
{
    if (IsRoot())
        GTEST_SKIP() << "file permissions do not bind root";
    Store("[S]\nk=1\n");
    ::chmod(m_dir.path().c_str(), 0555);
    EXPECT_EQ(0, m_ini.WriteEntry("S", "k", "2"));
    ::chmod(m_dir.path().c_str(), 0755);
    EXPECT_EQ("[S]\nk=1\n", Content());
}

TEST_F(CxIniUtilTest, UnreadableFileIsNotReplaced)
{
    if (IsRoot())
        GTEST_SKIP() << "file permissions do not bind root";
    Store("[S]\nk=1\n");
    ::chmod(Path().c_str(), 0200);
    EXPECT_EQ(0, m_ini.WriteEntry("S", "k", "2"));
    ::chmod(Path().c_str(), 0600);
    EXPECT_EQ("[S]\nk=1\n", Content());
}

TEST_F(CxIniUtilTest, ReplacesTheFileWholeKeepingItsMode)
{
    Store("[S]\nk=1\n");
    ::chmod(Path().c_str(), 0640);
    struct stat before
    {};
    ASSERT_EQ(0, ::stat(Path().c_str(), &before));

    EXPECT_NE(0, m_ini.WriteEntry("S", "k", "1")); // unchanged: the file stays as it is
    struct stat same
    {};
    ASSERT_EQ(0, ::stat(Path().c_str(), &same));
    EXPECT_EQ(before.st_ino, same.st_ino);

    EXPECT_NE(0, m_ini.WriteEntry("S", "k", "2"));
    struct stat after
    {};
    ASSERT_EQ(0, ::stat(Path().c_str(), &after));
    EXPECT_NE(before.st_ino, after.st_ino); // a new file took the old one's place
    EXPECT_EQ(0640u, after.st_mode & 07777);
    EXPECT_EQ("[S]\nk=2\n", Content());
}

TEST_F(CxIniUtilTest, AnOwnerOnlyFileIsWrittenForItsOwnerWhateverTheUmask)
{
    const mode_t old = ::umask(022);
    m_ini.SetOwnerOnly(true);
    EXPECT_NE(0, m_ini.WriteEntry("S", "k", "1"));
    struct stat created
    {};
    ASSERT_EQ(0, ::stat(Path().c_str(), &created));
    ::chmod(Path().c_str(), 0644);
    EXPECT_NE(0, m_ini.WriteEntry("S", "k", "2"));
    struct stat rewritten
    {};
    ASSERT_EQ(0, ::stat(Path().c_str(), &rewritten));
    ::umask(old);
    EXPECT_EQ(0600u, created.st_mode & 07777);
    EXPECT_EQ(0600u, rewritten.st_mode & 07777);
    EXPECT_EQ("[S]\nk=2\n", Content());
}

TEST_F(CxIniUtilTest, WriteThroughASymbolicLinkKeepsTheLink)
{
    Store("[S]\nk=1\n");
    const std::string link = m_dir.file("link.ini");
    std::filesystem::create_symlink(Path(), link);
    m_ini.SetFilePath(link.c_str());
    EXPECT_NE(0, m_ini.WriteEntry("S", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ("[S]\nk=2\n", Content());
    EXPECT_EQ((std::set<std::string>{"test.ini", "link.ini"}), Names());
}

TEST(CxIniUtilPathTest, FolderAndFileName)
{
    char program[MAX_PATH];
    ASSERT_TRUE(GetProgramFolder(nullptr, program, sizeof program));
    const std::string beside = std::string(program) + "tessavo.ini";
    const std::string fits(MAX_PATH - 6, 'f');
    const std::string tooLong(MAX_PATH - 5, 'f');
    struct Case
    {
        const char* folder;
        const char* name;
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, "tessavo.ini", beside},
        {"", "tessavo.ini", beside},
        {"/data/tessavo/Qosweep/", "tessavo.ini", "/data/tessavo/Qosweep/tessavo.ini"},
        {"/data/x", "a.ini", "/data/xa.ini"}, // joined as given
        {fits.c_str(), "a.ini", fits + "a.ini"},
        {tooLong.c_str(), "a.ini", ""}, // would not fit: no file at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const CxIniUtil ini(c.folder, c.name);
        EXPECT_EQ(c.expected, ini.m_szFile);
        EXPECT_STREQ("", ini.m_szSection);
    }
}

TEST(CxIniUtilPathTest, SetFilePathIgnoresEmptyPaths)
{
    CxIniUtil ini("/a/", "b.ini");
    ini.SetFilePath(nullptr);
    ini.SetFilePath("");
    EXPECT_STREQ("/a/b.ini", ini.m_szFile);
    ini.SetFilePath("/c/d.ini");
    EXPECT_STREQ("/c/d.ini", ini.m_szFile);
}
