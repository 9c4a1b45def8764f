// Helpers shared by the indexer tests: reading entries and page lists out of an index.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "index/LinkIndex.h"

namespace sitefinch::test {

using EntryPair = std::pair<std::string, std::string>;  // text, target

inline void CollectEntries(const CEntryNode* pNode, std::vector<EntryPair>& entries) {
    if (pNode == nullptr) {
        return;
    }
    CollectEntries(pNode->m_pLeft, entries);
    entries.emplace_back(pNode->m_pEntry->GetText(), pNode->m_pEntry->GetTarget());
    CollectEntries(pNode->m_pRight, entries);
}

// Every entry of the tree in ascending order, whether or not the in-order list is current.
inline std::vector<EntryPair> EntriesOf(const CLinkIndex& index) {
    std::vector<EntryPair> entries;
    CollectEntries(index.GetTree().GetRoot(), entries);
    return entries;
}

inline std::vector<std::string> PathsOf(const CPathList& list) {
    return {list.GetPaths().begin(), list.GetPaths().end()};
}

}  // namespace sitefinch::test
