// The entry order, the text set that must agree with it, and the AVL tree: checked against
// std::map and the balance invariants.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "index/EntryTextSet.h"
#include "index/EntryTree.h"
#include "index/LinkEntry.h"

namespace sitefinch {
namespace {

std::unique_ptr<CIndexEntry> MakeEntry(const std::string& sText, const std::string& sTarget = "t") {
    return std::make_unique<CLinkEntry>(sTarget.c_str(), sText.c_str());
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
std::string Shape(const CEntryNode* pNode) {
    if (pNode == nullptr) {
        return "";
    }
    return "(" + Shape(pNode->m_pLeft) + ")" + pNode->m_pEntry->GetText() + "(" +
           Shape(pNode->m_pRight) + ")";
}

// Only 'A'..'Z' fold, and bytes compare unsigned; the text set's equality is exactly the order's.
TEST(EntryOrderTest, FoldsAsciiLettersOnlyAndTheTextSetAgrees) {
    struct Case {
        const char* pszLeft;
        const char* pszRight;
        int nSign;
    };
    const Case cases[] = {
        {"alpha", "Beta", -1},
        {"a_b", "aab", -1},  // '_' is 95, 'a' 97
        {"", "a", -1},
        {"abc", "abcd", -1},
        {"Zebra", "\xC4rger", -1},
        {"\xC4rger", "\xE4rger", -1},
        {"[", "Z", -1},  // 'Z' is folded to 122, above '[' (91)
        {"@", "`", -1},
        {"[x]", "{x}", -1},
        {"Topic", "tOPIC", 0},
        {"", "", 0},
        {"Page 2", "Page 1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.pszLeft + "' vs '" + c.pszRight + "'");
        const int nSign = CompareEntryTexts(c.pszLeft, c.pszRight);
        EXPECT_EQ((nSign > 0) - (nSign < 0), c.nSign);
        EXPECT_EQ(CLinkEntry("x", c.pszLeft).IsLessThan(CLinkEntry("y", c.pszRight)), c.nSign < 0);
        EXPECT_EQ(CLinkEntry("x", c.pszLeft).IsGreaterThan(CLinkEntry("y", c.pszRight)),
                  c.nSign > 0);
        CEntryTextSet set;
        set.Add(c.pszLeft);
        EXPECT_EQ(set.Contains(c.pszRight), c.nSign == 0);
        set.Clear();
        EXPECT_FALSE(set.Contains(c.pszLeft));
    }
}

// The set hashes eight bytes at a time with the letters folded in place: a text must be found
// whatever case its letters have and wherever in a word they sit, and nothing else may fold.
TEST(EntryTextSetTest, FindsATextUnderEveryCasingOfEachByteInEveryPlace) {
    for (std::size_t nPlace = 0; nPlace < 17; ++nPlace) {
        for (int nByte = 1; nByte < 256; ++nByte) {
            std::string sText(17, 'q');
            sText[nPlace] = static_cast<char>(nByte);
            std::string sOther = sText;
            if (nByte >= 'a' && nByte <= 'z') {
                sOther[nPlace] = static_cast<char>(nByte - 32);
            } else if (nByte >= 'A' && nByte <= 'Z') {
                sOther[nPlace] = static_cast<char>(nByte + 32);
            }
            SCOPED_TRACE("byte " + std::to_string(nByte) + " at " + std::to_string(nPlace));
            CEntryTextSet set;
            set.Add(sText);
            EXPECT_TRUE(set.Contains(sOther));
            EXPECT_FALSE(set.Contains(sText.substr(0, 16)));
        }
    }
}

struct FoldedLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return CompareEntryTexts(a.c_str(), b.c_str()) < 0;
    }
};

// The tree and the text set against std::map: same membership, order and first-wins targets.
// Half the texts are short; the other half lie around the key length, where many share their
// whole key prefix and differ (or not) only after it.
TEST(EntryTreeTest, MatchesOrderedMapUnderRandomInsertions) {
    std::mt19937 rng(20240611);
    const char kShortAlphabet[] = "abcABC_-\xC4\xE4 z";
    const char kKeyAlphabet[] = "aAbB\xE4";
    constexpr std::size_t kKeyBytes = CEntryNode::CKey::kKeyBytes;
    CEntryTree tree;
    CEntryTextSet set;
    std::map<std::string, std::string, FoldedLess> model;
    for (int i = 0; i < 20000; ++i) {
        std::string sText;
        if (i % 2 == 0) {
            for (int k = static_cast<int>(rng() % 6); k > 0; --k) {
                sText += kShortAlphabet[rng() % (sizeof kShortAlphabet - 1)];
            }
        } else {
            sText = "See topic ";
            const std::size_t nLength = kKeyBytes - 2 + rng() % 5;
            while (sText.size() < nLength) {
                sText += kKeyAlphabet[rng() % (sizeof kKeyAlphabet - 1)];
            }
        }
        const std::string sTarget = "target" + std::to_string(i);
        auto pEntry = MakeEntry(sText, sTarget);
        const bool bExpected = model.emplace(sText, sTarget).second;
        SCOPED_TRACE("insert #" + std::to_string(i) + " '" + sText + "'");
        ASSERT_EQ(set.Contains(sText), !bExpected);
        const CIndexEntry* pStored = pEntry.get();
        ASSERT_EQ(tree.Insert(pEntry), bExpected);
        EXPECT_EQ(pEntry != nullptr, !bExpected) << "a rejected entry comes back untouched";
        if (bExpected) {
            set.Add(std::string_view(pStored->GetText(), pStored->GetTextLength()));
        }
        if (i % 500 == 0) {
            CheckAvl(tree.GetRoot());
        }
    }
    EXPECT_EQ(CheckAvl(tree.GetRoot()), tree.GetHeight());
    EXPECT_EQ(tree.GetCount(), model.size());
    EXPECT_EQ(tree.GetHead(), nullptr) << "the in-order list is stale until RebuildOrder";
    // First wins: every text keeps the target it was first inserted with.
    const auto expectModelOrder = [&model](CEntryTree& t) {
        t.RebuildOrder();
        auto it = model.begin();
        for (const CEntryNode* p = t.GetHead(); p != nullptr; p = p->m_pNext, ++it) {
            ASSERT_NE(it, model.end());
            EXPECT_EQ(p->m_pEntry->GetText(), it->first);
            EXPECT_EQ(p->m_pEntry->GetTarget(), it->second);
        }
        EXPECT_EQ(it, model.end());
    };
    expectModelOrder(tree);

    // The same entries as one batch, in random order, into an empty tree; then single
    // insertions, which must still find the tree balanced and know its greatest text.
    std::vector<CEntryTree::CBatchEntry> batch;
    for (const auto& [sText, sTarget] : model) {
        batch.emplace_back(MakeEntry(sText, sTarget));
    }
    std::shuffle(batch.begin(), batch.end(), rng);
    CEntryTree batchTree;
    batchTree.InsertBatch(batch);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(batchTree.GetCount(), model.size());
    EXPECT_EQ(CheckAvl(batchTree.GetRoot()), batchTree.GetHeight());
    EXPECT_LE(batchTree.GetHeight(), tree.GetHeight());
    expectModelOrder(batchTree);
    for (const std::string sText : {"\xFF\xFF", "\xFF\xFE", "\xFF\xFF", "0", "zz"}) {
        auto pEntry = MakeEntry(sText, "late");
        EXPECT_EQ(batchTree.Insert(pEntry), model.emplace(sText, "late").second) << sText;
    }
    EXPECT_EQ(CheckAvl(batchTree.GetRoot()), batchTree.GetHeight());
    expectModelOrder(batchTree);
}

TEST(EntryTreeTest, NewGreatestTextsBuildTheSameShape) {
    CEntryTree tree;
    const std::tuple<const char*, bool, const char*> steps[] = {
        {"b", true, "()b()"},
        {"c", true, "()b(()c())"},
        {"d", true, "(()b())c(()d())"},  // rotated at the root
        {"D", false, "(()b())c(()d())"},
        {"a", true, "((()a())b())c(()d())"},
        {"e", true, "((()a())b())c(()d(()e()))"},
        {"f", true, "((()a())b())c((()d())e(()f()))"},  // rotated below the root
    };
    for (const auto& [pszText, bInserted, pszShape] : steps) {
        SCOPED_TRACE(pszText);
        auto pEntry = MakeEntry(pszText);
        EXPECT_EQ(tree.Insert(pEntry), bInserted);
        EXPECT_EQ(Shape(tree.GetRoot()), pszShape);
    }
    tree.RebuildOrder();
    tree.RemoveAll();
    EXPECT_EQ(tree.GetHead(), nullptr);
    EXPECT_EQ(tree.GetCount(), 0u);
    EXPECT_EQ(tree.GetHeight(), 0);
    // The greatest text is forgotten with the entries: these must not be compared with it.
    for (const char* pszText : {"B", "a"}) {
        auto pEntry = MakeEntry(pszText);
        EXPECT_TRUE(tree.Insert(pEntry)) << pszText;
    }
    EXPECT_EQ(Shape(tree.GetRoot()), "(()a())B()");
}

}  // namespace
}  // namespace sitefinch
