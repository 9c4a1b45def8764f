// The crawl operations of the index, carried out by the running build's crawl or, outside a
// build, by one made for the call.
#include "index/LinkIndex.h"
#include "indexer/Crawl.h"

namespace sitefinch {

int CLinkIndex::BuildIndex(const char* pszStartPath, const char* pszIndexPath) {
    return CCrawl::BuildIndex(*this, pszStartPath, pszIndexPath);
}

void CLinkIndex::ScanPage(const char* pszPath) {
    // The only build sink there is is the crawl of the running build.
    if (m_pBuildSink != nullptr) {
        static_cast<CCrawl*>(m_pBuildSink)->ScanPage(pszPath);
    } else {
        CCrawl(*this, false).ScanPage(pszPath);
    }
}

void CLinkIndex::ResolveLink(const char* pszPagePath, const char* pszHref, const char* pszText) {
    if (m_pBuildSink != nullptr) {
        static_cast<CCrawl*>(m_pBuildSink)->ResolveLink(pszPagePath, pszHref, pszText);
    } else {
        CCrawl(*this, false).ResolveLink(pszPagePath, pszHref, pszText);
    }
}

bool CLinkIndex::ExtractTitle(const char* pszLine, char* pszTitle, std::size_t nCapacity) {
    return CCrawl::ExtractTitle(pszLine, pszTitle, nCapacity);
}

bool CLinkIndex::ExtractLink(const char* pszLine, char* pszHref, std::size_t nHrefCapacity,
                             char* pszText, std::size_t nTextCapacity) {
    return CCrawl::ExtractLink(pszLine, pszHref, nHrefCapacity, pszText, nTextCapacity);
}

bool CLinkIndex::IsLocalLink(const char* pszHref) {
    return CCrawl::IsLocalLink(pszHref);
}

void CLinkIndex::NormalizePath(char* pszPath) const {
    ::sitefinch::NormalizePath(pszPath, m_cSeparator);
}

}  // namespace sitefinch
