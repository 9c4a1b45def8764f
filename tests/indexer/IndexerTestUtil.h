// Helpers shared by the indexer tests: an index over a memory site, and what it holds.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"

namespace sitefinch::test {

using EntryPair = std::pair<std::string, std::string>;  // text, target
using Strings = std::vector<std::string>;

struct Site {
    explicit Site(char cSeparator = '/') : index(fs, host, cSeparator) {}
    CMemFileSystem fs;
    FakeHost host;
    CLinkIndex index;
};

// Every entry of the tree in ascending order, whether or not the in-order list is current.
inline std::vector<EntryPair> EntriesOf(const CLinkIndex& index) {
    std::vector<EntryPair> entries;
    const auto walk = [&entries](const auto& self, const CEntryNode* p) -> void {
        if (p != nullptr) {
            self(self, p->m_pLeft);
            entries.emplace_back(p->m_pEntry->GetText(), p->m_pEntry->GetTarget());
            self(self, p->m_pRight);
        }
    };
    walk(walk, index.GetTree().GetRoot());
    return entries;
}

inline Strings PathsOf(const CPathList& list) {
    return {list.GetPaths().begin(), list.GetPaths().end()};
}

}  // namespace sitefinch::test
