#include "common/google/CommAddrRecord.h"

#include "common/misc/TextBuf.h"

#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using CommPtr = RecordPtr<CommAddrRecord>;

CommPtr NewComm(const char* firstName = "")
{
    CommPtr p = Zeroed<CommAddrRecord>();
    if (p)
        CopyText(p->szFirstName, firstName);
    return p;
}

std::vector<std::string> WalkNames(CommAddrMgr& mgr)
{
    std::vector<std::string> names;
    for (CommAddrRecord* r = mgr.GetFirst(); r; r = mgr.GetNext())
        names.push_back(r->szFirstName);
    return names;
}

} // namespace

TEST(CommAddrMgr, EmptyManagerAndNullArguments)
{
    CommAddrMgr mgr;
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

TEST(CommAddrMgr, AddCopyCopiesEveryMemberIntoANewRecord)
{
    CommPtr src = NewComm("Ann");
    ASSERT_TRUE(src);
    CopyText(src->home.szCity, "Lyon");
    CopyText(src->szNote, std::string(sizeof src->szNote - 1, 'n').c_str());
    src->dtCreated = 40000.25;
    src->nSourceType = SOURCE_GOOGLE;
    int borrowed = 0;
    src->pAttach = &borrowed;

    CommAddrMgr mgr;
    CommAddrRecord* copy = mgr.AddCopy(src.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(src.get(), copy);
    EXPECT_EQ(0, std::memcmp(src.get(), copy, sizeof(CommAddrRecord)));
    EXPECT_EQ(1u, mgr.GetRecordCount());
    EXPECT_EQ(copy, mgr.GetFirst());

    CopyText(src->szFirstName, "Bob");
    EXPECT_STREQ("Ann", copy->szFirstName);
}

// The attachment lives on the stack: releasing it with the copy would be a bad free under ASan.
TEST(CommAddrMgr, BorrowedAttachmentIsSharedAndOutlivesTheCopy)
{
    char attachment[64];
    CopyText(attachment, "contact");
    CommPtr src = NewComm("Ann");
    ASSERT_TRUE(src);
    src->pAttach = attachment;
    {
        CommAddrMgr mgr;
        CommAddrRecord* removed = mgr.AddCopy(src.get());
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

TEST(CommAddrMgr, PrivateAttachmentIsCopiedAndReleasedWithTheRecord)
{
    constexpr uint32_t kSize = 48;
    auto* bytes = static_cast<unsigned char*>(std::malloc(kSize));
    ASSERT_NE(nullptr, bytes);
    for (uint32_t i = 0; i < kSize; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    const std::vector<unsigned char> expected(bytes, bytes + kSize);

    CommPtr src = NewComm("Ann");
    ASSERT_TRUE(src);
    src->pAttach = bytes;
    src->nAttachSize = kSize;

    CommAddrMgr mgr;
    CommAddrRecord* first = mgr.AddCopy(src.get());
    CommAddrRecord* second = mgr.AddCopy(src.get());
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    // The source's buffer goes away; each copy must hold its own.
    std::free(bytes);
    src->pAttach = nullptr;

    for (CommAddrRecord* copy : {first, second}) {
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

TEST(CommAddrMgr, SizeWithoutAnAttachmentIsNotKept)
{
    CommPtr src = NewComm("Ann");
    ASSERT_TRUE(src);
    src->nAttachSize = 16;
    CommAddrMgr mgr;
    CommAddrRecord* copy = mgr.AddCopy(src.get());
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(nullptr, copy->pAttach);
    EXPECT_EQ(0u, copy->nAttachSize);
}

TEST(CommAddrMgr, RemoveRecordRefusesRecordsItDoesNotHold)
{
    CommPtr src = NewComm("Ann");
    ASSERT_TRUE(src);
    CommAddrMgr mgr;
    CommAddrMgr other;
    ASSERT_NE(nullptr, mgr.AddCopy(src.get()));
    CommAddrRecord* foreign = other.AddCopy(src.get());
    ASSERT_NE(nullptr, foreign);

    EXPECT_FALSE(mgr.RemoveRecord(src.get()));
    EXPECT_FALSE(mgr.RemoveRecord(foreign));
    EXPECT_EQ(1u, mgr.GetRecordCount());
    EXPECT_EQ(1u, other.GetRecordCount());
    EXPECT_STREQ("Ann", foreign->szFirstName);
}

TEST(CommAddrMgr, WalkFollowsLoadOrderAndTheCursor)
{
    CommAddrMgr mgr;
    std::vector<CommAddrRecord*> held;
    for (const char* name : {"a", "b", "c", "d"}) {
        CommPtr src = NewComm(name);
        ASSERT_TRUE(src);
        held.push_back(mgr.AddCopy(src.get()));
        ASSERT_NE(nullptr, held.back());
    }
    EXPECT_EQ(4u, mgr.GetRecordCount());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), WalkNames(mgr));
    EXPECT_EQ(nullptr, mgr.GetNext());

    // An inner walk moves the cursor; SetCurrent puts it back so the outer walk resumes after "b".
    EXPECT_EQ(held[0], mgr.GetFirst());
    EXPECT_EQ(held[1], mgr.GetNext());
    EXPECT_EQ(held[2], mgr.GetNext());
    EXPECT_EQ(held[3], mgr.GetNext());
    EXPECT_TRUE(mgr.SetCurrent(held[1]));
    EXPECT_EQ(held[2], mgr.GetNext());

    CommPtr stranger = NewComm("x");
    ASSERT_TRUE(stranger);
    EXPECT_TRUE(mgr.SetCurrent(held[0]));
    EXPECT_FALSE(mgr.SetCurrent(stranger.get()));
    EXPECT_EQ(held[1], mgr.GetNext());

    EXPECT_TRUE(mgr.RemoveRecord(held[1]));
    EXPECT_EQ(3u, mgr.GetRecordCount());
    EXPECT_EQ((std::vector<std::string>{"a", "c", "d"}), WalkNames(mgr));

    mgr.RemoveAllRecords();
    EXPECT_EQ(0u, mgr.GetRecordCount());
    EXPECT_EQ(nullptr, mgr.GetFirst());
    CommPtr again = NewComm("e");
    ASSERT_TRUE(again);
    ASSERT_NE(nullptr, mgr.AddCopy(again.get()));
    EXPECT_EQ((std::vector<std::string>{"e"}), WalkNames(mgr));
}
