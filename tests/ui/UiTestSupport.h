// Shared helpers of the window tests: the Qt application, a copy of the test site, answers to
// message boxes and file dialogs, and a hand that acknowledges build windows.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
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

// The offscreen application, and the QTextBrowser pane: fast and sanitizer-friendly.
inline void EnsureUiApp() {
    qputenv("SITEFINCH_PANE", "text");
    apptest::EnsureQtApp();
    RefuseUnexpectedMessageBoxes();
    RefuseUnexpectedFileDialogs();
}

// Processes the deletions that windows scheduled for themselves.
inline void FlushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

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
        if (!query.isEmpty()) {
            text += " \"" + query + '"';
        }
        return text;
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
                if (m_onShow) {
                    m_onShow();
                }
                if (!m_answers.empty()) {
                    const bool bAnswer = m_answers.front();
                    m_answers.pop_front();
                    return bAnswer;
                }
                return m_bDefault;
            });
    }
    ~CMessageBoxAnswers() { RefuseUnexpectedMessageBoxes(); }
    CMessageBoxAnswers(const CMessageBoxAnswers&) = delete;
    CMessageBoxAnswers& operator=(const CMessageBoxAnswers&) = delete;

    void Answer(bool bAnswer) { m_answers.push_back(bAnswer); }
    void OnShow(std::function<void()> fn) { m_onShow = std::move(fn); }
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
    std::function<void()> m_onShow;
};

// Answers the file-open dialog with a fixed path ("" = cancelled) while it lives.
class CFileDialogAnswer {
public:
    explicit CFileDialogAnswer(QString path) : m_path(std::move(path)) {
        SetOpenFileFn([this](QWidget*) {
            ++m_nCalls;
            return m_path;
        });
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
    // Runs with each finished build's window, just before Ok is pressed on it.
    void BeforeOk(std::function<void(CBuildIndexDlg&)> fn) { m_beforeOk = std::move(fn); }
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
                continue;
            }
            if (pDlg->GetButtonText() == QStringLiteral("&Ok")) {
                ++m_nAcknowledged;
                if (m_beforeOk) {
                    m_beforeOk(*pDlg);
                }
                pDlg->OnOK();
            }
        }
    }

    QTimer m_timer;
    std::function<void(CBuildIndexDlg&)> m_duringBuild;
    std::function<void(CBuildIndexDlg&)> m_beforeOk;
    int m_nAcknowledged = 0;
};

}  // namespace sitefinch::uitest
