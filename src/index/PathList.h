// An ordered list of paths with a hash table beside it for membership.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/PathTable.h"

namespace sitefinch {

// Keeps insertion order like a list walked from its head, but answers Contains() from a hash
// table with the same answers (whole-string, byte-for-byte, case-sensitive), so that a crawl stays
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
    void Count(const std::string& sPath) const;

    std::deque<std::string> m_paths;
    // How many copies of each path the list holds, kept from the first Contains() on: a crawl
    // answers membership from what it knows of each path and never asks, so until someone
    // asks, adding and removing cost no look-ups. A path whose last copy left stays in the
    // table with a count of zero: a crawl takes each path off its list at most once, and an
    // open-addressed table without removal keeps every look-up to a probe of flat slots.
    mutable CPathTable<std::uint32_t> m_counts;
    mutable bool m_bCounted = false;
};

}  // namespace sitefinch
