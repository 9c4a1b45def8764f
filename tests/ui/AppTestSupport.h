// Shared helpers of the application tests: a Qt application object, temporary places, waiting.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace sitefinch::apptest {

// The process's one QApplication. The ui tests may make their own first; otherwise one is made
// here on the offscreen platform and kept until the process ends.
inline void EnsureQtApp() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "ui_tests";
    static char* argv[] = {arg0, nullptr};
    static QApplication* pApp = new QApplication(argc, argv);
    (void)pApp;
}

// Bound on waits for something another thread or process does, so that a fault shows as a
// failure instead of a hung test. Generous on purpose: it is no measure of speed.
inline constexpr int kPatienceMs = 30000;
inline constexpr int kPollStepMs = 5;

// Serves this thread's events until bDone() or the patience runs out; true when bDone().
inline bool ServeEventsUntil(const std::function<bool()>& bDone, int nPatienceMs = kPatienceMs) {
    for (int nWaited = 0; nWaited < nPatienceMs; nWaited += kPollStepMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (bDone()) {
            return true;
        }
        QThread::msleep(kPollStepMs);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return bDone();
}

// Sets an environment variable for the life of the object and restores it afterwards.
class CScopedEnv {
public:
    CScopedEnv(const char* pszName, const QByteArray& value)
        : m_pszName(pszName), m_bHad(qEnvironmentVariableIsSet(pszName)), m_old(qgetenv(pszName)) {
        qputenv(pszName, value);
    }
    ~CScopedEnv() {
        if (m_bHad) {
            qputenv(m_pszName, m_old);
        } else {
            qunsetenv(m_pszName);
        }
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    const char* m_pszName;
    bool m_bHad;
    QByteArray m_old;
};

}  // namespace sitefinch::apptest
