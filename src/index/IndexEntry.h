// One entry of the index: a display text and the target it leads to.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

#include "EntryArena.h"

namespace sitefinch {

// Holds private copies of its two zero-terminated 8-bit strings, made at construction in an arena
// that must outlive the entry. The lower-cased form that the query filter matches against
// is kept by the filter alone, in one block for all entries.
class CIndexEntry {
public:
    // Both strings are copied whole into memory.texts; null is taken as "".
    CIndexEntry(const CEntryMemory& memory, const char* pszTarget, const char* pszText);
    // Owns nothing: the strings go with the arena.
    virtual ~CIndexEntry() = default;

    CIndexEntry(const CIndexEntry&) = delete;
    CIndexEntry& operator=(const CIndexEntry&) = delete;

    // Entries live in the memory of the tree they are meant for, the object in memory.objects:
    // new (memory) CLinkEntry(memory, ...).
    // Deleting one (through std::unique_ptr too) runs its destructor and gives no memory back;
    // that goes with the arena. The sized delete receives the dynamic type's size through the
    // virtual destructor.
    static void* operator new(std::size_t nBytes, const CEntryMemory& memory) {
        return memory.objects.Allocate(nBytes, alignof(CIndexEntry));
    }
    static void operator delete(void*, const CEntryMemory&) noexcept {}  // a throwing constructor
    static void operator delete(void* p, std::size_t nBytes) noexcept {
        CEntryArena::Poison(p, nBytes);
    }

    // The strings live as long as the entry.
    const char* GetTarget() const { return GetTargetOfText(m_pszText); }
    const char* GetText() const { return m_pszText; }
    std::size_t GetTextLength() const { return std::strlen(m_pszText); }

    // The target of the entry whose text (as GetText() gave it) this is, so that a list of
    // texts needs no entries beside them. Valid as long as the text.
    static const char* GetTargetOfText(const char* pszText) {
        return pszText + std::strlen(pszText) + 1;
    }

    // Rewrites the text in place (entity decoding) before the entry is inserted; pfnRewrite may
    // only shorten it. The target then moves up behind it.
    void RewriteText(void (*pfnRewrite)(char* pszText));

    // Byte-wise order of the texts with 'A'..'Z' folded to 'a'..'z'; bytes 128..255 unmapped.
    bool IsLessThan(const CIndexEntry& other) const;
    bool IsGreaterThan(const CIndexEntry& other) const;
    // The same order as one three-way result: <0, 0 or >0.
    int CompareTo(const CIndexEntry& other) const;

private:
    // One block holds the text, its zero, the target and its zero, so that the target is found
    // behind the text: a million entries keep no pointer to it (8 MB).
    char* m_pszText = nullptr;
};

// Compares two texts by the entry order: <0, 0 or >0.
int CompareEntryTexts(const char* pszA, const char* pszB);

}  // namespace sitefinch
