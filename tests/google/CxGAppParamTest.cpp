#include "common/google/CxGAppParam.h"
#include "common/platform/Platform.h"

#include "tests/support/ByteImage.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace {

std::string Repeat(const std::string& piece, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

unsigned ModeOf(const std::string& path)
{
    struct stat info
    {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

// The value handed to SetValue, in the form each type code expects.
using Value = std::variant<int32_t, double, uint8_t, std::string>;

const void* PointerTo(const Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return text->c_str();
    return std::visit([](const auto& v) -> const void* { return &v; }, value);
}

class CxGAppParamTest : public ::testing::Test
{
protected:
    // Saves the parser to the test file and returns what landed there.
    std::string SavedBytes(CxGAppParamParser& parser)
    {
        EXPECT_TRUE(parser.Save(m_path.c_str()));
        return TempDir::ReadFile(m_path);
    }

    TempDir m_dir;
    std::string m_path = m_dir.file("GAddrParam.dat");
};

} // namespace

TEST_F(CxGAppParamTest, EmptyParserWritesACountOfZero)
{
    CxGAppParamParser parser;
    EXPECT_EQ(0u, parser.GetCount());
    EXPECT_EQ(Int32(0), SavedBytes(parser));
}

TEST_F(CxGAppParamTest, EachTypeIsWrittenInItsOwnEncoding)
{
    struct Case
    {
        const char* name;
        int32_t type;
        Value value;
        std::string valueBytes;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"empty text", VT_BSTR, std::string(), Int32(0)},
        {"five-character text", VT_BSTR, std::string("hello"), Text("hello")},
        {"integer", VT_I4, int32_t{-123456}, Int32(-123456)},
        {"smallest integer", VT_I4, int32_t{INT32_MIN}, Int32(INT32_MIN)},
        {"double -2.7 truncates toward zero", VT_R8, -2.7, Int32(-2)},
        {"double 2.9 truncates toward zero", VT_R8, 2.9, Int32(2)},
        {"double -0.5", VT_R8, -0.5, Int32(0)},
        {"double just below the top", VT_R8, 2147483646.9, Int32(2147483646)},
        {"double past the top saturates", VT_R8, 1e10, Int32(INT32_MAX)},
        {"double past the bottom saturates", VT_R8, -1e10, Int32(INT32_MIN)},
        {"double at the bottom with a fraction", VT_R8, -2147483648.9, Int32(INT32_MIN)},
        {"infinity saturates", VT_R8, inf, Int32(INT32_MAX)},
        {"minus infinity saturates", VT_R8, -inf, Int32(INT32_MIN)},
        {"NaN is 0", VT_R8, nan, Int32(0)},
        {"boolean 5", VT_BOOL, uint8_t{5}, Int32(1)},
        {"boolean 255", VT_BOOL, uint8_t{255}, Int32(1)},
        {"boolean 0", VT_BOOL, uint8_t{0}, Int32(0)},
        {"unknown type keeps only key and type", 7, int32_t{42}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CxGAppParamParser parser;
        ASSERT_TRUE(parser.SetValue(1000, c.type, PointerTo(c.value)));
        EXPECT_EQ(Int32(1) + Int32(1000) + Int32(c.type) + c.valueBytes, SavedBytes(parser));
    }
}

TEST_F(CxGAppParamTest, EntriesAreWrittenInTheOrderOfFirstSetting)
{
    CxGAppParamParser parser;
    const int32_t number = 7;
    const uint8_t flag = 1;
    ASSERT_TRUE(parser.SetValue(1005, VT_BSTR, "1"));
    ASSERT_TRUE(parser.SetValue(1000, VT_I4, &number));
    ASSERT_TRUE(parser.SetValue(1016, VT_BOOL, &flag));
    ASSERT_TRUE(parser.SetValue(1005, VT_BSTR, "2"));
    EXPECT_EQ(3u, parser.GetCount());
    EXPECT_EQ(Int32(3) + Int32(1005) + Int32(VT_BSTR) + Text("2") + Int32(1000) + Int32(VT_I4) + Int32(7) +
                  Int32(1016) + Int32(VT_BOOL) + Int32(1),
              SavedBytes(parser));
}

TEST_F(CxGAppParamTest, ResettingAKeyWithTheSameTypeReplacesItsValue)
{
    struct Case
    {
        const char* name;
        int32_t type;
        Value first;
        Value second;
        std::string valueBytes;
    };
    const Case cases[] = {
        {"text", VT_BSTR, std::string("first"), std::string("2nd"), Text("2nd")},
        {"integer", VT_I4, int32_t{1}, int32_t{-9}, Int32(-9)},
        {"double", VT_R8, 1.5, 8.25, Int32(8)},
        {"boolean", VT_BOOL, uint8_t{1}, uint8_t{0}, Int32(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CxGAppParamParser parser;
        ASSERT_TRUE(parser.SetValue(1000, c.type, PointerTo(c.first)));
        ASSERT_TRUE(parser.SetValue(1001, VT_BSTR, "next"));
        ASSERT_TRUE(parser.SetValue(1000, c.type, PointerTo(c.second)));
        EXPECT_EQ(2u, parser.GetCount());
        EXPECT_EQ(Int32(2) + Int32(1000) + Int32(c.type) + c.valueBytes + Int32(1001) + Int32(VT_BSTR) + Text("next"),
                  SavedBytes(parser));
    }
}

TEST_F(CxGAppParamTest, AnotherTypeForAKeyOrANullValueIsRefused)
{
    CxGAppParamParser parser;
    ASSERT_TRUE(parser.SetValue(1000, VT_BSTR, "first"));
    const int32_t number = 3;
    const double real = 3.0;
    const uint8_t flag = 1;
    EXPECT_FALSE(parser.SetValue(1000, VT_I4, &number));
    EXPECT_FALSE(parser.SetValue(1000, VT_R8, &real));
    EXPECT_FALSE(parser.SetValue(1000, VT_BOOL, &flag));
    EXPECT_FALSE(parser.SetValue(1000, 7, &number));
    EXPECT_FALSE(parser.SetValue(1000, VT_BSTR, nullptr)) << "null, even with the stored type";
    for (int32_t type : {int32_t{VT_I4}, int32_t{VT_R8}, int32_t{VT_BSTR}, int32_t{VT_BOOL}, int32_t{7}}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(parser.SetValue(2000, type, nullptr));
    }
    EXPECT_EQ(1u, parser.GetCount());
    ASSERT_NE(nullptr, parser.FindParam(1000));
    EXPECT_EQ(VT_BSTR, parser.FindParam(1000)->nType);
    EXPECT_EQ(Int32(1) + Int32(1000) + Int32(VT_BSTR) + Text("first"), SavedBytes(parser));
}

TEST_F(CxGAppParamTest, FindParamReturnsTheEntryOfTheKeyOrNull)
{
    CxGAppParamParser parser;
    EXPECT_EQ(nullptr, parser.FindParam(1000)) << "empty parser";
    const int32_t number = 42;
    ASSERT_TRUE(parser.SetValue(1000, VT_BSTR, "a"));
    ASSERT_TRUE(parser.SetValue(1001, VT_I4, &number));
    ASSERT_TRUE(parser.SetValue(1002, VT_BSTR, "c"));

    CxGAppParam* middle = parser.FindParam(1001);
    ASSERT_NE(nullptr, middle);
    EXPECT_EQ(1001, middle->nKey);
    EXPECT_EQ(VT_I4, middle->nType);
    EXPECT_EQ(42, middle->lVal);
    ASSERT_NE(nullptr, parser.FindParam(1002));
    EXPECT_EQ(u"c", parser.FindParam(1002)->bstrVal);
    ASSERT_NE(nullptr, parser.FindParam(1000)) << "found again after the cursor moved past it";
    EXPECT_EQ(u"a", parser.FindParam(1000)->bstrVal);
    EXPECT_EQ(nullptr, parser.FindParam(1003));
    EXPECT_EQ(nullptr, parser.FindParam(0));
}

TEST_F(CxGAppParamTest, TextsAreCutAtCharacterBoundaries)
{
    const std::string emoji = "\xF0\x9F\x98\x80";                                // U+1F600: 4 bytes, 2 UTF-16 units
    const std::string twoByte = "\xC3\xA9";                                      // é
    const std::string threeByte = "\xE6\x97\xA5";                                // 日
    const std::string nonAscii = "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC " + emoji; // Zoë 日本 😀
    struct Case
    {
        const char* name;
        std::string input;
        std::string written;
        size_t heldUnits;
    };
    const Case cases[] = {
        {"non-ASCII round trip", nonAscii, nonAscii, 9},
        {"1500 ASCII characters", std::string(1500, 'a'), std::string(1023, 'a'), 1023},
        {"1023 ASCII characters fit", std::string(1023, 'a'), std::string(1023, 'a'), 1023},
        // 600 units held, 1200 bytes: byte 1023 would fall inside the 512th character.
        {"two-byte characters", Repeat(twoByte, 600), Repeat(twoByte, 511), 600},
        {"three-byte characters filling 1023 bytes", Repeat(threeByte, 341) + "a", Repeat(threeByte, 341), 342},
        // The pair would need units 1023 and 1024: it is left out whole, not split.
        {"emoji across the unit limit", std::string(1022, 'a') + emoji, std::string(1022, 'a'), 1022},
        // 1023 units are held, but its 4 bytes do not fit after 1021.
        {"emoji across the byte limit", std::string(1021, 'a') + emoji, std::string(1021, 'a'), 1023},
        {"malformed input becomes U+FFFD",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b",
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CxGAppParamParser parser;
        ASSERT_TRUE(parser.SetValue(1001, VT_BSTR, c.input.c_str()));
        ASSERT_NE(nullptr, parser.FindParam(1001));
        EXPECT_EQ(c.heldUnits, parser.FindParam(1001)->bstrVal.size());

        const std::string bytes = SavedBytes(parser);
        EXPECT_EQ(Int32(1) + Int32(1001) + Int32(VT_BSTR) + Text(c.written), bytes);
        const std::string text = bytes.size() >= 16 ? bytes.substr(16) : std::string();
        EXPECT_LE(text.size(), kMaxParamText);
        EXPECT_TRUE(platform::IsValidUtf8(text));
    }
}

TEST_F(CxGAppParamTest, PathIsKeptCutAndReplacedOnlyByANonEmptyOne)
{
    const std::string first = m_dir.file("first.dat");
    const std::string second = m_dir.file("second.dat");
    CxGAppParamParser parser(first.c_str());
    EXPECT_EQ(first, parser.GetPath());
    ASSERT_TRUE(parser.Save());
    EXPECT_EQ(Int32(0), TempDir::ReadFile(first));

    ASSERT_TRUE(parser.SetValue(1000, VT_BSTR, "x"));
    ASSERT_TRUE(parser.Save(second.c_str()));
    EXPECT_EQ(second, parser.GetPath());
    const std::string expected = Int32(1) + Int32(1000) + Int32(VT_BSTR) + Text("x");
    EXPECT_EQ(expected, TempDir::ReadFile(second));
    EXPECT_EQ(Int32(0), TempDir::ReadFile(first)) << "the first file is left alone";

    std::filesystem::remove(second);
    for (const char* keep : {"", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(keep ? "empty" : "null");
        ASSERT_TRUE(parser.Save(keep));
        EXPECT_EQ(second, parser.GetPath());
        EXPECT_EQ(expected, TempDir::ReadFile(second));
        std::filesystem::remove(second);
    }

    // Longer paths keep their first 259 characters, whichever way they come in.
    const std::string longPath = m_dir.path() + std::string(300, 'p');
    const std::string cut = longPath.substr(0, MAX_PATH - 1);
    ASSERT_LT(m_dir.path().size(), cut.size()) << "the cut must fall inside the file name";
    EXPECT_EQ(cut, CxGAppParamParser(longPath.c_str()).GetPath());
    ASSERT_TRUE(parser.Save(longPath.c_str()));
    EXPECT_EQ(cut, parser.GetPath());
    EXPECT_EQ(expected, TempDir::ReadFile(cut));
}

TEST_F(CxGAppParamTest, SaveWithoutAUsablePlaceWritesNothing)
{
    CxGAppParamParser noPath;
    EXPECT_STREQ("", noPath.GetPath());
    EXPECT_FALSE(noPath.Save());
    EXPECT_FALSE(noPath.Save(""));

    CxGAppParamParser parser;
    ASSERT_TRUE(parser.SetValue(1001, VT_BSTR, "secret"));
    const std::string folder = m_dir.file("missing");
    EXPECT_FALSE(parser.Save((folder + "/GAddrParam.dat").c_str()));
    EXPECT_FALSE(std::filesystem::exists(folder));

    // Neither a link nor anything but a plain file is written through, nor removed afterwards.
    const std::string target = m_dir.file("target");
    const std::string link = m_dir.file("link");
    const std::string fifo = m_dir.file("fifo");
    TempDir::WriteFile(target, "keep");
    std::filesystem::create_symlink(target, link);
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0644));
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK); // lets the fifo open for writing
    ASSERT_LE(0, reader);
    for (const std::string& path : {link, fifo, m_dir.path()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(parser.Save(path.c_str()));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ("keep", TempDir::ReadFile(target));
    EXPECT_EQ(0644u, ModeOf(target));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(0644u, ModeOf(fifo));
    EXPECT_EQ(0, ::close(reader));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir.path()));
}

TEST_F(CxGAppParamTest, FileIsReadableByItsOwnerOnly)
{
    // The password stands in the file; how umasks and older modes are overruled is the platform
    // test's matter, here it is enough that the parser goes through the private open.
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an older 0644 file" : "new file");
        std::filesystem::remove(m_path);
        if (existing) {
            TempDir::WriteFile(m_path, std::string(100, 'o'));
            ASSERT_EQ(0, ::chmod(m_path.c_str(), 0644));
        }
        CxGAppParamParser parser;
        ASSERT_TRUE(parser.SetValue(1001, VT_BSTR, "password"));
        EXPECT_TRUE(parser.Save(m_path.c_str()));
        EXPECT_EQ(0600u, ModeOf(m_path));
        EXPECT_EQ(Int32(1) + Int32(1001) + Int32(VT_BSTR) + Text("password"), TempDir::ReadFile(m_path))
            << "an older, longer file is cut";
    }
}

TEST_F(CxGAppParamTest, AFailedWriteLeavesNoFileBehind)
{
    CxGAppParamParser parser;
    ASSERT_TRUE(parser.SetValue(1000, VT_BSTR, std::string(1000, 'x').c_str()));
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an older file" : "new file");
        if (existing)
            TempDir::WriteFile(m_path, "older");
        bool saved = true;
        {
            FileSizeLimit limit(64);
            ASSERT_TRUE(limit.ok());
            saved = parser.Save(m_path.c_str());
        }
        EXPECT_FALSE(saved);
        EXPECT_FALSE(std::filesystem::exists(m_path));
    }
    EXPECT_TRUE(parser.Save(m_path.c_str())) << "with room again";
    EXPECT_EQ(16u + 1000u, TempDir::ReadFile(m_path).size());
}

TEST_F(CxGAppParamTest, ClearEmptiesTheParser)
{
    CxGAppParamParser parser;
    const int32_t number = 1;
    ASSERT_TRUE(parser.SetValue(1000, VT_BSTR, "a"));
    ASSERT_TRUE(parser.SetValue(1001, VT_I4, &number));
    parser.Clear();
    EXPECT_EQ(0u, parser.GetCount());
    EXPECT_EQ(nullptr, parser.FindParam(1000));
    EXPECT_EQ(Int32(0), SavedBytes(parser));

    // The key is free again, for any type.
    ASSERT_TRUE(parser.SetValue(1000, VT_I4, &number));
    EXPECT_EQ(Int32(1) + Int32(1000) + Int32(VT_I4) + Int32(1), SavedBytes(parser));
}
