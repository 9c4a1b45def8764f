// Index entries: private copies of text and target, and the entry order.
#include "IndexEntry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/Text.h"

namespace sitefinch {

CIndexEntry::CIndexEntry(const CEntryMemory& memory, const char* pszTarget, const char* pszText) {
    if (pszTarget == nullptr) {
        pszTarget = "";
    }
    if (pszText == nullptr) {
        pszText = "";
    }
    const std::size_t nText = std::strlen(pszText) + 1;
    const std::size_t nTarget = std::strlen(pszTarget) + 1;
    m_pszText = static_cast<char*>(memory.texts.Allocate(nText + nTarget, 1));
    m_pszTarget = m_pszText + nText;
    std::memcpy(m_pszText, pszText, nText);
    std::memcpy(m_pszTarget, pszTarget, nTarget);
}

void CIndexEntry::TextRewritten() {
    // The target moves up behind the shortened text, which keeps the length where it starts.
    char* const pszTarget = m_pszText + std::strlen(m_pszText) + 1;
    if (pszTarget != m_pszTarget) {
        std::memmove(pszTarget, m_pszTarget, std::strlen(m_pszTarget) + 1);
        m_pszTarget = pszTarget;
    }
}

bool CIndexEntry::IsLessThan(const CIndexEntry& other) const {
    return CompareTo(other) < 0;
}

bool CIndexEntry::IsGreaterThan(const CIndexEntry& other) const {
    return CompareTo(other) > 0;
}

int CIndexEntry::CompareTo(const CIndexEntry& other) const {
    // Both texts hold at least n bytes before their terminating zeros, so the common prefix can
    // be skipped eight bytes at a time; the rest, from at the latest the shorter text's zero on,
    // is compared byte by byte. A step may not take in the zero: two equal texts would then be
    // compared on past their ends.
    const std::size_t n = std::min(GetTextLength(), other.GetTextLength());
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= n; i += sizeof(std::uint64_t)) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        std::memcpy(&a, m_pszText + i, sizeof a);
        std::memcpy(&b, other.m_pszText + i, sizeof b);
        if (a != b) {
            break;
        }
    }
    return CompareEntryTexts(m_pszText + i, other.m_pszText + i);
}

int CompareEntryTexts(const char* pszA, const char* pszB) {
    const auto* pA = reinterpret_cast<const unsigned char*>(pszA);
    const auto* pB = reinterpret_cast<const unsigned char*>(pszB);
    for (;; ++pA, ++pB) {
        // Equal bytes fold equally; only a difference needs the folding. Texts loaded from an
        // index file arrive sorted and share long prefixes with their neighbours.
        if (*pA == *pB) {
            if (*pA == 0) {
                return 0;
            }
            continue;
        }
        const unsigned char cA = FoldAsciiByte(*pA);
        const unsigned char cB = FoldAsciiByte(*pB);
        if (cA != cB) {
            return cA < cB ? -1 : 1;
        }
    }
}

}  // namespace sitefinch
