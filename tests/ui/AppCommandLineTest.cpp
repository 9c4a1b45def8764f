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

TEST(AppCommandLine, RebuildsQuotedText) {
    // The longest start page that fits once made absolute: cwd + '/' + name == 259 bytes.
    const std::string sLongest(kMaxStartPageLength - kCwd.size() - 1, 'x');
    struct Case {
        std::vector<std::string> args;
        std::string sExpected;
        std::string sCwd = kCwd;
    };
    const Case cases[] = {
        {{}, ""},
        {{sLongest}, "\"" + kCwd + "/" + sLongest + "\""},
        // Without a current directory an absolute start page, or none, still works.
        {{"/a/b.htm", "q"}, "\"/a/b.htm\" \"q\"", ""},
        {{"", "q"}, "\"\" \"q\"", ""},
        {{"site/index.htm", "Setup"}, "\"/home/user/docs/site/index.htm\" \"Setup\""},
        {{"", "Setup"}, "\"\" \"Setup\""},
        {{"/abs/./a/../page.html"}, "\"/abs/page.html\""},
        {{"../other//x.htm"}, "\"/home/user/other/x.htm\""},
        {{"a b.htm", "two words"}, "\"/home/user/docs/a b.htm\" \"two words\""},
        // Only the first argument is a path; the others pass as they are.
        {{"p.htm", "../q", "extra"}, "\"/home/user/docs/p.htm\" \"../q\" \"extra\""},
        // After "--" arguments may begin with a dash.
        {{"--", "-page.htm", "-q"}, "\"/home/user/docs/-page.htm\" \"-q\""},
        {{"--", "--help"}, "\"/home/user/docs/--help\""},
        {{"", ""}, "\"\" \"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        const CStartRequest request = ReadArguments(c.args, c.sCwd);
        ASSERT_EQ(request.eAction, EStartAction::Run) << request.sMessage;
        EXPECT_EQ(request.sText, c.sExpected);
    }
}

TEST(AppCommandLine, AnswersInformationalOptions) {
    struct Case {
        std::vector<std::string> args;
        EStartAction eExpected;
    };
    const Case cases[] = {
        {{"--help"}, EStartAction::ShowUsage},
        {{"-h"}, EStartAction::ShowUsage},
        {{"--version"}, EStartAction::ShowVersion},
        {{"page.htm", "--help"}, EStartAction::ShowUsage},
        // Qt's own options are still in argv when FindInfoOption runs.
        {{"-platform", "offscreen", "--version"}, EStartAction::ShowVersion},
        {{"--", "--help"}, EStartAction::Run},
        {{"page.htm"}, EStartAction::Run},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        EXPECT_EQ(FindInfoOption(c.args), c.eExpected);
        EXPECT_EQ(ReadArguments(c.args, kCwd).eAction, c.eExpected);
    }
}

TEST(AppCommandLine, RefusesWhatCannotBeRepresented) {
    const std::string sLongName(kMaxStartPageLength - kCwd.size(), 'x');  // one too many
    struct Case {
        std::vector<std::string> args;
        std::string sCwd;
        std::string sMessagePart;
    };
    const Case cases[] = {
        {{"a\"b.htm"}, kCwd, "double quote"},
        {{"page.htm", "say \"hi\""}, kCwd, "double quote"},
        {{"", "\""}, kCwd, "double quote"},
        {{"-x"}, kCwd, "unknown option -x"},
        {{"page.htm", "-"}, kCwd, "unknown option -"},
        {{sLongName}, kCwd, "longer than 259"},
        {{"relative.htm"}, "", "current directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        const CStartRequest request = ReadArguments(c.args, c.sCwd);
        EXPECT_EQ(request.eAction, EStartAction::Refuse) << request.sText;
        EXPECT_NE(request.sMessage.find(c.sMessagePart), std::string::npos) << request.sMessage;
        EXPECT_TRUE(request.sText.empty());
    }
}

// What the window's tokenizer reads from the rebuilt text must be exactly the arguments given,
// whatever blanks or 8-bit bytes they hold.
TEST(AppCommandLine, TokenizerReadsBackTheArguments) {
    struct Case {
        std::vector<std::string> args;
        std::string sStartPage;
        std::string sQuery;
    };
    const Case cases[] = {
        {{}, "", ""},
        {{"site/index.htm"}, "/home/user/docs/site/index.htm", ""},
        {{"site/index.htm", "Setup"}, "/home/user/docs/site/index.htm", "Setup"},
        {{"", "Setup"}, "", "Setup"},
        {{"", "  padded  "}, "", "  padded  "},
        {{"dir with blanks/p.htm", "a b"}, "/home/user/docs/dir with blanks/p.htm", "a b"},
        {{"\xC4rger.htm", "\xE4rger"}, "/home/user/docs/\xC4rger.htm", "\xE4rger"},
        {{"caf\xC3\xA9.htm", "\xC3\xA9t\xC3\xA9"},
         "/home/user/docs/caf\xC3\xA9.htm",
         "\xC3\xA9t\xC3\xA9"},
        {{"p.htm", "q", "ignored"}, "/home/user/docs/p.htm", "q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        const CStartRequest request = ReadArguments(c.args, kCwd);
        ASSERT_EQ(request.eAction, EStartAction::Run) << request.sMessage;
        const CCommandLineTokens tokens = CCommandLineTokens::Parse(request.sText.c_str());
        EXPECT_EQ(tokens.GetStartPage(), c.sStartPage);
        EXPECT_EQ(tokens.GetQuery(), c.sQuery);
    }
}

}  // namespace
}  // namespace sitefinch
