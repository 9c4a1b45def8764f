// An ordered list of paths with a hash set beside it for membership.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace sitefinch {

// Keeps insertion order like a list walked from its head, but answers Contains() from a hash
// set with the same answers (whole-string, byte-for-byte, case-sensitive), so that a crawl stays
// linear in the number of pages.
class CPathList {
public:
    void AddTail(const char* pszPath);
    // Removes the head into sPath; false when the list is empty.
    bool RemoveHead(std::string& sPath);
    bool Contains(const char* pszPath) const;
    bool IsEmpty() const { return m_paths.empty(); }
    std::size_t GetCount() const { return m_paths.size(); }
    void RemoveAll();
    const std::deque<std::string>& GetPaths() const { return m_paths; }

private:
    // Hashes strings and views alike, so that Contains() looks a path up without copying it.
    // Deliberately not noexcept: the standard library then keeps each element's hash beside it,
    // so that a look-up compares hashes before it touches a stored path and never hashes stored
    // paths again while it walks a bucket.
    struct CPathHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view sPath) const {
            return std::hash<std::string_view>()(sPath);
        }
    };

    std::deque<std::string> m_paths;
    std::unordered_multiset<std::string, CPathHash, std::equal_to<>> m_members;
};

}  // namespace sitefinch
