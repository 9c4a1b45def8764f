// The result list of the main window, as the query filter sees it.
#pragma once

#include <cstddef>

namespace sitefinch {

class CResultList {
public:
    virtual ~CResultList() = default;

    // Replaces every line at once, with nothing selected afterwards. The pointers are valid only
    // during the call: the list copies what it keeps.
    virtual void ReplaceLines(const char* const* ppszLines, std::size_t nLines) = 0;
};

}  // namespace sitefinch
