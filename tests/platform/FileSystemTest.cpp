// Tests of the native file system: resolution, writing, atomic replacement and failures.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileError.h"
#include "platform/NativeFileSystem.h"

namespace sitefinch {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Cases = std::vector<std::pair<std::string, std::string>>;

class NativeFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/sitefinch-platform-XXXXXX";
        ASSERT_NE(::mkdtemp(szTemplate), nullptr);
        m_sDir = szTemplate;
    }
    void TearDown() override {
        ::chmod(PathOf("noread").c_str(), 0700);  // or the tree cannot be removed
        ::chmod(PathOf("nosearch").c_str(), 0700);
        std::error_code error;
        fs::remove_all(m_sDir, error);
    }

    std::string PathOf(const std::string& sRelative) const { return m_sDir + "/" + sRelative; }
    void Put(const std::string& sRelative, const std::string& sContent) const {
        fs::create_directories(fs::path(PathOf(sRelative)).parent_path());
        std::ofstream(PathOf(sRelative), std::ios::binary) << sContent;
    }
    // What a reader finds at a path relative to the directory ("" stands for the empty path), read
    // in pieces of mixed sizes (small reads are served from a larger buffer, large ones bypass
    // it), or "-" when it cannot be opened. Exists() has to agree with opening: a crawl tests
    // links with it before it opens them.
    std::string At(const std::string& sRelative) {
        const std::string sPath = sRelative.empty() ? "" : PathOf(sRelative);
        auto pFile = m_fs.OpenForReading(sPath.c_str());
        EXPECT_EQ(m_fs.Exists(sPath.c_str()), pFile != nullptr) << sPath;
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
    void Save(const std::string& sRelative, const std::string& s, bool bReplace = true) {
        auto pFile = bReplace ? m_fs.OpenForReplacing(PathOf(sRelative).c_str())
                              : m_fs.OpenForWriting(PathOf(sRelative).c_str());
        ASSERT_TRUE(pFile) << sRelative;
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
        const std::string s = "d" + std::to_string(i) + "/";
        Put(s + "p.htm", s);
        many.insert(many.end(), {{s + "p.htm", s}, {s + "P.HTM", s}, {s + "none.htm", "-"}});
    }
    for (const int nPass : {0, 1, 2}) {
        SCOPED_TRACE(nPass == 0 ? "uncached" : nPass == 1 ? "with handles" : "handles used up");
        if (nPass > 0) {
            m_fs.BeginCachedScan();
        }
        for (const Cases* pCases : {nPass < 2 ? &cases : &many, nPass < 2 ? &many : &cases}) {
            for (const auto& [sRelative, sContent] : *pCases) {
                EXPECT_EQ(At(sRelative), sContent) << sRelative;
            }
        }
        m_fs.EndCachedScan();
    }
}

// During a scan too, whose listings and directory handles were made before the files were.
TEST_F(NativeFileSystemTest, WritingFindsTheMatchingFileOrCreatesTheNameAsGiven) {
    Put("Site/Index.IDX", "old");
    m_fs.BeginCachedScan();
    EXPECT_EQ(At("Site/New.idx") + At("SITE/other.idx"), "--");
    Save("site/index.idx", "new", false);
    Save("SITE/New.idx", "", false);
    Save("site/Other.idx", "o");
    EXPECT_EQ(List("Site"), (Names{"Index.IDX", "New.idx", "Other.idx"}));
    EXPECT_EQ(At("Site/Index.IDX") + "|" + At("Site/New.idx") + "|" + At("SITE/other.idx"),
              "new||o");
    m_fs.EndCachedScan();
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    for (const char* pszRelative : {"site", "nodir/x.idx", "PIPE"}) {
        EXPECT_FALSE(m_fs.OpenForWriting(PathOf(pszRelative).c_str())) << pszRelative;
        EXPECT_FALSE(m_fs.OpenForReplacing(PathOf(pszRelative).c_str())) << pszRelative;
    }
}

// Each way a replacement can be written keeps the same promises.
class ReplacingTest : public NativeFileSystemTest,
                      public ::testing::WithParamInterface<CNativeFileSystem::EReplaceMode> {
protected:
    void SetUp() override {
        NativeFileSystemTest::SetUp();
        m_fs.SetReplaceMode(GetParam());
    }
};
INSTANTIATE_TEST_SUITE_P(EveryWay, ReplacingTest,
                         ::testing::Values(CNativeFileSystem::EReplaceMode::kUnnamedLinked,
                                           CNativeFileSystem::EReplaceMode::kUnnamedCopied,
                                           CNativeFileSystem::EReplaceMode::kNamed),
                         [](const auto& info) {
                             return std::string(std::array{"UnnamedLinked", "UnnamedCopied",
                                                           "Named"}[static_cast<int>(info.param)]);
                         });

TEST_P(ReplacingTest, ReplacingIsAtomicAndKeepsTheModeAndLinks) {
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
    EXPECT_EQ(fs::status(PathOf("Index.idx")).permissions(), fs::perms(0640));

    // A new file gets the usual mode under the umask.
    const mode_t nMask = ::umask(022);
    Save("fresh.idx", "");
    ::umask(nMask);
    EXPECT_EQ(fs::status(PathOf("fresh.idx")).permissions(), fs::perms(0644));

    // Through a symbolic link (relative to its own directory, not the current one) the link
    // stays and its target is replaced.
    Put("real/index.idx", "old");
    fs::create_symlink("real/index.idx", PathOf("link.idx"));
    Save("LINK.idx", "new");
    EXPECT_TRUE(fs::is_symlink(PathOf("link.idx")));
    EXPECT_EQ(At("real/index.idx"), "new");
    // Not one temporary file is left, from the abandoned replacement either.
    EXPECT_EQ(List(), (Names{"Index.idx", "fresh.idx", "link.idx", "real"}));
    EXPECT_EQ(List("real"), Names{"index.idx"});
}

TEST_P(ReplacingTest, FailedReplacementLeavesTheOldFile) {
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

// A process killed at any moment of a save leaves the old index or the new one, whole, and where
// the file system has unnamed files, nothing beside it. The child saves two large versions in
// turn, in small writes as an index is saved, until it is killed.
TEST_F(NativeFileSystemTest, SaveKilledAtAnyMomentLeavesAWholeIndexAndNoLitter) {
    constexpr int kKills = 40;
    constexpr std::size_t kIndexBytes = 2 << 20;
    constexpr std::size_t kPieceBytes = 4096;
    constexpr int kMaxKillDelayUs = 20000;  // a few saves long
    // A cut file differs from every version in its length or its end.
    std::vector<std::string> versions;
    for (const char c : {'o', 'a', 'b'}) {
        versions.push_back(std::string(kIndexBytes - 1, c) + '\n');
    }
    Put("index.idx", versions[0]);
    const bool bUnnamedFiles = ::close(::open(m_sDir.c_str(), O_TMPFILE | O_WRONLY, 0600)) == 0;

    std::mt19937 random(14);
    std::uniform_int_distribution<int> delayUs(0, kMaxKillDelayUs);
    for (int nKill = 0; nKill < kKills; ++nKill) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (int nSave = 0; nSave < 1000; ++nSave) {
                const std::string& s = versions[1 + nSave % 2];
                auto pFile = m_fs.OpenForReplacing(PathOf("index.idx").c_str());
                for (std::size_t n = 0; pFile && n < s.size(); n += kPieceBytes) {
                    pFile->Write(s.data() + n, std::min(kPieceBytes, s.size() - n));
                }
                pFile->Close();
            }
            ::_exit(0);
        }
        ::usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(pid, SIGKILL);
        int nStatus = 0;
        ASSERT_EQ(::waitpid(pid, &nStatus, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(nStatus)) << "the child should still have been saving";
        const std::string sFound = At("index.idx");
        ASSERT_TRUE(std::find(versions.begin(), versions.end(), sFound) != versions.end())
            << "kill " << nKill << ": the index is damaged (" << sFound.size() << " bytes)";
        // The last steps of a save run in a process of their own, which may still be renaming.
        for (int nWaitedMs = 0; bUnnamedFiles && List() != Names{"index.idx"} && nWaitedMs < 2000;
             ++nWaitedMs) {
            ::usleep(1000);
        }
        ASSERT_TRUE(!bUnnamedFiles || List() == Names{"index.idx"})
            << "kill " << nKill << " left " << ::testing::PrintToString(List());
    }
    if (!bUnnamedFiles) {
        GTEST_SKIP() << "no unnamed files here: litter after a kill is not checked";
    }
}

// Long enough for At() to go round its piece sizes more than once, so that small reads also
// follow a large one that bypassed the buffer while the file goes on.
TEST_F(NativeFileSystemTest, PiecewiseReadsReturnTheWholeFileOnce) {
    std::string sContent(300000, '\0');  // without a period that a misplaced refill could hide
    std::generate(sContent.begin(), sContent.end(), std::mt19937(1));
    Put("big.idx", sContent);
    EXPECT_TRUE(At("BIG.idx") == sContent) << "a file read in pieces differs";
}

}  // namespace
}  // namespace sitefinch
