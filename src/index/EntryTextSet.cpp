// Hashing and comparing entry texts with 'A'..'Z' folded, as the entry order compares them.
#include "EntryTextSet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/WordHash.h"

namespace sitefinch {

namespace {

inline unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// FoldAscii() on each byte of a word at once. The sums stay within their bytes (a byte's low
// seven bits plus at most 0x3F never carries out of it), and bytes with the high bit set are
// left alone, as FoldAscii() leaves them.
inline std::uint64_t FoldWord(std::uint64_t nWord) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x80 * kOnes;
    const std::uint64_t nLow7 = nWord & ~kHighBits;
    const std::uint64_t nAtLeastA = nLow7 + (0x80 - 'A') * kOnes;
    const std::uint64_t nAboveZ = nLow7 + (0x7F - 'Z') * kOnes;
    const std::uint64_t nUpper = nAtLeastA & ~nAboveZ & ~nWord & kHighBits;
    return nWord | (nUpper >> 2);  // 0x80 >> 2 is the 0x20 that separates the cases
}

}  // namespace

std::size_t CEntryTextSet::Hash(std::string_view sText) {
    return static_cast<std::size_t>(HashWords(sText, FoldWord));
}

bool CEntryTextSet::Equal(std::string_view sA, std::string_view sB) {
    if (sA.size() != sB.size()) {
        return false;
    }
    for (std::size_t i = 0; i < sA.size(); ++i) {
        if (sA[i] != sB[i] && FoldAscii(static_cast<unsigned char>(sA[i])) !=
                                  FoldAscii(static_cast<unsigned char>(sB[i]))) {
            return false;
        }
    }
    return true;
}

std::size_t CEntryTextSet::FindSlot(std::string_view sText, std::size_t nHash) const {
    const std::size_t nMask = m_slots.size() - 1;
    const std::uint32_t nTag = HashTag(nHash);
    for (std::size_t i = nTag & nMask;; i = (i + 1) & nMask) {
        const CSlot& slot = m_slots[i];
        if (slot.pText == nullptr) {
            return i;
        }
        if (slot.nHashTag == nTag && slot.nLength == sText.size() &&
            Equal(std::string_view(slot.nLength <= kInlineBytes ? slot.szInline : slot.pText,
                                   slot.nLength),
                  sText)) {
            return i;
        }
    }
}

void CEntryTextSet::Prefetch(std::size_t nHash) const {
    if (!m_slots.empty()) {
        __builtin_prefetch(&m_slots[HashTag(nHash) & (m_slots.size() - 1)]);
    }
}

bool CEntryTextSet::Contains(std::string_view sText) const {
    return Contains(sText, Hash(sText));
}

bool CEntryTextSet::Contains(std::string_view sText, std::size_t nHash) const {
    if (m_nCount == 0) {
        return false;
    }
    return m_slots[FindSlot(sText, nHash)].pText != nullptr;
}

void CEntryTextSet::Add(std::string_view sText) {
    // At most half full, so that probe runs stay short and a free slot always ends them.
    if ((m_nCount + 1) * 2 > m_slots.size()) {
        std::vector<CSlot> old(std::max(kInitialSlots, m_slots.size() * 2));
        old.swap(m_slots);
        const std::size_t nMask = m_slots.size() - 1;
        for (const CSlot& slot : old) {
            if (slot.pText != nullptr) {
                // Distinct texts: the first free slot of the probe run is the place.
                // The tag is all a slot's place depends on, so no text is read again.
                std::size_t i = slot.nHashTag & nMask;
                while (m_slots[i].pText != nullptr) {
                    i = (i + 1) & nMask;
                }
                m_slots[i] = slot;
            }
        }
    }
    const std::size_t nHash = Hash(sText);
    CSlot& slot = m_slots[FindSlot(sText, nHash)];
    if (slot.pText == nullptr) {
        // A view of an empty text still needs a non-null pointer to mark its slot as taken.
        slot.pText = sText.data() != nullptr ? sText.data() : "";
        slot.nLength = static_cast<std::uint32_t>(sText.size());
        slot.nHashTag = HashTag(nHash);
        if (sText.size() <= kInlineBytes) {
            std::memcpy(slot.szInline, slot.pText, sText.size());
        }
        ++m_nCount;
    }
}

void CEntryTextSet::Clear() {
    m_slots.clear();
    m_nCount = 0;
}

}  // namespace sitefinch
