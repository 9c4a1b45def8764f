// One pass over the block of lower-cased texts: candidates where the needle's first and last
// bytes both match, 16 positions at a time, each confirmed by a compare. Searching each text with
// its own memmem call costs a call per text, which at a million texts is most of a keystroke.
#include "TextScan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sitefinch {

namespace {

// The text that holds the byte at nPosition, searched forward from nText.
std::size_t TextAt(const std::uint32_t* pOffsets, std::size_t nTexts, std::size_t nText,
                   std::size_t nPosition) {
    while (nText + 1 < nTexts && pOffsets[nText + 1] <= nPosition) {
        ++nText;
    }
    return nText;
}

// Records the text holding a match at nPosition; returns where the scan goes on: the next text.
std::size_t Record(const std::uint32_t* pOffsets, std::size_t nTexts, std::size_t nBlock,
                   std::size_t& nText, std::size_t nPosition, std::vector<std::uint32_t>& matches) {
    nText = TextAt(pOffsets, nTexts, nText, nPosition);
    matches.push_back(static_cast<std::uint32_t>(nText));
    return nText + 1 < nTexts ? pOffsets[nText + 1] : nBlock;
}

}  // namespace

void FindTextsContaining(const char* pBlock, std::size_t nBlock, const std::uint32_t* pOffsets,
                         std::size_t nTexts, std::string_view needle,
                         std::vector<std::uint32_t>& matches) {
    const std::size_t nNeedle = needle.size();
    if (nTexts == 0 || nNeedle == 0 || nNeedle > nBlock) {
        return;
    }
    const char* pNeedle = needle.data();
    const char cFirst = pNeedle[0];
    const char cLast = pNeedle[nNeedle - 1];
    // A candidate at p: pBlock[p] == first and pBlock[p + nNeedle - 1] == last.
    const auto bConfirmed = [&](std::size_t p) {
        return nNeedle <= 2 || std::memcmp(pBlock + p + 1, pNeedle + 1, nNeedle - 2) == 0;
    };
    std::size_t nText = 0;
    std::size_t p = 0;
    const std::size_t nLastStart = nBlock - nNeedle;  // the last position a match can start at
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(cFirst);
    const __m128i last = _mm_set1_epi8(cLast);
    while (p + 16 <= nLastStart + 1) {
        const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBlock + p));
        const __m128i atLast =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBlock + p + nNeedle - 1));
        unsigned nMask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(atFirst, first), _mm_cmpeq_epi8(atLast, last))));
        std::size_t nNext = p + 16;
        while (nMask != 0) {
            const std::size_t nCandidate = p + static_cast<std::size_t>(__builtin_ctz(nMask));
            nMask &= nMask - 1;
            if (bConfirmed(nCandidate)) {
                nNext = Record(pOffsets, nTexts, nBlock, nText, nCandidate, matches);
                break;
            }
        }
        p = nNext;
    }
#endif
    while (p <= nLastStart) {
        if (pBlock[p] == cFirst && pBlock[p + nNeedle - 1] == cLast && bConfirmed(p)) {
            p = Record(pOffsets, nTexts, nBlock, nText, p, matches);
        } else {
            ++p;
        }
    }
}

void FindTextsContainingSimply(const char* pBlock, std::size_t nBlock,
                               const std::uint32_t* pOffsets, std::size_t nTexts,
                               std::string_view needle, std::vector<std::uint32_t>& matches) {
    for (std::size_t i = 0; i < nTexts; ++i) {
        const std::size_t nEnd = i + 1 < nTexts ? pOffsets[i + 1] : nBlock;
        const std::size_t nLength = nEnd - pOffsets[i] - 1;
        if (::memmem(pBlock + pOffsets[i], nLength, needle.data(), needle.size()) != nullptr) {
            matches.push_back(static_cast<std::uint32_t>(i));
        }
    }
}

}  // namespace sitefinch
