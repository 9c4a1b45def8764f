// Runs many cycles of build, load and filter of one site on one index, as a long session of the
// program does, and fails when memory grows from cycle to cycle. In the sanitizer build the leak
// check at exit does the judging; elsewhere the resident size is compared.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "index/LinkIndex.h"
#include "platform/FileSystem.h"
#include "support/QuietHost.h"

namespace {

using sitefinch::CBuildProgressWnd;
using sitefinch::CIndexHost;
using sitefinch::CLinkIndex;
using sitefinch::CLoadingWnd;

// --- Result list -----------------------------------------------------------------------------
// It keeps nothing from one cycle to the next but the last lines, so that any growth is the
// index's.

// Holds the last block of lines it was given, as the window's list does.
class CKeepingList : public sitefinch::CResultList {
public:
    void ReplaceLines(std::shared_ptr<const sitefinch::CLineTexts> pTexts,
                      std::vector<std::uint32_t> lines) override {
        m_pTexts = std::move(pTexts);
        m_lines = std::move(lines);
    }
    std::size_t GetCount() const { return m_lines.size(); }

private:
    std::shared_ptr<const sitefinch::CLineTexts> m_pTexts;
    std::vector<std::uint32_t> m_lines;
};

// --- The cycles -------------------------------------------------------------------------------

constexpr int kCycles = 200;
constexpr int kSettledCycle = 10;        // allocator and caches have found their size by then
constexpr double kAllowedGrowth = 0.10;  // resident size after the last cycle over that one
const char* const kQueries[] = {"", "e", "se", "Notes", "zzz-none"};

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long nPages = 0;
    long nResident = 0;
    statm >> nPages >> nResident;
    return nResident * ::sysconf(_SC_PAGESIZE);
}

bool RunCycle(CLinkIndex& index, CKeepingList& list, const char* pszStart, const char* pszIndex) {
    if (index.BuildIndex(pszStart, pszIndex) != 1 || index.GetPageCount() == 0) {
        std::fprintf(stderr, "the build of %s failed\n", pszStart);
        return false;
    }
    const std::size_t nBuilt = index.GetTree().GetCount();
    if (!index.LoadIndex(pszIndex) || index.GetTree().GetCount() != nBuilt) {
        std::fprintf(stderr, "loading %s did not give the %zu entries built\n", pszIndex, nBuilt);
        return false;
    }
    for (const char* pszQuery : kQueries) {
        index.FilterEntries(list, pszQuery);
    }
    index.FilterEntries(list, "");
    return list.GetCount() == nBuilt;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s START_PAGE INDEX_FILE\n", argv[0]);
        return 2;
    }
    sitefinch::test::CQuietHost host(true);
    CKeepingList list;
    long nSettled = 0;
    long nLast = 0;
    {
        CLinkIndex index(sitefinch::NativeFileSystem(), host);
        for (int nCycle = 1; nCycle <= kCycles; ++nCycle) {
            if (!RunCycle(index, list, argv[1], argv[2])) {
                return 1;
            }
            if (nCycle == kSettledCycle) {
                nSettled = ResidentBytes();
            }
        }
        nLast = ResidentBytes();
    }
    ::unlink(argv[2]);
    std::printf("resident after cycle %d: %ld KB, after cycle %d: %ld KB\n", kSettledCycle,
                nSettled / 1024, kCycles, nLast / 1024);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's quarantine holds freed memory back on purpose; its leak check at exit
    // judges this build instead.
    return 0;
#else
    if (nLast > nSettled * (1.0 + kAllowedGrowth)) {
        std::fprintf(stderr, "resident memory grew by more than %.0f%%\n", kAllowedGrowth * 100);
        return 1;
    }
    return 0;
#endif
}
