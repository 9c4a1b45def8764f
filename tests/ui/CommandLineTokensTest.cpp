// Reading the start page and the query from a command-line text.
#include <gtest/gtest.h>

#include <string>

#include "ui/CommandLineTokens.h"

namespace sitefinch {
namespace {

struct CTokenCase {
    const char* pszText;
    const char* pszStartPage;
    const char* pszQuery;
};

TEST(CommandLineTokensTest, SplitsTheTextIntoStartPageAndQuery) {
    const CTokenCase cases[] = {
        {"", "", ""},
        {"   \t ", "", ""},
        {"\"\" \"Setup\"", "", "Setup"},
        {"\"c:\\site\\index.htm\"   \"Setup\"", "c:\\site\\index.htm", "Setup"},
        {"\"/srv/my site/index.htm\" \"two words\"", "/srv/my site/index.htm", "two words"},
        // Unquoted with blanks and no quotes anywhere: everything is the start page.
        {"c:\\my site\\index.htm Setup", "c:\\my site\\index.htm Setup", ""},
        // An unquoted start page ends at the quote that opens the query, blanks kept.
        {"c:\\site\\index.htm  \"Setup\"", "c:\\site\\index.htm  ", "Setup"},
        // A missing closing quote takes the rest of the text.
        {"\"c:\\site\\index.htm Setup", "c:\\site\\index.htm Setup", ""},
        {"\"a.htm\" \"query without end", "a.htm", "query without end"},
        // Whatever follows the query is ignored; leading blanks are skipped.
        {"  \"a.htm\" \"q\" \"more\" rest", "a.htm", "q"},
        {"\"a.htm\"\"q\"", "a.htm", "q"},
        // An unquoted query runs to the end of the text.
        {"\"a.htm\" Setup guide", "a.htm", "Setup guide"},
        // Bytes above 127 are ordinary characters, not blanks.
        {"\"a.htm\" \"\xE4rger\"", "a.htm", "\xE4rger"},
        {"\"a.htm\" \xE4rger", "a.htm", "\xE4rger"},
    };
    for (const CTokenCase& c : cases) {
        SCOPED_TRACE(std::string("text: [") + c.pszText + "]");
        const CCommandLineTokens tokens = CCommandLineTokens::Parse(c.pszText);
        EXPECT_EQ(tokens.GetStartPage(), c.pszStartPage);
        EXPECT_EQ(tokens.GetQuery(), c.pszQuery);
        EXPECT_FALSE(tokens.IsStartPageTooLong());
    }
    EXPECT_EQ(CCommandLineTokens::Parse(nullptr).GetStartPage(), "");
}

TEST(CommandLineTokensTest, FlagsAStartPageLongerThanItsBufferInsteadOfCuttingIt) {
    const std::string sFits(kStartTokenCapacity - 1, 'a');
    const std::string sTooLong(kStartTokenCapacity, 'a');
    EXPECT_FALSE(
        CCommandLineTokens::Parse(('"' + sFits + "\" \"q\"").c_str()).IsStartPageTooLong());
    const CCommandLineTokens tokens =
        CCommandLineTokens::Parse(('"' + sTooLong + "\" \"q\"").c_str());
    EXPECT_TRUE(tokens.IsStartPageTooLong());
    EXPECT_EQ(tokens.GetStartPage(), sTooLong);
    EXPECT_EQ(tokens.GetQuery(), "q");
}

}  // namespace
}  // namespace sitefinch
