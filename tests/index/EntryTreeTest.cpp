// The entry order, the text set that must agree with it, and the AVL tree with its batch build by
// key prefixes: checked against std::map and the balance invariants.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "index/EntryTree.h"
#include "index/LinkEntry.h"
#include "indexer/EntryTextSet.h"

namespace sitefinch {
namespace {

// An entry made in the arena of the tree it is meant for.
std::unique_ptr<CIndexEntry> MakeEntry(CEntryTree& tree, const std::string& sText,
                                       const std::string& sTarget = "t") {
    const CEntryMemory memory = tree.GetEntryMemory();
    return std::unique_ptr<CIndexEntry>(new (memory)
                                            CLinkEntry(memory, sTarget.c_str(), sText.c_str()));
}

// Returns the subtree's height and checks order bounds, balance fields and |diff| <= 1.
int CheckAvl(const CEntryNode* pNode, const char* pszLow = nullptr, const char* pszHigh = nullptr) {
    if (pNode == nullptr) {
        return 0;
    }
    const char* pszText = pNode->m_pEntry->GetText();
    EXPECT_TRUE(pszLow == nullptr || CompareEntryTexts(pszLow, pszText) < 0) << pszText;
    EXPECT_TRUE(pszHigh == nullptr || CompareEntryTexts(pszHigh, pszText) > 0) << pszText;
    const int nLeft = CheckAvl(pNode->m_pLeft, pszLow, pszText);
    const int nRight = CheckAvl(pNode->m_pRight, pszText, pszHigh);
    EXPECT_EQ(pNode->m_nBalance, nRight - nLeft) << "at " << pszText;
    EXPECT_LE(std::abs(nRight - nLeft), 1) << "at " << pszText;
    return 1 + std::max(nLeft, nRight);
}

// The tree drawn as "(left)text(right)", to compare shapes exactly.
std::string Shape(const CEntryNode* p) {
    return p == nullptr ? ""
                        : "(" + Shape(p->m_pLeft) + ")" + p->m_pEntry->GetText() + "(" +
                              Shape(p->m_pRight) + ")";
}

// Only 'A'..'Z' fold, and bytes compare unsigned: each text sorts strictly before the next ('Z'
// folded to 122 sorts between '[' and '{', and '@' and '`' stay apart), and the text set tells
// apart exactly the texts that the order tells apart. The set hashes eight bytes at a time with
// the letters folded in place: the texts that differ only in case put a capital 'A' and 'Z' in
// every byte of a word, and end in a part word.
TEST(EntryOrderTest, FoldsAsciiLettersOnlyAndTheTextSetAgrees) {
    const char* const kAscending[] = {
        "",     "@",     "[",    "[x]",    "_",      "`",     "a",   "a_b",      "aab",     "abc",
        "abcd", "alpha", "Beta", "Page 1", "Page 2", "Zebra", "{x}", "\xC4rger", "\xE4rger"};
    const auto sign = [](int n) { return (n > 0) - (n < 0); };
    CEntryArena objectArena;
    CEntryArena textArena;
    const CEntryMemory arena{objectArena, textArena};
    for (std::size_t i = 0; i < std::size(kAscending); ++i) {
        const CLinkEntry entry(arena, "x", kAscending[i]);
        CEntryTextSet set;
        set.Add(kAscending[i]);
        for (std::size_t j = 0; j < std::size(kAscending); ++j) {
            SCOPED_TRACE(std::string("'") + kAscending[i] + "' vs '" + kAscending[j] + "'");
            const int nSign = (i > j) - (i < j);
            EXPECT_EQ(sign(CompareEntryTexts(kAscending[i], kAscending[j])), nSign);
            EXPECT_EQ(sign(entry.CompareTo(CLinkEntry(arena, "y", kAscending[j]))), nSign);
            EXPECT_EQ(set.Contains(kAscending[j]), i == j);
        }
    }
    for (const auto& [pszA, pszB] :
         {std::pair("Topic", "tOPIC"),
          std::pair("AZAZAZAZzazazazaABCDEFGHIJKLMNOPQRSTUVWXYZ",
                    "azazazazZAZAZAZAabcdefghijklmnopqrstuvwxyz"),
          // Equal texts whose zeros end an eight-byte step: the compare must stop there.
          std::pair("Seven c", "Seven c"),
          std::pair("Twenty-three characters", "twenty-THREE characters")}) {
        CEntryTextSet set;
        set.Add(pszA);
        EXPECT_TRUE(set.Contains(pszB)) << pszB;
        EXPECT_EQ(CompareEntryTexts(pszA, pszB), 0) << pszB;
        EXPECT_EQ(CLinkEntry(arena, "x", pszA).CompareTo(CLinkEntry(arena, "y", pszB)), 0) << pszB;
    }
}

// The tree and the text set against std::map: same membership, order and first-wins targets.
// Half the texts are short; the other half lie around the key length, where many share their
// whole key prefix and differ (or not) only after it, so the keys alone cannot decide.
TEST(EntryTreeTest, MatchesOrderedMapUnderRandomInsertions) {
    std::mt19937 rng(20240611);
    CEntryTree tree;
    CEntryTextSet set;
    const auto less = [](const std::string& a, const std::string& b) {
        return CompareEntryTexts(a.c_str(), b.c_str()) < 0;
    };
    std::map<std::string, std::string, decltype(less)> model(less);
    for (int i = 0; i < 20000; ++i) {
        const bool bShort = i % 2 == 0;
        const char* pszAlphabet = bShort ? "abcABC_-\xC4\xE4 z" : "aAbB\xE4";
        std::string sText = bShort ? "" : "See topic ";
        const std::size_t nLength = bShort ? rng() % 6 : CEntryKey::kKeyBytes - 2 + rng() % 5;
        while (sText.size() < nLength) {
            sText += pszAlphabet[rng() % std::strlen(pszAlphabet)];
        }
        const std::string sTarget = "target" + std::to_string(i);
        auto pEntry = MakeEntry(tree, sText, sTarget);
        const bool bNew = model.emplace(sText, sTarget).second;
        SCOPED_TRACE("insert #" + std::to_string(i) + " '" + sText + "'");
        ASSERT_EQ(set.Contains(sText), !bNew);
        if (bNew) {  // the set keeps a view of the entry's own text, which the tree will own
            set.Add(std::string_view(pEntry->GetText(), pEntry->GetTextLength()));
        }
        ASSERT_EQ(tree.Insert(pEntry), bNew);
        EXPECT_EQ(pEntry != nullptr, !bNew) << "a rejected entry comes back untouched";
        if (i % 500 == 0) {
            CheckAvl(tree.GetRoot());
        }
    }
    EXPECT_EQ(CheckAvl(tree.GetRoot()), tree.GetHeight());
    EXPECT_EQ(tree.GetCount(), model.size());
    // First wins: every text keeps the target it was first inserted with.
    const auto expectModelOrder = [&model](CEntryTree& t) {
        t.RebuildOrder();
        auto it = model.begin();
        for (const CIndexEntry& entry : t.InOrder()) {
            ASSERT_NE(it, model.end());
            EXPECT_EQ(entry.GetText(), it->first);
            EXPECT_EQ(entry.GetTarget(), it->second);
            ++it;
        }
        EXPECT_EQ(it, model.end());
    };
    expectModelOrder(tree);

    // The same entries as one batch, in random order, into an empty tree; then single
    // insertions, which must still find the tree balanced and know its greatest text.
    CEntryTree batchTree;
    std::vector<CEntryTree::CBatchEntry> batch;
    for (const auto& [sText, sTarget] : model) {
        batch.emplace_back(MakeEntry(batchTree, sText, sTarget));
    }
    std::shuffle(batch.begin(), batch.end(), rng);
    batchTree.InsertBatch(batch);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(batchTree.GetCount(), model.size());
    EXPECT_LE(batchTree.GetHeight(), tree.GetHeight());
    for (const std::string sText : {"\xFF\xFF", "\xFF\xFE", "\xFF\xFF", "0", "zz"}) {
        auto pEntry = MakeEntry(batchTree, sText, "late");
        EXPECT_EQ(batchTree.Insert(pEntry), model.emplace(sText, "late").second) << sText;
    }
    EXPECT_EQ(CheckAvl(batchTree.GetRoot()), batchTree.GetHeight());
    expectModelOrder(batchTree);
}

// A greatest text kept past RemoveAll() would be read after it was freed, and could turn away the
// same text as if it were still there.
TEST(EntryTreeTest, RemoveAllForgetsTheGreatestText) {
    CEntryTree tree;
    const auto insert = [&tree](const char* pszText) {
        auto pEntry = MakeEntry(tree, pszText);
        return tree.Insert(pEntry);
    };
    ASSERT_TRUE(insert("b") && insert("c") && insert("d"));
    tree.RemoveAll();
    EXPECT_EQ(tree.GetCount(), 0u);
    EXPECT_EQ(tree.GetHeight(), 0);
    EXPECT_TRUE(insert("B") && insert("a") && insert("D"));
    EXPECT_EQ(Shape(tree.GetRoot()), "(()a())B(()D())");
}

}  // namespace
}  // namespace sitefinch
