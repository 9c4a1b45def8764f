// A result list that keeps its lines for printing instead of showing them.
#include "cli/CollectedResultList.h"

#include <string_view>

namespace sitefinch {

void CCollectedResultList::ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                                        std::vector<std::uint32_t> lines) {
    // One query is printed once, so copies cost nothing worth saving here.
    m_lines.clear();
    if (pTexts == nullptr) {
        return;
    }
    m_lines.reserve(lines.size());
    for (const std::uint32_t nText : lines) {
        m_lines.emplace_back(nText < pTexts->GetCount() ? pTexts->GetLine(nText)
                                                        : std::string_view());
    }
}

}  // namespace sitefinch
