// The progress window of a build, drawn on a terminal's standard error.
#include "cli/TerminalBuildWnd.h"

#include <cstddef>
#include <cstring>

#include "cli/TerminalHost.h"
#include "indexer/BuildTexts.h"
#include "platform/DisplayText.h"

namespace sitefinch {

namespace {

constexpr const char kCarriageReturn[] = "\r";
constexpr const char kEraseToEndOfLine[] = "\x1b[K";
constexpr const char kEllipsis[] = "...";
constexpr std::size_t kEllipsisLength = sizeof kEllipsis - 1;
constexpr const char kLiveSeparator[] = "  ";

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t CountCodePoints(const std::string& s) {
    std::size_t n = 0;
    for (char c : s) {
        n += IsUtf8Continuation(c) ? 0 : 1;
    }
    return n;
}

// The first nKeep code points of a UTF-8 text.
std::string HeadCodePoints(const std::string& s, std::size_t nKeep) {
    std::size_t nPos = 0;
    std::size_t nSeen = 0;
    while (nPos < s.size() && (nSeen < nKeep || IsUtf8Continuation(s[nPos]))) {
        nSeen += IsUtf8Continuation(s[nPos]) ? 0 : 1;
        ++nPos;
    }
    return s.substr(0, nPos);
}

// The last nKeep code points of a UTF-8 text.
std::string TailCodePoints(const std::string& s, std::size_t nKeep) {
    std::size_t nPos = s.size();
    std::size_t nSeen = 0;
    while (nPos > 0 && nSeen < nKeep) {
        --nPos;
        if (!IsUtf8Continuation(s[nPos])) {
            ++nSeen;
        }
    }
    return s.substr(nPos);
}

}  // namespace

CTerminalBuildWnd::CTerminalBuildWnd(CTerminalHost& host, std::ostream& err, bool bIsTerminal,
                                     int nColumns)
    : m_host(host), m_err(err), m_bIsTerminal(bIsTerminal), m_nColumns(nColumns) {}

void CTerminalBuildWnd::AddLine(const char* pszText) {
    // The prompt to press Ok is for a person at a window; the host answers it.
    if (std::strcmp(pszText, kDoneLine) == 0) {
        return;
    }
    EraseLiveLine();
    m_err << DecodeForDisplay(pszText) << '\n';
    m_err.flush();
    DrawLiveLine();
}

void CTerminalBuildWnd::SetProgressText(const char* pszText) {
    m_sProgress = DecodeForDisplay(pszText);
    DrawLiveLine();
}

void CTerminalBuildWnd::SetButtonText(const char*) {
    // The button changes only when the build has finished and waits to be acknowledged.
    m_bFinished = true;
}

void CTerminalBuildWnd::SetStatisticsText(const char* pszText) {
    // Shown with the next redraw, like a window's text that is set without a repaint.
    m_sStatistics = DecodeForDisplay(pszText);
}

void CTerminalBuildWnd::DestroyWindow() {
    EraseLiveLine();
    m_host.OnWindowDestroyed(this);
    delete this;
}

void CTerminalBuildWnd::DrawLiveLine() {
    if (!m_bIsTerminal || m_sProgress.empty()) {
        return;
    }
    std::string sLine = m_sStatistics;
    if (!sLine.empty()) {
        sLine += kLiveSeparator;
    }
    // Stay within one row so that the carriage return reaches the line's start; of a long path
    // the end says most.
    const std::size_t nWidth = m_nColumns > 1 ? static_cast<std::size_t>(m_nColumns - 1) : 0;
    const std::size_t nPrefix = CountCodePoints(sLine);
    const std::size_t nProgress = CountCodePoints(m_sProgress);
    if (nPrefix + nProgress <= nWidth) {
        sLine += m_sProgress;
    } else if (nPrefix + kEllipsisLength < nWidth) {
        sLine += kEllipsis;
        sLine += TailCodePoints(m_sProgress, nWidth - nPrefix - kEllipsisLength);
    } else {
        // Too narrow even for the statistics: a line that wrapped would leave its first row
        // behind on every redraw.
        sLine = HeadCodePoints(sLine, nWidth);
    }
    m_err << kCarriageReturn << sLine << kEraseToEndOfLine;
    m_err.flush();
    m_bLiveLineShown = true;
}

void CTerminalBuildWnd::EraseLiveLine() {
    if (!m_bLiveLineShown) {
        return;
    }
    m_err << kCarriageReturn << kEraseToEndOfLine;
    m_err.flush();
    m_bLiveLineShown = false;
}

}  // namespace sitefinch
