// Start-up of the program: the arguments, the single-instance channel and the main window's run.
#include "app/SearchApp.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/CommandLineText.h"
#include "app/InstanceChannel.h"
#include "app/TerminationWatcher.h"
#include "ui/AppIcon.h"
#include "ui/SearchDlg.h"
#include "ui/WebEngineSetup.h"

#ifndef SITEFINCH_VERSION
#define SITEFINCH_VERSION "unknown"
#endif

namespace sitefinch {

namespace {

constexpr const char* kProgramName = "sitefinch";
// While a termination request waits for the window to close, how often it asks again: a build
// stopped by the first request then waits for its Ok, which the next request gives.
constexpr int kCloseRetryMs = 200;

// Test hook: every handed-over text the window has processed is appended, one per line, to the
// file named by SITEFINCH_HANDOVER_LOG.
void LogHandOver(const QByteArray& text) {
    const QByteArray logPath = qgetenv("SITEFINCH_HANDOVER_LOG");
    if (logPath.isEmpty()) {
        return;
    }
    QFile log(QFile::decodeName(logPath));
    if (log.open(QIODevice::Append)) {
        log.write(text + '\n');
    }
}

}  // namespace

std::string CSearchApp::CurrentDirectory() {
    std::string sBuffer(256, '\0');
    for (;;) {
        if (getcwd(sBuffer.data(), sBuffer.size()) != nullptr) {
            sBuffer.resize(std::char_traits<char>::length(sBuffer.c_str()));
            return sBuffer;
        }
        if (errno != ERANGE) {
            return std::string();
        }
        sBuffer.resize(sBuffer.size() * 2);
    }
}

std::vector<std::string> CSearchApp::ArgumentsOf(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        args.emplace_back(argv[i]);
    }
    return args;
}

bool CSearchApp::HandOverBeforeGui(int& argc, char** argv, const QByteArray& text) {
    const QCoreApplication core(argc, argv);
    const QString sName = CInstanceChannel::DefaultName();
    return !sName.isEmpty() &&
           CInstanceChannel::HandOver(sName, text) == CInstanceChannel::EHandOver::Delivered;
}

int CSearchApp::Run(int argc, char** argv) {
    const char* pszProgram = kProgramName;

    // Answered before Qt is touched, so they work without any display.
    switch (FindInfoOption(ArgumentsOf(argc, argv))) {
        case EStartAction::ShowUsage:
            std::fputs(UsageText(pszProgram).c_str(), stdout);
            return kExitSuccess;
        case EStartAction::ShowVersion:
            std::printf("%s %s\n", pszProgram, SITEFINCH_VERSION);
            return kExitSuccess;
        default:
            break;
    }

    PrepareWebEngine();
    // A second start only hands its text over, which needs no display. Qt's own options are
    // still in argv here and read as unknown ones, so a start that has any leaves the hand-over
    // to InitInstance, once QApplication has taken them out.
    const CStartRequest early = ReadArguments(ArgumentsOf(argc, argv), CurrentDirectory());
    if (early.eAction == EStartAction::Run &&
        HandOverBeforeGui(argc, argv, QByteArray::fromStdString(early.sText))) {
        return kExitSuccess;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QApplication::setApplicationVersion(QString::fromLatin1(SITEFINCH_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(kProgramName));
    QApplication::setWindowIcon(AppIcon());

    // QApplication has taken its own options out of argv by now.
    const CStartRequest request = ReadArguments(ArgumentsOf(argc, argv), CurrentDirectory());
    if (request.eAction == EStartAction::Refuse) {
        std::fprintf(stderr, "%s: %s\n", pszProgram, request.sMessage.c_str());
        std::fputs(UsageText(pszProgram).c_str(), stderr);
        return kExitUsage;
    }
    m_commandLineText = QByteArray::fromStdString(request.sText);

    InitInstance();
    return kExitSuccess;
}

bool CSearchApp::InitInstance() {
    CInstanceChannel channel(CInstanceChannel::DefaultName());
    switch (channel.HandOverOrListen(m_commandLineText)) {
        case CInstanceChannel::EStart::HandedOver:
            return false;
        case CInstanceChannel::EStart::Failed:
            std::fprintf(stderr,
                         "%s: cannot reach or open the channel to other starts of the program; "
                         "this window runs on its own\n",
                         kProgramName);
            RunMainWindow(nullptr);
            return false;
        case CInstanceChannel::EStart::Listening:
            RunMainWindow(&channel);
            return false;
    }
    return false;
}

void CSearchApp::RunMainWindow(CInstanceChannel* pChannel) {
    CSearchDlg dlg(m_commandLineText);

    if (pChannel) {
        // Texts that arrive before the window runs its own loop, or while it is inside an
        // operation or one of its modal questions, wait their turn.
        pChannel->Hold();
        pChannel->SetReceiver(
            [&dlg](const QByteArray& text) {
                dlg.OnCommandLine(text);
                LogHandOver(text);
            },
            [&dlg] {
                const QWidget* pModal = QApplication::activeModalWidget();
                return dlg.IsBusy() || (pModal != nullptr && pModal != &dlg);
            });
        QObject::connect(&dlg, &CSearchDlg::operationFinished, pChannel,
                         &CInstanceChannel::TryDeliverQueued, Qt::QueuedConnection);
        // The second start gets a visible answer at once, even when its text has to wait.
        QObject::connect(pChannel, &CInstanceChannel::textArrived, &dlg, &CSearchDlg::BringToFront);
    }

    bool bTerminating = false;
    QTimer closeRetry;
    closeRetry.setInterval(kCloseRetryMs);
    QObject::connect(&closeRetry, &QTimer::timeout, &dlg, [] { QApplication::closeAllWindows(); });
    CTerminationWatcher watcher;
    QObject::connect(&watcher, &CTerminationWatcher::terminationRequested, &dlg,
                     [&bTerminating, &closeRetry] {
                         bTerminating = true;
                         QApplication::closeAllWindows();
                         closeRetry.start();
                     });

    dlg.OnInitDialog();
    if (!bTerminating) {
        if (pChannel) {
            pChannel->Release();
        }
        dlg.exec();
    }
    closeRetry.stop();
    if (pChannel) {
        // The window is about to go; texts still waiting are dropped with their connections.
        pChannel->Hold();
        pChannel->SetReceiver(nullptr, nullptr);
    }
}

}  // namespace sitefinch
