// The query filter over --entries=N generated texts (100,000 unless told) or the entries of
// --index=FILE, against a plain memmem scan of the same lower-cased texts.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CountingList.h"
#include "RatioReporter.h"
#include "index/LinkIndex.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "support/QuietHost.h"

namespace {

using namespace sitefinch;

constexpr int kEntries = 100000;
const char* const kQueries[] = {"", "ion", "zzz", "e"};

int g_nEntries = kEntries;
std::string g_sIndexFile;

using test::CQuietHost;

using bench::CCountingList;

// Titles and link texts of a documentation site: a few words each, some holding "ion".
std::vector<std::string> MakeTexts(int nEntries) {
    static const char* const kWords[] = {"Printer",  "Setup",   "Installation",  "Guide",
                                         "Network",  "Options", "Configuration", "Index",
                                         "Backup",   "Restore", "Permissions",   "Overview",
                                         "Advanced", "Status",  "Download",      "Help"};
    std::vector<std::string> texts;
    std::uint32_t nSeed = 12345;
    char szNumber[16];
    for (int i = 0; i < nEntries; ++i) {
        std::string sText;
        for (int w = 0; w < 3; ++w) {
            nSeed = nSeed * 1103515245u + 12345u;
            sText += kWords[(nSeed >> 16) % 16];
            sText += ' ';
        }
        std::snprintf(szNumber, sizeof szNumber, "%d", i);
        texts.push_back(sText + szNumber);
    }
    return texts;
}

struct CFixture {
    CQuietHost host;
    CLinkIndex index{NativeFileSystem(), host};
    std::vector<std::string> lowerTexts;  // the baseline's copy, lower-cased once

    CFixture() {
        if (!g_sIndexFile.empty()) {
            if (!index.LoadIndex(g_sIndexFile.c_str())) {
                std::fprintf(stderr, "could not load %s\n", g_sIndexFile.c_str());
            }
        } else {
            for (const std::string& sText : MakeTexts(g_nEntries)) {
                index.AddLinkEntry("/site/page.htm", sText.c_str());
            }
            index.RebuildOrder();
        }
        for (const CIndexEntry& entry : index.GetTree().InOrder()) {
            std::string sLower = entry.GetText();
            CharLowerA(sLower.data());
            lowerTexts.push_back(std::move(sLower));
        }
    }
};

CFixture& Fixture() {
    static CFixture* pFixture = new CFixture;
    return *pFixture;
}

void Filter(benchmark::State& state, const char* pszQuery) {
    CFixture& f = Fixture();
    CCountingList list;
    for (auto _ : state) {
        f.index.FilterEntries(list, pszQuery);
    }
    state.counters["matches"] = static_cast<double>(list.m_nLines);
}

void PlainScan(benchmark::State& state, const char* pszQuery) {
    CFixture& f = Fixture();
    const std::size_t nQuery = std::strlen(pszQuery);
    std::vector<const char*> matches;
    for (auto _ : state) {
        matches.clear();
        for (const std::string& sText : f.lowerTexts) {
            if (::memmem(sText.data(), sText.size(), pszQuery, nQuery) != nullptr) {
                matches.push_back(sText.c_str());
            }
        }
        benchmark::DoNotOptimize(matches.data());
    }
    state.counters["matches"] = static_cast<double>(matches.size());
}

std::string Name(const char* pszKind, const char* pszQuery) {
    return std::string(pszKind) + "/\"" + pszQuery + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    for (const char* pszQuery : kQueries) {
        benchmark::RegisterBenchmark(Name("FilterEntries", pszQuery).c_str(), Filter, pszQuery)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(Name("PlainScan", pszQuery).c_str(), PlainScan, pszQuery)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--entries=")) {
            g_nEntries = std::atoi(argv[i] + std::strlen("--entries="));
        } else if (arg.starts_with("--index=")) {
            g_sIndexFile = argv[i] + std::strlen("--index=");
        } else {
            std::fprintf(stderr, "unknown argument %s (--entries=N, --index=FILE)\n", argv[i]);
            return 1;
        }
    }
    sitefinch::bench::CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* pszQuery : kQueries) {
        const std::string sName = Name("FilterEntries", pszQuery);
        std::printf("query \"%s\": %.2f ms, %.0f rows\n", pszQuery,
                    reporter.Time(sName, "", bench::CRatioReporter::Clock::kWall) / 1000.0,
                    reporter.Counter(sName, "matches"));
        std::fflush(stdout);
        reporter.PrintRatio("FilterEntries / plain scan, query \"" + std::string(pszQuery) + "\"",
                            Name("FilterEntries", pszQuery), Name("PlainScan", pszQuery), 3.0);
    }
    benchmark::Shutdown();
    return 0;
}
