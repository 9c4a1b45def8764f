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

// Forwards to a memory file system and counts the accesses made outside a cached scan.
class CScanRecordingFileSystem : public CFileSystem {
public:
    explicit CScanRecordingFileSystem(CMemFileSystem& inner) : m_inner(inner) {}
    std::unique_ptr<CFile> OpenForReading(const char* p) override {
        return Note(), m_inner.OpenForReading(p);
    }
    std::unique_ptr<CFile> OpenForWriting(const char* p) override {
        return Note(), m_inner.OpenForWriting(p);
    }
    std::unique_ptr<CFile> OpenForReplacing(const char* p) override {
        return Note(), m_inner.OpenForReplacing(p);
    }
    bool Exists(const char* p) override { return Note(), m_inner.Exists(p); }
    void BeginCachedScan() override { ++nBegins, bInScan = true; }
    void EndCachedScan() override { ++nEnds, bInScan = false; }

    int nBegins = 0, nEnds = 0, nAccessesOutside = 0;
    bool bInScan = false;

private:
    void Note() { nAccessesOutside += bInScan ? 0 : 1; }
    CMemFileSystem& m_inner;
};

constexpr const char kStart[] = "/site/index.htm";
constexpr const char kIndexFile[] = "/site/index.idx";
constexpr const char kOld[] = "old\r\n@x\r\n";

void AddSite(CMemFileSystem& fs) {
    fs.SetFile(kStart,
               "<html><head>\r\n<title>Home</title>\r\n</head><body>\r\n"
               "<a href=\"a.htm\">Page A</a>\r\n<a href=\"sub/\">Sub</a>\r\n"
               "<a href=\"missing.htm\">Broken</a>\r\n<a href=\"http://example.com/\">Web</a>\r\n"
               "<a href=\"#top\">Top</a>\r\n</body></html>\r\n");
    fs.SetFile("/site/a.htm",
               "<title>A</title>\n<a href=\"index.htm\">Home again</a>\n"
               "<a href=\"sub/default.htm\">Sub again</a>\n");
    fs.SetFile("/site/sub/default.htm",
               "<title>Sub</title>\n<a href=\"../A.htm\">A from sub</a>\n");
}

class CrawlTest : public ::testing::Test {
protected:
    CrawlTest() { AddSite(m_mem); }
    BuildWindowLog& Window() { return *m_host.buildWindows.at(0); }

    CMemFileSystem m_mem;
    CScanRecordingFileSystem m_fs{m_mem};
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '/'};
};

TEST_F(CrawlTest, BuildTellsTheWindowEveryStepInOrder) {
    m_host.onPump = [this](int) { EXPECT_TRUE(m_index.IsBusy()); };
    // The start path is lower-cased, the index file's name is not.
    EXPECT_EQ(m_index.BuildIndex("/SITE/Index.HTM", "/site/Index.IDX"), 1);

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
    EXPECT_EQ(m_mem.GetFile("/site/Index.IDX"),
              "A\r\n@/site/a.htm\r\nA from sub\r\n@/site/a.htm\r\n"
              "Home\r\n@/site/index.htm\r\nHome again\r\n@/site/index.htm\r\n"
              "Page A\r\n@/site/a.htm\r\nSub\r\n@/site/sub/default.htm\r\n"
              "Sub again\r\n@/site/sub/default.htm\r\nTop\r\n@/site/index.htm#top\r\n");
    EXPECT_EQ(m_fs.nBegins, 1);
    EXPECT_EQ(m_fs.nEnds, 1);
    EXPECT_EQ(m_fs.nAccessesOutside, 0);
    EXPECT_EQ(m_mem.GetOpenCount(), 0);
}

TEST_F(CrawlTest, StartPageThatDoesNotOpenGivesAnEmptyIndexFile) {
    m_mem.SetFile(kIndexFile, kOld);
    EXPECT_EQ(m_index.BuildIndex("/site/nothing.htm", kIndexFile), 1);
    EXPECT_EQ(Window().lines, (Strings{"Start...", "File /site/nothing.htm could not be opened!",
                                       "Done, press Ok to continue"}));
    EXPECT_TRUE(Window().statisticsTexts.empty());
    EXPECT_EQ(Window().progressTexts, (Strings{"saving...", "-- finished --"}));
    EXPECT_EQ(m_mem.GetFile(kIndexFile), "");
    EXPECT_EQ(m_host.pLog->events, (Strings{"wait", "pump"}));
}

TEST(CrawlStopTest, StopStillScansTheHeadPageAndSavesNothing) {
    const Strings kAll = {"/site/index.htm", "/site/a.htm", "/site/sub/default.htm",
                          "/site/missing.htm"};
    const struct {
        bool bCloseBox;
        int nPump;
        std::size_t nVisited, nPendingLeft;
    } cases[] = {{false, 1, 2, 2},
                 {true, 1, 2, 2},
                 {false, 2, 3, 1},
                 // Before the last page: the queue empties, but the stopped build saves nothing.
                 {false, 3, 4, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE((c.bCloseBox ? "close box at pump " : "stop at pump ") +
                     std::to_string(c.nPump));
        CMemFileSystem fs;
        AddSite(fs);
        fs.SetFile(kIndexFile, kOld);
        FakeHost host;
        CLinkIndex index(fs, host, '/');
        host.onPump = [&](int nPump) {
            if (nPump == c.nPump) {
                FakeBuildWindow* pWnd = host.LiveBuildWindow();
                ASSERT_NE(pWnd, nullptr);
                c.bCloseBox ? pWnd->OnClose() : pWnd->OnOK();
            }
        };
        EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 1);
        const Strings visited(kAll.begin(), kAll.begin() + static_cast<long>(c.nVisited));
        EXPECT_EQ(PathsOf(index.GetVisited()), visited);
        EXPECT_EQ(index.GetPending().GetCount(), c.nPendingLeft);
        EXPECT_EQ(host.pLog->nPumps, c.nPump);
        EXPECT_EQ(host.pLog->nWaits, 0);
        const BuildWindowLog& log = *host.buildWindows.at(0);
        EXPECT_TRUE(log.bDeleted);
        EXPECT_TRUE(log.buttonTexts.empty());
        EXPECT_EQ(log.lines.back(), visited[visited.size() - 2]);
        for (const std::string& sText : log.progressTexts) {
            EXPECT_NE(sText, "saving...");
        }
        EXPECT_EQ(fs.GetFile(kIndexFile), kOld);
        // The entries gathered, the head page's included, are reachable in order.
        ASSERT_NE(index.GetTree().GetHead(), nullptr);
        EXPECT_STREQ(index.GetTree().GetHead()->m_pEntry->GetText(), "A");
        EXPECT_FALSE(index.IsBusy());
    }
}

TEST_F(CrawlTest, FailedSaveIsReportedAboveTheDoneLineAndStillWaits) {
    m_mem.SetFile(kIndexFile, kOld);
    m_mem.SetReadOnly(kIndexFile);
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 0);
    const Strings& lines = Window().lines;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "File /site/index.idx could not be written!");
    EXPECT_EQ(lines.back(), "Done, press Ok to continue");
    EXPECT_EQ(Window().buttonTexts, Strings{"&Ok"});
    EXPECT_EQ(m_host.pLog->nWaits, 1);
    EXPECT_EQ(m_mem.GetFile(kIndexFile), kOld);
}

TEST_F(CrawlTest, WindowThatCannotBeCreatedLeavesABuildThatRunsToItsEnd) {
    m_host.bBuildWindowCreateSucceeds = false;
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_TRUE(Window().bDeleted);
    EXPECT_TRUE(Window().lines.empty());
    EXPECT_EQ(m_index.GetPageCount(), 3);
    EXPECT_EQ(m_host.pLog->nWaits, 0);
    EXPECT_EQ(m_index.GetProgressWnd(), nullptr);
    EXPECT_NE(m_mem.GetFile(kIndexFile).value_or("").find("Top\r\n@/site/index.htm#top\r\n"),
              std::string::npos);
}

// Operations nested in the build's pump: a Clear ends the crawl, a build or load is refused.
TEST_F(CrawlTest, NestedOperationsInsideABuild) {
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
    EXPECT_EQ(m_mem.GetFile("/other/index.idx"), "Other\r\n@/other/index.htm\r\n");

    m_host.onPump = [this, nBefore = m_host.pLog->nPumps](int nPump) {
        if (nPump == nBefore + 1) {  // the pump count runs on across builds
            m_index.Clear();
        }
    };
    EXPECT_EQ(m_index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_EQ(m_index.GetPageCount(), 0);
    EXPECT_EQ(m_host.buildWindows.at(1)->lines.back(), "Done, press Ok to continue");
    EXPECT_EQ(m_mem.GetFile(kIndexFile), "");
}

}  // namespace
}  // namespace sitefinch::test
