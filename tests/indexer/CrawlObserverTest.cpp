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
    // More links than the scanner reads ahead at once, a root-relative one (resolved in its
    // turn) among them, and links that resolve to no path: the web, mail, one too long.
    std::string sStart = "<title>Home</title>\n<a href=\"#Top\">t</a>\n";
    Strings expected{"open /site/index.htm",
                     "link /site/index.htm #Top /site/index.htm#Top /site/index.htm"};
    for (int i = 0; i < 20; ++i) {
        const std::string sHref = i == 9 ? "/b.htm#x" : "a.htm#" + std::to_string(i);
        const std::string sPage = i == 9 ? "/site/b.htm" : "/site/a.htm";
        sStart += "<a href=\"" + sHref + "\">a</a>\n";
        expected.push_back("link /site/index.htm " + sHref + " " + sPage +
                           sHref.substr(sHref.find('#')) + " " + sPage);
    }
    sStart +=
        "<a href=\"http://example.com/\">web</a>\n<a href=\"mailto:x@y\">mail</a>\n<a href=\"" +
        std::string(190, 'l') + ".htm\">too long</a>\n<a href=\"Gone.htm\">gone</a>\n";
    Site site;
    site.fs.SetFile("/site/index.htm", sStart);
    site.fs.SetFile("/site/a.htm", "<a href=\"gone.htm\">again</a>\n");
    RecordingObserver observer;
    ASSERT_EQ(CCrawl::BuildIndex(site.index, "/site/Index.htm", "/site/index.idx", &observer), 1);
    expected.insert(expected.end(),
                    {"link /site/index.htm Gone.htm /site/gone.htm /site/gone.htm",
                     "open /site/a.htm", "link /site/a.htm gone.htm /site/gone.htm /site/gone.htm",
                     "fail /site/b.htm", "fail /site/gone.htm"});
    EXPECT_EQ(observer.events, expected);
}

}  // namespace
}  // namespace sitefinch::test
