// The query filter's scan: which texts of one contiguous block contain a needle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sitefinch {

// pBlock holds nTexts zero-terminated texts back to back, nBlock bytes in all; text i starts at
// pOffsets[i] (ascending, pOffsets[0] == 0), so every text but the last starts within 4 GiB.
// Appends to matches, in ascending order, the number of every text that contains needle as bytes.
// needle is not empty and holds no zero byte, so a match never runs from one text into the next.
// The block is read once, 16 bytes at a time where the processor allows.
void FindTextsContaining(const char* pBlock, std::size_t nBlock, const std::uint32_t* pOffsets,
                         std::size_t nTexts, std::string_view needle,
                         std::vector<std::uint32_t>& matches);

// The same with memmem over each text alone: the reference the fast scan is tested against.
void FindTextsContainingSimply(const char* pBlock, std::size_t nBlock,
                               const std::uint32_t* pOffsets, std::size_t nTexts,
                               std::string_view needle, std::vector<std::uint32_t>& matches);

}  // namespace sitefinch
