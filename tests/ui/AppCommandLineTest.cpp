// Rebuilding the command-line text from the arguments, and what the window's tokenizer reads back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLineText.h"
#include "ui/CommandLineTokens.h"

namespace sitefinch {
namespace {

const std::string kCwd = "/home/user/docs";

std::string Describe(const std::vector<std::string>& args) {
    std::string s = "args:";
    for (const std::string& arg : args) {
        s += " [" + arg + "]";
    }
    return s;
}

// The nth double-quoted field of a text ("" when there is none).
std::string QuotedField(const std::string& s, int n) {
    std::size_t nClose = std::string::npos;  // npos + 1 == 0: the search starts at the front
    for (int i = 0;; ++i) {
        const std::size_t nOpen = s.find('"', nClose + 1);
        nClose = nOpen == std::string::npos ? nOpen : s.find('"', nOpen + 1);
        if (nClose == std::string::npos) {
            return "";
        }
        if (i == n) {
            return s.substr(nOpen + 1, nClose - nOpen - 1);
        }
    }
}

// Every text rebuilt must read back through the window's tokenizer as the first two fields,
// whatever blanks or 8-bit bytes they hold.
TEST(AppCommandLine, RebuildsQuotedTextThatTheTokenizerReadsBack) {
    // The longest start page that fits once made absolute: cwd + '/' + name == 259 bytes.
    const std::string sLongest(kMaxStartPageLength - kCwd.size() - 1, 'x');
    const struct {
        std::vector<std::string> args;
        std::string sExpected;
        std::string sCwd = kCwd;
    } cases[] = {
        {{}, ""},
        {{sLongest}, "\"" + kCwd + "/" + sLongest + "\""},
        // Without a current directory an absolute start page, or none, still works.
        {{"/a/b.htm", "q"}, "\"/a/b.htm\" \"q\"", ""},
        {{"", "q"}, "\"\" \"q\"", ""},
        {{"site/index.htm", "Setup"}, "\"/home/user/docs/site/index.htm\" \"Setup\""},
        {{"", "  padded  "}, "\"\" \"  padded  \""},
        {{"/abs/./a/../page.html"}, "\"/abs/page.html\""},
        {{"../other//x.htm"}, "\"/home/user/other/x.htm\""},
        {{"a b.htm", "two words"}, "\"/home/user/docs/a b.htm\" \"two words\""},
        {{"\xC4rger.htm", "\xE4rger"}, "\"/home/user/docs/\xC4rger.htm\" \"\xE4rger\""},
        {{"caf\xC3\xA9.htm", "\xC3\xA9t\xC3\xA9"},
         "\"/home/user/docs/caf\xC3\xA9.htm\" \"\xC3\xA9t\xC3\xA9\""},
        // Only the first argument is a path; the others pass as they are.
        {{"p.htm", "../q", "extra"}, "\"/home/user/docs/p.htm\" \"../q\" \"extra\""},
        // After "--" arguments may begin with a dash.
        {{"--", "-page.htm", "-q"}, "\"/home/user/docs/-page.htm\" \"-q\""},
        {{"--", "--help"}, "\"/home/user/docs/--help\""},
        {{"", ""}, "\"\" \"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        const CStartRequest request = ReadArguments(c.args, c.sCwd);
        ASSERT_EQ(request.eAction, EStartAction::Run) << request.sMessage;
        EXPECT_EQ(request.sText, c.sExpected);
        const CCommandLineTokens tokens = CCommandLineTokens::Parse(request.sText.c_str());
        EXPECT_EQ(tokens.GetStartPage(), QuotedField(c.sExpected, 0));
        EXPECT_EQ(tokens.GetQuery(), QuotedField(c.sExpected, 1));
    }
}

TEST(AppCommandLine, AnswersInformationalOptions) {
    const struct {
        std::vector<std::string> args;
        EStartAction eExpected;
    } cases[] = {
        {{"--help"}, EStartAction::ShowUsage},
        {{"-h"}, EStartAction::ShowUsage},
        {{"--version"}, EStartAction::ShowVersion},
        {{"page.htm", "--help"}, EStartAction::ShowUsage},
        // Qt's own options are still in argv when FindInfoOption runs.
        {{"-platform", "offscreen", "--version"}, EStartAction::ShowVersion},
        {{"--", "--help"}, EStartAction::Run},
        {{"page.htm"}, EStartAction::Run},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        EXPECT_EQ(FindInfoOption(c.args), c.eExpected);
        EXPECT_EQ(ReadArguments(c.args, kCwd).eAction, c.eExpected);
    }
}

TEST(AppCommandLine, RefusesWhatCannotBeRepresented) {
    const std::string sLongName(kMaxStartPageLength - kCwd.size(), 'x');  // one too many
    const struct {
        std::vector<std::string> args;
        std::string sCwd;
        std::string sMessagePart;
    } cases[] = {
        {{"a\"b.htm"}, kCwd, "double quote"},
        {{"page.htm", "say \"hi\""}, kCwd, "double quote"},
        {{"", "\""}, kCwd, "double quote"},
        {{"-x"}, kCwd, "unknown option -x"},
        {{"page.htm", "-"}, kCwd, "unknown option -"},
        {{sLongName}, kCwd, "longer than 259"},
        {{"relative.htm"}, "", "current directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        const CStartRequest request = ReadArguments(c.args, c.sCwd);
        EXPECT_EQ(request.eAction, EStartAction::Refuse) << request.sText;
        EXPECT_NE(request.sMessage.find(c.sMessagePart), std::string::npos) << request.sMessage;
        EXPECT_TRUE(request.sText.empty());
    }
}

}  // namespace
}  // namespace sitefinch
