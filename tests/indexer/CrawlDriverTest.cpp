// Tests of the build: crawl order, what the progress window is told, Stop, failed saves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "indexer/IndexerTestUtil.h"
#include "platform/MemFileSystem.h"

namespace sitefinch::test {
namespace {

using Strings = std::vector<std::string>;

// Forwards to a memory file system and records whether every access happened inside one
// cached scan.
class CScanRecordingFileSystem : public CFileSystem {
public:
    explicit CScanRecordingFileSystem(CMemFileSystem& inner) : m_inner(inner) {}

    std::unique_ptr<CFile> OpenForReading(const char* pszPath) override {
        Note();
        return m_inner.OpenForReading(pszPath);
    }
    std::unique_ptr<CFile> OpenForWriting(const char* pszPath) override {
        Note();
        return m_inner.OpenForWriting(pszPath);
    }
    std::unique_ptr<CFile> OpenForReplacing(const char* pszPath) override {
        Note();
        return m_inner.OpenForReplacing(pszPath);
    }
    bool Exists(const char* pszPath) override {
        Note();
        return m_inner.Exists(pszPath);
    }
    void BeginCachedScan() override {
        ++nBegins;
        bInScan = true;
    }
    void EndCachedScan() override {
        ++nEnds;
        bInScan = false;
    }

    int nBegins = 0;
    int nEnds = 0;
    int nAccessesOutside = 0;
    bool bInScan = false;

private:
    void Note() { nAccessesOutside += bInScan ? 0 : 1; }
    CMemFileSystem& m_inner;
};

constexpr const char kStart[] = "/site/index.htm";
constexpr const char kIndexFile[] = "/site/index.idx";

class CrawlTest : public ::testing::Test {
protected:
    CrawlTest() {
        m_mem.SetFile(kStart,
                      "<html><head>\r\n<title>Home</title>\r\n</head><body>\r\n"
                      "<a href=\"a.htm\">Page A</a>\r\n<a href=\"sub/\">Sub</a>\r\n"
                      "<a href=\"missing.htm\">Broken</a>\r\n"
                      "<a href=\"http://example.com/\">Web</a>\r\n"
                      "<a href=\"#top\">Top</a>\r\n</body></html>\r\n");
        m_mem.SetFile("/site/a.htm",
                      "<title>A</title>\n<a href=\"index.htm\">Home again</a>\n"
                      "<a href=\"sub/default.htm\">Sub again</a>\n");
        m_mem.SetFile("/site/sub/default.htm",
                      "<title>Sub</title>\n<a href=\"../A.htm\">A from sub</a>\n");
    }

    BuildWindowLog& Window() { return *m_host.buildWindows.at(0); }

    CMemFileSystem m_mem;
    CScanRecordingFileSystem m_fs{m_mem};
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '/'};
};

TEST_F(CrawlTest, BuildTellsTheWindowEveryStepInOrder) {
    m_host.onPump = [this](int) { EXPECT_TRUE(m_index.IsBusy()); };
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);

    EXPECT_EQ(
        Window().lines,
        (Strings{"Start...", "/site/index.htm", "/site/a.htm", "/site/sub/default.htm",
                 "File /site/missing.htm could not be opened!", "Done, press Ok to continue"}));
    EXPECT_EQ(Window().progressTexts,
              (Strings{"/site/index.htm", "/site/a.htm", "/site/sub/default.htm", "saving...",
                       "-- finished --"}));
    EXPECT_EQ(Window().buttonTexts, Strings{"&Ok"});
    // One update per page opened and one per local link, whether it got an entry or not.
    EXPECT_EQ(
        Window().statisticsTexts,
        (Strings{"1 pages, 0 links", "1 pages, 1 links", "1 pages, 2 links", "1 pages, 2 links",
                 "1 pages, 3 links", "2 pages, 3 links", "2 pages, 4 links", "2 pages, 5 links",
                 "3 pages, 5 links", "3 pages, 6 links"}));
    EXPECT_EQ(Window().nCreateCalls, 1);
    EXPECT_TRUE(Window().bDeleted);
    EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
    EXPECT_FALSE(m_index.IsBusy());

    // Three pumps between pages, then the wait for Ok blocks before each pump.
    EXPECT_EQ(m_host.pLog->events, (Strings{"pump", "pump", "pump", "wait", "pump"}));

    EXPECT_EQ(
        PathsOf(m_index.GetVisited()),
        (Strings{"/site/index.htm", "/site/a.htm", "/site/sub/default.htm", "/site/missing.htm"}));
    EXPECT_TRUE(m_index.GetPending().IsEmpty());
    EXPECT_EQ(m_index.GetPageCount(), 3);
    EXPECT_EQ(m_index.GetLinkCount(), 6);

    EXPECT_EQ(m_mem.GetFile(kIndexFile),
              "A\r\n@/site/a.htm\r\n"
              "A from sub\r\n@/site/a.htm\r\n"
              "Home\r\n@/site/index.htm\r\n"
              "Home again\r\n@/site/index.htm\r\n"
              "Page A\r\n@/site/a.htm\r\n"
              "Sub\r\n@/site/sub/default.htm\r\n"
              "Sub again\r\n@/site/sub/default.htm\r\n"
              "Top\r\n@/site/index.htm#top\r\n");

    EXPECT_EQ(m_fs.nBegins, 1);
    EXPECT_EQ(m_fs.nEnds, 1);
    EXPECT_EQ(m_fs.nAccessesOutside, 0);
    EXPECT_EQ(m_mem.GetOpenCount(), 0);
}

TEST_F(CrawlTest, StartPathIsLowerCasedAndTheIndexPathIsNot) {
    EXPECT_EQ(m_index.BuildIndex("/SITE/Index.HTM", "/site/Index.IDX"), 1);
    EXPECT_EQ(Window().lines.at(1), "/site/index.htm");
    EXPECT_EQ(m_index.GetVisited().GetPaths().front(), "/site/index.htm");
    EXPECT_EQ(m_index.GetPageCount(), 3);
    EXPECT_TRUE(m_mem.GetFile("/site/Index.IDX").has_value());
}

TEST_F(CrawlTest, StartPageThatDoesNotOpenGivesAnEmptyIndexFile) {
    m_mem.SetFile(kIndexFile, "old\r\n@x\r\n");
    EXPECT_EQ(m_index.BuildIndex("/site/nothing.htm", kIndexFile), 1);
    EXPECT_EQ(Window().lines, (Strings{"Start...", "File /site/nothing.htm could not be opened!",
                                       "Done, press Ok to continue"}));
    EXPECT_TRUE(Window().statisticsTexts.empty());
    EXPECT_EQ(Window().progressTexts, (Strings{"saving...", "-- finished --"}));
    EXPECT_EQ(m_mem.GetFile(kIndexFile), "");
    EXPECT_EQ(m_host.pLog->events, (Strings{"wait", "pump"}));
}

TEST_F(CrawlTest, StopStillScansTheHeadPageAndSavesNothing) {
    struct Case {
        const char* pszHow;
        int nPump;
        Strings visited;
        std::size_t nPendingLeft;
    };
    const Case cases[] = {
        {"stop", 1, {"/site/index.htm", "/site/a.htm"}, 2},
        {"close box", 1, {"/site/index.htm", "/site/a.htm"}, 2},
        {"stop", 2, {"/site/index.htm", "/site/a.htm", "/site/sub/default.htm"}, 1},
        // Before the last page: the queue empties, but the stopped build still saves nothing.
        {"stop",
         3,
         {"/site/index.htm", "/site/a.htm", "/site/sub/default.htm", "/site/missing.htm"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszHow) + " at pump " + std::to_string(c.nPump));
        CMemFileSystem fs;
        for (const std::string& sPath : m_mem.ListFiles()) {
            fs.SetFile(sPath, *m_mem.GetFile(sPath));
        }
        fs.SetFile(kIndexFile, "old\r\n@x\r\n");
        FakeHost host;
        CLinkIndex index(fs, host, '/');
        const bool bCloseBox = std::string(c.pszHow) == "close box";
        host.onPump = [&](int nPump) {
            if (nPump == c.nPump) {
                FakeBuildWindow* pWnd = host.LiveBuildWindow();
                ASSERT_NE(pWnd, nullptr);
                bCloseBox ? pWnd->OnClose() : pWnd->OnOK();
            }
        };
        EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 1);

        EXPECT_EQ(PathsOf(index.GetVisited()), c.visited);
        EXPECT_EQ(index.GetPending().GetCount(), c.nPendingLeft);
        EXPECT_EQ(host.pLog->nPumps, c.nPump);
        EXPECT_EQ(host.pLog->nWaits, 0);
        const BuildWindowLog& log = *host.buildWindows.at(0);
        EXPECT_TRUE(log.bDeleted);
        EXPECT_TRUE(log.buttonTexts.empty());
        EXPECT_EQ(log.lines.back(), c.visited[c.visited.size() - 2]);
        for (const std::string& sText : log.progressTexts) {
            EXPECT_NE(sText, "saving...");
        }
        EXPECT_EQ(fs.GetFile(kIndexFile), "old\r\n@x\r\n");
        // The entries gathered, the head page's included, are reachable in order.
        ASSERT_NE(index.GetTree().GetHead(), nullptr);
        EXPECT_STREQ(index.GetTree().GetHead()->m_pEntry->GetText(), "A");
        EXPECT_FALSE(index.IsBusy());
    }
}

TEST_F(CrawlTest, FailedSaveIsReportedAboveTheDoneLineAndStillWaits) {
    m_mem.SetFile(kIndexFile, "old\r\n@x\r\n");
    m_mem.SetReadOnly(kIndexFile);
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 0);
    const Strings& lines = Window().lines;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "File /site/index.idx could not be written!");
    EXPECT_EQ(lines.back(), "Done, press Ok to continue");
    EXPECT_EQ(Window().buttonTexts, Strings{"&Ok"});
    EXPECT_EQ(m_host.pLog->nWaits, 1);
    EXPECT_EQ(m_mem.GetFile(kIndexFile), "old\r\n@x\r\n");
}

TEST_F(CrawlTest, WindowThatCannotBeCreatedLeavesABuildThatRunsToItsEnd) {
    m_host.bBuildWindowCreateSucceeds = false;
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_EQ(Window().nCreateCalls, 1);
    EXPECT_TRUE(Window().bDeleted);
    EXPECT_TRUE(Window().lines.empty());
    EXPECT_EQ(m_index.GetPageCount(), 3);
    EXPECT_EQ(m_host.pLog->nWaits, 0);
    EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
    ASSERT_TRUE(m_mem.GetFile(kIndexFile).has_value());
    EXPECT_NE(m_mem.GetFile(kIndexFile)->find("Top\r\n@/site/index.htm#top\r\n"),
              std::string::npos);
}

TEST_F(CrawlTest, NestedOperationThatEmptiesTheIndexEndsTheCrawl) {
    m_host.onPump = [this](int nPump) {
        if (nPump == 1) {
            m_index.Clear();
        }
    };
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_EQ(m_index.GetPageCount(), 0);
    EXPECT_EQ(Window().lines.back(), "Done, press Ok to continue");
    EXPECT_EQ(m_mem.GetFile(kIndexFile), "");
}

TEST_F(CrawlTest, BuildOrLoadStartedInsideABuildIsRefused) {
    m_mem.SetFile("/other/index.htm", "<title>Other</title>\n");
    m_mem.SetFile("/other/index.idx", "Other\r\n@/other/index.htm\r\n");
    m_host.onPump = [this](int nPump) {
        if (nPump == 1) {
            EXPECT_EQ(m_index.BuildIndex("/other/index.htm", "/other/index.idx"), 0);
            EXPECT_FALSE(m_index.LoadIndex("/other/index.idx"));
        }
    };
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_EQ(m_host.buildWindows.size(), 1u);
    EXPECT_EQ(m_index.GetPageCount(), 3);
    EXPECT_EQ(Window().lines.back(), "Done, press Ok to continue");
    EXPECT_EQ(m_mem.GetFile("/other/index.idx"), "Other\r\n@/other/index.htm\r\n");
}

TEST_F(CrawlTest, EveryBuildStartsFromNothing) {
    m_index.BuildIndex(kStart, kIndexFile);
    m_index.BuildIndex(kStart, kIndexFile);
    ASSERT_EQ(m_host.buildWindows.size(), 2u);
    EXPECT_EQ(m_host.buildWindows[1]->statisticsTexts.front(), "1 pages, 0 links");
    EXPECT_EQ(m_host.buildWindows[1]->lines, Window().lines);
    EXPECT_EQ(m_index.GetPageCount(), 3);
    EXPECT_EQ(m_index.GetLinkCount(), 6);
}

}  // namespace
}  // namespace sitefinch::test
