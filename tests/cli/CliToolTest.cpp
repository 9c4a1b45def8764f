// Tests of sitefinch-cli run in-process over a memory file system: arguments, output, exit codes.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliTool.h"
#include "platform/MemFileSystem.h"

namespace sitefinch::test {
namespace {

using Args = std::vector<std::string>;

constexpr const char kCurrentDir[] = "/home/u";

struct RunResult {
    int nExit;
    std::string sOut;
    std::string sErr;
};

// What a terminal shows after the text: carriage returns, erase-to-end and new lines applied.
// The last element is the row the cursor is on.
std::vector<std::string> RenderTerminal(const std::string& sRaw) {
    std::vector<std::string> rows(1);
    std::size_t nColumn = 0;
    for (std::size_t i = 0; i < sRaw.size(); ++i) {
        if (sRaw.compare(i, 3, "\x1b[K") == 0) {
            rows.back().resize(nColumn);
            i += 2;
        } else if (sRaw[i] == '\r' || sRaw[i] == '\n') {
            nColumn = 0;
            if (sRaw[i] == '\n') {
                rows.emplace_back();
            }
        } else {
            std::string& row = rows.back();
            row.resize(std::max(row.size(), nColumn + 1));
            row[nColumn++] = sRaw[i];
        }
    }
    return rows;
}

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
    }

    RunResult Run(const Args& args, bool bTerminal = false, const CCliEnvironment& env = {}) {
        std::ostringstream out;
        std::ostringstream err;
        const int nExit = RunCli(args, out, err, m_fs, kCurrentDir, bTerminal, env);
        return {nExit, out.str(), err.str()};
    }

    CMemFileSystem m_fs;
};

TEST_F(CliToolTest, WrongArgumentsGiveUsageAndExitTwo) {
    const std::string sLongStart = "/" + std::string(256, 's') + ".htm";  // 261 characters
    const std::string sNoExtension = "/" + std::string(256, 'n');         // its index name: 261
    const Args cases[] = {{},
                          {"frobnicate"},
                          {"build"},
                          {"build", ""},
                          {"build", "a.htm", "b.htm"},
                          {"build", "a.htm", "--index"},
                          {"build", "--index", "x.idx"},
                          {"build", "a.htm", "--index", ""},
                          {"build", "--bogus", "a.htm"},
                          {"build", "a.htm", "--index", "x.idx", "--index", "y.idx"},
                          {"build", sLongStart},
                          {"build", sNoExtension},
                          {"build", "a.htm", "--index", "/" + std::string(260, 'i')},
                          {"query"},
                          {"query", ""},
                          {"query", "a.htm", "q", "extra"},
                          {"query", sNoExtension},
                          {"query", sLongStart + ".idx"}};
    for (const Args& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args).substr(0, 80));
        const RunResult result = Run(args);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_EQ(result.sOut, "");
        EXPECT_EQ(result.sErr.rfind("sitefinch-cli: ", 0), 0u) << result.sErr;
        EXPECT_NE(result.sErr.find("Usage: sitefinch-cli build"), std::string::npos);
        EXPECT_EQ(m_fs.ListFiles().size(), 3u) << "nothing may be written";
    }
    // The longest start page that fits still builds.
    const std::string sLongest = "/" + std::string(254, 's');  // 259 characters with ".htm"
    EXPECT_EQ(Run({"build", sLongest + ".htm"}).nExit, 0);
    EXPECT_TRUE(m_fs.GetFile(sLongest + ".idx").has_value());
}

TEST_F(CliToolTest, HelpAndVersionGoToStandardOutput) {
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.sOut.find("Usage: sitefinch-cli build START [--index FILE]"), std::string::npos);
    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.nExit, 0);
    EXPECT_TRUE(
        std::regex_match(version.sOut, std::regex("sitefinch-cli [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.sOut;
    EXPECT_EQ(help.sErr + version.sErr, "");
}

TEST_F(CliToolTest, BuildReportsTheWindowLinesAndTheStatistics) {
    const RunResult result = Run({"build", "site/./Index.htm"});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(result.sOut, "");
    EXPECT_EQ(result.sErr,
              "Start...\n"
              "/home/u/site/index.htm\n"
              "/home/u/site/guide.htm\n"
              "File /home/u/site/gone.htm could not be opened!\n"
              "/home/u/site/m\xC3\xBCller.htm\n"
              "3 pages, 3 links\n");
    // The index file is named after the start page as given, not lower-cased.
    const auto index = m_fs.GetFile("/home/u/site/Index.idx");
    ASSERT_TRUE(index.has_value());
    EXPECT_EQ(*index,
              "Guide\r\n@/home/u/site/guide.htm\r\n"
              "Home \xE4\r\n@/home/u/site/index.htm\r\n"
              "M\xFCller\r\n@/home/u/site/m\xFCller.htm\r\n"
              "The guide\r\n@/home/u/site/guide.htm\r\n"
              "Top of home\r\n@/home/u/site/index.htm#top\r\n");
}

TEST_F(CliToolTest, BuildWritesToTheIndexFileGiven) {
    const RunResult result = Run({"build", "--index", "other/../site/named.idx", "site/index.htm"});
    EXPECT_EQ(result.nExit, 0) << result.sErr;
    EXPECT_TRUE(m_fs.GetFile("/home/u/site/named.idx").has_value());
    EXPECT_FALSE(m_fs.GetFile("/home/u/site/index.idx").has_value());
}

TEST_F(CliToolTest, FailedSaveExitsOneAndKeepsTheOldFile) {
    m_fs.SetFile("/home/u/site/index.idx", "old\r\n@x\r\n");
    m_fs.SetReadOnly("/home/u/site/index.idx");
    const RunResult result = Run({"build", "/home/u/site/index.htm"});
    EXPECT_EQ(result.nExit, 1);
    const std::string sTail =
        "/home/u/site/m\xC3\xBCller.htm\n"
        "File /home/u/site/index.idx could not be written!\n"
        "3 pages, 3 links\n"
        "Could not create index file.\n";
    ASSERT_GE(result.sErr.size(), sTail.size());
    EXPECT_EQ(result.sErr.substr(result.sErr.size() - sTail.size()), sTail);
    EXPECT_EQ(m_fs.GetFile("/home/u/site/index.idx"), "old\r\n@x\r\n");
}

TEST_F(CliToolTest, InterruptStopsTheCrawlButDoesNotUndoASave) {
    volatile std::sig_atomic_t bInterrupted = 0;
    CCliEnvironment env;
    env.pInterrupt = &bInterrupted;
    env.pumpHook = [&bInterrupted] { bInterrupted = 1; };
    const RunResult result = Run({"build", "site/index.htm"}, false, env);
    EXPECT_EQ(result.nExit, 130);
    // The page at the head of the queue is still scanned, but the window is gone.
    EXPECT_EQ(result.sErr, "Start...\n/home/u/site/index.htm\n2 pages, 3 links\n");
    EXPECT_FALSE(m_fs.GetFile("/home/u/site/index.idx").has_value());

    // Interrupted only after the crawl: the saved index stands.
    m_fs.SetFile("/home/u/lone.htm", "<title>Lone</title>\n");
    env.pumpHook = nullptr;
    EXPECT_EQ(Run({"build", "lone.htm"}, false, env).nExit, 0);
    EXPECT_EQ(m_fs.GetFile("/home/u/lone.idx"), "Lone\r\n@/home/u/lone.htm\r\n");
}

TEST_F(CliToolTest, LiveLineOnATerminalLeavesOnlyTheLastingLines) {
    const RunResult plain = Run({"build", "site/index.htm"});
    CCliEnvironment env;
    env.nTerminalColumns = 30;
    const RunResult live = Run({"build", "site/index.htm"}, true, env);
    EXPECT_EQ(live.nExit, 0);
    EXPECT_NE(live.sErr.find("\r"), std::string::npos);

    std::vector<std::string> expected = RenderTerminal(plain.sErr);
    EXPECT_EQ(RenderTerminal(live.sErr), expected);
    EXPECT_EQ(expected.back(), "") << "the cursor ends on an empty row";

    // Every redraw fits one row of the terminal.
    std::size_t nPos = 0;
    while ((nPos = live.sErr.find('\r', nPos)) != std::string::npos) {
        const std::size_t nEnd = live.sErr.find("\x1b[K", nPos);
        ASSERT_NE(nEnd, std::string::npos);
        std::size_t nCodePoints = 0;
        for (std::size_t i = nPos + 1; i < nEnd; ++i) {
            nCodePoints += (static_cast<unsigned char>(live.sErr[i]) & 0xC0) != 0x80;
        }
        EXPECT_LE(nCodePoints, 29u) << live.sErr.substr(nPos + 1, nEnd - nPos - 1);
        nPos = nEnd;
    }
}

TEST_F(CliToolTest, QueryListsMatchesAsTextTabTarget) {
    const RunResult missing = Run({"query", "site/index.htm", "x"});
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_EQ(missing.sOut, "");
    EXPECT_EQ(missing.sErr, "Could not load index file.\n");

    ASSERT_EQ(Run({"build", "site/index.htm"}).nExit, 0);
    m_fs.SetFile("/home/u/long.idx", std::string(120, 'a') + "\r\n@/x.htm\r\n");
    const struct {
        Args args;
        std::string sOut;
    } cases[] = {
        {{"query", "site/index.htm"},
         "Guide\t/home/u/site/guide.htm\n"
         "Home \xC3\xA4\t/home/u/site/index.htm\n"
         "M\xC3\xBCller\t/home/u/site/m\xC3\xBCller.htm\n"
         "The guide\t/home/u/site/guide.htm\n"
         "Top of home\t/home/u/site/index.htm#top\n"},
        {{"query", "site/index.htm", "GUIDE"},
         "Guide\t/home/u/site/guide.htm\nThe guide\t/home/u/site/guide.htm\n"},
        {{"query", "/home/u/site/INDEX.IDX", "of h"}, "Top of home\t/home/u/site/index.htm#top\n"},
        // A UTF-8 query finds the Windows-1252 text.
        {{"query", "site/index.htm", "\xC3\x9C"},
         "M\xC3\xBCller\t/home/u/site/m\xC3\xBCller.htm\n"},
        {{"query", "site/index.htm", "nothing like it"}, ""},
        // The query is cut to 99 bytes: the 100th does not count.
        {{"query", "long.idx", std::string(99, 'a') + "b"}, std::string(120, 'a') + "\t/x.htm\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult result = Run(c.args);
        EXPECT_EQ(result.nExit, 0);
        EXPECT_EQ(result.sOut, c.sOut);
        EXPECT_EQ(result.sErr, "");
    }
}

}  // namespace
}  // namespace sitefinch::test
