// The one exception type of the file layer.
#pragma once

#include <stdexcept>
#include <string>

namespace sitefinch {

// Raised by a read, write, length query or close that fails. Only the operations that opened
// the file catch it; opening itself reports failure through its result instead.
class CFileError : public std::runtime_error {
public:
    explicit CFileError(const std::string& sWhat) : std::runtime_error(sWhat) {}
};

}  // namespace sitefinch
