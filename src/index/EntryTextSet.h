// A hashed set of entry texts under the tree's equality, for turning away repeated texts early.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_set>

namespace sitefinch {

// Answers "does the tree already hold an entry with this text?" in constant time, with the
// tree's notion of equal texts: byte for byte after folding 'A'..'Z' to 'a'..'z' (bytes 128..255
// unmapped). Holds views, not copies: every text added must stay alive and unchanged until
// Clear() or the set's destruction, which is why it holds only texts of entries in the tree and
// is emptied whenever the tree is.
class CEntryTextSet {
public:
    bool Contains(std::string_view sText) const { return m_texts.find(sText) != m_texts.end(); }
    void Add(std::string_view sText) { m_texts.insert(sText); }
    void Clear() { m_texts.clear(); }
    std::size_t GetCount() const { return m_texts.size(); }

private:
    // Not noexcept, so that the set keeps each text's hash beside it (see CPathList).
    struct CFoldedHash {
        std::size_t operator()(std::string_view sText) const;
    };
    struct CFoldedEqual {
        bool operator()(std::string_view sA, std::string_view sB) const noexcept;
    };
    std::unordered_set<std::string_view, CFoldedHash, CFoldedEqual> m_texts;
};

}  // namespace sitefinch
