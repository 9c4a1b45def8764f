// A node of the entry tree.
#pragma once

#include <cstddef>
#include <memory>

#include "EntryArena.h"
#include "IndexEntry.h"

namespace sitefinch {

// Owns its entry; its subtrees are owned through the raw child pointers and destroyed by
// CEntryTree::FreeSubtree, so that destroying a deep tree never recurses through destructors.
// Like its entry it lives in the tree's arena, which keeps the memory of both.
struct CEntryNode {
    explicit CEntryNode(std::unique_ptr<CIndexEntry> pEntry) : m_pEntry(std::move(pEntry)) {}

    // Made as new (arena) CEntryNode(...); deleting one gives no memory back, as for entries.
    static void* operator new(std::size_t nBytes, CEntryArena& arena) {
        return arena.Allocate(nBytes, alignof(CEntryNode));
    }
    static void operator delete(void*, CEntryArena&) noexcept {}  // a constructor that throws
    static void operator delete(void* p, std::size_t nBytes) noexcept {
        CEntryArena::Poison(p, nBytes);
    }

    std::unique_ptr<CIndexEntry> m_pEntry;
    CEntryNode* m_pLeft = nullptr;   // owned
    CEntryNode* m_pRight = nullptr;  // owned
    CEntryNode* m_pNext = nullptr;   // in-order successor as of the last RebuildOrder; not owned
    int m_nBalance = 0;              // height(right) - height(left): -1, 0 or +1
};

}  // namespace sitefinch
