// The built `sitefinch` program as a whole: options, refusals, hand-over between two processes.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>

#include <signal.h>
#include <sys/types.h>

#include <memory>

#include "UiTestSupport.h"

namespace sitefinch {
namespace {

const QString kProgram = QStringLiteral(SITEFINCH_BINARY_DIR "/src/app/sitefinch");
using uitest::kPatienceMs;

class AppProcess : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        ASSERT_TRUE(QFileInfo(kProgram).isExecutable()) << "not built: " << kProgram.toStdString();
        ASSERT_TRUE(m_dir.isValid());
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_env.insert(QStringLiteral("SITEFINCH_PANE"), QStringLiteral("text"));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        m_env.insert(QStringLiteral("SITEFINCH_INSTANCE_NAME"), m_sSocket);
        m_env.insert(QStringLiteral("SITEFINCH_HANDOVER_LOG"), m_sLog);
    }
    void TearDown() override {
        for (const auto& pProcess : m_running) {
            if (pProcess->state() != QProcess::NotRunning) {
                pProcess->kill();
                pProcess->waitForFinished(kPatienceMs);
            }
        }
    }

    // Starts the program and leaves it running.
    QProcess* Start(const QStringList& args) {
        QProcess* pProcess = m_running.emplace_back(std::make_unique<QProcess>()).get();
        pProcess->setProcessEnvironment(m_env);
        pProcess->setWorkingDirectory(m_dir.path());
        pProcess->start(kProgram, args);
        EXPECT_TRUE(pProcess->waitForStarted(kPatienceMs));
        return pProcess;
    }
    // Runs the program to its end; the exit code is -1 when it did not end normally in time.
    struct CRun {
        int nExitCode = -1;
        QByteArray out, err;
    };
    CRun RunToEnd(const QStringList& args) {
        QProcess* pProcess = Start(args);
        CRun run;
        if (pProcess->waitForFinished(kPatienceMs) &&
            pProcess->exitStatus() == QProcess::NormalExit) {
            run = {pProcess->exitCode(), pProcess->readAllStandardOutput(),
                   pProcess->readAllStandardError()};
        }
        return run;
    }
    // True once pProcess serves connections on the test's socket (bFile: once the file exists).
    bool WaitUntilServing(QProcess* pProcess, bool bFile) {
        return uitest::ServeEventsUntil([&] {
                   if (pProcess->state() == QProcess::NotRunning) {
                       return true;
                   }
                   if (bFile) {
                       return QFileInfo::exists(m_sSocket);
                   }
                   QLocalSocket socket;
                   socket.connectToServer(m_sSocket);
                   return socket.waitForConnected(kPatienceMs);
               }) &&
               pProcess->state() == QProcess::Running;
    }
    QByteArray HandOverLog() const {
        QFile log(m_sLog);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }
    void Terminate(QProcess* pProcess) {
        pProcess->terminate();
        ASSERT_TRUE(pProcess->waitForFinished(kPatienceMs));
        EXPECT_EQ(pProcess->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(pProcess->exitCode(), 0) << pProcess->readAllStandardError().toStdString();
        EXPECT_FALSE(QFileInfo::exists(m_sSocket));
    }

    QTemporaryDir m_dir;
    QString m_sSocket = m_dir.filePath(QStringLiteral("instance"));
    QString m_sLog = m_dir.filePath(QStringLiteral("handover.log"));
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> m_running;
};

TEST_F(AppProcess, AnswersOptionsAndRefusalsWithoutAWindow) {
    const QProcessEnvironment withDisplay = m_env;
    const struct {
        QStringList args;
        int nExitCode;
        const char* pszOut;  // beginning of stdout
        QByteArrayList errParts;
    } cases[] = {
        {{QStringLiteral("--help")}, 0, "Usage: sitefinch [--] [START-PAGE [QUERY]]\n", {}},
        {{QStringLiteral("--version")}, 0, "sitefinch ", {}},
        {{QStringLiteral("page.htm"), QStringLiteral("say \"hi\"")},
         2,
         "",
         {"double quote", "Usage: sitefinch"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        // The informational options need no display at all.
        m_env = withDisplay;
        for (const char* pszName : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            if (c.nExitCode == 0) {
                m_env.remove(QString::fromLatin1(pszName));
            }
        }
        const CRun run = RunToEnd(c.args);
        EXPECT_EQ(run.nExitCode, c.nExitCode) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(c.pszOut)) << run.out.toStdString();
        for (const QByteArray& part : c.errParts) {
            EXPECT_TRUE(run.err.contains(part)) << run.err.toStdString();
        }
        EXPECT_TRUE(c.nExitCode == 0 ? run.out.endsWith('\n') : run.out.isEmpty());
        EXPECT_FALSE(run.out.contains("unknown")) << run.out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(m_sSocket));
}

TEST_F(AppProcess, SecondStartHandsItsCommandLineToTheRunningWindow) {
    QProcess* pFirst = Start({QString(), QStringLiteral("Setup")});
    ASSERT_TRUE(WaitUntilServing(pFirst, true)) << pFirst->readAllStandardError().toStdString();
    const CRun second = RunToEnd({QString(), QStringLiteral("Other query")});
    EXPECT_EQ(second.nExitCode, 0) << second.err.toStdString();
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"Other query\"\n"));
    // A start without arguments hands over an empty command line (the window shows its help).
    EXPECT_EQ(RunToEnd({}).nExitCode, 0);
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"Other query\"\n\n"));
    // SIGTERM closes the window; the process ends normally and takes its socket with it.
    Terminate(pFirst);
}

TEST_F(AppProcess, StartAfterACrashTakesOverTheStaleSocket) {
    QProcess* pCrashed = Start({QString(), QStringLiteral("first")});
    ASSERT_TRUE(WaitUntilServing(pCrashed, true));
    ::kill(static_cast<pid_t>(pCrashed->processId()), SIGKILL);
    ASSERT_TRUE(pCrashed->waitForFinished(kPatienceMs));
    ASSERT_TRUE(QFileInfo::exists(m_sSocket)) << "a killed instance should leave its socket";

    // The next start finds nobody behind the socket and becomes the running window, which then
    // serves the starts after it.
    QProcess* pNew = Start({QString(), QStringLiteral("second")});
    ASSERT_TRUE(WaitUntilServing(pNew, false)) << pNew->readAllStandardError().toStdString();
    const CRun later = RunToEnd({QString(), QStringLiteral("third")});
    EXPECT_EQ(later.nExitCode, 0) << later.err.toStdString();
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"third\"\n"));
    Terminate(pNew);
}

}  // namespace
}  // namespace sitefinch
