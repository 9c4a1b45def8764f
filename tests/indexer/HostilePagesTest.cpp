// Tests of a crawl over the disk when a link leads to something that is no ordinary page: each
// one is refused like a missing page or read like any page to its end, and the crawl goes on.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "platform/FileSystem.h"
#include "support/Fakes.h"

namespace sitefinch::test {
namespace {

namespace fs = std::filesystem;

// Line-reader pieces are 999 characters and the byte after each is lost, so a line of a multiple
// of 1000 bytes has its next text begin a piece of its own.
constexpr std::size_t kLongLineBytes = 10'000'000;
constexpr std::size_t kRandomBytes = 2 << 20;

class HostilePagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Lower case, as the crawl writes the paths it reports.
        m_sDir = "/tmp/sitefinch-hostile-" + std::to_string(::getpid());
        fs::remove_all(m_sDir);
        ASSERT_TRUE(fs::create_directory(m_sDir));
        Put("index.htm",
            "<title>Home</title>\n<a href=\"x.htm\">Hostile</a>\n"
            "<a href=\"after.htm\">After</a>\n");
        Put("after.htm", "<title>After page</title>\n");
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(m_sDir, error);
    }
    std::string PathOf(const char* pszName) const { return m_sDir + "/" + pszName; }
    void Put(const char* pszName, const std::string& sContent) const {
        std::ofstream(PathOf(pszName), std::ios::binary) << sContent;
    }

    std::string m_sDir;
};

TEST_F(HostilePagesTest, EachIsRefusedOrReadToItsEndAndTheCrawlGoesOn) {
    const bool bRoot = ::geteuid() == 0;
    std::string sRandom(kRandomBytes, '\0');
    std::generate(sRandom.begin(), sRandom.end(), std::mt19937(14));
    const struct {
        const char* pszWhat;
        std::function<void()> make;
        bool bRead;          // read as a page, else refused
        Entries extra = {};  // entries the page gives, targets relative to the site
    } cases[] = {
        {"a FIFO", [this] { ASSERT_EQ(::mkfifo(PathOf("x.htm").c_str(), 0600), 0); }, false},
        {"a link to /dev/zero", [this] { fs::create_symlink("/dev/zero", PathOf("x.htm")); },
         false},
        {"a folder", [this] { fs::create_directory(PathOf("x.htm")); }, false},
        {"a loop of links",
         [this] {
             fs::create_symlink("y.htm", PathOf("x.htm"));
             fs::create_symlink("x.htm", PathOf("y.htm"));
         },
         false},
        {"a 10 MB line",
         [this] {
             Put("x.htm", std::string(kLongLineBytes, 'w') + "<a href=\"end.htm\">End</a>\n");
             Put("end.htm", "");
         },
         true, Entries{{"End", "end.htm"}}},
        {"random bytes", [this, &sRandom] { Put("x.htm", sRandom); }, true},
        {"no read permission",
         [this] {
             Put("x.htm", "<title>Secret</title>\n");
             ASSERT_EQ(::chmod(PathOf("x.htm").c_str(), 0), 0);
         },
         bRoot, Entries{{"Secret", "x.htm"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        std::error_code error;
        fs::remove(PathOf("x.htm"), error);
        fs::remove(PathOf("y.htm"), error);
        c.make();
        FakeHost host;
        CLinkIndex index(NativeFileSystem(), host);
        ASSERT_EQ(index.BuildIndex(PathOf("index.htm").c_str(), PathOf("index.idx").c_str()), 1);

        const std::string sPage = PathOf("x.htm");
        const Strings& lines = host.buildWindows.at(0)->lines;
        const std::string sExpected = c.bRead ? sPage : "File " + sPage + " could not be opened!";
        EXPECT_THAT(lines, ::testing::Contains(sExpected));
        EXPECT_THAT(lines, ::testing::Contains(PathOf("after.htm"))) << "the crawl goes on";

        Entries expected = {
            {"After", "after.htm"}, {"After page", "after.htm"}, {"Home", "index.htm"}};
        if (c.bRead) {
            expected.emplace_back("Hostile", "x.htm");
            expected.insert(expected.end(), c.extra.begin(), c.extra.end());
        }
        for (auto& [sText, sTarget] : expected) {
            sTarget = PathOf(sTarget.c_str());
        }
        EXPECT_THAT(EntriesOf(index), ::testing::UnorderedElementsAreArray(expected));
    }
}

// Opening a FIFO would hand a writer waiting on it a reader that goes away at once: the crawl
// must not even open one.
TEST_F(HostilePagesTest, FifoIsNotEvenOpened) {
    const std::string sFifo = PathOf("x.htm");
    ASSERT_EQ(::mkfifo(sFifo.c_str(), 0600), 0);
    std::atomic<bool> bWriterOpened = false;
    std::thread writer([&] {
        const int fd = ::open(sFifo.c_str(), O_WRONLY);  // blocks until a reader opens it
        bWriterOpened = true;
        ::close(fd);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the writer waits by then
    FakeHost host;
    CLinkIndex index(NativeFileSystem(), host);
    EXPECT_EQ(index.BuildIndex(PathOf("index.htm").c_str(), PathOf("index.idx").c_str()), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(bWriterOpened);
    const int fd = ::open(sFifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets the writer go
    writer.join();
    ::close(fd);
}

}  // namespace
}  // namespace sitefinch::test
