// The index object: construction, clearing, adding entries, entity decoding and statistics.
#include "LinkIndex.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <system_error>

#include "IndexTexts.h"
#include "LineReader.h"
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

// Texts are decoded on the stack before the look-up in the text set; every text a scan or a
// load hands in fits, and a longer one simply takes the way without the look-up.
constexpr std::size_t kDecodeCapacity = kLineCapacity;

}  // namespace

CLinkIndex::CLinkIndex(CFileSystem& fileSystem, CIndexHost& host, char cSeparator)
    : m_pPositionMap(std::make_unique<CPositionMap>()),
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
    if (m_pBuildSink != nullptr) {
        m_pBuildSink->Forget();  // its entries and what it knows of the lists go with them
    }
    // The flattened copy holds the tree's texts; only result lists that still show them may.
    m_filter.Clear();
    m_tree.RemoveAll();
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
    InsertEntry(pszTarget, pszText, false);
}

bool CLinkIndex::AddLinkEntry(const char* pszTarget, const char* pszText) {
    if (pszTarget == nullptr || *pszTarget == '\0' || pszText == nullptr || *pszText == '\0') {
        return false;
    }
    if (!InsertEntry(pszTarget, pszText, true)) {
        return false;
    }
    ++m_nLinks;
    return true;
}

bool CLinkIndex::InsertEntry(const char* pszTarget, const char* pszText, bool bLinkEntry) {
    // A running build's texts are looked up decoded, before an entry is made: a site repeats its
    // link texts many times over.
    char szDecoded[kDecodeCapacity];
    bool bDecoded = false;
    if (m_pBuildSink != nullptr && CopyBounded(szDecoded, sizeof szDecoded, pszText)) {
        DecodeEntities(szDecoded);
        if (m_pBuildSink->HoldsText(szDecoded)) {
            return false;  // the tree would turn it away: the first entry of a text wins
        }
        pszText = szDecoded;
        bDecoded = true;
    }
    const CEntryMemory memory = m_tree.GetEntryMemory();
    std::unique_ptr<CIndexEntry> pEntry(bLinkEntry
                                            ? new (memory) CLinkEntry(memory, pszTarget, pszText)
                                            : new (memory) CIndexEntry(memory, pszTarget, pszText));
    if (!bDecoded && std::strchr(pEntry->GetText(), '&') != nullptr) {
        pEntry->RewriteText(&DecodeEntities);
    }
    if (m_pBuildSink != nullptr) {
        if (!bDecoded && m_pBuildSink->HoldsText({pEntry->GetText(), pEntry->GetTextLength()})) {
            return false;
        }
        m_pBuildSink->TakeEntry(std::move(pEntry));
        return true;
    }
    return m_tree.Insert(pEntry);  // a rejected entry is handed back and destroyed here
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
    return CIndexEntry::GetTargetOfText(
        m_filter.pTexts->GetText(m_pPositionMap->EntryAt(static_cast<std::size_t>(nPosition))));
}

void FormatStatistics(char* pszText, std::size_t nCapacity, std::int32_t nPages,
                      std::int32_t nLinks) {
    if (nCapacity == 0) {
        return;
    }
    // By hand rather than through printf, which cost more than resolving a link.
    char* p = pszText;
    char* const pEnd = pszText + nCapacity - 1;  // room for the terminator
    const auto append = [&p, pEnd](std::string_view sPart) {
        const std::size_t n = std::min(sPart.size(), static_cast<std::size_t>(pEnd - p));
        std::memcpy(p, sPart.data(), n);
        p += n;
    };
    const auto appendNumber = [&p, pEnd](long nValue) {
        const std::to_chars_result result = std::to_chars(p, pEnd, nValue);
        if (result.ec == std::errc()) {
            p = result.ptr;
        }
    };
    appendNumber(nPages);
    append(" pages, ");
    appendNumber(nLinks);
    append(" links");
    *p = '\0';
}

void CLinkIndex::UpdateStatistics() {
    if (m_pProgressWnd == nullptr) {
        return;
    }
    // Made again only when a counter changed: a build asks after every link.
    if (m_nStatisticsPages != m_nPages || m_nStatisticsLinks != m_nLinks ||
        m_szStatistics[0] == '\0') {
        FormatStatistics(m_szStatistics, sizeof m_szStatistics, m_nPages, m_nLinks);
        m_nStatisticsPages = m_nPages;
        m_nStatisticsLinks = m_nLinks;
    }
    m_pProgressWnd->SetStatisticsText(m_szStatistics);
}

}  // namespace sitefinch
