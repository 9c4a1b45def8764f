// Qt's side of the index host: the two progress windows, the nested event pump, message boxes.
#include "QtIndexHost.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include "BuildIndexDlg.h"
#include "DisplayString.h"
#include "LoadingDlg.h"
#include "UiHooks.h"

namespace sitefinch {

namespace {

// Swallows QEvent::Quit for the application object while it is installed.
class CQuitFilter : public QObject {
public:
    CQuitFilter() {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->installEventFilter(this);
        }
    }
    ~CQuitFilter() override {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeEventFilter(this);
        }
    }
    CQuitFilter(const CQuitFilter&) = delete;
    CQuitFilter& operator=(const CQuitFilter&) = delete;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        return pEvent->type() == QEvent::Quit || QObject::eventFilter(pWatched, pEvent);
    }
};

}  // namespace

CQtIndexHost::CQtIndexHost(QWidget* pMainWindow) : m_pMainWindow(pMainWindow) {}

CQtIndexHost::~CQtIndexHost() = default;

CBuildProgressWnd* CQtIndexHost::NewBuildWindow() {
    return new CBuildIndexDlg(m_pMainWindow);
}

std::unique_ptr<CLoadingWnd> CQtIndexHost::NewLoadingWindow() {
    return std::make_unique<CLoadingDlg>(m_pMainWindow);
}

void CQtIndexHost::PumpMessages() {
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    CQuitFilter quitFilter;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CQtIndexHost::WaitMessage() {
    QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance(
        QCoreApplication::instance() != nullptr ? QCoreApplication::instance()->thread()
                                                : QThread::currentThread());
    if (pDispatcher == nullptr) {
        return;
    }
    CQuitFilter quitFilter;
    pDispatcher->processEvents(QEventLoop::WaitForMoreEvents);
}

bool CQtIndexHost::MessageBox(const char* pszText, const char* pszCaption, unsigned nType) {
    return ShowMessageBox(m_pMainWindow, ForDisplay(pszText), ForDisplay(pszCaption), nType);
}

}  // namespace sitefinch
