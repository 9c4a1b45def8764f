// One entry of the index: a display text and the target it leads to.
#pragma once

#include <cstddef>
#include <memory>

namespace sitefinch {

// Owns private copies of its two zero-terminated 8-bit strings, made at construction. Besides
// them it keeps the text lower-cased with CharLowerA, which the query filter matches against so
// that a keystroke does not lower-case every entry again.
class CIndexEntry {
public:
    // Both strings are copied whole onto the heap; null is taken as "".
    CIndexEntry(const char* pszTarget, const char* pszText);
    virtual ~CIndexEntry();

    CIndexEntry(const CIndexEntry&) = delete;
    CIndexEntry& operator=(const CIndexEntry&) = delete;

    const char* GetTarget() const { return m_pszTarget.get(); }
    const char* GetText() const { return m_pszText.get(); }
    // The text after CharLowerA; refreshed by UpdateLowerText() after the text was rewritten.
    const char* GetLowerText() const { return m_pszLower.get(); }
    std::size_t GetTextLength() const { return m_nTextLength; }

    // For in-place rewriting of the text (entity decoding) before the entry is inserted; the
    // caller then calls UpdateLowerText(). The result never grows.
    char* GetMutableText() { return m_pszText.get(); }
    void UpdateLowerText();

    // Byte-wise order of the texts with 'A'..'Z' folded to 'a'..'z'; bytes 128..255 unmapped.
    bool IsLessThan(const CIndexEntry& other) const;
    bool IsGreaterThan(const CIndexEntry& other) const;

private:
    std::unique_ptr<char[]> m_pszTarget;
    std::unique_ptr<char[]> m_pszText;
    std::unique_ptr<char[]> m_pszLower;
    std::size_t m_nTextLength = 0;
};

// Compares two texts by the entry order: <0, 0 or >0.
int CompareEntryTexts(const char* pszA, const char* pszB);

}  // namespace sitefinch
