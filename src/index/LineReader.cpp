// Line-by-line reading of a file through a 1000-byte block buffer, with a progress percentage.
#include "LineReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/FileError.h"

namespace sitefinch {

namespace {

constexpr std::int32_t kBlockSize = static_cast<std::int32_t>(kLineCapacity);

// memcpy for the short runs a line is made of. Left to itself the compiler turns a copy of at
// most a block into "rep movs", whose start-up costs more than copying a typical line; this
// copies 16 bytes at a time and ends with one overlapping step, writing nothing outside
// [pDest, pDest + n).
void CopyRun(char* pDest, const char* pSource, std::size_t n) {
#if defined(__SSE2__)
    if (n >= 16) {
        for (std::size_t i = 0; i + 16 < n; i += 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pDest + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSource + i)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pDest + n - 16),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSource + n - 16)));
        return;
    }
#else
    if (n >= 16) {
        std::memcpy(pDest, pSource, n);
        return;
    }
#endif
    if (n >= 8) {
        std::uint64_t nFirst;
        std::uint64_t nLast;
        std::memcpy(&nFirst, pSource, sizeof nFirst);
        std::memcpy(&nLast, pSource + n - sizeof nLast, sizeof nLast);
        std::memcpy(pDest, &nFirst, sizeof nFirst);
        std::memcpy(pDest + n - sizeof nLast, &nLast, sizeof nLast);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        pDest[i] = pSource[i];
    }
}

// The offset of the first CR or LF in the n bytes at p, or n. The 16 bytes from any of those n
// bytes on must be readable (see kLineScanPadding).
std::size_t FindLineEnd(const char* p, std::size_t n) {
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (std::size_t i = 0; i < n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned nMask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr))));
        if (nMask != 0) {
            return std::min(n, i + static_cast<std::size_t>(__builtin_ctz(nMask)));
        }
    }
    return n;
#else
    // LF first, because nearly every line ends in one: searching the whole run for a CR that a
    // file with LF line ends never has would scan the rest of the block again for every line.
    std::size_t k = n;
    if (const void* pLf = std::memchr(p, '\n', n)) {
        k = static_cast<std::size_t>(static_cast<const char*>(pLf) - p);
    }
    if (const void* pCr = std::memchr(p, '\r', k)) {
        k = static_cast<std::size_t>(static_cast<const char*>(pCr) - p);
    }
    return k;
#endif
}
// A piece of a long line: the working buffer less its terminating zero.
constexpr std::size_t kMaxLineChars = kLineCapacity - 1;

}  // namespace

CLineReader::~CLineReader() = default;  // the file, if still open, closes itself quietly

bool CLineReader::Open(CFileSystem& fileSystem, const char* pszPath) {
    m_pFile.reset();
    m_nValid = kBlockSize;
    m_nPos = kBlockSize;
    m_nConsumed = 0;
    m_nLength = 1;
    if (pszPath == nullptr) {
        return false;
    }
    m_pFile = fileSystem.OpenForReading(pszPath);
    return m_pFile != nullptr;
}

void CLineReader::Close() {
    if (!m_pFile) {
        return;
    }
    // Released before closing: a close that raises still leaves no file behind.
    std::unique_ptr<CFile> pFile = std::move(m_pFile);
    pFile->Close();
}

std::int64_t CLineReader::MeasureLength() {
    if (!m_pFile) {
        throw CFileError("no file is open");
    }
    const std::int64_t nLength = m_pFile->GetLength();
    m_nLength = nLength > 0 ? nLength : 1;
    return nLength;
}

bool CLineReader::ReadByte(char& out) {
    if (m_nPos >= m_nValid) {
        if (m_nValid < kBlockSize) {
            return false;  // the last read was short: that was the end of the file
        }
        if (!m_pFile) {
            throw CFileError("no file is open");
        }
        m_nValid = static_cast<std::int32_t>(m_pFile->Read(m_buffer, kLineCapacity));
        if (m_nValid == 0) {
            return false;
        }
        m_nPos = 0;
    }
    out = m_buffer[m_nPos];
    ++m_nPos;
    ++m_nConsumed;
    return true;
}

bool CLineReader::ReadLine(char* pszLine, std::size_t nCapacity) {
    std::size_t nLength;
    return ReadLine(pszLine, nCapacity, nLength);
}

bool CLineReader::ReadLine(char* pszLine, std::size_t nCapacity, std::size_t& nLength) {
    // The line is gathered in a working buffer: position i receives each byte read, and
    // gathering stops once the byte at i is a line end or i has reached 999. A caller's buffer
    // of the full line capacity serves as that buffer itself, which spares a copy of every line;
    // a smaller one gets a copy of the gathered text. Runs of bytes already in the block buffer
    // are moved in bulk; refills go through ReadByte(), which knows how a file ends.
    char localWork[kLineCapacity];
    const bool bDirect = pszLine != nullptr && nCapacity >= kLineCapacity;
    char* const work = bDirect ? pszLine : localWork;
    bool bResult = true;
    std::size_t i = 0;
    char cLast = '\0';  // work[i] once the loop ends, known without reading it back
    for (;;) {
        if (m_nPos >= m_nValid) {
            if (!ReadByte(work[i])) {
                bResult = false;
                break;
            }
            const char c = work[i];
            if (c == '\r' || c == '\n' || i >= kMaxLineChars) {
                cLast = c;
                break;
            }
            ++i;
            continue;
        }
        const char* pRun = m_buffer + m_nPos;
        const std::size_t nRun = std::min(static_cast<std::size_t>(m_nValid - m_nPos),
                                          kLineCapacity - i);  // fills at most position 999
        const std::size_t k = FindLineEnd(pRun, nRun);
        const bool bLineEnd = k < nRun;
        const std::size_t nTaken = bLineEnd ? k + 1 : nRun;
        CopyRun(work + i, pRun, nTaken);
        m_nPos += static_cast<std::int32_t>(nTaken);
        m_nConsumed += static_cast<std::int64_t>(nTaken);
        if (bLineEnd) {
            i += k;  // the line end sits at position i
            cLast = pRun[k];
            break;
        }
        i += nTaken;
        if (i >= kLineCapacity) {
            i = kMaxLineChars;  // position 999 holds the 1000th byte, which is dropped below
            cLast = work[i];
            break;
        }
    }
    // A CR always takes the next byte with it, normally the LF of a CR LF pair.
    if (bResult && cLast == '\r' && !ReadByte(work[i])) {
        bResult = false;
    }
    nLength = 0;
    if (nCapacity == 0 || pszLine == nullptr) {
        return bResult;
    }
    if (i >= nCapacity) {
        i = nCapacity - 1;
    }
    work[i] = '\0';
    // An embedded zero byte ends the line for the caller.
    const void* pZero = std::memchr(work, '\0', i);
    nLength =
        pZero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(pZero) - work) : i;
    if (!bDirect) {
        std::memcpy(pszLine, work, nLength + 1);
    }
    return bResult;
}

int CLineReader::GetPercent() const {
    const std::int64_t nPercent = m_nConsumed * 100 / m_nLength;
    return nPercent > INT_MAX ? INT_MAX : static_cast<int>(nPercent);
}

}  // namespace sitefinch
