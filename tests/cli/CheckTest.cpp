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
    const auto [nExit, sOut, sErr] = Run({"check", "index.htm"});
    EXPECT_EQ(nExit, 1);
    EXPECT_EQ(sOut,
              "missing\t/s/index.htm\tgone.htm\t/s/gone.htm\n"
              "fragment\t/s/index.htm\tPage.HTM#sec\t/s/page.htm#sec\n"
              "fragment\t/s/index.htm\t#nowhere\t/s/index.htm#nowhere\n"
              "missing\t/s/index.htm\tsub/\t/s/sub/default.htm\n"
              "fragment\t/s/index.htm\t/page.htm#Nope\t/s/page.htm#nope\n"
              "missing\t/s/page.htm\tgone.htm#x\t/s/gone.htm#x\n");
    EXPECT_EQ(m_fs.ListFiles(), files) << "a check writes nothing";

    // The same crawl as a build: the same lines and statistics on standard error.
    const auto [nBuildExit, sBuildOut, sBuildErr] = Run({"build", "index.htm"});
    EXPECT_EQ(nBuildExit, 0);
    EXPECT_EQ(sErr, sBuildErr);

    // JSON: the same records, in the same order.
    EXPECT_EQ(Run({"check", "index.htm", "--format", "json"}),
              (RunResult{1,
                         "[\n"
                         "{\"kind\": \"missing\", \"page\": \"/s/index.htm\", \"href\": "
                         "\"gone.htm\", \"target\": \"/s/gone.htm\"},\n"
                         "{\"kind\": \"fragment\", \"page\": \"/s/index.htm\", \"href\": "
                         "\"Page.HTM#sec\", \"target\": \"/s/page.htm#sec\"},\n"
                         "{\"kind\": \"fragment\", \"page\": \"/s/index.htm\", \"href\": "
                         "\"#nowhere\", \"target\": \"/s/index.htm#nowhere\"},\n"
                         "{\"kind\": \"missing\", \"page\": \"/s/index.htm\", \"href\": "
                         "\"sub/\", \"target\": \"/s/sub/default.htm\"},\n"
                         "{\"kind\": \"fragment\", \"page\": \"/s/index.htm\", \"href\": "
                         "\"/page.htm#Nope\", \"target\": \"/s/page.htm#nope\"},\n"
                         "{\"kind\": \"missing\", \"page\": \"/s/page.htm\", \"href\": "
                         "\"gone.htm#x\", \"target\": \"/s/gone.htm#x\"}\n"
                         "]\n",
                         sErr}));
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

    for (const Args& args :
         {Args{"check"}, Args{"check", ""}, Args{"check", "a.htm", "b.htm"},
          Args{"check", "a.htm", "--format"}, Args{"check", "a.htm", "--format", "xml"},
          Args{"check", "a.htm", "--orphan"}, Args{"query", "a.htm", "--format", "tsvx"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(std::get<0>(Run(args)), 2);
    }
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
    const auto [nExit, sOut, sErr] =
        RunIn(NativeFileSystem(), sRoot, {"check", "./site/../site/Index.htm", "--orphans"});
    EXPECT_EQ(nExit, 1);
    EXPECT_EQ(sOut, "missing\t" + sRoot + "/site/index.htm\tLinked.htm\t" + sRoot +
                        "/site/linked.htm\n"
                        "orphan\t" +
                        sRoot +
                        "/site/.hidden.htm\n"
                        "orphan\t" +
                        sRoot +
                        "/site/B.HTML\n"
                        "orphan\t" +
                        sRoot +
                        "/site/broken.html\n"
                        "orphan\t" +
                        sRoot +
                        "/site/dir.htm/x.htm\n"
                        "orphan\t" +
                        sRoot +
                        "/site/folder.htm\n"
                        "orphan\t" +
                        sRoot + "/site/sub/c.Htm\n")
        << sErr;
    EXPECT_EQ(std::get<1>(RunIn(NativeFileSystem(), sRoot,
                                {"check", "site/Index.htm", "--orphans", "--format", "json"})),
              "[\n{\"kind\": \"missing\", \"page\": \"" + sRoot +
                  "/site/index.htm\", \"href\": \"Linked.htm\", \"target\": \"" + sRoot +
                  "/site/linked.htm\"},\n"
                  "{\"kind\": \"orphan\", \"page\": \"" +
                  sRoot +
                  "/site/.hidden.htm\"},\n"
                  "{\"kind\": \"orphan\", \"page\": \"" +
                  sRoot +
                  "/site/B.HTML\"},\n"
                  "{\"kind\": \"orphan\", \"page\": \"" +
                  sRoot +
                  "/site/broken.html\"},\n"
                  "{\"kind\": \"orphan\", \"page\": \"" +
                  sRoot +
                  "/site/dir.htm/x.htm\"},\n"
                  "{\"kind\": \"orphan\", \"page\": \"" +
                  sRoot +
                  "/site/folder.htm\"},\n"
                  "{\"kind\": \"orphan\", \"page\": \"" +
                  sRoot + "/site/sub/c.Htm\"}\n]\n");
    if (!::testing::Test::HasFailure()) {
        fs::remove_all(root);
    }
}

}  // namespace
}  // namespace sitefinch::test
