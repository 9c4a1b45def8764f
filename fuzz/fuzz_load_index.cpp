// Fuzzes loading an index file: any bytes must load without a fault, and what was loaded must
// save and load again to the very same entries.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "index/LinkIndex.h"
#include "platform/MemFileSystem.h"
#include "support/IndexWalk.h"
#include "support/QuietHost.h"

namespace {

using sitefinch::fuzz::Check;

using sitefinch::CLinkIndex;
using sitefinch::test::CQuietHost;
using sitefinch::test::InOrderOf;

class CDiscardingList : public sitefinch::CResultList {
public:
    void ReplaceLines(std::shared_ptr<const sitefinch::CLineTexts>,
                      std::vector<std::uint32_t> lines) override {
        m_nLines = lines.size();
    }
    std::size_t m_nLines = 0;
};

using Pairs = sitefinch::test::Entries;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    sitefinch::CMemFileSystem fs;
    fs.SetFile("/site/in.idx", std::string(reinterpret_cast<const char*>(pData), nSize));
    CQuietHost host;
    CLinkIndex index(fs, host);

    Check(index.LoadIndex("/site/in.idx"), "a readable file loads to its end");
    const Pairs loaded = InOrderOf(index);
    Check(loaded.size() == index.GetTree().GetCount(), "the list holds every entry");
    Check(static_cast<std::size_t>(index.GetLinkCount()) == loaded.size(), "links counted");
    for (std::size_t i = 1; i < loaded.size(); ++i) {
        Check(
            sitefinch::CompareEntryTexts(loaded[i - 1].first.c_str(), loaded[i].first.c_str()) < 0,
            "ascending, no duplicates");
    }

    // The first bytes double as a query: every listed line must lead back to an entry.
    CDiscardingList list;
    const std::string sQuery(reinterpret_cast<const char*>(pData), nSize < 4 ? nSize : 4);
    index.FilterEntries(list, sQuery.c_str());
    Check(list.m_nLines == index.GetResultCount() && list.m_nLines <= loaded.size(),
          "result list and position map agree");
    for (std::size_t i = 0; i < list.m_nLines; ++i) {
        Check(index.GetTargetAt(static_cast<std::int64_t>(i)) != nullptr, "line has a target");
    }

    Check(index.SaveIndex("/site/out.idx"), "save succeeds");
    const std::string sSaved = fs.GetFile("/site/out.idx").value_or("<missing>");
    Check(index.LoadIndex("/site/out.idx"), "the saved file loads");
    Check(InOrderOf(index) == loaded, "a saved index loads to the same entries");
    Check(index.SaveIndex("/site/again.idx"), "second save succeeds");
    Check(fs.GetFile("/site/again.idx") == sSaved, "saving is stable");
    Check(fs.GetOpenCount() == 0, "no file left open");
    return 0;
}
