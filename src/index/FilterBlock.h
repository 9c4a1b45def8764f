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

// Line position -> entry of the last filter run, as numbers into CFilterBlock::entries: the
// listed ones, or, after an empty query, every one in order with no list at all (a million lines
// would otherwise cost a million numbers). The entries belong to the tree.
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

// The in-order list flattened for the filter, so that a keystroke scans one block: entry i is
// entries[i], its text pTexts->GetText(i), and its lower-cased form starts at offsets[i] in
// lower. A result list may keep pTexts: Refresh() makes a new CLineTexts and never changes one
// handed out. The entries belong to the tree and are valid until it changes.
struct CFilterBlock {
    // True when the block reflects the tree's current in-order list.
    bool IsCurrentFor(const CEntryTree& tree) const {
        return pTexts != nullptr && nGeneration == tree.GetOrderGeneration();
    }
    // Makes every block anew from the tree's in-order list.
    void Refresh(const CEntryTree& tree);
    // Lets go of everything, the texts included (result lists that hold them keep them alive).
    void Clear();

    std::uint64_t nGeneration = 0;
    std::vector<const CIndexEntry*> entries;
    std::shared_ptr<const CLineTexts> pTexts;
    std::vector<std::uint32_t> offsets;
    std::string lower;
};

}  // namespace sitefinch
