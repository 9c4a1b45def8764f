// A result list that keeps its lines for printing instead of showing them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/ResultList.h"

namespace sitefinch {

class CCollectedResultList : public CResultList {
public:
    void ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                      std::vector<std::uint32_t> lines) override;

    // The lines of the last ReplaceLines, copied; line i belongs to result position i.
    const std::vector<std::string>& GetLines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

}  // namespace sitefinch
