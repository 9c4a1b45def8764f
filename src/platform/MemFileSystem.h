// An in-memory file system for tests and fuzzing, with injectable failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "FileSystem.h"

namespace sitefinch {

// Files live in a map from path to content. Lookups fold case with CharLowerA and treat '\' and
// '/' alike, like the native implementation; a path given exactly as stored wins over another
// that only matches case-insensitively. Directories exist implicitly as prefixes of file paths;
// a directory is never a file.
class CMemFileSystem : public CFileSystem {
public:
    CMemFileSystem();
    ~CMemFileSystem() override;

    // Test set-up: adds or replaces a file, removes a file.
    void SetFile(const std::string& sPath, std::string sContent);
    void RemoveFile(const std::string& sPath);

    // Content of the file a path resolves to, or nullopt.
    std::optional<std::string> GetFile(const std::string& sPath) const;

    // Paths of all files, in byte order.
    std::set<std::string> ListFiles() const;

    // Failure injection, all off by default:
    // a path that cannot be opened for writing or replacing (read-only file or directory);
    void SetReadOnly(const std::string& sPath, bool bReadOnly = true);
    // reads of a path that fail once nBytes have been delivered;
    void FailReadsAfter(const std::string& sPath, std::int64_t nBytes);
    // writes that fail once nBytes in total have been written by any file (a full disk);
    void FailWritesAfter(std::int64_t nBytes);
    // the commit of a replacing file fails;
    void FailCommits(bool bFail = true);
    // the length query of a path fails.
    void FailLength(const std::string& sPath, bool bFail = true);

    // Counters a test may check.
    int GetOpenCount() const;  // files currently open

    std::unique_ptr<CFile> OpenForReading(const char* pszPath) override;
    std::unique_ptr<CFile> OpenForWriting(const char* pszPath) override;
    std::unique_ptr<CFile> OpenForReplacing(const char* pszPath) override;
    bool Exists(const char* pszPath) override;

    struct CState;

private:
    std::shared_ptr<CState> m_pState;
};

}  // namespace sitefinch
