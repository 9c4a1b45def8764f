// The index's windows, message pump and message boxes, provided by Qt for the main window.
#pragma once

#include <memory>

#include <QElapsedTimer>
#include <QPointer>

#include "EventProbe.h"
#include "index/IndexHost.h"

class QWidget;

namespace sitefinch {

class CBuildIndexDlg;

// pMainWindow owns the messages and is the parent of the progress windows; it must outlive the
// host's use (the main window owns both the host and the index that uses it).
class CQtIndexHost : public CIndexHost {
public:
    explicit CQtIndexHost(QWidget* pMainWindow);
    ~CQtIndexHost() override;

    // A CBuildIndexDlg parented to the main window; it deletes itself once its window is gone.
    CBuildProgressWnd* NewBuildWindow() override;
    // A shown CLoadingDlg parented to the main window.
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override;
    // Dispatches the waiting events; a quit request among them is swallowed, since quitting in
    // the middle of a build or load would leave the index half made. Asks the event loop first
    // and returns at once when nothing waits.
    void PumpMessages() override;
    // The same, but without asking: a full pass once a display frame has passed since the last.
    void PumpMessagesOncePerFrame() override;
    // Paints what the build window has not yet painted, then blocks until an event arrives and
    // dispatches it (a quit request is swallowed here too).
    void WaitMessage() override;
    bool MessageBox(const char* pszText, const char* pszCaption, unsigned nType) override;

private:
    void DrainEvents();

    QWidget* m_pMainWindow;  // not owned
    int m_nFrameMs;
    CEventProbe m_probe;
    QElapsedTimer m_sinceDrained;    // for PumpMessagesOncePerFrame
    unsigned m_nUnclockedPumps = 0;  // PumpMessagesOncePerFrame calls since the clock was read
    QPointer<CBuildIndexDlg> m_pBuildWnd;  // the last build window made; it owns itself
};

}  // namespace sitefinch
