// The ordered path lists of a crawl, with hashed membership.
#include "PathList.h"

namespace sitefinch {

void CPathList::AddTail(const char* pszPath) {
    std::string sPath(pszPath != nullptr ? pszPath : "");
    m_members.insert(sPath);
    m_paths.push_back(std::move(sPath));
}

bool CPathList::RemoveHead(std::string& sPath) {
    if (m_paths.empty()) {
        return false;
    }
    sPath = std::move(m_paths.front());
    m_paths.pop_front();
    // A path may have been added more than once; only one of its copies leaves the set.
    const auto it = m_members.find(sPath);
    if (it != m_members.end()) {
        m_members.erase(it);
    }
    return true;
}

bool CPathList::Contains(const char* pszPath) const {
    return m_members.find(std::string_view(pszPath != nullptr ? pszPath : "")) != m_members.end();
}

void CPathList::RemoveAll() {
    m_paths.clear();
    m_members.clear();
}

}  // namespace sitefinch
