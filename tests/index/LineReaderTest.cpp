// The line reader, byte for byte: line ends, long lines, capacities, percentages, read errors.
#include <gtest/gtest.h>

#include <cstring>

#include <cstdio>
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

// Every ReadLine result up to and including the first false.
std::vector<Line> ReadAll(const std::string& sContent, std::size_t nCapacity = kLineCapacity) {
    CMemFileSystem fs;
    fs.SetFile("/f.txt", sContent);
    CLineReader reader;
    EXPECT_TRUE(reader.Open(fs, "/f.txt"));
    std::vector<Line> lines;
    std::vector<char> buffer(nCapacity);
    for (;;) {
        const bool bResult = reader.ReadLine(buffer.data(), nCapacity);
        lines.push_back({buffer.data(), bResult});
        if (!bResult || lines.size() > 100) {
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
    if (i >= nCapacity) {
        i = nCapacity - 1;
    }
    work[i] = '\0';
    std::snprintf(pszLine, nCapacity, "%s", work);
    return bResult;
}

TEST(LineReaderTest, AgreesWithByteByByteStepsOnRandomFiles) {
    std::mt19937 rng(7);
    const char kCommon[] = {'a', 'b', '@', 'x', 'y', 'z', ' '};
    const char kRare[] = {'\r', '\n', '\0'};  // rare, so that long lines show their cut
    for (int nFile = 0; nFile < 300; ++nFile) {
        std::string sContent;
        const std::size_t nLength = rng() % 5000;
        // Long runs without line ends exercise the 999-character pieces and block boundaries.
        const unsigned nLineEndWeight = rng() % 3 == 0 ? 1 : 50;
        while (sContent.size() < nLength) {
            const unsigned r = rng() % 1000;
            sContent += r < nLineEndWeight ? kRare[rng() % 3] : kCommon[rng() % 7];
        }
        const std::size_t nCapacity = rng() % 4 == 0 ? 1 + rng() % 20 : kLineCapacity;
        CMemFileSystem fs;
        fs.SetFile("/f", sContent);
        CLineReader fast;
        CLineReader reference;
        ASSERT_TRUE(fast.Open(fs, "/f"));
        ASSERT_TRUE(reference.Open(fs, "/f"));
        fast.MeasureLength();
        reference.MeasureLength();
        std::vector<char> fastLine(nCapacity);
        std::vector<char> referenceLine(nCapacity);
        for (int nLine = 0;; ++nLine) {
            SCOPED_TRACE("file " + std::to_string(nFile) + ", line " + std::to_string(nLine));
            std::size_t nFastLength = 0;
            const bool bFast = fast.ReadLine(fastLine.data(), nCapacity, nFastLength);
            const bool bReference = ReferenceReadLine(reference, referenceLine.data(), nCapacity);
            ASSERT_EQ(bFast, bReference);
            ASSERT_STREQ(fastLine.data(), referenceLine.data());
            ASSERT_EQ(nFastLength, std::strlen(fastLine.data()));
            ASSERT_EQ(fast.GetPercent(), reference.GetPercent());
            if (!bFast) {
                break;
            }
        }
    }
}

// The percentage is of the measured length; without a measured (or with a zero) length it
// divides by one.
TEST(LineReaderTest, ReportsPercentOfMeasuredLength) {
    CMemFileSystem fs;
    fs.SetFile("/f", std::string(2000, 'x'));
    fs.SetFile("/g", "ab\n");
    fs.SetFile("/empty", "");
    CLineReader reader;
    ASSERT_TRUE(reader.Open(fs, "/f"));
    EXPECT_EQ(reader.MeasureLength(), 2000);
    EXPECT_EQ(reader.GetPercent(), 0);
    char c = 0;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(reader.ReadByte(c)) << "byte " << i;
        if (i == 499) {
            EXPECT_EQ(reader.GetPercent(), 25);
        }
    }
    EXPECT_EQ(reader.GetPercent(), 100);
    EXPECT_FALSE(reader.ReadByte(c));
    EXPECT_FALSE(reader.ReadByte(c)) << "the end stays the end";

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
