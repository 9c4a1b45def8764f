// The ordered path lists of a crawl, with hashed membership.
#include "PathList.h"

namespace sitefinch {

void CPathList::AddTail(const char* pszPath) {
    m_paths.emplace_back(pszPath != nullptr ? pszPath : "");
    if (m_bCounted) {
        Count(m_paths.back());
    }
}

void CPathList::Count(const std::string& sPath) const {
    ++m_counts.FindOrAdd(sPath, 0);
}

bool CPathList::RemoveHead(std::string& sPath) {
    if (m_paths.empty()) {
        return false;
    }
    sPath = std::move(m_paths.front());
    m_paths.pop_front();
    // A path may have been added more than once; only one of its copies leaves the count.
    if (std::uint32_t* pCount = m_bCounted ? m_counts.Find(sPath) : nullptr;
        pCount != nullptr && *pCount > 0) {
        --*pCount;
    }
    return true;
}

bool CPathList::Contains(const char* pszPath) const {
    if (!m_bCounted) {
        for (const std::string& sPath : m_paths) {
            Count(sPath);
        }
        m_bCounted = true;
    }
    const std::uint32_t* pCount =
        m_counts.Find(std::string_view(pszPath != nullptr ? pszPath : ""));
    return pCount != nullptr && *pCount > 0;
}

void CPathList::RemoveAll() {
    m_paths.clear();
    m_counts.Clear();
    m_bCounted = false;
}

}  // namespace sitefinch
