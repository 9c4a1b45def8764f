// Tests of the Windows-1252 case mapping, the bounded copies, display decoding and the two
// encodings of a query.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "platform/DisplayText.h"
#include "platform/Text.h"

namespace sitefinch {
namespace {

// Written down from the rule rather than computed like the implementation: 'A'..'Z', the four
// pairs Š Œ Ž Ÿ, and À..Þ without × (0xD7).
unsigned char ExpectedLower(unsigned char c) {
    if (c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9F) {
        return c == 0x9F ? 0xFF : static_cast<unsigned char>(c + 0x10);
    }
    const bool bUpper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    return bUpper ? static_cast<unsigned char>(c + 0x20) : c;
}

// The buffer version lower-cases ASCII words eight bytes at a time; every byte, at every offset
// and next to every other kind of byte, must still follow the rule, and nothing past the length
// may change.
TEST(CharLowerTest, EveryByteFollowsTheWindows1252Rule) {
    for (unsigned char c = 1; c != 0; ++c) {
        char sz[3] = {static_cast<char>(c), 'Q', '\0'};
        EXPECT_EQ(CharLowerByte(c), ExpectedLower(c)) << "byte " << int{c};
        EXPECT_EQ(CharLowerA(sz), sz);
        EXPECT_EQ(std::string(sz), (std::string{static_cast<char>(ExpectedLower(c)), 'q'}));
    }
    EXPECT_EQ(CharLowerA(nullptr), nullptr);
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int nRound = 0; nRound < 2000; ++nRound) {
        const std::uint32_t nMask = nRound % 2 == 0 ? 0x7F : 0xFF;  // half of them ASCII only
        std::string text, expected;
        for (const std::size_t nLength = next() % 40; text.size() < nLength;) {
            const unsigned char c = static_cast<unsigned char>((next() >> 8) & nMask);
            text += static_cast<char>(c);
            expected += static_cast<char>(ExpectedLower(c));
        }
        std::string lowered = text + 'Z';  // past the length, so it must stay
        CharLowerBuff(lowered.data(), text.size());
        ASSERT_EQ(lowered, expected + 'Z') << ::testing::PrintToString(text);
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
        SCOPED_TRACE(std::string(c.pszSource) + " into " + std::to_string(c.nCapacity));
        // The start text, its terminator, then bytes that must stay untouched.
        std::string buffer = std::string(c.pszStart ? c.pszStart : "") + '\0' + std::string(8, '#');
        EXPECT_EQ(c.pszStart == nullptr ? CopyBounded(buffer.data(), c.nCapacity, c.pszSource)
                                        : AppendBounded(buffer.data(), c.nCapacity, c.pszSource),
                  c.bFits);
        EXPECT_STREQ(buffer.c_str(), c.pszExpected);
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

TEST(DisplayTextTest, ValidUtf8StaysAndAnythingElseIsReadAsWindows1252) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Gr\xC3\xBC\xC3\x9Ft \xE2\x82\xAC \xF0\x9F\x98\x80",
         "Gr\xC3\xBC\xC3\x9Ft \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"Gr\xFC\xDFt \x80", "Gr\xC3\xBC\xC3\x9Ft \xE2\x82\xAC"},
        {"\x8A\x9F\x99", "\xC5\xA0\xC5\xB8\xE2\x84\xA2"},
        // The five undefined bytes become the C1 controls of the same number.
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        // One stray byte makes the whole text 1252, including bytes that looked like UTF-8.
        {"\xC3\xA4 \xE4", "\xC3\x83\xC2\xA4 \xC3\xA4"},
        // Overlong, surrogate, truncated and out-of-range sequences are not UTF-8.
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
    };
    for (const auto& [sBytes, sShown] : cases) {
        SCOPED_TRACE(::testing::PrintToString(sBytes));
        EXPECT_EQ(DecodeForDisplay(sBytes), sShown);
        EXPECT_EQ(IsValidUtf8(sBytes), sBytes == sShown);
    }
    unsigned char c = 0, back = 0;
    do {
        EXPECT_TRUE(UnicodeToCp1252(Cp1252ToUnicode(c), back) && back == c) << "byte " << int{c};
    } while (++c != 0);
    EXPECT_FALSE(UnicodeToCp1252(0x80, back)) << "U+0080 has no byte; 0x80 is the euro sign";
}

TEST(QueryFormsTest, GivesTheQueryInBothEncodings) {
    // The expected 1252 and UTF-8 members.
    const std::string cases[][3] = {
        {"\xC3\xA4nderung \xE2\x82\xAC", "\xE4nderung \x80", "\xC3\xA4nderung \xE2\x82\xAC"},
        {"\xE4nderung \x80", "\xE4nderung \x80", "\xC3\xA4nderung \xE2\x82\xAC"},
        // A character 1252 cannot hold leaves the query as it is in both members.
        {"\xC3\xA4 \xE2\x86\x92", "\xC3\xA4 \xE2\x86\x92", "\xC3\xA4 \xE2\x86\x92"},
    };
    for (const auto& c : cases) {
        const CQueryForms forms = MakeQueryForms(c[0]);
        EXPECT_EQ(forms.sCp1252 + "|" + forms.sUtf8, c[1] + "|" + c[2])
            << ::testing::PrintToString(c[0]);
    }
}

}  // namespace
}  // namespace sitefinch
