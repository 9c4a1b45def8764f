// The exit statuses both programs share.
#pragma once

namespace sitefinch {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;  // wrong arguments

}  // namespace sitefinch
