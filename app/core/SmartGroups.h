// Groups of records joined by agreeing pairs, for matching that is not an equality: A may agree with
// B and B with C while A and C do not. Every agreeing pair joins its two groups, so a group is what
// agreeing pairs chain together; only records that share a block are ever compared.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

class SmartGroups
{
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    struct Group
    {
        uint32_t first;
    };

    // One entry per block a record belongs to: the block's hash and the record's index (below
    // count). A record may sit in several blocks; agree(i, j) is asked with i < j.
    template <class Agree>
    SmartGroups(size_t count, std::vector<std::pair<uint64_t, uint32_t>> blocks, Agree&& agree)
        : m_parent(count)
        , m_next(count, kNone)
    {
        for (uint32_t i = 0; i < count; ++i)
            m_parent[i] = i;
        std::sort(blocks.begin(), blocks.end());
        for (size_t begin = 0, end = 0; begin < blocks.size(); begin = end) {
            end = begin + 1;
            while (end < blocks.size() && blocks[end].first == blocks[begin].first)
                ++end;
            JoinBlock(blocks, begin, end, agree);
        }
        Chain();
    }

    // The groups of two or more records, in the order of their first records; each a chain of
    // record indexes in ascending order.
    const std::vector<Group>& Groups() const { return m_groups; }
    uint32_t NextMember(uint32_t record) const { return m_next[record]; }

private:
    template <class Agree>
    void JoinBlock(const std::vector<std::pair<uint64_t, uint32_t>>& blocks, size_t begin, size_t end, Agree& agree)
    {
        for (size_t a = begin; a < end; ++a)
            for (size_t b = a + 1; b < end; ++b) {
                const uint32_t i = blocks[a].second, j = blocks[b].second;
                // A pair already in one group adds nothing, whatever it would say.
                if (i != j && Find(i) != Find(j) && agree(i, j))
                    Unite(i, j);
            }
    }

    uint32_t Find(uint32_t i)
    {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }

    void Unite(uint32_t i, uint32_t j)
    {
        const uint32_t a = Find(i), b = Find(j);
        // The smaller index becomes the root, so no group can grow into a long chain of roots.
        if (a < b)
            m_parent[b] = a;
        else
            m_parent[a] = b;
    }

    // Links each group's members in ascending order; a group's root is its first record, so the
    // roots that have a next member, in ascending order, are the groups in order.
    void Chain()
    {
        std::vector<uint32_t> last(m_parent.size(), kNone);
        for (uint32_t i = 0; i < m_parent.size(); ++i) {
            const uint32_t root = Find(i);
            if (last[root] != kNone)
                m_next[last[root]] = i;
            last[root] = i;
        }
        for (uint32_t i = 0; i < m_parent.size(); ++i)
            if (m_parent[i] == i && m_next[i] != kNone)
                m_groups.push_back({i});
    }

    std::vector<uint32_t> m_parent;
    std::vector<uint32_t> m_next;
    std::vector<Group> m_groups;
};
