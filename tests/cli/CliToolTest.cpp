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
    static const std::string kErase = "\x1b[K";
    std::vector<std::string> rows(1);
    std::size_t nColumn = 0;
    for (std::size_t i = 0; i < sRaw.size(); ++i) {
        std::string& row = rows.back();
        if (sRaw.compare(i, kErase.size(), kErase) == 0) {
            row.resize(nColumn);
            i += kErase.size() - 1;
        } else if (sRaw[i] == '\r') {
            nColumn = 0;
        } else if (sRaw[i] == '\n') {
            rows.emplace_back();
            nColumn = 0;
        } else {
            if (nColumn < row.size()) {
                row[nColumn] = sRaw[i];
            } else {
                row.push_back(sRaw[i]);
            }
            ++nColumn;
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
    const Args cases[] = {
        {},
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
        {"query", sLongStart + ".idx"},
    };
    for (const Args& args : cases) {
        std::string sTrace;
        for (const std::string& s : args) {
            sTrace += "[" + s.substr(0, 20) + "] ";
        }
        SCOPED_TRACE(sTrace);
        const RunResult result = Run(args);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_EQ(result.sOut, "");
        EXPECT_EQ(result.sErr.rfind("sitefinch-cli: ", 0), 0u) << result.sErr;
        EXPECT_NE(result.sErr.find("Usage: sitefinch-cli build"), std::string::npos);
        EXPECT_TRUE(m_fs.ListFiles().size() == 3) << "nothing may be written";
    }
}

TEST_F(CliToolTest, LongestStartPageStillBuilds) {
    const std::string sStart = "/" + std::string(254, 's') + ".htm";  // 259 characters
    const RunResult result = Run({"build", sStart});
    EXPECT_EQ(result.nExit, 0) << result.sErr;
    EXPECT_TRUE(m_fs.GetFile("/" + std::string(254, 's') + ".idx").has_value());
}

TEST_F(CliToolTest, HelpAndVersionGoToStandardOutput) {
    RunResult result = Run({"--help"});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_NE(result.sOut.find("Usage: sitefinch-cli build START [--index FILE]"),
              std::string::npos);
    EXPECT_EQ(result.sErr, "");

    result = Run({"--version"});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_TRUE(
        std::regex_match(result.sOut, std::regex("sitefinch-cli [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << result.sOut;
    EXPECT_EQ(result.sErr, "");
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

TEST_F(CliToolTest, InterruptStopsTheCrawlAndSavesNothing) {
    volatile std::sig_atomic_t bInterrupted = 0;
    CCliEnvironment env;
    env.pInterrupt = &bInterrupted;
    env.pumpHook = [&bInterrupted] { bInterrupted = 1; };
    const RunResult result = Run({"build", "site/index.htm"}, false, env);
    EXPECT_EQ(result.nExit, 130);
    // The page at the head of the queue is still scanned, but the window is gone.
    EXPECT_EQ(result.sErr, "Start...\n/home/u/site/index.htm\n2 pages, 3 links\n");
    EXPECT_FALSE(m_fs.GetFile("/home/u/site/index.idx").has_value());
}

TEST_F(CliToolTest, InterruptAfterTheCrawlDoesNotUndoTheSave) {
    m_fs.SetFile("/home/u/lone.htm", "<title>Lone</title>\n");
    volatile std::sig_atomic_t bInterrupted = 1;
    CCliEnvironment env;
    env.pInterrupt = &bInterrupted;
    const RunResult result = Run({"build", "lone.htm"}, false, env);
    EXPECT_EQ(result.nExit, 0);
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
    ASSERT_EQ(Run({"build", "site/index.htm"}).nExit, 0);
    struct Case {
        Args args;
        std::string sOut;
    };
    const Case cases[] = {
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult result = Run(c.args);
        EXPECT_EQ(result.nExit, 0);
        EXPECT_EQ(result.sOut, c.sOut);
        EXPECT_EQ(result.sErr, "");
    }
}

TEST_F(CliToolTest, QueryIsCutToNinetyNineBytes) {
    const std::string sText(120, 'a');
    m_fs.SetFile("/home/u/long.idx", sText + "\r\n@/x.htm\r\n");
    const RunResult result = Run({"query", "long.idx", std::string(99, 'a') + "b"});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(result.sOut, sText + "\t/x.htm\n");
}

TEST_F(CliToolTest, QueryOfAMissingIndexExitsOne) {
    const RunResult result = Run({"query", "site/index.htm", "x"});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.sOut, "");
    EXPECT_EQ(result.sErr, "Could not load index file.\n");
}

}  // namespace
}  // namespace sitefinch::test
