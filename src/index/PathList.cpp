// The ordered path lists of a crawl, with hashed membership.
#include "PathList.h"

namespace sitefinch {

void CPathList::AddTail(const char* pszPath) {
    std::string sPath(pszPath != nullptr ? pszPath : "");
    if (std::uint32_t* pCount = m_counts.Find(sPath)) {
        ++*pCount;
    } else {
        m_counts.Add(sPath, 1);
    }
    m_paths.push_back(std::move(sPath));
}

bool CPathList::RemoveHead(std::string& sPath) {
    if (m_paths.empty()) {
        return false;
    }
    sPath = std::move(m_paths.front());
    m_paths.pop_front();
    // A path may have been added more than once; only one of its copies leaves the count.
    if (std::uint32_t* pCount = m_counts.Find(sPath); pCount != nullptr && *pCount > 0) {
        --*pCount;
    }
    return true;
}

bool CPathList::Contains(const char* pszPath) const {
    const std::uint32_t* pCount =
        m_counts.Find(std::string_view(pszPath != nullptr ? pszPath : ""));
    return pCount != nullptr && *pCount > 0;
}

void CPathList::RemoveAll() {
    m_paths.clear();
    m_counts.Clear();
}

}  // namespace sitefinch
