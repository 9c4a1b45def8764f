// The pairs of lines an index file holds, read by the one rule every reader of the file follows.
#pragma once

#include "LineReader.h"

namespace sitefinch {

// Reads reader to its end: a text line, then a target line, two by two. Calls onText() after
// each text line and onPair(pszTarget, pszText) for each pair whose target line starts with '@'
// (pszTarget without it); a pair without its '@' is dropped as a whole. pszText may be rewritten
// in place and lives until the next line is read. A read failure raises CFileError.
template <class OnText, class OnPair>
void ReadIndexPairs(CLineReader& reader, OnText&& onText, OnPair&& onPair) {
    char szText[kLineCapacity];
    char szTarget[kLineCapacity];
    while (reader.ReadLine(szText, sizeof szText)) {
        onText();
        if (!reader.ReadLine(szTarget, sizeof szTarget)) {
            break;
        }
        if (szTarget[0] == '@') {
            onPair(static_cast<const char*>(szTarget + 1), static_cast<char*>(szText));
        }
    }
}

}  // namespace sitefinch
