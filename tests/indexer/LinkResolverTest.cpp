// Tests of link resolution: the worked examples with both separators, and the edge cases.
#include <array>

#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

constexpr const char kText[] = "Link";
constexpr const char kPage[] = "c:\\site\\docs\\intro.htm";

// The href, the entry's target ("" when no entry is made) and the path queued ("" for none).
using Row = std::array<std::string, 3>;

// The same site under "c:\..." with backslashes and under "/..." with slashes.
std::string ToSlashes(std::string s) {
    s.erase(0, s.rfind("c:\\", 0) == 0 ? 2 : 0);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// Resolves each href on a fresh index whose disk holds `files`, and checks entry and queue, with
// each separator asked for; rows are written for the backslash.
void Check(const std::string& sPage, const Strings& files, const std::vector<Row>& rows,
           const std::string& separators = "\\/") {
    for (const char cSeparator : separators) {
        const auto as = [cSeparator](const std::string& s) {
            return cSeparator == '/' ? ToSlashes(s) : s;
        };
        for (const auto& [sHref, sTarget, sQueued] : rows) {
            SCOPED_TRACE("page \"" + as(sPage) + "\", href \"" + sHref + "\"");
            Site site(cSeparator);
            for (const std::string& sFile : files) {
                site.fs.SetFile(as(sFile), "");
            }
            site.index.ResolveLink(as(sPage).c_str(), sHref.c_str(), kText);
            EXPECT_EQ(EntriesOf(site.index),
                      (sTarget.empty() ? Entries{} : Entries{{kText, as(sTarget)}}));
            EXPECT_EQ(PathsOf(site.index.GetPending()),
                      sQueued.empty() ? Strings() : Strings{as(sQueued)});
            EXPECT_EQ(site.index.GetLinkCount(), sTarget.empty() ? 0 : 1);
        }
    }
}

// The worked examples, the edge cases and the limits, each row with both separators unless one
// is named.
TEST(ResolveLinkTest, ResolvesTheWorkedExamplesTheEdgeCasesAndDropsOverlongLinks) {
    Check(kPage,
          {"c:\\site\\docs\\chapter2.htm", "c:\\site\\index.htm", "c:\\site\\img\\logo.htm",
           "c:\\site\\docs\\sub\\default.htm", "c:\\site\\docs\\page.htm"},
          {
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
          });
    // Without a drive the last "/../" stands at the first character and stays.
    Check(kPage, {}, {{"../../../x.htm", "", "\\x.htm"}}, "\\");
    Check(kPage, {}, {{"../../../x.htm", "", "/../x.htm"}}, "/");

    // A root-relative link prefers the drive root.
    Check(kPage, {"c:\\img\\logo.htm", "c:\\site\\img\\logo.htm"},
          {{"/img/logo.htm", "c:\\img\\logo.htm", "c:\\img\\logo.htm"}});
    Check(kPage, {"c:\\site\\docs\\mailto:me@example.com", "c:\\site\\docs\\logo.gif"},
          {
              {"#Top", "c:\\site\\docs\\intro.htm#Top", ""},
              {"sub#x", "", "c:\\site\\docs\\sub"},
              {"logo.gif", "c:\\site\\docs\\logo.gif", "c:\\site\\docs\\logo.gif"},
              {"mailto:me@example.com", "", ""},
              // Capitals hide the scheme: an ordinary relative name (here one that
              // even exists).
              {"MAILTO:me@example.com", "c:\\site\\docs\\mailto:me@example.com",
               "c:\\site\\docs\\mailto:me@example.com"},
              {"HTTPS://example.com/x.htm", "", ""},
              {"./x.htm?a=b://c", "", ""},
          });
    // A page directly in the drive's root: the fallback's first component is the root itself.
    Check("c:\\page.htm", {}, {{"/x.htm", "", "c:\\\\x.htm"}});
    // A page path without a directory: the fallback adds nothing.
    Check("page.htm", {"x.htm"}, {{"/x.htm", "", "/x.htm"}, {"x.htm", "x.htm", "x.htm"}}, "/");

    // A path that would not fit 199 characters, before or after "default.htm" is added, or a
    // target that would not fit 259, drops the link whole.
    const std::string sDir = "/" + std::string(178, 'd') + "/";  // 180 characters
    const auto f = [](std::size_t n) { return std::string(n, 'f'); };
    Check(sDir + "page.htm", {},
          {
              {f(15) + ".htm", "", sDir + f(15) + ".htm"},     // 199 characters
              {f(16) + ".htm", "", ""},                        // 200
              {f(7), "", sDir + f(7) + "/default.htm"},        // 187, then "/default.htm": 199
              {f(8), "", ""},                                  // 188 + 12
              {f(7) + "/", "", sDir + f(7) + "/default.htm"},  // 188, then "default.htm": 199
              {f(8) + "/", "", ""},                            // 189 + 11
              // Root-relative: too long at once, and too long only for the fallback.
              {"/" + std::string(200, 'r') + ".htm", "", ""},
              {"/" + std::string(185, 'r') + ".htm", "", ""},
          },
          "/");
    const std::string sLongPage = "/" + std::string(245, 'p') + ".htm";  // 250 characters
    Check(sLongPage, {}, {{"#" + f(8), sLongPage + "#" + f(8), ""}, {"#" + f(9), "", ""}}, "/");
}

}  // namespace
}  // namespace sitefinch::test
