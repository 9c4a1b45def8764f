// Tests of the build: crawl order, what the progress window is told, Stop, and operations nested
// in its pump.
#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

constexpr const char kStart[] = "/site/index.htm";
constexpr const char kIndexFile[] = "/site/index.idx";
constexpr const char kDone[] = "Done, press Ok to continue";
constexpr const char kSaved[] =
    "A\r\n@/site/a.htm\r\nA from sub\r\n@/site/a.htm\r\n"
    "Home\r\n@/site/index.htm\r\nHome again\r\n@/site/index.htm\r\n"
    "Page A\r\n@/site/a.htm\r\nSub\r\n@/site/sub/default.htm\r\n"
    "Sub again\r\n@/site/sub/default.htm\r\nTop\r\n@/site/index.htm#top\r\n";

class CrawlTest : public ::testing::Test, protected Site {
protected:
    CrawlTest() {
        fs.SetFile(
            kStart,
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
    BuildWindowLog& Window() { return *host.buildWindows.at(0); }
};

TEST_F(CrawlTest, BuildTellsTheWindowEveryStepInOrder) {
    host.onPump = [this](int) { EXPECT_TRUE(index.IsBusy()); };
    // The start path is lower-cased, the index file's name is not.
    EXPECT_EQ(index.BuildIndex("/SITE/Index.HTM", "/site/Index.IDX"), 1);

    EXPECT_EQ(Window().lines,
              (Strings{"Start...", "/site/index.htm", "/site/a.htm", "/site/sub/default.htm",
                       "File /site/missing.htm could not be opened!", kDone}));
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
    EXPECT_TRUE(Window().bDeleted);
    EXPECT_EQ(index.GetProgressWnd(), nullptr);
    EXPECT_FALSE(index.IsBusy());
    // Three pumps between pages, then the wait for Ok blocks before each pump.
    EXPECT_EQ(host.events, (Strings{"pump", "pump", "pump", "wait", "pump"}));
    EXPECT_EQ(fs.GetFile("/site/Index.IDX"), kSaved);
    EXPECT_EQ(fs.ListFiles().count("/site/Index.IDX"), 1u);
    EXPECT_EQ(fs.GetOpenCount(), 0);
}

// A save that fails is the build's failure: reported above the Done line, and the build still
// waits for Ok.
TEST_F(CrawlTest, FailedSaveIsReportedAboveTheDoneLineAndStillWaits) {
    fs.SetReadOnly(kIndexFile);
    EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 0);
    const Strings& lines = Window().lines;
    EXPECT_EQ(Strings(lines.end() - 2, lines.end()),
              (Strings{"File /site/index.idx could not be written!", kDone}));
    EXPECT_EQ(Strings(host.events.end() - 2, host.events.end()), (Strings{"wait", "pump"}));
}

// Stopped before the last page, the queue empties as well, but the build still saves nothing. A
// stop that leaves pages queued is the CLI's Ctrl+C test.
TEST_F(CrawlTest, StopStillScansTheHeadPageAndSavesNothing) {
    host.onPump = [this](int nPump) {
        if (nPump == 3) {
            EXPECT_TRUE(host.PressOkOnLiveWindow());
        }
    };
    EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_EQ(PathsOf(index.GetVisited()),
              (Strings{kStart, "/site/a.htm", "/site/sub/default.htm", "/site/missing.htm"}));
    EXPECT_EQ(host.nPumps, 3);
    EXPECT_TRUE(Window().bDeleted);
    // The head page, here a missing one, is scanned with the window gone.
    EXPECT_EQ(Window().lines.back(), "/site/sub/default.htm");
    EXPECT_FALSE(fs.GetFile(kIndexFile).has_value());
    // The entries gathered are reachable in order.
    const Entries inOrder = InOrderOf(index);
    ASSERT_FALSE(inOrder.empty());
    EXPECT_EQ(inOrder.front().first, "A");
}

// Operations nested in the build's pump: a build or load is refused, a Clear is not.
TEST_F(CrawlTest, NestedOperationsInsideABuild) {
    fs.SetFile("/other/index.htm", "<title>Other</title>\n");
    fs.SetFile("/other/index.idx", "Other\r\n@/other/index.htm\r\n");
    host.onPump = [this](int nPump) {
        if (nPump == 1) {
            EXPECT_EQ(index.BuildIndex("/other/index.htm", "/other/index.idx"), 0);
            EXPECT_FALSE(index.LoadIndex("/other/index.idx"));
        }
    };
    EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_EQ(host.buildWindows.size(), 1u);
    EXPECT_EQ(fs.GetFile(kIndexFile), kSaved);
    EXPECT_EQ(fs.GetFile("/other/index.idx"), "Other\r\n@/other/index.htm\r\n");

    // A Clear ends the crawl, and the texts of the entries it freed may be entered again.
    bool bAdded = false;
    host.onPump = [this, &bAdded, nBefore = host.nPumps](int nPump) {
        if (nPump == nBefore + 1) {  // the pump count runs on across builds
            index.Clear();
            bAdded = index.AddLinkEntry("/site/x.htm", "Home");
        }
    };
    EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_TRUE(bAdded);
    EXPECT_EQ(index.GetPageCount(), 0);
    EXPECT_EQ(host.buildWindows.at(1)->lines.back(), kDone);
    EXPECT_EQ(fs.GetFile(kIndexFile), "Home\r\n@/site/x.htm\r\n");
}

}  // namespace
}  // namespace sitefinch::test
