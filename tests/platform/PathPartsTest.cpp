// Tests of splitting, normalising and naming index files, with Windows- and Linux-style paths.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/PathParts.h"

namespace sitefinch {
namespace {

TEST(SplitPathTest, SplitsIntoDriveDirectoryNameAndExtension) {
    // The expected parts joined as "drive|dir|name|ext".
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\site\\docs\\intro.htm", "c:|\\site\\docs\\|intro|.htm"},
        {"c:/site\\mixed/page.html", "c:|/site\\mixed/|page|.html"},
        {"c:\\site\\index.htm#top", "c:|\\site\\|index|.htm#top"},
        {"c:\\site\\sub#x\\default.htm", "c:|\\site\\sub#x\\|default|.htm"},
        {"/site.d/readme", "|/site.d/|readme|"},
        {"archive.tar.gz", "||archive.tar|.gz"},
        {"c:", "c:|||"},
        {"", "|||"},
        {"/site/docs/", "|/site/docs/||"},
        {".hidden", "|||.hidden"},
    };
    for (const auto& [pszPath, pszParts] : cases) {
        SCOPED_TRACE(pszPath);
        CPathParts parts;
        SplitPath(pszPath, parts);
        EXPECT_EQ(std::string(parts.szDrive) + "|" + parts.szDir + "|" + parts.szFileName + "|" +
                      parts.szExt,
                  pszParts);
    }
    // Parts that exceed their buffers are cut.
    const std::string sDir = "/" + std::string(300, 'd') + "/";
    const std::string sName(300, 'n');
    const std::string sExt = "." + std::string(300, 'e');
    CPathParts parts;
    SplitPath((sDir + sName + sExt).c_str(), parts);
    EXPECT_EQ(parts.szDir, sDir.substr(0, kDirCapacity - 1));
    EXPECT_EQ(parts.szFileName, sName.substr(0, kFileNameCapacity - 1));
    EXPECT_EQ(parts.szExt, sExt.substr(0, kExtCapacity - 1));
}

TEST(NormalizePathTest, RemovesParentAndCurrentComponentsWithEitherSeparator) {
    // Written with backslashes; each also runs as its Linux twin with '/' as the separator.
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\a\\.\\..\\b", "c:\\a\\b"},
        {"c:\\..\\x.htm", "\\x.htm"},
        {"\\..\\a\\..\\b", "\\..\\a\\..\\b"},
        {"c:\\site\\docs\\../images/../index.htm#top", "c:\\site\\index.htm#top"},
        {"c:\\site\\docs\\..\\..\\..\\x.htm", "\\x.htm"},
        {"c:\\a\\.\\.\\b", "c:\\a\\b"},
        {"a\\..\\b", "\\b"},
        {"c:\\a\\..", "c:\\a\\.."},
        {"c:\\a..\\b", "c:\\a..\\b"},
        {"", ""},
    };
    for (const auto& [pszPath, pszExpected] : cases) {
        for (const char cSeparator : {'\\', '/'}) {
            // The twin swaps the separators, so the mixed inputs still mix.
            std::string sPath = pszPath;
            std::string sExpected = pszExpected;
            for (std::string* p : {&sPath, &sExpected}) {
                for (char& ch : *p) {
                    ch = cSeparator == '\\' ? ch : ch == '\\' ? '/' : ch == '/' ? '\\' : ch;
                }
            }
            SCOPED_TRACE(sPath);
            std::string sBuffer = sPath;
            NormalizePath(sBuffer.data(), cSeparator);
            EXPECT_EQ(sBuffer.c_str(), sExpected);
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
    };
    for (const auto& [sStartPage, sExpected] : cases) {
        SCOPED_TRACE(sStartPage);
        char szOut[kMaxPathCapacity];
        EXPECT_EQ(MakeIndexFileName(sStartPage.c_str(), szOut, sizeof szOut), !sExpected.empty());
        EXPECT_EQ(szOut, sExpected);
    }
    // A directory cut by the split would name another file, even in a large buffer.
    const std::string sCutDir = "/" + std::string(300, 'd') + "/page.htm";
    char szLarge[1024];
    EXPECT_FALSE(MakeIndexFileName(sCutDir.c_str(), szLarge, sizeof szLarge));
    EXPECT_STREQ(szLarge, "");
}

TEST(MakeAbsoluteNormalPathTest, AnchorsAndCleansPaths) {
    struct Case {
        const char* pszPath;
        const char* pszCurrentDir;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"./site//index.htm", "/home/u/", "/home/u/site/index.htm"},
        {"../other/x.htm", "/home/u", "/home/other/x.htm"},
        {"/abs/./a/../b.htm", "/ignored", "/abs/b.htm"},
        {"../../../../x.htm", "/home/u", "/x.htm"},
        {"site\\docs\\a.htm", "/w", "/w/site/docs/a.htm"},
        {"", "/w", "/w"},
        {"..", "/", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszPath) + " in " + c.pszCurrentDir);
        EXPECT_EQ(MakeAbsoluteNormalPath(c.pszPath, c.pszCurrentDir), c.pszExpected);
    }
}

}  // namespace
}  // namespace sitefinch
