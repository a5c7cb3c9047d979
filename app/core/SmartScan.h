// The scan of smart matching, shared by contacts and events: each record's key computed once, the
// records compared only within their blocks, agreeing pairs joined into groups, and every group walked
// with the keep-choice of the exact scan, so both modes keep the same record of the same group.
#pragma once

#include "app/core/DuplicateScan.h"
#include "app/core/SmartGroups.h"

#include <utility>
#include <vector>

template <class Record, class KeyOf, class AddBlocks, class Agree>
void MarkSmartGroups(const DupScanKind<Record>& kind, const std::vector<Record*>& records, CxList& dupList, KeyOf keyOf,
                     AddBlocks addBlocks, Agree agree)
{
    using Key = decltype(keyOf(*records.front()));
    std::vector<Key> keys;
    keys.reserve(records.size());
    std::vector<std::pair<uint64_t, uint32_t>> blocks;
    blocks.reserve(records.size());
    for (uint32_t i = 0; i < records.size(); ++i) {
        keys.push_back(keyOf(*records[i]));
        addBlocks(keys.back(), i, blocks);
    }
    const SmartGroups groups(records.size(), std::move(blocks),
                             [&](uint32_t i, uint32_t j) { return agree(keys[i], keys[j]); });
    MarkGroups(kind, records, groups, dupList);
}
