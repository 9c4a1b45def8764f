// What the index hands a running build in place of its tree.
#pragma once

#include <memory>
#include <string_view>

#include "IndexEntry.h"

namespace sitefinch {

// Where the add operations put their entries while a build runs, instead of into the tree: the
// build keeps them and gives them to the tree when its crawl ends. The crawl of the site indexer
// implements it, for one build.
class CBuildSink {
public:
    // True when the build holds an entry whose text equals sText (entities decoded) as the tree
    // compares texts.
    virtual bool HoldsText(std::string_view sText) const = 0;
    // Takes an entry whose text the build does not hold yet.
    virtual void TakeEntry(std::unique_ptr<CIndexEntry> pEntry) = 0;
    // Forgets the entries and what the build has learnt about the lists; Clear() calls it.
    virtual void Forget() = 0;

protected:
    ~CBuildSink() = default;
};

}  // namespace sitefinch
