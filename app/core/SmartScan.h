// The scan of smart matching, shared by contacts and events: each record's key computed once (by
// the caller), the records compared only within their blocks, agreeing pairs joined into groups, and every group walked
// with the keep-choice of the exact scan, so both modes keep the same record of the same group.
#pragma once

#include "app/core/DuplicateScan.h"
#include "app/core/SmartGroups.h"

#include <utility>
#include <vector>

// keys[i] is what agree compares of records[i]; addBlocks puts a key's record into its blocks.
template <class Record, class Key, class AddBlocks, class Agree>
void MarkSmartGroups(const DupScanKind<Record>& kind, const std::vector<Record*>& records, CxList& dupList,
                     const std::vector<Key>& keys, AddBlocks addBlocks, Agree agree)
{
    std::vector<std::pair<uint64_t, uint32_t>> blocks;
    blocks.reserve(records.size());
    for (uint32_t i = 0; i < keys.size(); ++i)
        addBlocks(keys[i], i, blocks);
    const SmartGroups groups(records.size(), std::move(blocks),
                             [&](uint32_t i, uint32_t j) { return agree(keys[i], keys[j]); });
    MarkGroups(kind, records, groups, dupList);
}
