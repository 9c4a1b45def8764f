// One entry of the index: a display text and the target it leads to.
#pragma once

#include <cstddef>
#include <memory>

#include "SmallBlockPool.h"

namespace sitefinch {

// Owns private copies of its two zero-terminated 8-bit strings, made at construction. The
// lower-cased form that the query filter matches against is kept by the filter alone, in one
// block for all entries.
class CIndexEntry {
public:
    // Both strings are copied whole onto the heap; null is taken as "".
    CIndexEntry(const char* pszTarget, const char* pszText);
    virtual ~CIndexEntry();

    CIndexEntry(const CIndexEntry&) = delete;
    CIndexEntry& operator=(const CIndexEntry&) = delete;

    // Entries (and their strings) are recycled through the small-block pool; the sized delete
    // receives the size of the dynamic type through the virtual destructor.
    static void* operator new(std::size_t nBytes) { return CSmallBlockPool::Allocate(nBytes); }
    static void operator delete(void* p, std::size_t nBytes) noexcept {
        CSmallBlockPool::Free(p, nBytes);
    }

    // The strings live as long as the entry.
    const char* GetTarget() const { return m_pszTarget; }
    const char* GetText() const { return m_pszText; }
    std::size_t GetTextLength() const { return m_nTextLength; }

    // For in-place rewriting of the text (entity decoding) before the entry is inserted; the
    // caller then calls TextRewritten(). The result never grows.
    char* GetMutableText() { return m_pszText; }
    void TextRewritten();

    // Byte-wise order of the texts with 'A'..'Z' folded to 'a'..'z'; bytes 128..255 unmapped.
    bool IsLessThan(const CIndexEntry& other) const;
    bool IsGreaterThan(const CIndexEntry& other) const;
    // The same order as one three-way result: <0, 0 or >0.
    int CompareTo(const CIndexEntry& other) const;

private:
    // One pool block holds both strings; the pointers below point into it.
    char* m_pStorage = nullptr;
    std::size_t m_nStorageSize = 0;
    char* m_pszTarget = nullptr;
    char* m_pszText = nullptr;
    std::size_t m_nTextLength = 0;
};

// Compares two texts by the entry order: <0, 0 or >0.
int CompareEntryTexts(const char* pszA, const char* pszB);

}  // namespace sitefinch
