// The texts of the in-order list as of one rebuild of the order, in one block that the index and
// its result lists share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace sitefinch {

// Result lists name their lines by number, and a number is 32 bits wide; the index lists no more
// texts than that.
inline constexpr std::size_t kMaxLineTexts = std::numeric_limits<std::uint32_t>::max();

// Filled once by whoever makes it and never changed after it has been handed out (it is shared as
// std::shared_ptr<const CLineTexts>). It owns copies of the texts, so it stays readable after the
// entries it was made from are gone.
struct CLineTexts {
    std::string sBytes;                // every text followed by its terminating zero
    std::vector<std::size_t> offsets;  // where text i starts in sBytes; one per text

    std::size_t GetCount() const { return offsets.size(); }

    // Text i, zero-terminated; i < GetCount(). Lives as long as this object.
    const char* GetText(std::size_t i) const { return sBytes.data() + offsets[i]; }

    // Text i without its terminating zero; i < GetCount().
    std::string_view GetLine(std::size_t i) const {
        const std::size_t nEnd = i + 1 < offsets.size() ? offsets[i + 1] : sBytes.size();
        return std::string_view(sBytes.data() + offsets[i], nEnd - offsets[i] - 1);
    }

    // Appends a text as the next line; only while the block is being made.
    void AddLine(std::string_view text) {
        offsets.push_back(sBytes.size());
        sBytes.append(text);
        sBytes.push_back('\0');
    }
};

}  // namespace sitefinch
