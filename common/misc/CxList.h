// Ordered, doubly linked list of untyped item pointers with a built-in cursor.
#pragma once

#include <cstdint>

struct CxListNode
{
    void* pData;
    uint32_t nIndex; // 0-based position; kept dense by every insertion and removal
    CxListNode* pPrev;
    CxListNode* pNext;
};

// The list owns its nodes, never its items, except where Remove or RemoveAll are asked to free them
// (items then must come from malloc). The cursor is shared state: a walk that adds to or removes from
// the list it walks continues from wherever those operations leave the cursor.
class CxList
{
public:
    CxList() = default;
    ~CxList();
    CxList(const CxList&) = delete;
    CxList& operator=(const CxList&) = delete;

    // Appends at the tail and puts the cursor on the new node; false only for a null item.
    bool Add(void* item);
    // Unlinks the first node holding the item; the cursor moves to the node that followed it.
    bool Remove(void* item, bool freeItem);
    void RemoveAll(bool freeItems);

    void* GetFirst();
    void* GetNext();
    // Seeks from the cursor; null (cursor unchanged) for an index at or past the count.
    void* GetAt(uint32_t index);
    uint32_t GetCount() const { return m_nCount; }

    bool Contains(void* item) const;
    // Puts the cursor on the first node holding the item; false (cursor unchanged) if none.
    bool SetCurrent(void* item);

    // For testing: the node chain, to check links and indexes directly.
    const CxListNode* GetHeadNode() const { return m_pHead; }

private:
    CxListNode* FindNode(void* item) const;

    CxListNode* m_pHead = nullptr;
    CxListNode* m_pTail = nullptr;
    CxListNode* m_pCurr = nullptr;
    uint32_t m_nCount = 0;
    uint32_t m_nFindIndex = 0;
};
