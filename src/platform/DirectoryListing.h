// The names in one directory, looked up the way case-insensitive paths are resolved.
#pragma once

#include <map>
#include <string>

namespace sitefinch {

// Names grouped by their CharLowerA form. Each name carries a count, so that an in-memory file
// system can add and remove the same directory name once for every file beneath it.
class CDirectoryListing {
public:
    // Adds one reference to sName.
    void Add(const std::string& sName);

    // Drops one reference to sName; the name disappears with its last reference.
    void Remove(const std::string& sName);

    // The entry that sName stands for: sName itself when it is present byte for byte, else the
    // smallest name in byte order that equals it after CharLowerA on both sides, else null.
    // The pointer lives until the listing is next changed or destroyed.
    const std::string* Match(const std::string& sName) const;

    bool IsEmpty() const { return m_byFolded.empty(); }

private:
    // folded name -> (name -> reference count); the inner map keeps names in byte order.
    std::map<std::string, std::map<std::string, int>> m_byFolded;
};

// sName lower-cased with CharLowerA.
std::string FoldName(const std::string& sName);

}  // namespace sitefinch
