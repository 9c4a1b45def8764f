// A query answered straight from an index file, for a run that asks once and keeps no index.
#pragma once

#include <vector>

#include "EntryArena.h"
#include "platform/FileSystem.h"

namespace sitefinch {

// The entries of an index file that a query lists: the lines and targets that LoadIndex followed
// by FilterEntries would give, in the same order, read in one pass that keeps only the entries
// found. A million-entry index thus costs the memory of what matches instead of the whole tree.
class CIndexFileQuery {
public:
    struct CFound {
        const char* pszText;    // as the entry holds it: entities decoded
        const char* pszTarget;  // without its '@'
    };

    // Replaces what was found with the entries of pszPath that contain pszQuery (null as ""),
    // by the filter's rules. False, with nothing found, when the path is empty, the file cannot
    // be opened or a read fails.
    bool Run(CFileSystem& fileSystem, const char* pszPath, const char* pszQuery);

    // In the index's order; the strings live until the next Run() or the end of this object.
    const std::vector<CFound>& GetFound() const { return m_found; }

private:
    CEntryArena m_strings;
    std::vector<CFound> m_found;
};

}  // namespace sitefinch
