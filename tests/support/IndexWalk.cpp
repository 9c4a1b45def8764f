// The contents of an index as plain values.
#include "support/IndexWalk.h"

namespace sitefinch::test {

Entries EntriesOf(const CLinkIndex& index) {
    Entries entries;
    index.GetTree().ForEachEntry([&entries](const CIndexEntry& entry) {
        entries.emplace_back(entry.GetText(), entry.GetTarget());
    });
    return entries;
}

Entries InOrderOf(const CLinkIndex& index) {
    Entries entries;
    for (const CIndexEntry& entry : index.GetTree().InOrder()) {
        entries.emplace_back(entry.GetText(), entry.GetTarget());
    }
    return entries;
}

Strings PathsOf(const CPathList& list) {
    return {list.GetPaths().begin(), list.GetPaths().end()};
}

}  // namespace sitefinch::test
