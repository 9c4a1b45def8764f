// The index object: construction, clearing, adding entries, entity decoding and statistics.
#include "LinkIndex.h"

#include <cstdio>
#include <cstring>

#include "LinkEntry.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

struct CEntity {
    const char* pszName;
    std::size_t nLength;
    unsigned char cByte;
};

// Searched in this order; "&quot;" deliberately becomes the apostrophe, which is what the index
// files written so far hold.
constexpr CEntity kEntities[] = {
    {"&auml;", 6, 228}, {"&ouml;", 6, 246}, {"&uuml;", 6, 252},  {"&Auml;", 6, 196},
    {"&Ouml;", 6, 214}, {"&Uuml;", 6, 220}, {"&szlig;", 7, 223}, {"&quot;", 6, 39},
};

}  // namespace

CLinkIndex::CLinkIndex(CFileSystem& fileSystem, CIndexHost& host, char cSeparator)
    : m_pPositionMap(std::make_unique<std::vector<const CIndexEntry*>>()),
      m_fileSystem(fileSystem),
      m_host(host),
      m_cSeparator(cSeparator) {}

CLinkIndex::~CLinkIndex() {
    Clear();
    m_pPositionMap.reset();
}

void CLinkIndex::Clear() {
    m_visited.RemoveAll();
    m_pending.RemoveAll();
    // The map refers to entries of the tree: empty it first so it never holds a freed one.
    m_pPositionMap->clear();
    m_lineTexts.clear();
    m_tree.RemoveAll();  // also makes the filter's flattened copy stale
    m_nLinks = 0;
    m_nPages = 0;
}

void CLinkIndex::AddTitleEntry(const char* pszTarget, const char* pszText) {
    if (pszText == nullptr) {
        pszText = "";
    }
    while (IsBlank(static_cast<unsigned char>(*pszText))) {
        ++pszText;
    }
    auto pEntry = std::make_unique<CIndexEntry>(pszTarget, pszText);
    if (std::strchr(pEntry->GetText(), '&') != nullptr) {
        DecodeEntities(pEntry->GetMutableText());
        pEntry->UpdateLowerText();
    }
    m_tree.Insert(pEntry);  // a rejected entry is handed back and destroyed here
}

bool CLinkIndex::AddLinkEntry(const char* pszTarget, const char* pszText) {
    if (pszTarget == nullptr || *pszTarget == '\0' || pszText == nullptr || *pszText == '\0') {
        return false;
    }
    std::unique_ptr<CIndexEntry> pEntry = std::make_unique<CLinkEntry>(pszTarget, pszText);
    if (std::strchr(pEntry->GetText(), '&') != nullptr) {
        DecodeEntities(pEntry->GetMutableText());
        pEntry->UpdateLowerText();
    }
    if (!m_tree.Insert(pEntry)) {
        return false;
    }
    ++m_nLinks;
    return true;
}

void CLinkIndex::DecodeEntities(char* pszText) {
    if (pszText == nullptr) {
        return;
    }
    char* pWrite = std::strchr(pszText, '&');
    if (pWrite == nullptr) {
        return;
    }
    const char* pRead = pWrite;
    while (*pRead != '\0') {
        if (*pRead == '&') {
            const CEntity* pMatch = nullptr;
            for (const CEntity& entity : kEntities) {
                // strncmp stops at the text's end, so a short tail is never read past.
                if (std::strncmp(pRead, entity.pszName, entity.nLength) == 0) {
                    pMatch = &entity;
                    break;
                }
            }
            if (pMatch != nullptr) {
                *pWrite++ = static_cast<char>(pMatch->cByte);
                pRead += pMatch->nLength;
                continue;
            }
        }
        *pWrite++ = *pRead++;
    }
    *pWrite = '\0';
}

const char* CLinkIndex::GetTargetAt(std::int64_t nPosition) const {
    if (nPosition < 0 || static_cast<std::uint64_t>(nPosition) >= m_pPositionMap->size()) {
        return nullptr;
    }
    return (*m_pPositionMap)[static_cast<std::size_t>(nPosition)]->GetTarget();
}

void CLinkIndex::UpdateStatistics() {
    char szStatistics[kStatisticsCapacity];
    std::snprintf(szStatistics, sizeof szStatistics, "%ld pages, %ld links",
                  static_cast<long>(m_nPages), static_cast<long>(m_nLinks));
    if (m_pProgressWnd != nullptr) {
        m_pProgressWnd->SetStatisticsText(szStatistics);
    }
}

}  // namespace sitefinch
