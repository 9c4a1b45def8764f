// NormalizePath against a plain model that searches from the start after every removal, on
// random paths dense in separators and dots.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/PathParts.h"

namespace sitefinch {
namespace {

std::string ModelNormalize(std::string s, char cSeparator) {
    for (char& c : s) {
        if (c == '/' || c == '\\') {
            c = cSeparator;
        }
    }
    const std::string sParent = {cSeparator, '.', '.', cSeparator};
    for (std::size_t nAt; (nAt = s.find(sParent)) != std::string::npos && nAt != 0;) {
        const std::size_t nSlash = s.rfind(cSeparator, nAt - 1);
        const std::size_t nFrom = nSlash == std::string::npos ? 0 : nSlash;
        s.erase(nFrom, nAt + sParent.size() - 1 - nFrom);
    }
    const std::string sCurrent = {cSeparator, '.', cSeparator};
    for (std::size_t nAt; (nAt = s.find(sCurrent)) != std::string::npos;) {
        s.erase(nAt, 2);
    }
    return s;
}

TEST(NormalizePathModelTest, MatchesRestartingSearchOnRandomPaths) {
    std::mt19937 rng(5);
    const char kAlphabet[] = "/\\..ab";
    for (int i = 0; i < 200000; ++i) {
        std::string sPath;
        for (int n = static_cast<int>(rng() % 24); n > 0; --n) {
            sPath += kAlphabet[rng() % (sizeof kAlphabet - 1)];
        }
        for (const char cSeparator : {'/', '\\'}) {
            std::string sBuffer = sPath;
            NormalizePath(sBuffer.data(), cSeparator);
            sBuffer.resize(std::char_traits<char>::length(sBuffer.c_str()));
            ASSERT_EQ(sBuffer, ModelNormalize(sPath, cSeparator))
                << "path '" << sPath << "' with separator " << cSeparator;
        }
    }
}

}  // namespace
}  // namespace sitefinch
