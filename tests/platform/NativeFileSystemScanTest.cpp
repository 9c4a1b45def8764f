// The native file system during a cached scan gives the answers it gives outside one: directory
// handles, their limit, unreadable and unsearchable directories, files created meanwhile.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/NativeFileSystem.h"

namespace sitefinch {
namespace {

namespace fs = std::filesystem;

class NativeFileSystemScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/sitefinch-scan-XXXXXX";
        ASSERT_NE(::mkdtemp(szTemplate), nullptr);
        m_sDir = szTemplate;
    }
    void TearDown() override {
        // Restore search and read rights so that the tree can be removed.
        for (const char* pszDir : {"noread", "nosearch"}) {
            ::chmod(PathOf(pszDir).c_str(), 0700);
        }
        std::error_code error;
        fs::remove_all(m_sDir, error);
    }
    std::string PathOf(const std::string& sRelative) const { return m_sDir + "/" + sRelative; }
    void Put(const std::string& sRelative, const std::string& sContent = "x") const {
        fs::create_directories(fs::path(PathOf(sRelative)).parent_path());
        std::ofstream(PathOf(sRelative), std::ios::binary) << sContent;
    }
    // Exists and whether OpenForReading succeeds, for each path.
    std::vector<std::string> Answers(const std::vector<std::string>& paths) {
        std::vector<std::string> answers;
        for (const std::string& sPath : paths) {
            answers.push_back(sPath + (m_fs.Exists(sPath.c_str()) ? " exists" : " missing") +
                              (m_fs.OpenForReading(sPath.c_str()) ? " opens" : " fails"));
        }
        return answers;
    }

    std::string m_sDir;
    CNativeFileSystem m_fs;
};

TEST_F(NativeFileSystemScanTest, CachedAnswersEqualUncachedOnes) {
    // More directories than the scan keeps descriptors for, so that the later ones are tested
    // through full paths.
    std::vector<std::string> paths;
    for (int i = 0; i < 300; ++i) {
        const std::string sName = "d" + std::to_string(i) + "/p.htm";
        Put(sName);
        paths.push_back(PathOf(sName));
        paths.push_back(PathOf("d" + std::to_string(i) + "/P.HTM"));  // resolved, not listed
        paths.push_back(PathOf("d" + std::to_string(i) + "/none.htm"));
    }
    Put("noread/page.htm");
    Put("nosearch/page.htm");
    Put("plain/secret.htm");
    Put("plain/Upper.htm");
    fs::create_directories(PathOf("plain/sub"));
    fs::create_symlink("secret.htm", PathOf("plain/link.htm"));
    fs::create_symlink("sub", PathOf("plain/dirlink"));
    fs::create_symlink("gone.htm", PathOf("plain/dangling.htm"));
    ASSERT_EQ(::mkfifo(PathOf("plain/pipe").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(PathOf("plain/secret.htm").c_str(), 0), 0);
    ASSERT_EQ(::chmod(PathOf("noread").c_str(), 0300), 0);    // search only
    ASSERT_EQ(::chmod(PathOf("nosearch").c_str(), 0600), 0);  // list only
    for (const char* pszRelative :
         {"noread/page.htm", "noread/PAGE.htm", "nosearch/page.htm", "nosearch/Page.htm",
          "plain/secret.htm", "plain/upper.htm", "plain/Upper.htm", "plain/sub", "plain/link.htm",
          "plain/dirlink", "plain/dangling.htm", "plain/pipe", "plain/.", "plain/..",
          "plain/sub/../Upper.htm", "plain//Upper.htm", "plain/", "missing/x.htm"}) {
        paths.push_back(PathOf(pszRelative));
    }

    const std::vector<std::string> uncached = Answers(paths);
    m_fs.BeginCachedScan();
    const std::vector<std::string> cached = Answers(paths);
    const std::vector<std::string> cachedAgain = Answers(paths);
    m_fs.EndCachedScan();
    ASSERT_EQ(cached.size(), uncached.size());
    for (std::size_t i = 0; i < cached.size(); ++i) {
        EXPECT_EQ(cached[i], uncached[i]);
        EXPECT_EQ(cachedAgain[i], uncached[i]);
    }
}

TEST_F(NativeFileSystemScanTest, FilesWrittenDuringAScanAreSeenByIt) {
    Put("site/index.htm");
    const std::string sNew = PathOf("site/new.htm");
    const std::string sReplaced = PathOf("site/index.idx");
    m_fs.BeginCachedScan();
    EXPECT_TRUE(m_fs.Exists(PathOf("site/index.htm").c_str()));  // lists the directory
    EXPECT_FALSE(m_fs.Exists(sNew.c_str()));
    auto pFile = m_fs.OpenForWriting(sNew.c_str());
    ASSERT_TRUE(pFile);
    pFile->Close();
    EXPECT_TRUE(m_fs.Exists(sNew.c_str()));
    EXPECT_TRUE(m_fs.OpenForReading(sNew.c_str()));
    pFile = m_fs.OpenForReplacing(sReplaced.c_str());
    ASSERT_TRUE(pFile);
    pFile->Write("e", 1);
    pFile->Close();
    EXPECT_TRUE(m_fs.Exists(sReplaced.c_str()));
    EXPECT_TRUE(m_fs.OpenForReading(sReplaced.c_str()));
    m_fs.EndCachedScan();
}

}  // namespace
}  // namespace sitefinch
