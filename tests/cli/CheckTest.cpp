// Tests of the link check: the anchor rule, which links are reported and in what order, the
// orphans on a real disk, and JSON that stays valid whatever the bytes.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "cli/CliTool.h"
#include "cli/JsonWriter.h"
#include "cli/LinkCheck.h"
#include "platform/FileSystem.h"
#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

using Args = std::vector<std::string>;
using RunResult = std::tuple<int, std::string, std::string>;  // exit code, output, error output

RunResult RunIn(CFileSystem& fs, const std::string& sDir, const Args& args,
                const CCliEnvironment& env = {}) {
    std::ostringstream out, err;
    const int nExit = RunCli(args, out, err, fs, sDir, false, env);
    return {nExit, out.str(), err.str()};
}

// A report record: kind, page, and for a broken link its href and target.
using Record = std::vector<std::string>;

// The records as the check prints them in tsv (true) or json, the field names written out once.
std::string Report(const std::vector<Record>& records, bool bTsv) {
    static const char* const kFields[] = {"kind", "page", "href", "target"};
    std::string s = bTsv || records.empty() ? "" : "[\n";
    for (std::size_t n = 0; n < records.size(); ++n) {
        for (std::size_t i = 0; i < records[n].size(); ++i) {
            s += bTsv ? (i > 0 ? "\t" : "") + records[n][i]
                      : (i > 0 ? ", \"" : "{\"") + std::string(kFields[i]) + "\": \"" +
                            records[n][i] + '"';
        }
        s += bTsv ? "\n" : n + 1 < records.size() ? "},\n" : "}\n";
    }
    return bTsv ? s : s + (records.empty() ? "[]\n" : "]\n");
}

TEST(AnchorTest, AnchorsFollowTheWordEqualsValueRule) {
    struct Case {
        const char* pszBytes;
        const char* pszFragment;
        bool bFound;
    };
    const Case cases[] = {
        {"<a id=\"x\">", "x", true},
        {"<A NAME='x'>", "x", true},
        {"<a iD \r\n= \t\"x\">", "x", true},
        {"<a\nname\n=\nx>", "x", true},
        {"id=x", "x", true},  // at the very start, outside any tag
        {"text name=x more", "x", true},
        {"<a id=x/y z>", "x/y", true},
        {"<a id=ab\"c\">", "ab", true},  // unquoted stops at a quote
        {"<a id=ab\"c\">", "ab\"c", false},
        {"<a id=\"a b\">", "a b", true},  // quoted values keep blanks
        {"<a id=\"a\nb\">", "a\nb", true},
        {"<a id=\"Sec\">", "sec", false},  // values compare byte for byte
        {"<a id=\"x>", "x>", false},       // an unclosed quote gives no anchor
        {"<a id=\"x>", "x", false},
        {"<p title=\"id=inner\">", "inner", true},  // every place counts, inside values too
        {"<a data-id=\"x\">", "x", false},
        {"<a _id=\"x\">", "x", false},
        {"<a xname=\"x\">", "x", false},
        {"<a 2id=\"x\">", "x", false},
        {"<a idx=\"x\">", "x", false},
        {"<a id:\"x\">", "x", false},
        {"<a \xE9id=\"x\">", "x", true},  // only ASCII letters count before the word
        {"<a id=\"\xFC\">", "\xFC", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszBytes) + " / " + c.pszFragment);
        EXPECT_EQ(FindAnchors(c.pszBytes).contains(c.pszFragment), c.bFound);
    }
    // The whole file counts: past NUL bytes and lines far longer than the scanner reads.
    const std::string sLong = std::string(3000, 'x') + '\0' + "<a name=\"far\">";
    EXPECT_TRUE(FindAnchors(sLong).contains("far"));
}

TEST(AnchorTest, OnlyNonEmptyFragmentsOtherThanTopAreChecked) {
    EXPECT_EQ(FragmentOf("a.htm#b#c"), "b#c");
    EXPECT_EQ(FragmentOf("a.htm"), std::nullopt);
    for (const char* psz : {"", "top", "TOP", "Top"}) {
        EXPECT_FALSE(IsCheckedFragment(psz)) << psz;
    }
    EXPECT_TRUE(IsCheckedFragment("topic"));
}

class CheckTest : public ::testing::Test {
protected:
    CheckTest() {
        m_fs.SetFile("/s/index.htm",
                     "<title>Home</title>\n"
                     "<a href=\"page.htm#Sec\">ok: anchor as written</a>\n"
                     "<a href=\"gone.htm\">missing, met before the crawl tries it</a>\n"
                     "<a href=\"Page.HTM#sec\">fragment: the case of the href counts</a>\n"
                     "<a href=\"#here\">ok: on this page</a>\n"
                     "<a href=\"#nowhere\">fragment on this page</a>\n"
                     "<a href=\"#top\">never checked</a>\n<a href=\"#\">nor this</a>\n"
                     "<a href=\"page.htm#TOP\">nor this</a>\n"
                     "<a href=\"http://example.com/x.htm#y\">external</a>\n"
                     "<a href=\"mailto:a@b\">mail</a>\n"
                     "<a href=\"sub/\">missing default page</a>\n"
                     "<a href=\"logo.gif#a\">any file is searched for anchors</a>\n"
                     "<a href=\"/page.htm#Nope\">fragment, root-relative</a>\n"
                     "<a href=\"" +
                         std::string(193, 'l') +
                         ".htm\">too long: dropped</a>\n"
                         "<p id=\"here\">\n");
        m_fs.SetFile("/s/page.htm",
                     "<title>Page</title>\n<h2 id=\"Sec\">\n"
                     "<a href=\"gone.htm#x\">missing, met after the crawl failed there</a>\n");
        m_fs.SetFile("/s/logo.gif", "GIF89a name=a");
        m_fs.SetFile("/s/sub/other.htm", "<title>Not the default page</title>\n");
    }

    RunResult Run(const Args& args, const CCliEnvironment& env = {}) {
        return RunIn(m_fs, "/s", args, env);
    }

    CMemFileSystem m_fs;
};

TEST_F(CheckTest, ReportsEachBrokenLinkInTheOrderTheCrawlMetIt) {
    const auto files = m_fs.ListFiles();
    const std::vector<Record> broken = {
        {"missing", "/s/index.htm", "gone.htm", "/s/gone.htm"},
        {"fragment", "/s/index.htm", "Page.HTM#sec", "/s/page.htm#sec"},
        {"fragment", "/s/index.htm", "#nowhere", "/s/index.htm#nowhere"},
        {"missing", "/s/index.htm", "sub/", "/s/sub/default.htm"},
        {"fragment", "/s/index.htm", "/page.htm#Nope", "/s/page.htm#nope"},
        {"missing", "/s/page.htm", "gone.htm#x", "/s/gone.htm#x"}};
    const auto [nExit, sOut, sErr] = Run({"check", "index.htm"});
    EXPECT_EQ(nExit, 1);
    EXPECT_EQ(sOut, Report(broken, true));
    EXPECT_EQ(m_fs.ListFiles(), files) << "a check writes nothing";

    // The same crawl as a build: the same lines and statistics on standard error.
    const auto [nBuildExit, sBuildOut, sBuildErr] = Run({"build", "index.htm"});
    EXPECT_EQ(nBuildExit, 0);
    EXPECT_EQ(sErr, sBuildErr);

    // JSON: the same records, in the same order.
    EXPECT_EQ(Run({"check", "index.htm", "--format", "json"}),
              (RunResult{1, Report(broken, false), sErr}));
}

TEST_F(CheckTest, ExitStatusSaysWhetherAnythingWasFound) {
    m_fs.SetFile("/s/clean.htm", "<a href=\"logo.gif#a\">x</a>\n");
    EXPECT_EQ(std::get<0>(Run({"check", "clean.htm"})), 0);
    EXPECT_EQ(std::get<1>(Run({"check", "clean.htm"})), "");
    EXPECT_EQ(std::get<1>(Run({"check", "clean.htm", "--format", "json"})), "[]\n");

    // Ctrl+C stops the crawl as for a build, and nothing is listed.
    volatile std::sig_atomic_t bInterrupted = 0;
    const CCliEnvironment env{.pInterrupt = &bInterrupted,
                              .pumpHook = [&bInterrupted] { bInterrupted = 1; }};
    const auto [nExit, sOut, sErr] = Run({"check", "index.htm"}, env);
    EXPECT_EQ(nExit, 130);
    EXPECT_EQ(sOut, "");
}

TEST_F(CheckTest, QueryPrintsJsonInListOrder) {
    ASSERT_EQ(std::get<0>(Run({"build", "page.htm"})), 0);
    EXPECT_EQ(Run({"query", "page.htm", "--format", "json"}),
              (RunResult{0, "[\n{\"text\": \"Page\", \"target\": \"/s/page.htm\"}\n]\n", ""}));
    EXPECT_EQ(Run({"query", "--format", "tsv", "page.htm", "--nothing"}), (RunResult{0, "", ""}));
    EXPECT_EQ(Run({"query", "page.htm", "--format", "json", "nothing"}),
              (RunResult{0, "[]\n", ""}));
}

TEST(JsonTest, AnyBytesGiveValidJson) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\s/", "\"q\\\"b\\\\s/\""},
        {std::string("\t\n\r\x01\x1f\x7f", 6) + std::string(1, '\0'),
         "\"\\t\\n\\r\\u0001\\u001f\\u007f\\u0000\""},
        {"\xC3\xBC", "\"\xC3\xBC\""},              // UTF-8 stays
        {"\xFC\x80", "\"\xC3\xBC\xE2\x82\xAC\""},  // else Windows-1252
        {"\x81\x9D", "\"\\u0081\\u009d\""},        // its holes are C1 controls
        {"\xC2\x85", "\"\\u0085\""},               // so is a C1 control in UTF-8
        {"\xE2\x80\xA8", "\"\xE2\x80\xA8\""},
    };
    for (const auto& [sText, sJson] : cases) {
        SCOPED_TRACE(sJson);
        EXPECT_EQ(JsonQuote(sText), sJson);
    }
}

// Orphans need a real disk: symbolic links, hidden names, folders named like pages.
TEST(OrphanTest, ListsUnvisitedPagesBelowTheStartFolderInByteOrder) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(SITEFINCH_BINARY_DIR) / "cli-orphans";
    fs::remove_all(root);
    fs::create_directories(root / "site" / "sub");
    fs::create_directories(root / "site" / "dir.htm");
    fs::create_directories(root / "outside");
    const auto write = [](const fs::path& path, const std::string& sContent) {
        std::ofstream(path, std::ios::binary) << sContent;
    };
    write(root / "site" / "Index.htm",
          "<a href=\"a.htm\">a</a>\n<a href=\"Linked.htm\">broken link, visited</a>\n"
          "<a href=\"SUB/Seen.HTML\">b</a>\n");
    write(root / "site" / "a.htm", "");
    write(root / "site" / "B.HTML", "");
    write(root / "site" / ".hidden.htm", "");
    write(root / "site" / "notes.txt", "");
    write(root / "site" / "page.htm.bak", "");
    write(root / "site" / "sub" / "Seen.HTML", "");
    write(root / "site" / "sub" / "c.Htm", "");
    write(root / "site" / "dir.htm" / "x.htm", "");
    write(root / "outside" / "far.htm", "");
    write(root / "sibling.htm", "");
    fs::create_directory_symlink("../outside", root / "site" / "sub" / "link");
    fs::create_directory_symlink("../outside", root / "site" / "folder.htm");
    fs::create_symlink("nowhere", root / "site" / "broken.html");
    fs::create_symlink("nowhere", root / "site" / "linked.htm");

    const std::string sRoot = root.string();
    std::vector<Record> found = {
        {"missing", sRoot + "/site/index.htm", "Linked.htm", sRoot + "/site/linked.htm"}};
    for (const char* pszOrphan :
         {".hidden.htm", "B.HTML", "broken.html", "dir.htm/x.htm", "folder.htm", "sub/c.Htm"}) {
        found.push_back({"orphan", sRoot + "/site/" + pszOrphan});
    }
    const auto [nExit, sOut, sErr] =
        RunIn(NativeFileSystem(), sRoot, {"check", "./site/../site/Index.htm", "--orphans"});
    EXPECT_EQ(nExit, 1);
    EXPECT_EQ(sOut, Report(found, true)) << sErr;
    EXPECT_EQ(std::get<1>(RunIn(NativeFileSystem(), sRoot,
                                {"check", "site/Index.htm", "--orphans", "--format", "json"})),
              Report(found, false));
    if (!::testing::Test::HasFailure()) {
        fs::remove_all(root);
    }
}

}  // namespace
}  // namespace sitefinch::test
