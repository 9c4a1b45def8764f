// Tests of the page scanner: title and link extraction, and scanning whole pages.
#include <gtest/gtest.h>

#include <string>

#include "index/Fakes.h"
#include "index/LineReader.h"
#include "index/LinkIndex.h"
#include "indexer/IndexerTestUtil.h"
#include "platform/MemFileSystem.h"

namespace sitefinch::test {
namespace {

struct TitleCase {
    const char* pszLine;
    bool bFound;
    std::string sTitle;
};

TEST(ExtractTitleTest, FindsTitleByTheRulesOfTheLine) {
    const std::string sLong = "<title>" + std::string(250, 'T') + "</title>";
    const TitleCase cases[] = {
        {sLong.c_str(), true, std::string(199, 'T')},  // cut to the capacity
        {"<TITLE>Home</TITLE>", true, "Home"},
        {"<title>  My Page </title>", true, "My Page "},
        {"  <head><Title>\tTabbed</title>", true, "Tabbed"},
        {"<title>No end tag", true, "No end tag"},
        {"<title></title>", false, ""},
        {"<title>   </title>", false, ""},
        {"<title>", false, ""},
        {"<title lang=\"de\">Deutsch</title>", false, "unchanged"},
        {"<!-- <title>In a comment</title> -->", true, "In a comment"},
        {"\xC4pfel <title>\xC4pfel und Birnen</title>", true, "\xC4pfel und Birnen"},
        {"<title>\xA0nbsp stays</title>", true, "\xA0nbsp stays"},
    };
    for (const TitleCase& c : cases) {
        SCOPED_TRACE(c.pszLine);
        char szTitle[kTitleCapacity] = "unchanged";
        EXPECT_EQ(CLinkIndex::ExtractTitle(c.pszLine, szTitle, sizeof szTitle), c.bFound);
        EXPECT_EQ(std::string(szTitle), c.sTitle);
    }
}

struct LinkCase {
    const char* pszLine;
    bool bFound;
    std::string sHref;  // "-" when nothing is written
    std::string sText;  // "-" when nothing is written
};

TEST(ExtractLinkTest, TakesHrefAndTextByTheRules) {
    const std::string sLong =
        "<a href=\"" + std::string(300, 'h') + "\">" + std::string(300, 't') + "</a>";
    const LinkCase cases[] = {
        {sLong.c_str(), true, std::string(199, 'h'), std::string(199, 't')},  // both cut
        {"<a href=\"page.htm\">Next page</a>", true, "page.htm", "Next page"},
        {"<A HREF=\"Page.HTM\">Go</A>", true, "Page.HTM", "Go"},
        {"<a href = \"page.htm\" >Next</a>", true, "page.htm", "Next"},
        {"<a href=page.htm target=_top>Go</a>", true, "page.htm target=_top", "Go"},
        {"<a href='page.htm'>Go</a>", true, "'page.htm'", "Go"},
        {"<a href=\"page.htm\"><img src=\"p.gif\"></a>", true, "page.htm", ""},
        {"<a href=\"page.htm\">", true, "page.htm", ""},
        {"<a href=\"page.htm\"", false, "page.htm", "-"},
        {"<a href=\"a>b.htm\">Text</a>", true, "a>b.htm", "b.htm\">Text"},
        {"<a href=\"  spaced.htm\">  Text with blanks </a>", true, "spaced.htm",
         "Text with blanks "},
        {"<a href=\"\">Empty</a>", true, "", "Empty"},
        {"<a href>Bare</a>", false, "-", "-"},
        {"<a href>Bare</a> x=y", false, "y", "-"},
        {"<a href=", false, "-", "-"},
        {"<a href=   ", false, "-", "-"},
        {"<a class=\"x\" href=\"page.htm\">Go</a>", false, "-", "-"},
        {"<a  href=\"page.htm\">Go</a>", false, "-", "-"},
        {"<a\thref=\"page.htm\">Go</a>", false, "-", "-"},
        {"<a href=\"one.htm\">One</a> <a href=\"two.htm\">Two</a>", true, "one.htm", "One"},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.pszLine);
        char szHref[kHrefCapacity] = "-";
        char szText[kLinkTextCapacity] = "-";
        EXPECT_EQ(CLinkIndex::ExtractLink(c.pszLine, szHref, sizeof szHref, szText, sizeof szText),
                  c.bFound);
        EXPECT_EQ(std::string(szHref), c.sHref);
        EXPECT_EQ(std::string(szText), c.sText);
    }
}

class ScanPageTest : public ::testing::Test {
protected:
    CMemFileSystem m_fs;
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '/'};

    std::vector<EntryPair> Scan(const std::string& sContent) {
        m_fs.SetFile("/site/page.htm", sContent);
        m_index.ScanPage("/site/page.htm");
        EXPECT_EQ(m_fs.GetOpenCount(), 0) << "the page must be closed";
        return EntriesOf(m_index);
    }
};

TEST_F(ScanPageTest, TitleFallbackTakesTheNextLineWhole) {
    struct Case {
        std::string sContent;
        std::vector<EntryPair> entries;
    };
    const std::string sLongLine(300, 'L');
    const Case cases[] = {
        // Leading blanks of the fallback line reach the title entry, which skips them itself.
        {"<title>\n  Welcome\n", {{"Welcome", "/site/page.htm"}}},
        {"<title></title>\n</head>\n", {{"</head>", "/site/page.htm"}}},
        {"<title>\n", {{"", "/site/page.htm"}}},
        {"<title>\r\n" + sLongLine + "\r\n", {{std::string(199, 'L'), "/site/page.htm"}}},
        // The line the fallback read is not scanned for links.
        {"<title>\n<a href=\"other.htm\">Other</a>\n",
         {{"<a href=\"other.htm\">Other</a>", "/site/page.htm"}}},
        // A last line without a line end is never scanned.
        {"<title>Unfinished</title>", {}},
        {"<p>\n<title>Late</title>\n", {{"Late", "/site/page.htm"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sContent);
        m_index.Clear();
        EXPECT_EQ(Scan(c.sContent), c.entries);
        EXPECT_TRUE(m_index.GetPending().IsEmpty());
    }
}

TEST_F(ScanPageTest, EachLineYieldsAtMostOneThing) {
    m_fs.SetFile("/site/a.htm", "");
    m_fs.SetFile("/site/b.htm", "");
    const std::vector<EntryPair> entries = Scan(
        "<title>Both</title><a href=\"a.htm\">A</a>\n"
        "<a href=\"b.htm\">B</a><a href=\"a.htm\">A again</a>\n"
        "<A Href=\"A.htm\">Mixed case tag</A>\n");
    const std::vector<EntryPair> expected = {
        {"B", "/site/b.htm"}, {"Both", "/site/page.htm"}, {"Mixed case tag", "/site/a.htm"}};
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(PathsOf(m_index.GetPending()),
              (std::vector<std::string>{"/site/b.htm", "/site/a.htm"}));
    EXPECT_EQ(m_index.GetPageCount(), 1);
    EXPECT_EQ(m_index.GetLinkCount(), 2);
}

// The scanner reads a page's titles and links a run at a time before entering them; what it
// enters, queues and counts must be what entering each line as it is read gives, in a build
// (where path facts answer) and outside one, across several runs and with root-relative links,
// whose resolution tests files, in between.
TEST(ScanPageRunsTest, EntersWhatLineByLineResolutionEnters) {
    CMemFileSystem fs;
    for (const char* pszPath : {"/site/a.htm", "/site/b.htm", "/site/sub/c.htm", "/top.htm"}) {
        fs.SetFile(pszPath, "");
    }
    std::string sPage;
    for (int i = 0; i < 60; ++i) {
        switch (i % 6) {
            case 0:
                sPage += "<title>Title " + std::to_string(i % 4) + "</title>\n";
                break;
            case 1:
                sPage += "<a href=\"A.htm#" + std::to_string(i) + "\">Same text</a>\n";
                break;
            case 2:
                sPage += "<a href=\"/top.htm\">Top " + std::to_string(i % 5) + "</a>\n";
                break;
            case 3:
                sPage += "<a href=\"/sub/c.htm\">C &amp; " + std::to_string(i) + "</a>\n";
                break;
            case 4:
                sPage += "<a href=\"missing" + std::to_string(i % 3) + ".htm\">M</a>\n";
                break;
            default:
                sPage += "<a href=\"#f\">Here</a><p>filler</p>\n";
                break;
        }
    }
    fs.SetFile("/site/page.htm", sPage);

    // Line by line through the public steps, outside a build.
    FakeHost referenceHost;
    CLinkIndex reference(fs, referenceHost, '/');
    std::size_t nStart = 0;
    for (std::size_t nEnd; (nEnd = sPage.find('\n', nStart)) != std::string::npos;) {
        const std::string sLine = sPage.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        char szTitle[kTitleCapacity];
        char szHref[kHrefCapacity];
        char szText[kLinkTextCapacity];
        if (CLinkIndex::ExtractTitle(sLine.c_str(), szTitle, sizeof szTitle)) {
            reference.AddTitleEntry("/site/page.htm", szTitle);
        } else if (CLinkIndex::ExtractLink(sLine.c_str(), szHref, sizeof szHref, szText,
                                           sizeof szText)) {
            reference.ResolveLink("/site/page.htm", szHref, szText);
        }
    }

    FakeHost host;
    CLinkIndex scanned(fs, host, '/');
    scanned.ScanPage("/site/page.htm");
    EXPECT_EQ(EntriesOf(scanned), EntriesOf(reference));
    EXPECT_EQ(PathsOf(scanned.GetPending()), PathsOf(reference.GetPending()));
    EXPECT_EQ(scanned.GetLinkCount(), reference.GetLinkCount());

    // The same page as a build's start page: its entries are the same.
    CLinkIndex built(fs, host, '/');
    ASSERT_EQ(built.BuildIndex("/site/page.htm", "/site/page.idx"), 1);
    EXPECT_EQ(EntriesOf(built), EntriesOf(reference));
}

TEST_F(ScanPageTest, EmptyPathOnlyShowsTheErrorBox) {
    m_index.ScanPage("");
    ASSERT_EQ(m_host.pLog->messageBoxes.size(), 1u);
    EXPECT_EQ(m_host.pLog->messageBoxes[0],
              std::make_tuple(std::string("No file selected!"), std::string("Error"), 48u));
    EXPECT_EQ(m_index.GetPageCount(), 0);
}

TEST_F(ScanPageTest, ReadErrorEndsThePageAndKeepsWhatItGave) {
    m_fs.SetFile("/site/a.htm", "");
    const std::string sFirst = "<title>First</title>\n<a href=\"a.htm\">A</a>\n";
    m_fs.SetFile("/site/page.htm", sFirst + std::string(5000, 'x') + "\n<title>Never</title>\n");
    // The reader reads whole blocks, so the failure has to hit its second block.
    m_fs.FailReadsAfter("/site/page.htm", static_cast<std::int64_t>(kLineCapacity));
    m_index.ScanPage("/site/page.htm");
    EXPECT_EQ(m_fs.GetOpenCount(), 0);
    const std::vector<EntryPair> expected = {{"A", "/site/a.htm"}, {"First", "/site/page.htm"}};
    EXPECT_EQ(EntriesOf(m_index), expected);
    EXPECT_EQ(PathsOf(m_index.GetPending()), std::vector<std::string>{"/site/a.htm"});
    EXPECT_EQ(m_index.GetPageCount(), 1);
}

}  // namespace
}  // namespace sitefinch::test
