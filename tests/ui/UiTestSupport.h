// Shared by the window and application tests: the Qt application and bounded waiting.
#pragma once

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <functional>
#include <utility>

#include <gtest/gtest.h>

#include "ui/BuildIndexDlg.h"
#include "ui/UiHooks.h"

namespace sitefinch::uitest {

// The process's one QApplication on the offscreen platform, kept until the process ends, with
// the QTextBrowser pane (fast and sanitizer-friendly). A dialog that no test expects fails the
// test instead of waiting for a person who is not there.
inline void EnsureUiApp() {
    qputenv("SITEFINCH_PANE", "text");
    if (QCoreApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // What the program sets for WebEngine, which one test uses.
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        static int argc = 1;
        static char arg0[] = "ui_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
    }
    SetMessageBoxFn([](QWidget*, const QString& text, const QString&, unsigned) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return false;
    });
    SetOpenFileFn([](QWidget*, const QString&) {
        ADD_FAILURE() << "unexpected file dialog";
        return QString();
    });
}

// Bound on waits for another thread or process, so that a fault shows as a failure instead of a
// hung test. Generous on purpose: it is no measure of speed.
inline constexpr int kPatienceMs = 30000;

// Serves this thread's events until bDone() or the patience runs out; true when bDone().
inline bool ServeEventsUntil(const std::function<bool()>& bDone) {
    for (int nWaited = 0; nWaited < kPatienceMs && !bDone(); nWaited += 5) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return bDone();
}

// While it lives, acknowledges every build window once its build has finished (the button
// reads "&Ok"), as a person would; the build waits for that. duringBuild, when set, runs once
// inside the first build, while it is running, to try things a person might do meanwhile;
// beforeOk, when set, looks at each finished window before its Ok.
struct CBuildWindowHand {
    CBuildWindowHand() {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                auto* pDlg = qobject_cast<CBuildIndexDlg*>(pWidget);
                if (pDlg == nullptr || pDlg->IsDestroyed() || pDlg->GetIndex() == nullptr) {
                    continue;
                }
                if (duringBuild) {
                    std::exchange(duringBuild, nullptr)(*pDlg);
                } else if (pDlg->GetButtonText() == QStringLiteral("&Ok")) {
                    if (beforeOk) {
                        beforeOk(*pDlg);
                    }
                    ++nAcknowledged;
                    pDlg->OnOK();
                }
            }
        });
        timer.start(0);
    }

    QTimer timer;
    std::function<void(CBuildIndexDlg&)> duringBuild;
    std::function<void(CBuildIndexDlg&)> beforeOk;
    int nAcknowledged = 0;
};

}  // namespace sitefinch::uitest
