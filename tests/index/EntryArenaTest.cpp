// The entry arena: blocks of every size and alignment apart from each other, before and after a
// reset that reuses the chunks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "index/EntryArena.h"

namespace sitefinch {
namespace {

struct CRequest {
    std::size_t nBytes;
    std::size_t nAlign;
};

// Sizes around a chunk's end, a block of its own and one larger than a chunk, mixed with small
// ones, so that the fast path, a new chunk and a block of its own all follow each other.
constexpr CRequest kRequests[] = {
    {1, 1},
    {40, 8},
    {7, 1},
    {32, 8},
    {64, 64},
    {3, 2},
    {CEntryArena::kChunkBytes / 8, 8},
    {13, 1},
    {CEntryArena::kChunkBytes + 5, 16},
    {CEntryArena::kChunkBytes / 8 - 1, 1},
    {48, 16},
    {0, 1},
};

void FillAndCheck(CEntryArena& arena, int nRounds) {
    std::vector<std::pair<unsigned char*, std::size_t>> blocks;
    unsigned char cFill = 1;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        for (const CRequest& request : kRequests) {
            auto* p = static_cast<unsigned char*>(arena.Allocate(request.nBytes, request.nAlign));
            ASSERT_NE(p, nullptr) << request.nBytes;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % request.nAlign, 0u)
                << request.nBytes << " bytes aligned to " << request.nAlign;
            std::memset(p, cFill, request.nBytes);
            blocks.emplace_back(p, request.nBytes);
            cFill = static_cast<unsigned char>(cFill % 250 + 1);
        }
    }
    // A block that overlapped a later one would have lost its bytes.
    cFill = 1;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto [p, nBytes] = blocks[i];
        for (std::size_t k = 0; k < nBytes; ++k) {
            ASSERT_EQ(p[k], cFill) << "block " << i << " of " << nBytes << " bytes, byte " << k;
        }
        cFill = static_cast<unsigned char>(cFill % 250 + 1);
    }
}

TEST(EntryArenaTest, BlocksStayApartAndAlignedAcrossResets) {
    CEntryArena arena;
    FillAndCheck(arena, 12);
    arena.Reset();
    EXPECT_EQ(arena.GetReservedBytes(), 0u);
    FillAndCheck(arena, 20);  // more than the chunks kept: reused ones and new ones
    const char* psz = arena.CopyString("abc\0def", 7);
    EXPECT_EQ(std::memcmp(psz, "abc\0def\0", 8), 0);
}

}  // namespace
}  // namespace sitefinch
