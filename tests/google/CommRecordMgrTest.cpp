#include "common/google/CommAddrRecord.h"
#include "common/google/CommDateRecord.h"
#include "common/google/CommNoteRecord.h"
#include "common/google/CommTaskRecord.h"

#include "common/misc/TextBuf.h"

#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every kind's manager is the same template over its common record; each kind names the text the
// tests tell records apart by.
struct AddrKind
{
    using Mgr = CommAddrMgr;
    using Record = CommAddrRecord;
    static char* Name(Record& r) { return r.szFirstName; }
    static constexpr size_t kNameCapacity = sizeof(Record::szFirstName);
};

struct DateKind
{
    using Mgr = CommDateMgr;
    using Record = CommDateRecord;
    static char* Name(Record& r) { return r.szDescription; }
    static constexpr size_t kNameCapacity = sizeof(Record::szDescription);
};

struct TaskKind
{
    using Mgr = CommTaskMgr;
    using Record = CommTaskRecord;
    static char* Name(Record& r) { return r.szSubject; }
    static constexpr size_t kNameCapacity = sizeof(Record::szSubject);
};

struct NoteKind
{
    using Mgr = CommNoteMgr;
    using Record = CommNoteRecord;
    static char* Name(Record& r) { return r.szSubject; }
    static constexpr size_t kNameCapacity = sizeof(Record::szSubject);
};

template <class Kind>
class CommRecordMgrTest : public ::testing::Test
{
protected:
    using CommPtr = RecordPtr<typename Kind::Record>;

    static CommPtr NewComm(const char* name = "")
    {
        CommPtr p = Zeroed<typename Kind::Record>();
        if (p)
            CopyText(Kind::Name(*p), Kind::kNameCapacity, name);
        return p;
    }

    static std::vector<std::string> WalkNames(typename Kind::Mgr& mgr)
    {
        std::vector<std::string> names;
        for (auto* r = mgr.GetFirst(); r; r = mgr.GetNext())
            names.push_back(Kind::Name(*r));
        return names;
    }
};

using Kinds = ::testing::Types<AddrKind, DateKind, TaskKind, NoteKind>;
TYPED_TEST_SUITE(CommRecordMgrTest, Kinds);

} // namespace

TYPED_TEST(CommRecordMgrTest, EmptyManagerAndNullArguments)
{
    using Mgr = typename TypeParam::Mgr;
    Mgr mgr;
    EXPECT_EQ(0u, mgr.GetRecordCount());
    EXPECT_EQ(nullptr, mgr.GetFirst());
    EXPECT_EQ(nullptr, mgr.GetNext());
    EXPECT_EQ(nullptr, mgr.AddCopy(nullptr));
    EXPECT_FALSE(mgr.RemoveRecord(nullptr));
    EXPECT_FALSE(mgr.SetCurrent(nullptr));
    EXPECT_EQ(0u, mgr.GetRecordCount());
    mgr.RemoveAllRecords();
    EXPECT_EQ(nullptr, mgr.GetFirst());
}

TYPED_TEST(CommRecordMgrTest, AddCopyCopiesEveryMemberIntoANewRecord)
{
    using Mgr = typename TypeParam::Mgr;
    using Record = typename TypeParam::Record;
    typename TestFixture::CommPtr src = TestFixture::NewComm("Ann");
    ASSERT_TRUE(src);
    CopyText(src->szNote, std::string(sizeof src->szNote - 1, 'n').c_str());
    src->nSourceType = SOURCE_GOOGLE;
    int borrowed = 0;
    src->pAttach = &borrowed;

    Mgr mgr;
    Record* copy = mgr.AddCopy(src.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(src.get(), copy);
    EXPECT_EQ(0, std::memcmp(src.get(), copy, sizeof(Record)));
    EXPECT_EQ(1u, mgr.GetRecordCount());
    EXPECT_EQ(copy, mgr.GetFirst());

    CopyText(TypeParam::Name(*src), TypeParam::kNameCapacity, "Bob");
    EXPECT_STREQ("Ann", TypeParam::Name(*copy));
}

// The attachment lives on the stack: releasing it with the copy would be a bad free under ASan.
TYPED_TEST(CommRecordMgrTest, BorrowedAttachmentIsSharedAndOutlivesTheCopy)
{
    using Mgr = typename TypeParam::Mgr;
    using Record = typename TypeParam::Record;
    char attachment[64];
    CopyText(attachment, "contact");
    typename TestFixture::CommPtr src = TestFixture::NewComm("Ann");
    ASSERT_TRUE(src);
    src->pAttach = attachment;
    {
        Mgr mgr;
        Record* removed = mgr.AddCopy(src.get());
        ASSERT_NE(nullptr, removed);
        EXPECT_EQ(static_cast<void*>(attachment), removed->pAttach);
        EXPECT_EQ(0u, removed->nAttachSize);
        EXPECT_TRUE(mgr.RemoveRecord(removed));
        EXPECT_EQ(0u, mgr.GetRecordCount());

        // The destructor releases the rest the same way.
        ASSERT_NE(nullptr, mgr.AddCopy(src.get()));
        ASSERT_NE(nullptr, mgr.AddCopy(src.get()));
    }
    EXPECT_STREQ("contact", attachment);
}

TYPED_TEST(CommRecordMgrTest, PrivateAttachmentIsCopiedAndReleasedWithTheRecord)
{
    using Mgr = typename TypeParam::Mgr;
    using Record = typename TypeParam::Record;
    constexpr uint32_t kSize = 48;
    auto* bytes = static_cast<unsigned char*>(std::malloc(kSize));
    ASSERT_NE(nullptr, bytes);
    for (uint32_t i = 0; i < kSize; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    const std::vector<unsigned char> expected(bytes, bytes + kSize);

    typename TestFixture::CommPtr src = TestFixture::NewComm("Ann");
    ASSERT_TRUE(src);
    src->pAttach = bytes;
    src->nAttachSize = kSize;

    Mgr mgr;
    Record* first = mgr.AddCopy(src.get());
    Record* second = mgr.AddCopy(src.get());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    // The source's buffer goes away; each copy must hold its own.
    std::free(bytes);
    src->pAttach = nullptr;

    for (Record* copy : {first, second}) {
        ASSERT_NE(nullptr, copy->pAttach);
        EXPECT_EQ(kSize, copy->nAttachSize);
        const auto* got = static_cast<const unsigned char*>(copy->pAttach);
        EXPECT_EQ(expected, std::vector<unsigned char>(got, got + kSize));
    }
    EXPECT_NE(first->pAttach, second->pAttach);
    // Leak checking shows whether removal and RemoveAllRecords release the private copies.
    EXPECT_TRUE(mgr.RemoveRecord(first));
    mgr.RemoveAllRecords();
    EXPECT_EQ(0u, mgr.GetRecordCount());
}

TYPED_TEST(CommRecordMgrTest, SizeWithoutAnAttachmentIsNotKept)
{
    using Mgr = typename TypeParam::Mgr;
    using Record = typename TypeParam::Record;
    typename TestFixture::CommPtr src = TestFixture::NewComm("Ann");
    ASSERT_TRUE(src);
    src->nAttachSize = 16;
    Mgr mgr;
    Record* copy = mgr.AddCopy(src.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(nullptr, copy->pAttach);
    EXPECT_EQ(0u, copy->nAttachSize);
}

TYPED_TEST(CommRecordMgrTest, RemoveRecordRefusesRecordsItDoesNotHold)
{
    using Mgr = typename TypeParam::Mgr;
    using Record = typename TypeParam::Record;
    typename TestFixture::CommPtr src = TestFixture::NewComm("Ann");
    ASSERT_TRUE(src);
    Mgr mgr;
    Mgr other;
    ASSERT_NE(nullptr, mgr.AddCopy(src.get()));
    Record* foreign = other.AddCopy(src.get());
    ASSERT_NE(nullptr, foreign);

    EXPECT_FALSE(mgr.RemoveRecord(src.get()));
    EXPECT_FALSE(mgr.RemoveRecord(foreign));
    EXPECT_EQ(1u, mgr.GetRecordCount());
    EXPECT_EQ(1u, other.GetRecordCount());
    EXPECT_STREQ("Ann", TypeParam::Name(*foreign));
}

TYPED_TEST(CommRecordMgrTest, WalkFollowsLoadOrderAndTheCursor)
{
    using Mgr = typename TypeParam::Mgr;
    using Record = typename TypeParam::Record;
    Mgr mgr;
    std::vector<Record*> held;
    for (const char* name : {"a", "b", "c", "d"}) {
        typename TestFixture::CommPtr src = TestFixture::NewComm(name);
        ASSERT_TRUE(src);
        held.push_back(mgr.AddCopy(src.get()));
        ASSERT_NE(nullptr, held.back());
    }
    EXPECT_EQ(4u, mgr.GetRecordCount());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), TestFixture::WalkNames(mgr));
    EXPECT_EQ(nullptr, mgr.GetNext());

    // An inner walk moves the cursor; SetCurrent puts it back so the outer walk resumes after "b".
    EXPECT_EQ(held[0], mgr.GetFirst());
    EXPECT_EQ(held[1], mgr.GetNext());
    EXPECT_EQ(held[2], mgr.GetNext());
    EXPECT_EQ(held[3], mgr.GetNext());
    EXPECT_TRUE(mgr.SetCurrent(held[1]));
    EXPECT_EQ(held[2], mgr.GetNext());

    typename TestFixture::CommPtr stranger = TestFixture::NewComm("x");
    ASSERT_TRUE(stranger);
    EXPECT_TRUE(mgr.SetCurrent(held[0]));
    EXPECT_FALSE(mgr.SetCurrent(stranger.get()));
    EXPECT_EQ(held[1], mgr.GetNext());

    EXPECT_TRUE(mgr.RemoveRecord(held[1]));
    EXPECT_EQ(3u, mgr.GetRecordCount());
    EXPECT_EQ((std::vector<std::string>{"a", "c", "d"}), TestFixture::WalkNames(mgr));

    mgr.RemoveAllRecords();
    EXPECT_EQ(0u, mgr.GetRecordCount());
    EXPECT_EQ(nullptr, mgr.GetFirst());
    typename TestFixture::CommPtr again = TestFixture::NewComm("e");
    ASSERT_TRUE(again);
    ASSERT_NE(nullptr, mgr.AddCopy(again.get()));
    EXPECT_EQ((std::vector<std::string>{"e"}), TestFixture::WalkNames(mgr));
}
