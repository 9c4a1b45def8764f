// Tests of the native file system in a temporary directory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/NativeFileSystem.h"

namespace sitefinch {
namespace {

namespace fs = std::filesystem;

class NativeFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/sitefinch-platform-XXXXXX";
        ASSERT_NE(::mkdtemp(szTemplate), nullptr);
        m_sDir = szTemplate;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(m_sDir, error);
    }

    std::string PathOf(const std::string& sRelative) const { return m_sDir + "/" + sRelative; }

    void Put(const std::string& sRelative, const std::string& sContent) const {
        fs::create_directories(fs::path(PathOf(sRelative)).parent_path());
        std::ofstream(PathOf(sRelative), std::ios::binary) << sContent;
    }

    std::string Get(const std::string& sRelative) const {
        std::ifstream in(PathOf(sRelative), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::string ReadVia(const std::string& sPath) {
        auto pFile = m_fs.OpenForReading(sPath.c_str());
        if (!pFile) {
            return "<none>";
        }
        std::string sContent(static_cast<std::size_t>(pFile->GetLength()), '\0');
        EXPECT_EQ(pFile->Read(sContent.data(), sContent.size()), sContent.size());
        char extra = 0;
        EXPECT_EQ(pFile->Read(&extra, 1), 0u) << "read past the end";
        return sContent;
    }

    // Names in the temporary directory, to catch temporary files left behind.
    std::vector<std::string> Names(const std::string& sRelativeDir = "") const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(PathOf(sRelativeDir))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string m_sDir;
    CNativeFileSystem m_fs;
};

TEST_F(NativeFileSystemTest, ResolvesComponentsCaseInsensitively) {
    Put("SUB/Page.HTM", "page");
    Put("Dir/doc.htm", "lower");
    Put("Dir/Doc.htm", "mixed");
    Put("Dir/DOC.htm", "upper");
    Put("\xC4nderung/\xDC"
        "ber.htm",
        "1252");
    struct Case {
        std::string sRelative;
        std::string sContent;
    };
    const Case cases[] = {
        {"SUB/Page.HTM", "page"},
        {"sub/page.htm", "page"},
        {"sub\\PAGE.htm", "page"},
        {"./sub/../SUB/page.htm", "page"},
        {"Dir/doc.htm", "lower"},  // exact match wins
        {"Dir/Doc.htm", "mixed"},
        {"dir/dOC.htm", "upper"},  // else the smallest in byte order
        {"\xE4nderung/\xFC"
         "BER.HTM",
         "1252"},
        {"sub/missing.htm", "<none>"},
        {"nodir/page.htm", "<none>"},
        {"sub", "<none>"},  // a directory is no file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sRelative);
        EXPECT_EQ(ReadVia(PathOf(c.sRelative)), c.sContent);
        EXPECT_EQ(m_fs.Exists(PathOf(c.sRelative).c_str()), c.sContent != "<none>");
    }
    // The same holds while listings are cached for a build.
    m_fs.BeginCachedScan();
    EXPECT_EQ(ReadVia(PathOf("SUB/PAGE.htm")), "page");
    EXPECT_EQ(ReadVia(PathOf("dir/dOC.htm")), "upper");
    m_fs.EndCachedScan();
}

TEST_F(NativeFileSystemTest, WritingReplacesTheMatchingFileOrCreatesTheNameAsGiven) {
    Put("Site/Index.IDX", "old");
    auto pFile = m_fs.OpenForWriting(PathOf("site/index.idx").c_str());
    ASSERT_TRUE(pFile);
    pFile->Write("new", 3);
    pFile->Close();
    EXPECT_EQ(Get("Site/Index.IDX"), "new");
    EXPECT_EQ(Names("Site"), std::vector<std::string>{"Index.IDX"});

    pFile = m_fs.OpenForWriting(PathOf("SITE/Other.idx").c_str());
    ASSERT_TRUE(pFile);
    pFile->Close();
    EXPECT_EQ(Names("Site"), (std::vector<std::string>{"Index.IDX", "Other.idx"}));

    EXPECT_FALSE(m_fs.OpenForWriting(PathOf("site").c_str()));
    EXPECT_FALSE(m_fs.OpenForWriting(PathOf("nodir/x.idx").c_str()));
}

TEST_F(NativeFileSystemTest, ReplacingIsAtomicAndKeepsTheMode) {
    Put("Index.idx", "old content");
    ASSERT_EQ(::chmod(PathOf("Index.idx").c_str(), 0640), 0);

    auto pFile = m_fs.OpenForReplacing(PathOf("index.IDX").c_str());
    ASSERT_TRUE(pFile);
    pFile->Write("new", 3);
    EXPECT_EQ(Get("Index.idx"), "old content") << "replaced before Close";
    pFile->Close();
    pFile->Close();
    EXPECT_EQ(Get("Index.idx"), "new");
    EXPECT_EQ(Names(), std::vector<std::string>{"Index.idx"}) << "temporary file left";
    struct stat st;
    ASSERT_EQ(::stat(PathOf("Index.idx").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Destroyed without Close: the old file stays and the temporary file goes.
    pFile = m_fs.OpenForReplacing(PathOf("Index.idx").c_str());
    ASSERT_TRUE(pFile);
    pFile->Write("lost", 4);
    pFile.reset();
    EXPECT_EQ(Get("Index.idx"), "new");
    EXPECT_EQ(Names(), std::vector<std::string>{"Index.idx"});

    // A new file gets the usual mode under the umask.
    const mode_t nMask = ::umask(022);
    pFile = m_fs.OpenForReplacing(PathOf("fresh.idx").c_str());
    ASSERT_TRUE(pFile);
    pFile->Close();
    ::umask(nMask);
    ASSERT_EQ(::stat(PathOf("fresh.idx").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(NativeFileSystemTest, FailedReplacementLeavesTheOldFile) {
    const std::string sOld = "the previous index";
    Put("index.idx", sOld);
    // A file size limit makes the write fail as a full disk would.
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 8;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);

    auto pFile = m_fs.OpenForReplacing(PathOf("index.idx").c_str());
    ASSERT_TRUE(pFile);
    const std::string sNew(100, 'x');
    bool bWriteFailed = false;
    try {
        pFile->Write(sNew.data(), sNew.size());
    } catch (const CFileError& error) {
        bWriteFailed = true;
        EXPECT_NE(std::string(error.what()).find(PathOf("index.idx")), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(bWriteFailed);
    EXPECT_THROW(pFile->Close(), CFileError);

    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(Get("index.idx"), sOld);
    EXPECT_EQ(Names(), std::vector<std::string>{"index.idx"});
}

TEST_F(NativeFileSystemTest, ReplacingThroughASymbolicLinkKeepsTheLink) {
    Put("real/index.idx", "old");
    fs::create_directories(PathOf("site"));
    fs::create_symlink("../real/index.idx", PathOf("site/index.idx"));

    auto pFile = m_fs.OpenForReplacing(PathOf("site/INDEX.idx").c_str());
    ASSERT_TRUE(pFile);
    pFile->Write("new", 3);
    pFile->Close();
    EXPECT_TRUE(fs::is_symlink(PathOf("site/index.idx")));
    EXPECT_EQ(Get("real/index.idx"), "new");
    EXPECT_EQ(Names("real"), std::vector<std::string>{"index.idx"});
    EXPECT_EQ(Names("site"), std::vector<std::string>{"index.idx"});
}

TEST_F(NativeFileSystemTest, RefusesWhatIsNoRegularFile) {
    fs::create_directories(PathOf("dir"));
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    for (const std::string& sName : {std::string("dir"), std::string("pipe")}) {
        SCOPED_TRACE(sName);
        const std::string sPath = PathOf(sName);
        EXPECT_FALSE(m_fs.OpenForReading(sPath.c_str()));  // must not block on the FIFO
        EXPECT_FALSE(m_fs.Exists(sPath.c_str()));
        EXPECT_FALSE(m_fs.OpenForReplacing(sPath.c_str()));
    }
    EXPECT_FALSE(m_fs.OpenForReplacing(PathOf("nodir/index.idx").c_str()));
    EXPECT_FALSE(m_fs.OpenForReading(""));
}

// Reads are served in larger chunks than asked for: pieces of every size, across the chunk
// boundaries and up to the end, must still hand out the file exactly once.
TEST_F(NativeFileSystemTest, PiecewiseReadsReturnTheWholeFileOnce) {
    std::string sContent;
    for (int i = 0; sContent.size() < 100000; ++i) {
        sContent += std::to_string(i) + ',';
    }
    Put("big.idx", sContent);
    for (const std::size_t nPiece : {std::size_t{1}, std::size_t{1000}, std::size_t{4096},
                                     std::size_t{40000}, std::size_t{200000}}) {
        SCOPED_TRACE(nPiece);
        auto pFile = m_fs.OpenForReading(PathOf("BIG.idx").c_str());
        ASSERT_TRUE(pFile);
        std::string sRead;
        std::vector<char> buffer(nPiece);
        std::size_t n;
        // Alternating sizes, so that small reads follow large ones that bypassed the buffer.
        bool bSmall = false;
        while ((n = pFile->Read(buffer.data(),
                                bSmall ? std::min<std::size_t>(nPiece, 7) : nPiece)) > 0) {
            sRead.append(buffer.data(), n);
            bSmall = !bSmall;
        }
        EXPECT_TRUE(sRead == sContent) << "read " << sRead.size() << " of " << sContent.size();
        EXPECT_EQ(pFile->Read(buffer.data(), 1), 0u);
        EXPECT_EQ(pFile->GetLength(), static_cast<std::int64_t>(sContent.size()));
    }
}

// The existence test answers without opening, with the answer opening would give.
TEST_F(NativeFileSystemTest, ExistsMeansARegularFileThatOpensForReading) {
    Put("Site/Page.htm", "page");
    fs::create_symlink("Site/Page.htm", PathOf("link.htm"));
    fs::create_symlink("Site/gone.htm", PathOf("dangling.htm"));
    fs::create_symlink("Site", PathOf("dirlink"));
    Put("secret.htm", "secret");
    ASSERT_EQ(::chmod(PathOf("secret.htm").c_str(), 0), 0);
    const bool bPrivileged = ::access(PathOf("secret.htm").c_str(), R_OK) == 0;  // root
    for (const char* pszName :
         {"Site/Page.htm", "site/PAGE.HTM", "link.htm", "LINK.htm", "dirlink/page.htm",
          "dangling.htm", "dirlink", "site", "secret.htm", "Site/none.htm", "none/Page.htm"}) {
        SCOPED_TRACE(pszName);
        const std::string sPath = PathOf(pszName);
        const bool bOpens = m_fs.OpenForReading(sPath.c_str()) != nullptr;
        EXPECT_EQ(m_fs.Exists(sPath.c_str()), bOpens);
        if (std::string(pszName) == "secret.htm") {
            EXPECT_EQ(bOpens, bPrivileged);
        }
    }
    EXPECT_TRUE(m_fs.Exists(PathOf("site/page.htm").c_str()));
    EXPECT_FALSE(m_fs.Exists(PathOf("dangling.htm").c_str()));
    EXPECT_FALSE(m_fs.Exists(""));
}

TEST(ExecutablePathTest, IsTheResolvedPathOfThisProgram) {
    const std::string sPath = GetExecutablePath();
    ASSERT_FALSE(sPath.empty());
    EXPECT_EQ(sPath.front(), '/');
    EXPECT_EQ(fs::path(sPath).filename(), "platform_tests");
    EXPECT_EQ(fs::canonical(sPath).string(), sPath);
}

}  // namespace
}  // namespace sitefinch
