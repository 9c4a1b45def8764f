// The index of a site: entries in a balanced tree, the page lists of a crawl, the result-list
// bookkeeping and the counters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "BrowserPane.h"
#include "BuildProgressWnd.h"
#include "EntryTextSet.h"
#include "EntryTree.h"
#include "IndexHost.h"
#include "PathList.h"
#include "ResultList.h"
#include "platform/FileSystem.h"
#include "platform/PathParts.h"
#include "platform/PathTable.h"

namespace sitefinch {

class CCrawlObserver;

// Buffer capacities in bytes; a buffer of N bytes holds N - 1 characters.
inline constexpr std::size_t kTitleCapacity = 200;
inline constexpr std::size_t kHrefCapacity = 200;
inline constexpr std::size_t kLinkTextCapacity = 200;
inline constexpr std::size_t kResolvedPathCapacity = 200;
inline constexpr std::size_t kTargetCapacity = 260;
inline constexpr std::size_t kQueryCapacity = 100;
inline constexpr std::size_t kStartPathCapacity = 260;
inline constexpr std::size_t kMessageCapacity = 1000;
inline constexpr std::size_t kStatisticsCapacity = 100;

// The index file, the file system and the host must outlive the index. Every operation runs on
// one thread; builds and loads pump the host's events, so other handlers may run nested inside
// them (IsBusy() tells them so).
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

    // Shows the target of the entry at a position; 0 when there is none there.
    int OpenEntryAt(CBrowserPane& browserPane, std::int64_t nPosition) const;

    // --- Crawl ------------------------------------------------------------------------------

    // Builds the index from a start page (at most 259 characters) and saves it to pszIndexPath.
    // Returns 0 only when the save failed, else 1 (also after a Stop). Returns when the
    // progress window is gone. Also 0, with nothing touched, when called while a build or a
    // load is running (IsBusy()).
    int BuildIndex(const char* pszStartPath, const char* pszIndexPath);

    // Dispatches every waiting event of the host.
    void PumpMessages();

    // Lets a watcher see every page a crawl takes and every link it resolves (not owned; null
    // for none). It must outlive the builds it watches.
    void SetCrawlObserver(CCrawlObserver* pObserver) { m_pCrawlObserver = pObserver; }

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
    // Makes the entry (a CLinkEntry when bLinkEntry, else a plain CIndexEntry) with its text's
    // entities decoded and inserts it; true when inserted, false when the text was there.
    bool InsertEntry(const char* pszTarget, const char* pszText, bool bLinkEntry);

    CPathList m_visited;
    CPathList m_pending;
    CEntryTree m_tree;
    // Line position -> entry of the last filter run; the entries belong to the tree.
    std::unique_ptr<std::vector<const CIndexEntry*>> m_pPositionMap;
    CBuildProgressWnd* m_pProgressWnd = nullptr;  // not owned
    CCrawlObserver* m_pCrawlObserver = nullptr;   // not owned
    std::int32_t m_nLinks = 0;
    std::int32_t m_nPages = 0;
    // The statistics text last made by UpdateStatistics() and the counts it shows.
    char m_szStatistics[kStatisticsCapacity] = {};
    std::int32_t m_nStatisticsPages = 0;
    std::int32_t m_nStatisticsLinks = 0;

    CFileSystem& m_fileSystem;
    CIndexHost& m_host;
    char m_cSeparator;
    // What a running build has learnt about a path it met.
    struct CPathFacts {
        // The existence test's result once bTested: a build works on the files that exist when
        // it starts, so each path needs testing only once.
        bool bExists = false;
        bool bTested = false;
        // In m_visited or m_pending. A path leaves neither list during a build, and every path
        // a build puts on them is marked here (the start page when the build begins, every
        // other one when a link queues it), so during a build this answers for both lists. A
        // Clear() empties the lists and the facts together.
        bool bListed = false;
    };
    using CPathFactsMap = CPathTable<CPathFacts>;

    // The facts of the nLength-byte path pszPath (zero-terminated there), tested on first sight.
    // Only while a build runs; the reference lives until the next call.
    CPathFacts& FactsOf(const char* pszPath, std::size_t nLength);
    CPathFacts& FactsOf(const char* pszPath, std::size_t nLength, std::uint64_t nHash);
    // The existence test, answered from the facts while a build runs.
    bool TestExists(const char* pszPath);

    // A link worked out as far as it can be without touching the index, the lists or the file
    // system, and the rest done later by EnterLink(): the crawl reads a run of a page's links
    // ahead, so that the memory their look-ups need is fetched for all of them at once.
    struct CPreparedLink {
        enum class EKind {
            kIgnored,   // not a local link: nothing happens
            kDropped,   // too long to resolve: only the statistics are updated
            kFragment,  // "#..." on the page itself: szTarget gets an entry, nothing is queued
            kPath,      // szTarget gets an entry when szPath exists; szPath is queued
            kDeferred,  // root-relative: its resolution tests files, so it waits for its turn
        };
        EKind eKind = EKind::kIgnored;
        char szTarget[kTargetCapacity];
        char szPath[kResolvedPathCapacity];  // kPath: the target without its fragment
        std::size_t nPathLength = 0;
        std::uint64_t nPathHash = 0;  // kPath: for the path facts
    };
    // Fills link for the href of the page; for a root-relative href only when bMayTest (else
    // kDeferred), since that resolution starts with an existence test. bPageSplit: the caller
    // has called SplitPage() for this page, and nothing has split another since.
    void PrepareLink(const char* pszPagePath, const char* pszHref, bool bMayTest, bool bPageSplit,
                     CPreparedLink& link);
    // Makes m_splitPage the split of the page path.
    void SplitPage(const char* pszPagePath);
    // Queues the link's page, adds its entry and updates the statistics, as ResolveLink() does.
    // pnTextHash, when given, is the text's hash for AddHashedLinkEntry().
    void EnterLink(const CPreparedLink& link, const char* pszText,
                   const std::size_t* pnTextHash = nullptr);
    // Tells the crawl observer, if any, of a link entered from the page.
    void NotifyLink(const char* pszPagePath, const char* pszHref, const CPreparedLink& link) const;
    // Lower-cases (unless bLowered), normalises and completes the joined path in szResolved and
    // fills link from it.
    void FinishPath(char* pszResolved, bool bLowered, CPreparedLink& link) const;

    // Starts fetching the text set's slot for the text of an entry about to be added. True,
    // with the text's hash in nHash, when the text has no entities, so that the hash is the one
    // its entry would be looked up by.
    bool PrefetchText(const char* pszText, std::size_t& nHash) const;
    // AddLinkEntry() for a link text with no entities whose Hash() is known: a text that the
    // text set holds already is turned away without the entry being made.
    void AddHashedLinkEntry(const char* pszTarget, const char* pszText, std::size_t nTextHash);

    // A title or link read from a page and not yet entered (see ScanPage()).
    struct CPageItem {
        bool bTitle = false;
        char szText[kLinkTextCapacity];  // the title or the link text
        char szHref[kHrefCapacity];      // a kDeferred link's href; any link's when observed
        bool bTextHashed = false;        // a link text without entities, hashed in nTextHash
        std::size_t nTextHash = 0;
        CPreparedLink link;
    };
    static_assert(kTitleCapacity <= kLinkTextCapacity);
    // Enters the items read so far, in the order they were read, and empties the list.
    void EnterPageItems(const char* pszPagePath);
    std::vector<CPageItem> m_pageItems;
    std::size_t m_nPageItems = 0;
    unsigned char m_nWarmSink = 0;  // where the loads that warm the cache leave their value

    // The split of the page path whose links ResolveLink() resolved last.
    std::string m_sSplitPage;
    CPathParts m_splitPage = {};
    std::size_t m_nSplitPageDriveLength = 0;
    std::size_t m_nSplitPageDirLength = 0;
    // The split's drive and directory are lower-case already, as every crawled path is.
    bool m_bSplitPageLower = false;

    // Facts by path while a build runs (null otherwise; emptied by Clear()).
    std::unique_ptr<CPathFactsMap> m_pPathFacts;
    // The texts in the tree while a build runs (null otherwise; emptied by Clear()): a site
    // repeats its link texts many times over, and a repeated text is turned away here without
    // an entry being made or the tree being searched.
    std::unique_ptr<CEntryTextSet> m_pTextSet;
    // The entries a running build has made, in the order made, until the crawl ends and
    // the tree takes them in one batch; each text once (the text set sees to that).
    std::vector<CEntryTree::CBatchEntry> m_buildEntries;
    int m_nBusy = 0;

    // The in-order list flattened for the filter, rebuilt when the tree's order generation
    // changes. Entry i's text is m_pFilterTexts->GetText(i); its lower-cased form, of the same
    // length, lies at the same offset in m_filterLower, zero-terminated, so that a keystroke
    // scans one contiguous block instead of chasing pointers. The text block goes to the result
    // list, which may keep it: a rebuild makes a new block and never changes one handed out.
    void RefreshFilterCache();
    std::uint64_t m_nFilterGeneration = 0;
    std::vector<const CIndexEntry*> m_filterEntries;
    std::shared_ptr<const CLineTexts> m_pFilterTexts;
    std::string m_filterLower;
};

}  // namespace sitefinch
