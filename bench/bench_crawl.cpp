// Cost of a build per page for a small and a large generated site, against one plain read of
// every page of the same site.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "GeneratedSite.h"
#include "RatioReporter.h"
#include "index/LinkIndex.h"
#include "platform/FileSystem.h"
#include "support/QuietHost.h"

namespace {

namespace fs = std::filesystem;
using sitefinch::CLinkIndex;
using sitefinch::bench::CGeneratedSite;

constexpr int kSmallSite = 1000;
constexpr int kLargeSite = 20000;
constexpr std::size_t kReadBlock = 4096;
constexpr double kMinSeconds = 1.0;  // per repetition
constexpr int kRepetitions = 7;

fs::path g_base;
CGeneratedSite* g_pSmall = nullptr;
CGeneratedSite* g_pLarge = nullptr;

void BuildSite(benchmark::State& state, const CGeneratedSite* pSite) {
    const std::string sStart = pSite->pages.front();
    const std::string sIndex = (pSite->root / "index.idx").string();
    sitefinch::test::CQuietHost host(true);
    CLinkIndex index(sitefinch::NativeFileSystem(), host);
    for (auto _ : state) {
        const int nResult = index.BuildIndex(sStart.c_str(), sIndex.c_str());
        if (nResult != 1 || index.GetPageCount() != static_cast<int>(pSite->pages.size())) {
            state.SkipWithError("the build did not reach every page");
            break;
        }
    }
    state.counters["pages"] = static_cast<double>(pSite->pages.size());
}

void ReadSite(benchmark::State& state, const CGeneratedSite* pSite) {
    std::vector<char> buffer(kReadBlock);
    for (auto _ : state) {
        std::size_t nTotal = 0;
        for (const std::string& sPath : pSite->pages) {
            auto pFile = sitefinch::NativeFileSystem().OpenForReading(sPath.c_str());
            std::size_t n;
            while ((n = pFile->Read(buffer.data(), buffer.size())) > 0) {
                nTotal += n;
            }
            pFile->Close();
        }
        benchmark::DoNotOptimize(nTotal);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Each benchmark runs several times, the runs of all of them shuffled together, and the
    // ratios compare the fastest repetition of each: a shared machine's speed drifts over a run
    // and its neighbours only ever add time, so the fastest repetition is the one least
    // disturbed, and a baseline measured minutes apart from its build would otherwise carry the
    // drift into their ratio. The ratios of the medians follow for comparison. Flags given on the
    // command line come later and win.
    std::vector<char*> args(argv, argv + argc);
    char szInterleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + (argc > 0 ? 1 : 0), szInterleave);
    int nArgs = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    argc = nArgs;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    g_base = fs::temp_directory_path() / ("sitefinch-bench-crawl-" + std::to_string(getpid()));
    fs::remove_all(g_base);
    CGeneratedSite small(g_base, kSmallSite);
    CGeneratedSite large(g_base, kLargeSite);
    g_pSmall = &small;
    g_pLarge = &large;

    // Several iterations even of the large site in each repetition, so that the ratios do not
    // hang on one run.
    for (const auto& [pszName, pFunction, pSite] :
         {std::tuple{"ReadSite1000", &ReadSite, g_pSmall},
          std::tuple{"BuildSite1000", &BuildSite, g_pSmall},
          std::tuple{"ReadSite20000", &ReadSite, g_pLarge},
          std::tuple{"BuildSite20000", &BuildSite, g_pLarge}}) {
        benchmark::RegisterBenchmark(pszName, pFunction, pSite)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(kMinSeconds)
            ->Repetitions(kRepetitions)
            ->ComputeStatistics("min", [](const std::vector<double>& values) {
                return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
            });
    }

    sitefinch::bench::CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    for (const char* pszAggregate : {"min", "median"}) {
        const std::string sAggregate = pszAggregate;
        const bool bDecides = sAggregate == "min";
        std::printf("%s\n", bDecides ? "Fastest repetitions:" : "Medians, for comparison:");
        const double dSmall = reporter.Time("BuildSite1000", sAggregate) / kSmallSite;
        const double dLarge = reporter.Time("BuildSite20000", sAggregate) / kLargeSite;
        if (dSmall > 0.0 && dLarge > 0.0) {
            const double dRatio = dLarge / dSmall;
            std::printf("Build cost per page, 20000 / 1000 pages: %.3f (target <= 1.3, %s)\n",
                        dRatio, dRatio <= 1.3 ? "met" : "NOT met");
        }
        reporter.PrintRatio("Build / read, 1000 pages", "BuildSite1000", "ReadSite1000", 3.0,
                            sAggregate);
        reporter.PrintRatio("Build / read, 20000 pages", "BuildSite20000", "ReadSite20000", 3.0,
                            sAggregate);
        std::fflush(stdout);
    }

    std::error_code error;
    fs::remove_all(g_base, error);
    benchmark::Shutdown();
    return 0;
}
