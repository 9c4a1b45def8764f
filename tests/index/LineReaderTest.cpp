// The line reader, byte for byte: line ends, long lines, capacities, percentages, read errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "index/LineReader.h"
#include "platform/FileError.h"
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
    CLineReader reader;
    CLineReader reference;
    EXPECT_TRUE(reader.Open(fs, "/f") && reference.Open(fs, "/f"));
    reader.MeasureLength();
    reference.MeasureLength();
    std::vector<char> line(nCapacity);
    std::vector<char> expected(nCapacity);
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

// The surprising rules by name; the random test below holds the reader to all of them.
TEST(LineReaderTest, ReadsLinesByTheRules) {
    struct Case {
        const char* pszName;
        std::string sContent;
        std::vector<Line> expected;
        std::size_t nCapacity = kLineCapacity;
    };
    const Case cases[] = {
        {"CR LF", "abc\r\ndef\r\n", {{"abc", true}, {"def", true}, {"", false}}},
        {"no final line end", "abc\ndef", {{"abc", true}, {"def", false}}},
        {"lone CR eats next byte", "abc\rdef\r\n", {{"abc", true}, {"ef", true}, {"", false}}},
        {"final lone CR", "abc\r", {{"abc", false}}},
        // The 1000th byte of a long line is lost between its pieces.
        {"1000 chars",
         std::string(999, 'x') + "Y\r\n",
         {{std::string(999, 'x'), true}, {"", true}, {"", false}}},
        {"capacity 10",
         "0123456789abcdef\r\nnext\r\n",
         {{"012345678", true}, {"next", true}, {"", false}},
         10},
        {"embedded NUL",
         std::string("ab\0cd\r\nef\r\n", 11),
         {{"ab", true}, {"ef", true}, {"", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(ReadAll(c.sContent, c.nCapacity), c.expected);
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

// The percentage is of the measured length, as the load's progress shows; without a measured
// (or with a zero) length it divides by one.
TEST(LineReaderTest, PercentDividesByOneWithoutAMeasuredLength) {
    CMemFileSystem fs;
    fs.SetFile("/g", "ab\n");
    fs.SetFile("/empty", "");
    char szLine[kLineCapacity];
    CLineReader unmeasured;
    ASSERT_TRUE(unmeasured.Open(fs, "/g"));
    EXPECT_TRUE(unmeasured.ReadLine(szLine, sizeof szLine));
    EXPECT_EQ(unmeasured.GetPercent(), 300);
    CLineReader empty;
    ASSERT_TRUE(empty.Open(fs, "/empty"));
    EXPECT_EQ(empty.MeasureLength(), 0);
    EXPECT_FALSE(empty.ReadLine(szLine, sizeof szLine));
    EXPECT_EQ(empty.GetPercent(), 0);
}

TEST(LineReaderTest, ReadAndLengthErrorsPassOut) {
    CMemFileSystem fs;
    fs.SetFile("/f", std::string(1500, 'x') + "\n");
    fs.FailReadsAfter("/f", 1000);
    fs.FailLength("/f");
    CLineReader reader;
    ASSERT_TRUE(reader.Open(fs, "/f"));
    EXPECT_THROW(reader.MeasureLength(), CFileError);
    char szLine[kLineCapacity];
    EXPECT_TRUE(reader.ReadLine(szLine, sizeof szLine));  // the first block was delivered
    EXPECT_THROW(reader.ReadLine(szLine, sizeof szLine), CFileError);
    reader.Close();
    EXPECT_EQ(fs.GetOpenCount(), 0);
}

}  // namespace
}  // namespace sitefinch
