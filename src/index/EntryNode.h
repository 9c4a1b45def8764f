// A node of the entry tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "EntryArena.h"
#include "IndexEntry.h"
#include "platform/Text.h"

namespace sitefinch {

// Owns its entry; its subtrees are owned through the raw child pointers and destroyed by
// CEntryTree::FreeSubtree, so that destroying a deep tree never recurses through destructors.
// Like its entry it lives in the tree's arena, which keeps the memory of both.
struct CEntryNode {
    // The first kKeyBytes bytes of a text with 'A'..'Z' folded, packed big-endian into two words
    // and padded with zeros, so that comparing two keys as numbers orders them as the texts'
    // first kKeyBytes bytes order under the entry order. A descent of the tree mostly decides
    // at a node without touching its entry, which would cost two more cache misses per level.
    struct CKey {
        static constexpr std::size_t kKeyBytes = 16;
        std::uint64_t nHigh = 0;
        std::uint64_t nLow = 0;
        // True when the text is shorter than kKeyBytes: equal keys of two such texts mean equal
        // texts. Otherwise equal keys leave the decision to the whole texts.
        bool bComplete = false;

        static CKey Of(const char* pszText) {
            CKey key;
            std::size_t i = 0;
            for (; i < kKeyBytes && pszText[i] != '\0'; ++i) {
                const unsigned char c = FoldAsciiByte(static_cast<unsigned char>(pszText[i]));
                std::uint64_t& nWord = i < kKeyBytes / 2 ? key.nHigh : key.nLow;
                nWord |= std::uint64_t{c} << (8 * (kKeyBytes / 2 - 1 - i % (kKeyBytes / 2)));
            }
            key.bComplete = i < kKeyBytes;
            return key;
        }

        // <0, 0 or >0 as the texts' first kKeyBytes bytes compare in the entry order.
        int CompareTo(const CKey& other) const {
            if (nHigh != other.nHigh) {
                return nHigh < other.nHigh ? -1 : 1;
            }
            if (nLow != other.nLow) {
                return nLow < other.nLow ? -1 : 1;
            }
            return 0;
        }
    };

    explicit CEntryNode(std::unique_ptr<CIndexEntry> pEntry)
        : m_key(CKey::Of(pEntry->GetText())), m_pEntry(std::move(pEntry)) {}
    CEntryNode(std::unique_ptr<CIndexEntry> pEntry, const CKey& key)
        : m_key(key), m_pEntry(std::move(pEntry)) {}

    // Made as new (arena) CEntryNode(...); deleting one gives no memory back, as for entries.
    // Nodes of one size back to back in a chunk of whole cache lines each sit on one line, so a
    // descent of the tree misses once per node rather than twice.
    static void* operator new(std::size_t nBytes, CEntryArena& arena) {
        return arena.Allocate(nBytes, alignof(CEntryNode));
    }
    static void operator delete(void*, CEntryArena&) noexcept {}  // a constructor that throws
    static void operator delete(void* p, std::size_t nBytes) noexcept {
        CEntryArena::Poison(p, nBytes);
    }

    CKey m_key;  // of m_pEntry's text, which must not change while the node is in a tree
    std::unique_ptr<CIndexEntry> m_pEntry;
    CEntryNode* m_pLeft = nullptr;   // owned
    CEntryNode* m_pRight = nullptr;  // owned
    CEntryNode* m_pNext = nullptr;   // in-order successor as of the last RebuildOrder; not owned
    int m_nBalance = 0;              // height(right) - height(left): -1, 0 or +1
};

}  // namespace sitefinch
