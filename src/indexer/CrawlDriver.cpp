// The build of a site's index: crawl from the start page, breadth first, then save.
#include <memory>
#include <string>

#include "index/BusyGuard.h"
#include "indexer/BuildTexts.h"
#include "indexer/Crawl.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

// Lets the file system cache directory listings for exactly one build, on every way out.
class CCachedScanScope {
public:
    explicit CCachedScanScope(CFileSystem& fileSystem) : m_fileSystem(fileSystem) {
        m_fileSystem.BeginCachedScan();
    }
    ~CCachedScanScope() { m_fileSystem.EndCachedScan(); }
    CCachedScanScope(const CCachedScanScope&) = delete;
    CCachedScanScope& operator=(const CCachedScanScope&) = delete;

private:
    CFileSystem& m_fileSystem;
};

// Links the crawl to the index as its build sink for exactly one build, on every way out.
class CBuildSinkScope {
public:
    CBuildSinkScope(CBuildSink*& pSink, CBuildSink& sink) : m_pSink(pSink) { m_pSink = &sink; }
    ~CBuildSinkScope() { m_pSink = nullptr; }
    CBuildSinkScope(const CBuildSinkScope&) = delete;
    CBuildSinkScope& operator=(const CBuildSinkScope&) = delete;

private:
    CBuildSink*& m_pSink;
};

}  // namespace

CCrawl::CCrawl(CLinkIndex& index, bool bBuild) : m_index(index), m_bBuild(bBuild) {}

bool CCrawl::HoldsText(std::string_view sText) const {
    return m_textSet.Contains(sText);
}

void CCrawl::TakeEntry(std::unique_ptr<CIndexEntry> pEntry) {
    // The set's view points into the entry, which the batch keeps alive until the tree has it.
    m_textSet.Add(std::string_view(pEntry->GetText(), pEntry->GetTextLength()));
    m_buildEntries.emplace_back(std::move(pEntry));
}

void CCrawl::Forget() {
    m_textSet.Clear();    // its views point into the entries about to be freed
    m_pathFacts.Clear();  // the lists they vouch for are gone
    m_buildEntries.clear();
}

int CCrawl::BuildIndex(CLinkIndex& index, const char* pszStartPath, const char* pszIndexPath,
                       CCrawlObserver* pObserver) {
    // A build started from inside a running build or load (its pump runs the main window's
    // commands) would replace that operation's window and lists under its feet.
    if (index.IsBusy()) {
        return 0;
    }
    CBusyGuard busy(index.m_nBusy);
    CCachedScanScope cachedScan(index.m_fileSystem);
    CCrawl crawl(index, true);
    crawl.m_pObserver = pObserver;
    CBuildSinkScope sink(index.m_pBuildSink, crawl);
    return crawl.Run(pszStartPath, pszIndexPath);
}

int CCrawl::Run(const char* pszStartPath, const char* pszIndexPath) {
    CLinkIndex& index = m_index;
    char szStart[kMaxPathCapacity];
    CopyBounded(szStart, sizeof szStart, pszStartPath ? pszStartPath : "");
    CharLowerA(szStart);

    index.Clear();

    CBuildProgressWnd* pWnd = index.m_host.NewBuildWindow();
    index.m_pProgressWnd = pWnd;
    if (pWnd && pWnd->Create()) {
        pWnd->SetIndex(&index);
    } else {
        // Without a window nobody can stop or acknowledge the build: it crawls everything,
        // saves, and returns without waiting.
        index.m_pProgressWnd = nullptr;
        delete pWnd;
        pWnd = nullptr;
    }
    const bool bWindowless = pWnd == nullptr;
    // A build with a window goes on only while the window is there: its Stop empties the link.
    auto isRunning = [&index, bWindowless] {
        return bWindowless || index.m_pProgressWnd != nullptr;
    };

    if (index.m_pProgressWnd) {
        index.m_pProgressWnd->AddLine(kStartLine);
    }

    index.m_visited.AddTail(szStart);
    m_pathFacts.Add(szStart, CPathFacts{.bListed = true});
    ScanPage(szStart);

    std::string sPage;
    while (!index.m_pending.IsEmpty() && isRunning()) {
        index.PumpMessages();
        // A Stop in the pump still lets the head page be scanned. Only an operation nested in
        // the pump that emptied the index leaves no head to take.
        if (!index.m_pending.RemoveHead(sPage)) {
            break;
        }
        index.m_visited.AddTail(sPage.c_str());
        ScanPage(sPage.c_str());
    }

    index.m_tree.InsertBatch(m_buildEntries);
    index.m_tree.RebuildOrder();

    int nResult = 1;
    if (isRunning()) {
        if (index.m_pProgressWnd) {
            index.m_pProgressWnd->SetProgressText(kSavingText);
        }
        if (!index.SaveIndex(pszIndexPath)) {
            nResult = 0;
        }
        if (index.m_pProgressWnd) {
            index.m_pProgressWnd->SetButtonText(kOkButtonText);
        }
        if (index.m_pProgressWnd) {
            index.m_pProgressWnd->SetProgressText(kFinishedText);
        }
        if (index.m_pProgressWnd) {
            index.m_pProgressWnd->AddLine(kDoneLine);
        }
        // The user acknowledges with Ok; block for each event rather than spin.
        while (index.m_pProgressWnd) {
            index.m_host.WaitMessage();
            index.PumpMessages();
        }
    }
    return nResult;
}

}  // namespace sitefinch
