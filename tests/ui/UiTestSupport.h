// Shared helpers of the window and application tests: the Qt application, waiting, a copy of the
// test site, answers to message boxes and file dialogs, and a hand that acknowledges build windows.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QKeyEvent>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/BuildIndexDlg.h"
#include "ui/UiHooks.h"

namespace sitefinch::uitest {

// A message box or file dialog that no test expects fails the test instead of waiting for a
// person who is not there.
inline void RefuseUnexpectedMessageBoxes() {
    SetMessageBoxFn([](QWidget*, const QString& text, const QString&, unsigned) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return false;
    });
}
inline void RefuseUnexpectedFileDialogs() {
    SetOpenFileFn([](QWidget*) {
        ADD_FAILURE() << "unexpected file dialog";
        return QString();
    });
}

// The process's one QApplication on the offscreen platform, kept until the process ends, with
// the QTextBrowser pane (fast and sanitizer-friendly) and no unexpected questions.
inline void EnsureUiApp() {
    qputenv("SITEFINCH_PANE", "text");
    if (QCoreApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char arg0[] = "ui_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
    }
    RefuseUnexpectedMessageBoxes();
    RefuseUnexpectedFileDialogs();
}

// Bound on waits for another thread or process, so that a fault shows as a failure instead of a
// hung test. Generous on purpose: it is no measure of speed.
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

// Processes the deletions that windows scheduled for themselves.
inline void FlushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Sets an environment variable for the life of the object and restores it afterwards.
class CScopedEnv {
public:
    CScopedEnv(const char* pszName, const QByteArray& value)
        : m_pszName(pszName), m_bHad(qEnvironmentVariableIsSet(pszName)), m_old(qgetenv(pszName)) {
        qputenv(pszName, value);
    }
    ~CScopedEnv() { m_bHad ? qputenv(m_pszName, m_old) : qunsetenv(m_pszName); }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    const char* m_pszName;
    bool m_bHad;
    QByteArray m_old;
};

// A private copy of tests/data/ui/site in a temporary directory (whose name has capitals, so
// that the lower-cased paths of the index must be resolved against the disk).
class CTempSite {
public:
    CTempSite() : m_dir(QDir::tempPath() + QStringLiteral("/Sitefinch-UI-XXXXXX")) {
        const QString source = QStringLiteral(SITEFINCH_TEST_DATA_DIR "/ui/site");
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = m_dir.path() + file.mid(source.size());
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(file, target);
        }
    }
    bool IsValid() const { return m_dir.isValid(); }
    QString Path(const QString& relative) const { return m_dir.path() + u'/' + relative; }
    std::string Bytes(const QString& relative) const {
        return QFile::encodeName(Path(relative)).toStdString();
    }
    // The command-line text for a start page and a query, both quoted.
    QByteArray CommandLine(const QString& startPage, const QByteArray& query = {}) const {
        QByteArray text = '"' + QFile::encodeName(Path(startPage)) + '"';
        return query.isEmpty() ? text : text + " \"" + query + '"';
    }

private:
    QTemporaryDir m_dir;
};

// One message box as it was shown.
struct CShownMessage {
    QString text;
    QString caption;
    unsigned type;
};

// Answers message boxes (OK unless told otherwise) and records them while it lives. Only one
// may live at a time: the one destroyed leaves message boxes refused.
class CMessageBoxAnswers {
public:
    explicit CMessageBoxAnswers(bool bDefaultAnswer = true) : m_bDefault(bDefaultAnswer) {
        SetMessageBoxFn(
            [this](QWidget*, const QString& text, const QString& caption, unsigned type) {
                m_shown.push_back({text, caption, type});
                if (m_answers.empty()) {
                    return m_bDefault;
                }
                const bool bAnswer = m_answers.front();
                m_answers.pop_front();
                return bAnswer;
            });
    }
    ~CMessageBoxAnswers() { RefuseUnexpectedMessageBoxes(); }
    CMessageBoxAnswers(const CMessageBoxAnswers&) = delete;
    CMessageBoxAnswers& operator=(const CMessageBoxAnswers&) = delete;

    void Answer(bool bAnswer) { m_answers.push_back(bAnswer); }
    const std::vector<CShownMessage>& Shown() const { return m_shown; }
    QStringList Texts() const {
        QStringList texts;
        for (const CShownMessage& message : m_shown) {
            texts << message.text;
        }
        return texts;
    }

private:
    bool m_bDefault;
    std::deque<bool> m_answers;
    std::vector<CShownMessage> m_shown;
};

// Answers the file-open dialog with a fixed path ("" = cancelled) while it lives.
class CFileDialogAnswer {
public:
    explicit CFileDialogAnswer(QString path) : m_path(std::move(path)) {
        SetOpenFileFn([this](QWidget*) { return ++m_nCalls, m_path; });
    }
    ~CFileDialogAnswer() { RefuseUnexpectedFileDialogs(); }
    CFileDialogAnswer(const CFileDialogAnswer&) = delete;
    CFileDialogAnswer& operator=(const CFileDialogAnswer&) = delete;
    int Calls() const { return m_nCalls; }

private:
    QString m_path;
    int m_nCalls = 0;
};

// While it lives, acknowledges every build window once its build has finished (the button
// reads "&Ok"), as a person would; the build waits for that. An optional callback runs once
// inside the first build, while it is running, to try things a person might do meanwhile.
class CBuildWindowHand {
public:
    CBuildWindowHand() {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Look(); });
        m_timer.start();
    }
    void DuringBuild(std::function<void(CBuildIndexDlg&)> fn) { m_duringBuild = std::move(fn); }
    int Acknowledged() const { return m_nAcknowledged; }

private:
    void Look() {
        for (QWidget* pWidget : QApplication::topLevelWidgets()) {
            auto* pDlg = qobject_cast<CBuildIndexDlg*>(pWidget);
            if (pDlg == nullptr || pDlg->IsDestroyed() || pDlg->GetIndex() == nullptr) {
                continue;
            }
            if (m_duringBuild) {
                auto fn = std::move(m_duringBuild);
                m_duringBuild = nullptr;
                fn(*pDlg);
            } else if (pDlg->GetButtonText() == QStringLiteral("&Ok")) {
                ++m_nAcknowledged;
                pDlg->OnOK();
            }
        }
    }

    QTimer m_timer;
    std::function<void(CBuildIndexDlg&)> m_duringBuild;
    int m_nAcknowledged = 0;
};

// Presses and releases a key on a widget.
inline void SendKey(QWidget* pWidget, int nKey, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier, text);
    QApplication::sendEvent(pWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, nKey, Qt::NoModifier, text);
    QApplication::sendEvent(pWidget, &release);
}

}  // namespace sitefinch::uitest
