// The progress window of a build, drawn on a terminal's standard error.
#pragma once

#include <ostream>
#include <string>

#include "index/BuildProgressWnd.h"

namespace sitefinch {

class CTerminalHost;

// Each list line becomes one line of output, decoded for display and flushed at once, so a
// script sees progress as it happens. The closing prompt to press Ok is left out: the host
// acknowledges a finished build by itself. On a terminal a live line shows the statistics and
// the page being scanned, redrawn in place; it is erased before every lasting line and when the
// window goes, so that only the lasting lines remain.
// Allocated with new by the host; once created it deletes itself in DestroyWindow().
class CTerminalBuildWnd : public CBuildProgressWnd {
public:
    // err and host must outlive the window; nColumns is the terminal's width.
    CTerminalBuildWnd(CTerminalHost& host, std::ostream& err, bool bIsTerminal, int nColumns);

    bool Create() override { return true; }
    void AddLine(const char* pszText) override;
    void SetProgressText(const char* pszText) override;
    void SetButtonText(const char* pszText) override;
    void SetStatisticsText(const char* pszText) override;

    // True once the build has finished and waits for its acknowledgement.
    bool IsFinished() const { return m_bFinished; }

protected:
    void DestroyWindow() override;

private:
    void DrawLiveLine();
    void EraseLiveLine();

    CTerminalHost& m_host;
    std::ostream& m_err;
    bool m_bIsTerminal;
    int m_nColumns;
    bool m_bFinished = false;
    bool m_bLiveLineShown = false;
    std::string m_sProgress;
    std::string m_sStatistics;
};

}  // namespace sitefinch
