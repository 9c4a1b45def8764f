// The entry order and the AVL tree: checked against std::map and the balance invariants.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "index/EntryTree.h"
#include "index/LinkEntry.h"

namespace sitefinch {
namespace {

std::unique_ptr<CIndexEntry> MakeEntry(const std::string& sText, const std::string& sTarget = "t") {
    return std::make_unique<CLinkEntry>(sTarget.c_str(), sText.c_str());
}

std::vector<std::string> InOrderTexts(const CEntryTree& tree) {
    std::vector<std::string> texts;
    for (const CEntryNode* p = tree.GetHead(); p != nullptr; p = p->m_pNext) {
        texts.emplace_back(p->m_pEntry->GetText());
    }
    return texts;
}

// Returns the subtree's height and checks order bounds, balance fields and |diff| <= 1.
int CheckAvl(const CEntryNode* pNode, const char* pszLow, const char* pszHigh, int& nNodes) {
    if (pNode == nullptr) {
        return 0;
    }
    ++nNodes;
    const char* pszText = pNode->m_pEntry->GetText();
    if (pszLow != nullptr) {
        EXPECT_LT(CompareEntryTexts(pszLow, pszText), 0) << pszText;
    }
    if (pszHigh != nullptr) {
        EXPECT_GT(CompareEntryTexts(pszHigh, pszText), 0) << pszText;
    }
    const int nLeft = CheckAvl(pNode->m_pLeft, pszLow, pszText, nNodes);
    const int nRight = CheckAvl(pNode->m_pRight, pszText, pszHigh, nNodes);
    EXPECT_EQ(pNode->m_nBalance, nRight - nLeft) << "at " << pszText;
    EXPECT_LE(std::abs(nRight - nLeft), 1) << "at " << pszText;
    return 1 + std::max(nLeft, nRight);
}

struct FoldedLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return CompareEntryTexts(a.c_str(), b.c_str()) < 0;
    }
};

TEST(EntryOrderTest, FoldsAsciiLettersOnlyAndComparesUnsignedBytes) {
    struct Case {
        const char* pszSmaller;
        const char* pszGreater;
    };
    const Case cases[] = {
        {"alpha", "Beta"},
        {"Beta", "gamma"},
        {"a_b", "aab"},  // '_' is 95, 'a' 97
        {"", "a"},
        {"abc", "abcd"},
        {"Zebra", "\xC4rger"},
        {"\xC4rger", "\xE4rger"},  // 196 and 228 are not case-mapped
        {"[", "Z"},  // 'Z' is folded to 122, above '[' (91), although 'Z' itself is 90
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszSmaller) + " < " + c.pszGreater);
        EXPECT_LT(CompareEntryTexts(c.pszSmaller, c.pszGreater), 0);
        EXPECT_GT(CompareEntryTexts(c.pszGreater, c.pszSmaller), 0);
        CLinkEntry a("x", c.pszSmaller);
        CLinkEntry b("y", c.pszGreater);
        EXPECT_TRUE(a.IsLessThan(b));
        EXPECT_FALSE(a.IsGreaterThan(b));
        EXPECT_TRUE(b.IsGreaterThan(a));
    }
    EXPECT_EQ(CompareEntryTexts("Index", "iNDEX"), 0);
}

TEST(EntryTest, KeepsLowerCasedCopyAfterRewrite) {
    CLinkEntry entry("Target", "Gr\xD6SSE &auml;");
    EXPECT_STREQ(entry.GetLowerText(), "gr\xF6sse &auml;");
    EXPECT_STREQ(entry.GetTarget(), "Target");  // targets are kept as given
    std::snprintf(entry.GetMutableText(), 4, "%s", "ABC");
    entry.UpdateLowerText();
    EXPECT_STREQ(entry.GetLowerText(), "abc");
    EXPECT_EQ(entry.GetTextLength(), 3u);
}

TEST(EntryTreeTest, MatchesOrderedMapUnderRandomInsertions) {
    std::mt19937 rng(20240611);
    const char kAlphabet[] = "abcABC_-\xC4\xE4 z";
    CEntryTree tree;
    std::map<std::string, std::string, FoldedLess> model;
    for (int i = 0; i < 5000; ++i) {
        std::string sText;
        const int nLength = static_cast<int>(rng() % 6);
        for (int k = 0; k < nLength; ++k) {
            sText += kAlphabet[rng() % (sizeof kAlphabet - 1)];
        }
        const std::string sTarget = "target" + std::to_string(i);
        auto pEntry = MakeEntry(sText, sTarget);
        const bool bExpected = model.emplace(sText, sTarget).second;
        SCOPED_TRACE("insert #" + std::to_string(i) + " '" + sText + "'");
        ASSERT_EQ(tree.Insert(pEntry), bExpected);
        // A rejected entry comes back to the caller untouched.
        EXPECT_EQ(pEntry != nullptr, !bExpected);
        if (i % 500 == 0) {
            int nNodes = 0;
            CheckAvl(tree.GetRoot(), nullptr, nullptr, nNodes);
            ASSERT_EQ(static_cast<std::size_t>(nNodes), model.size());
        }
    }
    int nNodes = 0;
    const int nHeight = CheckAvl(tree.GetRoot(), nullptr, nullptr, nNodes);
    EXPECT_EQ(nHeight, tree.GetHeight());
    EXPECT_EQ(tree.GetCount(), model.size());

    EXPECT_TRUE(InOrderTexts(tree).empty()) << "the in-order list is stale until RebuildOrder";
    tree.RebuildOrder();
    std::vector<std::string> expectedTexts;
    std::vector<std::string> expectedTargets;
    for (const auto& [sText, sTarget] : model) {
        expectedTexts.push_back(sText);
        expectedTargets.push_back(sTarget);
    }
    EXPECT_EQ(InOrderTexts(tree), expectedTexts);
    // First wins: every text keeps the target it was first inserted with.
    std::size_t i = 0;
    for (const CEntryNode* p = tree.GetHead(); p != nullptr; p = p->m_pNext, ++i) {
        ASSERT_LT(i, expectedTargets.size());
        EXPECT_EQ(p->m_pEntry->GetTarget(), expectedTargets[i]);
    }
}

TEST(EntryTreeTest, AscendingAndDescendingInsertionsStayWithinAvlBound) {
    for (const bool bAscending : {true, false}) {
        SCOPED_TRACE(bAscending ? "ascending" : "descending");
        const int kCount = 100000;
        CEntryTree tree;
        char szText[16];
        for (int i = 0; i < kCount; ++i) {
            std::snprintf(szText, sizeof szText, "%07d", bAscending ? i : kCount - 1 - i);
            auto pEntry = MakeEntry(szText);
            ASSERT_TRUE(tree.Insert(pEntry));
        }
        EXPECT_LE(tree.GetHeight(), 23);
        int nNodes = 0;
        CheckAvl(tree.GetRoot(), nullptr, nullptr, nNodes);
        tree.RebuildOrder();
        int nExpected = 0;
        for (const CEntryNode* p = tree.GetHead(); p != nullptr; p = p->m_pNext, ++nExpected) {
            std::snprintf(szText, sizeof szText, "%07d", nExpected);
            ASSERT_STREQ(p->m_pEntry->GetText(), szText);
        }
        EXPECT_EQ(nExpected, kCount);
    }
}

// The tree drawn as "(left)text(right)", to compare shapes exactly.
std::string Shape(const CEntryNode* pNode) {
    if (pNode == nullptr) {
        return "";
    }
    return "(" + Shape(pNode->m_pLeft) + ")" + pNode->m_pEntry->GetText() + "(" +
           Shape(pNode->m_pRight) + ")";
}

// Texts above every other one take a short cut down the right edge; the shape must be the one
// the comparisons make, and a text equal to the greatest one must still be turned away.
TEST(EntryTreeTest, NewGreatestTextsBuildTheSameShape) {
    CEntryTree tree;
    struct Step {
        const char* pszText;
        bool bInserted;
        const char* pszShape;  // after the step
    };
    const Step steps[] = {
        {"b", true, "()b()"},
        {"c", true, "()b(()c())"},
        {"d", true, "(()b())c(()d())"},  // rotated at the root
        {"D", false, "(()b())c(()d())"},
        {"a", true, "((()a())b())c(()d())"},
        {"e", true, "((()a())b())c(()d(()e()))"},
        {"f", true, "((()a())b())c((()d())e(()f()))"},  // rotated below the root
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pszText);
        auto pEntry = MakeEntry(step.pszText);
        EXPECT_EQ(tree.Insert(pEntry), step.bInserted);
        EXPECT_EQ(Shape(tree.GetRoot()), step.pszShape);
    }
    tree.RemoveAll();
    // The greatest text is forgotten with the entries: these must not be compared with it.
    for (const char* pszText : {"B", "a"}) {
        auto pEntry = MakeEntry(pszText);
        EXPECT_TRUE(tree.Insert(pEntry)) << pszText;
    }
    EXPECT_EQ(Shape(tree.GetRoot()), "(()a())B()");
}

TEST(EntryTreeTest, RemoveAllEmptiesTreeAndList) {
    CEntryTree tree;
    tree.RebuildOrder();
    EXPECT_EQ(tree.GetHead(), nullptr);
    for (const char* pszText : {"b", "a", "c"}) {
        auto pEntry = MakeEntry(pszText);
        tree.Insert(pEntry);
    }
    tree.RebuildOrder();
    ASSERT_NE(tree.GetHead(), nullptr);
    tree.RemoveAll();
    EXPECT_EQ(tree.GetHead(), nullptr);
    EXPECT_EQ(tree.GetRoot(), nullptr);
    EXPECT_EQ(tree.GetCount(), 0u);
    EXPECT_EQ(tree.GetHeight(), 0);
    auto pEntry = MakeEntry("again");
    EXPECT_TRUE(tree.Insert(pEntry));
}

}  // namespace
}  // namespace sitefinch
