// A node of the entry tree.
#pragma once

#include <memory>

#include "IndexEntry.h"
#include "SmallBlockPool.h"

namespace sitefinch {

// Owns its entry; its subtrees are owned through the raw child pointers and freed by
// CEntryTree::FreeSubtree, so that destroying a deep tree never recurses through destructors.
struct CEntryNode {
    explicit CEntryNode(std::unique_ptr<CIndexEntry> pEntry) : m_pEntry(std::move(pEntry)) {}

    // Nodes come and go by the hundred thousand with every load.
    static void* operator new(std::size_t nBytes) { return CSmallBlockPool::Allocate(nBytes); }
    static void operator delete(void* p, std::size_t nBytes) noexcept {
        CSmallBlockPool::Free(p, nBytes);
    }

    std::unique_ptr<CIndexEntry> m_pEntry;
    CEntryNode* m_pLeft = nullptr;   // owned
    CEntryNode* m_pRight = nullptr;  // owned
    CEntryNode* m_pNext = nullptr;   // in-order successor as of the last RebuildOrder; not owned
    int m_nBalance = 0;              // height(right) - height(left): -1, 0 or +1
};

}  // namespace sitefinch
