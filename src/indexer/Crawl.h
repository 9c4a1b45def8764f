// The crawl of a site: scanning pages, resolving their links, and the working state of one build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "index/BuildSink.h"
#include "index/EntryTree.h"
#include "index/LinkIndex.h"
#include "indexer/EntryTextSet.h"
#include "platform/PathParts.h"
#include "platform/PathTable.h"

namespace sitefinch {

// Carries out the crawl operations of a CLinkIndex. BuildIndex() makes one with a build's state
// (bBuild) that lives for the build and takes the build's entries; a scan or a resolution called
// outside a build runs on a short-lived one without that state, straight on the index's lists
// and tree. The index must outlive the crawl.
class CCrawlObserver;

class CCrawl final : public CBuildSink {
public:
    CCrawl(CLinkIndex& index, bool bBuild);
    CCrawl(const CCrawl&) = delete;
    CCrawl& operator=(const CCrawl&) = delete;
    ~CCrawl() = default;

    // CLinkIndex::BuildIndex(): the whole build, from the busy check to the user's Ok. pObserver,
    // when given, sees every page the build takes and every link it resolves (not owned; it must
    // outlive the call).
    static int BuildIndex(CLinkIndex& index, const char* pszStartPath, const char* pszIndexPath,
                          CCrawlObserver* pObserver = nullptr);

    // CLinkIndex::ScanPage() and CLinkIndex::ResolveLink().
    void ScanPage(const char* pszPath);
    void ResolveLink(const char* pszPagePath, const char* pszHref, const char* pszText);

    // CLinkIndex::ExtractTitle(), CLinkIndex::ExtractLink() and CLinkIndex::IsLocalLink().
    static bool ExtractTitle(const char* pszLine, char* pszTitle, std::size_t nCapacity);
    static bool ExtractLink(const char* pszLine, char* pszHref, std::size_t nHrefCapacity,
                            char* pszText, std::size_t nTextCapacity);
    static bool IsLocalLink(const char* pszHref);

    // CBuildSink, while a build runs.
    bool HoldsText(std::string_view sText) const override;
    void TakeEntry(std::unique_ptr<CIndexEntry> pEntry) override;
    void Forget() override;

private:
    // The build after BuildIndex()'s checks, with the crawl linked as the index's build sink.
    int Run(const char* pszStartPath, const char* pszIndexPath);

    // What a running build has learnt about a path it met.
    struct CPathFacts {
        // The existence test's result once bTested: a build works on the files that exist when
        // it starts, so each path needs testing only once.
        bool bExists = false;
        bool bTested = false;
        // In m_visited or m_pending. A path leaves neither list during a build, and every path
        // a build puts on them is marked here (the start page when the build begins, every
        // other one when a link queues it), so during a build this answers for both lists.
        bool bListed = false;
    };
    using CPathFactsMap = CPathTable<CPathFacts>;

    // A link worked out as far as it can be without touching the index, the lists or the file
    // system; EnterLink() does the rest. The crawl reads a run of a page's links ahead, so that
    // the memory their look-ups need is fetched for all of them at once.
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

    // The facts of the nLength-byte path pszPath (zero-terminated there), tested on first sight.
    // Only while a build runs; the reference lives until the next call.
    CPathFacts& FactsOf(const char* pszPath, std::size_t nLength, std::uint64_t nHash);
    // The existence test, answered from the facts while a build runs.
    bool TestExists(const char* pszPath);

    // Fills link for the href of the page; for a root-relative href only when bMayTest (else
    // kDeferred), since that resolution starts with an existence test. bPageSplit: the caller
    // has called SplitPage() for this page, and nothing has split another since.
    void PrepareLink(const char* pszPagePath, const char* pszHref, bool bMayTest, bool bPageSplit,
                     CPreparedLink& link);
    // Makes m_splitPage the split of the page path.
    void SplitPage(const char* pszPagePath);
    // Lower-cases (unless bLowered), normalises and completes the joined path in szResolved and
    // fills link from it.
    void FinishPath(char* pszResolved, bool bLowered, CPreparedLink& link) const;
    // Queues the link's page, adds its entry and updates the statistics, as ResolveLink() does.
    // pnTextHash, when given, is the text's hash in the text set.
    void EnterLink(const CPreparedLink& link, const char* pszText, const std::size_t* pnTextHash);

    // Starts fetching the text set's slot for the text of an entry about to be added. True,
    // with the text's hash in nHash, when the text has no entities, so that the hash is the one
    // its entry would be looked up by.
    bool PrefetchText(const char* pszText, std::size_t& nHash) const;

    // Enters the items read so far, in the order they were read, and empties the list.
    void EnterPageItems(const char* pszPagePath);
    // Tells the observer, if any, of a link entered from the page.
    void NotifyLink(const char* pszPagePath, const char* pszHref, const CPreparedLink& link) const;

    CLinkIndex& m_index;
    const bool m_bBuild;
    CCrawlObserver* m_pObserver = nullptr;  // not owned

    std::vector<CPageItem> m_pageItems;
    std::size_t m_nPageItems = 0;
    unsigned char m_nWarmSink = 0;  // where the loads that warm the cache leave their value

    // The split of the page path whose links were resolved last.
    std::string m_sSplitPage;
    CPathParts m_splitPage = {};
    std::size_t m_nSplitPageDriveLength = 0;
    std::size_t m_nSplitPageDirLength = 0;
    // The split's drive and directory are lower-case already, as every crawled path is.
    bool m_bSplitPageLower = false;

    // The build's state (m_bBuild only). Facts by path; the texts of the entries taken, which
    // turn a repeated text away without an entry being made; and the entries taken, in the
    // order made, until the crawl ends and the tree takes them in one batch.
    CPathFactsMap m_pathFacts;
    CEntryTextSet m_textSet;
    std::vector<CEntryTree::CBatchEntry> m_buildEntries;
};

}  // namespace sitefinch
