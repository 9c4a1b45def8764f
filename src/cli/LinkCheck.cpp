// Checking a site's local links and their anchors as it is crawled, and finding the pages below
// its folder that the crawl never took.
#include "cli/LinkCheck.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/FileError.h"
#include "platform/PathParts.h"
#include "platform/Text.h"

namespace sitefinch {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAnchorBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EqualsFoldedAscii(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldAsciiByte(static_cast<unsigned char>(text[i])) !=
            static_cast<unsigned char>(lower[i])) {
            return false;
        }
    }
    return true;
}

// The length of "id" or "name" (any case) at offset n of bytes, or 0.
std::size_t AnchorWordAt(std::string_view bytes, std::size_t n) {
    for (const std::string_view word : {std::string_view("id"), std::string_view("name")}) {
        if (EqualsFoldedAscii(bytes.substr(n, word.size()), word)) {
            return word.size();
        }
    }
    return 0;
}

bool HasPageExtension(const std::string& sName) {
    const auto endsWith = [&sName](std::string_view ext) {
        return sName.size() >= ext.size() &&
               EqualsFoldedAscii(std::string_view(sName).substr(sName.size() - ext.size()), ext);
    };
    return endsWith(".htm") || endsWith(".html");
}

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(CFileSystem& fileSystem, const char* pszPath) {
    try {
        std::unique_ptr<CFile> pFile = fileSystem.OpenForReading(pszPath);
        if (!pFile) {
            return std::nullopt;
        }
        std::string sBytes;
        std::size_t nRead;
        do {
            const std::size_t nOld = sBytes.size();
            sBytes.resize(nOld + kReadChunk);
            nRead = pFile->Read(sBytes.data() + nOld, kReadChunk);
            sBytes.resize(nOld + nRead);
        } while (nRead == kReadChunk);
        pFile->Close();
        return sBytes;
    } catch (const CFileError&) {
        return std::nullopt;
    }
}

void CollectOrphans(const std::filesystem::path& dir, const std::string& sPrinted,
                    const std::function<bool(const std::string&)>& isVisited,
                    std::vector<std::string>& orphans) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        const std::string sName = it->path().filename().string();
        const std::filesystem::file_status status = it->symlink_status(error);
        if (error) {
            error.clear();
            continue;
        }
        if (std::filesystem::is_directory(status)) {
            CollectOrphans(it->path(), sPrinted + sName + kPathSeparator, isVisited, orphans);
        } else if (HasPageExtension(sName)) {
            std::string sPath = sPrinted + sName;
            std::string sLower = sPath;
            CharLowerA(sLower.data());
            if (!isVisited(sLower)) {
                orphans.push_back(std::move(sPath));
            }
        }
    }
}

}  // namespace

const char* CheckKindName(CCheckLine::EKind eKind) {
    switch (eKind) {
        case CCheckLine::EKind::kMissing:
            return "missing";
        case CCheckLine::EKind::kFragment:
            return "fragment";
        case CCheckLine::EKind::kOrphan:
            return "orphan";
    }
    return "";
}

std::unordered_set<std::string> FindAnchors(std::string_view bytes) {
    std::unordered_set<std::string> anchors;
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::size_t nWord = AnchorWordAt(bytes, n);
        if (nWord == 0) {
            continue;
        }
        if (n > 0) {
            const unsigned char cBefore = static_cast<unsigned char>(bytes[n - 1]);
            if (IsAsciiAlnum(cBefore) || cBefore == '_' || cBefore == '-') {
                continue;
            }
        }
        std::size_t i = n + nWord;
        while (i < bytes.size() && IsAnchorBlank(static_cast<unsigned char>(bytes[i]))) {
            ++i;
        }
        if (i >= bytes.size() || bytes[i] != '=') {
            continue;
        }
        ++i;
        while (i < bytes.size() && IsAnchorBlank(static_cast<unsigned char>(bytes[i]))) {
            ++i;
        }
        // Each place is tried on its own, so a value may hold another anchor.
        if (i < bytes.size() && (bytes[i] == '"' || bytes[i] == '\'')) {
            const std::size_t nClose = bytes.find(bytes[i], i + 1);
            if (nClose != std::string_view::npos) {
                anchors.emplace(bytes.substr(i + 1, nClose - i - 1));
            }
        } else {
            const std::size_t nEnd = std::min(bytes.find_first_of(" \t\r\n>\"'", i), bytes.size());
            anchors.emplace(bytes.substr(i, nEnd - i));
        }
    }
    return anchors;
}

std::optional<std::string_view> FragmentOf(std::string_view href) {
    const std::size_t nHash = href.find('#');
    if (nHash == std::string_view::npos) {
        return std::nullopt;
    }
    return href.substr(nHash + 1);
}

bool IsCheckedFragment(std::string_view fragment) {
    return !fragment.empty() && !EqualsFoldedAscii(fragment, "top");
}

std::uint32_t CLinkChecker::PageId(const char* pszPath) {
    const auto [it, bAdded] =
        m_pageIds.try_emplace(pszPath, static_cast<std::uint32_t>(m_pages.size()));
    if (bAdded) {
        m_pages.emplace_back();
        m_pages.back().sPath = pszPath;
    }
    return it->second;
}

void CLinkChecker::OnPage(const char* pszPath, bool bOpened) {
    m_pages[PageId(pszPath)].eState = bOpened ? EState::kOpened : EState::kFailed;
}

void CLinkChecker::OnLink(const char* pszPage, const char* pszHref, const char* pszTarget,
                          const char* pszTargetPage) {
    const std::uint32_t nTargetPage = PageId(pszTargetPage);
    const std::optional<std::string_view> fragment = FragmentOf(pszHref);
    // A link to a page that opened already, with nothing to look for there, is fine: most links
    // of a site are, and they need not be kept.
    if (m_pages[nTargetPage].eState == EState::kOpened &&
        !(fragment && IsCheckedFragment(*fragment))) {
        return;
    }
    m_links.push_back(CLink{.nPage = PageId(pszPage),
                            .nTargetPage = nTargetPage,
                            .sHref = pszHref,
                            .sTarget = pszTarget});
}

bool CLinkChecker::HasAnchor(CFileSystem& fileSystem, CPage& page, std::string_view fragment) {
    if (!page.bAnchorsRead) {
        page.bAnchorsRead = true;
        if (const std::optional<std::string> bytes =
                ReadWholeFile(fileSystem, page.sPath.c_str())) {
            page.anchors = FindAnchors(*bytes);
        }
    }
    return page.anchors.contains(std::string(fragment));
}

std::vector<CCheckLine> CLinkChecker::FindProblems(CFileSystem& fileSystem) {
    std::vector<CCheckLine> problems;
    for (const CLink& link : m_links) {
        CPage& target = m_pages[link.nTargetPage];
        std::optional<CCheckLine::EKind> eProblem;
        if (target.eState == EState::kFailed) {
            eProblem = CCheckLine::EKind::kMissing;
        } else if (target.eState == EState::kOpened) {
            const std::optional<std::string_view> fragment = FragmentOf(link.sHref);
            if (fragment && IsCheckedFragment(*fragment) &&
                !HasAnchor(fileSystem, target, *fragment)) {
                eProblem = CCheckLine::EKind::kFragment;
            }
        }
        if (eProblem) {
            problems.push_back(CCheckLine{.eKind = *eProblem,
                                          .sPage = m_pages[link.nPage].sPath,
                                          .sHref = link.sHref,
                                          .sTarget = link.sTarget});
        }
    }
    return problems;
}

bool CLinkChecker::WasVisited(const std::string& sPath) const {
    const auto it = m_pageIds.find(sPath);
    return it != m_pageIds.end() && m_pages[it->second].eState != EState::kNotTaken;
}

std::vector<std::string> FindOrphans(const std::string& sFolder,
                                     const std::function<bool(const std::string&)>& isVisited) {
    std::vector<std::string> orphans;
    CollectOrphans(std::filesystem::path(sFolder), sFolder, isVisited, orphans);
    std::sort(orphans.begin(), orphans.end());
    return orphans;
}

}  // namespace sitefinch
