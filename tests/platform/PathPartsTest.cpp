// Tests of splitting, normalising and naming paths written Windows- or Linux-style, and of the
// table that maps paths to values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/PathParts.h"
#include "platform/PathTable.h"

namespace sitefinch {
namespace {

TEST(SplitPathTest, SplitsIntoDriveDirectoryNameAndExtension) {
    // The expected parts joined as "drive|dir|name|ext".
    const std::pair<const char*, const char*> cases[] = {
        {"c:/site\\mixed/page.html", "c:|/site\\mixed/|page|.html"},
        {"c:\\site\\index.htm#top", "c:|\\site\\|index|.htm#top"},
        {"c:\\site\\sub#x\\default.htm", "c:|\\site\\sub#x\\|default|.htm"},
        {"c:", "c:|||"},
        {"", "|||"},
        {"/site/docs/", "|/site/docs/||"},
        {".hidden", "|||.hidden"},
    };
    CPathParts p;
    for (const auto& [pszPath, pszParts] : cases) {
        SplitPath(pszPath, p);
        EXPECT_EQ(std::string(p.szDrive) + "|" + p.szDir + "|" + p.szFileName + "|" + p.szExt,
                  pszParts)
            << pszPath;
    }
    // Parts that exceed their buffers are cut.
    const std::string sDir = "/" + std::string(300, 'd') + "/", sName(300, 'n'), sExt(300, 'e');
    SplitPath((sDir + sName + "." + sExt).c_str(), p);
    EXPECT_EQ(std::string(p.szDir) + "|" + p.szFileName + "|" + p.szExt,
              sDir.substr(0, kDirCapacity - 1) + "|" + sName.substr(0, kFileNameCapacity - 1) +
                  "|." + sExt.substr(0, kExtCapacity - 2));
}

// s with '/' and '\' swapped when cSeparator is '/', so that a Windows-style case gets a Linux
// twin in which mixed separators still mix.
std::string Twin(std::string s, char cSeparator) {
    for (char& c : s) {
        c = cSeparator == '\\' ? c : c == '\\' ? '/' : c == '/' ? '\\' : c;
    }
    return s;
}

// The rule read plainly: search from the start again after every removal.
std::string ModelNormalize(std::string s, char cSeparator) {
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '/' || c == '\\'; }, cSeparator);
    const std::string sParent = {cSeparator, '.', '.', cSeparator};
    for (std::size_t nAt; (nAt = s.find(sParent)) != std::string::npos && nAt != 0;) {
        const std::size_t nSlash = s.rfind(cSeparator, nAt - 1);
        const std::size_t nFrom = nSlash == std::string::npos ? 0 : nSlash;
        s.erase(nFrom, nAt + sParent.size() - 1 - nFrom);
    }
    const std::string sCurrent = {cSeparator, '.', cSeparator};
    for (std::size_t nAt; (nAt = s.find(sCurrent)) != std::string::npos;) {
        s.erase(nAt, 2);
    }
    return s;
}

// The worked examples hold both the implementation and the model to the rule; then random paths
// dense in separators and dots, where a single-pass rewrite goes wrong first, hold the
// implementation to the model.
TEST(NormalizePathTest, FollowsTheExamplesAndTheRestartingSearchOnRandomPaths) {
    const std::pair<const char*, const char*> examples[] = {
        {"c:\\a\\.\\..\\b", "c:\\a\\b"},
        {"c:\\..\\x.htm", "\\x.htm"},
        {"\\..\\a\\..\\b", "\\..\\a\\..\\b"},
        {"c:\\a\\.\\.\\b", "c:\\a\\b"},
        {"a\\..\\b", "\\b"},
        {"c:\\a\\..", "c:\\a\\.."},
        {"c:\\a..\\b", "c:\\a..\\b"},
    };
    const auto normalized = [](std::string s, char cSeparator) {
        NormalizePath(s.data(), cSeparator);
        return std::string(s.c_str());
    };
    for (const char cSeparator : {'\\', '/'}) {
        for (const auto& [pszPath, pszExpected] : examples) {
            const std::string sPath = Twin(pszPath, cSeparator);
            EXPECT_EQ(normalized(sPath, cSeparator), Twin(pszExpected, cSeparator)) << sPath;
            EXPECT_EQ(ModelNormalize(sPath, cSeparator), Twin(pszExpected, cSeparator)) << sPath;
        }
    }
    std::mt19937 rng(5);
    const char kAlphabet[] = "/\\..ab";
    for (int i = 0; i < 200000; ++i) {
        std::string sPath;
        for (int n = static_cast<int>(rng() % 24); n > 0; --n) {
            sPath += kAlphabet[rng() % (sizeof kAlphabet - 1)];
        }
        for (const char cSeparator : {'/', '\\'}) {
            ASSERT_EQ(normalized(sPath, cSeparator), ModelNormalize(sPath, cSeparator))
                << "path '" << sPath << "' with separator " << cSeparator;
        }
    }
}

TEST(MakeIndexFileNameTest, ReplacesTheExtensionOrRefusesNamesThatDoNotFit) {
    // "/" + 250 + "/page" + ".idx" is 260 characters: one too many for 260 bytes.
    const std::string sFits = "/" + std::string(249, 'd') + "/page";
    const std::pair<std::string, std::string> cases[] = {
        {"c:\\site\\index.htm", "c:\\site\\index.idx"},
        {"/site/index.html", "/site/index.idx"},
        {"/site.d/readme", "/site.d/readme.idx"},
        {"/site/Start.Page.HTM", "/site/Start.Page.idx"},
        {sFits + ".htm", sFits + ".idx"},
        {"/d" + sFits + ".htm", ""},
        // Refused though the extension is dropped: a part of the split was cut.
        {"/site/page." + std::string(300, 'e'), ""},
    };
    for (const auto& [sStartPage, sExpected] : cases) {
        char szOut[kMaxPathCapacity];
        EXPECT_EQ(MakeIndexFileName(sStartPage.c_str(), szOut, sizeof szOut), !sExpected.empty())
            << sStartPage;
        EXPECT_EQ(szOut, sExpected) << sStartPage;
    }
}

TEST(MakeAbsoluteNormalPathTest, AnchorsAndCleansPaths) {
    // Path, current directory, expected.
    const char* const cases[][3] = {
        {"./site//index.htm", "/home/u/", "/home/u/site/index.htm"},
        {"../other/x.htm", "/home/u", "/home/other/x.htm"},
        {"/abs/./a/../b.htm", "/ignored", "/abs/b.htm"},
        {"../../../../x.htm", "/home/u", "/x.htm"},
        {"site\\docs\\a.htm", "/w", "/w/site/docs/a.htm"},
        {"", "/w", "/w"},
        {"..", "/", "/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeAbsoluteNormalPath(c[0], c[1]), c[2]) << c[0] << " in " << c[1];
    }
}

TEST(PathTableTest, MatchesUnorderedMapAcrossGrowthAndClear) {
    std::mt19937 rng(3);
    CPathTable<int> table;
    std::unordered_map<std::string, int> model;
    for (int i = 0; i < 80000; ++i) {
        if (i == 40000) {  // the second half runs on the cleared table
            table.Clear();
            model.clear();
            ASSERT_EQ(table.GetCount(), 0u);
        }
        // Short paths that collide often and differ in case alone, the empty path, and a few
        // longer than a path block.
        const std::uint32_t nKind = rng() % 50;
        const std::string sPath = nKind == 0   ? std::string()
                                  : nKind == 1 ? std::string(70000 + rng() % 3, 'x')
                                               : "/site/d" + std::to_string(rng() % 100) + '/' +
                                                     "Pp"[rng() % 2] + std::to_string(rng() % 400);
        SCOPED_TRACE("step " + std::to_string(i) + ": " + sPath.substr(0, 40));
        const auto it = model.find(sPath);
        int* pValue = table.Find(sPath);
        ASSERT_EQ(pValue != nullptr, it != model.end());
        if (pValue != nullptr) {
            ASSERT_EQ(*pValue, it->second);
            *pValue += 1;  // values are updated in place
            it->second += 1;
        } else {
            ASSERT_EQ(table.Add(sPath, i), i);
            model.emplace(sPath, i);
        }
    }
    EXPECT_EQ(table.GetCount(), model.size());
    for (const auto& [sPath, nValue] : model) {
        const int* pValue = table.Find(sPath);
        EXPECT_EQ(pValue != nullptr ? *pValue : -1, nValue) << sPath.substr(0, 40);
    }
}

}  // namespace
}  // namespace sitefinch
