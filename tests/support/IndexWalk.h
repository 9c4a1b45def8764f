// The contents of an index as plain values, read through its public iteration.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "index/LinkIndex.h"

namespace sitefinch::test {

using Strings = std::vector<std::string>;
using Entries = std::vector<std::pair<std::string, std::string>>;  // text, target

// Every entry of the tree in ascending order, whether or not the in-order list is current.
Entries EntriesOf(const CLinkIndex& index);

// The in-order list as the last RebuildOrder() left it.
Entries InOrderOf(const CLinkIndex& index);

Strings PathsOf(const CPathList& list);

}  // namespace sitefinch::test
