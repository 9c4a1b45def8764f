// The line reader, byte for byte: line ends, long lines, capacities, percentages. A load and a
// page scan show what a read error does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "index/LineReader.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

using Line = std::pair<std::string, bool>;  // text, result

// ReadLine exactly as the steps give it, one ReadByte at a time: the reference for the reader's
// own, faster, ReadLine.
bool ReferenceReadLine(CLineReader& reader, char* pszLine, std::size_t nCapacity) {
    char work[kLineCapacity];
    bool bResult = true;
    std::size_t i = 0;
    if (!reader.ReadByte(work[0])) {
        bResult = false;
    } else {
        while (work[i] != '\r' && work[i] != '\n' && i < kLineCapacity - 1) {
            ++i;
            if (!reader.ReadByte(work[i])) {
                bResult = false;
                break;
            }
        }
        if (bResult && work[i] == '\r' && !reader.ReadByte(work[i])) {
            bResult = false;
        }
    }
    work[std::min(i, nCapacity - 1)] = '\0';
    std::snprintf(pszLine, nCapacity, "%s", work);
    return bResult;
}

// Every ReadLine result up to and including the first false, each checked against the reference
// for its text, length, result and percentage.
std::vector<Line> ReadAll(const std::string& sContent, std::size_t nCapacity) {
    CMemFileSystem fs;
    fs.SetFile("/f", sContent);
    CLineReader reader, reference;
    EXPECT_TRUE(reader.Open(fs, "/f") && reference.Open(fs, "/f"));
    reader.MeasureLength();
    reference.MeasureLength();
    std::vector<char> line(nCapacity), expected(nCapacity);
    std::vector<Line> lines;
    const bool bFailedBefore = ::testing::Test::HasFailure();
    // Each true result consumes a byte, so the bound only stops a reader that never ends.
    for (bool bResult = true; bResult && lines.size() <= sContent.size();) {
        SCOPED_TRACE("line " + std::to_string(lines.size()));
        std::size_t nLength = 0;
        bResult = reader.ReadLine(line.data(), nCapacity, nLength);
        EXPECT_EQ(bResult, ReferenceReadLine(reference, expected.data(), nCapacity));
        EXPECT_STREQ(line.data(), expected.data());
        EXPECT_EQ(nLength, std::strlen(line.data()));
        EXPECT_EQ(reader.GetPercent(), reference.GetPercent());
        lines.emplace_back(line.data(), bResult);
        if (::testing::Test::HasFailure() && !bFailedBefore) {
            break;
        }
    }
    return lines;
}

// The surprising rules by name; the random test below holds the reader to all of them. CR LF and
// LF ends, a missing final line end and NULs are in the damaged golden index file.
TEST(LineReaderTest, ReadsLinesByTheRules) {
    const struct {
        const char* pszName;
        std::string sContent;
        std::vector<Line> expected;
    } cases[] = {
        {"empty file", "", {{"", false}}},  // measured as 0 bytes, it still divides by 1
        {"lone CR eats next byte", "abc\rdef\r\n", {{"abc", true}, {"ef", true}, {"", false}}},
        {"final lone CR", "abc\r", {{"abc", false}}},
        // The 1000th byte of a long line is lost between its pieces.
        {"1000 chars",
         std::string(999, 'x') + "Y\r\n",
         {{std::string(999, 'x'), true}, {"", true}, {"", false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(ReadAll(c.sContent, kLineCapacity), c.expected);
    }
}

TEST(LineReaderTest, AgreesWithByteByByteStepsOnRandomFiles) {
    std::mt19937 rng(7);
    for (int nFile = 0; nFile < 300 && !HasFailure(); ++nFile) {
        SCOPED_TRACE("file " + std::to_string(nFile));
        std::string sContent(rng() % 5000, ' ');
        // Line ends and NULs are rare, or in a third of the files very rare, so that long lines
        // exercise the 999-character pieces and the block boundaries.
        const unsigned nLineEndWeight = rng() % 3 == 0 ? 1 : 50;
        for (char& c : sContent) {
            c = rng() % 1000 < nLineEndWeight ? "\r\n"[rng() % 3] : "ab@xyz "[rng() % 7];
        }
        ReadAll(sContent, rng() % 4 == 0 ? 1 + rng() % 20 : kLineCapacity);
    }
}

}  // namespace
}  // namespace sitefinch
