// The tasks and notes utilities are one template over their records; every test here runs for both.
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"
#include "tests/google/UtilTestSupport.h"
#include "tests/support/ItemImage.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

namespace {

using Value = RecordImage::Value;

struct TaskKind
{
    using Util = CxGTaskUtil;
    using Record = GTaskRecord;
    using Common = CommTaskRecord;
    static constexpr const char* kDataFile = "GTask.dat";
    static constexpr const char* kParamFile = "GTaskParam.dat";
    static constexpr const char* kProgram = "Ombratsk.exe";
    static constexpr std::span<const LayoutRow> Layout() { return kTaskLayout; }
    static constexpr int kSubjectRow = 4;
    static constexpr int kNoteRow = 8;
    static constexpr size_t kSubjectField = 260;
    static constexpr size_t kNoteField = 10240;
    static constexpr int kLastRow = 10;
    static const std::vector<RowMember<GTaskRecord>>& Members()
    {
        static const std::vector<RowMember<GTaskRecord>> members = {
            {1, [](const GTaskRecord& r, int) { return Value(r.nHeadValue1); }},
            {2, [](const GTaskRecord& r, int) { return Value(r.ActionCode); }},
            {3, [](const GTaskRecord& r, int) { return Value(r.nHeadValue3); }},
            {4, [](const GTaskRecord& r, int) { return TextOf(r.szSubject); }},
            {5, [](const GTaskRecord& r, int) { return Value(r.dtDue); }},
            {6, [](const GTaskRecord& r, int) { return Value(r.nPriority); }},
            {7, [](const GTaskRecord& r, int) { return Value(r.nCompleted); }},
            {8, [](const GTaskRecord& r, int) { return TextOf(r.szNote); }},
            {9, [](const GTaskRecord& r, int) { return Value(r.dtCreated); }},
            {10, [](const GTaskRecord& r, int) { return Value(r.dtModified); }},
        };
        return members;
    }
};

struct NoteKind
{
    using Util = CxGNoteUtil;
    using Record = GNoteRecord;
    using Common = CommNoteRecord;
    static constexpr const char* kDataFile = "GNote.dat";
    static constexpr const char* kParamFile = "GNoteParam.dat";
    static constexpr const char* kProgram = "Ombranot.exe";
    static constexpr std::span<const LayoutRow> Layout() { return kNoteLayout; }
    static constexpr int kSubjectRow = 4;
    static constexpr int kNoteRow = 5;
    static constexpr size_t kSubjectField = 256;
    static constexpr size_t kNoteField = 10244;
    static constexpr int kLastRow = 7;
    static const std::vector<RowMember<GNoteRecord>>& Members()
    {
        static const std::vector<RowMember<GNoteRecord>> members = {
            {1, [](const GNoteRecord& r, int) { return Value(r.nHeadValue1); }},
            {2, [](const GNoteRecord& r, int) { return Value(r.ActionCode); }},
            {3, [](const GNoteRecord& r, int) { return Value(r.nHeadValue3); }},
            {4, [](const GNoteRecord& r, int) { return TextOf(r.szSubject); }},
            {5, [](const GNoteRecord& r, int) { return TextOf(r.szNote); }},
            {6, [](const GNoteRecord& r, int) { return Value(r.dtCreated); }},
            {7, [](const GNoteRecord& r, int) { return Value(r.dtModified); }},
        };
        return members;
    }
};

template <class Kind>
class CxGItemUtilTest : public HelperUtilTest
{
protected:
    using Record = typename Kind::Record;
    using Common = typename Kind::Common;

    void SetUp() override
    {
        HelperUtilTest::SetUp();
        m_util.SetWorkFolder(m_dir.path().c_str());
    }

    using HelperUtilTest::UseHelper;
    void UseHelper(const std::string& script) { UseHelper(Kind::kProgram, script); }

    static RecordImage Item(int seed) { return RecordImage::Patterned(Kind::Layout(), seed); }
    void WriteDataFile(const std::string& bytes) { TempDir::WriteFile(m_dir.file(Kind::kDataFile), bytes); }

    std::vector<Common*> CommonRecords()
    {
        std::vector<Common*> records;
        auto* mgr = m_util.GetMgr();
        for (Common* c = mgr->GetFirst(); c; c = mgr->GetNext())
            records.push_back(c);
        return records;
    }
    std::vector<Record*> Items()
    {
        std::vector<Record*> items;
        for (Common* c : CommonRecords())
            items.push_back(static_cast<Record*>(c->pAttach));
        return items;
    }
    std::string RunLine(int operation) const
    {
        return "op=" + std::to_string(operation) + " data=" + Kind::kDataFile + " cwd=" + ProgramCwd() + "\n";
    }

    typename Kind::Util m_util;
};

using Kinds = ::testing::Types<TaskKind, NoteKind>;
TYPED_TEST_SUITE(CxGItemUtilTest, Kinds);

} // namespace

TYPED_TEST(CxGItemUtilTest, StartsWithItsFilesAndNoErrorOrStatusFile)
{
    typename TypeParam::Util util;
    EXPECT_STREQ(TypeParam::kDataFile, util.m_szDataFile);
    EXPECT_STREQ(TypeParam::kParamFile, util.m_szParamFile);
    EXPECT_STREQ("", util.m_szErrorFile);
    EXPECT_STREQ("", util.m_szStatusFile);
    EXPECT_STREQ("", util.m_szOptions);
    EXPECT_EQ(platform::ProgramFolder(), util.m_szWorkFolder);
}

TYPED_TEST(CxGItemUtilTest, LoadHandsTheHelperTenEntriesInKeyOrder)
{
    this->UseHelper("");
    this->m_util.SetEmail("ann@example.com");
    this->m_util.SetPassword("secret");
    this->m_util.SetLogFolder("/logs/");
    this->m_util.SetLogLevel(2);
    this->m_util.SetDebugEnabled(true);
    CopyText(this->m_util.m_szOptions, "o1");
    EXPECT_FALSE(this->m_util.Load()) << "the helper wrote no data file";

    const std::pair<int32_t, std::string> entries[] = {
        {1000, "ann@example.com"},
        {1001, "secret"},
        {1002, TypeParam::kDataFile},
        {1003, this->m_dir.path()},
        {1005, "1"},
        {1004, "o1"},
        {1013, "/logs/"},
        {1014, "appdebug.log"},
        {1015, "2"},
        {1016, "1"},
    };
    std::string expected = Int32(10);
    for (const auto& [key, text] : entries)
        expected += Int32(key) + Int32(8) + Text(text);
    EXPECT_EQ(expected, TempDir::ReadFile(this->m_dir.file(TypeParam::kParamFile)));
    EXPECT_EQ(this->RunLine(1), this->Runs());
}

TYPED_TEST(CxGItemUtilTest, RoundTripBuiltByteByByte)
{
    std::vector<RecordImage> items = {TestFixture::Item(1), TestFixture::Item(2), TestFixture::Item(3)};
    this->WriteDataFile(DataFileImage(items));

    ASSERT_TRUE(this->m_util.LoadDataFile());
    const auto loaded = this->Items();
    ASSERT_EQ(3u, loaded.size());
    const auto common = this->CommonRecords();
    for (size_t k = 0; k < loaded.size(); ++k) {
        SCOPED_TRACE("item " + std::to_string(k));
        // Whatever the helper wrote, a loaded item carries 1.
        items[k].Set(2, 0, int32_t{1});
        ExpectFieldsMatch(items[k], *loaded[k], TypeParam::Members());
        EXPECT_EQ(common[k], loaded[k]->pCommRecord);
        EXPECT_EQ(0u, loaded[k]->dwFlags);
        EXPECT_EQ(uint32_t{SOURCE_GOOGLE}, common[k]->nSourceType);
        EXPECT_STREQ(loaded[k]->szSubject, common[k]->szSubject);
        EXPECT_EQ(0u, common[k]->nAttachSize) << "the common record only borrows its item";
    }

    // Saved, the file holds what was read; an item marked for deletion differs in its ActionCode only.
    ASSERT_TRUE(this->m_util.SaveDataFile("copy.dat"));
    EXPECT_EQ(DataFileImage(items), TempDir::ReadFile(this->m_dir.file("copy.dat")));
    loaded[1]->ActionCode = ACTION_DELETE;
    items[1].Set(2, 0, int32_t{ACTION_DELETE});
    ASSERT_TRUE(this->m_util.SaveDataFile());
    EXPECT_EQ(DataFileImage(items), TempDir::ReadFile(this->m_dir.file(TypeParam::kDataFile)));
}

TYPED_TEST(CxGItemUtilTest, OverlongTextsAreCutAndTheNextFieldIsReadFromItsPlace)
{
    RecordImage item = TestFixture::Item(1);
    item.Set(TypeParam::kSubjectRow, 0, std::string(300, 's')).Set(TypeParam::kNoteRow, 0, std::string(12000, 'n'));
    const RecordImage next = TestFixture::Item(2);
    // The second item ends inside its subject.
    this->WriteDataFile(DataFileImage({item, next}).substr(0, 4 + item.Bytes().size() + 20));

    ASSERT_TRUE(this->m_util.LoadDataFile());
    const auto loaded = this->Items();
    ASSERT_EQ(2u, loaded.size());
    EXPECT_EQ(std::string(TypeParam::kSubjectField - 1, 's'), loaded[0]->szSubject);
    EXPECT_EQ(std::string(TypeParam::kNoteField - 1, 'n'), loaded[0]->szNote);
    EXPECT_EQ(item.Get(TypeParam::kLastRow, 0), Value(loaded[0]->dtModified));
    EXPECT_EQ(2000, loaded[1]->nHeadValue1);
    EXPECT_STREQ("", loaded[1]->szNote);
}

TYPED_TEST(CxGItemUtilTest, ReadAndWriteNeedAnOpenFileAndARecord)
{
    RecordPtr<typename TypeParam::Record> rec = Zeroed<typename TypeParam::Record>();
    EXPECT_FALSE(this->m_util.ReadRecord(rec.get()));
    EXPECT_FALSE(this->m_util.WriteRecord(rec.get()));
    EXPECT_FALSE(this->m_util.ConvertToCommon(nullptr, nullptr));
    EXPECT_EQ(nullptr, this->m_util.AddRecord(nullptr));
    EXPECT_FALSE(this->m_util.LoadDataFile("missing.dat"));
    EXPECT_TRUE(this->LogHas("Failed to open file: " + this->m_dir.file("missing.dat")));
}

TYPED_TEST(CxGItemUtilTest, LoadAddsToWhatAnEarlierLoadLeft)
{
    TempDir::WriteFile(this->m_dir.file("fetched.dat"), DataFileImage({TestFixture::Item(1), TestFixture::Item(2)}));
    this->UseHelper("data fetched.dat\n");
    ASSERT_TRUE(this->m_util.Load());
    ASSERT_TRUE(this->m_util.Load());
    EXPECT_EQ(4u, this->m_util.GetMgr()->GetRecordCount());
    EXPECT_EQ(4u, this->m_util.GetRecordCount());
    EXPECT_EQ(this->RunLine(1) + this->RunLine(1), this->Runs());

    EXPECT_TRUE(this->m_util.Reset());
    EXPECT_EQ(0u, this->m_util.GetMgr()->GetRecordCount());
    EXPECT_EQ(0u, this->m_util.GetRecordCount());
}

TYPED_TEST(CxGItemUtilTest, FailedHelperNeverLeavesTheItemsOfAnEarlierRun)
{
    ForEachHelperFailure(TypeParam::kProgram, [](const TempDir& work, bool) {
        typename TypeParam::Util util;
        util.SetWorkFolder(work.path().c_str());
        TempDir::WriteFile(work.file(TypeParam::kDataFile), DataFileImage({TestFixture::Item(9)}));

        EXPECT_FALSE(util.Load());
        EXPECT_EQ(0u, util.GetMgr()->GetRecordCount());
        EXPECT_FALSE(util.m_bHasError) << "these helpers keep no error file";
        EXPECT_FALSE(platform::FileExists(work.file(TypeParam::kDataFile).c_str()));
    });
}

TYPED_TEST(CxGItemUtilTest, SaveRunsTheHelperOnlyWhenSomethingChanged)
{
    std::vector<RecordImage> items = {TestFixture::Item(1), TestFixture::Item(2)};
    TempDir::WriteFile(this->m_dir.file("fetched.dat"), DataFileImage(items));
    this->UseHelper("data fetched.dat\n");
    ASSERT_TRUE(this->m_util.Load());
    TempDir::WriteFile(this->m_dir.file("HelperScript.txt"), "");

    this->Items()[0]->ActionCode = ACTION_DELETE;
    ASSERT_TRUE(this->m_util.Save());
    items[0].Set(2, 0, int32_t{ACTION_DELETE});
    items[1].Set(2, 0, int32_t{1});
    EXPECT_EQ(DataFileImage(items), TempDir::ReadFile(this->m_dir.file(TypeParam::kDataFile)));
    EXPECT_EQ(this->RunLine(1) + this->RunLine(2), this->Runs());
    EXPECT_FALSE(this->m_util.m_bModified);

    platform::DeleteFile(this->m_dir.file(TypeParam::kDataFile).c_str());
    EXPECT_TRUE(this->m_util.Save());
    EXPECT_FALSE(this->WorkFileExists(TypeParam::kDataFile));
    EXPECT_EQ(2u, Lines(this->Runs()).size());
}

TYPED_TEST(CxGItemUtilTest, SaveThatCannotWriteTheFileKeepsItModifiedAndRunsNoHelper)
{
    this->UseHelper("");
    this->WriteDataFile(DataFileImage({TestFixture::Item(1)}));
    ASSERT_TRUE(this->m_util.LoadDataFile());
    this->m_util.SetWorkFolder(this->m_dir.file("no-such-folder/").c_str());
    this->m_util.m_bModified = true;

    EXPECT_FALSE(this->m_util.Save());
    EXPECT_TRUE(this->m_util.m_bModified);
    EXPECT_EQ("", this->Runs());
}

// The common records' cuts and values, kind by kind.
TEST(CxGTaskUtilTest, ConvertToCommonCutsTextsAndNormalisesCompleted)
{
    struct Case
    {
        const char* name;
        size_t subject, note;
        int32_t completed;
        size_t subjectKept, noteKept;
        int32_t completedKept;
    };
    const Case cases[] = {
        {"subject of 255 kept whole", 255, 10, 0, 255, 10, 0},
        {"subject of 256 loses its last character", 256, 10, 1, 255, 10, 1},
        {"completed 7 gives 1", 3, 3, 7, 3, 3, 1},
        {"completed -1 gives 1", 3, 3, -1, 3, 3, 1},
        {"note of 9000 keeps 8191", 3, 9000, 0, 3, 8191, 0},
    };
    CxGTaskUtil util;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordPtr<GTaskRecord> raw = Zeroed<GTaskRecord>();
        CopyText(raw->szSubject, std::string(c.subject, 's').c_str());
        CopyText(raw->szNote, std::string(c.note, 'n').c_str());
        raw->nCompleted = c.completed;
        raw->nPriority = 5;
        RecordPtr<CommTaskRecord> comm = Zeroed<CommTaskRecord>();
        ASSERT_TRUE(util.ConvertToCommon(raw.get(), comm.get()));
        EXPECT_EQ(std::string(c.subjectKept, 's'), comm->szSubject);
        EXPECT_EQ(std::string(c.noteKept, 'n'), comm->szNote);
        EXPECT_EQ(c.completedKept, comm->nCompleted);
        EXPECT_EQ(5, comm->nPriority);
        EXPECT_STREQ("", comm->szCategory);
        EXPECT_EQ(0, comm->nPrivate);
        EXPECT_EQ(0, comm->nAlarm);
        EXPECT_EQ(nullptr, comm->pAttach);
    }
}

TEST(CxGNoteUtilTest, ConvertToCommonKeepsOneCharacterLessThanTheFields)
{
    struct Case
    {
        size_t subject, note;
        size_t subjectKept, noteKept;
    };
    const Case cases[] = {
        {254, 10, 254, 10},
        {255, 10, 254, 10},
        {3, 10243, 3, 10243}, // the longest note the raw record holds fits the common one whole
    };
    CxGNoteUtil util;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.subject) + "/" + std::to_string(c.note));
        RecordPtr<GNoteRecord> raw = Zeroed<GNoteRecord>();
        CopyText(raw->szSubject, std::string(c.subject, 's').c_str());
        CopyText(raw->szNote, std::string(c.note, 'n').c_str());
        raw->dtCreated = 100;
        raw->dtModified = 200;
        RecordPtr<CommNoteRecord> comm = Zeroed<CommNoteRecord>();
        ASSERT_TRUE(util.ConvertToCommon(raw.get(), comm.get()));
        EXPECT_EQ(std::string(c.subjectKept, 's'), comm->szSubject);
        EXPECT_EQ(std::string(c.noteKept, 'n'), comm->szNote);
        EXPECT_EQ(0.0, comm->dtCreated) << "the keep-choice reads the note's own times";
        EXPECT_EQ(0.0, comm->dtModified);
        EXPECT_EQ(uint32_t{SOURCE_GOOGLE}, comm->nSourceType);
    }
}

TEST(CxGNoteUtilTest, LongestTextsTravelThroughTheFileToTheCommonRecord)
{
    TempDir dir;
    RecordImage note = RecordImage::Patterned(kNoteLayout, 1);
    note.Set(4, 0, std::string(255, 's')).Set(5, 0, std::string(10243, 'n'));
    TempDir::WriteFile(dir.file("GNote.dat"), DataFileImage({note}));
    CxGNoteUtil util;
    util.SetWorkFolder(dir.path().c_str());
    ASSERT_TRUE(util.LoadDataFile());
    CommNoteRecord* comm = util.GetNoteMgr()->GetFirst();
    ASSERT_NE(nullptr, comm);
    EXPECT_EQ(std::string(254, 's'), comm->szSubject);
    EXPECT_EQ(std::string(10243, 'n'), comm->szNote);
}

TEST(CxGTaskUtilTest, DueDateBecomesSecondsSince1970InLocalTime)
{
    struct Case
    {
        const char* tz;
        int year, month, day, hour, minute, second;
        int32_t expected;
    };
    const Case cases[] = {
        {"UTC0", 1970, 1, 1, 0, 0, 0, 0},
        {"UTC0", 2000, 1, 1, 12, 0, 0, 946728000},
        {"UTC0", 2038, 1, 19, 3, 14, 7, 2147483647},
        {"UTC0", 1901, 12, 13, 20, 45, 52, -2147483647 - 1},
        // Beyond 32 bits: the C library could give the value, the common field cannot hold it.
        {"UTC0", 2038, 1, 19, 3, 14, 8, -1},
        {"UTC0", 1899, 12, 30, 0, 0, 0, -1}, // a task without a due date
        // Daylight saving is the C library's call: summer is two hours ahead of UTC, winter one.
        {"CET-1CEST,M3.5.0,M10.5.0/3", 2026, 7, 1, 12, 0, 0, 1782900000},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 2026, 1, 15, 12, 0, 0, 1768474800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tz) + " " + std::to_string(c.year) + "-" + std::to_string(c.month));
        ScopedTz tz(c.tz);
        platform::SystemTime st{};
        st.wYear = static_cast<uint16_t>(c.year);
        st.wMonth = static_cast<uint16_t>(c.month);
        st.wDay = static_cast<uint16_t>(c.day);
        st.wHour = static_cast<uint16_t>(c.hour);
        st.wMinute = static_cast<uint16_t>(c.minute);
        st.wSecond = static_cast<uint16_t>(c.second);
        double due = 0;
        ASSERT_TRUE(SystemTimeToVariantTime(st, &due));
        EXPECT_EQ(c.expected, DueDateToTimeValue(due));
    }
    // Not a date-time value at all: past the year 9999.
    EXPECT_EQ(-1, DueDateToTimeValue(2958466.0 + 1));
}

TYPED_TEST(CxGItemUtilTest, TrashOperationsListRestoreAndEmptyLikeTheOtherKinds)
{
    TempDir::WriteFile(this->m_dir.file("listed.dat"), DataFileImage({TestFixture::Item(1), TestFixture::Item(2)}));
    this->UseHelper("data listed.dat\ntrash-time 2026-12-11 12:00:00\ntrash-time 2026-12-10\n");
    ASSERT_TRUE(this->m_util.Load());
    // Unlike a load, a listing replaces what was there.
    ASSERT_TRUE(this->m_util.ListTrash());
    ASSERT_EQ(2u, this->m_util.GetRecordCount());
    const auto common = this->CommonRecords();
    EXPECT_STREQ("2026-12-11 12:00:00", this->m_util.DeletedAtOf(common[0]));
    EXPECT_STREQ("2026-12-10", this->m_util.DeletedAtOf(common[1]));

    TempDir::WriteFile(this->m_dir.file("HelperScript.txt"), "refuse 2 the trash file changed since the listing\n");
    for (auto* item : this->Items())
        item->ActionCode = ACTION_DELETE;
    ASSERT_TRUE(this->m_util.Restore());
    ASSERT_TRUE(this->m_util.m_bHasSaveResults);
    EXPECT_TRUE(this->m_util.SaveResultOf(common[0])->bRestored);
    EXPECT_STREQ("the trash file changed since the listing", this->m_util.SaveResultOf(common[1])->szReason);

    TempDir::WriteFile(this->m_dir.file("HelperScript.txt"), "trash-removed 1\ntrash-size 10 1\n");
    ASSERT_TRUE(this->m_util.EmptyTrash(0));
    EXPECT_EQ(1u, this->m_util.m_trash.nRemoved);
    EXPECT_EQ(this->RunLine(1) + this->RunLine(4) + this->RunLine(3) + this->RunLine(5), this->Runs());
}
