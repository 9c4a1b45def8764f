// Index entries: private copies of text and target, and the entry order.
#include "IndexEntry.h"

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
    std::memcpy(m_pszText, pszText, nText);
    std::memcpy(m_pszText + nText, pszTarget, nTarget);
}

void CIndexEntry::RewriteText(void (*pfnRewrite)(char* pszText)) {
    const char* const pszOldTarget = GetTarget();
    pfnRewrite(m_pszText);
    // GetTarget() looks for the target right behind the text's zero.
    char* const pszTarget = m_pszText + std::strlen(m_pszText) + 1;
    if (pszTarget != pszOldTarget) {
        std::memmove(pszTarget, pszOldTarget, std::strlen(pszOldTarget) + 1);
    }
}

bool CIndexEntry::IsLessThan(const CIndexEntry& other) const {
    return CompareTo(other) < 0;
}

bool CIndexEntry::IsGreaterThan(const CIndexEntry& other) const {
    return CompareTo(other) > 0;
}

int CIndexEntry::CompareTo(const CIndexEntry& other) const {
    return CompareEntryTexts(m_pszText, other.m_pszText);
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
