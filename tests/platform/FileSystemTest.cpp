// Tests of the in-memory and the native file system: resolution, writing, atomic replacement and
// failures. The index tests lean on the in-memory one's injected failures further.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileError.h"
#include "platform/MemFileSystem.h"
#include "platform/NativeFileSystem.h"

namespace sitefinch {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Cases = std::vector<std::pair<std::string, std::string>>;

// What a reader finds at sPath, read in pieces of mixed sizes (the native files serve small reads
// from a larger buffer and let large ones bypass it), or "-" when it cannot be opened. Exists()
// has to agree with opening: a crawl tests links with it before it opens them.
std::string Content(CFileSystem& fileSystem, const std::string& sPath) {
    auto pFile = fileSystem.OpenForReading(sPath.c_str());
    EXPECT_EQ(fileSystem.Exists(sPath.c_str()), pFile != nullptr) << sPath;
    if (!pFile) {
        return "-";
    }
    // One byte more than the length, to catch a read past the end.
    std::string s(static_cast<std::size_t>(pFile->GetLength()) + 1, '\0');
    const std::size_t kPieces[] = {7, 40000, 1, 4096, 200000};
    std::size_t nDone = 0;
    for (std::size_t n, i = 0;
         (n = pFile->Read(&s[nDone], std::min(s.size() - nDone, kPieces[i++ % 5]))) > 0;) {
        nDone += n;
    }
    EXPECT_EQ(nDone + 1, s.size()) << sPath;
    s.resize(nDone);
    return s;
}

// Writes s through a file opened for replacing (or plain writing) and closes it.
void Save(CFileSystem& fileSystem, const std::string& sPath, const std::string& s,
          bool bReplace = true) {
    auto pFile = bReplace ? fileSystem.OpenForReplacing(sPath.c_str())
                          : fileSystem.OpenForWriting(sPath.c_str());
    ASSERT_TRUE(pFile) << sPath;
    pFile->Write(s.data(), s.size());
    pFile->Close();
}

TEST(MemFileSystemTest, ResolvesCaseAndSeparatorsLikeTheNativeOne) {
    CMemFileSystem mem;
    for (const char* pszPath : {"c:\\site\\docs\\intro.htm", "c:\\site\\index.htm",
                                "/site/Docs/Page.HTM", "/site/docs/page.htm"}) {
        mem.SetFile(pszPath, pszPath);
    }
    const std::pair<const char*, const char*> cases[] = {
        {"C:/SITE/DOCS/INTRO.HTM", "c:\\site\\docs\\intro.htm"},
        {"/site/docs/page.htm", "/site/docs/page.htm"},  // exact wins
        {"/SITE/DOCS/PAGE.HTM", "/site/Docs/Page.HTM"},  // else the smallest: "Docs" < "docs"
        {"c:\\\\site\\/docs\\intro.htm", "c:\\site\\docs\\intro.htm"},  // doubled separators
        {"c:\\site\\docs", "-"},                                        // a directory is no file
        {"site/index.htm", "-"},  // relative and absolute are different places
    };
    for (const auto& [pszPath, pszContent] : cases) {
        EXPECT_EQ(Content(mem, pszPath), pszContent) << pszPath;
    }
    // Writing replaces the matching file, or creates the new name as given in the existing
    // directories' spelling.
    Save(mem, "C:\\SITE\\INDEX.HTM", "new", false);
    Save(mem, "C:\\SITE\\Index.idx", "idx", false);
    EXPECT_EQ(mem.GetFile("c:\\site\\index.htm"), "new");
    EXPECT_EQ(mem.ListFiles().count("c:\\site\\Index.idx"), 1u);
    EXPECT_FALSE(mem.OpenForWriting("c:\\site\\docs"));
    EXPECT_FALSE(mem.OpenForReplacing("/site/docs"));
}

class NativeFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/sitefinch-platform-XXXXXX";
        ASSERT_NE(::mkdtemp(szTemplate), nullptr);
        m_sDir = szTemplate;
    }
    void TearDown() override {
        for (const char* pszDir : {"noread", "nosearch"}) {
            ::chmod(PathOf(pszDir).c_str(), 0700);  // or the tree cannot be removed
        }
        std::error_code error;
        fs::remove_all(m_sDir, error);
    }

    std::string PathOf(const std::string& sRelative) const { return m_sDir + "/" + sRelative; }
    void Put(const std::string& sRelative, const std::string& sContent) const {
        fs::create_directories(fs::path(PathOf(sRelative)).parent_path());
        std::ofstream(PathOf(sRelative), std::ios::binary) << sContent;
    }
    std::string At(const std::string& sRelative) { return Content(m_fs, PathOf(sRelative)); }
    // Names in a directory, to catch temporary files left behind.
    Names List(const std::string& sRelativeDir = "") const {
        Names names;
        for (const auto& entry : fs::directory_iterator(PathOf(sRelativeDir))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    int ModeOf(const std::string& sRelative) const {
        return static_cast<int>(fs::status(PathOf(sRelative)).permissions());
    }

    std::string m_sDir;
    CNativeFileSystem m_fs;
};

// Components match case-insensitively (an exact match wins, else the smallest in byte order), and
// what is no readable regular file neither exists nor opens (a FIFO must not block). A cached scan
// gives the same answers through the directory handles it keeps, and through full paths once it
// keeps no more.
TEST_F(NativeFileSystemTest, ResolvesComponentsCaseInsensitivelyWithOrWithoutAScan) {
    Put("SUB/Page.HTM", "page");
    Put("Dir/Doc.htm", "mixed");
    Put("Dir/DOC.htm", "upper");
    Put("\xC4nderung/\xDCmlaut.htm", "1252");
    Put("secret.htm", "x");
    Put("noread/page.htm", "x");
    Put("nosearch/page.htm", "x");
    ASSERT_EQ(::chmod(PathOf("secret.htm").c_str(), 0), 0);
    ASSERT_EQ(::chmod(PathOf("noread").c_str(), 0300), 0);    // search only
    ASSERT_EQ(::chmod(PathOf("nosearch").c_str(), 0600), 0);  // list only
    const bool bRoot = ::access(PathOf("secret.htm").c_str(), R_OK) == 0;
    fs::create_symlink("SUB/Page.HTM", PathOf("link.htm"));
    fs::create_symlink("SUB/gone.htm", PathOf("dangling.htm"));
    fs::create_symlink("SUB", PathOf("dirlink"));
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    Cases cases;
    auto add = [&cases](const char* pszContent, std::initializer_list<const char*> paths) {
        for (const char* pszPath : paths) {
            cases.emplace_back(pszPath, pszContent);
        }
    };
    add("page", {"sub\\PAGE.htm", "./sub/../SUB/page.htm", "sub//PAGE.htm", "LINK.htm",
                 "dirlink/page.htm"});
    add("mixed", {"Dir/Doc.htm"});
    add("upper", {"dir/dOC.htm"});
    add("1252", {"\xE4nderung/\xFCMLAUT.HTM"});
    add("x", {"noread/page.htm"});
    add(bRoot ? "x" : "-",
        {"secret.htm", "noread/PAGE.htm", "nosearch/page.htm", "nosearch/Page.htm"});
    add("-", {"sub/missing.htm", "nodir/page.htm", "sub", "sub/", "sub/.", "sub/..", "dirlink",
              "dangling.htm", "pipe", ""});
    Cases many;  // more directories than a scan keeps handles for
    for (int i = 0; i < 300; ++i) {
        const std::string sDir = "d" + std::to_string(i) + "/";
        Put(sDir + "p.htm", sDir);
        many.insert(many.end(),
                    {{sDir + "p.htm", sDir}, {sDir + "P.HTM", sDir}, {sDir + "none.htm", "-"}});
    }
    auto expect = [this](const Cases& list) {
        for (const auto& [sRelative, sContent] : list) {
            EXPECT_EQ(sRelative.empty() ? Content(m_fs, "") : At(sRelative), sContent) << sRelative;
        }
    };
    for (const int nPass : {0, 1, 2}) {
        SCOPED_TRACE(nPass == 0 ? "uncached" : nPass == 1 ? "with handles" : "handles used up");
        if (nPass > 0) {
            m_fs.BeginCachedScan();
        }
        if (nPass == 2) {
            expect(many);
        }
        expect(cases);
        expect(many);
        m_fs.EndCachedScan();
    }
}

// During a scan too, whose listings and directory handles were made before the files were.
TEST_F(NativeFileSystemTest, WritingFindsTheMatchingFileOrCreatesTheNameAsGiven) {
    Put("Site/Index.IDX", "old");
    m_fs.BeginCachedScan();
    EXPECT_EQ(At("Site/New.idx"), "-");
    EXPECT_EQ(At("SITE/other.idx"), "-");
    Save(m_fs, PathOf("site/index.idx"), "new", false);
    Save(m_fs, PathOf("SITE/New.idx"), "", false);
    Save(m_fs, PathOf("site/Other.idx"), "o");
    EXPECT_EQ(At("Site/Index.IDX"), "new");
    EXPECT_EQ(List("Site"), (Names{"Index.IDX", "New.idx", "Other.idx"}));
    EXPECT_EQ(At("Site/New.idx"), "");
    EXPECT_EQ(At("SITE/other.idx"), "o");
    m_fs.EndCachedScan();
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    for (const char* pszRelative : {"site", "nodir/x.idx", "PIPE"}) {
        EXPECT_FALSE(m_fs.OpenForWriting(PathOf(pszRelative).c_str())) << pszRelative;
        EXPECT_FALSE(m_fs.OpenForReplacing(PathOf(pszRelative).c_str())) << pszRelative;
    }
}

TEST_F(NativeFileSystemTest, ReplacingIsAtomicAndKeepsTheModeAndLinks) {
    Put("Index.idx", "old");
    ASSERT_EQ(::chmod(PathOf("Index.idx").c_str(), 0640), 0);
    auto pFile = m_fs.OpenForReplacing(PathOf("index.IDX").c_str());
    ASSERT_TRUE(pFile);
    pFile->Write("new", 3);
    EXPECT_EQ(At("Index.idx"), "old") << "replaced before Close";
    pFile->Close();
    pFile->Close();  // the second close does nothing
    EXPECT_EQ(At("Index.idx"), "new");
    pFile = m_fs.OpenForReplacing(PathOf("index.IDX").c_str());
    pFile->Write("lost", 4);
    pFile.reset();  // destroyed without Close: the old file stays
    EXPECT_EQ(At("Index.idx"), "new");
    EXPECT_EQ(List(), Names{"Index.idx"}) << "temporary file left";
    EXPECT_EQ(ModeOf("Index.idx"), 0640);

    // A new file gets the usual mode under the umask.
    const mode_t nMask = ::umask(022);
    Save(m_fs, PathOf("fresh.idx"), "");
    ::umask(nMask);
    EXPECT_EQ(ModeOf("fresh.idx"), 0644);

    // Through a symbolic link the link stays and its target is replaced.
    Put("real/index.idx", "old");
    fs::create_directories(PathOf("site"));
    fs::create_symlink("../real/index.idx", PathOf("site/index.idx"));
    Save(m_fs, PathOf("site/INDEX.idx"), "new");
    EXPECT_TRUE(fs::is_symlink(PathOf("site/index.idx")));
    EXPECT_EQ(At("real/index.idx"), "new");
    EXPECT_EQ(List("real"), Names{"index.idx"});
    EXPECT_EQ(List("site"), Names{"index.idx"});
}

TEST_F(NativeFileSystemTest, FailedReplacementLeavesTheOldFile) {
    Put("index.idx", "the previous index");
    auto pFile = m_fs.OpenForReplacing(PathOf("index.idx").c_str());
    ASSERT_TRUE(pFile);
    // A file size limit makes the write fail as a full disk would.
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const struct rlimit limited = {8, saved.rlim_max};
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    EXPECT_THAT([&] { pFile->Write(std::string(100, 'x').data(), 100); },
                ::testing::ThrowsMessage<CFileError>(::testing::HasSubstr(PathOf("index.idx"))));
    EXPECT_THROW(pFile->Close(), CFileError);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(At("index.idx"), "the previous index");
    EXPECT_EQ(List(), Names{"index.idx"});
}

// Long enough for Content() to go round its piece sizes more than once, so that small reads also
// follow a large one that bypassed the buffer while the file goes on.
TEST_F(NativeFileSystemTest, PiecewiseReadsReturnTheWholeFileOnce) {
    std::string sContent;
    for (int i = 0; sContent.size() < 300000; ++i) {
        sContent += std::to_string(i) + ',';
    }
    Put("big.idx", sContent);
    EXPECT_TRUE(At("BIG.idx") == sContent) << "a file read in pieces differs";
}

TEST(ExecutablePathTest, IsTheResolvedPathOfThisProgram) {
    const std::string sPath = GetExecutablePath();
    EXPECT_EQ(fs::path(sPath).filename(), "platform_tests");
    EXPECT_EQ(fs::canonical(sPath).string(), sPath);
}

}  // namespace
}  // namespace sitefinch
