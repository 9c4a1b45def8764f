// The file system of the running machine, through POSIX calls.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/DirectoryListing.h"
#include "platform/FileSystem.h"

namespace sitefinch {

// Opens paths as given when they exist, else resolves them case-insensitively one component at a
// time (see CFileSystem). Not thread-safe: the program uses it from one thread.
class CNativeFileSystem : public CFileSystem {
public:
    std::unique_ptr<CFile> OpenForReading(const char* pszPath) override;
    std::unique_ptr<CFile> OpenForWriting(const char* pszPath) override;
    std::unique_ptr<CFile> OpenForReplacing(const char* pszPath) override;
    bool Exists(const char* pszPath) override;
    void BeginCachedScan() override;
    void EndCachedScan() override;

    // The path that the system would be given for pszPath: the path itself when something exists
    // there, else its case-insensitive resolution (components that match nothing stay as given).
    std::string Resolve(const std::string& sPath);

private:
    const CDirectoryListing* ListDirectory(const std::string& sDir);
    // Keeps a cached listing current when this program creates a file during a cached scan.
    void NoteCreated(const std::string& sPath);

    int m_nScanDepth = 0;
    // Listings by directory prefix while a cached scan runs; nullopt for one that cannot be read.
    std::map<std::string, std::optional<CDirectoryListing>> m_cache;
    CDirectoryListing m_scratch;  // the one uncached listing, valid until the next look-up
};

}  // namespace sitefinch
