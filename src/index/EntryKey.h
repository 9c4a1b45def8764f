// The sort key of an entry waiting for the batch build of the entry tree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Text.h"

namespace sitefinch {

// The first kKeyBytes bytes of a text with 'A'..'Z' folded, packed big-endian into two words
// and padded with zeros, so that comparing two keys as numbers orders them as the texts'
// first kKeyBytes bytes order under the entry order. The batch build sorts by these keys, which
// mostly decide without touching the entries.
struct CEntryKey {
    static constexpr std::size_t kKeyBytes = 16;
    std::uint64_t nHigh = 0;
    std::uint64_t nLow = 0;
    // True when the text is shorter than kKeyBytes: equal keys of two such texts mean equal
    // texts. Otherwise equal keys leave the decision to the whole texts.
    bool bComplete = false;

    static CEntryKey Of(const char* pszText) {
        CEntryKey key;
        std::size_t i = 0;
        for (; i < kKeyBytes && pszText[i] != '\0'; ++i) {
            const unsigned char c = FoldAsciiByte(static_cast<unsigned char>(pszText[i]));
            std::uint64_t& nWord = i < kKeyBytes / 2 ? key.nHigh : key.nLow;
            nWord |= std::uint64_t{c} << (8 * (kKeyBytes / 2 - 1 - i % (kKeyBytes / 2)));
        }
        key.bComplete = i < kKeyBytes;
        return key;
    }

    // <0, 0 or >0 as the texts' first kKeyBytes bytes compare in the entry order.
    int CompareTo(const CEntryKey& other) const {
        if (nHigh != other.nHigh) {
            return nHigh < other.nHigh ? -1 : 1;
        }
        if (nLow != other.nLow) {
            return nLow < other.nLow ? -1 : 1;
        }
        return 0;
    }
};

}  // namespace sitefinch
