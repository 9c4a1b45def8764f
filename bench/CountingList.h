// A result list for benchmarks that keeps nothing but the number of lines it was given.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "index/ResultList.h"

namespace sitefinch::bench {

class CCountingList : public CResultList {
public:
    void ReplaceLines(std::shared_ptr<const CLineTexts> pTexts,
                      std::vector<std::uint32_t> lines) override {
        benchmark::DoNotOptimize(pTexts.get());
        benchmark::DoNotOptimize(lines.data());
        m_nLines = lines.size();
    }
    std::size_t m_nLines = 0;
};

}  // namespace sitefinch::bench
