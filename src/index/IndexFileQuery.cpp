// Answering a query from the index file alone.
#include "IndexFileQuery.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "IndexEntry.h"
#include "IndexPairs.h"
#include "LineReader.h"
#include "LinkIndex.h"
#include "LoweredQuery.h"
#include "platform/FileError.h"
#include "platform/Text.h"

namespace sitefinch {

bool CIndexFileQuery::Run(CFileSystem& fileSystem, const char* pszPath, const char* pszQuery) {
    m_found.clear();
    m_strings.Reset();
    if (pszPath == nullptr || *pszPath == '\0') {
        return false;
    }
    const CLoweredQuery query(pszQuery);
    CLineReader reader;
    if (!reader.Open(fileSystem, pszPath)) {
        return false;
    }
    bool bAscending = true;  // the found texts so far are in the index's order, none equal
    try {
        reader.MeasureLength();  // a file a load could not measure is not read here either
        char szLower[kLineCapacity];
        ReadIndexPairs(
            reader, [] {},
            [&](const char* pszTarget, char* pszText) {
                // What AddLinkEntry would make of the pair: nothing for an empty string, else the
                // text with its entities decoded, which never grows.
                if (*pszTarget == '\0' || *pszText == '\0') {
                    return;
                }
                CLinkIndex::DecodeEntities(pszText);
                const std::size_t nLength = std::strlen(pszText);
                std::memcpy(szLower, pszText, nLength);
                CharLowerBuff(szLower, nLength);
                if (!query.IsIn(std::string_view(szLower, nLength))) {
                    return;
                }
                const CFound found{m_strings.CopyString(pszText, nLength),
                                   m_strings.CopyString(pszTarget, std::strlen(pszTarget))};
                bAscending =
                    bAscending && (m_found.empty() ||
                                   CompareEntryTexts(m_found.back().pszText, found.pszText) < 0);
                m_found.push_back(found);
            });
        reader.Close();
    } catch (const CFileError&) {
        try {
            reader.Close();
        } catch (const CFileError&) {
            // Already failing; the file is released either way.
        }
        m_found.clear();
        m_strings.Reset();
        return false;
    }
    if (bAscending) {
        return true;  // as SaveIndex writes every file
    }
    // The tree orders by text and turns away a text equal to one it holds, so the first of equal
    // texts in the file stays. Equal texts differ only in the case of 'A' to 'Z' and lower-case
    // alike, so either all of them were found or none: the found ones alone decide.
    const auto less = [](const CFound& a, const CFound& b) {
        return CompareEntryTexts(a.pszText, b.pszText) < 0;
    };
    const auto equal = [](const CFound& a, const CFound& b) {
        return CompareEntryTexts(a.pszText, b.pszText) == 0;
    };
    std::stable_sort(m_found.begin(), m_found.end(), less);
    m_found.erase(std::unique(m_found.begin(), m_found.end(), equal), m_found.end());
    return true;
}

}  // namespace sitefinch
