// Fuzzes the crawl: any bytes, cut into a handful of pages of an in-memory site that link to
// each other, must build to a consistent index that saves and loads back to the same entries.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "index/LinkEntry.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "support/IndexWalk.h"

namespace {

using sitefinch::fuzz::Check;

using sitefinch::CBuildProgressWnd;
using sitefinch::CIndexHost;
using sitefinch::CLinkIndex;
using sitefinch::CLoadingWnd;

// --- Host and site ---------------------------------------------------------------------------
// Kept small and here, so that they can give way to shared test helpers.

// Counts what a build tells its window; the count outlives the window, which deletes itself.
struct CWindowLog {
    std::size_t nLines = 0;
    std::size_t nOpenFailures = 0;  // "File ... could not be opened!" lines
    std::string sLastStatistics;
};

class CCountingBuildWnd : public CBuildProgressWnd {
public:
    explicit CCountingBuildWnd(CWindowLog& log) : m_log(log) {}
    bool Create() override { return true; }
    void AddLine(const char* pszText) override {
        ++m_log.nLines;
        const std::string_view s(pszText);
        if (s.starts_with("File ") && s.ends_with(" could not be opened!")) {
            ++m_log.nOpenFailures;
        }
    }
    void SetProgressText(const char*) override {}
    void SetButtonText(const char*) override {}
    void SetStatisticsText(const char* pszText) override { m_log.sLastStatistics = pszText; }

protected:
    void DestroyWindow() override { delete this; }

private:
    CWindowLog& m_log;
};

// No events; a build that waits for Ok gets it at once.
class CQuietHost : public CIndexHost {
public:
    CWindowLog log;

    CBuildProgressWnd* NewBuildWindow() override { return m_pWindow = new CCountingBuildWnd(log); }
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override { return nullptr; }
    void PumpMessages() override {}
    void WaitMessage() override {
        if (CBuildProgressWnd* pWindow = std::exchange(m_pWindow, nullptr)) {
            pWindow->OnOK();
        }
    }
    bool MessageBox(const char*, const char*, unsigned) override { return true; }

private:
    CBuildProgressWnd* m_pWindow = nullptr;
};

// The pages an input is cut into, in order; pieces beyond the last name stay part of the last
// page. Mixed case, a directory's default page, a blank and a page outside the site's folder,
// so that hrefs have something to find by every way of resolving.
constexpr const char* kPageNames[] = {
    "/site/index.htm",       "/site/a.htm",   "/site/Sub/Default.HTM",
    "/site/Sub/deep/c.html", "/site/d e.htm", "/other/x.htm",
};
constexpr std::string_view kPageSeparator = "\xFE\xFF";
constexpr const char kIndexFile[] = "/site/index.idx";

void MakeSite(sitefinch::CMemFileSystem& fs, std::string_view input) {
    std::size_t nPage = 0;
    for (;;) {
        const std::size_t nCut =
            nPage + 1 < std::size(kPageNames) ? input.find(kPageSeparator) : std::string_view::npos;
        fs.SetFile(kPageNames[nPage++], std::string(input.substr(0, nCut)));
        if (nCut == std::string_view::npos) {
            return;
        }
        input.remove_prefix(nCut + kPageSeparator.size());
    }
}

// --- Checks ----------------------------------------------------------------------------------

using sitefinch::test::Entries;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    // The crawl's file system gains the index file; the site as crawled stays apart, for the
    // checks of what exists.
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    sitefinch::CMemFileSystem fs;
    sitefinch::CMemFileSystem site;
    MakeSite(fs, input);
    MakeSite(site, input);
    CQuietHost host;
    CLinkIndex index(fs, host);

    // Every page is scanned once and a page that does not open queues nothing, so a crawl that
    // returns at all has ended; libFuzzer's time limit catches one that does not.
    Check(index.BuildIndex(kPageNames[0], kIndexFile) == 1, "the build saves its index");
    Check(index.GetPending().IsEmpty(), "the queue is empty when the crawl ends");
    Check(fs.GetOpenCount() == 0, "no file left open");

    const Entries built = sitefinch::test::InOrderOf(index);
    Check(built.size() == index.GetTree().GetCount(), "the in-order list holds every entry");
    for (std::size_t i = 1; i < built.size(); ++i) {
        Check(sitefinch::CompareEntryTexts(built[i - 1].first.c_str(), built[i].first.c_str()) < 0,
              "the in-order list is ascending and holds each text once");
    }

    std::int32_t nLinkEntries = 0;
    for (const sitefinch::CIndexEntry& entry : index.GetTree().InOrder()) {
        const std::string sTarget = entry.GetTarget();
        const std::size_t nHash = sTarget.find('#');
        const std::string sPage = sTarget.substr(0, nHash);
        Check(site.Exists(sPage.c_str()) ||
                  (nHash != std::string::npos && index.IsVisited(sPage.c_str())),
              "an entry leads to a page of the site or to a fragment of a scanned page");
        nLinkEntries += dynamic_cast<const sitefinch::CLinkEntry*>(&entry) != nullptr;
    }
    Check(nLinkEntries == index.GetLinkCount(), "the link counter counts the link entries");

    const std::deque<std::string>& visited = index.GetVisited().GetPaths();
    std::int32_t nOpened = 0;
    for (const std::string& sPath : visited) {
        nOpened += site.Exists(sPath.c_str());
    }
    Check(nOpened == index.GetPageCount(), "the page counter counts the visited pages that open");
    Check(host.log.nOpenFailures == visited.size() - static_cast<std::size_t>(nOpened),
          "every visited page that does not open is reported once");
    // "Start...", a line per visited page, "Done, press Ok to continue".
    Check(host.log.nLines == visited.size() + 2, "one window line per visited page");
    Check(host.log.sLastStatistics == std::to_string(index.GetPageCount()) + " pages, " +
                                          std::to_string(index.GetLinkCount()) + " links",
          "the statistics show the final counters");

    // An empty text is written as an empty line, which loading skips with its target.
    Entries expected;
    for (const auto& entry : built) {
        if (!entry.first.empty()) {
            expected.push_back(entry);
        }
    }
    CLinkIndex loaded(fs, host);
    Check(loaded.LoadIndex(kIndexFile), "the saved index loads");
    Check(sitefinch::test::InOrderOf(loaded) == expected,
          "a saved index loads to the entries it was built with");
    Check(loaded.GetLinkCount() == static_cast<std::int32_t>(expected.size()),
          "every loaded entry is counted");
    Check(fs.GetOpenCount() == 0, "no file left open after the load");
    return 0;
}
