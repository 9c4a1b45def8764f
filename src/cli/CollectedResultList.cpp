// A result list that keeps its lines for printing instead of showing them.
#include "cli/CollectedResultList.h"

#include <utility>

namespace sitefinch {

void CCollectedResultList::ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                                        std::vector<std::uint32_t> lines) {
    m_pTexts = std::move(pTexts);
    m_lines.clear();
    if (m_pTexts != nullptr) {
        m_lines = std::move(lines);
    }
}

std::string_view CCollectedResultList::GetLine(std::size_t i) const {
    // The index promises numbers below the count; one that is not shows as an empty line.
    const std::uint32_t nLine = m_lines[i];
    return nLine < m_pTexts->GetCount() ? m_pTexts->GetLine(nLine) : std::string_view();
}

}  // namespace sitefinch
