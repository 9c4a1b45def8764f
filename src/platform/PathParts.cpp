// Path splitting, lexical normalisation and the index file name derived from a start page.
#include "platform/PathParts.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace sitefinch {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Copies n bytes starting at p into a buffer of nCapacity bytes, cutting what does not fit.
// Returns true when nothing was cut.
bool CopySpan(char* pszDest, std::size_t nCapacity, const char* p, std::size_t n) {
    const bool bFits = n < nCapacity;
    const std::size_t nCopy = bFits ? n : nCapacity - 1;
    std::memcpy(pszDest, p, nCopy);
    pszDest[nCopy] = '\0';
    return bFits;
}

// The split itself; reports whether every part fitted, which the index file name needs: a cut
// part would silently name another file.
bool SplitPathChecked(const char* pszPath, CPathParts& parts) {
    if (pszPath == nullptr) {
        pszPath = "";
    }
    const std::size_t nLength = std::strlen(pszPath);
    bool bFits = true;

    std::size_t nDriveEnd = 0;
    if (nLength >= 2 && pszPath[1] == ':') {
        nDriveEnd = 2;
    }
    bFits &= CopySpan(parts.szDrive, kDriveCapacity, pszPath, nDriveEnd);

    std::size_t nDirEnd = nDriveEnd;
    for (std::size_t i = nDriveEnd; i < nLength; ++i) {
        if (IsSeparator(pszPath[i])) {
            nDirEnd = i + 1;
        }
    }
    bFits &= CopySpan(parts.szDir, kDirCapacity, pszPath + nDriveEnd, nDirEnd - nDriveEnd);

    std::size_t nExtStart = nLength;
    for (std::size_t i = nDirEnd; i < nLength; ++i) {
        if (pszPath[i] == '.') {
            nExtStart = i;
        }
    }
    bFits &= CopySpan(parts.szFileName, kFileNameCapacity, pszPath + nDirEnd, nExtStart - nDirEnd);
    bFits &= CopySpan(parts.szExt, kExtCapacity, pszPath + nExtStart, nLength - nExtStart);
    return bFits;
}

// Removes the bytes [nFrom, nTo) of a zero-terminated string in place.
void EraseRange(char* psz, std::size_t nFrom, std::size_t nTo) {
    const std::size_t nLength = std::strlen(psz);
    std::memmove(psz + nFrom, psz + nTo, nLength - nTo + 1);
}

// The first occurrence in psz of a run of nRun >= 2 bytes whose second byte is '.', as strstr
// finds it. Every run normalisation looks for ("<sep>..<sep>", "<sep>.<sep>") has a dot in that
// place, and dots are rare in paths: jumping from dot to dot with strchr visits the same
// candidates in the same order as a byte-by-byte search, and a crawl normalises every link.
const char* FindDotRun(const char* psz, const char* pszRun, std::size_t nRun) {
    if (*psz == '\0') {
        return nullptr;
    }
    for (const char* pDot = std::strchr(psz + 1, '.'); pDot != nullptr;
         pDot = std::strchr(pDot + 1, '.')) {
        const char* p = pDot - 1;
        std::size_t k = 0;
        while (k < nRun && p[k] == pszRun[k]) {  // stops at the text's end, where p[k] is zero
            ++k;
        }
        if (k == nRun) {
            return p;
        }
    }
    return nullptr;
}

}  // namespace

void SplitPath(const char* pszPath, CPathParts& parts) {
    SplitPathChecked(pszPath, parts);
}

void NormalizePath(char* pszPath, char cSeparator) {
    if (pszPath == nullptr) {
        return;
    }
    const char cOther = cSeparator == '/' ? '\\' : '/';
    for (char* p = std::strchr(pszPath, cOther); p != nullptr; p = std::strchr(p + 1, cOther)) {
        *p = cSeparator;
    }

    const char szParent[] = {cSeparator, '.', '.', cSeparator, '\0'};
    const std::size_t nParentLength = sizeof szParent - 1;
    // Each search resumes a run's length before the place of the last removal rather than at
    // the start: the text before that place is unchanged and held no run, so the first run
    // found is the one a search from the start would find.
    std::size_t nSearch = 0;
    for (;;) {
        const char* pFound = FindDotRun(pszPath + nSearch, szParent, nParentLength);
        if (pFound == nullptr || pFound == pszPath) {
            break;  // one at the very start has nothing before it to remove, nor do later ones
        }
        const std::size_t nAt = static_cast<std::size_t>(pFound - pszPath);
        std::size_t nFrom = 0;
        for (std::size_t i = nAt; i-- > 0;) {
            if (pszPath[i] == cSeparator) {
                nFrom = i;
                break;
            }
        }
        // Keep the separator that ends the "<sep>..<sep>" so the next component stays attached.
        EraseRange(pszPath, nFrom, nAt + nParentLength - 1);
        nSearch = nFrom >= nParentLength ? nFrom - nParentLength : 0;
    }

    const char szCurrent[] = {cSeparator, '.', cSeparator, '\0'};
    const std::size_t nCurrentLength = sizeof szCurrent - 1;
    nSearch = 0;
    for (;;) {
        const char* pFound = FindDotRun(pszPath + nSearch, szCurrent, nCurrentLength);
        if (pFound == nullptr) {
            break;
        }
        const std::size_t nAt = static_cast<std::size_t>(pFound - pszPath);
        EraseRange(pszPath, nAt, nAt + 2);
        nSearch = nAt >= nCurrentLength ? nAt - nCurrentLength : 0;
    }
}

bool MakeIndexFileName(const char* pszStartPage, char* pszOut, std::size_t nCapacity) {
    if (pszOut == nullptr || nCapacity == 0) {
        return false;
    }
    CPathParts parts;
    const bool bSplitFits = SplitPathChecked(pszStartPage, parts);
    const int nWritten = std::snprintf(pszOut, nCapacity, "%s%s%s.idx", parts.szDrive, parts.szDir,
                                       parts.szFileName);
    if (!bSplitFits || nWritten < 0 || static_cast<std::size_t>(nWritten) >= nCapacity) {
        pszOut[0] = '\0';
        return false;
    }
    return true;
}

std::string MakeAbsoluteNormalPath(const std::string& sPath, const std::string& sCurrentDir) {
    std::string sJoined;
    if (sPath.empty() || !IsSeparator(sPath[0])) {
        sJoined = sCurrentDir;
        sJoined += kPathSeparator;
    }
    sJoined += sPath;

    std::vector<std::string> components;
    std::size_t nStart = 0;
    while (nStart <= sJoined.size()) {
        std::size_t nEnd = nStart;
        while (nEnd < sJoined.size() && !IsSeparator(sJoined[nEnd])) {
            ++nEnd;
        }
        const std::string sComponent = sJoined.substr(nStart, nEnd - nStart);
        if (sComponent == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!sComponent.empty() && sComponent != ".") {
            components.push_back(sComponent);
        }
        nStart = nEnd + 1;
    }

    std::string sResult;
    for (const std::string& sComponent : components) {
        sResult += kPathSeparator;
        sResult += sComponent;
    }
    if (sResult.empty()) {
        sResult = kPathSeparator;
    }
    return sResult;
}

}  // namespace sitefinch
