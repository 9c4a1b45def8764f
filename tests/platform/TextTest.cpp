// Tests of the Windows-1252 case mapping and the bounded copies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Text.h"

namespace sitefinch {
namespace {

// Expected lower case of every byte, written down from the rule rather than computed like the
// implementation: the letters that have a lower case form, listed pairwise.
unsigned char ExpectedLower(unsigned char c) {
    static const unsigned char kPairs[][2] = {
        {0x8A, 0x9A},
        {0x8C, 0x9C},
        {0x8E, 0x9E},
        {0x9F, 0xFF},
    };
    for (const auto& pair : kPairs) {
        if (c == pair[0]) {
            return pair[1];
        }
    }
    const std::string sUpperAscii = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string sLowerAscii = "abcdefghijklmnopqrstuvwxyz";
    const std::size_t nAscii = sUpperAscii.find(static_cast<char>(c));
    if (c != 0 && nAscii != std::string::npos) {
        return static_cast<unsigned char>(sLowerAscii[nAscii]);
    }
    // À..Þ without × (0xD7) map onto à..þ.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return static_cast<unsigned char>(c - 0xC0 + 0xE0);
    }
    return c;
}

TEST(CharLowerTest, EveryByteFollowsTheWindows1252Rule) {
    for (int i = 0; i < 256; ++i) {
        const unsigned char c = static_cast<unsigned char>(i);
        EXPECT_EQ(CharLowerByte(c), ExpectedLower(c)) << "byte 0x" << std::hex << i;

        char sz[3] = {static_cast<char>(c), 'Q', '\0'};
        if (c == 0) {
            continue;  // would end the string
        }
        EXPECT_EQ(CharLowerA(sz), sz);
        EXPECT_EQ(static_cast<unsigned char>(sz[0]), ExpectedLower(c))
            << "byte 0x" << std::hex << i;
        EXPECT_EQ(sz[1], 'q');
        EXPECT_EQ(std::strlen(sz), 2u);
    }
}

TEST(CharLowerTest, BufferVersionStopsAtItsLengthAndIgnoresZeros) {
    char buffer[] = {'A', '\0', '\xC4', 'Z'};
    CharLowerBuff(buffer, 3);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], '\0');
    EXPECT_EQ(buffer[2], '\xE4');
    EXPECT_EQ(buffer[3], 'Z');
    EXPECT_EQ(CharLowerA(nullptr), nullptr);
}

TEST(BoundedCopyTest, CopyCutsAndAlwaysTerminates) {
    struct Case {
        const char* pszSource;
        std::size_t nCapacity;
        const char* pszExpected;
        bool bFits;
    };
    const Case cases[] = {
        {"abc", 4, "abc", true}, {"abcd", 4, "abc", false}, {"", 1, "", true},
        {"x", 1, "", false},     {"abc", 10, "abc", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszSource) + " into " + std::to_string(c.nCapacity));
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(CopyBounded(buffer, c.nCapacity, c.pszSource), c.bFits);
        EXPECT_STREQ(buffer, c.pszExpected);
        EXPECT_EQ(buffer[c.nCapacity], '#') << "wrote past the capacity";
    }
    char untouched = '#';
    EXPECT_FALSE(CopyBounded(&untouched, 0, "a"));
    EXPECT_EQ(untouched, '#');
}

TEST(BoundedCopyTest, AppendCutsAndAlwaysTerminates) {
    struct Case {
        const char* pszStart;
        const char* pszSource;
        std::size_t nCapacity;
        const char* pszExpected;
        bool bFits;
    };
    const Case cases[] = {
        {"ab", "cd", 5, "abcd", true},   {"ab", "cde", 5, "abcd", false},
        {"abcd", "e", 5, "abcd", false}, {"abcd", "", 5, "abcd", true},
        {"", "xyz", 3, "xy", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszStart) + " + " + c.pszSource);
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        std::memcpy(buffer, c.pszStart, std::strlen(c.pszStart) + 1);
        EXPECT_EQ(AppendBounded(buffer, c.nCapacity, c.pszSource), c.bFits);
        EXPECT_STREQ(buffer, c.pszExpected);
        EXPECT_EQ(buffer[c.nCapacity], '#') << "wrote past the capacity";
    }
    // A destination that is not terminated within its capacity is repaired, not overrun.
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(AppendBounded(full, sizeof full, "e"));
    EXPECT_STREQ(full, "abc");
}

}  // namespace
}  // namespace sitefinch
