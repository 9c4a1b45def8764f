// An entry made from a link or read from an index file.
#pragma once

#include "IndexEntry.h"

namespace sitefinch {

class CLinkEntry : public CIndexEntry {
public:
    using CIndexEntry::CIndexEntry;
};

}  // namespace sitefinch
