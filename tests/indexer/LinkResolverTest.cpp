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
    std::string sHref;
    std::string sTarget;  // the entry's target, or "" when no entry is made
    std::string sQueued;  // "" when nothing is queued
};

// Resolves each href on a fresh index whose disk holds `files`, and checks entry and queue.
void CheckExamples(char cSeparator, const std::string& sPage, const std::vector<std::string>& files,
                   const std::vector<ExampleRow>& rows) {
    for (const ExampleRow& row : rows) {
        SCOPED_TRACE("page \"" + sPage + "\", href \"" + row.sHref + "\"");
        CMemFileSystem fs;
        for (const std::string& sFile : files) {
            fs.SetFile(sFile, "");
        }
        FakeHost host;
        CLinkIndex index(fs, host, cSeparator);
        index.ResolveLink(sPage.c_str(), row.sHref.c_str(), kText);
        std::vector<EntryPair> entries;
        if (!row.sTarget.empty()) {
            entries.emplace_back(kText, row.sTarget);
        }
        EXPECT_EQ(EntriesOf(index), entries);
        EXPECT_EQ(PathsOf(index.GetPending()),
                  row.sQueued.empty() ? std::vector<std::string>{} : std::vector{row.sQueued});
        EXPECT_EQ(index.GetLinkCount(), row.sTarget.empty() ? 0 : 1);
    }
}

// The same site under "c:\site" with backslashes and under "/site" with slashes.
std::string ToSlashes(std::string s) {
    if (s.rfind("c:\\", 0) == 0) {
        s.erase(0, 2);
    }
    for (char& c : s) {
        c = c == '\\' ? '/' : c;
    }
    return s;
}

TEST(ResolveLinkTest, WorkedExamplesWithBothSeparators) {
    const std::vector<std::string> files = {
        "c:\\site\\docs\\chapter2.htm", "c:\\site\\index.htm", "c:\\site\\img\\logo.htm",
        "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\page.htm"};
    const std::vector<ExampleRow> rows = {
        {"chapter2.htm", "c:\\site\\docs\\chapter2.htm", "c:\\site\\docs\\chapter2.htm"},
        {"../images/../index.htm#top", "c:\\site\\index.htm#top", "c:\\site\\index.htm"},
        {"#top", "c:\\site\\docs\\intro.htm#top", ""},
        {"/img/logo.htm", "c:\\site\\img\\logo.htm", "c:\\site\\img\\logo.htm"},
        {"Sub/", "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\sub\\default.htm"},
        {"sub", "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\sub\\default.htm"},
        {"Page.HTM#Sec", "c:\\site\\docs\\page.htm#sec", "c:\\site\\docs\\page.htm"},
        {"./a.htm", "", "c:\\site\\docs\\a.htm"},
        {"", "", "c:\\site\\docs\\default.htm"},
        // Backslashes in an href are separators too.
        {"..\\index.htm", "c:\\site\\index.htm", "c:\\site\\index.htm"},
    };
    CheckExamples('\\', "c:\\site\\docs\\intro.htm", files, rows);
    std::vector<std::string> slashFiles;
    for (const std::string& s : files) {
        slashFiles.push_back(ToSlashes(s));
    }
    std::vector<ExampleRow> slashRows;
    for (const ExampleRow& r : rows) {
        slashRows.push_back({r.sHref, ToSlashes(r.sTarget), ToSlashes(r.sQueued)});
    }
    CheckExamples('/', "/site/docs/intro.htm", slashFiles, slashRows);
    // Without a drive the last "/../" stands at the first character and stays.
    CheckExamples('\\', "c:\\site\\docs\\intro.htm", {}, {{"../../../x.htm", "", "\\x.htm"}});
    CheckExamples('/', "/site/docs/intro.htm", {}, {{"../../../x.htm", "", "/../x.htm"}});
}

TEST(ResolveLinkTest, EdgeCases) {
    // A root-relative link prefers the drive root.
    CheckExamples('\\', "c:\\site\\docs\\intro.htm",
                  {"c:\\img\\logo.htm", "c:\\site\\img\\logo.htm"},
                  {{"/img/logo.htm", "c:\\img\\logo.htm", "c:\\img\\logo.htm"}});
    CheckExamples('/', "/site/docs/intro.htm", {"/img/logo.htm", "/site/img/logo.htm"},
                  {{"/img/logo.htm", "/img/logo.htm", "/img/logo.htm"}});
    CheckExamples('\\', "c:\\site\\docs\\intro.htm",
                  {"c:\\site\\docs\\mailto:me@example.com", "c:\\site\\docs\\logo.gif"},
                  {
                      {"#Top", "c:\\site\\docs\\intro.htm#Top", ""},
                      {"sub#x", "", "c:\\site\\docs\\sub"},
                      {"page.htm#x", "", "c:\\site\\docs\\page.htm"},
                      {"logo.gif", "c:\\site\\docs\\logo.gif", "c:\\site\\docs\\logo.gif"},
                      {"mailto:me@example.com", "", ""},
                      // Capitals hide the scheme: an ordinary relative name (here one that
                      // even exists).
                      {"MAILTO:me@example.com", "c:\\site\\docs\\mailto:me@example.com",
                       "c:\\site\\docs\\mailto:me@example.com"},
                      {"http://example.com/", "", ""},
                      {"HTTPS://example.com/x.htm", "", ""},
                      {"ftp://host/file.htm", "", ""},
                      {"./x.htm?a=b://c", "", ""},
                  });
    // A page directly in the drive's root: the fallback's first component is the root itself.
    CheckExamples('\\', "c:\\page.htm", {}, {{"/x.htm", "", "c:\\\\x.htm"}});
    // A page path without a directory: the fallback adds nothing.
    CheckExamples('/', "page.htm", {"x.htm"},
                  {{"/x.htm", "", "/x.htm"}, {"x.htm", "x.htm", "x.htm"}});
}

TEST(ResolveLinkQueueTest, QueuesEachPathOnceButTriesEveryEntry) {
    CMemFileSystem fs;
    FakeHost host;
    CLinkIndex index(fs, host, '/');
    fs.SetFile("/site/page.htm", "");
    index.ResolveLink("/site/index.htm", "Page.HTM", "Page");
    index.ResolveLink("/site/index.htm", "page.htm", "page");
    index.ResolveLink("/site/other/x.htm", "../page.htm#a", "Another text");
    index.ResolveLink("/site/index.htm", "index.htm", "Home");
    EXPECT_EQ(PathsOf(index.GetPending()),
              (std::vector<std::string>{"/site/page.htm", "/site/index.htm"}));
    // "page" equals "Page" in the entry order: the first one stays.
    EXPECT_EQ(EntriesOf(index), (std::vector<EntryPair>{{"Another text", "/site/page.htm#a"},
                                                        {"Page", "/site/page.htm"}}));
    EXPECT_EQ(index.GetLinkCount(), 2);
}

TEST(ResolveLinkQueueTest, OverlongLinksAreDroppedWhole) {
    // The page directory is 180 characters: "/" + 178 'd' + "/".
    const std::string sPage = "/" + std::string(178, 'd') + "/page.htm";
    const struct {
        std::string sHref;
        bool bKept;
    } cases[] = {
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
    for (const auto& c : cases) {
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
    // A fragment link whose target would not fit is dropped too.
    const std::string sLongPage = "/" + std::string(245, 'p') + ".htm";  // 250 characters
    CheckExamples('/', sLongPage, {},
                  {{"#" + std::string(8, 'f'), sLongPage + "#" + std::string(8, 'f'), ""},
                   {"#" + std::string(9, 'f'), "", ""}});
}

}  // namespace
}  // namespace sitefinch::test
