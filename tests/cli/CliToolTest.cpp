// Tests of sitefinch-cli run in-process: arguments, output and exit codes over a memory file
// system, and a build of the bundled sample site on disk against reviewed golden files.
#include <csignal>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "cli/CliTool.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

using Args = std::vector<std::string>;

using RunResult = std::tuple<int, std::string, std::string>;  // exit code, output, error output

class CliToolTest : public ::testing::Test {
protected:
    CliToolTest() {
        m_fs.SetFile("/home/u/site/index.htm",
                     "<title>Home &auml;</title>\n"
                     "<a href=\"Guide.htm\">The guide</a>\n"
                     "<a href=\"gone.htm\">Gone</a>\n"
                     "<a href=\"m\xFCller.htm\">M&uuml;ller</a>\n"
                     "<a href=\"http://example.com/\">Web</a>\n");
        m_fs.SetFile("/home/u/site/guide.htm",
                     "<title>Guide</title>\n<a href=\"index.htm#top\">Top of home</a>\n");
        m_fs.SetFile("/home/u/site/m\xFCller.htm", "<title>M&uuml;ller</title>\n");
        m_site = m_fs.ListFiles();
    }

    RunResult Run(const Args& args, bool bTerminal = false, const CCliEnvironment& env = {}) {
        std::ostringstream out, err;
        const int nExit = RunCli(args, out, err, m_fs, "/home/u", bTerminal, env);
        return {nExit, out.str(), err.str()};
    }

    CMemFileSystem m_fs;
    std::set<std::string> m_site;  // the files before a run
};

TEST_F(CliToolTest, WrongArgumentsGiveUsageAndExitTwo) {
    const std::string sLongStart = "/" + std::string(256, 's') + ".htm";  // 261 characters
    const std::string sNoExtension = "/" + std::string(256, 'n');         // its index name: 261
    const Args cases[] = {{},
                          {"frobnicate"},
                          {"build", ""},
                          {"build", "a.htm", "b.htm"},
                          {"build", "a.htm", "--index"},
                          {"build", "a.htm", "--index", ""},
                          {"build", "--bogus", "a.htm"},
                          {"build", "a.htm", "--index", "x.idx", "--index", "y.idx"},
                          {"build", sLongStart},
                          {"build", sNoExtension},
                          {"query"},
                          {"query", "a.htm", "q", "extra"},
                          {"query", sNoExtension},
                          {"query", "a.htm", "--format", "tsvx"},
                          {"check"},
                          {"check", ""},
                          {"check", "a.htm", "b.htm"},
                          {"check", "a.htm", "--format"},
                          {"check", "a.htm", "--format", "xml"},
                          {"check", "a.htm", "--orphan"},
                          {"check", sLongStart}};
    const std::string sUsage = std::get<1>(Run({"--help"}));  // what the error ends with
    for (const Args& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args).substr(0, 80));
        const auto [nExit, sOut, sErr] = Run(args);
        EXPECT_EQ(nExit, 2);
        EXPECT_EQ(sOut, "");
        EXPECT_TRUE(sErr.starts_with("sitefinch-cli: ") && sErr.ends_with(sUsage)) << sErr;
        EXPECT_EQ(m_fs.ListFiles(), m_site) << "nothing may be written";
    }
    // The longest start page that fits still builds.
    const std::string sLongest = "/" + std::string(254, 's');  // 259 characters with ".htm"
    EXPECT_EQ(std::get<0>(Run({"build", sLongest + ".htm"})), 0);
    EXPECT_TRUE(m_fs.GetFile(sLongest + ".idx").has_value());
}

// The desktop program's tests cover the same options; these pin this program's own texts.
TEST_F(CliToolTest, HelpAndVersionGoToStandardOutput) {
    const std::string sUsage = "Usage: sitefinch-cli build START [--index FILE]\n";
    EXPECT_TRUE(std::get<1>(Run({"--help"})).starts_with(sUsage));
    EXPECT_TRUE(std::regex_match(std::get<1>(Run({"--version"})),
                                 std::regex("sitefinch-cli [0-9]+\\.[0-9]+\\.[0-9]+\n")));
}

// The window's lines and the statistics go to standard error, paths shown in UTF-8.
TEST_F(CliToolTest, FailedSaveIsReportedAndExitsOne) {
    m_fs.SetFile("/home/u/site/index.idx", "old\r\n@x\r\n");
    m_fs.SetReadOnly("/home/u/site/index.idx");
    const auto [nExit, sOut, sErr] = Run({"build", "/home/u/site/index.htm"});
    EXPECT_EQ(nExit, 1);
    EXPECT_TRUE(sErr.ends_with(
        "/home/u/site/m\xC3\xBCller.htm\nFile /home/u/site/index.idx could not be written!\n"
        "3 pages, 3 links\nCould not create index file.\n"))
        << sErr;
}

TEST_F(CliToolTest, InterruptStopsTheCrawlButDoesNotUndoASave) {
    volatile std::sig_atomic_t bInterrupted = 0;
    CCliEnvironment env{.pInterrupt = &bInterrupted,
                        .pumpHook = [&bInterrupted] { bInterrupted = 1; }};
    // The page at the head of the queue is still scanned, but the window is gone.
    EXPECT_EQ(Run({"build", "site/index.htm"}, false, env),
              (RunResult{130, "", "Start...\n/home/u/site/index.htm\n2 pages, 3 links\n"}));
    EXPECT_FALSE(m_fs.GetFile("/home/u/site/index.idx").has_value());

    // Interrupted only after the crawl: the saved index stands.
    m_fs.SetFile("/home/u/lone.htm", "<title>Lone</title>\n");
    env.pumpHook = nullptr;
    EXPECT_EQ(std::get<0>(Run({"build", "lone.htm"}, false, env)), 0);
    EXPECT_EQ(m_fs.GetFile("/home/u/lone.idx"), "Lone\r\n@/home/u/lone.htm\r\n");
}

// On a terminal a live line (the statistics, then the progress text or its end) is redrawn in
// place and erased before each lasting line. It keeps to one row: 30 code points of 31 columns.
TEST_F(CliToolTest, LiveLineOnATerminalIsErasedBeforeEachLastingLine) {
    CCliEnvironment env{.pInterrupt = nullptr, .pumpHook = nullptr, .nTerminalColumns = 31};
    const char* const pszErr =
        "Start...\n"
        "\r1 pages, 0 links  ...index.htm\x1b[K\r\x1b[K/home/u/site/index.htm\n"
        "\r1 pages, 0 links  ...index.htm\x1b[K\r2 pages, 2 links  ...guide.htm\x1b[K"
        "\r\x1b[K/home/u/site/guide.htm\n"
        "\r2 pages, 2 links  ...guide.htm\x1b[K"
        "\r\x1b[KFile /home/u/site/gone.htm could not be opened!\n"
        "\r2 pages, 3 links  ...guide.htm\x1b[K\r3 pages, 3 links  ...\xC3\xBCller.htm\x1b[K"
        "\r\x1b[K/home/u/site/m\xC3\xBCller.htm\n"
        "\r3 pages, 3 links  ...\xC3\xBCller.htm\x1b[K\r3 pages, 3 links  saving...\x1b[K"
        "\r3 pages, 3 links  ...nished --\x1b[K\r\x1b[K3 pages, 3 links\n";
    EXPECT_EQ(Run({"build", "site/index.htm"}, true, env), (RunResult{0, "", pszErr}));

    // Narrower than the statistics: they are cut too, so the line never wraps.
    env.nTerminalColumns = 12;
    const std::string sNarrow = std::get<2>(Run({"build", "site/index.htm"}, true, env));
    EXPECT_NE(sNarrow.find("\r1 pages, 0 \x1b[K\r\x1b[K/home/u/site/index.htm\n"),
              std::string::npos)
        << sNarrow;
    EXPECT_EQ(sNarrow.find("links"), sNarrow.size() - 6) << "only in the closing line: " << sNarrow;
}

TEST_F(CliToolTest, QueryListsMatchesAsTextTabTarget) {
    EXPECT_EQ(Run({"query", "site/index.htm", "x"}),
              (RunResult{1, "", "Could not load index file.\n"}));

    // The index file named in --index, normalised, is the one a query of the start page finds.
    ASSERT_EQ(std::get<0>(Run({"build", "--index", "other/../site/index.idx", "site/./index.htm"})),
              0);
    EXPECT_EQ(m_fs.ListFiles().size(), m_site.size() + 1)
        << "nothing but the index file is written";
    const std::pair<Args, std::string> cases[] = {
        {{"query", "site/index.htm"},
         "Guide\t/home/u/site/guide.htm\n"
         "Home \xC3\xA4\t/home/u/site/index.htm\n"
         "M\xC3\xBCller\t/home/u/site/m\xC3\xBCller.htm\n"
         "The guide\t/home/u/site/guide.htm\n"
         "Top of home\t/home/u/site/index.htm#top\n"},
        {{"query", "/home/u/site/INDEX.IDX", "of h"}, "Top of home\t/home/u/site/index.htm#top\n"},
        {{"query", "site/index.htm", "nothing like it"}, ""},
    };
    for (const auto& [args, sOut] : cases) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(Run(args), (RunResult{0, sOut, ""}));
    }
}

TEST(SampleSiteTest, BuildMatchesTheReviewedGoldenFiles) {
    namespace fs = std::filesystem;
    // A fresh copy in the build tree, left there when a check fails, for a look at it.
    const fs::path root = fs::path(SITEFINCH_BINARY_DIR) / "cli-sample-site";
    fs::remove_all(root);
    fs::create_directories(root);
    fs::copy(fs::path(SITEFINCH_SOURCE_DIR) / "examples" / "site", root / "site",
             fs::copy_options::recursive);
    std::ostringstream out, err;
    ASSERT_EQ(
        RunCli({"build", "site/index.htm"}, out, err, NativeFileSystem(), root.string(), false), 0)
        << err.str();
    // The copy's paths, lower-cased by the build or not, are "{ROOT}" in the golden files.
    std::string sLowerRoot = root.string();
    CharLowerA(sLowerRoot.data());
    const auto withPlaceholder = [&](std::string s) {
        for (const std::string& sRoot : {root.string(), sLowerRoot}) {
            for (std::size_t n = 0; (n = s.find(sRoot, n)) != std::string::npos;) {
                s.replace(n, sRoot.size(), "{ROOT}");
            }
        }
        return s;
    };
    const fs::path golden = fs::path(SITEFINCH_TEST_DATA_DIR) / "cli";
    EXPECT_EQ(withPlaceholder(err.str()), ReadWhole(golden / "sample-site.stderr"));
    EXPECT_EQ(withPlaceholder(ReadWhole(root / "site" / "index.idx")),
              ReadWhole(golden / "sample-site.idx"));
    if (!HasFailure()) {
        fs::remove_all(root);
    }
}

}  // namespace
}  // namespace sitefinch::test
