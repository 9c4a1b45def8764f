// 8-bit text of the system code page (Windows-1252): case mapping and bounded copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sitefinch {

// Lower-cases a zero-terminated string in place with the Windows-1252 mapping and returns it.
// 'A'..'Z' gain 0x20; 0xC0..0xDE except 0xD7 gain 0x20; 0x8A->0x9A, 0x8C->0x9C, 0x8E->0x9E,
// 0x9F->0xFF. Every other byte stays, so the length never changes. A null pointer is returned
// unchanged.
char* CharLowerA(char* psz);

// The same mapping for one byte, and for a byte range that need not be zero-terminated.
unsigned char CharLowerByte(unsigned char c);
void CharLowerBuff(char* p, std::size_t n);

// Copies at most nCapacity - 1 bytes of pszSource into pszDest and always terminates it
// (nothing is written when nCapacity is 0). Returns true when the whole source fitted.
// The buffers must not overlap.
bool CopyBounded(char* pszDest, std::size_t nCapacity, const char* pszSource);

// Appends pszSource to the zero-terminated text in pszDest, never writing past nCapacity.
// Returns true when the whole source fitted.
bool AppendBounded(char* pszDest, std::size_t nCapacity, const char* pszSource);

// 'A'..'Z' folded to 'a'..'z', every other byte unchanged: the entry order's folding, which must
// not depend on the code page's other letters.
inline unsigned char FoldAsciiByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// FoldAsciiByte() in each of the eight bytes of a word at once; every other byte,
// 128..255 included, stays. The sums stay within their bytes (a byte's low seven bits plus at
// most 0x3F never carry out of it). On a word of ASCII bytes this is CharLowerByte() on each.
inline std::uint64_t FoldAsciiWord(std::uint64_t nWord) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x80 * kOnes;
    const std::uint64_t nLow7 = nWord & ~kHighBits;
    const std::uint64_t nAtLeastA = nLow7 + (0x80 - 'A') * kOnes;
    const std::uint64_t nAboveZ = nLow7 + (0x7F - 'Z') * kOnes;
    const std::uint64_t nUpper = nAtLeastA & ~nAboveZ & ~nWord & kHighBits;
    return nWord | (nUpper >> 2);  // 0x80 >> 2 is the 0x20 that separates the cases
}

// Bytes 1 to 32: space and the control characters. Bytes 128 to 255 are letters, not blanks.
inline bool IsBlank(unsigned char c) {
    return c >= 1 && c <= 32;
}

}  // namespace sitefinch
