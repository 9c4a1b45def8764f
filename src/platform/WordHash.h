// A fast 64-bit hash of short byte strings, read eight bytes at a time, and the slot placement
// that the open-addressed tables built on it share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace sitefinch {

// FNV-1a over whole words, each word passed through fold() first (so that texts that compare
// equal after folding hash alike), then mixed with the finaliser of MurmurHash3 so that the low
// and the high bits both depend on every byte. The last word is the text's last eight bytes,
// overlapping the one before, or for a shorter text its bytes gathered in a register: nothing
// is stored to be read back. A crawl hashes a path and a text for every link it meets.
template <class TFold>
std::uint64_t HashWords(std::string_view s, TFold fold) {
    constexpr std::uint64_t kOffsetBasis = 14695981039346656037ULL;
    constexpr std::uint64_t kPrime = 1099511628211ULL;
    std::uint64_t nHash = kOffsetBasis ^ s.size();
    const char* p = s.data();
    const std::size_t nSize = s.size();
    std::uint64_t nWord;
    for (std::size_t i = 0; i + sizeof nWord < nSize; i += sizeof nWord) {
        std::memcpy(&nWord, p + i, sizeof nWord);
        nHash = (nHash ^ fold(nWord)) * kPrime;
        nHash ^= nHash >> 29;
    }
    if (nSize >= sizeof nWord) {
        std::memcpy(&nWord, p + nSize - sizeof nWord, sizeof nWord);
    } else {
        nWord = 0;
        for (std::size_t i = 0; i < nSize; ++i) {
            nWord |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
        }
    }
    nHash = (nHash ^ fold(nWord)) * kPrime;
    nHash ^= nHash >> 33;
    nHash *= 0xff51afd7ed558ccdULL;
    nHash ^= nHash >> 33;
    nHash *= 0xc4ceb9fe1a85ec53ULL;
    nHash ^= nHash >> 33;
    return nHash;
}

// HashWords() of the bytes as they are.
inline std::uint64_t HashWords(std::string_view s) {
    return HashWords(s, [](std::uint64_t nWord) { return nWord; });
}

// The hash's high half. It picks a key's first slot and is kept in the slot, so that a table grows
// without reading a single key again.
inline std::uint32_t HashTag(std::uint64_t nHash) {
    return static_cast<std::uint32_t>(nHash >> 32);
}

// Moves the slots of an open-addressed, linearly probed table into nSlots new ones (a power of
// two). Each taken slot (isTaken(slot)) holds a distinct key and its HashTag() in nHashTag, so
// its place is the first free slot of its tag's probe run: no key is compared or read.
template <class TSlot, class TIsTaken>
void ReplaceSlotsByTag(std::vector<TSlot>& table, std::size_t nSlots, TIsTaken isTaken) {
    std::vector<TSlot> old(nSlots);
    old.swap(table);
    const std::size_t nMask = nSlots - 1;
    for (const TSlot& slot : old) {
        if (isTaken(slot)) {
            std::size_t i = slot.nHashTag & nMask;
            while (isTaken(table[i])) {
                i = (i + 1) & nMask;
            }
            table[i] = slot;
        }
    }
}

}  // namespace sitefinch
