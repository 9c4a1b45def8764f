// The query filter: which entries the result list shows, and what its lines lead to.
#include <cstring>
#include <string>

#include "LinkIndex.h"
#include "platform/DisplayText.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

bool Contains(const char* pText, std::size_t nText, const std::string& sNeedle) {
    return ::memmem(pText, nText, sNeedle.data(), sNeedle.size()) != nullptr;
}

}  // namespace

void CLinkIndex::FilterEntries(CResultList& resultList, const char* pszQuery) {
    char szQuery[kQueryCapacity];
    CopyBounded(szQuery, sizeof szQuery, pszQuery != nullptr ? pszQuery : "");

    // A query typed as UTF-8 must also find texts stored in Windows-1252, and the reverse. For
    // an ASCII query both forms are the query itself.
    CQueryForms forms = MakeQueryForms(szQuery);
    CharLowerBuff(forms.sCp1252.data(), forms.sCp1252.size());
    CharLowerBuff(forms.sUtf8.data(), forms.sUtf8.size());
    const bool bMatchAll = szQuery[0] == '\0';
    const bool bTwoForms = forms.sCp1252 != forms.sUtf8;

    if (m_nFilterGeneration != m_tree.GetOrderGeneration()) {
        RefreshFilterCache();
    }
    m_pPositionMap->clear();
    m_lineTexts.clear();
    const char* pLowerBlock = m_filterLower.data();
    for (std::size_t i = 0; i < m_filterEntries.size(); ++i) {
        if (!bMatchAll) {
            const char* pLower = pLowerBlock + m_filterOffsets[i];
            const std::size_t nLength = m_filterOffsets[i + 1] - m_filterOffsets[i] - 1;
            if (!Contains(pLower, nLength, forms.sCp1252) &&
                !(bTwoForms && Contains(pLower, nLength, forms.sUtf8))) {
                continue;
            }
        }
        m_pPositionMap->push_back(m_filterEntries[i]);
        m_lineTexts.push_back(m_filterTexts[i]);
    }
    resultList.ReplaceLines(m_lineTexts.data(), m_lineTexts.size());
}

void CLinkIndex::RefreshFilterCache() {
    m_filterEntries.clear();
    m_filterTexts.clear();
    m_filterOffsets.clear();
    m_filterLower.clear();
    for (const CEntryNode* pNode = m_tree.GetHead(); pNode != nullptr; pNode = pNode->m_pNext) {
        const CIndexEntry* pEntry = pNode->m_pEntry.get();
        if (pEntry == nullptr) {
            continue;
        }
        m_filterEntries.push_back(pEntry);
        m_filterTexts.push_back(pEntry->GetText());
        m_filterOffsets.push_back(m_filterLower.size());
        m_filterLower.append(pEntry->GetLowerText(), pEntry->GetTextLength());
        m_filterLower.push_back('\0');
    }
    m_filterOffsets.push_back(m_filterLower.size());
    m_nFilterGeneration = m_tree.GetOrderGeneration();
}

int CLinkIndex::OpenEntryAt(CBrowserPane& browserPane, std::int64_t nPosition) const {
    const char* pszTarget = GetTargetAt(nPosition);
    if (pszTarget == nullptr) {
        return 0;
    }
    return ShowTarget(browserPane, pszTarget) ? 1 : 0;
}

}  // namespace sitefinch
