// A result list that keeps its lines for printing instead of showing them.
#include "cli/CollectedResultList.h"

namespace sitefinch {

void CCollectedResultList::ReplaceLines(const char* const* ppszLines, std::size_t nLines) {
    m_lines.assign(ppszLines, ppszLines + nLines);
}

}  // namespace sitefinch
