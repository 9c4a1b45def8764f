// Hashing and comparing entry texts with 'A'..'Z' folded, as the entry order compares them.
#include "EntryTextSet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/SlotHash.h"
#include "platform/Text.h"

namespace sitefinch {

std::size_t CEntryTextSet::Hash(std::string_view sText) {
    return static_cast<std::size_t>(HashBytes(sText, FoldAsciiByte));
}

bool CEntryTextSet::Equal(std::string_view sA, std::string_view sB) {
    if (sA.size() != sB.size()) {
        return false;
    }
    for (std::size_t i = 0; i < sA.size(); ++i) {
        if (sA[i] != sB[i] && FoldAsciiByte(static_cast<unsigned char>(sA[i])) !=
                                  FoldAsciiByte(static_cast<unsigned char>(sB[i]))) {
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
        ReplaceSlotsByTag(m_slots, std::max(kInitialSlots, m_slots.size() * 2),
                          [](const CSlot& slot) { return slot.pText != nullptr; });
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
