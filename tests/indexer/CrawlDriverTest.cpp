// Tests of the build: crawl order, what the progress window is told, Stop, failed saves, and
// which of the entries whose texts repeat it keeps.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "index/Fakes.h"

namespace sitefinch::test {
namespace {

// Logs "[" and "]" where a build lets directory listings be cached and where it stops, and "."
// for every look-up of a file made while they may not be.
class CScanLoggingFileSystem : public CMemFileSystem {
public:
    std::unique_ptr<CFile> OpenForReading(const char* p) override {
        return Note(), CMemFileSystem::OpenForReading(p);
    }
    bool Exists(const char* p) override { return Note(), CMemFileSystem::Exists(p); }
    void BeginCachedScan() override { sLog += '['; }
    void EndCachedScan() override { sLog += ']'; }

    std::string sLog;

private:
    void Note() { sLog += sLog.empty() || sLog.back() != '[' ? "." : ""; }
};

constexpr const char kStart[] = "/site/index.htm";
constexpr const char kIndexFile[] = "/site/index.idx";
constexpr const char kOld[] = "old\r\n@x\r\n";
constexpr const char kDone[] = "Done, press Ok to continue";
constexpr const char kSaved[] =
    "A\r\n@/site/a.htm\r\nA from sub\r\n@/site/a.htm\r\n"
    "Home\r\n@/site/index.htm\r\nHome again\r\n@/site/index.htm\r\n"
    "Page A\r\n@/site/a.htm\r\nSub\r\n@/site/sub/default.htm\r\n"
    "Sub again\r\n@/site/sub/default.htm\r\nTop\r\n@/site/index.htm#top\r\n";

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
    CrawlTest() { AddSite(fs); }
    BuildWindowLog& Window() { return *host.buildWindows.at(0); }

    CScanLoggingFileSystem fs;
    FakeHost host;
    CLinkIndex index{fs, host, '/'};
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
    EXPECT_EQ(fs.sLog, "[]");
    EXPECT_EQ(fs.GetOpenCount(), 0);
}

TEST_F(CrawlTest, StartPageThatDoesNotOpenGivesAnEmptyIndexFile) {
    fs.SetFile(kIndexFile, kOld);
    EXPECT_EQ(index.BuildIndex("/site/nothing.htm", kIndexFile), 1);
    EXPECT_EQ(Window().lines,
              (Strings{"Start...", "File /site/nothing.htm could not be opened!", kDone}));
    EXPECT_TRUE(Window().statisticsTexts.empty());
    EXPECT_EQ(Window().progressTexts, (Strings{"saving...", "-- finished --"}));
    EXPECT_EQ(fs.GetFile(kIndexFile), "");
    EXPECT_EQ(host.events, (Strings{"wait", "pump"}));
}

// Stopped before the last page, the queue empties as well, but the build still saves nothing. A
// stop that leaves pages queued is the CLI's Ctrl+C test.
TEST_F(CrawlTest, StopStillScansTheHeadPageAndSavesNothing) {
    fs.SetFile(kIndexFile, kOld);
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
    EXPECT_EQ(fs.GetFile(kIndexFile), kOld);
    // The entries gathered are reachable in order.
    ASSERT_NE(index.GetTree().GetHead(), nullptr);
    EXPECT_STREQ(index.GetTree().GetHead()->m_pEntry->GetText(), "A");
}

TEST_F(CrawlTest, FailedSaveIsReportedAboveTheDoneLineAndStillWaits) {
    fs.SetFile(kIndexFile, kOld);
    fs.SetReadOnly(kIndexFile);
    EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 0);
    const Strings& lines = Window().lines;
    EXPECT_EQ(lines.at(lines.size() - 2), "File /site/index.idx could not be written!");
    EXPECT_EQ(lines.back(), kDone);
    EXPECT_EQ(host.Count("wait"), 1);
    EXPECT_EQ(fs.GetFile(kIndexFile), kOld);
}

TEST_F(CrawlTest, WindowThatCannotBeCreatedLeavesABuildThatRunsToItsEnd) {
    host.bBuildWindowCreateSucceeds = false;
    EXPECT_EQ(index.BuildIndex(kStart, kIndexFile), 1);
    EXPECT_TRUE(Window().bDeleted);
    EXPECT_TRUE(Window().lines.empty());
    EXPECT_EQ(host.Count("wait"), 0);
    EXPECT_EQ(index.GetProgressWnd(), nullptr);
    EXPECT_EQ(fs.GetFile(kIndexFile), kSaved);
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

// Texts that repeat across titles and links: the first entry of a text wins, with the tree's
// equality (ASCII letters folded, entities decoded first).
TEST(RepeatedTextsTest, FirstEntryOfATextWinsInEveryBuild) {
    Site site;
    // Octal escapes, so that a letter after them is not taken as one more hex digit.
    site.fs.SetFile(kStart,
                    "<title>Guide</title>\n"
                    "<a href=\"a.htm\">Topic</a>\n"
                    "<a href=\"b.htm\">TOPIC</a>\n"             // same text, other case
                    "<a href=\"a.htm\">Gr&uuml;&szlig;e</a>\n"  // Gr\374\337e once decoded
                    "<a href=\"b.htm\">Gr\374\337e</a>\n"       // the same text
                    "<a href=\"b.htm\">GR\334\337E</a>\n"       // 0xDC is no ASCII letter
                    "<a href=\"b.htm\">guide</a>\n"             // the title's text
                    "<a href=\"missing.htm\">Broken</a>\n");    // no file: no entry
    site.fs.SetFile("/site/a.htm",
                    "<title>topic</title>\n<a href=\"b.htm\">B page</a>\n"
                    "<a href=\"b.htm\">Broken</a>\n");
    site.fs.SetFile("/site/b.htm", "<title>Gr&uuml;&szlig;e</title>\n");
    const Entries expected = {
        {"B page", "/site/b.htm"},
        {"Broken", "/site/b.htm"},  // the link to the missing page made no entry to win with
        {"GR\334\337E", "/site/b.htm"},
        {"Gr\374\337e", "/site/a.htm"},
        {"Guide", "/site/index.htm"},
        {"Topic", "/site/a.htm"},
    };
    // A second build must start from nothing again, texts included.
    for (int nBuild = 1; nBuild <= 2; ++nBuild) {
        SCOPED_TRACE(nBuild);
        ASSERT_EQ(site.index.BuildIndex(kStart, kIndexFile), 1);
        EXPECT_EQ(EntriesOf(site.index), expected);
        EXPECT_EQ(site.index.GetLinkCount(), 5);  // titles are not counted
    }
    // After the build the tree alone, without the build's text set, turns a repeated text away.
    EXPECT_FALSE(site.index.AddLinkEntry("/site/x.htm", "gr&Uuml;&szlig;e"));
}

}  // namespace
}  // namespace sitefinch::test
