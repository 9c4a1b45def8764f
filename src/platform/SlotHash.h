// The 64-bit hash of short byte strings and the slot placement that the open-addressed tables
// built on it share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace sitefinch {

// FNV-1a over the bytes, each passed through fold() first (so that texts that compare equal
// after folding hash alike), then mixed so that the high bits, which place a key, depend on every
// byte.
template <class TFold>
std::uint64_t HashBytes(std::string_view s, TFold fold) {
    constexpr std::uint64_t kOffsetBasis = 14695981039346656037ULL;
    constexpr std::uint64_t kPrime = 1099511628211ULL;
    std::uint64_t nHash = kOffsetBasis;
    for (const char c : s) {
        nHash = (nHash ^ fold(static_cast<unsigned char>(c))) * kPrime;
    }
    nHash ^= nHash >> 33;
    nHash *= 0xff51afd7ed558ccdULL;
    nHash ^= nHash >> 33;
    return nHash;
}

// HashBytes() of the bytes as they are.
inline std::uint64_t HashBytes(std::string_view s) {
    return HashBytes(s, [](unsigned char c) { return c; });
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
