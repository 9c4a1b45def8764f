// Windows-1252 case mapping and bounded copies of zero-terminated text.
#include "platform/Text.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace sitefinch {

namespace {

// Built once at compile time so that lower-casing a byte is a single table look-up; the scanner
// and the query filter fold every byte they compare.
constexpr std::array<unsigned char, 256> MakeLowerTable() {
    std::array<unsigned char, 256> table{};
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<unsigned char>(i);
    }
    for (int c = 'A'; c <= 'Z'; ++c) {
        table[c] = static_cast<unsigned char>(c + 0x20);
    }
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) {  // the multiplication sign has no lower case
            table[c] = static_cast<unsigned char>(c + 0x20);
        }
    }
    table[0x8A] = 0x9A;  // S caron
    table[0x8C] = 0x9C;  // OE ligature
    table[0x8E] = 0x9E;  // Z caron
    table[0x9F] = 0xFF;  // Y diaeresis
    return table;
}

constexpr std::array<unsigned char, 256> kLowerTable = MakeLowerTable();

}  // namespace

unsigned char CharLowerByte(unsigned char c) {
    return kLowerTable[c];
}

void CharLowerBuff(char* p, std::size_t n) {
    if (p == nullptr) {
        return;
    }
    // Most texts are ASCII: eight bytes without a high bit are lower-cased at once. Any other
    // word goes through the table byte by byte, since 128..255 have letters of their own.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= n; i += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, p + i, sizeof word);
        if ((word & kHighBits) == 0) {
            word = FoldAsciiWord(word);
            std::memcpy(p + i, &word, sizeof word);
        } else {
            for (std::size_t k = i; k < i + sizeof(std::uint64_t); ++k) {
                p[k] = static_cast<char>(kLowerTable[static_cast<unsigned char>(p[k])]);
            }
        }
    }
    for (; i < n; ++i) {
        p[i] = static_cast<char>(kLowerTable[static_cast<unsigned char>(p[i])]);
    }
}

char* CharLowerA(char* psz) {
    if (psz == nullptr) {
        return psz;
    }
    for (char* p = psz; *p != '\0'; ++p) {
        *p = static_cast<char>(kLowerTable[static_cast<unsigned char>(*p)]);
    }
    return psz;
}

bool CopyBounded(char* pszDest, std::size_t nCapacity, const char* pszSource) {
    if (pszDest == nullptr || nCapacity == 0) {
        return false;
    }
    if (pszSource == nullptr) {
        pszDest[0] = '\0';
        return true;
    }
    const std::size_t n = strnlen(pszSource, nCapacity - 1);
    std::memcpy(pszDest, pszSource, n);
    pszDest[n] = '\0';
    return pszSource[n] == '\0';
}

bool AppendBounded(char* pszDest, std::size_t nCapacity, const char* pszSource) {
    if (pszDest == nullptr || nCapacity == 0) {
        return false;
    }
    const void* pEnd = std::memchr(pszDest, '\0', nCapacity);
    if (pEnd == nullptr) {
        // The existing text already fills the buffer without its terminator: repair that first,
        // so the caller is left with a valid (cut) string.
        pszDest[nCapacity - 1] = '\0';
        return pszSource == nullptr || pszSource[0] == '\0';
    }
    const std::size_t nUsed = static_cast<std::size_t>(static_cast<const char*>(pEnd) - pszDest);
    return CopyBounded(pszDest + nUsed, nCapacity - nUsed, pszSource);
}

}  // namespace sitefinch
