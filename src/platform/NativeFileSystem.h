// The file system of the running machine, through POSIX calls.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DirectoryListing.h"
#include "platform/FileSystem.h"
#include "platform/PathTable.h"

namespace sitefinch {

// Opens paths as given when they exist, else resolves them case-insensitively one component at a
// time (see CFileSystem). Only regular files are opened for reading or writing: anything else is
// refused without being opened. A file opened for replacing is written without a name where the
// file system allows, so that a process killed while saving leaves no file behind. Not
// thread-safe: the program uses it from one thread.
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

    // How a file opened for replacing is written before it is renamed over its target. The
    // program always uses the first; tests choose the others to reach the ways a file system
    // without unnamed files, or without a way to link one, takes.
    enum class EReplaceMode {
        kUnnamedLinked,  // an unnamed file (O_TMPFILE), linked under a temporary name when done
        kUnnamedCopied,  // an unnamed file, copied into a named temporary file when done
        kNamed,          // a named temporary file from the start
    };
    void SetReplaceMode(EReplaceMode eMode) { m_eReplaceMode = eMode; }

private:
    // Forgets the listings and directory handles of a cached scan.
    void DropScanCache();
    const CDirectoryListing* ListDirectory(const std::string& sDir);
    // Keeps a cached listing current when this program creates a file during a cached scan.
    void NoteCreated(const std::string& sPath);

    // A directory opened once during a cached scan, named by its path as given: its names with
    // their d_type from readdir, and a descriptor that files are opened and tested through, so
    // that the kernel walks one component rather than the whole path each time.
    struct CDirectoryHandle {
        CDirectoryHandle() = default;
        CDirectoryHandle(const CDirectoryHandle&) = delete;
        CDirectoryHandle& operator=(const CDirectoryHandle&) = delete;
        ~CDirectoryHandle();
        int fd = -1;  // -1 once kMaxDirectoryHandles descriptors are held: then full paths
        CPathTable<unsigned char> types;  // name -> d_type
    };
    // At most this many directory descriptors are kept, well below the usual limit of 1024.
    static constexpr int kMaxDirectoryHandles = 256;
    // The handle of sDir (a path ending in '/'), opened on first use; null when it cannot be
    // opened or read. Only during a cached scan. Lives until the scan ends.
    const CDirectoryHandle* HandleOf(std::string_view sDir);
    // The answer of Exists() from the handle of the path's directory, or -1 when the handle
    // cannot tell (no handle, or the name is not in the directory as written).
    int ExistsInHandle(const char* pszPath);

    EReplaceMode m_eReplaceMode = EReplaceMode::kUnnamedLinked;
    int m_nScanDepth = 0;
    // Handles by directory (null for one that cannot be read), owned by m_handleStore. Flat
    // tables: a crawl looks a directory and a name up for every path it tests or opens.
    CPathTable<CDirectoryHandle*> m_handles;
    std::vector<std::unique_ptr<CDirectoryHandle>> m_handleStore;
    int m_nOpenHandles = 0;
    // Listings by directory prefix while a cached scan runs; nullopt for one that cannot be read.
    std::map<std::string, std::optional<CDirectoryListing>> m_cache;
    CDirectoryListing m_scratch;  // the one uncached listing, valid until the next look-up
};

}  // namespace sitefinch
