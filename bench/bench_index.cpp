// Loading a 100,000-entry and a 1,000,000-entry index file against a plain read-and-split of the
// same file, and the height of the entry tree after a million ascending insertions.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RatioReporter.h"
#include "index/EntryTree.h"
#include "index/LinkEntry.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "support/QuietHost.h"

namespace {

using namespace sitefinch;

constexpr int kLoadEntries = 100000;
constexpr int kLargeLoadEntries = 1000000;
constexpr int kTreeEntries = 1000000;
constexpr const char* kIndexPath = "/site/site.idx";
constexpr const char* kLargeIndexPath = "/site/large.idx";

using test::CQuietHost;

// Ascending texts, as a saved index delivers them, with realistic targets: about 6 MB for
// 100,000 entries.
std::string MakeIndexFile(int nEntries) {
    static const char* const kTopics[] = {"Configuration", "Installation", "Printing",
                                          "Troubleshooting", "Network settings"};
    std::string sFile;
    char szRecord[256];
    for (int i = 0; i < nEntries; ++i) {
        std::snprintf(szRecord, sizeof szRecord,
                      "Entry %07d %s\r\n@/home/user/site/docs/chapter%02d/page%06d.htm#s%d\r\n", i,
                      kTopics[i % 5], i % 40, i, i % 7);
        sFile += szRecord;
    }
    return sFile;
}

// The large file is made only when a benchmark asks for it.
CMemFileSystem& FileSystem(const char* pszPath) {
    static CMemFileSystem* pFs = new CMemFileSystem;
    if (!pFs->Exists(pszPath)) {
        pFs->SetFile(pszPath,
                     MakeIndexFile(std::string_view(pszPath) == kLargeIndexPath ? kLargeLoadEntries
                                                                                : kLoadEntries));
    }
    return *pFs;
}

void LoadIndex(benchmark::State& state, const char* pszPath) {
    CQuietHost host;
    CLinkIndex index(FileSystem(pszPath), host);
    for (auto _ : state) {
        if (!index.LoadIndex(pszPath)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(index.GetTree().GetHead());
    }
    state.counters["entries"] = static_cast<double>(index.GetTree().GetCount());
}

// What any loader has to do at least: read the file, split it into lines, copy the pairs.
void ReadAndSplit(benchmark::State& state, const char* pszPath) {
    for (auto _ : state) {
        std::unique_ptr<CFile> pFile = FileSystem(pszPath).OpenForReading(pszPath);
        std::string sContent(static_cast<std::size_t>(pFile->GetLength()), '\0');
        sContent.resize(pFile->Read(sContent.data(), sContent.size()));
        pFile->Close();
        std::vector<std::pair<std::string, std::string>> pairs;
        std::size_t nPos = 0;
        std::string sText;
        bool bHaveText = false;
        while (nPos < sContent.size()) {
            std::size_t nEnd = sContent.find('\n', nPos);
            if (nEnd == std::string::npos) {
                nEnd = sContent.size();
            }
            std::size_t nLineEnd = nEnd;
            if (nLineEnd > nPos && sContent[nLineEnd - 1] == '\r') {
                --nLineEnd;
            }
            if (bHaveText) {
                pairs.emplace_back(std::move(sText),
                                   sContent.substr(nPos + 1, nLineEnd - nPos - 1));
                bHaveText = false;
            } else {
                sText.assign(sContent, nPos, nLineEnd - nPos);
                bHaveText = true;
            }
            nPos = nEnd + 1;
        }
        benchmark::DoNotOptimize(pairs.data());
    }
}

int g_nTreeHeight = 0;

void InsertAscending(benchmark::State& state) {
    char szText[32];
    for (auto _ : state) {
        CEntryTree tree;
        for (int i = 0; i < kTreeEntries; ++i) {
            std::snprintf(szText, sizeof szText, "Entry %07d", i);
            const CEntryMemory memory = tree.GetEntryMemory();
            std::unique_ptr<CIndexEntry> pEntry(new (memory) CLinkEntry(memory, "t", szText));
            tree.Insert(pEntry);
        }
        g_nTreeHeight = tree.GetHeight();
        state.counters["height"] = g_nTreeHeight;
    }
}

BENCHMARK_CAPTURE(LoadIndex, 100k, kIndexPath)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadAndSplit, 100k, kIndexPath)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadIndex, 1M, kLargeIndexPath)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadAndSplit, 1M, kLargeIndexPath)->Unit(benchmark::kMillisecond);
BENCHMARK(InsertAscending)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    sitefinch::bench::CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("LoadIndex / read-and-split, 100,000 entries", "LoadIndex/100k",
                        "ReadAndSplit/100k", 2.0);
    reporter.PrintRatio("LoadIndex / read-and-split, 1,000,000 entries", "LoadIndex/1M",
                        "ReadAndSplit/1M", 2.0);
    if (g_nTreeHeight > 0) {
        const double dBound = 1.44 * std::log2(static_cast<double>(kTreeEntries) + 2.0);
        std::printf(
            "Tree height after %d ascending insertions: %d (AVL bound 1.44*log2(n+2) = %.1f)\n",
            kTreeEntries, g_nTreeHeight, dBound);
    }
    benchmark::Shutdown();
    return 0;
}
