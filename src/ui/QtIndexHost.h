// The index's windows, message pump and message boxes, provided by Qt for the main window.
#pragma once

#include <memory>

#include "index/IndexHost.h"

class QWidget;

namespace sitefinch {

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
    // the middle of a build or load would leave the index half made.
    void PumpMessages() override;
    // Blocks until an event arrives and dispatches it (a quit request is swallowed here too).
    void WaitMessage() override;
    bool MessageBox(const char* pszText, const char* pszCaption, unsigned nType) override;

private:
    QWidget* m_pMainWindow;  // not owned
};

}  // namespace sitefinch
