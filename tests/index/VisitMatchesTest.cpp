// The entry-by-entry query against the filter: the same lines with the same targets in the same
// order, for any loaded file.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

using Found = std::vector<std::pair<std::string, std::string>>;  // text, target

const char* const kQueries[] = {"",     "a",        "A B",  "b a", "&", "amp",
                                "\xFC", "\xC3\xBC", "\xDC", "zz",  " ", "a&b"};

// A file of pairs drawn from few letters, so that texts repeat in every case mix, in file order
// or shuffled, with entities, Windows-1252 and UTF-8 letters, empty strings, lost '@'s, every
// line end and lines past the reader's limit.
std::string RandomIndexFile(std::mt19937& random, bool bAscending) {
    const char* const kPieces[] = {"a", "A",    "b",    "B",        " ",  "&amp;",
                                   "&", "\xFC", "\xDC", "\xC3\xBC", "ab", "Ba"};
    const char* const kEnds[] = {"\r\n", "\n", "\r"};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; i < 60; ++i) {
        std::string sText;
        for (int n = static_cast<int>(random() % 5); n > 0; --n) {
            sText += kPieces[random() % std::size(kPieces)];
        }
        if (random() % 40 == 0) {
            sText.append(1200, 'a');
        }
        std::string sTarget = random() % 15 == 0 ? "" : "@/p" + std::to_string(i) + ".htm";
        if (random() % 20 == 0) {
            sTarget = "/lost.htm";
        }
        pairs.emplace_back(sText, sTarget);
    }
    if (bAscending) {
        std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
            return CompareEntryTexts(a.first.c_str(), b.first.c_str()) < 0;
        });
    }
    std::string sFile;
    for (const auto& [sText, sTarget] : pairs) {
        sFile += sText + kEnds[random() % 3] + sTarget + kEnds[random() % 3];
    }
    return sFile;
}

class VisitMatchesTest : public ::testing::Test, protected Site {
protected:
    void ExpectSameForEveryQuery(const std::string& sName) {
        ASSERT_TRUE(index.LoadIndex("/in.idx")) << sName;
        for (const char* pszQuery : kQueries) {
            SCOPED_TRACE(sName + ", query '" + pszQuery + "'");
            FakeResultList list;
            index.FilterEntries(list, pszQuery);
            Found expected;
            for (std::size_t i = 0; i < list.lines.size(); ++i) {
                expected.emplace_back(list.lines[i],
                                      index.GetTargetAt(static_cast<std::int64_t>(i)));
            }
            Found visited;
            index.VisitMatches(pszQuery, [&visited](const CIndexEntry& entry) {
                visited.emplace_back(entry.GetText(), entry.GetTarget());
            });
            EXPECT_EQ(visited, expected);
        }
    }
};

TEST_F(VisitMatchesTest, VisitsWhatTheFilterListsForAnyFile) {
    for (const char* pszName :
         {"saved.idx", "damaged.idx", "damaged-saved.idx", "equal-texts-of-word-length.idx"}) {
        fs.SetFile("/in.idx",
                   ReadWhole(std::string(SITEFINCH_TEST_DATA_DIR) + "/index/" + pszName));
        ExpectSameForEveryQuery(pszName);
    }
    std::mt19937 random(7);
    for (int nFile = 0; nFile < 40; ++nFile) {
        fs.SetFile("/in.idx", RandomIndexFile(random, nFile % 2 == 0));
        ExpectSameForEveryQuery("random file " + std::to_string(nFile));
    }
}

}  // namespace
}  // namespace sitefinch::test
