// Hashing and comparing entry texts with 'A'..'Z' folded, as the entry order compares them.
#include "EntryTextSet.h"

#include <cstdint>

namespace sitefinch {

namespace {

constexpr std::uint64_t kFnvOffsetBasis = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

inline unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}  // namespace

std::size_t CEntryTextSet::CFoldedHash::operator()(std::string_view sText) const {
    // FNV-1a: texts are short, and equal-after-folding texts must hash alike.
    std::uint64_t nHash = kFnvOffsetBasis;
    for (const char c : sText) {
        nHash ^= FoldAscii(static_cast<unsigned char>(c));
        nHash *= kFnvPrime;
    }
    return static_cast<std::size_t>(nHash);
}

bool CEntryTextSet::CFoldedEqual::operator()(std::string_view sA,
                                             std::string_view sB) const noexcept {
    if (sA.size() != sB.size()) {
        return false;
    }
    for (std::size_t i = 0; i < sA.size(); ++i) {
        if (sA[i] != sB[i] && FoldAscii(static_cast<unsigned char>(sA[i])) !=
                                  FoldAscii(static_cast<unsigned char>(sB[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace sitefinch
