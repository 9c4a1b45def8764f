// Turning a link of a page into a local page path: queueing it for the crawl and adding its entry.
#include <cstring>
#include <string>
#include <string_view>

#include "indexer/Crawl.h"
#include "indexer/CrawlObserver.h"
#include "indexer/LinkRules.h"
#include "platform/PathParts.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Joins up to three parts into a buffer of nCapacity bytes; false when they do not fit.
bool Join(char* pszDest, std::size_t nCapacity, const char* pszA, const char* pszB,
          const char* pszC) {
    return CopyBounded(pszDest, nCapacity, pszA) && AppendBounded(pszDest, nCapacity, pszB) &&
           AppendBounded(pszDest, nCapacity, pszC);
}

// The directory's first component: from its first character up to the next separator found
// from its second character on, or the whole directory when there is none.
void FirstDirComponent(const char* pszDir, char* pszOut, std::size_t nCapacity) {
    std::size_t n = 0;
    if (pszDir[0] != '\0') {
        n = 1;
        while (pszDir[n] != '\0' && !IsSeparator(pszDir[n])) {
            ++n;
        }
    }
    CopyBounded(pszOut, nCapacity, "");
    if (n < nCapacity) {
        std::memcpy(pszOut, pszDir, n);
        pszOut[n] = '\0';
    }
}

// True when no byte of the text changes when lower-cased.
bool IsLowerCase(const char* psz) {
    for (; *psz != '\0'; ++psz) {
        if (CharLowerByte(static_cast<unsigned char>(*psz)) != static_cast<unsigned char>(*psz)) {
            return false;
        }
    }
    return true;
}

// True when the name in the nLength-byte path has an extension: a '.' follows the drive and the
// last separator. Looked for from the end, where the name is.
bool HasExtension(const char* pszPath, std::size_t nLength) {
    const char* pStart = (pszPath[0] != '\0' && pszPath[1] == ':') ? pszPath + 2 : pszPath;
    for (const char* p = pszPath + nLength; p > pStart;) {
        --p;
        if (*p == '.') {
            return true;
        }
        if (IsSeparator(*p)) {
            return false;
        }
    }
    return false;
}

}  // namespace

CCrawl::CPathFacts& CCrawl::FactsOf(const char* pszPath, std::size_t nLength, std::uint64_t nHash) {
    CPathFacts& facts =
        m_pathFacts.FindOrAdd(std::string_view(pszPath, nLength), nHash, CPathFacts());
    if (!facts.bTested) {
        facts.bExists = m_index.m_fileSystem.Exists(pszPath);
        facts.bTested = true;
    }
    return facts;
}

bool CCrawl::TestExists(const char* pszPath) {
    // Most links of a site lead to pages that other links have led to before.
    if (!m_bBuild) {
        return m_index.m_fileSystem.Exists(pszPath);
    }
    const std::size_t nLength = std::strlen(pszPath);
    return FactsOf(pszPath, nLength, CPathFactsMap::Hash(std::string_view(pszPath, nLength)))
        .bExists;
}

bool CCrawl::IsLocalLink(const char* pszHref) {
    // Both markers hold a colon, which most hrefs lack: one quick look settles those.
    return std::strchr(pszHref, ':') == nullptr ||
           (std::strstr(pszHref, "://") == nullptr && std::strstr(pszHref, "mailto:") == nullptr);
}

void CCrawl::ResolveLink(const char* pszPagePath, const char* pszHref, const char* pszText) {
    // The text's look-up in the text set comes last and would wait for memory on a large site:
    // start fetching its slot now, while the path is worked out.
    std::size_t nTextHash;
    const bool bTextHashed = PrefetchText(pszText, nTextHash);
    CPreparedLink link;
    PrepareLink(pszPagePath, pszHref, true, false, link);
    EnterLink(link, pszText, bTextHashed ? &nTextHash : nullptr);
    NotifyLink(pszPagePath, pszHref, link);
}

void CCrawl::NotifyLink(const char* pszPagePath, const char* pszHref,
                        const CPreparedLink& link) const {
    if (m_pObserver == nullptr) {
        return;
    }
    if (link.eKind == CPreparedLink::EKind::kPath) {
        m_pObserver->OnLink(pszPagePath, pszHref, link.szTarget, link.szPath);
    } else if (link.eKind == CPreparedLink::EKind::kFragment) {
        m_pObserver->OnLink(pszPagePath, pszHref, link.szTarget, pszPagePath);
    }
}

bool CCrawl::PrefetchText(const char* pszText, std::size_t& nHash) const {
    // A text with entities is looked up decoded, which this does not try to predict.
    if (!m_bBuild || std::strchr(pszText, '&') != nullptr) {
        return false;
    }
    nHash = CEntryTextSet::Hash(pszText);
    m_textSet.Prefetch(nHash);
    return true;
}

void CCrawl::SplitPage(const char* pszPagePath) {
    // Every link of a page splits the same page path: split it once.
    if (m_sSplitPage != pszPagePath) {
        SplitPath(pszPagePath, m_splitPage);
        m_sSplitPage = pszPagePath;
        m_nSplitPageDriveLength = std::strlen(m_splitPage.szDrive);
        m_nSplitPageDirLength = std::strlen(m_splitPage.szDir);
        m_bSplitPageLower = IsLowerCase(m_splitPage.szDrive) && IsLowerCase(m_splitPage.szDir);
    }
}

void CCrawl::PrepareLink(const char* pszPagePath, const char* pszHref, bool bMayTest,
                         bool bPageSplit, CPreparedLink& link) {
    using EKind = CPreparedLink::EKind;
    if (!IsLocalLink(pszHref)) {
        link.eKind = EKind::kIgnored;
        return;
    }

    if (pszHref[0] == '#') {
        // The page's own path with the fragment as written: no test, nothing queued. A pair too
        // long for the target is dropped rather than cut, so no entry points to a wrong page.
        link.eKind = Join(link.szTarget, sizeof link.szTarget, pszPagePath, pszHref, "")
                         ? EKind::kFragment
                         : EKind::kDropped;
        return;
    }
    if (IsSeparator(pszHref[0]) && !bMayTest) {
        link.eKind = EKind::kDeferred;
        return;
    }

    if (!bPageSplit) {
        SplitPage(pszPagePath);
    }
    const CPathParts& page = m_splitPage;

    // Every join below that would not fit the resolved path drops the link: a cut path would
    // name some other file.
    char szResolved[kResolvedPathCapacity];
    bool bFits;
    bool bLowered = false;
    if (IsSeparator(pszHref[0])) {
        bFits = Join(szResolved, sizeof szResolved, page.szDrive, pszHref, "");
        if (bFits && !TestExists(szResolved)) {
            // Root-relative to the site rather than to the drive: the site is taken to live in
            // the first directory of the page's path.
            char szFirst[kDirCapacity];
            FirstDirComponent(page.szDir, szFirst, sizeof szFirst);
            bFits = Join(szResolved, sizeof szResolved, page.szDrive, szFirst, pszHref);
        }
    } else {
        // Join() with the lengths known: this runs for nearly every link.
        const std::size_t nPrefix = m_nSplitPageDriveLength + m_nSplitPageDirLength;
        const std::size_t nHref = std::strlen(pszHref);
        bFits = nPrefix + nHref < sizeof szResolved;
        if (bFits) {
            std::memcpy(szResolved, page.szDrive, m_nSplitPageDriveLength);
            std::memcpy(szResolved + m_nSplitPageDriveLength, page.szDir, m_nSplitPageDirLength);
            std::memcpy(szResolved + nPrefix, pszHref, nHref + 1);
            // The page's own drive and directory come from a path the crawl lower-cased
            // already: only the href needs it.
            if (m_bSplitPageLower) {
                CharLowerBuff(szResolved + nPrefix, nHref);
                bLowered = true;
            }
        }
    }
    if (!bFits) {
        link.eKind = EKind::kDropped;
        return;
    }
    FinishPath(szResolved, bLowered, link);
}

void CCrawl::FinishPath(char* pszResolved, bool bLowered, CPreparedLink& link) const {
    using EKind = CPreparedLink::EKind;
    if (!bLowered) {
        CharLowerA(pszResolved);
    }
    ::sitefinch::NormalizePath(pszResolved, m_index.m_cSeparator);

    // A directory link leads to the directory's default page. The test runs with the fragment
    // still attached, so "sub#x" counts as a directory.
    std::size_t nLength = std::strlen(pszResolved);
    const bool bEndsWithSeparator = nLength > 0 && IsSeparator(pszResolved[nLength - 1]);
    if (bEndsWithSeparator || !HasExtension(pszResolved, nLength)) {
        const char szSeparator[] = {m_index.m_cSeparator, '\0'};
        if (!(bEndsWithSeparator ||
              AppendBounded(pszResolved, kResolvedPathCapacity, szSeparator)) ||
            !AppendBounded(pszResolved, kResolvedPathCapacity, kDirectoryPage)) {
            link.eKind = EKind::kDropped;
            return;
        }
        nLength = std::strlen(pszResolved);
    }

    static_assert(kResolvedPathCapacity <= kTargetCapacity);
    std::memcpy(link.szTarget, pszResolved, nLength + 1);

    // The queued path is the page without its fragment; missing files are queued too, so the
    // crawl reports each broken target once.
    if (const void* pFragment = std::memchr(pszResolved, '#', nLength)) {
        nLength = static_cast<std::size_t>(static_cast<const char*>(pFragment) - pszResolved);
    }
    std::memcpy(link.szPath, pszResolved, nLength);
    link.szPath[nLength] = '\0';
    link.nPathLength = nLength;
    link.nPathHash = CPathFactsMap::Hash(std::string_view(link.szPath, nLength));
    link.eKind = EKind::kPath;
}

void CCrawl::EnterLink(const CPreparedLink& link, const char* pszText,
                       const std::size_t* pnTextHash) {
    const auto addEntry = [this, pszText, pnTextHash](const char* pszTarget) {
        // A text in the set is in the tree, and AddLinkEntry() would change nothing.
        if (pnTextHash == nullptr || !m_textSet.Contains(pszText, *pnTextHash)) {
            m_index.AddLinkEntry(pszTarget, pszText);
        }
    };
    using EKind = CPreparedLink::EKind;
    switch (link.eKind) {
        case EKind::kIgnored:
        case EKind::kDeferred:  // the caller resolves it with ResolveLink() instead
            return;
        case EKind::kDropped:
            break;
        case EKind::kFragment:
            addEntry(link.szTarget);
            break;
        case EKind::kPath: {
            bool bExists;
            if (m_bBuild) {
                CPathFacts& facts = FactsOf(link.szPath, link.nPathLength, link.nPathHash);
                if (!facts.bListed) {
                    m_index.m_pending.AddTail(link.szPath);
                    facts.bListed = true;
                }
                bExists = facts.bExists;
            } else {
                if (!m_index.IsVisited(link.szPath) && !m_index.IsPending(link.szPath)) {
                    m_index.m_pending.AddTail(link.szPath);
                }
                bExists = m_index.m_fileSystem.Exists(link.szPath);
            }
            if (bExists) {
                addEntry(link.szTarget);
            }
            break;
        }
    }
    m_index.UpdateStatistics();
}

}  // namespace sitefinch
