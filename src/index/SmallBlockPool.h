// Recycling allocator for the many small, short-lived blocks of the index: nodes, entries and
// their strings.
#pragma once

#include <cstddef>

namespace sitefinch {

// Blocks of up to kMaxPooled bytes come from per-thread free lists, one per 16-byte size class,
// refilled 64 KiB at a time; larger blocks go to the global operator new. A freed block is kept
// for reuse and never returned to the system: an index that is cleared and loaded again reuses
// the memory of the previous one instead of churning through malloc. A block must be freed with
// the size it was allocated with. Under AddressSanitizer every block is an ordinary allocation,
// so that use-after-free stays detectable.
// Measured: loading 100,000 entries takes about 30% longer without it (bench_index LoadIndex).
class CSmallBlockPool {
public:
    static constexpr std::size_t kGranularity = 16;
    static constexpr std::size_t kMaxPooled = 512;

    static void* Allocate(std::size_t nBytes);
    static void Free(void* pBlock, std::size_t nBytes) noexcept;
};

}  // namespace sitefinch
