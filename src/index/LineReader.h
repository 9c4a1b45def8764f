// Reads a file line by line through a 1000-byte buffer and tells how far it has got in percent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace sitefinch {

inline constexpr std::size_t kLineCapacity = 1000;  // a line holds at most 999 characters
// Bytes a buffer keeps beyond what it holds, so that a 16-byte search step may start anywhere in
// it without reading outside.
inline constexpr std::size_t kLineScanPadding = 16;

// Lines end in CR LF, LF or CR and are handed out without their line end, at most 999 characters
// at a time (the byte after a 999-character piece is consumed and lost; after a CR the next byte
// is always consumed). A last line without a line end is stored but reported as false.
// Read, length and close failures raise CFileError out of every operation.
class CLineReader {
public:
    CLineReader() = default;
    ~CLineReader();
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;

    // Opens an existing file for reading; false when it cannot be opened.
    bool Open(CFileSystem& fileSystem, const char* pszPath);

    // Closes the file (raises when closing fails); does nothing when none is open.
    void Close();

    // Sets the length that GetPercent() divides by (at least 1) and returns the file's length.
    std::int64_t MeasureLength();

    // The next byte of the file; false at its end.
    bool ReadByte(char& out);

    // The next line into pszLine (nCapacity >= 1 bytes, zero-terminated, cut to nCapacity - 1).
    // True when a line end (or the 999-character limit) ended it, false at the end of the file.
    bool ReadLine(char* pszLine, std::size_t nCapacity);
    // The same, also giving the length of the text stored in pszLine (0 when nothing is stored).
    // Bytes of pszLine past its terminating zero may be changed.
    bool ReadLine(char* pszLine, std::size_t nCapacity, std::size_t& nLength);

    // Bytes handed out so far * 100 / the measured length, rounded toward zero.
    int GetPercent() const;

private:
    std::unique_ptr<CFile> m_pFile;
    std::int32_t m_nValid = static_cast<std::int32_t>(kLineCapacity);
    std::int32_t m_nPos = static_cast<std::int32_t>(kLineCapacity);
    // The block, and room for a 16-byte load that starts at its last byte: line ends are searched
    // 16 bytes at a time, and bytes past the valid ones are ignored.
    char m_buffer[kLineCapacity + kLineScanPadding] = {};
    std::int64_t m_nConsumed = 0;
    std::int64_t m_nLength = 1;
};

}  // namespace sitefinch
