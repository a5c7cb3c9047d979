#include "common/misc/CxFile.h"

#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class CxFileTest : public ::testing::Test
{
protected:
    // Opens a file holding exactly the given bytes for reading.
    void OpenWith(const std::string& bytes)
    {
        TempDir::WriteFile(m_path, bytes);
        ASSERT_TRUE(m_file.Open(m_path.c_str(), "rb"));
    }

    TempDir m_dir;
    std::string m_path = m_dir.file("data.dat");
    CxFile m_file;
};

} // namespace

TEST_F(CxFileTest, WritesExactByteImages)
{
    struct Case
    {
        const char* name;
        std::function<bool(CxFile&)> write;
        std::string bytes;
    };
    const Case cases[] = {
        {"int 1", [](CxFile& f) { return f.WriteInt(1); }, std::string("\x01\x00\x00\x00", 4)},
        {"int -2", [](CxFile& f) { return f.WriteInt(-2); }, "\xfe\xff\xff\xff"},
        {"int 0x12345678", [](CxFile& f) { return f.WriteInt(0x12345678); }, "\x78\x56\x34\x12"},
        {"bool true", [](CxFile& f) { return f.WriteBool(true); }, std::string("\x01\x00\x00\x00", 4)},
        {"bool false", [](CxFile& f) { return f.WriteBool(false); }, std::string(4, '\0')},
        {"double 1.0", [](CxFile& f) { return f.WriteDouble(1.0); }, std::string("\0\0\0\0\0\0\xf0\x3f", 8)},
        {"string abc", [](CxFile& f) { return f.WriteString("abc"); },
         std::string("\x03\x00\x00\x00"
                     "abc",
                     7)},
        {"string empty", [](CxFile& f) { return f.WriteString(""); }, std::string(4, '\0')},
        {"string null", [](CxFile& f) { return f.WriteString(nullptr); }, std::string(4, '\0')},
        {"line x", [](CxFile& f) { return f.WriteLine("x"); }, "x\r\n"},
        {"line null", [](CxFile& f) { return f.WriteLine(nullptr); }, "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_file.Open(m_path.c_str(), "wb"));
        EXPECT_TRUE(c.write(m_file));
        EXPECT_TRUE(m_file.Close());
        EXPECT_EQ(c.bytes, TempDir::ReadFile(m_path));
    }
}

TEST_F(CxFileTest, ReadsBackWhatWasWritten)
{
    ASSERT_TRUE(m_file.Open(m_path.c_str(), "wb"));
    EXPECT_TRUE(m_file.WriteInt(-123456));
    EXPECT_TRUE(m_file.WriteString("Jane Doe"));
    EXPECT_TRUE(m_file.WriteDouble(45291.75));
    EXPECT_TRUE(m_file.WriteString(nullptr));
    EXPECT_TRUE(m_file.WriteBool(true));
    m_file.Close();
    EXPECT_EQ(Int32(-123456) + Text("Jane Doe") + Double(45291.75) + Int32(0) + Int32(1), TempDir::ReadFile(m_path));

    ASSERT_TRUE(m_file.Open(m_path.c_str(), "rb"));
    int32_t number = 0;
    char name[32] = "";
    double when = 0;
    char empty[8] = "keep";
    int emptyLength = -1;
    uint32_t flag = 0;
    EXPECT_TRUE(m_file.ReadInt(&number));
    EXPECT_TRUE(m_file.ReadString(name));
    EXPECT_TRUE(m_file.ReadDouble(&when));
    EXPECT_TRUE(m_file.ReadString(empty, &emptyLength));
    EXPECT_TRUE(m_file.ReadInt(&flag));
    EXPECT_EQ(-123456, number);
    EXPECT_STREQ("Jane Doe", name);
    EXPECT_EQ(45291.75, when);
    EXPECT_STREQ("keep", empty) << "a stored length of 0 leaves the buffer alone";
    EXPECT_EQ(0, emptyLength);
    EXPECT_EQ(1u, flag);
    EXPECT_FALSE(m_file.Eof()) << "reading exactly up to the end is not a cut record";
}

TEST_F(CxFileTest, AppendModeKeepsEarlierContent)
{
    TempDir::WriteFile(m_path, "ab");
    ASSERT_TRUE(m_file.Open(m_path.c_str(), "ab"));
    EXPECT_TRUE(m_file.WriteLine("cd"));
    m_file.Close();
    EXPECT_EQ("abcd\r\n", TempDir::ReadFile(m_path));
}

TEST_F(CxFileTest, ValuesCutByTheEndOfTheFileLeaveTargetsUntouched)
{
    enum class Kind { Int, Double, String };
    struct Case
    {
        const char* name;
        Kind kind;
        std::string bytes;
    };
    const Case cases[] = {
        {"int, empty file", Kind::Int, ""},
        {"int, 3 of 4 bytes", Kind::Int, "\x01\x02\x03"},
        {"double, empty file", Kind::Double, ""},
        {"double, 7 of 8 bytes", Kind::Double, "1234567"},
        {"string, empty file", Kind::String, ""},
        {"string, 2 of 4 length bytes", Kind::String, std::string("\x05\x00", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t number = 99;
        double value = 2.5;
        char text[8] = "keep";
        int length = -1;
        OpenWith(c.bytes);
        switch (c.kind) {
        case Kind::Int:
            EXPECT_TRUE(m_file.ReadInt(&number));
            break;
        case Kind::Double:
            EXPECT_TRUE(m_file.ReadDouble(&value));
            break;
        case Kind::String:
            EXPECT_TRUE(m_file.ReadString(text, &length));
            EXPECT_EQ(0, length) << "a length that cannot be read counts as 0";
            break;
        }
        EXPECT_EQ(99, number);
        EXPECT_EQ(2.5, value);
        EXPECT_STREQ("keep", text);
        EXPECT_TRUE(m_file.Eof());
    }
}

TEST_F(CxFileTest, ReadStringRespectsTheCapacityAndKeepsTheNextField)
{
    struct Case
    {
        size_t capacity;
        const char* expected;
    };
    const Case cases[] = {{1, ""}, {4, "012"}, {10, "012345678"}, {11, "0123456789"}, {64, "0123456789"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        OpenWith(Text("0123456789") + Int32(77) + Text("next"));
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        int length = 0;
        EXPECT_TRUE(m_file.ReadString(buffer, c.capacity, &length));
        EXPECT_STREQ(c.expected, buffer);
        EXPECT_EQ(10, length) << "the stored length is reported, not the kept one";
        for (size_t i = c.capacity; i < sizeof buffer; ++i)
            ASSERT_EQ('#', buffer[i]) << "byte " << i << " lies past the capacity";

        int32_t number = 0;
        char next[8] = "";
        EXPECT_TRUE(m_file.ReadInt(&number));
        EXPECT_TRUE(m_file.ReadString(next));
        EXPECT_EQ(77, number);
        EXPECT_STREQ("next", next);
        EXPECT_FALSE(m_file.Eof());
    }
}

TEST_F(CxFileTest, ReadStringOfATextRunningOffTheFile)
{
    struct Case
    {
        size_t capacity;
        const char* expected;
    };
    // The file claims 100 bytes but holds 3: what is there is kept and the record is marked cut.
    const Case cases[] = {{64, "abc"}, {200, "abc"}, {3, "ab"}, {1, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        OpenWith(Int32(100) + "abc");
        char buffer[256];
        std::memset(buffer, '#', sizeof buffer);
        int length = 0;
        EXPECT_TRUE(m_file.ReadString(buffer, c.capacity, &length));
        EXPECT_STREQ(c.expected, buffer);
        EXPECT_EQ(100, length);
        EXPECT_TRUE(m_file.Eof());
        int32_t number = 5;
        EXPECT_TRUE(m_file.ReadInt(&number));
        EXPECT_EQ(5, number);
    }
}

TEST_F(CxFileTest, ReadStringOfAHugeLengthDoesNotWalkAway)
{
    OpenWith(Int32(INT32_MAX) + "xyz");
    char buffer[4] = "";
    EXPECT_TRUE(m_file.ReadString(buffer));
    EXPECT_STREQ("xyz", buffer);
    EXPECT_TRUE(m_file.Eof());
}

TEST_F(CxFileTest, ReadStringOfANegativeLengthLeavesTheBufferAlone)
{
    OpenWith(Int32(-5) + Text("ok"));
    char buffer[8] = "keep";
    int length = 0;
    EXPECT_TRUE(m_file.ReadString(buffer, &length));
    EXPECT_STREQ("keep", buffer);
    EXPECT_EQ(-5, length);
    EXPECT_TRUE(m_file.ReadString(buffer, &length));
    EXPECT_STREQ("ok", buffer);
    EXPECT_EQ(2, length);
}

TEST_F(CxFileTest, BadTargetsAreRefusedWithoutConsumingTheField)
{
    OpenWith(Text("abc") + Int32(9));
    EXPECT_FALSE(m_file.ReadString(nullptr, 8));
    char buffer[8] = "keep";
    EXPECT_FALSE(m_file.ReadString(buffer, 0));
    EXPECT_STREQ("keep", buffer);
    EXPECT_FALSE(m_file.ReadInt(static_cast<int32_t*>(nullptr)));
    EXPECT_FALSE(m_file.ReadDouble(static_cast<double*>(nullptr)));
    EXPECT_TRUE(m_file.ReadString(buffer));
    EXPECT_STREQ("abc", buffer);
}

TEST_F(CxFileTest, OverwriteIntReplacesOnlyBytesWrittenBefore)
{
    ASSERT_TRUE(m_file.Open(m_path.c_str(), "wb"));
    ASSERT_TRUE(m_file.WriteInt(0));
    ASSERT_TRUE(m_file.WriteString("abc"));
    EXPECT_FALSE(m_file.OverwriteInt(-1, 5));
    EXPECT_FALSE(m_file.OverwriteInt(8, 5)); // would run past the 11 bytes written
    EXPECT_TRUE(m_file.OverwriteInt(0, 2));
    EXPECT_TRUE(m_file.OverwriteInt(7, 0x01020304)); // the last four bytes exactly
    // Writing goes on at the end, not after the overwritten bytes.
    EXPECT_TRUE(m_file.WriteInt(9));
    EXPECT_TRUE(m_file.CloseFlushed());
    EXPECT_EQ(Int32(2) + std::string("\x03\x00\x00", 3) + Int32(0x01020304) + Int32(9), TempDir::ReadFile(m_path));
}

TEST_F(CxFileTest, OperationsWithoutAnOpenFileFailAndTouchNothing)
{
    CxFile opened;
    TempDir::WriteFile(m_path, Int32(1) + Text("abc"));
    ASSERT_TRUE(opened.Open(m_path.c_str(), "rb"));
    ASSERT_TRUE(opened.Close());
    CxFile never;
    for (CxFile* file : {&never, &opened}) {
        SCOPED_TRACE(file == &never ? "never opened" : "closed");
        int32_t number = 7;
        double value = 1.5;
        char text[8] = "keep";
        int length = 42;
        EXPECT_FALSE(file->IsOpen());
        EXPECT_FALSE(file->ReadInt(&number));
        EXPECT_FALSE(file->ReadDouble(&value));
        EXPECT_FALSE(file->ReadString(text, &length));
        EXPECT_EQ(7, number);
        EXPECT_EQ(1.5, value);
        EXPECT_STREQ("keep", text);
        EXPECT_EQ(42, length);
        EXPECT_FALSE(file->WriteInt(1));
        EXPECT_FALSE(file->WriteBool(true));
        EXPECT_FALSE(file->WriteDouble(1.0));
        EXPECT_FALSE(file->WriteString("abc"));
        EXPECT_FALSE(file->WriteString(nullptr));
        EXPECT_FALSE(file->WriteLine("abc"));
        EXPECT_FALSE(file->OverwriteInt(0, 1));
        EXPECT_FALSE(file->Eof());
        EXPECT_TRUE(file->Close());
    }
    EXPECT_EQ(Int32(1) + Text("abc"), TempDir::ReadFile(m_path));
}

TEST_F(CxFileTest, OpenRefusesBadArguments)
{
    TempDir::WriteFile(m_path, "x");
    struct Case
    {
        const char* name;
        const char* path;
        const char* mode;
    };
    const std::string missingFile = m_dir.file("missing.dat");
    const std::string missingFolder = m_dir.file("no-such-folder/data.dat");
    const Case cases[] = {
        {"null path", nullptr, "rb"},
        {"empty path", "", "rb"},
        {"null mode", m_path.c_str(), nullptr},
        {"empty mode", m_path.c_str(), ""},
        {"missing file", missingFile.c_str(), "rb"},
        {"missing folder", missingFolder.c_str(), "wb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CxFile file;
        EXPECT_FALSE(file.Open(c.path, c.mode));
        EXPECT_FALSE(file.IsOpen());
    }
}

TEST_F(CxFileTest, ReopeningStartsAfresh)
{
    OpenWith("ab");
    int32_t number = 0;
    m_file.ReadInt(&number);
    ASSERT_TRUE(m_file.Eof());
    ASSERT_TRUE(m_file.Close());
    TempDir::WriteFile(m_path, Int32(3));
    ASSERT_TRUE(m_file.Open(m_path.c_str(), "rb"));
    EXPECT_FALSE(m_file.Eof());
    EXPECT_TRUE(m_file.ReadInt(&number));
    EXPECT_EQ(3, number);
}

TEST_F(CxFileTest, WritesReportADeviceThatRefusesBytes)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    ASSERT_TRUE(m_file.Open("/dev/full", "wb"));
    // The stream buffers, so the refusal shows once the buffer has to be written out.
    bool refused = false;
    const std::string text(100, 'x');
    for (int i = 0; i < 1000 && !refused; ++i)
        refused = !m_file.WriteString(text.c_str());
    EXPECT_TRUE(refused);
}

TEST_F(CxFileTest, GetFileSize)
{
    TempDir::WriteFile(m_dir.file("empty"), "");
    TempDir::WriteFile(m_dir.file("seven"), "1234567");
    struct Case
    {
        const char* name;
        std::string path;
        bool null;
        int32_t size;
    };
    const Case cases[] = {
        {"null", "", true, -1},
        {"empty path", "", false, -1},
        {"missing", m_dir.file("missing"), false, -1},
        {"folder", m_dir.path(), false, -1},
        {"empty file", m_dir.file("empty"), false, 0},
        {"seven bytes", m_dir.file("seven"), false, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.size, CxFile::GetFileSize(c.null ? nullptr : c.path.c_str()));
    }
}

TEST_F(CxFileTest, OpenPrivateWritesAFileForItsOwnerOnly)
{
    const auto modeOf = [this] {
        struct stat info
        {};
        return ::stat(m_path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "existing 0644 file" : "new file");
        std::filesystem::remove(m_path);
        if (existing) {
            TempDir::WriteFile(m_path, "older and longer content");
            ASSERT_EQ(0, ::chmod(m_path.c_str(), 0644));
        }
        ASSERT_TRUE(m_file.OpenPrivate(m_path.c_str()));
        EXPECT_TRUE(m_file.IsOpen());
        EXPECT_TRUE(m_file.WriteString("abc"));
        EXPECT_TRUE(m_file.CloseFlushed());
        EXPECT_FALSE(m_file.IsOpen());
        EXPECT_EQ(Text("abc"), TempDir::ReadFile(m_path));
        EXPECT_EQ(0600u, modeOf());
    }

    const std::string missingFolder = m_dir.file("no-such-folder/data.dat");
    for (const char* path : {static_cast<const char*>(nullptr), "", missingFolder.c_str(), m_dir.path().c_str()}) {
        SCOPED_TRACE(path ? path : "null");
        CxFile file;
        EXPECT_FALSE(file.OpenPrivate(path));
        EXPECT_FALSE(file.IsOpen());
    }
}

TEST_F(CxFileTest, CloseFlushedReportsBytesThatNeverArrived)
{
    EXPECT_FALSE(m_file.CloseFlushed()) << "nothing open";

    ASSERT_TRUE(m_file.Open(m_path.c_str(), "wb"));
    EXPECT_TRUE(m_file.WriteInt(5));
    EXPECT_TRUE(m_file.CloseFlushed());
    EXPECT_EQ(Int32(5), TempDir::ReadFile(m_path));

    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    // Four bytes sit in the stream's buffer; the device refuses them only when they are flushed.
    ASSERT_TRUE(m_file.Open("/dev/full", "wb"));
    EXPECT_TRUE(m_file.WriteInt(5));
    EXPECT_FALSE(m_file.CloseFlushed());
    EXPECT_FALSE(m_file.IsOpen());
}

TEST_F(CxFileTest, FieldsOnEitherSideOfTheReadBufferKeepTheirPlace)
{
    // Fields come out of a buffer of 64 KB; a text ending just short of it, on it, just past it or
    // far past it (read around the buffer), kept whole or cut and the rest skipped, must leave the
    // next fields where they are.
    constexpr size_t kBuffer = 64 * 1024;
    struct Case
    {
        size_t length;
        size_t capacity;
    };
    const Case cases[] = {
        {kBuffer - 12, kBuffer}, {kBuffer - 8, kBuffer}, {kBuffer - 5, kBuffer},         {kBuffer, kBuffer + 1},
        {kBuffer + 3, 16},       {kBuffer - 8, 16},      {3 * kBuffer + 7, 4 * kBuffer}, {3 * kBuffer + 7, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " bytes into " << c.capacity);
        std::string text(c.length, 'x');
        for (size_t i = 0; i < text.size(); i += 997)
            text[i] = static_cast<char>('a' + i % 26);
        OpenWith(Text(text) + Int32(-42) + Double(2.5) + Text("after"));
        std::vector<char> buffer(c.capacity, '#');
        int length = 0;
        ASSERT_TRUE(m_file.ReadString(buffer.data(), buffer.size(), &length));
        EXPECT_EQ(static_cast<int>(c.length), length);
        const size_t kept = std::min(c.length, c.capacity - 1);
        EXPECT_EQ(text.substr(0, kept), std::string(buffer.data()));
        int32_t number = 0;
        double value = 0;
        char after[8] = "";
        EXPECT_TRUE(m_file.ReadInt(&number));
        EXPECT_TRUE(m_file.ReadDouble(&value));
        EXPECT_FALSE(m_file.AtEnd());
        EXPECT_TRUE(m_file.ReadString(after));
        EXPECT_EQ(-42, number);
        EXPECT_EQ(2.5, value);
        EXPECT_STREQ("after", after);
        EXPECT_TRUE(m_file.AtEnd());
        EXPECT_FALSE(m_file.Eof());
        m_file.Close();
    }
}

TEST_F(CxFileTest, AValueCutAcrossTheReadBufferIsSeenAsCut)
{
    // The last value of the file starts within the first buffer and is missing bytes at the end.
    const std::string text(64 * 1024 - 6, 'y');
    OpenWith(Text(text) + std::string(5, '\x01'));
    std::vector<char> buffer(text.size() + 1);
    ASSERT_TRUE(m_file.ReadString(buffer.data(), buffer.size()));
    double value = 7;
    EXPECT_TRUE(m_file.ReadDouble(&value));
    EXPECT_EQ(7, value) << "a value cut short leaves its target alone";
    EXPECT_TRUE(m_file.Eof());
    EXPECT_TRUE(m_file.AtEnd());
}
