// The in-memory file system used by tests and fuzzing, with its injectable failures.
#include "platform/MemFileSystem.h"

#include <algorithm>
#include <cstring>

#include "platform/DirectoryListing.h"
#include "platform/FileError.h"
#include "platform/PathResolver.h"

namespace sitefinch {

namespace {

// Keys of the file map use '/' only, so both separators name the same file.
constexpr char kKeySeparator = '/';

// The key of a path: both separators become '/', and doubled separators count once, as they do
// for the system's own paths.
std::string CanonicalKey(const std::string& sPath) {
    std::string sKey = UnifySeparators(sPath, kKeySeparator);
    sKey.erase(std::unique(sKey.begin(), sKey.end(),
                           [](char a, char b) { return a == kKeySeparator && b == kKeySeparator; }),
               sKey.end());
    return sKey;
}

// A key without a trailing separator (a directory given as "c:\site\").
std::string TrimKey(std::string sKey) {
    while (sKey.size() > 1 && sKey.back() == kKeySeparator) {
        sKey.pop_back();
    }
    return sKey;
}

// A resolved key written with the separators the caller used, so that ListFiles shows new files
// the way the program named them. Resolution keeps lengths and separator positions; a path whose
// doubled separators were merged is shown as its key.
std::string SpellingFor(const std::string& sGiven, const std::string& sKey) {
    std::string sSpelling = sKey;
    if (sGiven.size() != sKey.size()) {
        return sSpelling;
    }
    for (std::size_t i = 0; i < sSpelling.size() && i < sGiven.size(); ++i) {
        if (sGiven[i] == '\\' || sGiven[i] == '/') {
            sSpelling[i] = sGiven[i];
        }
    }
    return sSpelling;
}

}  // namespace

struct CMemFileSystem::CState {
    struct CEntry {
        std::string sSpelling;
        std::string sContent;
    };

    std::map<std::string, CEntry> files;                 // key -> file
    std::map<std::string, CDirectoryListing> dirs;       // "" or prefix ending in '/' -> names
    std::set<std::string> readOnly;                      // injection keys
    std::set<std::string> failLength;                    // injection keys
    std::map<std::string, std::int64_t> failReadsAfter;  // injection key -> bytes
    std::optional<std::int64_t> nWriteBudget;            // bytes left before writes fail
    bool bFailCommits = false;
    int nOpenCount = 0;

    // Adds (nDelta 1) or removes (-1) the names along a key in the directory listings.
    void IndexKey(const std::string& sKey, int nDelta) {
        std::size_t nStart = 0;
        while (nStart < sKey.size()) {
            std::size_t nEnd = sKey.find(kKeySeparator, nStart);
            if (nEnd == std::string::npos) {
                nEnd = sKey.size();
            }
            const std::string sName = sKey.substr(nStart, nEnd - nStart);
            if (!sName.empty() && sName != "." && sName != "..") {
                CDirectoryListing& listing = dirs[sKey.substr(0, nStart)];
                if (nDelta > 0) {
                    listing.Add(sName);
                } else {
                    listing.Remove(sName);
                }
            }
            nStart = nEnd + 1;
        }
    }

    std::string Resolve(const std::string& sPath) const {
        const std::string sKey = CanonicalKey(sPath);
        if (files.count(sKey) != 0) {
            return sKey;
        }
        return ResolvePath(sKey, kKeySeparator, [this](const std::string& sDir) {
            const auto it = dirs.find(sDir);
            return it == dirs.end() ? nullptr : &it->second;
        });
    }

    // Injections name a place as it resolves when they are made, so they hit that file or
    // directory whichever case the program later uses to reach it.
    std::string InjectionKey(const std::string& sPath) const { return TrimKey(Resolve(sPath)); }

    bool IsDirectory(const std::string& sKey) const {
        const std::string sTrimmed = TrimKey(sKey);
        const std::string sPrefix = sTrimmed.empty() || sTrimmed.back() == kKeySeparator
                                        ? sTrimmed
                                        : sTrimmed + kKeySeparator;
        const auto it = dirs.find(sPrefix);
        return it != dirs.end() && !it->second.IsEmpty();
    }

    // True when the key or a directory above it was made read-only.
    bool IsReadOnly(const std::string& sKey) const {
        const std::string sTrimmed = TrimKey(sKey);
        if (readOnly.count(sTrimmed) != 0) {
            return true;
        }
        for (std::size_t i = 0; i < sTrimmed.size(); ++i) {
            if (sTrimmed[i] == kKeySeparator &&
                readOnly.count(sTrimmed.substr(0, std::max<std::size_t>(i, 1))) != 0) {
                return true;
            }
        }
        return false;
    }

    CEntry& CreateFile(const std::string& sKey, const std::string& sSpelling) {
        auto [it, bInserted] = files.try_emplace(sKey);
        if (bInserted) {
            it->second.sSpelling = sSpelling;
            IndexKey(sKey, 1);
        }
        return it->second;
    }

    // How many of nCount bytes a write may store before the simulated disk is full.
    std::size_t TakeWriteBudget(std::size_t nCount) {
        if (!nWriteBudget) {
            return nCount;
        }
        const std::size_t nAllowed = std::min<std::size_t>(
            nCount, static_cast<std::size_t>(std::max<std::int64_t>(*nWriteBudget, 0)));
        *nWriteBudget -= static_cast<std::int64_t>(nAllowed);
        return nAllowed;
    }
};

namespace {

using CState = CMemFileSystem::CState;

// Shared by the three kinds of open file: the open counter and the length failure.
class CMemFileBase : public CFile {
public:
    CMemFileBase(std::shared_ptr<CState> pState, std::string sKey)
        : m_pState(std::move(pState)), m_sKey(std::move(sKey)) {
        ++m_pState->nOpenCount;
    }
    ~CMemFileBase() override { MarkClosed(); }

    std::size_t Read(void*, std::size_t) override {
        throw CFileError(Describe("not open for reading"));
    }
    void Write(const void*, std::size_t) override {
        throw CFileError(Describe("not open for writing"));
    }

protected:
    void MarkClosed() {
        if (m_bOpen) {
            m_bOpen = false;
            --m_pState->nOpenCount;
        }
    }
    void CheckOpen() const {
        if (!m_bOpen) {
            throw CFileError(Describe("file is closed"));
        }
    }
    void CheckLength() const {
        CheckOpen();
        if (m_pState->failLength.count(m_sKey) != 0) {
            throw CFileError(Describe("length cannot be determined"));
        }
    }
    std::string Describe(const char* pszProblem) const {
        return "File " + m_sKey + ": " + pszProblem;
    }

    std::shared_ptr<CState> m_pState;
    std::string m_sKey;
    bool m_bOpen = true;
};

class CMemReadFile : public CMemFileBase {
public:
    CMemReadFile(std::shared_ptr<CState> pState, std::string sKey, std::string sContent)
        : CMemFileBase(std::move(pState), std::move(sKey)), m_sContent(std::move(sContent)) {
        const auto it = m_pState->failReadsAfter.find(m_sKey);
        if (it != m_pState->failReadsAfter.end()) {
            m_nFailAfter = std::max<std::int64_t>(it->second, 0);
        }
    }

    std::size_t Read(void* pBuffer, std::size_t nCount) override {
        CheckOpen();
        std::size_t nAvailable = m_sContent.size() - m_nPos;
        if (m_nFailAfter) {
            const std::size_t nLimit = static_cast<std::size_t>(*m_nFailAfter);
            if (m_nPos >= nLimit && nAvailable > 0) {
                throw CFileError(Describe("read error"));
            }
            nAvailable = std::min(nAvailable, nLimit - std::min(nLimit, m_nPos));
        }
        const std::size_t n = std::min(nCount, nAvailable);
        if (n > 0) {
            std::memcpy(pBuffer, m_sContent.data() + m_nPos, n);
        }
        m_nPos += n;
        return n;
    }

    std::int64_t GetLength() override {
        CheckLength();
        return static_cast<std::int64_t>(m_sContent.size());
    }

    void Close() override { MarkClosed(); }

private:
    std::string m_sContent;  // a snapshot: later changes to the file do not reach an open reader
    std::size_t m_nPos = 0;
    std::optional<std::int64_t> m_nFailAfter;
};

// Writes go straight into the stored file, as they would on a disk: a failure leaves what was
// written before it.
class CMemWriteFile : public CMemFileBase {
public:
    CMemWriteFile(std::shared_ptr<CState> pState, std::string sKey, std::string sSpelling)
        : CMemFileBase(std::move(pState), std::move(sKey)), m_sSpelling(std::move(sSpelling)) {}

    void Write(const void* pBuffer, std::size_t nCount) override {
        CheckOpen();
        const std::size_t nAllowed = m_pState->TakeWriteBudget(nCount);
        m_pState->CreateFile(m_sKey, m_sSpelling)
            .sContent.append(static_cast<const char*>(pBuffer), nAllowed);
        if (nAllowed < nCount) {
            throw CFileError(Describe("no space left on device"));
        }
    }

    std::int64_t GetLength() override {
        CheckLength();
        const auto it = m_pState->files.find(m_sKey);
        return it == m_pState->files.end() ? 0
                                           : static_cast<std::int64_t>(it->second.sContent.size());
    }

    void Close() override { MarkClosed(); }

private:
    std::string m_sSpelling;
};

// Collects the new content and puts it in place only in a successful Close().
class CMemReplaceFile : public CMemFileBase {
public:
    CMemReplaceFile(std::shared_ptr<CState> pState, std::string sKey, std::string sSpelling)
        : CMemFileBase(std::move(pState), std::move(sKey)), m_sSpelling(std::move(sSpelling)) {}

    void Write(const void* pBuffer, std::size_t nCount) override {
        CheckOpen();
        const std::size_t nAllowed = m_pState->TakeWriteBudget(nCount);
        m_sContent.append(static_cast<const char*>(pBuffer), nAllowed);
        if (nAllowed < nCount) {
            m_bFailed = true;
            throw CFileError(Describe("no space left on device"));
        }
    }

    std::int64_t GetLength() override {
        CheckLength();
        return static_cast<std::int64_t>(m_sContent.size());
    }

    void Close() override {
        if (!m_bOpen) {
            return;
        }
        MarkClosed();
        if (m_bFailed) {
            throw CFileError(Describe("not replaced after a failed write"));
        }
        if (m_pState->bFailCommits) {
            throw CFileError(Describe("could not be replaced"));
        }
        m_pState->CreateFile(m_sKey, m_sSpelling).sContent = std::move(m_sContent);
    }

private:
    std::string m_sSpelling;
    std::string m_sContent;
    bool m_bFailed = false;
};

}  // namespace

CMemFileSystem::CMemFileSystem() : m_pState(std::make_shared<CState>()) {}

CMemFileSystem::~CMemFileSystem() = default;

void CMemFileSystem::SetFile(const std::string& sPath, std::string sContent) {
    const std::string sKey = CanonicalKey(sPath);
    CState::CEntry& entry = m_pState->CreateFile(sKey, sPath);
    entry.sSpelling = sPath;
    entry.sContent = std::move(sContent);
}

void CMemFileSystem::RemoveFile(const std::string& sPath) {
    const std::string sKey = m_pState->Resolve(sPath);
    if (m_pState->files.erase(sKey) != 0) {
        m_pState->IndexKey(sKey, -1);
    }
}

std::optional<std::string> CMemFileSystem::GetFile(const std::string& sPath) const {
    const auto it = m_pState->files.find(m_pState->Resolve(sPath));
    if (it == m_pState->files.end()) {
        return std::nullopt;
    }
    return it->second.sContent;
}

std::set<std::string> CMemFileSystem::ListFiles() const {
    std::set<std::string> paths;
    for (const auto& [sKey, entry] : m_pState->files) {
        paths.insert(entry.sSpelling);
    }
    return paths;
}

void CMemFileSystem::SetReadOnly(const std::string& sPath, bool bReadOnly) {
    if (bReadOnly) {
        m_pState->readOnly.insert(m_pState->InjectionKey(sPath));
    } else {
        m_pState->readOnly.erase(m_pState->InjectionKey(sPath));
    }
}

void CMemFileSystem::FailReadsAfter(const std::string& sPath, std::int64_t nBytes) {
    m_pState->failReadsAfter[m_pState->InjectionKey(sPath)] = nBytes;
}

void CMemFileSystem::FailWritesAfter(std::int64_t nBytes) {
    m_pState->nWriteBudget = nBytes;
}

void CMemFileSystem::FailCommits(bool bFail) {
    m_pState->bFailCommits = bFail;
}

void CMemFileSystem::FailLength(const std::string& sPath, bool bFail) {
    if (bFail) {
        m_pState->failLength.insert(m_pState->InjectionKey(sPath));
    } else {
        m_pState->failLength.erase(m_pState->InjectionKey(sPath));
    }
}

int CMemFileSystem::GetOpenCount() const {
    return m_pState->nOpenCount;
}

std::unique_ptr<CFile> CMemFileSystem::OpenForReading(const char* pszPath) {
    if (pszPath == nullptr) {
        return nullptr;
    }
    const std::string sKey = m_pState->Resolve(pszPath);
    const auto it = m_pState->files.find(sKey);
    if (it == m_pState->files.end()) {
        return nullptr;
    }
    return std::make_unique<CMemReadFile>(m_pState, sKey, it->second.sContent);
}

std::unique_ptr<CFile> CMemFileSystem::OpenForWriting(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return nullptr;
    }
    const std::string sKey = m_pState->Resolve(pszPath);
    if (m_pState->IsDirectory(sKey) || m_pState->IsReadOnly(sKey)) {
        return nullptr;
    }
    const std::string sSpelling = SpellingFor(pszPath, sKey);
    m_pState->CreateFile(sKey, sSpelling).sContent.clear();
    return std::make_unique<CMemWriteFile>(m_pState, sKey, sSpelling);
}

std::unique_ptr<CFile> CMemFileSystem::OpenForReplacing(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return nullptr;
    }
    const std::string sKey = m_pState->Resolve(pszPath);
    if (m_pState->IsDirectory(sKey) || m_pState->IsReadOnly(sKey)) {
        return nullptr;
    }
    return std::make_unique<CMemReplaceFile>(m_pState, sKey, SpellingFor(pszPath, sKey));
}

bool CMemFileSystem::Exists(const char* pszPath) {
    if (pszPath == nullptr) {
        return false;
    }
    const std::string sKey = m_pState->Resolve(pszPath);
    return m_pState->files.count(sKey) != 0;
}

}  // namespace sitefinch
