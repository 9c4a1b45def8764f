// Shared helpers of the window and application tests: the Qt application, waiting, a copy of the
// test site, answers to dialogs, and a hand that acknowledges build windows.
#pragma once

#include <QApplication>
#include <QDirIterator>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "ui/BuildIndexDlg.h"
#include "ui/UiHooks.h"

namespace sitefinch::uitest {

// A dialog that no test expects fails the test instead of waiting for a person who is not there.
inline void RefuseDialogs() {
    SetMessageBoxFn([](QWidget*, const QString& text, const QString&, unsigned) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return false;
    });
    SetOpenFileFn([](QWidget*) {
        ADD_FAILURE() << "unexpected file dialog";
        return QString();
    });
}

// The process's one QApplication on the offscreen platform, kept until the process ends, with
// the QTextBrowser pane (fast and sanitizer-friendly).
inline void EnsureUiApp() {
    qputenv("SITEFINCH_PANE", "text");
    if (QCoreApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char arg0[] = "ui_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
    }
    RefuseDialogs();
}

// Bound on waits for another thread or process, so that a fault shows as a failure instead of a
// hung test. Generous on purpose: it is no measure of speed.
inline constexpr int kPatienceMs = 30000;

// Serves this thread's events until bDone() or the patience runs out; true when bDone().
inline bool ServeEventsUntil(const std::function<bool()>& bDone) {
    for (int nWaited = 0; nWaited < kPatienceMs; nWaited += 5) {
        QCoreApplication::processEvents();
        if (bDone()) {
            return true;
        }
        QThread::msleep(5);
    }
    return bDone();
}

// A private copy of tests/data/ui/site in a directory whose name has capitals, so that the
// lower-cased paths of the index must be resolved against the disk.
struct CTempSite {
    CTempSite() {
        const QString source = QStringLiteral(SITEFINCH_TEST_DATA_DIR "/ui/site");
        for (QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString file = it.next();
            const QString target = dir.path() + file.mid(source.size());
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(file, target);
        }
    }
    QString Path(const char* pszRelative) const {
        return dir.path() + u'/' + QLatin1String(pszRelative);
    }
    std::string Bytes(const char* pszRelative) const {
        return QFile::encodeName(Path(pszRelative)).toStdString();
    }
    // The command-line text for a start page and a query, both quoted.
    QByteArray CommandLine(const char* pszStartPage, const QByteArray& query = {}) const {
        const QByteArray text = '"' + QFile::encodeName(Path(pszStartPage)) + '"';
        return query.isEmpty() ? text : text + " \"" + query + '"';
    }

    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/Sitefinch-UI-XXXXXX")};
};

// While it lives, answers message boxes (OK while bOk) and the file dialog (with file; "" is a
// cancel), and records each as shown: "Caption TYPE: text" or "file dialog". Only one may live
// at a time: the one destroyed leaves dialogs refused.
struct CDialogAnswers {
    CDialogAnswers() {
        SetMessageBoxFn([this](QWidget*, const QString& text, const QString& caption, unsigned n) {
            shown << QStringLiteral("%1 %2: %3").arg(caption).arg(n).arg(text);
            return bOk;
        });
        SetOpenFileFn([this](QWidget*) {
            shown << QStringLiteral("file dialog");
            return file;
        });
    }
    ~CDialogAnswers() { RefuseDialogs(); }
    Q_DISABLE_COPY(CDialogAnswers)

    bool bOk = true;
    QString file;
    QStringList shown;
};

// While it lives, acknowledges every build window once its build has finished (the button
// reads "&Ok"), as a person would; the build waits for that. duringBuild, when set, runs once
// inside the first build, while it is running, to try things a person might do meanwhile.
struct CBuildWindowHand {
    CBuildWindowHand() {
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] { Look(); });
        timer.start(0);
    }
    void Look() {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            auto* pDlg = qobject_cast<CBuildIndexDlg*>(pWidget);
            if (pDlg == nullptr || pDlg->IsDestroyed() || pDlg->GetIndex() == nullptr) {
                continue;
            }
            if (duringBuild) {
                std::exchange(duringBuild, nullptr)(*pDlg);
            } else if (pDlg->GetButtonText() == QStringLiteral("&Ok")) {
                ++nAcknowledged;
                pDlg->OnOK();
            }
        }
    }

    QTimer timer;
    std::function<void(CBuildIndexDlg&)> duringBuild;
    int nAcknowledged = 0;
};

// Presses and releases a key on a widget.
inline void SendKey(QWidget* pWidget, int nKey, const QString& text = QString()) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, nKey, Qt::NoModifier, text);
        QApplication::sendEvent(pWidget, &event);
    }
}

}  // namespace sitefinch::uitest
