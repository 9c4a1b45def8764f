// Decoding stored 8-bit text for display and preparing queries in both stored encodings.
#include "platform/DisplayText.h"

#include <array>
#include <utility>

namespace sitefinch {

namespace {

constexpr unsigned char kFirstHighByte = 0x80;
constexpr unsigned char kFirstLatin1Byte = 0xA0;

// Code points of the bytes 0x80 to 0x9F. The five bytes Windows-1252 leaves undefined map to the
// C1 controls of the same number, so every byte decodes and the mapping can be inverted.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(std::string& sOut, char32_t cp) {
    if (cp < 0x80) {
        sOut += static_cast<char>(cp);
    } else if (cp < 0x800) {
        sOut += static_cast<char>(0xC0 | (cp >> 6));
        sOut += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        sOut += static_cast<char>(0xE0 | (cp >> 12));
        sOut += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        sOut += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        sOut += static_cast<char>(0xF0 | (cp >> 18));
        sOut += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        sOut += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        sOut += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at nPos, strictly (no overlongs, surrogates or values above
// U+10FFFF). Returns its length, or 0 when the bytes there are no valid sequence.
std::size_t DecodeUtf8At(std::string_view bytes, std::size_t nPos, char32_t& cp) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char c0 = byteAt(nPos);
    std::size_t nLength = 0;
    char32_t nMin = 0;
    if (c0 < 0x80) {
        cp = c0;
        return 1;
    } else if ((c0 & 0xE0) == 0xC0) {
        nLength = 2;
        nMin = 0x80;
        cp = c0 & 0x1F;
    } else if ((c0 & 0xF0) == 0xE0) {
        nLength = 3;
        nMin = 0x800;
        cp = c0 & 0x0F;
    } else if ((c0 & 0xF8) == 0xF0) {
        nLength = 4;
        nMin = 0x10000;
        cp = c0 & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - nPos < nLength) {
        return 0;
    }
    for (std::size_t i = 1; i < nLength; ++i) {
        const unsigned char c = byteAt(nPos + i);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < nMin || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return nLength;
}

bool IsAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= kFirstHighByte) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t nPos = 0;
    while (nPos < bytes.size()) {
        char32_t cp = 0;
        const std::size_t nLength = DecodeUtf8At(bytes, nPos, cp);
        if (nLength == 0) {
            return false;
        }
        nPos += nLength;
    }
    return true;
}

char32_t Cp1252ToUnicode(unsigned char c) {
    if (c >= kFirstHighByte && c < kFirstLatin1Byte) {
        return kHighControls[c - kFirstHighByte];
    }
    return c;
}

bool UnicodeToCp1252(char32_t cp, unsigned char& out) {
    if (cp < kFirstHighByte || (cp >= kFirstLatin1Byte && cp <= 0xFF)) {
        out = static_cast<unsigned char>(cp);
        return true;
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) {
            out = static_cast<unsigned char>(kFirstHighByte + i);
            return true;
        }
    }
    return false;
}

std::string DecodeForDisplay(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string sOut;
    sOut.reserve(bytes.size() * 2);
    for (char c : bytes) {
        AppendUtf8(sOut, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    }
    return sOut;
}

CQueryForms MakeQueryForms(std::string_view query) {
    CQueryForms forms{std::string(query), std::string(query)};
    if (IsAscii(query)) {
        return forms;
    }
    if (!IsValidUtf8(query)) {
        forms.sUtf8 = DecodeForDisplay(query);
        return forms;
    }
    std::string sCp1252;
    sCp1252.reserve(query.size());
    std::size_t nPos = 0;
    while (nPos < query.size()) {
        char32_t cp = 0;
        nPos += DecodeUtf8At(query, nPos, cp);
        unsigned char c = 0;
        if (!UnicodeToCp1252(cp, c)) {
            return forms;  // no 1252 form: a 1252 text cannot contain this query
        }
        sCp1252 += static_cast<char>(c);
    }
    forms.sCp1252 = std::move(sCp1252);
    return forms;
}

}  // namespace sitefinch
