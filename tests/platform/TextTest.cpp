// Tests of the Windows-1252 case mapping and the bounded copies.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/Text.h"

namespace sitefinch {
namespace {

// Written down from the rule rather than computed like the implementation: 'A'..'Z', the four
// pairs Š Œ Ž Ÿ, and À..Þ without × (0xD7).
unsigned char ExpectedLower(unsigned char c) {
    static const unsigned char kPairs[][2] = {
        {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};
    for (const auto& pair : kPairs) {
        if (c == pair[0]) {
            return pair[1];
        }
    }
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return static_cast<unsigned char>(c + 0x20);
    }
    return c;
}

TEST(CharLowerTest, EveryByteFollowsTheWindows1252Rule) {
    for (int i = 1; i < 256; ++i) {
        const unsigned char c = static_cast<unsigned char>(i);
        SCOPED_TRACE(::testing::Message() << "byte 0x" << std::hex << i);
        EXPECT_EQ(CharLowerByte(c), ExpectedLower(c));
        char sz[3] = {static_cast<char>(c), 'Q', '\0'};
        EXPECT_EQ(CharLowerA(sz), sz);
        EXPECT_EQ(static_cast<unsigned char>(sz[0]), ExpectedLower(c));
        EXPECT_STREQ(sz + 1, "q");
    }
    EXPECT_EQ(CharLowerByte(0), 0);
    EXPECT_EQ(CharLowerA(nullptr), nullptr);
    // The buffer version stops at its length and does not stop at zeros.
    char buffer[] = {'A', '\0', '\xC4', 'Z'};
    CharLowerBuff(buffer, 3);
    EXPECT_EQ(std::string(buffer, 4), std::string("a\0\xE4Z", 4));
}

// The buffer version lower-cases ASCII words eight bytes at a time; every byte, at every offset
// and next to every other kind of byte, must still follow the rule.
TEST(CharLowerTest, BufferVersionAgreesWithTheRuleAtEveryOffset) {
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int nRound = 0; nRound < 2000; ++nRound) {
        const std::size_t nLength = next() % 40;
        const bool bAsciiOnly = nRound % 2 == 0;
        std::string text(nLength, '\0');
        for (char& c : text) {
            const std::uint32_t r = (next() >> 8) & 0xFF;
            c = static_cast<char>(bAsciiOnly ? (r & 0x7F) : r);
        }
        std::string lowered = text;
        CharLowerBuff(lowered.data(), lowered.size());
        for (std::size_t i = 0; i < nLength; ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            ASSERT_EQ(static_cast<unsigned char>(lowered[i]), ExpectedLower(c))
                << "byte 0x" << std::hex << int{c} << " at " << std::dec << i << " of " << nLength;
        }
    }
}

TEST(BoundedCopyTest, CopyAndAppendCutAndAlwaysTerminate) {
    struct Case {
        const char* pszStart;  // null: CopyBounded, else AppendBounded onto it
        const char* pszSource;
        std::size_t nCapacity;
        const char* pszExpected;
        bool bFits;
    };
    const Case cases[] = {
        {nullptr, "abc", 4, "abc", true}, {nullptr, "abcd", 4, "abc", false},
        {nullptr, "", 1, "", true},       {nullptr, "x", 1, "", false},
        {"ab", "cd", 5, "abcd", true},    {"ab", "cde", 5, "abcd", false},
        {"abcd", "e", 5, "abcd", false},  {"", "xyz", 3, "xy", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszStart ? c.pszStart : "(copy)") + " + " + c.pszSource +
                     " into " + std::to_string(c.nCapacity));
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        if (c.pszStart != nullptr) {
            std::memcpy(buffer, c.pszStart, std::strlen(c.pszStart) + 1);
        }
        EXPECT_EQ(c.pszStart == nullptr ? CopyBounded(buffer, c.nCapacity, c.pszSource)
                                        : AppendBounded(buffer, c.nCapacity, c.pszSource),
                  c.bFits);
        EXPECT_STREQ(buffer, c.pszExpected);
        EXPECT_EQ(buffer[c.nCapacity], '#') << "wrote past the capacity";
    }
    char untouched = '#';
    EXPECT_FALSE(CopyBounded(&untouched, 0, "a"));
    EXPECT_EQ(untouched, '#');
    // A destination that is not terminated within its capacity is repaired, not overrun.
    char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(AppendBounded(full, sizeof full, "e"));
    EXPECT_STREQ(full, "abc");
}

}  // namespace
}  // namespace sitefinch
