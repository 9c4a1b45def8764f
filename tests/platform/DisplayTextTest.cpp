// Tests of display decoding and of the two encodings of a query.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/DisplayText.h"

namespace sitefinch {
namespace {

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
}

TEST(DisplayTextTest, Windows1252MappingRoundTripsEveryByte) {
    for (int i = 0; i < 256; ++i) {
        const unsigned char c = static_cast<unsigned char>(i);
        unsigned char back = 0;
        EXPECT_TRUE(UnicodeToCp1252(Cp1252ToUnicode(c), back)) << "byte " << i;
        EXPECT_EQ(back, c) << "byte " << i;
    }
    unsigned char out = 0;
    EXPECT_FALSE(UnicodeToCp1252(0x80, out)) << "U+0080 has no byte; 0x80 is the euro sign";
    EXPECT_FALSE(UnicodeToCp1252(0x0100, out));
}

TEST(QueryFormsTest, GivesTheQueryInBothEncodings) {
    struct Case {
        std::string sQuery;
        std::string sCp1252;
        std::string sUtf8;
    };
    const Case cases[] = {
        {"", "", ""},
        {"\xC3\xA4nderung \xE2\x82\xAC", "\xE4nderung \x80", "\xC3\xA4nderung \xE2\x82\xAC"},
        {"\xE4nderung \x80", "\xE4nderung \x80", "\xC3\xA4nderung \xE2\x82\xAC"},
        // A character 1252 cannot hold leaves the query as it is in both members.
        {"\xC3\xA4 \xE2\x86\x92", "\xC3\xA4 \xE2\x86\x92", "\xC3\xA4 \xE2\x86\x92"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.sQuery));
        const CQueryForms forms = MakeQueryForms(c.sQuery);
        EXPECT_EQ(forms.sCp1252, c.sCp1252);
        EXPECT_EQ(forms.sUtf8, c.sUtf8);
    }
}

}  // namespace
}  // namespace sitefinch
