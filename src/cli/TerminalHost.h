// What a build or a load needs from its surroundings, provided by a terminal.
#pragma once

#include <csignal>
#include <functional>
#include <memory>
#include <ostream>

#include "index/IndexHost.h"

namespace sitefinch {

class CTerminalBuildWnd;

// There is no event queue: a pump only looks at the interrupt flag (set by the SIGINT handler),
// which stops a crawl like the window's Stop button, and acknowledges a finished build as its
// Ok button would. The streams and the flag must outlive the host.
class CTerminalHost : public CIndexHost {
public:
    // pInterrupt may be null (no interrupts); pumpHook, if set, runs at the start of every pump.
    CTerminalHost(std::ostream& err, bool bErrIsTerminal, int nColumns,
                  const volatile std::sig_atomic_t* pInterrupt,
                  std::function<void()> pumpHook = {});
    ~CTerminalHost() override;

    // The host keeps a link to the window until the window tells it that it is gone.
    CBuildProgressWnd* NewBuildWindow() override;
    // No loading window on a terminal.
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override { return nullptr; }
    void PumpMessages() override;
    // The acknowledgement a build waits for is always at hand, so this never blocks.
    void WaitMessage() override {}
    // Writes "<caption>: <text>" to the error stream; true except for questions, which a
    // terminal run declines.
    bool MessageBox(const char* pszText, const char* pszCaption, unsigned nType) override;

    // True when an interrupt stopped a crawl (the build then saved nothing).
    bool WasStoppedByInterrupt() const { return m_bStoppedByInterrupt; }

    // Called by the window as it goes.
    void OnWindowDestroyed(const CTerminalBuildWnd* pWnd);

private:
    std::ostream& m_err;
    bool m_bErrIsTerminal;
    int m_nColumns;
    const volatile std::sig_atomic_t* m_pInterrupt;
    std::function<void()> m_pumpHook;
    CTerminalBuildWnd* m_pWindow = nullptr;  // not owned: the window owns itself
    bool m_bStoppedByInterrupt = false;
};

}  // namespace sitefinch
