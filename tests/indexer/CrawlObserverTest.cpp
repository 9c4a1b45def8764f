// Tests of what a crawl tells its observer: every page taken, every link resolved to a path, in
// the order the crawl met them.
#include <string>

#include "indexer/Crawl.h"
#include "indexer/CrawlObserver.h"
#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

struct RecordingObserver : CCrawlObserver {
    Strings events;
    void OnPage(const char* pszPath, bool bOpened) override {
        events.push_back(std::string(bOpened ? "open " : "fail ") + pszPath);
    }
    void OnLink(const char* pszPage, const char* pszHref, const char* pszTarget,
                const char* pszTargetPage) override {
        events.push_back(std::string("link ") + pszPage + " " + pszHref + " " + pszTarget + " " +
                         pszTargetPage);
    }
};

TEST(CrawlObserverTest, SeesEveryPageTakenAndEveryResolvedLinkInOrder) {
    Site site;
    // More links than the scanner reads ahead at once, a root-relative one (resolved in its
    // turn) among them, and links that resolve to no path.
    std::string sStart = "<title>Home</title>\n<a href=\"#Top\">t</a>\n";
    for (int i = 0; i < 20; ++i) {
        sStart += i == 9 ? "<a href=\"/b.htm#x\">b</a>\n"
                         : "<a href=\"a.htm#" + std::to_string(i) + "\">a</a>\n";
    }
    sStart +=
        "<a href=\"http://example.com/\">web</a>\n<a href=\"mailto:x@y\">mail</a>\n"
        "<a href=\"" +
        std::string(190, 'l') +
        ".htm\">too long</a>\n"
        "<a href=\"Gone.htm\">gone</a>\n";
    site.fs.SetFile("/site/index.htm", sStart);
    site.fs.SetFile("/site/a.htm", "<a href=\"gone.htm\">again</a>\n");
    RecordingObserver observer;
    ASSERT_EQ(CCrawl::BuildIndex(site.index, "/site/Index.htm", "/site/index.idx", &observer), 1);

    Strings expected{"open /site/index.htm",
                     "link /site/index.htm #Top /site/index.htm#Top /site/index.htm"};
    for (int i = 0; i < 20; ++i) {
        const std::string sHash = "#" + std::to_string(i);
        expected.push_back(i == 9 ? "link /site/index.htm /b.htm#x /site/b.htm#x /site/b.htm"
                                  : "link /site/index.htm a.htm" + sHash + " /site/a.htm" + sHash +
                                        " /site/a.htm");
    }
    expected.insert(expected.end(),
                    {"link /site/index.htm Gone.htm /site/gone.htm /site/gone.htm",
                     "open /site/a.htm", "link /site/a.htm gone.htm /site/gone.htm /site/gone.htm",
                     "fail /site/b.htm", "fail /site/gone.htm"});
    EXPECT_EQ(observer.events, expected);
}

}  // namespace
}  // namespace sitefinch::test
