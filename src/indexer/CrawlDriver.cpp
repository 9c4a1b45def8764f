// The build of a site's index: crawl from the start page, breadth first, then save.
#include <memory>
#include <string>

#include "index/BusyGuard.h"
#include "index/LinkIndex.h"
#include "indexer/BuildTexts.h"
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

// Keeps a helper object of the index (the path facts, the text set) for exactly one build, on
// every way out.
template <class TObject>
class CBuildScoped {
public:
    explicit CBuildScoped(std::unique_ptr<TObject>& pObject) : m_pObject(pObject) {
        m_pObject = std::make_unique<TObject>();
    }
    ~CBuildScoped() { m_pObject.reset(); }
    CBuildScoped(const CBuildScoped&) = delete;
    CBuildScoped& operator=(const CBuildScoped&) = delete;

private:
    std::unique_ptr<TObject>& m_pObject;
};

}  // namespace

void CLinkIndex::PumpMessages() {
    m_host.PumpMessages();
}

int CLinkIndex::BuildIndex(const char* pszStartPath, const char* pszIndexPath) {
    // A build started from inside a running build or load (its pump runs the main window's
    // commands) would replace that operation's window and lists under its feet.
    if (IsBusy()) {
        return 0;
    }
    CBusyGuard busy(m_nBusy);
    CCachedScanScope cachedScan(m_fileSystem);
    CBuildScoped pathFacts(m_pPathFacts);
    CBuildScoped textSet(m_pTextSet);

    char szStart[kStartPathCapacity];
    CopyBounded(szStart, sizeof szStart, pszStartPath ? pszStartPath : "");
    CharLowerA(szStart);

    Clear();

    CBuildProgressWnd* pWnd = m_host.NewBuildWindow();
    m_pProgressWnd = pWnd;
    if (pWnd && pWnd->Create()) {
        pWnd->SetIndex(this);
    } else {
        // Without a window nobody can stop or acknowledge the build: it crawls everything,
        // saves, and returns without waiting.
        m_pProgressWnd = nullptr;
        delete pWnd;
        pWnd = nullptr;
    }
    const bool bWindowless = pWnd == nullptr;
    // A build with a window goes on only while the window is there: its Stop empties the link.
    auto isRunning = [this, bWindowless] { return bWindowless || m_pProgressWnd != nullptr; };

    if (m_pProgressWnd) {
        m_pProgressWnd->AddLine(kStartLine);
    }

    m_visited.AddTail(szStart);
    m_pPathFacts->Add(szStart, CPathFacts{.bListed = true});
    ScanPage(szStart);

    std::string sPage;
    while (!m_pending.IsEmpty() && isRunning()) {
        PumpMessages();
        // A Stop in the pump still lets the head page be scanned. Only an operation nested in
        // the pump that emptied the index leaves no head to take.
        if (!m_pending.RemoveHead(sPage)) {
            break;
        }
        m_visited.AddTail(sPage.c_str());
        ScanPage(sPage.c_str());
    }

    m_tree.InsertBatch(m_buildEntries);
    m_tree.RebuildOrder();

    int nResult = 1;
    if (isRunning()) {
        if (m_pProgressWnd) {
            m_pProgressWnd->SetProgressText(kSavingText);
        }
        if (!SaveIndex(pszIndexPath)) {
            nResult = 0;
        }
        if (m_pProgressWnd) {
            m_pProgressWnd->SetButtonText(kOkButtonText);
        }
        if (m_pProgressWnd) {
            m_pProgressWnd->SetProgressText(kFinishedText);
        }
        if (m_pProgressWnd) {
            m_pProgressWnd->AddLine(kDoneLine);
        }
        // The user acknowledges with Ok; block for each event rather than spin.
        while (m_pProgressWnd) {
            m_host.WaitMessage();
            PumpMessages();
        }
    }
    return nResult;
}

}  // namespace sitefinch
