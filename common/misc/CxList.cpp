#include "common/misc/CxList.h"

#include <cassert>
#include <cstdlib>
#include <new>

CxList::~CxList()
{
    RemoveAll(false);
}

bool CxList::Add(void* item)
{
    if (!item)
        return false;
    auto* node = new (std::nothrow) CxListNode{item, m_nCount, m_pTail, nullptr};
    assert(node != nullptr);
    if (!node)
        return false;
    if (m_pTail) {
        m_pTail->pNext = node;
        m_nFindIndex = node->nIndex;
    } else {
        m_pHead = node;
    }
    m_pTail = node;
    m_pCurr = node;
    ++m_nCount;
    return true;
}

bool CxList::Remove(void* item, bool freeItem)
{
    CxListNode* node = FindNode(item);
    if (!node)
        return false;
    CxListNode* prev = node->pPrev;
    CxListNode* next = node->pNext;
    if (prev)
        prev->pNext = next;
    else
        m_pHead = next;
    if (next)
        next->pPrev = prev;
    else
        m_pTail = prev;
    for (CxListNode* after = next; after; after = after->pNext)
        --after->nIndex;

    m_pCurr = next;
    m_nFindIndex = node->nIndex;
    if (freeItem)
        std::free(node->pData);
    --m_nCount;
    delete node;
    return true;
}

void CxList::RemoveAll(bool freeItems)
{
    CxListNode* node = m_pHead;
    while (node) {
        CxListNode* next = node->pNext;
        if (freeItems && node->pData)
            std::free(node->pData);
        delete node;
        node = next;
    }
    m_pHead = m_pTail = m_pCurr = nullptr;
    m_nCount = 0;
    m_nFindIndex = 0;
}

void* CxList::GetFirst()
{
    m_nFindIndex = 0;
    m_pCurr = m_pHead;
    return m_pHead ? m_pHead->pData : nullptr;
}

void* CxList::GetNext()
{
    // For an empty list the subtraction wraps and GetAt(1) refuses the index.
    if (m_nCount - 1 > m_nFindIndex)
        return GetAt(m_nFindIndex + 1);
    return nullptr;
}

void* CxList::GetAt(uint32_t index)
{
    if (index >= m_nCount)
        return nullptr;
    // The cursor is null only after the tail was removed; seek from the head then rather than fail.
    if (!m_pCurr) {
        m_pCurr = m_pHead;
        m_nFindIndex = 0;
    }
    // clang-format off
    assert(m_pCurr->nIndex==m_nFindIndex);
    // clang-format on
    const bool forward = index > m_nFindIndex;
    while (m_pCurr) {
        if (m_pCurr->nIndex == index) {
            m_nFindIndex = index;
            return m_pCurr->pData;
        }
        m_pCurr = forward ? m_pCurr->pNext : m_pCurr->pPrev;
    }
    return nullptr;
}

bool CxList::Contains(void* item) const
{
    return item && FindNode(item);
}

bool CxList::SetCurrent(void* item)
{
    CxListNode* node = FindNode(item);
    if (!node)
        return false;
    m_pCurr = node;
    m_nFindIndex = node->nIndex;
    return true;
}

CxListNode* CxList::FindNode(void* item) const
{
    for (CxListNode* node = m_pHead; node; node = node->pNext) {
        if (node->pData == item)
            return node;
    }
    return nullptr;
}
