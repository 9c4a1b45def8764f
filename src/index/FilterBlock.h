// The query filter's working state: the in-order list flattened into blocks, and where the lines
// of its last run lead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EntryTree.h"
#include "LineTexts.h"

namespace sitefinch {

// Line position -> entry of the last filter run, as numbers into CFilterBlock's texts: the
// listed ones, or, after an empty query, every one in order with no list at all (a million lines
// would otherwise cost a million numbers).
struct CPositionMap {
    std::vector<std::uint32_t> lines;
    std::size_t nAll = 0;  // when not 0, position i is entry i and lines is empty

    std::size_t size() const { return nAll != 0 ? nAll : lines.size(); }
    std::size_t EntryAt(std::size_t nPosition) const {
        return nAll != 0 ? nPosition : lines[nPosition];
    }
    void clear() {
        std::vector<std::uint32_t>().swap(lines);
        nAll = 0;
    }
};

// The in-order list flattened for the filter, so that a keystroke scans one block: entry i has
// the text pTexts->GetText(i), which leads to its target (CIndexEntry::GetTargetOfText), and its
// lower-cased form starts at offsets[i] in lower. A result list may keep pTexts: Refresh() makes
// a new CLineTexts and never changes one handed out.
// The lower-cased block is made apart from the rest, since an empty query, the first one after
// every load, needs none of it: Refresh() makes the texts, and Lower() then adds the lower-cased
// forms a slice at a time, so that the window can make them while it waits for keys.
struct CFilterBlock {
    // True when the block reflects the tree's current in-order list.
    bool IsCurrentFor(const CEntryTree& tree) const {
        return pTexts != nullptr && nGeneration == tree.GetOrderGeneration();
    }
    // Makes the texts anew from the tree's in-order list, and drops the lower-cased block.
    void Refresh(const CEntryTree& tree);
    // Adds the lower-cased forms of up to nMaxEntries more entries; true when every entry has its.
    bool Lower(std::size_t nMaxEntries);
    bool IsLowered() const { return pTexts == nullptr || offsets.size() == pTexts->GetCount(); }
    // Lets go of everything, the texts included (result lists that hold them keep them alive).
    void Clear();

    std::uint64_t nGeneration = 0;
    std::shared_ptr<const CLineTexts> pTexts;
    std::vector<std::uint32_t> offsets;  // of the first offsets.size() entries
    std::string lower;
    std::size_t nLowerBytes = 0;  // the size of the whole lower-cased block, zeros included
};

}  // namespace sitefinch
