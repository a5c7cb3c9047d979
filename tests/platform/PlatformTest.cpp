#include "common/platform/Platform.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace platform;

TEST(PlatformFoldersTest, ProgramFolderHoldsThisTest)
{
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ('/', folder.back());
    EXPECT_TRUE(FileExists((folder + "platform_tests").c_str()));
}

TEST(PlatformFoldersTest, DataFolderBaseFollowsXdgThenHome)
{
    std::string base;
    const ScopedEnv xdg("XDG_DATA_HOME", "/tmp/xdg-data");
    const ScopedEnv home("HOME", "/home/someone");
    ASSERT_TRUE(DataFolderBase(base));
    EXPECT_EQ("/tmp/xdg-data/", base);

    // A relative XDG value is invalid and falls back to the home folder.
    setenv("XDG_DATA_HOME", "relative/path", 1);
    ASSERT_TRUE(DataFolderBase(base));
    EXPECT_EQ("/home/someone/.local/share/", base);

    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    base = "unchanged";
    EXPECT_FALSE(DataFolderBase(base));
    EXPECT_EQ("unchanged", base);
}

TEST(PlatformFoldersTest, HomeFolderFollowsHomeThenTheUserDatabase)
{
    {
        const ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ("/home/someone/", HomeFolder());
    }
    // A relative or missing HOME says nothing; the user database still knows the folder.
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(nullptr, user);
    const std::string expected = std::string(user->pw_dir) + (std::string(user->pw_dir).back() == '/' ? "" : "/");
    {
        const ScopedEnv home("HOME", "relative/path");
        EXPECT_EQ(expected, HomeFolder());
    }
    const ScopedEnv home("HOME", "");
    ::unsetenv("HOME");
    EXPECT_EQ(expected, HomeFolder());
}

TEST(PlatformFilesTest, ExistsDeleteCopy)
{
    TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
    EXPECT_FALSE(FileExists(a.c_str()));
    EXPECT_TRUE(DeleteFile(a.c_str())) << "a missing file counts as deleted";
    TempDir::WriteFile(a, "alpha");
    EXPECT_TRUE(FileExists(a.c_str()));
    EXPECT_FALSE(FileExists(dir.path().c_str())) << "a folder is not a file";

    EXPECT_TRUE(CopyFile(a.c_str(), b.c_str(), false));
    EXPECT_EQ("alpha", TempDir::ReadFile(b));
    TempDir::WriteFile(a, "beta");
    EXPECT_FALSE(CopyFile(a.c_str(), b.c_str(), false)) << "no overwrite unless asked";
    EXPECT_TRUE(CopyFile(a.c_str(), b.c_str(), true));
    EXPECT_EQ("beta", TempDir::ReadFile(b));
    EXPECT_FALSE(CopyFile(dir.file("missing").c_str(), b.c_str(), true));

    EXPECT_TRUE(DeleteFile(a.c_str()));
    EXPECT_FALSE(FileExists(a.c_str()));
    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_FALSE(DeleteFile(""));
}

TEST(PlatformFilesTest, CreateFolderOneLevel)
{
    TempDir dir;
    const std::string sub = dir.file("sub");
    EXPECT_TRUE(CreateFolder(sub.c_str()));
    EXPECT_TRUE(CreateFolder(sub.c_str())) << "an existing folder is fine";
    EXPECT_TRUE(FolderExists(sub.c_str()));
    EXPECT_FALSE(CreateFolder(dir.file("no/such/parent").c_str()));
    TempDir::WriteFile(dir.file("plain"), "x");
    EXPECT_FALSE(CreateFolder(dir.file("plain").c_str())) << "a file is in the way";
}

TEST(PlatformFilesTest, CurrentDirectoryRoundTrip)
{
    TempDir dir;
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectory(dir.path().c_str()));
    EXPECT_EQ(dir.path(), CurrentDirectory() + "/");
    EXPECT_FALSE(SetCurrentDirectory(dir.file("missing").c_str()));
    EXPECT_EQ(dir.path(), CurrentDirectory() + "/");
    ASSERT_TRUE(SetCurrentDirectory(before.c_str()));
}

TEST(PlatformTimeTest, LocalTimeMatchesTheCLibrary)
{
    const ScopedTz tz("UTC0");
    SystemTime st{};
    std::time_t before = std::time(nullptr);
    GetLocalTime(&st);
    std::tm tm{};
    gmtime_r(&before, &tm);
    EXPECT_EQ(tm.tm_year + 1900, st.wYear);
    EXPECT_EQ(tm.tm_mon + 1, st.wMonth);
    EXPECT_EQ(tm.tm_mday, st.wDay);
    EXPECT_EQ(tm.tm_wday, st.wDayOfWeek);
    EXPECT_LT(st.wMilliseconds, 1000);
    EXPECT_NE(0ul, CurrentThreadId());
}

TEST(PlatformTimeTest, FollowTimeZoneSeesEveryChangeOfTz)
{
    const auto hourAtEpoch = [] {
        std::tm local{};
        return LocalTimeOf(0, &local) ? local.tm_hour : -1;
    };
    ScopedEnv tz("TZ", "UTC0");
    FollowTimeZone();
    EXPECT_EQ(0, hourAtEpoch());
    // Set without tzset(), as a caller may.
    setenv("TZ", "XXX-2", 1);
    FollowTimeZone();
    EXPECT_EQ(2, hourAtEpoch());
    FollowTimeZone();
    EXPECT_EQ(2, hourAtEpoch());
    setenv("TZ", "XXX-3", 1);
    FollowTimeZone();
    EXPECT_EQ(3, hourAtEpoch());
    setenv("TZ", "XXX-2", 1);
    FollowTimeZone();
    EXPECT_EQ(2, hourAtEpoch());
    // Unset: the system's zone, whatever it is; then set again, the text counts once more.
    unsetenv("TZ");
    FollowTimeZone();
    setenv("TZ", "XXX-2", 1);
    FollowTimeZone();
    EXPECT_EQ(2, hourAtEpoch());
    tz.Restore();
    tzset();
}

struct Utf8Case
{
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

TEST(PlatformTextTest, Utf8AndUtf16RoundTrip)
{
    const Utf8Case cases[] = {
        {"ascii", "abc", u"abc"},
        {"empty", "", u""},
        {"two-byte", "M\xC3\xBCller", u"M\u00FCller"},
        {"three-byte",
         "\xE2\x82\xAC"
         "5",
         u"\u20AC5"},
        {"four-byte", "a\xF0\x9F\x98\x80z", u"a\U0001F600z"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.utf16, Utf8ToUtf16(c.utf8.c_str()));
        char back[64];
        EXPECT_EQ(c.utf8.size(), Utf16ToUtf8(c.utf16.data(), c.utf16.size(), back, sizeof back));
        EXPECT_EQ(c.utf8, std::string(back));
    }
}

TEST(PlatformTextTest, MalformedUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(u"a\uFFFDb", Utf8ToUtf16("a\xFF"
                                       "b"));
    EXPECT_EQ(u"\uFFFD", Utf8ToUtf16("\xC3")) << "a sequence cut short";
    EXPECT_EQ(u"\uFFFD\uFFFD", Utf8ToUtf16("\xC0\xAF")) << "overlong";
    EXPECT_EQ(u"", Utf8ToUtf16(nullptr));
}

TEST(PlatformTextTest, LimitsNeverCutInsideACharacter)
{
    // A pair of surrogates does not fit into 2 units after 'a'.
    EXPECT_EQ(u"a", Utf8ToUtf16("a\xF0\x9F\x98\x80", 2));
    EXPECT_EQ(u"a\U0001F600", Utf8ToUtf16("a\xF0\x9F\x98\x80", 3));

    // "ü" takes two bytes: with room for "a" plus one byte, it is left out whole.
    const std::u16string text = u"a\u00FC";
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(1u, Utf16ToUtf8(text.data(), text.size(), buf, 3));
    EXPECT_STREQ("a", buf);
    EXPECT_EQ('x', buf[3]);
    EXPECT_EQ(0u, Utf16ToUtf8(text.data(), text.size(), buf, 0));

    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(5u, Utf16ToUtf8(lone, 3, buf, sizeof buf)) << "a lone surrogate becomes U+FFFD";
    EXPECT_STREQ("a\xEF\xBF\xBD"
                 "b",
                 buf);
}

TEST(PlatformFilesTest, FileSizeOfRegularFilesOnly)
{
    TempDir dir;
    TempDir::WriteFile(dir.file("empty"), "");
    TempDir::WriteFile(dir.file("five"), "12345");
    EXPECT_EQ(0, FileSize(dir.file("empty").c_str()));
    EXPECT_EQ(5, FileSize(dir.file("five").c_str()));
    EXPECT_EQ(-1, FileSize(dir.file("missing").c_str()));
    EXPECT_EQ(-1, FileSize(dir.path().c_str()));
    EXPECT_EQ(-1, FileSize(nullptr));
}

TEST(PlatformFilesTest, CreateFolderPathMakesEveryLevel)
{
    TempDir dir;
    const std::string deep = dir.file("a/b/c/");
    EXPECT_TRUE(CreateFolderPath(deep.c_str()));
    EXPECT_TRUE(FolderExists(deep.c_str()));
    EXPECT_TRUE(CreateFolderPath(deep.c_str()));
    TempDir::WriteFile(dir.file("plain"), "x");
    EXPECT_FALSE(CreateFolderPath(dir.file("plain/below").c_str()));
    EXPECT_FALSE(CreateFolderPath(""));
}

TEST(PlatformFilesTest, ReplaceFileContentsCreatesOrReplacesWholeFiles)
{
    TempDir dir;
    const std::string path = dir.file("f.txt");
    ASSERT_TRUE(ReplaceFileContents(path.c_str(), "first"));
    EXPECT_EQ("first", TempDir::ReadFile(path));
    ASSERT_TRUE(ReplaceFileContents(path.c_str(), "second, longer"));
    EXPECT_EQ("second, longer", TempDir::ReadFile(path));
    ASSERT_TRUE(ReplaceFileContents(path.c_str(), ""));
    EXPECT_EQ("", TempDir::ReadFile(path));

    // No temporary file is left behind, and places that cannot hold the file fail.
    EXPECT_EQ(std::vector<std::string>{"f.txt"}, [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        return names;
    }());
    TempDir::WriteFile(dir.file("plain"), "x");
    EXPECT_FALSE(ReplaceFileContents(dir.file("plain/f.txt").c_str(), "x"));
    EXPECT_FALSE(ReplaceFileContents(dir.file("missing/f.txt").c_str(), "x"));
    EXPECT_FALSE(ReplaceFileContents(dir.path().c_str(), "x")) << "a folder is not replaced";
    EXPECT_TRUE(FolderExists(dir.path().c_str()));
}

TEST(PlatformFilesTest, ReadFileContentsReadsWholeRegularFilesUpToTheLimit)
{
    TempDir dir;
    const std::string big(70000, 'x'); // more than one read's worth
    TempDir::WriteFile(dir.file("empty"), "");
    const std::string five("12\x00\x34\x35", 5); // "12", a zero byte, "45"
    TempDir::WriteFile(dir.file("five"), five);
    TempDir::WriteFile(dir.file("big"), big);
    std::filesystem::create_symlink(dir.file("five"), dir.file("link"));
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0644)); // no writer: must not stall the open
    std::string content = "left from before";
    EXPECT_TRUE(ReadFileContents(dir.file("empty").c_str(), 10, content));
    EXPECT_EQ("", content);
    EXPECT_TRUE(ReadFileContents(dir.file("five").c_str(), 5, content));
    EXPECT_EQ(five, content);
    EXPECT_TRUE(ReadFileContents(dir.file("link").c_str(), 5, content));
    EXPECT_EQ(5u, content.size());
    EXPECT_TRUE(ReadFileContents(dir.file("big").c_str(), big.size(), content));
    EXPECT_EQ(big, content);

    struct Case
    {
        const char* name;
        std::string path;
        size_t maxBytes;
        int error;
    };
    const Case cases[] = {
        {"one byte over the limit", dir.file("five"), 4, EFBIG},
        {"no bytes allowed", dir.file("five"), 0, EFBIG},
        {"missing", dir.file("missing"), 10, ENOENT},
        {"folder", dir.path(), 10, EISDIR},
        {"fifo", dir.file("fifo"), 10, EINVAL},
        {"empty path", "", 10, EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        errno = 0;
        EXPECT_FALSE(ReadFileContents(c.path.c_str(), c.maxBytes, content));
        EXPECT_EQ(c.error, errno);
    }
    errno = 0;
    EXPECT_FALSE(ReadFileContents(nullptr, 10, content));
    EXPECT_EQ(EINVAL, errno);
}

namespace {

unsigned ModeOf(const std::string& path)
{
    struct stat info
    {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Sets the umask for one test and puts the old one back.
class ScopedUmask
{
public:
    explicit ScopedUmask(mode_t mask)
        : m_old(::umask(mask))
    {}
    ~ScopedUmask() { ::umask(m_old); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_old;
};

} // namespace

TEST(PlatformFilesTest, ReplaceFileContentsForTheOwnerOnly)
{
    const ScopedUmask mask(022);
    TempDir dir;
    struct Case
    {
        const char* name;
        int existing; // mode of the file before, 0: none
        bool ownerOnly;
        unsigned expected;
    };
    const Case cases[] = {
        {"new", 0, false, 0644},         {"new, owner only", 0, true, 0600},    {"kept", 0640, false, 0640},
        {"tightened", 0644, true, 0600}, {"wide, tightened", 0666, true, 0600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        if (c.existing) {
            TempDir::WriteFile(path, "old");
            ASSERT_EQ(0, ::chmod(path.c_str(), static_cast<mode_t>(c.existing)));
        }
        ASSERT_TRUE(ReplaceFileContents(path.c_str(), "new", c.ownerOnly));
        EXPECT_EQ("new", TempDir::ReadFile(path));
        EXPECT_EQ(c.expected, ModeOf(path));
    }
}

TEST(PlatformFilesTest, RemoveReplaceLeftoversTakesOnlyTheTemporaryFilesOfThatFile)
{
    TempDir dir;
    const std::string path = dir.file("status.dat");
    TempDir::WriteFile(path, "kept");
    // What a replace killed midway leaves: its temporary file beside the real one. Its name is the
    // platform layer's own, so a replace interrupted here stands in for one that was.
    {
        const ScopedUmask mask(0);
        ASSERT_TRUE(ReplaceFileContents(path.c_str(), "kept"));
    }
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        ASSERT_EQ("status.dat", e.path().filename().string()) << "no leftover of a finished replace";
    const char* const leftovers[] = {"status.dat.tmp123-0", "status.dat.tmp4567-89"};
    const char* const others[] = {"status.dat.tmp",   "status.dat.tmp12",   "status.dat.tmp1-2x",
                                  "other.dat.tmp1-2", "status.dat.partial", "xstatus.dat.tmp1-2"};
    for (const char* name : leftovers)
        TempDir::WriteFile(dir.file(name), "half");
    for (const char* name : others)
        TempDir::WriteFile(dir.file(name), "other");
    std::filesystem::create_directory(dir.file("status.dat.tmp9-9"));
    RemoveReplaceLeftovers(path.c_str());
    for (const char* name : leftovers)
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    for (const char* name : others)
        EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("status.dat.tmp9-9"))) << "only files are removed";
    EXPECT_EQ("kept", TempDir::ReadFile(path));
    RemoveReplaceLeftovers(dir.file("missing/x").c_str()); // a folder that is not there is no fault
}

TEST(PlatformFilesTest, OpenPrivateFileIsForItsOwnerOnly)
{
    struct Case
    {
        const char* name;
        bool existing;
        unsigned oldMode;
        mode_t umask;
    };
    const Case cases[] = {
        {"new file", false, 0, 022},
        {"new file, open umask", false, 0, 0},
        {"new file, umask without owner write", false, 0, 0277},
        {"existing 0644 file", true, 0644, 022},
        {"existing 0666 file, open umask", true, 0666, 0},
        {"existing 0600 file", true, 0600, 022},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("private.dat");
        if (c.existing) {
            TempDir::WriteFile(path, "older and longer");
            ASSERT_EQ(0, ::chmod(path.c_str(), c.oldMode));
        }
        const mode_t before = ::umask(c.umask);
        FILE* file = OpenPrivateFile(path.c_str());
        ::umask(before);
        ASSERT_NE(nullptr, file);
        EXPECT_EQ(0600u, ModeOf(path)) << "private before anything is written";
        EXPECT_EQ(0, FileSize(path.c_str())) << "an existing file is cut";
        EXPECT_NE(0, ::fcntl(::fileno(file), F_GETFD) & FD_CLOEXEC) << "not handed to helper programs";
        EXPECT_EQ(0, ::fcntl(::fileno(file), F_GETFL) & O_NONBLOCK);
        EXPECT_EQ(3u, std::fwrite("new", 1, 3, file));
        EXPECT_EQ(0, std::fclose(file));
        EXPECT_EQ("new", TempDir::ReadFile(path));
        EXPECT_EQ(0600u, ModeOf(path));
    }
}

TEST(PlatformFilesTest, OpenPrivateFileRefusesWhatIsNotAPlainFile)
{
    TempDir dir;
    const std::string target = dir.file("target");
    const std::string link = dir.file("link");
    const std::string fifo = dir.file("fifo");
    const std::string lonelyFifo = dir.file("lonely-fifo");
    const std::string missing = dir.file("missing/private.dat");
    TempDir::WriteFile(target, "keep");
    ASSERT_EQ(0, ::chmod(target.c_str(), 0644));
    std::filesystem::create_symlink(target, link);
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0644));
    ASSERT_EQ(0, ::mkfifo(lonelyFifo.c_str(), 0644)); // no reader: must not stall the open
    // With a reader present the fifo opens for writing, so only its type can turn it away.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_LE(0, reader);
    struct Case
    {
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"null", nullptr},
        {"empty", ""},
        {"link to a file", link.c_str()},
        {"fifo", fifo.c_str()},
        {"fifo without a reader", lonelyFifo.c_str()},
        {"folder", dir.path().c_str()},
        {"missing folder", missing.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        errno = 0;
        FILE* file = OpenPrivateFile(c.path);
        EXPECT_EQ(nullptr, file);
        EXPECT_NE(0, errno);
        if (file)
            std::fclose(file);
    }
    EXPECT_EQ("keep", TempDir::ReadFile(target));
    EXPECT_EQ(0644u, ModeOf(target));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(0644u, ModeOf(fifo)) << "the fifo keeps its mode";
    EXPECT_EQ(0, ::close(reader));
    EXPECT_FALSE(FolderExists(dir.file("missing").c_str()));
}

TEST(PlatformTextTest, WholeMalformedSequencesBecomeOneReplacement)
{
    // The parameter file has always been read this way; the vCard reader counts such bytes apart.
    EXPECT_EQ(u"\uFFFDa", Utf8ToUtf16("\xE0\x80\x80"
                                      "a"))
        << "overlong";
    EXPECT_EQ(u"\uFFFDa", Utf8ToUtf16("\xED\xA0\x80"
                                      "a"))
        << "surrogate";
    EXPECT_EQ(u"\uFFFDa", Utf8ToUtf16("\xF4\x90\x80\x80"
                                      "a"))
        << "beyond U+10FFFF";
    EXPECT_EQ(u"\uFFFDa", Utf8ToUtf16("\xE2\x82"
                                      "a"))
        << "cut short before a character";
}

TEST(PlatformTextTest, IsValidUtf8AcceptsOnlyStrictUtf8)
{
    const struct
    {
        const char* name;
        std::string text;
        bool valid;
    } cases[] = {
        {"empty", "", true},
        {"ascii", "abc", true},
        {"every length", "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", true},
        {"the replacement character itself", "\xEF\xBF\xBD", true},
        {"last code point", "\xF4\x8F\xBF\xBF", true},
        {"zero byte inside", std::string("a\0b", 3), true},
        {"stray continuation", "\x80", false},
        {"two-byte overlong", "\xC0\xAF", false},
        {"three-byte overlong", "\xE0\x9F\xBF", false},
        {"four-byte overlong", "\xF0\x8F\xBF\xBF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
        {"lead F5", "\xF5\x80\x80\x80", false},
        {"cut short at the end", "a\xE2\x82", false},
        {"cut short before ascii", "\xE2\x82z", false},
        {"Latin-1", "M\xFCller", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.valid, IsValidUtf8(c.text));
    }
}

TEST(PlatformTextTest, AppendUtf8EncodesEveryLength)
{
    std::string text = "x";
    for (const char32_t cp : {U'a', U'\u00FC', U'\u20AC', U'\U0001F600'})
        AppendUtf8(text, cp);
    EXPECT_EQ("xa\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80", text);
}

TEST(PlatformTextTest, Utf8CutLengthNeverEndsInsideACharacter)
{
    const std::string mixed = "a\xC3\xBC\xE2\x82\xAC"; // a, ü (2 bytes), € (3 bytes)
    const struct
    {
        std::string text;
        size_t maxBytes;
        size_t expected;
    } cases[] = {
        {mixed, 100, 6},
        {mixed, 6, 6},
        {mixed, 5, 3},
        {mixed, 4, 3},
        {mixed, 3, 3},
        {mixed, 2, 1},
        {mixed, 1, 1},
        {mixed, 0, 0},
        {"", 0, 0},
        {"abc", 2, 2},
        // Continuation bytes with no lead: the cut steps back over all of them.
        {"\x80\x80\x80", 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text.size() << " bytes, at most " << c.maxBytes);
        EXPECT_EQ(c.expected, Utf8CutLength(c.text, c.maxBytes));
    }
}

TEST(PlatformFilesTest, BothWaysOfMovingRefuseATakenTarget)
{
    struct Way
    {
        const char* name;
        int (*move)(const char*, const char*);
    };
    for (const Way way : {Way{"rename", RenameNoReplace}, Way{"link", MoveByLink}}) {
        SCOPED_TRACE(way.name);
        TempDir dir;
        const auto path = [&dir](const char* name) { return dir.file(name); };
        TempDir::WriteFile(path("source"), "source");
        TempDir::WriteFile(path("taken"), "taken");
        std::filesystem::create_symlink(path("nowhere"), path("dangling"));
        for (const char* target : {"taken", "dangling"}) {
            EXPECT_EQ(EEXIST, way.move(path("source").c_str(), path(target).c_str())) << target;
            EXPECT_EQ("source", TempDir::ReadFile(path("source")));
        }
        EXPECT_EQ("taken", TempDir::ReadFile(path("taken")));
        EXPECT_TRUE(std::filesystem::is_symlink(path("dangling")));
        EXPECT_EQ(0, way.move(path("source").c_str(), path("free").c_str()));
        EXPECT_FALSE(std::filesystem::exists(path("source")));
        EXPECT_EQ("source", TempDir::ReadFile(path("free")));
        EXPECT_EQ(ENOENT, way.move(path("source").c_str(), path("again").c_str()));
        EXPECT_FALSE(std::filesystem::exists(path("again")));
    }
}

TEST(PlatformFilesTest, RenameNoReplaceMovesALinkItselfNotItsTarget)
{
    TempDir dir;
    TempDir::WriteFile(dir.file("target"), "target");
    std::filesystem::create_symlink(dir.file("target"), dir.file("link"));
    EXPECT_EQ(0, RenameNoReplace(dir.file("link").c_str(), dir.file("moved").c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("moved")));
    EXPECT_EQ("target", TempDir::ReadFile(dir.file("target")));
}

namespace {

std::tm Civil(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return tm;
}

// Central European time without the zone database: the rules are in the TZ text itself.
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

} // namespace

TEST(PlatformTimeTest, UtcToTimeIgnoresTheLocalZone)
{
    const ScopedTz tz(kCentralEurope);
    const struct
    {
        const char* name;
        std::tm utc;
        std::time_t expected;
    } cases[] = {
        {"epoch", Civil(1970, 1, 1, 0, 0, 0), 0},
        {"the second before the epoch", Civil(1969, 12, 31, 23, 59, 59), -1},
        {"leap day", Civil(2024, 2, 29, 12, 0, 0), 1709208000},
        {"an hour that does not exist locally", Civil(2024, 3, 31, 2, 30, 0), 1711852200},
        {"a day out of range carries over", Civil(2024, 1, 32, 0, 0, 0), 1706745600},
        {"before 1900", Civil(1899, 12, 30, 0, 0, 0), -2209161600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::time_t t = 12345;
        ASSERT_TRUE(UtcToTime(c.utc, &t));
        EXPECT_EQ(c.expected, t);
        std::tm summer = c.utc;
        summer.tm_isdst = 1;
        ASSERT_TRUE(UtcToTime(summer, &t));
        EXPECT_EQ(c.expected, t) << "tm_isdst is no part of a UTC time";
    }
}

TEST(PlatformTimeTest, LocalTimeOfFollowsDaylightSavingAcrossBothBoundaries)
{
    const ScopedTz tz(kCentralEurope);
    const struct
    {
        const char* name;
        std::time_t time;
        std::tm local;
        int isdst;
    } cases[] = {
        {"epoch", 0, Civil(1970, 1, 1, 1, 0, 0), 0},
        {"last second of winter time", 1711846799, Civil(2024, 3, 31, 1, 59, 59), 0},
        {"first second of summer time", 1711846800, Civil(2024, 3, 31, 3, 0, 0), 1},
        {"last second of summer time", 1729990799, Civil(2024, 10, 27, 2, 59, 59), 1},
        {"first second of winter time again", 1729990800, Civil(2024, 10, 27, 2, 0, 0), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::tm local{};
        ASSERT_TRUE(LocalTimeOf(c.time, &local));
        EXPECT_EQ(c.local.tm_year, local.tm_year);
        EXPECT_EQ(c.local.tm_mon, local.tm_mon);
        EXPECT_EQ(c.local.tm_mday, local.tm_mday);
        EXPECT_EQ(c.local.tm_hour, local.tm_hour);
        EXPECT_EQ(c.local.tm_min, local.tm_min);
        EXPECT_EQ(c.local.tm_sec, local.tm_sec);
        EXPECT_EQ(c.isdst, local.tm_isdst);
    }
}

TEST(PlatformTimeTest, LocalTimeOfRefusesAnInstantWhoseYearDoesNotFit)
{
    const ScopedTz tz("UTC0");
    std::tm local{};
    EXPECT_FALSE(LocalTimeOf(std::numeric_limits<std::time_t>::max(), &local));
}

// The unlocked reads take turns with the stream's own calls: same position, same end of file.
TEST(PlatformFilesTest, ReadStreamSharesTheStreamsPositionAndEnd)
{
    TempDir dir;
    const std::string path = dir.file("bytes");
    TempDir::WriteFile(path, "abcdef");
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, f);
    char buffer[8] = {};
    EXPECT_EQ(2u, platform::ReadStream(f, buffer, 2));
    EXPECT_EQ(std::string("ab"), std::string(buffer, 2));
    EXPECT_EQ('c', platform::ReadStreamChar(f));
    ASSERT_NE(EOF, std::ungetc('c', f));
    EXPECT_EQ(2, std::ftell(f)) << "the pushed-back byte is read again";
    EXPECT_EQ(4u, platform::ReadStream(f, buffer, sizeof buffer)) << "cut short by the end";
    EXPECT_EQ(std::string("cdef"), std::string(buffer, 4));
    EXPECT_EQ(EOF, platform::ReadStreamChar(f));
    EXPECT_NE(0, std::feof(f));
    std::fclose(f);
}

TEST(PlatformFilesTest, RestrictToOwnerTightensRegularFilesOnly)
{
    TempDir dir;
    const std::string file = dir.file("settings.ini");
    TempDir::WriteFile(file, "[x]\n");
    ASSERT_EQ(0, ::chmod(file.c_str(), 0664));
    EXPECT_TRUE(platform::RestrictToOwner(file.c_str()));
    struct stat st
    {};
    ASSERT_EQ(0, ::stat(file.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u);

    // A link planted under the name is not followed to its target.
    const std::string target = dir.file("target");
    TempDir::WriteFile(target, "");
    ASSERT_EQ(0, ::chmod(target.c_str(), 0644));
    std::filesystem::create_symlink(target, dir.file("link"));
    EXPECT_FALSE(platform::RestrictToOwner(dir.file("link").c_str()));
    ASSERT_EQ(0, ::stat(target.c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 0777u);

    EXPECT_FALSE(platform::RestrictToOwner(dir.file("missing").c_str()));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_FALSE(platform::RestrictToOwner(dir.path().c_str())) << "a folder";
}

TEST(PlatformFilesTest, CreateNewFileTakesOnlyAFreeName)
{
    TempDir dir;
    const FileTime time{1700000000, 123456789};
    const std::string path = dir.file("new.vcf");
    ASSERT_EQ(0, CreateNewFile(path.c_str(), "whole", 0640, time));
    EXPECT_EQ("whole", TempDir::ReadFile(path));
    struct stat info
    {};
    ASSERT_EQ(0, ::stat(path.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);
    EXPECT_EQ(time.seconds, info.st_mtim.tv_sec);
    EXPECT_EQ(time.nanoseconds, info.st_mtim.tv_nsec);

    // A file, and a dangling link, stand where they stand: neither is written nor written through.
    EXPECT_EQ(EEXIST, CreateNewFile(path.c_str(), "other", 0600, time));
    EXPECT_EQ("whole", TempDir::ReadFile(path));
    const std::string dangling = dir.file("dangling.vcf");
    ASSERT_EQ(0, ::symlink(dir.file("target").c_str(), dangling.c_str()));
    EXPECT_EQ(EEXIST, CreateNewFile(dangling.c_str(), "other", 0600, time));
    EXPECT_FALSE(std::filesystem::exists(dir.file("target")));
    EXPECT_EQ(ENOENT, CreateNewFile(dir.file("missing/new.vcf").c_str(), "x", 0600, time));
}

TEST(PlatformFilesTest, ReplaceRegularFileNeverWritesThroughALink)
{
    TempDir dir;
    const std::string path = dir.file("export.vcf");
    TempDir::WriteFile(path, "old");
    ::chmod(path.c_str(), 0640);
    int asked = 0;
    EXPECT_EQ(0, ReplaceRegularFile(path.c_str(), "new", [&] { return ++asked > 0; }));
    EXPECT_EQ(1, asked);
    EXPECT_EQ("new", TempDir::ReadFile(path));
    struct stat info
    {};
    ASSERT_EQ(0, ::stat(path.c_str(), &info));
    EXPECT_EQ(0640u, info.st_mode & 07777);

    // Refused without a change: the check before the rename says no, a link, a folder, nothing there.
    EXPECT_EQ(ECANCELED, ReplaceRegularFile(path.c_str(), "newer", [] { return false; }));
    EXPECT_EQ("new", TempDir::ReadFile(path));
    const std::string link = dir.file("link.vcf");
    ASSERT_EQ(0, ::symlink(path.c_str(), link.c_str()));
    EXPECT_EQ(ELOOP, ReplaceRegularFile(link.c_str(), "through", {}));
    EXPECT_EQ("new", TempDir::ReadFile(path));
    EXPECT_EQ(EINVAL, ReplaceRegularFile(dir.path().c_str(), "x", {}));
    EXPECT_EQ(ENOENT, ReplaceRegularFile(dir.file("missing.vcf").c_str(), "x", {}));
    // No temporary file is left beside it, whatever happened.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"export.vcf", "link.vcf"}), names);
}
