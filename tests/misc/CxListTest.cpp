#include "common/misc/CxList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Items are letters of one buffer, so a walk reads back as a short text.
char g_letters[] = "abcdefghijklmnop";

void* Item(char letter)
{
    return &g_letters[letter - 'a'];
}

void Fill(CxList& list, const char* letters)
{
    for (const char* p = letters; *p; ++p)
        ASSERT_TRUE(list.Add(Item(*p)));
}

std::string Text(void* item)
{
    return item ? std::string(1, *static_cast<char*>(item)) : std::string("-");
}

std::string Walk(CxList& list)
{
    std::string out;
    for (void* item = list.GetFirst(); item; item = list.GetNext())
        out += Text(item);
    return out;
}

// The node chain must match the expected items with dense indexes and consistent back links.
void ExpectChain(const CxList& list, const std::vector<void*>& expected)
{
    const CxListNode* prev = nullptr;
    uint32_t i = 0;
    for (const CxListNode* node = list.GetHeadNode(); node; node = node->pNext, ++i) {
        ASSERT_LT(i, expected.size());
        EXPECT_EQ(i, node->nIndex);
        EXPECT_EQ(prev, node->pPrev);
        EXPECT_EQ(expected[i], node->pData);
        prev = node;
    }
    EXPECT_EQ(expected.size(), i);
    EXPECT_EQ(expected.size(), list.GetCount());
}

} // namespace

TEST(CxListTest, EmptyListReturnsNothing)
{
    CxList list;
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(nullptr, list.GetFirst());
    EXPECT_EQ(nullptr, list.GetNext());
    EXPECT_EQ(nullptr, list.GetAt(0));
    EXPECT_FALSE(list.Contains(Item('a')));
    EXPECT_FALSE(list.Remove(Item('a'), false));
    EXPECT_FALSE(list.SetCurrent(Item('a')));
    EXPECT_EQ(nullptr, list.GetHeadNode());
}

TEST(CxListTest, NullItemsAreRefused)
{
    CxList list;
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ(0u, list.GetCount());
    Fill(list, "a");
    EXPECT_FALSE(list.Contains(nullptr));
    EXPECT_FALSE(list.Remove(nullptr, true));
    EXPECT_FALSE(list.SetCurrent(nullptr));
    EXPECT_EQ("a", Walk(list));
}

TEST(CxListTest, WalksInInsertionOrder)
{
    struct Case
    {
        const char* items;
    };
    for (const Case& c : {Case{"a"}, Case{"ab"}, Case{"abcdefg"}}) {
        SCOPED_TRACE(c.items);
        CxList list;
        Fill(list, c.items);
        EXPECT_EQ(c.items, Walk(list));
        EXPECT_EQ(nullptr, list.GetNext()) << "a finished walk stays finished";
        EXPECT_EQ(std::strlen(c.items), list.GetCount());
        for (const char* p = c.items; *p; ++p)
            EXPECT_TRUE(list.Contains(Item(*p)));
        EXPECT_FALSE(list.Contains(Item('p')));
    }
}

TEST(CxListTest, AddDuringWalkEndsTheWalk)
{
    CxList list;
    Fill(list, "abc");
    std::string seen;
    for (void* item = list.GetFirst(); item; item = list.GetNext()) {
        seen += Text(item);
        if (item == Item('b'))
            list.Add(Item('d'));
    }
    EXPECT_EQ("ab", seen);
    EXPECT_EQ("abcd", Walk(list));
}

TEST(CxListTest, RemoveMovesTheCursorToTheSuccessor)
{
    struct Case
    {
        char cursor;
        char removed;
        bool found;
        const char* nextAfter; // what GetNext returns afterwards ("-" for null)
        const char* remaining;
    };
    const Case cases[] = {
        {'b', 'b', true, "d", "acd"},   // under the cursor: the walk skips one item
        {'d', 'd', true, "-", "abc"},   // the tail: the walk ends
        {'a', 'c', true, "-", "abd"},   // behind the cursor's back: the cursor still follows the removal
        {'d', 'a', true, "c", "bcd"},   // the head
        {'b', 'p', false, "c", "abcd"}, // not held: nothing moves
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("cursor ") + c.cursor + ", remove " + c.removed);
        CxList list;
        Fill(list, "abcd");
        ASSERT_TRUE(list.SetCurrent(Item(c.cursor)));
        EXPECT_EQ(c.found, list.Remove(Item(c.removed), false));
        EXPECT_EQ(c.nextAfter, Text(list.GetNext()));
        EXPECT_EQ(c.remaining, Walk(list));
    }
}

TEST(CxListTest, RemoveOfTheOnlyItemLeavesANewList)
{
    CxList list;
    Fill(list, "a");
    ASSERT_TRUE(list.Remove(Item('a'), false));
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(nullptr, list.GetNext());
    EXPECT_EQ(nullptr, list.GetFirst());
    Fill(list, "bc");
    EXPECT_EQ("bc", Walk(list));
}

TEST(CxListTest, GetAtAfterRemovingTheTailSeeksFromTheHead)
{
    CxList list;
    Fill(list, "abc");
    ASSERT_TRUE(list.Remove(Item('c'), false));
    EXPECT_EQ("a", Text(list.GetAt(0)));
    EXPECT_EQ("b", Text(list.GetNext()));
}

TEST(CxListTest, GetAtOutOfRangeLeavesTheCursor)
{
    CxList list;
    Fill(list, "abcd");
    ASSERT_TRUE(list.SetCurrent(Item('b')));
    EXPECT_EQ(nullptr, list.GetAt(4));
    EXPECT_EQ(nullptr, list.GetAt(UINT32_MAX));
    EXPECT_EQ("c", Text(list.GetNext()));
}

TEST(CxListTest, DuplicatesActOnTheFirstNode)
{
    CxList list;
    Fill(list, "aba");
    EXPECT_EQ(3u, list.GetCount());
    ASSERT_TRUE(list.SetCurrent(Item('a')));
    EXPECT_EQ("b", Text(list.GetNext())) << "SetCurrent picks the first a";

    ASSERT_TRUE(list.Remove(Item('a'), false));
    EXPECT_EQ(2u, list.GetCount());
    EXPECT_EQ("ba", Walk(list));
    EXPECT_TRUE(list.Contains(Item('a')));
    ExpectChain(list, {Item('b'), Item('a')});
}

TEST(CxListTest, SetCurrentThenGetNextReturnsTheFollowingItem)
{
    const std::string items = "abcde";
    CxList list;
    Fill(list, items.c_str());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i]);
        list.GetAt(static_cast<uint32_t>((i + 2) % items.size())); // cursor somewhere else
        ASSERT_TRUE(list.SetCurrent(Item(items[i])));
        const std::string expected = i + 1 < items.size() ? items.substr(i + 1, 1) : "-";
        EXPECT_EQ(expected, Text(list.GetNext()));
    }
}

TEST(CxListTest, InnerWalkRestoredWithSetCurrentVisitsEveryPairOnce)
{
    // The shape of the duplicate scans: compare each item with every later one.
    CxList list;
    Fill(list, "abcd");
    std::vector<std::string> pairs;
    for (void* outer = list.GetFirst(); outer; outer = list.GetNext()) {
        for (void* inner = list.GetNext(); inner; inner = list.GetNext())
            pairs.push_back(Text(outer) + Text(inner));
        list.SetCurrent(outer);
    }
    EXPECT_EQ((std::vector<std::string>{"ab", "ac", "ad", "bc", "bd", "cd"}), pairs);
}

TEST(CxListTest, IndexesStayDenseAfterMixedAddAndRemove)
{
    std::mt19937 random(7);
    CxList list;
    std::vector<void*> model;
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        const bool add = model.empty() || random() % 3 != 0;
        if (add) {
            void* item = Item(static_cast<char>('a' + random() % 16));
            ASSERT_TRUE(list.Add(item));
            model.push_back(item);
        } else {
            void* item = model[random() % model.size()];
            ASSERT_TRUE(list.Remove(item, false));
            model.erase(std::find(model.begin(), model.end(), item));
        }
        ExpectChain(list, model);
    }
    // Random access seeks from the cursor in both directions.
    for (int probe = 0; probe < 200; ++probe) {
        const uint32_t index = static_cast<uint32_t>(random() % model.size());
        ASSERT_EQ(model[index], list.GetAt(index)) << "index " << index;
    }
}

TEST(CxListTest, RemoveAllFreesEachItemOnceWhenAsked)
{
    CxList list;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(list.Add(std::malloc(16)));
    list.RemoveAll(true); // ASan reports a double free or a leak
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(nullptr, list.GetFirst());
    EXPECT_EQ(nullptr, list.GetNext());
    EXPECT_EQ(nullptr, list.GetHeadNode());
    Fill(list, "ab");
    EXPECT_EQ("ab", Walk(list));
}

TEST(CxListTest, RemoveFreesOnlyWhenAsked)
{
    // The allocator reuses the first bytes of a freed block, so a wrong free shows up as lost text
    // even without ASan.
    char* kept = static_cast<char*>(std::malloc(32));
    std::strcpy(kept, "kept item text");
    void* freed = std::malloc(32);
    CxList list;
    ASSERT_TRUE(list.Add(kept));
    ASSERT_TRUE(list.Add(freed));
    ASSERT_TRUE(list.Remove(freed, true)); // LeakSanitizer reports it if not freed
    ASSERT_TRUE(list.Remove(kept, false));
    EXPECT_STREQ("kept item text", kept);
    std::free(kept);
}

TEST(CxListTest, DestructionAndRemoveAllWithoutFreeLeaveItemsAlone)
{
    char* first = static_cast<char*>(std::malloc(32));
    char* second = static_cast<char*>(std::malloc(32));
    std::strcpy(first, "first item text");
    std::strcpy(second, "second item text");
    {
        CxList list;
        ASSERT_TRUE(list.Add(first));
        ASSERT_TRUE(list.Add(second));
        CxList other;
        ASSERT_TRUE(other.Add(first));
        other.RemoveAll(false);
    }
    EXPECT_STREQ("first item text", first);
    EXPECT_STREQ("second item text", second);
    std::free(first);
    std::free(second);
}
