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

constexpr const char kRootPlaceholder[] = "{ROOT}";

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReplaceAll(std::string s, const std::string& sFrom, const std::string& sTo) {
    for (std::size_t nPos = 0; (nPos = s.find(sFrom, nPos)) != std::string::npos;
         nPos += sTo.size()) {
        s.replace(nPos, sFrom.size(), sTo);
    }
    return s;
}

// A directory of its own under the system's temporary directory, removed with everything in it.
class CTempDir {
public:
    CTempDir() {
        m_path = fs::temp_directory_path() / ("sitefinch-cli-e2e-" + std::to_string(getpid()));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~CTempDir() {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

class SampleSiteTest : public ::testing::Test {
protected:
    SampleSiteTest() {
        fs::copy(fs::path(SITEFINCH_SOURCE_DIR) / "examples" / "site", m_dir.Path() / "site",
                 fs::copy_options::recursive);
        m_sRoot = m_dir.Path().string();
        m_sLowerRoot = m_sRoot;
        CharLowerA(m_sLowerRoot.data());
    }

    // The paths of a build are lower-cased, the index file's name is not.
    std::string WithPlaceholder(const std::string& s) const {
        return ReplaceAll(ReplaceAll(s, m_sRoot, kRootPlaceholder), m_sLowerRoot, kRootPlaceholder);
    }

    int Run(const std::vector<std::string>& args, std::string& sOut, std::string& sErr) {
        std::ostringstream out;
        std::ostringstream err;
        const int nExit = RunCli(args, out, err, NativeFileSystem(), m_sRoot, false);
        sOut = out.str();
        sErr = err.str();
        return nExit;
    }

    CTempDir m_dir;
    std::string m_sRoot;
    std::string m_sLowerRoot;
};

TEST_F(SampleSiteTest, BuildMatchesTheReviewedGoldenFiles) {
    std::string sOut;
    std::string sErr;
    ASSERT_EQ(Run({"build", "site/index.htm"}, sOut, sErr), 0) << sErr;
    EXPECT_EQ(sOut, "");
    const fs::path golden = fs::path(SITEFINCH_TEST_DATA_DIR) / "cli";
    EXPECT_EQ(WithPlaceholder(sErr), ReadWhole(golden / "sample-site.stderr"));
    EXPECT_EQ(WithPlaceholder(ReadWhole(m_dir.Path() / "site" / "index.idx")),
              ReadWhole(golden / "sample-site.idx"));
}

TEST_F(SampleSiteTest, QueryFindsEntriesOfTheBuiltIndex) {
    std::string sOut;
    std::string sErr;
    ASSERT_EQ(Run({"build", "site/index.htm"}, sOut, sErr), 0) << sErr;

    // A UTF-8 query finds the text the page wrote as entities; output is UTF-8.
    ASSERT_EQ(Run({"query", "site/index.htm", "gr\xC3\xB6\xC3\x9F"}, sOut, sErr), 0) << sErr;
    EXPECT_EQ(WithPlaceholder(sOut),
              "Schriftgr\xC3\xB6\xC3\x9F"
              "e \xC3\xA4ndern\t{ROOT}/site/settings/preferences.htm#font-size\n");

    ASSERT_EQ(Run({"query", "site/INDEX.idx", "SYNC"}, sOut, sErr), 0) << sErr;
    EXPECT_EQ(WithPlaceholder(sOut),
              "Sync preferences\t{ROOT}/site/settings/preferences.htm#sync\n"
              "Synchronising Devices\t{ROOT}/site/sync/setup.htm\n"
              "Synchronising your devices\t{ROOT}/site/sync/setup.htm\n");
}

}  // namespace
}  // namespace sitefinch::test
