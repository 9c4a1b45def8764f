// Reading one page line by line for its title and links.
#include <cstdio>
#include <cstring>

#include "index/LineReader.h"
#include "index/LinkIndex.h"
#include "indexer/BuildTexts.h"
#include "platform/FileError.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

constexpr const char kTitleMarker[] = "<title>";
constexpr std::size_t kTitleMarkerLength = sizeof kTitleMarker - 1;
constexpr const char kLinkMarker[] = "<a href";
constexpr std::size_t kLinkMarkerLength = sizeof kLinkMarker - 1;

// Copies the n bytes at pSource into a buffer of nCapacity bytes, cut to nCapacity - 1.
void CopyRun(char* pszDest, std::size_t nCapacity, const char* pSource, std::size_t n) {
    if (nCapacity == 0) {
        return;
    }
    if (n > nCapacity - 1) {
        n = nCapacity - 1;
    }
    std::memcpy(pszDest, pSource, n);
    pszDest[n] = '\0';
}

// Where pszMarker (lower-case ASCII, starting with '<') first occurs in the nLength bytes at
// pszLine after lower-casing, as an offset, or -1. CharLowerA folds only 'A'..'Z' within ASCII and
// never maps another byte into ASCII, so comparing with 'A'..'Z' folded finds the same offsets as
// searching a lower-cased copy would, without making one.
std::ptrdiff_t FindLowerMarker(const char* pszLine, std::size_t nLength, const char* pszMarker,
                               std::size_t nMarker) {
    if (nLength < nMarker) {
        return -1;
    }
    const char* const pLast = pszLine + (nLength - nMarker);  // the last place a match can start
    for (const char* p = pszLine; p <= pLast; ++p) {
        // Every marker starts with '<', which has no other case.
        p = static_cast<const char*>(
            std::memchr(p, pszMarker[0], static_cast<std::size_t>(pLast - p) + 1));
        if (p == nullptr) {
            return -1;
        }
        std::size_t k = 1;
        while (k < nMarker && CharLowerByte(static_cast<unsigned char>(p[k])) ==
                                  static_cast<unsigned char>(pszMarker[k])) {
            ++k;
        }
        if (k == nMarker) {
            return p - pszLine;
        }
    }
    return -1;
}

// Like a search of a lower-cased copy of the line, this sees only its first 999 characters.
std::size_t SearchedLength(const char* pszLine) {
    return strnlen(pszLine, kLineCapacity - 1);
}

std::ptrdiff_t FindLowerMarker(const char* pszLine, const char* pszMarker) {
    return FindLowerMarker(pszLine, SearchedLength(pszLine), pszMarker, std::strlen(pszMarker));
}

// True when the marker (lower-case ASCII) starts at p, with 'A'..'Z' of the text folded.
bool IsLowerMarkerAt(const char* p, const char* pszMarker, std::size_t nMarker) {
    for (std::size_t k = 1; k < nMarker; ++k) {
        if (CharLowerByte(static_cast<unsigned char>(p[k])) !=
            static_cast<unsigned char>(pszMarker[k])) {
            return false;
        }
    }
    return true;
}

// The offsets FindLowerMarker() gives for the title and the link marker in the nLength bytes at
// pszLine, found in one sweep over the line's '<' characters; the link's only when there is no
// title, since a title line is never read for a link. Most lines hold neither, and every line
// of every page is searched.
struct CMarkers {
    std::ptrdiff_t nTitle = -1;
    std::ptrdiff_t nLink = -1;
};
CMarkers FindMarkers(const char* pszLine, std::size_t nLength) {
    static_assert(kTitleMarker[0] == '<' && kLinkMarker[0] == '<');
    CMarkers markers;
    const char* const pEnd = pszLine + nLength;
    for (const char* p = pszLine; p < pEnd; ++p) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(pEnd - p)));
        if (p == nullptr) {
            break;
        }
        const std::size_t nLeft = static_cast<std::size_t>(pEnd - p);
        if (nLeft >= kTitleMarkerLength && IsLowerMarkerAt(p, kTitleMarker, kTitleMarkerLength)) {
            markers.nTitle = p - pszLine;
            return markers;
        }
        if (markers.nLink < 0 && nLeft >= kLinkMarkerLength &&
            IsLowerMarkerAt(p, kLinkMarker, kLinkMarkerLength)) {
            markers.nLink = p - pszLine;
        }
    }
    return markers;
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(static_cast<unsigned char>(*p))) {
        ++p;
    }
    return p;
}

// The first occurrence of c from p on, or the terminating zero.
const char* FindOrEnd(const char* p, char c) {
    return ::strchrnul(p, c);
}

// ExtractTitle() with the marker found at pszLine + nMarker.
bool ExtractTitleAt(const char* pszLine, std::ptrdiff_t nMarker, char* pszTitle,
                    std::size_t nCapacity) {
    const char* pStart = SkipBlanks(pszLine + nMarker + kTitleMarkerLength);
    const char* pEnd = FindOrEnd(pStart, '<');
    CopyRun(pszTitle, nCapacity, pStart, static_cast<std::size_t>(pEnd - pStart));
    return nCapacity > 1 && pEnd != pStart;
}

// ExtractLink() with the marker found at pszLine + nMarker.
bool ExtractLinkAt(const char* pszLine, std::ptrdiff_t nMarker, char* pszHref,
                   std::size_t nHrefCapacity, char* pszText, std::size_t nTextCapacity) {
    const char* p = FindOrEnd(pszLine + nMarker, '=');
    if (*p == '=') {
        ++p;
    }
    while (*p == ' ') {
        ++p;
    }
    if (*p == '\0') {
        return false;
    }

    const char* pValue;
    const char* pValueEnd;
    if (*p == '"') {
        pValue = SkipBlanks(p + 1);
        pValueEnd = FindOrEnd(pValue, '"');
    } else {
        // Unquoted: runs to the tag's end, blanks and single quotes included.
        pValue = SkipBlanks(p);
        pValueEnd = FindOrEnd(pValue, '>');
    }
    CopyRun(pszHref, nHrefCapacity, pValue, static_cast<std::size_t>(pValueEnd - pValue));

    // The tag's end is searched from the start of the value, so a '>' inside a quoted value
    // ends the tag there.
    const char* pTagEnd = FindOrEnd(pValue, '>');
    if (*pTagEnd == '\0') {
        return false;
    }
    const char* pText = SkipBlanks(pTagEnd + 1);
    const char* pTextEnd = FindOrEnd(pText, '<');
    CopyRun(pszText, nTextCapacity, pText, static_cast<std::size_t>(pTextEnd - pText));
    return true;
}

}  // namespace

void CLinkIndex::ScanPage(const char* pszPath) {
    if (pszPath == nullptr || *pszPath == '\0') {
        m_host.MessageBox(kNoFileSelectedText, kErrorCaption, kMbError);
        return;
    }

    CLineReader reader;
    if (!reader.Open(m_fileSystem, pszPath)) {
        char szMessage[kMessageCapacity];
        std::snprintf(szMessage, sizeof szMessage, kOpenFailedFormat, pszPath);
        if (m_pProgressWnd) {
            m_pProgressWnd->AddLine(szMessage);
        }
        return;
    }

    ++m_nPages;
    UpdateStatistics();
    if (m_pProgressWnd) {
        m_pProgressWnd->SetProgressText(pszPath);
    }
    if (m_pProgressWnd) {
        m_pProgressWnd->AddLine(pszPath);
    }

    char szLine[kLineCapacity];
    char szTitle[kTitleCapacity];
    char szHref[kHrefCapacity];
    char szText[kLinkTextCapacity];
    try {
        std::size_t nLength;
        while (reader.ReadLine(szLine, sizeof szLine, nLength)) {
            const CMarkers markers = FindMarkers(szLine, nLength);
            if (markers.nTitle >= 0) {
                if (!ExtractTitleAt(szLine, markers.nTitle, szTitle, sizeof szTitle)) {
                    // The title sits on the next line, taken whole as it is; only whether a line
                    // was there is ignored, so a missing line gives an empty title.
                    szLine[0] = '\0';
                    reader.ReadLine(szLine, sizeof szLine);
                    CopyBounded(szTitle, sizeof szTitle, szLine);
                }
                AddTitleEntry(pszPath, szTitle);
            } else if (markers.nLink >= 0) {
                if (ExtractLinkAt(szLine, markers.nLink, szHref, sizeof szHref, szText,
                                  sizeof szText)) {
                    ResolveLink(pszPath, szHref, szText);
                }
            }
        }
        reader.Close();
    } catch (const CFileError&) {
        // A page that cannot be read to its end keeps what it gave so far; the reader's file is
        // closed by its destructor.
    }
}

bool CLinkIndex::ExtractTitle(const char* pszLine, char* pszTitle, std::size_t nCapacity) {
    const std::ptrdiff_t nMarker = FindLowerMarker(pszLine, kTitleMarker);
    return nMarker >= 0 && ExtractTitleAt(pszLine, nMarker, pszTitle, nCapacity);
}

bool CLinkIndex::ExtractLink(const char* pszLine, char* pszHref, std::size_t nHrefCapacity,
                             char* pszText, std::size_t nTextCapacity) {
    const std::ptrdiff_t nMarker = FindLowerMarker(pszLine, kLinkMarker);
    return nMarker >= 0 &&
           ExtractLinkAt(pszLine, nMarker, pszHref, nHrefCapacity, pszText, nTextCapacity);
}

}  // namespace sitefinch
