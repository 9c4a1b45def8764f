// Case-insensitive resolution of a path, one component at a time, shared by both file systems.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/DirectoryListing.h"

namespace sitefinch {

// Gives the listing of a directory named by the resolved path so far: "" for the current
// directory, otherwise a prefix that ends with the output separator ("/", "/site/", "c:/").
// Returns null when the directory cannot be listed. The pointer must stay valid until the next
// call.
using ListDirectoryFn = std::function<const CDirectoryListing*(const std::string& sDir)>;

// Resolves sPath, which may use '\' and '/' alike, into a path written with cSeparator. Each
// component is replaced by the entry its directory's listing matches (CDirectoryListing::Match);
// a component nothing matches, and the components "", "." and "..", are kept as written. The
// result has the same length as sPath and its separators at the same places, since CharLowerA
// never changes a length.
std::string ResolvePath(std::string_view sPath, char cSeparator,
                        const ListDirectoryFn& listDirectory);

// sPath with every '\' and '/' turned into cSeparator.
std::string UnifySeparators(std::string_view sPath, char cSeparator);

}  // namespace sitefinch
