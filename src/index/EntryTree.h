// The AVL tree that keeps the entries sorted by text, and the in-order list through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "EntryKey.h"
#include "EntryNode.h"

namespace sitefinch {

class CEntryTree {
public:
    CEntryTree() = default;
    ~CEntryTree();
    CEntryTree(const CEntryTree&) = delete;
    CEntryTree& operator=(const CEntryTree&) = delete;

    // Where entries for this tree are made (new (memory) CLinkEntry(memory, ...) with memory =
    // GetEntryMemory()): their memory lasts until RemoveAll() or the tree's end, whether or not
    // they were inserted, so no entry made here may be used after that. Their texts last as long
    // as ShareTexts() is held, too.
    CEntryMemory GetEntryMemory();

    // Keeps the texts of the entries made so far readable, also after RemoveAll() and the tree's
    // end; null while no entry has been made since the last RemoveAll(). The next entries' texts
    // go into new memory once this has been handed out and RemoveAll() has run.
    std::shared_ptr<const void> ShareTexts() const { return m_pTextArena; }

    // Takes the entry, made in GetEntryMemory(), when it is inserted and returns true. When an
    // entry with an equal text is already there, the tree is unchanged, returns false and the entry
    // is handed back in pEntry (the caller destroys it): the first entry of a text wins.
    bool Insert(std::unique_ptr<CIndexEntry>& pEntry);

    // An entry waiting for InsertBatch(), with its key made while its text is still in the cache.
    struct CBatchEntry {
        explicit CBatchEntry(std::unique_ptr<CIndexEntry> pNewEntry)
            : key(CEntryKey::Of(pNewEntry->GetText())), pEntry(std::move(pNewEntry)) {}
        CEntryKey key;
        std::unique_ptr<CIndexEntry> pEntry;  // never null
    };

    // Takes every entry of the batch, whose texts must differ from each other and from every
    // text in the tree, and leaves the batch empty. Into an empty tree the batch is sorted and
    // the tree made balanced in one pass: once a tree outgrows the caches, most of an insertion
    // is cache misses on the way down, and a sort of compact keys has almost none. The result
    // is a valid AVL tree with the same entries and order as inserting one by one, though not
    // necessarily of the same shape. Measured: a 20,000-page build takes about 15% longer when
    // its entries are inserted one by one (bench_crawl).
    void InsertBatch(std::vector<CBatchEntry>& entries);

    // Chains every node in ascending order through m_pHead and m_pNext.
    void RebuildOrder();

    // Destroys every node with its entry and frees the memory of every node and every entry made
    // in GetEntryMemory(), inserted or not, and of their texts unless ShareTexts() holds them;
    // m_pRoot and m_pHead become null.
    void RemoveAll();

    // Post-order: left subtree, right subtree, then the node with its entry. Their memory stays
    // with the tree's arenas until RemoveAll().
    static void FreeSubtree(CEntryNode* pNode);

    // The in-order list as of the last RebuildOrder(), for range-for: each element is a
    // const CIndexEntry&. Valid until the tree changes.
    class CInOrder {
    public:
        class CIterator {
        public:
            explicit CIterator(const CEntryNode* pNode) : m_pNode(pNode) {}
            const CIndexEntry& operator*() const { return *m_pNode->m_pEntry; }
            CIterator& operator++() {
                m_pNode = m_pNode->m_pNext;
                return *this;
            }
            bool operator==(const CIterator&) const = default;

        private:
            const CEntryNode* m_pNode;
        };
        explicit CInOrder(const CEntryNode* pHead) : m_pHead(pHead) {}
        CIterator begin() const { return CIterator(m_pHead); }
        CIterator end() const { return CIterator(nullptr); }

    private:
        const CEntryNode* m_pHead;
    };
    CInOrder InOrder() const { return CInOrder(m_pHead); }

    // Calls visit(const CIndexEntry&) for every entry in ascending order, whether or not the
    // in-order list is current.
    template <class TVisit>
    void ForEachEntry(TVisit&& visit) const {
        VisitSubtree(m_pRoot, visit);
    }

    const CEntryNode* GetHead() const { return m_pHead; }
    const CEntryNode* GetRoot() const { return m_pRoot; }
    std::size_t GetCount() const { return m_nCount; }

    // Number of nodes on the longest path from the root down (0 for an empty tree).
    int GetHeight() const;

    // Changes whenever the in-order list may have changed (RebuildOrder, RemoveAll), so that a
    // copy derived from the list knows when it is stale.
    std::uint64_t GetOrderGeneration() const { return m_nOrderGeneration; }

private:
    template <class TVisit>
    static void VisitSubtree(const CEntryNode* pNode, TVisit& visit) {
        // Recurses to the left and loops to the right: the depth stays the tree's height.
        for (; pNode != nullptr; pNode = pNode->m_pRight) {
            VisitSubtree(pNode->m_pLeft, visit);
            visit(*pNode->m_pEntry);
        }
    }

    CEntryNode* m_pHead = nullptr;             // first node of the in-order list; not owned
    CEntryNode* m_pRoot = nullptr;             // owns the whole tree
    const CIndexEntry* m_pGreatest = nullptr;  // the greatest entry (in the tree); not owned
    std::size_t m_nCount = 0;
    std::uint64_t m_nOrderGeneration = 1;
    // Nodes apart from entries: a node and an entry together take 64 bytes, and nodes made 2^k
    // insertions apart would then share cache sets, which is what the descents of an ascending
    // load touch. Measured (bench_index LoadIndex/1M, medians): 207 ms together, 190 ms apart.
    CEntryArena m_nodeArena;
    CEntryArena m_entryArena;
    std::shared_ptr<CEntryArena> m_pTextArena;  // entries' strings; made when first asked for
};

}  // namespace sitefinch
