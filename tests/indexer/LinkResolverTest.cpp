// Tests of link resolution: the worked examples with both separators, and the edge cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/Fakes.h"
#include "index/LinkIndex.h"
#include "indexer/IndexerTestUtil.h"
#include "platform/MemFileSystem.h"

namespace sitefinch::test {
namespace {

constexpr const char kText[] = "Link";

struct ExampleRow {
    const char* pszHref;
    const char* pszTarget;  // the entry's target, or null when no entry is made
    const char* pszQueued;  // null when nothing is queued
};

struct ExampleSite {
    char cSeparator;
    const char* pszPage;
    std::vector<std::string> files;
    std::vector<ExampleRow> rows;
};

// Resolves each href of the table on a fresh index and checks entry and queue.
void CheckExamples(const ExampleSite& site) {
    for (const ExampleRow& row : site.rows) {
        SCOPED_TRACE(std::string("href \"") + row.pszHref + "\"");
        CMemFileSystem fs;
        for (const std::string& sFile : site.files) {
            fs.SetFile(sFile, "");
        }
        FakeHost host;
        CLinkIndex index(fs, host, site.cSeparator);
        index.ResolveLink(site.pszPage, row.pszHref, kText);

        std::vector<EntryPair> expectedEntries;
        if (row.pszTarget) {
            expectedEntries.emplace_back(kText, row.pszTarget);
        }
        EXPECT_EQ(EntriesOf(index), expectedEntries);
        std::vector<std::string> expectedQueue;
        if (row.pszQueued) {
            expectedQueue.emplace_back(row.pszQueued);
        }
        EXPECT_EQ(PathsOf(index.GetPending()), expectedQueue);
        EXPECT_EQ(index.GetLinkCount(), row.pszTarget ? 1 : 0);
    }
}

TEST(ResolveLinkTest, WorkedExamplesWithBackslashes) {
    CheckExamples(
        {'\\',
         "c:\\site\\docs\\intro.htm",
         {"c:\\site\\docs\\chapter2.htm", "c:\\site\\index.htm", "c:\\site\\img\\logo.htm",
          "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\page.htm"},
         {
             {"chapter2.htm", "c:\\site\\docs\\chapter2.htm", "c:\\site\\docs\\chapter2.htm"},
             {"../images/../index.htm#top", "c:\\site\\index.htm#top", "c:\\site\\index.htm"},
             {"#top", "c:\\site\\docs\\intro.htm#top", nullptr},
             {"/img/logo.htm", "c:\\site\\img\\logo.htm", "c:\\site\\img\\logo.htm"},
             {"Sub/", "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\sub\\default.htm"},
             {"sub", "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\sub\\default.htm"},
             {"Page.HTM#Sec", "c:\\site\\docs\\page.htm#sec", "c:\\site\\docs\\page.htm"},
             {"./a.htm", nullptr, "c:\\site\\docs\\a.htm"},
             {"", nullptr, "c:\\site\\docs\\default.htm"},
             {"../../../x.htm", nullptr, "\\x.htm"},
         }});
}

TEST(ResolveLinkTest, WorkedExamplesWithSlashes) {
    CheckExamples({'/',
                   "/site/docs/intro.htm",
                   {"/site/docs/chapter2.htm", "/site/index.htm", "/site/img/logo.htm",
                    "/site/docs/sub/default.htm", "/site/docs/page.htm"},
                   {
                       {"chapter2.htm", "/site/docs/chapter2.htm", "/site/docs/chapter2.htm"},
                       {"../images/../index.htm#top", "/site/index.htm#top", "/site/index.htm"},
                       {"#top", "/site/docs/intro.htm#top", nullptr},
                       {"/img/logo.htm", "/site/img/logo.htm", "/site/img/logo.htm"},
                       {"Sub/", "/site/docs/sub/default.htm", "/site/docs/sub/default.htm"},
                       {"sub", "/site/docs/sub/default.htm", "/site/docs/sub/default.htm"},
                       {"Page.HTM#Sec", "/site/docs/page.htm#sec", "/site/docs/page.htm"},
                       {"./a.htm", nullptr, "/site/docs/a.htm"},
                       {"", nullptr, "/site/docs/default.htm"},
                       // Without a drive the last "/../" stands at the first character and stays.
                       {"../../../x.htm", nullptr, "/../x.htm"},
                       // Backslashes in an href are separators too.
                       {"..\\index.htm", "/site/index.htm", "/site/index.htm"},
                   }});
}

TEST(ResolveLinkTest, RootRelativeLinkPrefersTheDriveRoot) {
    CheckExamples({'\\',
                   "c:\\site\\docs\\intro.htm",
                   {"c:\\img\\logo.htm", "c:\\site\\img\\logo.htm"},
                   {{"/img/logo.htm", "c:\\img\\logo.htm", "c:\\img\\logo.htm"}}});
    CheckExamples({'/',
                   "/site/docs/intro.htm",
                   {"/img/logo.htm", "/site/img/logo.htm"},
                   {{"/img/logo.htm", "/img/logo.htm", "/img/logo.htm"}}});
}

TEST(ResolveLinkTest, EdgeCases) {
    CheckExamples({'\\',
                   "c:\\site\\docs\\intro.htm",
                   {"c:\\site\\docs\\mailto:me@example.com", "c:\\site\\docs\\logo.gif"},
                   {
                       {"#Top", "c:\\site\\docs\\intro.htm#Top", nullptr},
                       {"sub#x", nullptr, "c:\\site\\docs\\sub"},
                       {"page.htm#x", nullptr, "c:\\site\\docs\\page.htm"},
                       {"logo.gif", "c:\\site\\docs\\logo.gif", "c:\\site\\docs\\logo.gif"},
                       {"mailto:me@example.com", nullptr, nullptr},
                       // Capitals hide the scheme: an ordinary relative name (here one that
                       // even exists).
                       {"MAILTO:me@example.com", "c:\\site\\docs\\mailto:me@example.com",
                        "c:\\site\\docs\\mailto:me@example.com"},
                       {"http://example.com/", nullptr, nullptr},
                       {"HTTPS://example.com/x.htm", nullptr, nullptr},
                       {"ftp://host/file.htm", nullptr, nullptr},
                       {"./x.htm?a=b://c", nullptr, nullptr},
                   }});
    // A page directly in the drive's root: the fallback's first component is the root itself.
    CheckExamples({'\\', "c:\\page.htm", {}, {{"/x.htm", nullptr, "c:\\\\x.htm"}}});
    // A page path without a directory: the fallback adds nothing.
    CheckExamples({'/', "page.htm", {"x.htm"}, {{"/x.htm", nullptr, "/x.htm"}}});
    CheckExamples({'/', "page.htm", {"x.htm"}, {{"x.htm", "x.htm", "x.htm"}}});
}

class ResolveLinkQueueTest : public ::testing::Test {
protected:
    CMemFileSystem m_fs;
    FakeHost m_host;
    CLinkIndex m_index{m_fs, m_host, '/'};
};

TEST_F(ResolveLinkQueueTest, QueuesEachPathOnceButTriesEveryEntry) {
    m_fs.SetFile("/site/page.htm", "");
    m_index.ResolveLink("/site/index.htm", "Page.HTM", "Page");
    m_index.ResolveLink("/site/index.htm", "page.htm", "page");
    m_index.ResolveLink("/site/other/x.htm", "../page.htm#a", "Another text");
    m_index.ResolveLink("/site/index.htm", "index.htm", "Home");
    EXPECT_EQ(PathsOf(m_index.GetPending()),
              (std::vector<std::string>{"/site/page.htm", "/site/index.htm"}));
    // "page" equals "Page" in the entry order: the first one stays.
    const std::vector<EntryPair> expected = {{"Another text", "/site/page.htm#a"},
                                             {"Page", "/site/page.htm"}};
    EXPECT_EQ(EntriesOf(m_index), expected);
    EXPECT_EQ(m_index.GetLinkCount(), 2);
}

TEST_F(ResolveLinkQueueTest, VisitedPathIsNotQueuedAgain) {
    m_fs.SetFile("/site/index.htm", "<a href=\"index.htm\">Self</a>\n");
    m_index.BuildIndex("/site/index.htm", "/site/index.idx");
    EXPECT_EQ(PathsOf(m_index.GetVisited()), std::vector<std::string>{"/site/index.htm"});
    EXPECT_TRUE(m_index.GetPending().IsEmpty());
}

TEST_F(ResolveLinkQueueTest, OverlongLinksAreDroppedWhole) {
    // The page directory is 180 characters: "/" + 178 'd' + "/".
    const std::string sDir = "/" + std::string(178, 'd') + "/";
    const std::string sPage = sDir + "page.htm";
    struct Case {
        std::string sHref;
        bool bKept;
    };
    const Case cases[] = {
        {std::string(15, 'f') + ".htm", true},   // 199 characters
        {std::string(16, 'f') + ".htm", false},  // 200
        {std::string(7, 'f'), true},             // 187, then "/default.htm": 199
        {std::string(8, 'f'), false},            // 188 + 12
        {std::string(7, 'f') + "/", true},       // 188, then "default.htm": 199
        {std::string(8, 'f') + "/", false},      // 189 + 11
        // Root-relative: too long at once, and too long only for the fallback.
        {"/" + std::string(200, 'r') + ".htm", false},
        {"/" + std::string(185, 'r') + ".htm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sHref);
        CMemFileSystem fs;
        FakeHost host;
        CLinkIndex index(fs, host, '/');
        index.ResolveLink(sPage.c_str(), c.sHref.c_str(), kText);
        EXPECT_EQ(index.GetPending().GetCount(), c.bKept ? 1u : 0u);
        for (const std::string& sPath : PathsOf(index.GetPending())) {
            EXPECT_LE(sPath.size(), 199u);
        }
    }
}

TEST_F(ResolveLinkQueueTest, OverlongFragmentLinksAreDropped) {
    const std::string sPage = "/" + std::string(245, 'p') + ".htm";  // 250 characters
    const std::string sFits = "#" + std::string(8, 'f');             // 259 in all
    const std::string sTooLong = "#" + std::string(9, 'f');          // 260 in all
    m_index.ResolveLink(sPage.c_str(), sFits.c_str(), "Fits");
    m_index.ResolveLink(sPage.c_str(), sTooLong.c_str(), "Too long");
    const std::vector<EntryPair> expected = {{"Fits", sPage + sFits}};
    EXPECT_EQ(EntriesOf(m_index), expected);
    EXPECT_TRUE(m_index.GetPending().IsEmpty());
}

}  // namespace
}  // namespace sitefinch::test
