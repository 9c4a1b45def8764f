// A result list that keeps its lines for printing instead of showing them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "index/ResultList.h"

namespace sitefinch {

// Keeps the index's texts and the line numbers, as the window's list does, rather than copies:
// every entry of a large index may match.
class CCollectedResultList : public CResultList {
public:
    void ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                      std::vector<std::uint32_t> lines) override;

    // Lines of the last ReplaceLines; line i belongs to result position i.
    std::size_t GetCount() const { return m_lines.size(); }
    // Line i < GetCount(), valid as long as this list.
    std::string_view GetLine(std::size_t i) const;

private:
    std::shared_ptr<const CLineTexts> m_pTexts;
    std::vector<std::uint32_t> m_lines;  // empty while m_pTexts is null
};

}  // namespace sitefinch
