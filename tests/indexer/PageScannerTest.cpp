// Tests of the page scanner: title and link extraction, and scanning whole pages.
#include <sstream>
#include <tuple>

#include "index/LineReader.h"
#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

constexpr const char kPage[] = "/site/page.htm";

TEST(ExtractTitleTest, FindsTitleByTheRulesOfTheLine) {
    const std::string sLong = "<title>" + std::string(250, 'T') + "</title>";
    const std::tuple<const char*, bool, std::string> cases[] = {
        {sLong.c_str(), true, std::string(199, 'T')},  // cut to the capacity
        {"<title>  My Page </title>", true, "My Page "},
        {"  <head><Title>\tTabbed</title>", true, "Tabbed"},
        {"<title>No end tag", true, "No end tag"},
        {"<title>   </title>", false, ""},
        {"<title lang=\"de\">Deutsch</title>", false, "unchanged"},
        {"<!-- <title>In a comment</title> -->", true, "In a comment"},
        {"\xC4pfel <title>\xA0\xC4pfel</title>", true, "\xA0\xC4pfel"},  // 0xA0 is no blank
    };
    for (const auto& [pszLine, bFound, sTitle] : cases) {
        SCOPED_TRACE(pszLine);
        char szTitle[kTitleCapacity] = "unchanged";
        EXPECT_EQ(CLinkIndex::ExtractTitle(pszLine, szTitle, sizeof szTitle), bFound);
        EXPECT_EQ(szTitle, sTitle);
    }
}

TEST(ExtractLinkTest, TakesHrefAndTextByTheRules) {
    const std::string sLong =
        "<a href=\"" + std::string(300, 'h') + "\">" + std::string(300, 't') + "</a>";
    // Line, result, href and text, each "-" when nothing is written.
    const std::tuple<const char*, bool, std::string, std::string> cases[] = {
        {sLong.c_str(), true, std::string(199, 'h'), std::string(199, 't')},  // both cut
        {"<A HREF=\"Page.HTM\">Go</A>", true, "Page.HTM", "Go"},
        {"<a href = \"page.htm\" >Next</a>", true, "page.htm", "Next"},
        {"<a href='page.htm' target=_top>Go</a>", true, "'page.htm' target=_top", "Go"},
        {"<a href=\"page.htm\">", true, "page.htm", ""},
        {"<a href=\"page.htm\"", false, "page.htm", "-"},
        {"<a href=\"a>b.htm\">Text</a>", true, "a>b.htm", "b.htm\">Text"},
        {"<a href=\"  spaced.htm\">  Text with blanks </a>", true, "spaced.htm",
         "Text with blanks "},
        {"<a href>Bare</a> x=y", false, "y", "-"},
        {"<a href=   ", false, "-", "-"},
        {"<a class=\"x\" href=\"page.htm\">Go</a>", false, "-", "-"},
    };
    for (const auto& [pszLine, bFound, sHref, sText] : cases) {
        SCOPED_TRACE(pszLine);
        char szHref[kHrefCapacity] = "-", szText[kLinkTextCapacity] = "-";
        EXPECT_EQ(CLinkIndex::ExtractLink(pszLine, szHref, sizeof szHref, szText, sizeof szText),
                  bFound);
        EXPECT_EQ(szHref + std::string("|") + szText, sHref + "|" + sText);
    }
}

class ScanPageTest : public ::testing::Test, protected Site {
protected:
    ScanPageTest() {
        fs.SetFile("/site/a.htm", "");
        fs.SetFile("/site/b.htm", "");
    }
};

// Links lead to pages that exist, so a line scanned for a link it should not give shows up as an
// entry.
TEST_F(ScanPageTest, EachLineGivesOneTitleOrLinkAndTheTitleFallbackTakesTheNextLineWhole) {
    const std::pair<std::string, Entries> cases[] = {
        {"<title>Both</title><a href=\"a.htm\">A</a>\n"
         "<a href=\"b.htm\">B</a><a href=\"a.htm\">A again</a>\n"
         "<A Href=\"A.htm\">Mixed case tag</A>\n",
         {{"B", "/site/b.htm"}, {"Both", kPage}, {"Mixed case tag", "/site/a.htm"}}},
        // Leading blanks of the fallback line reach the title entry, which skips them itself.
        {"<title>\n \t Welcome\n", {{"Welcome", kPage}}},
        {"<title></title>\n</head>\n", {{"</head>", kPage}}},
        {"<title>\n", {{"", kPage}}},
        {"<title>\r\n" + std::string(300, 'L') + "\r\n", {{std::string(199, 'L'), kPage}}},
        {"<title>\n<a href=\"a.htm\">Other</a>\n", {{"<a href=\"a.htm\">Other</a>", kPage}}},
        // A last line without a line end is never scanned.
        {"<title>Unfinished</title>", {}},
    };
    for (const auto& [sContent, entries] : cases) {
        SCOPED_TRACE(sContent);
        index.Clear();
        fs.SetFile(kPage, sContent);
        index.ScanPage(kPage);
        EXPECT_EQ(fs.GetOpenCount(), 0) << "the page must be closed";
        EXPECT_EQ(EntriesOf(index), entries);
    }
}

// The scanner reads a page's titles and links a run at a time before entering them; what it
// enters, queues and counts must be what entering each line as it is read gives, in a build
// (where path facts answer) and outside one, across several runs and with root-relative links,
// whose resolution tests files, in between.
TEST(ScanPageRunsTest, EntersWhatLineByLineResolutionEnters) {
    Site reference, scanned;
    std::string sPage;
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(i), m = std::to_string(i % 5);
        // Every other round writes the repeated texts in capitals, or undecoded where a decoded
        // text equals it; a link to a missing page makes no entry for its text to win with.
        const bool bOther = i / 6 % 2 != 0;
        const std::string lines[] = {
            std::string(bOther ? "<title>TITLE " : "<title>Title ") + m + "</title>",
            "<a href=\"A.htm#" + n + "\">" + (bOther ? "SAME TEXT" : "Same text") + "</a>",
            "<a href=\"/top.htm\">Gr" + std::string(bOther ? "\xFC" : "&uuml;") + "&szlig;e " + m +
                "</a>",
            "<a href=\"/sub/c.htm\">C &amp; " + n + "</a>",
            "<a href=\"missing" + m + ".htm\">M</a>",
            "<a href=\"#f\">M</a><p>filler</p>"};
        sPage += lines[i % 6] + "\n";
    }
    for (Site* pSite : {&reference, &scanned}) {
        for (const char* pszPath : {"/site/a.htm", "/site/sub/c.htm", "/top.htm"}) {
            pSite->fs.SetFile(pszPath, "");
        }
        pSite->fs.SetFile(kPage, sPage);
    }

    std::istringstream lines(sPage);
    for (std::string s; std::getline(lines, s);) {
        char szTitle[kTitleCapacity], szHref[kHrefCapacity], szText[kLinkTextCapacity];
        if (CLinkIndex::ExtractTitle(s.c_str(), szTitle, sizeof szTitle)) {
            reference.index.AddTitleEntry(kPage, szTitle);
        } else if (CLinkIndex::ExtractLink(s.c_str(), szHref, sizeof szHref, szText,
                                           sizeof szText)) {
            reference.index.ResolveLink(kPage, szHref, szText);
        }
    }
    scanned.index.ScanPage(kPage);
    EXPECT_EQ(EntriesOf(scanned.index), EntriesOf(reference.index));
    EXPECT_EQ(PathsOf(scanned.index.GetPending()), PathsOf(reference.index.GetPending()));
    EXPECT_EQ(scanned.index.GetLinkCount(), reference.index.GetLinkCount());

    for (int nBuild = 1; nBuild <= 2; ++nBuild) {  // each build starts from nothing, texts too
        ASSERT_EQ(scanned.index.BuildIndex(kPage, "/site/page.idx"), 1);
        EXPECT_EQ(EntriesOf(scanned.index), EntriesOf(reference.index)) << "build " << nBuild;
    }
    // After the build the tree alone, without the build's text set, turns a repeated text away.
    EXPECT_FALSE(scanned.index.AddLinkEntry("/x.htm", "gr&uuml;&szlig;E 1"));
}

TEST_F(ScanPageTest, EmptyPathOnlyShowsTheErrorBox) {
    index.ScanPage("");
    EXPECT_EQ(host.events, Strings{"message-box:No file selected!|Error|48"});
    EXPECT_EQ(index.GetPageCount(), 0);
}

TEST_F(ScanPageTest, ReadErrorEndsThePageAndKeepsWhatItGave) {
    const std::string sFirst = "<title>First</title>\n<a href=\"a.htm\">A</a>\n";
    fs.SetFile(kPage, sFirst + std::string(5000, 'x') + "\n<title>Never</title>\n");
    // The reader reads whole blocks, so the failure has to hit its second block.
    fs.FailReadsAfter(kPage, static_cast<std::int64_t>(kLineCapacity));
    index.ScanPage(kPage);
    EXPECT_EQ(fs.GetOpenCount(), 0);
    EXPECT_EQ(EntriesOf(index), (Entries{{"A", "/site/a.htm"}, {"First", kPage}}));
}

}  // namespace
}  // namespace sitefinch::test
