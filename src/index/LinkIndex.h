// The index of a site: entries in a balanced tree, the page lists of a crawl, the result-list
// bookkeeping and the counters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BrowserPane.h"
#include "BuildProgressWnd.h"
#include "BuildSink.h"
#include "EntryTree.h"
#include "FilterBlock.h"
#include "IndexHost.h"
#include "IndexLimits.h"
#include "PathList.h"
#include "ResultList.h"
#include "platform/FileSystem.h"
#include "platform/PathParts.h"

namespace sitefinch {

// The index file, the file system and the host must outlive the index. Every operation runs on
// one thread; builds and loads pump the host's events, so other handlers may run nested inside
// them (IsBusy() tells them so). The crawl operations are implemented by the site indexer
// (indexer/CrawlOperations.cpp), whose CCrawl holds a build's working state.
class CLinkIndex {
public:
    // cSeparator is the separator of the paths the crawl builds: '/' here, '\' in tests that
    // follow Windows-style examples.
    CLinkIndex(CFileSystem& fileSystem, CIndexHost& host, char cSeparator = kPathSeparator);
    ~CLinkIndex();
    CLinkIndex(const CLinkIndex&) = delete;
    CLinkIndex& operator=(const CLinkIndex&) = delete;

    // --- Entries and tree -------------------------------------------------------------------

    // Empties both lists, the tree with its entries, the position map and the counters; the
    // progress window link stays.
    void Clear();

    // A page's title entry: leading blanks of pszText skipped, entities decoded; not counted.
    void AddTitleEntry(const char* pszTarget, const char* pszText);

    // A link entry; nothing when either string is empty. Counts the link when it is inserted.
    // True when inserted.
    bool AddLinkEntry(const char* pszTarget, const char* pszText);

    // Chains the entries in ascending order; the in-order list is empty from Clear() until then.
    void RebuildOrder() { m_tree.RebuildOrder(); }

    // Replaces the eight known entities in place; the text never grows.
    static void DecodeEntities(char* pszText);

    // The target of the entry at a result-list position, or null. Valid until the next Clear().
    const char* GetTargetAt(std::int64_t nPosition) const;

    // Called by the build progress window when it goes away.
    void ClearProgressWindow() { m_pProgressWnd = nullptr; }

    // Links the window of a running build (not owned); the build does this when it opens its
    // window, and tests do it to watch the messages that go there.
    void SetProgressWnd(CBuildProgressWnd* pWnd) { m_pProgressWnd = pWnd; }

    // Rewrites the running build's statistics text from the counters.
    void UpdateStatistics();

    // --- Index file ---------------------------------------------------------------------------

    // Writes the in-order list to pszPath, replacing the file atomically. False when the path is
    // empty, cannot be written ("File %s could not be written!" to the progress window) or a
    // write fails (the old file stays as it was).
    bool SaveIndex(const char* pszPath);

    // Replaces the index with the entries of pszPath. False when the path is empty, cannot be
    // opened ("File %s could not be opened!" to the progress window, index unchanged) or a read
    // fails (index cleared and partly filled, in-order list empty). Also false, with the index
    // untouched, when called while a build or a load is running (IsBusy()). Pumps the host's
    // events once per entry; the host's loading window may be null.
    bool LoadIndex(const char* pszPath);

    // --- Query filter ----------------------------------------------------------------------

    // Lists every entry whose lower-cased text contains the lower-cased query, in tree order,
    // and maps each line to its entry. An empty query lists all.
    void FilterEntries(CResultList& resultList, const char* pszQuery);

    // Calls visit(entry) for every entry that FilterEntries(pszQuery) would list, in the same
    // order, lower-casing each text on the way instead of making the filter's blocks: for a run
    // that asks once, where the blocks would cost memory nothing else uses. Leaves the position
    // map and the blocks as they are.
    void VisitMatches(const char* pszQuery,
                      const std::function<void(const CIndexEntry&)>& visit) const;

    // Makes the lower-cased forms of up to nMaxEntries more entries of the last filter run's list,
    // which a query needs and an empty one does not; a query makes whatever is left. True when
    // nothing is left, also when no filter has run since the tree last changed.
    bool PrepareFilter(std::size_t nMaxEntries);

    // Shows the target of the entry at a position; 0 when there is none there.
    int OpenEntryAt(CBrowserPane& browserPane, std::int64_t nPosition) const;

    // --- Crawl ------------------------------------------------------------------------------

    // Builds the index from a start page (at most kMaxPathLength characters) and saves it to
    // pszIndexPath. Returns 0 only when the save failed, else 1 (also after a Stop). Returns
    // when the progress window is gone. Also 0, with nothing touched, when called while a build
    // or a load is running (IsBusy()).
    int BuildIndex(const char* pszStartPath, const char* pszIndexPath);

    // Dispatches every waiting event of the host.
    void PumpMessages() { m_host.PumpMessages(); }

    // Scans one page for its title and links.
    void ScanPage(const char* pszPath);

    // True when pszLine holds "<title>" (any case) followed by a non-empty title, written to
    // pszTitle cut to nCapacity - 1 characters.
    static bool ExtractTitle(const char* pszLine, char* pszTitle, std::size_t nCapacity);

    // True when pszLine holds "<a href" (any case) with a value and the '>' after it.
    static bool ExtractLink(const char* pszLine, char* pszHref, std::size_t nHrefCapacity,
                            char* pszText, std::size_t nTextCapacity);

    // Resolves one link of a page, queues its page and adds its entry.
    void ResolveLink(const char* pszPagePath, const char* pszHref, const char* pszText);

    // False for hrefs holding "://" or "mailto:" (case-sensitive).
    static bool IsLocalLink(const char* pszHref);

    // Normalises a path in place with this index's separator.
    void NormalizePath(char* pszPath) const;

    bool IsVisited(const char* pszPath) const { return m_visited.Contains(pszPath); }
    bool IsPending(const char* pszPath) const { return m_pending.Contains(pszPath); }

    // --- State, for the windows and for tests ----------------------------------------------

    bool IsBusy() const { return m_nBusy > 0; }
    std::int32_t GetLinkCount() const { return m_nLinks; }
    std::int32_t GetPageCount() const { return m_nPages; }
    const CEntryTree& GetTree() const { return m_tree; }
    const CPathList& GetVisited() const { return m_visited; }
    const CPathList& GetPending() const { return m_pending; }
    CBuildProgressWnd* GetProgressWnd() const { return m_pProgressWnd; }
    std::size_t GetResultCount() const { return m_pPositionMap->size(); }
    char GetSeparator() const { return m_cSeparator; }
    CFileSystem& GetFileSystem() const { return m_fileSystem; }
    CIndexHost& GetHost() const { return m_host; }

private:
    // The crawl fills the lists and the counters and links itself as the build sink.
    friend class CCrawl;

    // Makes the entry (a CLinkEntry when bLinkEntry, else a plain CIndexEntry) with its text's
    // entities decoded and inserts it; true when inserted, false when the text was there.
    bool InsertEntry(const char* pszTarget, const char* pszText, bool bLinkEntry);

    CPathList m_visited;
    CPathList m_pending;
    CEntryTree m_tree;
    // Line position -> entry of the last filter run (see CFilterBlock for the entries).
    std::unique_ptr<CPositionMap> m_pPositionMap;
    CBuildProgressWnd* m_pProgressWnd = nullptr;  // not owned
    std::int32_t m_nLinks = 0;
    std::int32_t m_nPages = 0;

    CFileSystem& m_fileSystem;
    CIndexHost& m_host;
    char m_cSeparator;
    CBuildSink* m_pBuildSink = nullptr;  // the running build's crawl; not owned
    int m_nBusy = 0;

    // The statistics text last made by UpdateStatistics() and the counts it shows: a build
    // asks for it after every link, mostly with the same counts.
    char m_szStatistics[kStatisticsCapacity] = {};
    std::int32_t m_nStatisticsPages = 0;
    std::int32_t m_nStatisticsLinks = 0;

    // The in-order list flattened for the filter; rebuilt when the tree's order changes and
    // dropped by Clear().
    CFilterBlock m_filter;
};

}  // namespace sitefinch
