// AVL insertion, the in-order list and freeing of the entry tree.
#include "EntryTree.h"

#include <algorithm>

namespace sitefinch {

namespace {

// Node N's left subtree has grown and N was already left-heavy: rotate so that the subtree in
// the slot regains the height it had before the insertion.
void RebalanceLeft(CEntryNode*& pSlot) {
    CEntryNode* pN = pSlot;
    CEntryNode* pL = pN->m_pLeft;
    if (pL->m_nBalance == -1) {
        pN->m_pLeft = pL->m_pRight;
        pL->m_pRight = pN;
        pN->m_nBalance = 0;
        pL->m_nBalance = 0;
        pSlot = pL;
        return;
    }
    CEntryNode* pG = pL->m_pRight;
    pL->m_pRight = pG->m_pLeft;
    pN->m_pLeft = pG->m_pRight;
    pG->m_pLeft = pL;
    pG->m_pRight = pN;
    pN->m_nBalance = (pG->m_nBalance == -1) ? 1 : 0;
    pL->m_nBalance = (pG->m_nBalance == 1) ? -1 : 0;
    pG->m_nBalance = 0;
    pSlot = pG;
}

// The mirror image of RebalanceLeft.
void RebalanceRight(CEntryNode*& pSlot) {
    CEntryNode* pN = pSlot;
    CEntryNode* pR = pN->m_pRight;
    if (pR->m_nBalance == 1) {
        pN->m_pRight = pR->m_pLeft;
        pR->m_pLeft = pN;
        pN->m_nBalance = 0;
        pR->m_nBalance = 0;
        pSlot = pR;
        return;
    }
    CEntryNode* pG = pR->m_pLeft;
    pN->m_pRight = pG->m_pLeft;
    pR->m_pLeft = pG->m_pRight;
    pG->m_pLeft = pN;
    pG->m_pRight = pR;
    pN->m_nBalance = (pG->m_nBalance == 1) ? -1 : 0;
    pR->m_nBalance = (pG->m_nBalance == -1) ? 1 : 0;
    pG->m_nBalance = 0;
    pSlot = pG;
}

// Inserts into the subtree in pSlot; bGrew tells the caller whether that subtree became one
// level taller. The recursion depth is the tree's height, which stays logarithmic. bAboveAll
// says the entry is known to be greater than every entry in the tree: each comparison on the way
// down would then say "go right", so none is made.
bool InsertAt(CEntryArena& nodeArena, CEntryNode*& pSlot, std::unique_ptr<CIndexEntry>& pEntry,
              bool& bGrew, bool bAboveAll) {
    if (pSlot == nullptr) {
        pSlot = new (nodeArena) CEntryNode(std::move(pEntry));
        bGrew = true;
        return true;
    }
    CEntryNode* pN = pSlot;
    // The next node down is one of these two: fetching both while this one decides overlaps
    // their cache misses with the comparison, which in a large tree is most of the descent.
    __builtin_prefetch(pN->m_pLeft);
    __builtin_prefetch(pN->m_pRight);
    // One three-way comparison decides what IsGreaterThan and then IsLessThan would decide.
    const int nOrder = bAboveAll ? -1 : pN->m_pEntry->CompareTo(*pEntry);
    if (nOrder > 0) {
        const bool bResult = InsertAt(nodeArena, pN->m_pLeft, pEntry, bGrew, false);
        if (bGrew) {
            if (pN->m_nBalance == 1) {
                pN->m_nBalance = 0;
                bGrew = false;
            } else if (pN->m_nBalance == 0) {
                pN->m_nBalance = -1;
            } else {
                RebalanceLeft(pSlot);
                bGrew = false;
            }
        }
        return bResult;
    }
    if (nOrder < 0) {
        const bool bResult = InsertAt(nodeArena, pN->m_pRight, pEntry, bGrew, bAboveAll);
        if (bGrew) {
            if (pN->m_nBalance == -1) {
                pN->m_nBalance = 0;
                bGrew = false;
            } else if (pN->m_nBalance == 0) {
                pN->m_nBalance = 1;
            } else {
                RebalanceRight(pSlot);
                bGrew = false;
            }
        }
        return bResult;
    }
    bGrew = false;
    return false;
}

// Recurses into left subtrees and loops along right subtrees; pTail is the node appended last.
void ChainInOrder(CEntryNode* pNode, CEntryNode*& pHead, CEntryNode*& pTail) {
    while (pNode != nullptr) {
        ChainInOrder(pNode->m_pLeft, pHead, pTail);
        pNode->m_pNext = nullptr;
        if (pTail != nullptr) {
            pTail->m_pNext = pNode;
        } else {
            pHead = pNode;
        }
        pTail = pNode;
        pNode = pNode->m_pRight;
    }
}

// Links the sorted nodes[nBegin, nEnd) into a balanced subtree and returns its root with its
// height. Allocates nothing, so it cannot fail half-way.
CEntryNode* LinkBalanced(const std::vector<CEntryNode*>& nodes, std::size_t nBegin,
                         std::size_t nEnd, int& nHeight) {
    if (nBegin == nEnd) {
        nHeight = 0;
        return nullptr;
    }
    const std::size_t nMiddle = nBegin + (nEnd - nBegin) / 2;
    int nLeftHeight = 0;
    int nRightHeight = 0;
    CEntryNode* pNode = nodes[nMiddle];
    pNode->m_pLeft = LinkBalanced(nodes, nBegin, nMiddle, nLeftHeight);
    pNode->m_pRight = LinkBalanced(nodes, nMiddle + 1, nEnd, nRightHeight);
    // The halves differ by at most one node, so their heights by at most one.
    pNode->m_nBalance = nRightHeight - nLeftHeight;
    nHeight = 1 + std::max(nLeftHeight, nRightHeight);
    return pNode;
}

int HeightOf(const CEntryNode* pNode) {
    if (pNode == nullptr) {
        return 0;
    }
    return 1 + std::max(HeightOf(pNode->m_pLeft), HeightOf(pNode->m_pRight));
}

}  // namespace

CEntryTree::~CEntryTree() {
    RemoveAll();
}

bool CEntryTree::Insert(std::unique_ptr<CIndexEntry>& pEntry) {
    if (!pEntry) {
        return false;
    }
    // An index file delivers its entries in ascending order: one comparison with the greatest
    // entry spares all those on the way down the right edge. The descent, and so the tree's
    // shape, stays exactly what the comparisons would have made it.
    const int nOrder = m_pGreatest != nullptr ? m_pGreatest->CompareTo(*pEntry) : -1;
    if (nOrder == 0) {
        return false;  // the greatest entry has this text: the first entry of a text wins
    }
    const bool bAboveAll = nOrder < 0;
    CIndexEntry* const pNew = pEntry.get();
    bool bGrew = false;
    const bool bInserted = InsertAt(m_nodeArena, m_pRoot, pEntry, bGrew, bAboveAll);
    if (bInserted) {
        ++m_nCount;
        if (bAboveAll) {
            m_pGreatest = pNew;
        }
    }
    return bInserted;
}

void CEntryTree::InsertBatch(std::vector<CBatchEntry>& entries) {
    if (m_pRoot != nullptr) {
        for (CBatchEntry& entry : entries) {
            Insert(entry.pEntry);
        }
        entries.clear();
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const CBatchEntry& a, const CBatchEntry& b) {
        const int nOrder = a.key.CompareTo(b.key);
        if (nOrder != 0 || (a.key.bComplete && b.key.bComplete)) {
            return nOrder < 0;
        }
        return a.pEntry->CompareTo(*b.pEntry) < 0;
    });
    // The nodes are made in ascending order, so they lie in the arena in that order and a walk
    // of the in-order list reads memory front to back.
    std::vector<CEntryNode*> nodes;
    nodes.reserve(entries.size());
    try {
        for (CBatchEntry& entry : entries) {
            nodes.push_back(new (m_nodeArena) CEntryNode(std::move(entry.pEntry)));
        }
    } catch (...) {
        for (CEntryNode* pNode : nodes) {
            delete pNode;
        }
        throw;
    }
    entries.clear();
    if (nodes.empty()) {
        return;
    }
    m_pGreatest = nodes.back()->m_pEntry.get();
    int nHeight = 0;
    m_pRoot = LinkBalanced(nodes, 0, nodes.size(), nHeight);
    m_nCount = nodes.size();
}

void CEntryTree::RebuildOrder() {
    ++m_nOrderGeneration;
    m_pHead = nullptr;
    CEntryNode* pTail = nullptr;
    ChainInOrder(m_pRoot, m_pHead, pTail);
}

void CEntryTree::RemoveAll() {
    CEntryNode* pRoot = m_pRoot;
    m_pRoot = nullptr;
    m_pHead = nullptr;
    m_pGreatest = nullptr;
    m_nCount = 0;
    ++m_nOrderGeneration;
    FreeSubtree(pRoot);
    m_nodeArena.Reset();
    m_entryArena.Reset();
    if (m_pTextArena.use_count() > 1) {
        m_pTextArena.reset();  // a result list still shows these texts: it frees them
    } else if (m_pTextArena) {
        m_pTextArena->Reset();
    }
}

CEntryMemory CEntryTree::GetEntryMemory() {
    if (!m_pTextArena) {
        m_pTextArena = std::make_shared<CEntryArena>();
    }
    return CEntryMemory{m_entryArena, *m_pTextArena};
}

void CEntryTree::FreeSubtree(CEntryNode* pNode) {
    // Recursion depth is the subtree's height, logarithmic in its size for an AVL tree.
    if (pNode == nullptr) {
        return;
    }
    FreeSubtree(pNode->m_pLeft);
    FreeSubtree(pNode->m_pRight);
    delete pNode;
}

int CEntryTree::GetHeight() const {
    return HeightOf(m_pRoot);
}

}  // namespace sitefinch
