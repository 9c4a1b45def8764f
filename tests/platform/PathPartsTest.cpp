// Tests of splitting, normalising and naming index files, with Windows- and Linux-style paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/PathParts.h"

namespace sitefinch {
namespace {

std::string ToSlashes(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

std::string Normalized(const std::string& sPath, char cSeparator) {
    std::string sBuffer = sPath;
    NormalizePath(sBuffer.data(), cSeparator);
    sBuffer.resize(std::char_traits<char>::length(sBuffer.c_str()));
    EXPECT_LE(sBuffer.size(), sPath.size()) << sPath;
    return sBuffer;
}

TEST(SplitPathTest, SplitsIntoDriveDirectoryNameAndExtension) {
    struct Case {
        const char* pszPath;
        const char* pszDrive;
        const char* pszDir;
        const char* pszName;
        const char* pszExt;
    };
    const Case cases[] = {
        {"c:\\site\\docs\\intro.htm", "c:", "\\site\\docs\\", "intro", ".htm"},
        {"/site/docs/intro.htm", "", "/site/docs/", "intro", ".htm"},
        {"c:/site\\mixed/page.html", "c:", "/site\\mixed/", "page", ".html"},
        {"c:\\site\\index.htm#top", "c:", "\\site\\", "index", ".htm#top"},
        {"c:\\site\\sub#x\\default.htm", "c:", "\\site\\sub#x\\", "default", ".htm"},
        {"c:\\site.d\\readme", "c:", "\\site.d\\", "readme", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"c:", "c:", "", "", ""},
        {"x", "", "", "x", ""},
        {"", "", "", "", ""},
        {"/site/docs/", "", "/site/docs/", "", ""},
        {".hidden", "", "", "", ".hidden"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszPath);
        CPathParts parts;
        SplitPath(c.pszPath, parts);
        EXPECT_STREQ(parts.szDrive, c.pszDrive);
        EXPECT_STREQ(parts.szDir, c.pszDir);
        EXPECT_STREQ(parts.szFileName, c.pszName);
        EXPECT_STREQ(parts.szExt, c.pszExt);
    }
}

TEST(SplitPathTest, CutsPartsThatExceedTheirBuffers) {
    const std::string sLongDir = "/" + std::string(300, 'd') + "/";
    const std::string sLongName = std::string(300, 'n');
    const std::string sLongExt = "." + std::string(300, 'e');
    CPathParts parts;
    SplitPath((sLongDir + sLongName + sLongExt).c_str(), parts);
    EXPECT_EQ(std::string(parts.szDir), sLongDir.substr(0, kDirCapacity - 1));
    EXPECT_EQ(std::string(parts.szFileName), sLongName.substr(0, kFileNameCapacity - 1));
    EXPECT_EQ(std::string(parts.szExt), sLongExt.substr(0, kExtCapacity - 1));
}

TEST(NormalizePathTest, RemovesParentAndCurrentComponentsWithEitherSeparator) {
    struct Case {
        const char* pszPath;
        const char* pszExpected;
    };
    // Written with backslashes; each also runs as its Linux twin with '/' as the separator.
    const Case cases[] = {
        {"c:\\a\\b\\..\\c", "c:\\a\\c"},
        {"c:\\a\\.\\b", "c:\\a\\b"},
        {"c:\\a\\.\\..\\b", "c:\\a\\b"},
        {"c:\\..\\x.htm", "\\x.htm"},
        {"\\..\\x.htm", "\\..\\x.htm"},
        {"\\..\\a\\..\\b", "\\..\\a\\..\\b"},
        {"c:\\site\\docs\\..\\images\\..\\index.htm#top", "c:\\site\\index.htm#top"},
        {"c:\\site\\docs\\../images/../index.htm#top", "c:\\site\\index.htm#top"},
        {"c:\\site\\docs\\..\\..\\..\\x.htm", "\\x.htm"},
        {"c:\\site\\docs\\.\\a.htm", "c:\\site\\docs\\a.htm"},
        {"c:\\a\\.\\.\\b", "c:\\a\\b"},
        {"a\\..\\b", "\\b"},
        {"c:\\a\\..", "c:\\a\\.."},
        {"c:\\a..\\b", "c:\\a..\\b"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszPath);
        EXPECT_EQ(Normalized(c.pszPath, '\\'), c.pszExpected);
        // The twin swaps the separators, so the mixed inputs still mix.
        std::string sTwin = c.pszPath;
        for (char& ch : sTwin) {
            ch = ch == '\\' ? '/' : ch == '/' ? '\\' : ch;
        }
        SCOPED_TRACE(sTwin);
        EXPECT_EQ(Normalized(sTwin, '/'), ToSlashes(c.pszExpected));
    }
}

TEST(MakeIndexFileNameTest, ReplacesTheExtensionWithIdx) {
    struct Case {
        const char* pszStartPage;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"c:\\site\\index.htm", "c:\\site\\index.idx"},
        {"c:\\site\\index.html", "c:\\site\\index.idx"},
        {"/site/index.htm", "/site/index.idx"},
        {"/site/index.html", "/site/index.idx"},
        {"/site.d/readme", "/site.d/readme.idx"},
        {"/site/Start.Page.HTM", "/site/Start.Page.idx"},
        {"page.htm", "page.idx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszStartPage);
        char szOut[kMaxPathCapacity];
        EXPECT_TRUE(MakeIndexFileName(c.pszStartPage, szOut, sizeof szOut));
        EXPECT_STREQ(szOut, c.pszExpected);
    }
}

TEST(MakeIndexFileNameTest, RefusesNamesThatDoNotFit) {
    char szOut[kMaxPathCapacity];
    // "/" + 250 + "/" + 4 + ".idx" = 260 characters: one too many for 260 bytes.
    const std::string sTooLong = "/" + std::string(250, 'd') + "/" + "page.htm";
    EXPECT_FALSE(MakeIndexFileName(sTooLong.c_str(), szOut, sizeof szOut));
    EXPECT_STREQ(szOut, "");
    // One character shorter fits exactly.
    const std::string sFits = "/" + std::string(249, 'd') + "/" + "page.htm";
    EXPECT_TRUE(MakeIndexFileName(sFits.c_str(), szOut, sizeof szOut));
    EXPECT_EQ(std::string(szOut).size(), kMaxPathCapacity - 1);
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
        {"site/index.htm", "/home/u", "/home/u/site/index.htm"},
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
