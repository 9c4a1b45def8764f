// What a build or a load needs from its surroundings, provided by a terminal.
#include "cli/TerminalHost.h"

#include <utility>

#include "cli/TerminalBuildWnd.h"
#include "platform/DisplayText.h"

namespace sitefinch {

CTerminalHost::CTerminalHost(std::ostream& err, bool bErrIsTerminal, int nColumns,
                             const volatile std::sig_atomic_t* pInterrupt,
                             std::function<void()> pumpHook)
    : m_err(err),
      m_bErrIsTerminal(bErrIsTerminal),
      m_nColumns(nColumns),
      m_pInterrupt(pInterrupt),
      m_pumpHook(std::move(pumpHook)) {}

CTerminalHost::~CTerminalHost() = default;

CBuildProgressWnd* CTerminalHost::NewBuildWindow() {
    m_pWindow = new CTerminalBuildWnd(*this, m_err, m_bErrIsTerminal, m_nColumns);
    return m_pWindow;
}

void CTerminalHost::PumpMessages() {
    if (m_pumpHook) {
        m_pumpHook();
    }
    if (m_pWindow == nullptr) {
        return;
    }
    if (m_pWindow->IsFinished()) {
        // The build pumps after finishing only while it waits for Ok.
        m_pWindow->OnOK();
    } else if (m_pInterrupt != nullptr && *m_pInterrupt != 0) {
        m_bStoppedByInterrupt = true;
        m_pWindow->OnOK();
    }
}

bool CTerminalHost::MessageBox(const char* pszText, const char* pszCaption, unsigned nType) {
    m_err << DecodeForDisplay(pszCaption) << ": " << DecodeForDisplay(pszText) << '\n';
    m_err.flush();
    return nType != kMbQuestion;
}

void CTerminalHost::OnWindowDestroyed(const CTerminalBuildWnd* pWnd) {
    if (m_pWindow == pWnd) {
        m_pWindow = nullptr;
    }
}

}  // namespace sitefinch
