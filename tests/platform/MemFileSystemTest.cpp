// Tests of the in-memory file system: resolution, atomic replacement and injected failures;
// the index tests lean on its failures further.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/FileError.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

std::string ReadAll(CFile& file) {
    std::string sContent;
    char buffer[7];  // small, so reads take several rounds
    for (std::size_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) {
        sContent.append(buffer, n);
    }
    return sContent;
}

class MemFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* pszPath : {"c:\\site\\docs\\intro.htm", "c:\\site\\index.htm",
                                    "/site/Docs/Page.HTM", "/site/docs/page.htm"}) {
            m_fs.SetFile(pszPath, pszPath);
        }
    }
    // Writes s through a fresh file opened for replacing (or plain writing) and closes it.
    void Save(const char* pszPath, const std::string& s, bool bReplace = true) {
        auto pFile = bReplace ? m_fs.OpenForReplacing(pszPath) : m_fs.OpenForWriting(pszPath);
        ASSERT_TRUE(pFile) << pszPath;
        pFile->Write(s.data(), s.size());
        pFile->Close();
    }
    CMemFileSystem m_fs;
};

TEST_F(MemFileSystemTest, ResolvesCaseAndSeparatorsLikeTheNativeOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:/SITE/DOCS/INTRO.HTM", "c:\\site\\docs\\intro.htm"},
        {"/site/docs/page.htm", "/site/docs/page.htm"},  // exact wins
        {"/SITE/DOCS/PAGE.HTM", "/site/Docs/Page.HTM"},  // else the smallest: "Docs" < "docs"
        {"c:\\\\site\\/docs\\intro.htm", "c:\\site\\docs\\intro.htm"},  // doubled separators
        {"c:\\site\\docs", nullptr},                                    // a directory is no file
        {"site/index.htm", nullptr},  // relative and absolute are different places
    };
    for (const auto& [pszPath, pszContent] : cases) {
        SCOPED_TRACE(pszPath);
        auto pFile = m_fs.OpenForReading(pszPath);
        EXPECT_EQ(m_fs.Exists(pszPath), pszContent != nullptr);
        ASSERT_EQ(pFile != nullptr, pszContent != nullptr);
        if (pFile) {
            EXPECT_EQ(ReadAll(*pFile), pszContent);
            EXPECT_EQ(pFile->GetLength(), static_cast<std::int64_t>(std::strlen(pszContent)));
        }
    }
    // Writing replaces the matching file, or creates the new name as given in the existing
    // directories' spelling.
    Save("C:\\SITE\\INDEX.HTM", "new", false);
    Save("C:\\SITE\\Index.idx", "idx", false);
    EXPECT_EQ(m_fs.ListFiles().count("c:\\site\\index.htm"), 1u);
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "new");
    EXPECT_EQ(m_fs.ListFiles().count("c:\\site\\Index.idx"), 1u);
    EXPECT_FALSE(m_fs.OpenForWriting("c:\\site\\docs"));
    EXPECT_FALSE(m_fs.OpenForReplacing("/site/docs"));
}

TEST_F(MemFileSystemTest, ReplacingTakesEffectOnlyInASuccessfulClose) {
    auto pFile = m_fs.OpenForReplacing("c:/site/index.htm");
    pFile->Write("replaced", 8);
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "c:\\site\\index.htm") << "visible early";
    pFile->Close();
    pFile->Close();  // the second close does nothing
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "replaced");

    pFile = m_fs.OpenForReplacing("c:/site/index.htm");
    pFile->Write("lost", 4);
    pFile.reset();  // destroyed without Close: discarded
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "replaced");

    // A full disk during a plain write keeps what fitted, as a disk would.
    m_fs.FailWritesAfter(2);
    EXPECT_THROW(Save("c:\\site\\docs\\intro.htm", "xyz", false), CFileError);
    EXPECT_EQ(m_fs.GetFile("c:\\site\\docs\\intro.htm"), "xy");

    pFile.reset();
    EXPECT_EQ(m_fs.GetOpenCount(), 0);
}

TEST_F(MemFileSystemTest, InjectedFailuresHitTheirPathsWhateverTheCase) {
    m_fs.SetReadOnly("C:\\Site\\Index.htm");
    EXPECT_FALSE(m_fs.OpenForWriting("c:/site/index.htm"));
    EXPECT_FALSE(m_fs.OpenForReplacing("c:/site/index.htm"));
    EXPECT_TRUE(m_fs.OpenForReading("c:/site/index.htm"));
    m_fs.SetReadOnly("C:\\Site\\Index.htm", false);
    EXPECT_TRUE(m_fs.OpenForReplacing("c:/site/index.htm"));

    m_fs.SetReadOnly("c:\\site\\");  // the directory: nothing in or below it can be written
    EXPECT_FALSE(m_fs.OpenForReplacing("c:\\site\\new.idx"));
    EXPECT_FALSE(m_fs.OpenForWriting("c:\\site\\docs\\intro.htm"));
    EXPECT_TRUE(m_fs.OpenForWriting("/site/Docs/Page.HTM"));

    // A removed file leaves no trace in resolution.
    m_fs.RemoveFile("/site/Docs/Page.HTM");
    EXPECT_EQ(m_fs.GetFile("/SITE/DOCS/PAGE.HTM"), "/site/docs/page.htm");
    m_fs.AddDirectory("/site/Empty");
    Save("/site/empty/file.htm", "");
    EXPECT_EQ(m_fs.ListFiles().count("/site/Empty/file.htm"), 1u);
    m_fs.SetUnreadable("/SITE/DOCS/page.htm");
    EXPECT_FALSE(m_fs.Exists("/site/docs/page.htm"));
    EXPECT_FALSE(m_fs.OpenForReading("/site/docs/page.htm"));
}

}  // namespace
}  // namespace sitefinch
