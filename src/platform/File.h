// An open file of the file layer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sitefinch {

// One open file. Every failing operation raises CFileError. Destroying an open file closes it
// and swallows any error; a file opened for replacing that is destroyed without a successful
// Close() is discarded and the file it was to replace stays as it was.
class CFile {
public:
    virtual ~CFile() = default;
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Reads up to nCount bytes; returns how many were read, fewer (or 0) only at the end.
    virtual std::size_t Read(void* pBuffer, std::size_t nCount) = 0;

    // Writes all nCount bytes or raises.
    virtual void Write(const void* pBuffer, std::size_t nCount) = 0;

    // The file's length in bytes.
    virtual std::int64_t GetLength() = 0;

    // Closes the file; for a file opened for replacing, this is where the new content takes the
    // place of the old one, atomically. Closing twice does nothing the second time.
    virtual void Close() = 0;
};

}  // namespace sitefinch
