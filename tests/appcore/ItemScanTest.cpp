// The task and note scans: the shared walk and keep-choice, with a rule that never finds two items
// the same.
#include "app/core/ItemScan.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/CxGTaskUtil.h"
#include "tests/appcore/ScanTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>

namespace {

template <class RecordT, class CommonT, class UtilT>
struct ItemKindBase
{
    using Record = RecordT;
    using Common = CommonT;
    using Util = UtilT;
    static auto* Mgr(Util& util) { return util.GetMgr(); }
    // No option of the rule reads these records.
    static std::span<const RuleFlag> RuleFlags() { return {}; }
    static void SetDefaultRule() {}
    static void Attach(Record* raw, Common* common) { raw->pCommRecord = common; }
    static RecordPtr<Record> Make(double modified, double created)
    {
        RecordPtr<Record> r = Zeroed<Record>();
        std::strcpy(r->szSubject, "Same subject");
        std::strcpy(r->szNote, "Same note");
        r->dtModified = modified;
        r->dtCreated = created;
        return r;
    }
};

struct TaskKind : ItemKindBase<GTaskRecord, CommTaskRecord, CxGTaskUtil>
{
    static CxGTaskUtil*& UtilPointer() { return g_pTaskUtil; }
    static CxList*& ListPointer() { return g_pTaskDupList; }
    static constexpr auto First = FirstTask;
    static constexpr auto Next = NextTask;
    static constexpr auto SetCurrent = SetCurrentTask;
    static constexpr auto IsSame = IsSameTask;
    static constexpr auto IsNewer = IsNewerTask;
    static constexpr auto MarkGroup = MarkTaskGroup;
    static constexpr auto Scan = ScanTaskDuplicates;
};

struct NoteKind : ItemKindBase<GNoteRecord, CommNoteRecord, CxGNoteUtil>
{
    static CxGNoteUtil*& UtilPointer() { return g_pNoteUtil; }
    static CxList*& ListPointer() { return g_pNoteDupList; }
    static constexpr auto First = FirstNote;
    static constexpr auto Next = NextNote;
    static constexpr auto SetCurrent = SetCurrentNote;
    static constexpr auto IsSame = IsSameNote;
    static constexpr auto IsNewer = IsNewerNote;
    static constexpr auto MarkGroup = MarkNoteGroup;
    static constexpr auto Scan = ScanNoteDuplicates;
};

template <class Kind>
class ItemScanTest : public DupScanTest<Kind>
{};

using Kinds = ::testing::Types<TaskKind, NoteKind>;
TYPED_TEST_SUITE(ItemScanTest, Kinds);

} // namespace

TYPED_TEST(ItemScanTest, IdenticalItemsAreNeverTheSameAndTheScanMarksNothing)
{
    auto a = TypeParam::Make(100, 10);
    auto* first = this->Add(*a);
    auto* second = this->Add(*a);
    auto* third = this->Add(*TypeParam::Make(200, 10));
    EXPECT_FALSE(TypeParam::IsSame(first, second));
    EXPECT_FALSE(TypeParam::IsSame(first, first));

    first->dwFlags = REC_DUPLICATE; // a mark of an earlier scan is cleared
    ASSERT_TRUE(TypeParam::Scan());
    EXPECT_EQ(0u, this->m_dupList.GetCount());
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}), this->Flags({first, second, third}));
    EXPECT_TRUE(TypeParam::MarkGroup(first));
    EXPECT_EQ(0u, this->m_dupList.GetCount());
}

TYPED_TEST(ItemScanTest, KeepChoiceByModificationElseCreationTime)
{
    this->ExpectNewerByModificationElseByCreationTime(TypeParam::Make);
    this->ExpectNullRecordsAreNeitherSameNorNewer(TypeParam::Make(1, 1).get());
}

TYPED_TEST(ItemScanTest, WalkFollowsTheManagerAndRestoresTheCursor)
{
    auto* a = this->Add(*TypeParam::Make(1, 1));
    auto* b = this->Add(*TypeParam::Make(2, 1));
    auto* c = this->Add(*TypeParam::Make(3, 1));
    this->ExpectWalkFollowsManagerOrderAndRestoresTheCursor(a, b, c);
}

TYPED_TEST(ItemScanTest, ScanNeedsTheUtilityAndTheList)
{
    this->Add(*TypeParam::Make(1, 1));
    TypeParam::ListPointer() = nullptr;
    EXPECT_FALSE(TypeParam::Scan());
    EXPECT_FALSE(TypeParam::MarkGroup(TypeParam::First()));
    TypeParam::ListPointer() = &this->m_dupList;
    TypeParam::UtilPointer() = nullptr;
    EXPECT_FALSE(TypeParam::Scan());
}

// Loaded from a data file, the items are reachable by the walk: they are attached as contacts are.
TYPED_TEST(ItemScanTest, LoadedItemsAreWalkedAndNeverMarked)
{
    this->Add(*TypeParam::Make(1, 1));
    this->Clear();
    ASSERT_TRUE(this->m_util->SaveDataFile("items.dat"));
    ASSERT_TRUE(this->m_util->LoadDataFile("items.dat"));
    auto* loaded = TypeParam::First();
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(loaded->pCommRecord, loaded->pMgrNode);
    ASSERT_TRUE(TypeParam::Scan());
    EXPECT_EQ(0u, this->m_dupList.GetCount());
}
