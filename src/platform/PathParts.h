// Splitting and normalising paths written with either separator, and the index file name.
#pragma once

#include <cstddef>
#include <string>

namespace sitefinch {

// The system's separator for paths this program builds.
inline constexpr char kPathSeparator = '/';

// Capacities in bytes (including the terminating zero) of the parts of a split path.
inline constexpr std::size_t kDriveCapacity = 3;
inline constexpr std::size_t kDirCapacity = 256;
inline constexpr std::size_t kFileNameCapacity = 256;
inline constexpr std::size_t kExtCapacity = 256;

// The buffer, in bytes, of a start page, an index file name or the executable path, and the
// longest such path in characters.
inline constexpr std::size_t kMaxPathCapacity = 260;
inline constexpr std::size_t kMaxPathLength = kMaxPathCapacity - 1;

struct CPathParts {
    char szDrive[kDriveCapacity];
    char szDir[kDirCapacity];
    char szFileName[kFileNameCapacity];
    char szExt[kExtCapacity];
};

// Splits a path into drive ("c:" when the second character is a colon), directory (up to and
// including the last '\' or '/', both accepted whatever the system), file name and extension
// (from the last '.' behind the directory on). Each part longer than its buffer is cut.
void SplitPath(const char* pszPath, CPathParts& parts);

// Rewrites a path in place, never making it longer: the other separator becomes cSeparator,
// then every "<sep>..<sep>" is removed together with the component before it (an occurrence at
// the very first character stops the pass), then every "<sep>.<sep>" loses its "<sep>.".
void NormalizePath(char* pszPath, char cSeparator);

// The start page's drive, directory and file name followed by ".idx", into a buffer of
// nCapacity bytes. Returns false, leaving an empty string, when the name does not fit (or a
// part of the split was cut).
bool MakeIndexFileName(const char* pszStartPage, char* pszOut, std::size_t nCapacity);

// Makes a start page absolute against sCurrentDir (itself absolute) and lexically normal: no "."
// or ".." components and no doubled separators. '\\' is taken as a separator too. ".." above the
// root stays at the root.
std::string MakeAbsoluteNormalPath(const std::string& sPath, const std::string& sCurrentDir);

}  // namespace sitefinch
