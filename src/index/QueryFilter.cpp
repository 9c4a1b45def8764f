// The query filter: which entries the result list shows, and what its lines lead to.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LinkIndex.h"
#include "LoweredQuery.h"
#include "TextScan.h"
#include "platform/DisplayText.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

// The lower-cased block is addressed by 32-bit offsets: a text must start below 4 GiB.
constexpr std::size_t kMaxFilterBlockStart = std::numeric_limits<std::uint32_t>::max();

// Calls visit(entry) for each entry of the tree's in-order list that the filter can name: no more
// than a line number can count, and none that would start beyond 4 GiB into the lower-cased block.
// Returns that block's size, zeros included.
template <class TVisit>
std::size_t ForEachFilterEntry(const CEntryTree& tree, TVisit&& visit) {
    std::size_t nCount = 0;
    std::size_t nBytes = 0;
    for (const CEntryNode* pNode = tree.GetHead(); pNode != nullptr; pNode = pNode->m_pNext) {
        const CIndexEntry* pEntry = pNode->m_pEntry.get();
        if (pEntry == nullptr) {
            continue;
        }
        if (nCount == kMaxLineTexts || nBytes > kMaxFilterBlockStart) {
            break;
        }
        ++nCount;
        nBytes += pEntry->GetTextLength() + 1;
        visit(*pEntry);
    }
    return nBytes;
}

}  // namespace

CLoweredQuery::CLoweredQuery(const char* pszQuery) {
    char szQuery[kQueryCapacity];
    CopyBounded(szQuery, sizeof szQuery, pszQuery != nullptr ? pszQuery : "");
    forms = MakeQueryForms(szQuery);
    CharLowerBuff(forms.sCp1252.data(), forms.sCp1252.size());
    CharLowerBuff(forms.sUtf8.data(), forms.sUtf8.size());
    bMatchAll = szQuery[0] == '\0';
    bTwoForms = forms.sCp1252 != forms.sUtf8;
}

void CLinkIndex::FilterEntries(CResultList& resultList, const char* pszQuery) {
    const CLoweredQuery query(pszQuery);
    if (!m_filter.IsCurrentFor(m_tree)) {
        m_filter.Refresh(m_tree);
    }
    const CLineTexts& texts = *m_filter.pTexts;
    const std::size_t nTexts = texts.GetCount();
    m_pPositionMap->clear();
    if (query.bMatchAll) {
        m_pPositionMap->nAll = nTexts;
        resultList.ReplaceWithAllLines(m_filter.pTexts);
        return;
    }
    m_filter.Lower(nTexts);
    std::vector<std::uint32_t> lines;
    FindTextsContaining(m_filter.lower.data(), m_filter.lower.size(), m_filter.offsets.data(),
                        nTexts, query.forms.sCp1252, lines);
    if (query.bTwoForms) {
        std::vector<std::uint32_t> other;
        FindTextsContaining(m_filter.lower.data(), m_filter.lower.size(), m_filter.offsets.data(),
                            nTexts, query.forms.sUtf8, other);
        std::vector<std::uint32_t> both;
        both.reserve(lines.size() + other.size());
        std::set_union(lines.begin(), lines.end(), other.begin(), other.end(),
                       std::back_inserter(both));
        lines = std::move(both);
    }
    m_pPositionMap->lines = lines;
    resultList.ReplaceLines(m_filter.pTexts, std::move(lines));
}

void CLinkIndex::VisitMatches(const char* pszQuery,
                              const std::function<void(const CIndexEntry&)>& visit) const {
    const CLoweredQuery query(pszQuery);
    std::string sLower;  // one text at a time
    ForEachFilterEntry(m_tree, [&](const CIndexEntry& entry) {
        if (!query.bMatchAll) {
            sLower.assign(entry.GetText(), entry.GetTextLength());
            CharLowerBuff(sLower.data(), sLower.size());
            if (!query.IsIn(sLower)) {
                return;
            }
        }
        visit(entry);
    });
}

bool CLinkIndex::PrepareFilter(std::size_t nMaxEntries) {
    return !m_filter.IsCurrentFor(m_tree) || m_filter.Lower(nMaxEntries);
}

void CFilterBlock::Refresh(const CEntryTree& tree) {
    // The old blocks go before the new ones are made, and every block is made at its final size:
    // a million entries would otherwise pass through almost twice their size while they grow.
    std::vector<std::uint32_t>().swap(offsets);
    std::string().swap(lower);
    // A list may still hold the old texts, so the new ones go into a new object.
    auto pNewTexts = std::make_shared<CLineTexts>();
    pNewTexts->texts.reserve(std::min(tree.GetCount(), kMaxLineTexts));
    const std::size_t nBytes = ForEachFilterEntry(
        tree, [&](const CIndexEntry& entry) { pNewTexts->texts.push_back(entry.GetText()); });
    if (!pNewTexts->texts.empty()) {
        pNewTexts->pMemory = tree.ShareTexts();  // so that Clear() can reuse the memory otherwise
    }
    pTexts = std::move(pNewTexts);
    nLowerBytes = nBytes;
    nGeneration = tree.GetOrderGeneration();
}

bool CFilterBlock::Lower(std::size_t nMaxEntries) {
    if (IsLowered()) {
        return true;
    }
    const std::vector<const char*>& texts = pTexts->texts;
    if (offsets.capacity() < texts.size()) {
        offsets.reserve(texts.size());
        lower.reserve(nLowerBytes);
    }
    const std::size_t nEnd = offsets.size() + std::min(nMaxEntries, texts.size() - offsets.size());
    const std::size_t nFirstByte = lower.size();
    for (std::size_t i = offsets.size(); i < nEnd; ++i) {
        offsets.push_back(static_cast<std::uint32_t>(lower.size()));
        lower.append(texts[i]);
        lower.push_back('\0');
    }
    // Lower-cased in one go: CharLowerA never changes a length, and the zeros stay zeros.
    CharLowerBuff(lower.data() + nFirstByte, lower.size() - nFirstByte);
    return IsLowered();
}

void CFilterBlock::Clear() {
    pTexts.reset();
    std::vector<std::uint32_t>().swap(offsets);
    std::string().swap(lower);
    nLowerBytes = 0;
}

int CLinkIndex::OpenEntryAt(CBrowserPane& browserPane, std::int64_t nPosition) const {
    const char* pszTarget = GetTargetAt(nPosition);
    if (pszTarget == nullptr) {
        return 0;
    }
    return ShowTarget(browserPane, pszTarget) ? 1 : 0;
}

}  // namespace sitefinch
