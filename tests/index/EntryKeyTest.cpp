// The tree's key prefixes, on texts around the key length where a prefix alone cannot decide.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "index/EntryTree.h"
#include "index/LinkEntry.h"

namespace sitefinch {
namespace {

constexpr std::size_t kKeyBytes = CEntryNode::CKey::kKeyBytes;

// Random texts of kKeyBytes - 2 .. kKeyBytes + 2 bytes over a few letters of both cases and a
// high byte, so that many share their whole key and differ (or not) only after it.
std::string RandomText(std::mt19937& rng) {
    const char kAlphabet[] = "aAbB\xE4";
    std::string sText = "See topic ";
    const std::size_t nLength = kKeyBytes - 2 + rng() % 5;
    while (sText.size() < nLength) {
        sText += kAlphabet[rng() % (sizeof kAlphabet - 1)];
    }
    return sText;
}

TEST(EntryKeyTest, KeysOrderLikeTheTextsAsFarAsTheyReach) {
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const std::string sA = RandomText(rng).substr(0, rng() % (kKeyBytes + 3));
        const std::string sB = RandomText(rng).substr(0, rng() % (kKeyBytes + 3));
        SCOPED_TRACE("'" + sA + "' vs '" + sB + "'");
        const CEntryNode::CKey a = CEntryNode::CKey::Of(sA.c_str());
        const CEntryNode::CKey b = CEntryNode::CKey::Of(sB.c_str());
        const int nKey = a.CompareTo(b);
        const int nText = CompareEntryTexts(sA.c_str(), sB.c_str());
        if (nKey != 0) {
            EXPECT_EQ(nKey < 0, nText < 0);
        } else if (a.bComplete && b.bComplete) {
            EXPECT_EQ(nText, 0);
        } else {
            EXPECT_FALSE(a.bComplete || b.bComplete) << "equal keys of a short and a long text";
        }
    }
}

}  // namespace
}  // namespace sitefinch
