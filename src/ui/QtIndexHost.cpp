// Qt's side of the index host: the two progress windows, the nested event pump, message boxes.
#include "QtIndexHost.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QScreen>
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

int PrimaryFrameMs() {
    return DisplayFrameMs(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
                              ? QGuiApplication::primaryScreen()
                              : nullptr);
}

// Reading the clock costs a fifth of a loaded entry; once per this many pumps is enough to
// notice a frame's end.
constexpr unsigned kPumpsPerClockRead = 32;

}  // namespace

CQtIndexHost::CQtIndexHost(QWidget* pMainWindow)
    : m_pMainWindow(pMainWindow), m_nFrameMs(PrimaryFrameMs()), m_probe(m_nFrameMs) {
    m_sinceDrained.start();
}

CQtIndexHost::~CQtIndexHost() = default;

CBuildProgressWnd* CQtIndexHost::NewBuildWindow() {
    auto* pWnd = new CBuildIndexDlg(m_pMainWindow);
    m_pBuildWnd = pWnd;
    return pWnd;
}

std::unique_ptr<CLoadingWnd> CQtIndexHost::NewLoadingWindow() {
    return std::make_unique<CLoadingDlg>(m_pMainWindow);
}

void CQtIndexHost::DrainEvents() {
    CQuitFilter quitFilter;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_probe.MarkDrained();
    m_sinceDrained.start();
}

void CQtIndexHost::PumpMessages() {
    if (QCoreApplication::instance() == nullptr || !m_probe.AnyWaiting()) {
        return;
    }
    DrainEvents();
}

void CQtIndexHost::PumpMessagesOncePerFrame() {
    if (QCoreApplication::instance() == nullptr || ++m_nUnclockedPumps < kPumpsPerClockRead) {
        return;
    }
    m_nUnclockedPumps = 0;
    if (m_sinceDrained.elapsed() >= m_nFrameMs) {
        DrainEvents();
    }
}

void CQtIndexHost::WaitMessage() {
    if (m_pBuildWnd != nullptr) {
        m_pBuildWnd->ShowChanges();
    }
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
