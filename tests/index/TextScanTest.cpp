// The filter's block scan against memmem over each text alone.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "index/TextScan.h"

namespace sitefinch {
namespace {

struct CBlock {
    std::string sBytes;
    std::vector<std::uint32_t> offsets;
    explicit CBlock(const std::vector<std::string>& texts) {
        for (const std::string& sText : texts) {
            offsets.push_back(static_cast<std::uint32_t>(sBytes.size()));
            sBytes += sText;
            sBytes.push_back('\0');
        }
    }
    std::vector<std::uint32_t> Fast(const std::string& sNeedle) const {
        std::vector<std::uint32_t> matches;
        FindTextsContaining(sBytes.data(), sBytes.size(), offsets.data(), offsets.size(), sNeedle,
                            matches);
        return matches;
    }
    std::vector<std::uint32_t> Simple(const std::string& sNeedle) const {
        std::vector<std::uint32_t> matches;
        FindTextsContainingSimply(sBytes.data(), sBytes.size(), offsets.data(), offsets.size(),
                                  sNeedle, matches);
        return matches;
    }
};

// Places the 16-byte steps and the tail handle differently: at the block's ends, across the zero
// between two texts, longer than every text, the needle's first and last bytes alike.
TEST(TextScanTest, FindsWhatEachTextSearchedAloneFinds) {
    const std::string sLong(40, 'a');
    const struct {
        std::vector<std::string> texts;
        std::string sNeedle;
        std::vector<std::uint32_t> expected;
    } rows[] = {
        {{"setup", "printer setup"}, "setup", {0, 1}},
        {{"ab", "cd"}, "bc", {}},                  // only across the zero
        {{"", "x", ""}, "x", {1}},                 // empty texts around
        {{"abc"}, "abcd", {}},                     // longer than the block's text
        {{sLong, sLong + "b"}, sLong + "b", {1}},  // at the very end
        {{"aXa", "aaXaa", "a"}, "a", {0, 1, 2}},   // one byte, many per text
        {{std::string(31, 'x') + "ion", "ion"}, "ion", {0, 1}},
        {{"\xe4rger", "\xc3\xa4rger"}, "\xc3\xa4", {1}},  // bytes above 127
    };
    for (const auto& row : rows) {
        const CBlock block(row.texts);
        EXPECT_EQ(block.Fast(row.sNeedle), row.expected) << "needle " << row.sNeedle;
        EXPECT_EQ(block.Simple(row.sNeedle), row.expected) << "needle " << row.sNeedle;
    }
}

TEST(TextScanTest, AgreesWithTheSimpleScanOnRandomBlocks) {
    std::mt19937 random(7);
    const std::string sAlphabet = "aab ion\xe4\xc3";
    const auto randomText = [&](std::size_t nMax) {
        std::string s(std::uniform_int_distribution<std::size_t>(0, nMax)(random), ' ');
        for (char& c : s) {
            c = sAlphabet[random() % sAlphabet.size()];
        }
        return s;
    };
    for (int nRound = 0; nRound < 300; ++nRound) {
        std::vector<std::string> texts(1 + random() % 60);
        for (std::string& sText : texts) {
            sText = randomText(40);
        }
        const CBlock block(texts);
        std::string sNeedle = randomText(6);
        if (sNeedle.empty()) {
            sNeedle = "a";
        }
        ASSERT_EQ(block.Fast(sNeedle), block.Simple(sNeedle))
            << "round " << nRound << ", needle \"" << sNeedle << "\"";
    }
}

}  // namespace
}  // namespace sitefinch
