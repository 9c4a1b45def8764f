// Checking a site's local links and their anchors as it is crawled, and finding the pages below
// its folder that the crawl never took.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "indexer/CrawlObserver.h"
#include "platform/FileSystem.h"

namespace sitefinch {

// One line of a check's report. An orphan has only a page.
struct CCheckLine {
    enum class EKind { kMissing, kFragment, kOrphan };
    EKind eKind;
    std::string sPage;    // the page being scanned; for an orphan, its path
    std::string sHref;    // as the scanner extracted it
    std::string sTarget;  // as an entry would hold it
};

// "missing", "fragment" or "orphan".
const char* CheckKindName(CCheckLine::EKind eKind);

// Every anchor value in a page's bytes: the word "id" or "name" in any case, not preceded by a
// letter, digit, '_' or '-', then optional blanks (space, TAB, CR, LF), '=', optional blanks and
// a value, quoted with '"' or '\'' (an unclosed quote gives none) or unquoted up to the next
// blank, '>', '"' or '\''. The whole file counts, inside tags or not, with no length cut.
std::unordered_set<std::string> FindAnchors(std::string_view bytes);

// The part of an href after its first '#', or nothing when there is no '#'.
std::optional<std::string_view> FragmentOf(std::string_view href);

// True for a fragment that is to be looked for: not empty and not "top" in any case, which
// browsers take for the top of the page.
bool IsCheckedFragment(std::string_view fragment);

// Watches one crawl (hand it to CCrawl::BuildIndex()) and afterwards tells which of
// the links it met lead to a page the crawl could not open, or to a page that opened but holds
// no anchor for the link's fragment.
class CLinkChecker : public CCrawlObserver {
public:
    void OnPage(const char* pszPath, bool bOpened) override;
    void OnLink(const char* pszPage, const char* pszHref, const char* pszTarget,
                const char* pszTargetPage) override;

    // The problems, in the order the crawl met their links. Anchors are read from the pages
    // through fileSystem, each file at most once; a page that can no longer be read has none.
    std::vector<CCheckLine> FindProblems(CFileSystem& fileSystem);

    // True when the crawl took the path (opened or not), compared byte for byte.
    bool WasVisited(const std::string& sPath) const;

private:
    enum class EState : std::uint8_t { kNotTaken, kOpened, kFailed };
    struct CPage {
        std::string sPath;
        EState eState = EState::kNotTaken;
        bool bAnchorsRead = false;
        std::unordered_set<std::string> anchors;
    };
    // A link whose verdict needs the rest of the crawl or the target's anchors.
    struct CLink {
        std::uint32_t nPage;
        std::uint32_t nTargetPage;
        std::string sHref;
        std::string sTarget;
    };

    std::uint32_t PageId(const char* pszPath);
    bool HasAnchor(CFileSystem& fileSystem, CPage& page, std::string_view fragment);

    std::vector<CPage> m_pages;
    std::unordered_map<std::string, std::uint32_t> m_pageIds;
    std::vector<CLink> m_links;
};

// The files below sFolder (a path ending in a separator, as printed) whose names end in ".htm"
// or ".html" in any case, hidden ones included, for which isVisited(path lower-cased) is false,
// as sFolder followed by the names on disk, in byte order. Symbolic links are not followed;
// one whose name ends so counts, whatever it points to. Folders that cannot be read are skipped.
std::vector<std::string> FindOrphans(const std::string& sFolder,
                                     const std::function<bool(const std::string&)>& isVisited);

}  // namespace sitefinch
