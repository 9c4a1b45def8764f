// The file system behind a small interface: a native implementation and an in-memory one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "File.h"

namespace sitefinch {

// Paths are taken to be case-insensitive and may use '\' and '/' alike. A path that exists as
// given is used as it is; otherwise it is resolved component by component, comparing names after
// CharLowerA on both sides (an exact match wins, else the smallest name in byte order).
class CFileSystem {
public:
    virtual ~CFileSystem() = default;

    // Opens an existing regular file for reading. Returns null when it cannot be opened
    // (missing, a directory, no permission).
    virtual std::unique_ptr<CFile> OpenForReading(const char* pszPath) = 0;

    // Opens a file for writing: created, or emptied when it exists. Null when that fails.
    virtual std::unique_ptr<CFile> OpenForWriting(const char* pszPath) = 0;

    // Opens a file whose new content replaces pszPath atomically when Close() succeeds: until
    // then, and for ever when writing or closing fails, the file at pszPath keeps its old
    // content. Null when the path exists but cannot be written, is no regular file, or its
    // directory cannot be written.
    virtual std::unique_ptr<CFile> OpenForReplacing(const char* pszPath) = 0;

    // True when a regular file at the path can be opened for reading.
    virtual bool Exists(const char* pszPath) = 0;

    // Directory listings used for case-insensitive resolution may be cached between these two
    // calls (one build); files that exist when BeginCachedScan() is called are seen.
    virtual void BeginCachedScan() {}
    virtual void EndCachedScan() {}
};

// The absolute path of the running executable with symbolic links resolved, or "" when it cannot
// be found.
std::string GetExecutablePath();

// The process-wide native file system. Lives for the whole process.
CFileSystem& NativeFileSystem();

}  // namespace sitefinch
