// Tests of the native file system in a temporary directory.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/NativeFileSystem.h"

namespace sitefinch {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

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
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Writes s through the file system (replacing or plain writing) and closes the file.
    void Save(const std::string& sRelative, const std::string& s, bool bReplace = true) {
        const std::string sPath = PathOf(sRelative);
        auto pFile =
            bReplace ? m_fs.OpenForReplacing(sPath.c_str()) : m_fs.OpenForWriting(sPath.c_str());
        ASSERT_TRUE(pFile) << sPath;
        pFile->Write(s.data(), s.size());
        pFile->Close();
    }
    // Names in a directory, to catch temporary files left behind.
    Names List(const std::string& sRelativeDir = "") const {
        Names names;
        for (const auto& entry : fs::directory_iterator(PathOf(sRelativeDir))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    mode_t ModeOf(const std::string& sRelative) const {
        struct stat st {};
        EXPECT_EQ(::stat(PathOf(sRelative).c_str(), &st), 0) << sRelative;
        return st.st_mode & 07777;
    }

    std::string m_sDir;
    CNativeFileSystem m_fs;
};

// Components match case-insensitively (an exact match wins, else the smallest in byte order), and
// the existence test answers without opening, with the answer opening would give: what is no
// regular file neither exists nor opens (a FIFO must not block).
TEST_F(NativeFileSystemTest, ResolvesComponentsCaseInsensitivelyAndExistsMeansOpens) {
    Put("SUB/Page.HTM", "page");
    Put("Dir/Doc.htm", "mixed");
    Put("Dir/DOC.htm", "upper");
    Put("\xC4nderung/\xDCmlaut.htm", "1252");
    Put("secret.htm", "secret");
    ASSERT_EQ(::chmod(PathOf("secret.htm").c_str(), 0), 0);
    const bool bPrivileged = ::access(PathOf("secret.htm").c_str(), R_OK) == 0;  // root
    fs::create_symlink("SUB/Page.HTM", PathOf("link.htm"));
    fs::create_symlink("SUB/gone.htm", PathOf("dangling.htm"));
    fs::create_symlink("SUB", PathOf("dirlink"));
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"sub\\PAGE.htm", "page"},
        {"./sub/../SUB/page.htm", "page"},
        {"Dir/Doc.htm", "mixed"},
        {"dir/dOC.htm", "upper"},
        {"\xE4nderung/\xFCMLAUT.HTM", "1252"},
        {"LINK.htm", "page"},
        {"dirlink/page.htm", "page"},
        {"secret.htm", bPrivileged ? "secret" : nullptr},
        {"sub/missing.htm", nullptr},
        {"nodir/page.htm", nullptr},
        {"sub", nullptr},
        {"dirlink", nullptr},
        {"dangling.htm", nullptr},
        {"pipe", nullptr},
        {"", nullptr},
    };
    for (const bool bCached : {false, true}) {
        if (bCached) {
            m_fs.BeginCachedScan();  // the same holds while listings are cached for a build
        }
        for (const auto& [pszRelative, pszContent] : cases) {
            SCOPED_TRACE(std::string(pszRelative) + (bCached ? " (cached)" : ""));
            const std::string sPath = *pszRelative ? PathOf(pszRelative) : "";
            auto pFile = m_fs.OpenForReading(sPath.c_str());
            EXPECT_EQ(m_fs.Exists(sPath.c_str()), pszContent != nullptr);
            ASSERT_EQ(pFile != nullptr, pszContent != nullptr);
            if (pFile) {
                std::string sContent(static_cast<std::size_t>(pFile->GetLength()), '\0');
                EXPECT_EQ(pFile->Read(sContent.data(), sContent.size()), sContent.size());
                EXPECT_EQ(pFile->Read(sContent.data(), 1), 0u) << "read past the end";
                EXPECT_EQ(sContent, pszContent);
            }
        }
    }
    m_fs.EndCachedScan();
}

TEST_F(NativeFileSystemTest, WritingReplacesTheMatchingFileOrCreatesTheNameAsGiven) {
    Put("Site/Index.IDX", "old");
    Save("site/index.idx", "new", false);
    Save("SITE/Other.idx", "", false);
    EXPECT_EQ(Get("Site/Index.IDX"), "new");
    EXPECT_EQ(List("Site"), (Names{"Index.IDX", "Other.idx"}));
    EXPECT_FALSE(m_fs.OpenForWriting(PathOf("site").c_str()));
    EXPECT_FALSE(m_fs.OpenForWriting(PathOf("nodir/x.idx").c_str()));
    EXPECT_FALSE(m_fs.OpenForReplacing(PathOf("site").c_str()));
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(m_fs.OpenForReplacing(PathOf("PIPE").c_str()));
    EXPECT_FALSE(m_fs.OpenForReplacing(PathOf("nodir/index.idx").c_str()));
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
    EXPECT_EQ(List(), Names{"Index.idx"}) << "temporary file left";
    EXPECT_EQ(ModeOf("Index.idx"), 0640u);

    // Destroyed without Close: the old file stays and the temporary file goes.
    pFile = m_fs.OpenForReplacing(PathOf("Index.idx").c_str());
    pFile->Write("lost", 4);
    pFile.reset();
    EXPECT_EQ(Get("Index.idx"), "new");
    EXPECT_EQ(List(), Names{"Index.idx"});

    // A new file gets the usual mode under the umask.
    const mode_t nMask = ::umask(022);
    Save("fresh.idx", "");
    ::umask(nMask);
    EXPECT_EQ(ModeOf("fresh.idx"), 0644u);

    // Through a symbolic link the link stays and its target is replaced.
    Put("real/index.idx", "old");
    fs::create_directories(PathOf("site"));
    fs::create_symlink("../real/index.idx", PathOf("site/index.idx"));
    Save("site/INDEX.idx", "new");
    EXPECT_TRUE(fs::is_symlink(PathOf("site/index.idx")));
    EXPECT_EQ(Get("real/index.idx"), "new");
    EXPECT_EQ(List("real"), Names{"index.idx"});
    EXPECT_EQ(List("site"), Names{"index.idx"});
}

TEST_F(NativeFileSystemTest, FailedReplacementLeavesTheOldFile) {
    Put("index.idx", "the previous index");
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
    try {
        pFile->Write(sNew.data(), sNew.size());
        ADD_FAILURE() << "the write did not fail";
    } catch (const CFileError& error) {
        EXPECT_NE(std::string(error.what()).find(PathOf("index.idx")), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(pFile->Close(), CFileError);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(Get("index.idx"), "the previous index");
    EXPECT_EQ(List(), Names{"index.idx"});
}

// Reads are served in larger chunks than asked for: pieces of every size, across the chunk
// boundaries and up to the end, must still hand out the file exactly once.
TEST_F(NativeFileSystemTest, PiecewiseReadsReturnTheWholeFileOnce) {
    std::string sContent;
    for (int i = 0; sContent.size() < 100000; ++i) {
        sContent += std::to_string(i) + ',';
    }
    Put("big.idx", sContent);
    for (const std::size_t nPiece : {1, 1000, 4096, 40000, 200000}) {
        SCOPED_TRACE(nPiece);
        auto pFile = m_fs.OpenForReading(PathOf("BIG.idx").c_str());
        ASSERT_TRUE(pFile);
        std::string sRead;
        std::vector<char> buffer(nPiece);
        // Alternating sizes, so that small reads follow large ones that bypassed the buffer.
        bool bSmall = false;
        for (std::size_t n;
             (n = pFile->Read(buffer.data(), bSmall ? std::min<std::size_t>(nPiece, 7) : nPiece)) >
             0;) {
            sRead.append(buffer.data(), n);
            bSmall = !bSmall;
        }
        EXPECT_TRUE(sRead == sContent) << "read " << sRead.size() << " of " << sContent.size();
        EXPECT_EQ(pFile->GetLength(), static_cast<std::int64_t>(sContent.size()));
    }
}

TEST(ExecutablePathTest, IsTheResolvedPathOfThisProgram) {
    const std::string sPath = GetExecutablePath();
    EXPECT_EQ(fs::path(sPath).filename(), "platform_tests");
    EXPECT_EQ(fs::canonical(sPath).string(), sPath);
}

}  // namespace
}  // namespace sitefinch
