// Tests of the in-memory file system: resolution, atomic replacement and injected failures.
#include <gtest/gtest.h>

#include <string>

#include "platform/FileError.h"
#include "platform/MemFileSystem.h"

namespace sitefinch {
namespace {

std::string ReadAll(CFile& file) {
    std::string sContent;
    char buffer[7];  // small, so reads take several rounds
    for (;;) {
        const std::size_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) {
            return sContent;
        }
        sContent.append(buffer, n);
    }
}

void WriteText(CFile& file, const std::string& s) {
    file.Write(s.data(), s.size());
}

class MemFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_fs.SetFile("c:\\site\\docs\\intro.htm", "intro");
        m_fs.SetFile("c:\\site\\index.htm", "index");
        m_fs.SetFile("/site/Docs/Page.HTM", "upper");
        m_fs.SetFile("/site/docs/page.htm", "lower");
        m_fs.SetFile("/site/Sub/A.htm", "A");
        m_fs.SetFile("/site/sUB/a.htm", "a");
    }
    CMemFileSystem m_fs;
};

TEST_F(MemFileSystemTest, ResolvesCaseAndSeparatorsLikeTheNativeOne) {
    struct Case {
        const char* pszPath;
        const char* pszContent;  // null: no such file
    };
    const Case cases[] = {
        {"c:\\site\\docs\\intro.htm", "intro"},
        {"C:/SITE/DOCS/INTRO.HTM", "intro"},
        {"c:\\site/Index.Htm", "index"},
        {"/site/Docs/Page.HTM", "upper"},  // exact wins
        {"/site/docs/page.htm", "lower"},  // exact wins
        {"/SITE/DOCS/PAGE.HTM", "upper"},  // else the smallest in byte order: "Docs" < "docs"
        {"/site/sub/A.htm", "A"},          // "Sub" < "sUB", then exact "A.htm"
        {"\\site\\docs\\page.htm", "lower"},
        {"c:\\\\site\\/docs\\intro.htm", "intro"},  // doubled separators count once
        {"c:\\site\\docs", nullptr},                // a directory is no file
        {"c:\\site\\docs\\missing.htm", nullptr},
        {"site/index.htm", nullptr},  // relative and absolute are different places
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszPath);
        auto pFile = m_fs.OpenForReading(c.pszPath);
        EXPECT_EQ(m_fs.Exists(c.pszPath), c.pszContent != nullptr);
        ASSERT_EQ(pFile != nullptr, c.pszContent != nullptr);
        if (pFile) {
            EXPECT_EQ(ReadAll(*pFile), c.pszContent);
            EXPECT_EQ(pFile->GetLength(),
                      static_cast<std::int64_t>(std::string(c.pszContent).size()));
        }
    }
}

TEST_F(MemFileSystemTest, WritingReplacesTheMatchingFileOrCreatesTheNameAsGiven) {
    auto pFile = m_fs.OpenForWriting("C:\\SITE\\INDEX.HTM");
    ASSERT_TRUE(pFile);
    WriteText(*pFile, "new");
    pFile->Close();
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "new");
    EXPECT_EQ(m_fs.ListFiles().count("c:\\site\\index.htm"), 1u);

    pFile = m_fs.OpenForWriting("C:\\SITE\\Index.idx");
    ASSERT_TRUE(pFile);
    pFile->Close();
    // The existing directories keep their spelling; the new name is taken as given.
    EXPECT_EQ(m_fs.ListFiles().count("c:\\site\\Index.idx"), 1u);
    EXPECT_EQ(m_fs.GetFile("c:/site/index.IDX"), "");

    EXPECT_FALSE(m_fs.OpenForWriting("c:\\site\\docs"));
    EXPECT_FALSE(m_fs.OpenForReplacing("/site/sub"));
}

TEST_F(MemFileSystemTest, ReplacingTakesEffectOnlyInASuccessfulClose) {
    auto pFile = m_fs.OpenForReplacing("c:/site/index.htm");
    ASSERT_TRUE(pFile);
    WriteText(*pFile, "replaced");
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "index") << "visible before Close";
    pFile->Close();
    pFile->Close();  // the second close does nothing
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "replaced");

    // Destroyed without Close: discarded.
    pFile = m_fs.OpenForReplacing("c:/site/index.htm");
    WriteText(*pFile, "lost");
    pFile.reset();
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "replaced");
    EXPECT_EQ(m_fs.GetOpenCount(), 0);

    // A new file appears only on Close.
    pFile = m_fs.OpenForReplacing("c:/site/new.idx");
    WriteText(*pFile, "n");
    EXPECT_FALSE(m_fs.Exists("c:/site/new.idx"));
    pFile->Close();
    EXPECT_EQ(m_fs.GetFile("c:\\site\\new.idx"), "n");
}

TEST_F(MemFileSystemTest, FailedSavesLeaveTheOldContent) {
    // A full disk during the write: the write raises, and so does the Close after it.
    m_fs.FailWritesAfter(4);
    auto pFile = m_fs.OpenForReplacing("c:\\site\\index.htm");
    ASSERT_TRUE(pFile);
    WriteText(*pFile, "abc");
    EXPECT_THROW(WriteText(*pFile, "def"), CFileError);
    EXPECT_THROW(pFile->Close(), CFileError);
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "index");

    // The same full disk with a plain write keeps what fitted, as a disk would.
    m_fs.FailWritesAfter(2);
    pFile = m_fs.OpenForWriting("c:\\site\\docs\\intro.htm");
    EXPECT_THROW(WriteText(*pFile, "xyz"), CFileError);
    EXPECT_EQ(m_fs.GetFile("c:\\site\\docs\\intro.htm"), "xy");
    pFile.reset();

    m_fs.FailWritesAfter(1 << 20);
    m_fs.FailCommits();
    pFile = m_fs.OpenForReplacing("c:\\site\\index.htm");
    WriteText(*pFile, "complete");
    EXPECT_THROW(pFile->Close(), CFileError);
    EXPECT_EQ(m_fs.GetFile("c:\\site\\index.htm"), "index");
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
    EXPECT_TRUE(m_fs.OpenForWriting("/site/docs/page.htm"));

    m_fs.SetUnreadable("/site/docs/page.htm");
    EXPECT_FALSE(m_fs.Exists("/site/docs/page.htm"));
    EXPECT_FALSE(m_fs.OpenForReading("/site/docs/page.htm"));
    EXPECT_TRUE(m_fs.Exists("/site/Docs/Page.HTM"));

    m_fs.SetFile("/site/long.htm", "0123456789");
    m_fs.FailReadsAfter("/site/long.htm", 4);
    auto pFile = m_fs.OpenForReading("/site/long.htm");
    char buffer[16];
    EXPECT_EQ(pFile->Read(buffer, sizeof buffer), 4u);
    EXPECT_THROW(pFile->Read(buffer, sizeof buffer), CFileError);

    m_fs.FailLength("/site/long.htm");
    pFile = m_fs.OpenForReading("/SITE/LONG.HTM");
    EXPECT_THROW(pFile->GetLength(), CFileError);
    EXPECT_EQ(m_fs.GetOpenCount(), 1);
    pFile.reset();
    EXPECT_EQ(m_fs.GetOpenCount(), 0);
}

TEST_F(MemFileSystemTest, RemovedFilesLeaveNoTraceInResolution) {
    m_fs.RemoveFile("/site/Docs/Page.HTM");
    // "Docs" is gone, so the upper-case path now resolves to the remaining "docs".
    EXPECT_EQ(m_fs.GetFile("/SITE/DOCS/PAGE.HTM"), "lower");
    EXPECT_EQ(m_fs.ListFiles().count("/site/Docs/Page.HTM"), 0u);
    m_fs.AddDirectory("/site/Empty");
    EXPECT_FALSE(m_fs.OpenForWriting("/site/empty"));
    EXPECT_TRUE(m_fs.OpenForWriting("/site/empty/file.htm"));
    EXPECT_EQ(m_fs.ListFiles().count("/site/Empty/file.htm"), 1u);
}

}  // namespace
}  // namespace sitefinch
