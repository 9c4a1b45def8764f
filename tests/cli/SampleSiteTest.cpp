// End-to-end: sitefinch-cli builds and queries a copy of the bundled sample site on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "cli/CliTool.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace sitefinch::test {
namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SampleSiteTest : public ::testing::Test {
protected:
    SampleSiteTest() {
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        fs::copy(fs::path(SITEFINCH_SOURCE_DIR) / "examples" / "site", m_root / "site",
                 fs::copy_options::recursive);
    }
    ~SampleSiteTest() override {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    // Runs the tool in the copy's directory; its paths, lower-cased or not, become "{ROOT}".
    int Run(const std::vector<std::string>& args, std::string& sOut, std::string& sErr) {
        std::ostringstream out;
        std::ostringstream err;
        const int nExit = RunCli(args, out, err, NativeFileSystem(), m_root.string(), false);
        sOut = WithPlaceholder(out.str());
        sErr = WithPlaceholder(err.str());
        return nExit;
    }
    std::string WithPlaceholder(std::string s) const {
        std::string sLower = m_root.string();
        CharLowerA(sLower.data());
        for (const std::string& sRoot : {m_root.string(), sLower}) {
            for (std::size_t n = 0; (n = s.find(sRoot, n)) != std::string::npos;) {
                s.replace(n, sRoot.size(), "{ROOT}");
            }
        }
        return s;
    }

    const fs::path m_root =
        fs::temp_directory_path() / ("sitefinch-cli-e2e-" + std::to_string(getpid()));
};

TEST_F(SampleSiteTest, BuildMatchesTheReviewedGoldenFilesAndQueriesFindItsEntries) {
    std::string sOut;
    std::string sErr;
    ASSERT_EQ(Run({"build", "site/index.htm"}, sOut, sErr), 0) << sErr;
    EXPECT_EQ(sOut, "");
    const fs::path golden = fs::path(SITEFINCH_TEST_DATA_DIR) / "cli";
    EXPECT_EQ(sErr, ReadWhole(golden / "sample-site.stderr"));
    EXPECT_EQ(WithPlaceholder(ReadWhole(m_root / "site" / "index.idx")),
              ReadWhole(golden / "sample-site.idx"));

    // A UTF-8 query finds the text the page wrote as entities; output is UTF-8.
    ASSERT_EQ(Run({"query", "site/index.htm", "gr\xC3\xB6\xC3\x9F"}, sOut, sErr), 0) << sErr;
    EXPECT_EQ(sOut,
              "Schriftgr\xC3\xB6\xC3\x9F"
              "e \xC3\xA4ndern\t{ROOT}/site/settings/preferences.htm#font-size\n");
    ASSERT_EQ(Run({"query", "site/INDEX.idx", "SYNC"}, sOut, sErr), 0) << sErr;
    EXPECT_EQ(sOut,
              "Sync preferences\t{ROOT}/site/settings/preferences.htm#sync\n"
              "Synchronising Devices\t{ROOT}/site/sync/setup.htm\n"
              "Synchronising your devices\t{ROOT}/site/sync/setup.htm\n");
}

}  // namespace
}  // namespace sitefinch::test
