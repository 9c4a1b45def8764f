// The fuzz targets' assertion: a broken promise aborts, so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace sitefinch::fuzz {

inline void Check(bool bCondition, const char* pszWhat) {
    if (!bCondition) {
        std::fprintf(stderr, "check failed: %s\n", pszWhat);
        std::abort();
    }
}

}  // namespace sitefinch::fuzz
