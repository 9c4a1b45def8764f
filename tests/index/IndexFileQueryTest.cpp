// The query answered from the index file alone, against a load followed by the filter: the same
// lines with the same targets in the same order, for any file, and the same failures.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "index/IndexFileQuery.h"
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

class IndexFileQueryTest : public ::testing::Test, protected Site {
protected:
    // What the window would list: a load, then the filter.
    bool LoadAndFilter(const char* pszQuery, Found& found) {
        found.clear();
        if (!index.LoadIndex("/in.idx")) {
            return false;
        }
        FakeResultList list;
        index.FilterEntries(list, pszQuery);
        for (std::size_t i = 0; i < list.lines.size(); ++i) {
            found.emplace_back(list.lines[i], index.GetTargetAt(static_cast<std::int64_t>(i)));
        }
        return true;
    }
    bool QueryFile(const char* pszQuery, Found& found) {
        CIndexFileQuery query;
        const bool bRead = query.Run(fs, "/in.idx", pszQuery);
        found.clear();
        for (const CIndexFileQuery::CFound& entry : query.GetFound()) {
            found.emplace_back(entry.pszText, entry.pszTarget);
        }
        return bRead;
    }
    void ExpectSameForEveryQuery(const std::string& sName) {
        for (const char* pszQuery : kQueries) {
            SCOPED_TRACE(sName + ", query '" + pszQuery + "'");
            Found expected;
            Found actual;
            const bool bLoaded = LoadAndFilter(pszQuery, expected);
            EXPECT_EQ(QueryFile(pszQuery, actual), bLoaded);
            EXPECT_EQ(actual, expected);
        }
    }
};

TEST_F(IndexFileQueryTest, FindsWhatALoadAndTheFilterListForAnyFile) {
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

TEST_F(IndexFileQueryTest, FailsWithNothingFoundWhereALoadFails) {
    std::mt19937 random(1);
    fs.SetFile("/in.idx", RandomIndexFile(random, true));
    fs.FailReadsAfter("/in.idx", 200);
    ExpectSameForEveryQuery("a read failing after 200 bytes");
    fs.FailReadsAfter("/in.idx", std::numeric_limits<std::int64_t>::max());  // off
    fs.FailLength("/in.idx");
    ExpectSameForEveryQuery("a length that cannot be measured");
    fs.RemoveFile("/in.idx");
    ExpectSameForEveryQuery("no file");
    EXPECT_FALSE(CIndexFileQuery().Run(fs, "", "a"));
    EXPECT_EQ(fs.GetOpenCount(), 0);
}

}  // namespace
}  // namespace sitefinch::test
