// The built `sitefinch` program as a whole: options, refusals, hand-over between two processes.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <signal.h>
#include <sys/types.h>

#include "AppTestSupport.h"

namespace sitefinch {
namespace {

const QString kProgram = QStringLiteral(SITEFINCH_BINARY_DIR "/src/app/sitefinch");

class AppProcess : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::EnsureQtApp();
        ASSERT_TRUE(QFileInfo(kProgram).isExecutable()) << "not built: " << kProgram.toStdString();
        ASSERT_TRUE(m_dir.isValid());
        m_sSocket = m_dir.filePath(QStringLiteral("instance"));
        m_sLog = m_dir.filePath(QStringLiteral("handover.log"));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_env.insert(QStringLiteral("SITEFINCH_PANE"), QStringLiteral("text"));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        m_env.insert(QStringLiteral("SITEFINCH_INSTANCE_NAME"), m_sSocket);
        m_env.insert(QStringLiteral("SITEFINCH_HANDOVER_LOG"), m_sLog);
    }

    void TearDown() override {
        for (QProcess* pProcess : m_running) {
            if (pProcess->state() != QProcess::NotRunning) {
                pProcess->kill();
                pProcess->waitForFinished(apptest::kPatienceMs);
            }
            delete pProcess;
        }
    }

    // Starts the program and leaves it running.
    QProcess* Start(const QStringList& args) {
        auto* pProcess = new QProcess;
        m_running.push_back(pProcess);
        pProcess->setProcessEnvironment(m_env);
        pProcess->setWorkingDirectory(m_dir.path());
        pProcess->start(kProgram, args);
        EXPECT_TRUE(pProcess->waitForStarted(apptest::kPatienceMs));
        return pProcess;
    }

    // Runs the program to its end.
    struct CRun {
        int nExitCode = -1;
        bool bNormalExit = false;
        QByteArray out;
        QByteArray err;
    };
    CRun RunToEnd(const QStringList& args) {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.setWorkingDirectory(m_dir.path());
        process.start(kProgram, args);
        CRun run;
        if (!process.waitForFinished(apptest::kPatienceMs)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.nExitCode = process.exitCode();
        run.bNormalExit = process.exitStatus() == QProcess::NormalExit;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    // True once a running instance accepts connections on the test's socket.
    bool WaitUntilListening(QProcess* pProcess) {
        return apptest::ServeEventsUntil([&] {
                   return QFileInfo::exists(m_sSocket) || pProcess->state() == QProcess::NotRunning;
               }) &&
               pProcess->state() == QProcess::Running;
    }

    // True when something accepts a connection on the test's socket.
    bool CanConnect() const {
        QLocalSocket socket;
        socket.connectToServer(m_sSocket);
        return socket.waitForConnected(apptest::kPatienceMs);
    }

    QByteArray HandOverLog() const {
        QFile log(m_sLog);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_sSocket;
    QString m_sLog;
    QProcessEnvironment m_env;
    std::vector<QProcess*> m_running;
};

TEST_F(AppProcess, AnswersOptionsAndRefusalsWithoutAWindow) {
    // No display at all: these must not need one.
    m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_env.remove(QStringLiteral("DISPLAY"));
    m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    struct Case {
        QStringList args;
        int nExitCode;
        const char* pszOut;  // beginning of stdout
        const char* pszErr;  // part of stderr
    };
    const Case cases[] = {
        {{QStringLiteral("--help")}, 0, "Usage: sitefinch [--] [START-PAGE [QUERY]]\n", ""},
        {{QStringLiteral("--version")}, 0, "sitefinch ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const CRun run = RunToEnd(c.args);
        EXPECT_TRUE(run.bNormalExit);
        EXPECT_EQ(run.nExitCode, c.nExitCode) << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(c.pszOut)) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(c.pszErr)) << run.err.toStdString();
        EXPECT_TRUE(run.out.endsWith('\n'));
        EXPECT_FALSE(run.out.contains("unknown")) << run.out.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(m_sSocket));
}

TEST_F(AppProcess, RefusesAnArgumentWithADoubleQuote) {
    const CRun run = RunToEnd({QStringLiteral("page.htm"), QStringLiteral("say \"hi\"")});
    EXPECT_TRUE(run.bNormalExit);
    EXPECT_EQ(run.nExitCode, 2);
    EXPECT_TRUE(run.err.contains("double quote")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Usage: sitefinch")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(m_sSocket));
}

TEST_F(AppProcess, SecondStartHandsItsCommandLineToTheRunningWindow) {
    QProcess* pFirst = Start({QString(), QStringLiteral("Setup")});
    ASSERT_TRUE(WaitUntilListening(pFirst)) << pFirst->readAllStandardError().toStdString();

    const CRun second = RunToEnd({QString(), QStringLiteral("Other query")});
    EXPECT_TRUE(second.bNormalExit);
    EXPECT_EQ(second.nExitCode, 0) << second.err.toStdString();
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"Other query\"\n"));

    // A start without arguments hands over an empty command line (the window shows its help).
    const CRun third = RunToEnd({});
    EXPECT_EQ(third.nExitCode, 0) << third.err.toStdString();
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"Other query\"\n\n"));
    EXPECT_EQ(pFirst->state(), QProcess::Running);

    // SIGTERM closes the window; the process ends normally and takes its socket with it.
    pFirst->terminate();
    ASSERT_TRUE(pFirst->waitForFinished(apptest::kPatienceMs));
    EXPECT_EQ(pFirst->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pFirst->exitCode(), 0) << pFirst->readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_sSocket));
}

TEST_F(AppProcess, StartAfterACrashTakesOverTheStaleSocket) {
    QProcess* pCrashed = Start({QString(), QStringLiteral("first")});
    ASSERT_TRUE(WaitUntilListening(pCrashed));
    ::kill(static_cast<pid_t>(pCrashed->processId()), SIGKILL);
    ASSERT_TRUE(pCrashed->waitForFinished(apptest::kPatienceMs));
    ASSERT_TRUE(QFileInfo::exists(m_sSocket)) << "a killed instance should leave its socket";

    // The next start finds nobody behind the socket and becomes the running window...
    QProcess* pNew = Start({QString(), QStringLiteral("second")});
    ASSERT_TRUE(apptest::ServeEventsUntil(
        [&] { return CanConnect() || pNew->state() == QProcess::NotRunning; }));
    ASSERT_EQ(pNew->state(), QProcess::Running) << pNew->readAllStandardError().toStdString();

    // ...which then serves the starts after it.
    const CRun later = RunToEnd({QString(), QStringLiteral("third")});
    EXPECT_EQ(later.nExitCode, 0) << later.err.toStdString();
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"third\"\n"));

    pNew->terminate();
    ASSERT_TRUE(pNew->waitForFinished(apptest::kPatienceMs));
    EXPECT_EQ(pNew->exitCode(), 0);
}

}  // namespace
}  // namespace sitefinch
