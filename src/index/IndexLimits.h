// The capacities of the index's text buffers.
#pragma once

#include <cstddef>

#include "platform/PathParts.h"

namespace sitefinch {

// Buffer capacities in bytes; a buffer of N bytes holds N - 1 characters.
inline constexpr std::size_t kTitleCapacity = 200;
inline constexpr std::size_t kHrefCapacity = 200;
inline constexpr std::size_t kLinkTextCapacity = 200;
inline constexpr std::size_t kResolvedPathCapacity = 200;
inline constexpr std::size_t kTargetCapacity = kMaxPathCapacity;  // an entry target is a path
inline constexpr std::size_t kQueryCapacity = 100;
inline constexpr std::size_t kMessageCapacity = 1000;
inline constexpr std::size_t kStatisticsCapacity = 100;

}  // namespace sitefinch
