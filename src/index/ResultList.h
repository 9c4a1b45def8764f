// The result list of the main window, as the query filter sees it.
#pragma once

#include <cstdint>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

#include "LineTexts.h"

namespace sitefinch {

class CResultList {
public:
    virtual ~CResultList() = default;

    // Replaces every line at once, with nothing selected afterwards: line k shows the text
    // pTexts->GetLine(lines[k]). pTexts is never null and every number is below
    // pTexts->GetCount(). The block never changes and the list may keep it as long as it likes;
    // it outlives a Clear() of the index, so lines kept from before a Clear stay displayable.
    // Successive calls share one block until the index's order is rebuilt.
    virtual void ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                              std::vector<std::uint32_t> lines) = 0;

    // The same with every text of the block, in order, which a list may show without a number
    // per line: a million lines would cost 4 MB of numbers that say nothing.
    virtual void ReplaceWithAllLines(std::shared_ptr<const CLineTexts> pTexts) {
        std::vector<std::uint32_t> lines(pTexts->GetCount());
        std::iota(lines.begin(), lines.end(), std::uint32_t{0});
        ReplaceLines(std::move(pTexts), std::move(lines));
    }
};

}  // namespace sitefinch
