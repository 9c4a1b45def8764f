// The texts of the in-order list as of one rebuild of the order, which the index and its result
// lists share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace sitefinch {

// Result lists name their lines by number, and a number is 32 bits wide; the index lists no more
// texts than that.
inline constexpr std::size_t kMaxLineTexts = std::numeric_limits<std::uint32_t>::max();

// Filled once by whoever makes it and never changed after it has been handed out (it is shared as
// std::shared_ptr<const CLineTexts>). The texts are the entries' own, which lie in memory that
// this object keeps alive, so they stay readable after the entries are gone.
struct CLineTexts {
    std::shared_ptr<const void> pMemory;  // where the texts lie
    std::vector<const char*> texts;       // zero-terminated, one per line

    std::size_t GetCount() const { return texts.size(); }

    // Text i, zero-terminated; i < GetCount(). Lives as long as this object.
    const char* GetText(std::size_t i) const { return texts[i]; }

    // Text i without its terminating zero; i < GetCount().
    std::string_view GetLine(std::size_t i) const { return std::string_view(texts[i]); }
};

}  // namespace sitefinch
