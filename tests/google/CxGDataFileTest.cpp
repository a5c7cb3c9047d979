#include "common/google/records/CxGDataFile.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestRecord.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

struct ReadResult
{
    uint32_t count = 0;
    std::vector<TestRecord> records;
};

ReadResult ReadAll(const std::string& path)
{
    ReadResult result;
    CxFile file;
    EXPECT_TRUE(file.Open(path.c_str(), "rb"));
    result.count = ReadRecordCount(file);
    ReadDataRecords<TestRecord>(file, result.count, ReadTestRecord,
                                [&](TestRecord* r) { result.records.push_back(*r); });
    return result;
}

bool WriteAll(const std::string& path, CxList& list)
{
    CxFile file;
    return file.Open(path.c_str(), "wb") && WriteDataRecords<TestRecord>(file, list, WriteTestRecord);
}

TestRecord Zero()
{
    TestRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}

void ExpectSame(const TestRecord& expected, const TestRecord& actual)
{
    EXPECT_EQ(expected.nItemId, actual.nItemId);
    EXPECT_EQ(expected.ActionCode, actual.ActionCode);
    EXPECT_EQ(expected.nEtag, actual.nEtag);
    EXPECT_STREQ(expected.szName, actual.szName);
    EXPECT_EQ(expected.dtModified, actual.dtModified);
    EXPECT_STREQ(expected.szNote, actual.szNote);
    EXPECT_EQ(expected.nAfter, actual.nAfter);
}

class CxGDataFileTest : public ::testing::Test
{
protected:
    TempDir dir;
    std::string path = dir.file("GTest.dat");
};

} // namespace

TEST_F(CxGDataFileTest, WritesCountAndRecordsInTheFieldEncodings)
{
    TestRecord a = MakeTestRecord(7, "Ann", 45000.25, "", -1);
    TestRecord b = MakeTestRecord(8, "", 0.0, "hello", 2);
    b.ActionCode = 3;
    CxList list;
    list.Add(&a);
    list.Add(&b);
    ASSERT_TRUE(WriteAll(path, list));

    const std::string expected = Bytes().Int(2).Record(a).Record(b).str();
    EXPECT_EQ(expected, TempDir::ReadFile(path));
    // An empty text is its zero length alone; "hello" is 4 + 5 bytes.
    EXPECT_EQ(4u, Bytes().Text("").size());
    EXPECT_EQ(9u, Bytes().Text("hello").size());
    list.RemoveAll(false);
}

TEST_F(CxGDataFileTest, RoundTripKeepsEveryField)
{
    TestRecord a = MakeTestRecord(1, "Bob", 46000.5, "note with blanks", 11);
    a.ActionCode = 3;
    TestRecord b = MakeTestRecord(-2, "1234567", -1.5, "", INT32_MIN);
    CxList list;
    list.Add(&a);
    list.Add(&b);
    ASSERT_TRUE(WriteAll(path, list));
    list.RemoveAll(false);

    ReadResult result = ReadAll(path);
    ASSERT_EQ(2u, result.records.size());
    ExpectSame(a, result.records[0]);
    ExpectSame(b, result.records[1]);
}

TEST_F(CxGDataFileTest, EmptyListIsACountOfZero)
{
    CxList list;
    ASSERT_TRUE(WriteAll(path, list));
    EXPECT_EQ(Bytes().Int(0).str(), TempDir::ReadFile(path));
    ReadResult result = ReadAll(path);
    EXPECT_EQ(0u, result.count);
    EXPECT_TRUE(result.records.empty());
}

TEST_F(CxGDataFileTest, WriterNeverReadsPastAField)
{
    // A text that lost its terminator is written up to the end of its field, not beyond.
    TestRecord r = MakeTestRecord(1, "", 0.0, "after", 0);
    std::memset(r.szName, 'x', sizeof r.szName);
    CxList list;
    list.Add(&r);
    ASSERT_TRUE(WriteAll(path, list));
    list.RemoveAll(false);

    const std::string bytes = TempDir::ReadFile(path);
    const std::string expected =
        Bytes().Int(1).Int(1).Int(0).Int(10).Text("xxxxxxxx").Value(0.0).Text("after").Int(0).str();
    EXPECT_EQ(expected, bytes);
    // Read back into the same field, the text is cut to fit and the next fields still line up.
    ReadResult result = ReadAll(path);
    ASSERT_EQ(1u, result.records.size());
    EXPECT_STREQ("xxxxxxx", result.records[0].szName);
    EXPECT_STREQ("after", result.records[0].szNote);
}

TEST_F(CxGDataFileTest, ShortAndDamagedFilesYieldTheRecordsPresent)
{
    const TestRecord full = MakeTestRecord(5, "Cy", 44000.0, "n", 9);
    const std::string one = Bytes().Record(full).str();

    TestRecord headOnly = Zero();
    headOnly.nItemId = 6;
    headOnly.ActionCode = 1;
    headOnly.nEtag = 60;
    TestRecord cutInName = headOnly;
    CopyText(cutInName.szName, "ab");
    TestRecord cutInDate = cutInName;
    CopyText(cutInDate.szName, "abc");
    TestRecord longName = MakeTestRecord(7, "1234567", 3.5, "next", 4);
    TestRecord negative = MakeTestRecord(8, "", 2.0, "kept", 1);

    struct Case
    {
        const char* name;
        std::string bytes;
        uint32_t count;
        std::vector<TestRecord> expected;
    };
    const std::vector<Case> cases = {
        {"nothing at all", "", 0, {}},
        {"count cut short", std::string("\x02\x00", 2), 0, {}},
        {"count only", Bytes().Int(0).str(), 0, {}},
        {"count above the records, ending on a record boundary", Bytes().Int(5).str() + one + one, 5, {full, full}},
        {"second record holds its head only",
         Bytes().Int(2).str() + one + Bytes().Int(6).Int(1).Int(60).str(),
         2,
         {full, headOnly}},
        {"text runs off the end",
         Bytes().Int(3).str() + one + Bytes().Int(6).Int(1).Int(60).Int(10).str() + "ab",
         3,
         {full, cutInName}},
        {"date cut in half",
         Bytes().Int(3).Int(6).Int(1).Int(60).Text("abc").str() + std::string(4, '\0'),
         3,
         {cutInDate}},
        {"text longer than its field",
         Bytes().Int(1).Int(7).Int(0).Int(70).Text("1234567890").Value(3.5).Text("next").Int(4).str(),
         1,
         {[&] {
             TestRecord r = longName;
             r.ActionCode = 0;
             return r;
         }()}},
        {"negative text length",
         Bytes().Int(1).Int(8).Int(0).Int(80).Int(-5).Value(2.0).Text("kept").Int(1).str(),
         1,
         {negative}},
        {"huge count with one record", Bytes().Int(-1).str() + one, 0xFFFFFFFFu, {full}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::WriteFile(path, c.bytes);
        ReadResult result = ReadAll(path);
        EXPECT_EQ(c.count, result.count);
        ASSERT_EQ(c.expected.size(), result.records.size());
        for (size_t i = 0; i < c.expected.size(); ++i)
            ExpectSame(c.expected[i], result.records[i]);
    }
}

TEST_F(CxGDataFileTest, HugeTextLengthIsNeitherAllocatedNorReadPastTheFile)
{
    // A damaged length of 2 GB: the field takes what fits, the record is cut and reading stops
    // at once instead of reserving or scanning for bytes that are not there.
    TempDir::WriteFile(path, Bytes().Int(1000000).Int(1).Int(0).Int(2).Int(INT32_MAX).str() + "abcdefghij");
    const auto start = std::chrono::steady_clock::now();
    ReadResult result = ReadAll(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_EQ(1u, result.records.size());
    EXPECT_STREQ("abcdefg", result.records[0].szName);
    EXPECT_EQ(0.0, result.records[0].dtModified);
    EXPECT_STREQ("", result.records[0].szNote);
}

TEST_F(CxGDataFileTest, CopyRecordMakesAnOwnedCopy)
{
    TestRecord r = MakeTestRecord(3, "Di", 1.0, "x", 2);
    TestRecord* copy = CopyRecord(r);
    ASSERT_NE(nullptr, copy);
    ASSERT_NE(&r, copy);
    ExpectSame(r, *copy);
    std::free(copy);
}
