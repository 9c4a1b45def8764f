// The texts the index shows in a build's progress window: file failures and the statistics.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sitefinch {

// Lines of the progress list; %s is the file's path.
inline constexpr const char* kOpenFailedFormat = "File %s could not be opened!";
inline constexpr const char* kWriteFailedFormat = "File %s could not be written!";

// Writes "%ld pages, %ld links" into the nCapacity bytes at pszText, cut to fit.
void FormatStatistics(char* pszText, std::size_t nCapacity, std::int32_t nPages,
                      std::int32_t nLinks);

}  // namespace sitefinch
