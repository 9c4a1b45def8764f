// The desktop program's start: the command-line text rebuilt from the arguments and read back
// by the window's tokenizer, the single-instance channel in one process, and the built
// `sitefinch` program as a whole (refusals, hand-over between processes).
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "app/CommandLineText.h"
#include "app/InstanceChannel.h"
#include "ui/CommandLineTokens.h"

namespace sitefinch {
namespace {

using A = EStartAction;
using EHandOver = CInstanceChannel::EHandOver;
using Texts = std::vector<QByteArray>;
using uitest::kPatienceMs;
using uitest::ServeEventsUntil;
const std::string kCwd = "/home/user/docs";

// The nth double-quoted field of a text ("" when there is none).
std::string QuotedField(const std::string& s, qsizetype n) {
    const QList<QByteArray> parts = QByteArray::fromStdString(s).split('"');
    return 2 * n + 1 < parts.size() ? parts[2 * n + 1].toStdString() : std::string();
}

// The client half blocks until the server, served by the test's thread, has answered.
std::future<EHandOver> HandOverApart(const QString& sName, const QByteArray& text) {
    return std::async(std::launch::async, [=] { return CInstanceChannel::HandOver(sName, text); });
}
template <class T>
bool Returned(const std::future<T>& f) {
    return f.valid() && f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// Sets an environment variable for the life of the object and restores it afterwards.
struct CScopedEnv {
    CScopedEnv(const char* pszVar, const QByteArray& value) : m_pszName(pszVar) {
        qputenv(pszVar, value);
    }
    ~CScopedEnv() { m_bHad ? qputenv(m_pszName, m_old) : qunsetenv(m_pszName); }
    const char* m_pszName;
    bool m_bHad = qEnvironmentVariableIsSet(m_pszName);
    QByteArray m_old = qgetenv(m_pszName);
};

TEST(CommandLineTokens, SplitsTheTextIntoStartPageAndQuery) {
    const std::string sFits(kStartTokenCapacity - 1, 'a');
    const std::string sTooLong(kStartTokenCapacity, 'a');
    const struct {
        std::string sText, sStartPage, sQuery;
        bool bTooLong = false;
    } cases[] = {
        {"   \t ", "", ""},
        // Unquoted with blanks and no quotes anywhere: everything is the start page.
        {"c:\\my site\\index.htm Setup", "c:\\my site\\index.htm Setup", ""},
        // An unquoted start page ends at the quote that opens the query, blanks kept.
        {"c:\\site\\index.htm  \"Setup\"", "c:\\site\\index.htm  ", "Setup"},
        // A missing closing quote takes the rest of the text.
        {"\"c:\\site\\index.htm Setup", "c:\\site\\index.htm Setup", ""},
        // Leading blanks are skipped, none are needed between tokens, and whatever follows the
        // query is ignored.
        {"  \"a.htm\"\"q\" \"more\" rest", "a.htm", "q"},
        // An unquoted query runs to the end; bytes above 127 are ordinary characters, not blanks.
        {"\"a.htm\" \xE4rger guide", "a.htm", "\xE4rger guide"},
        // A start page longer than its buffer is flagged for refusal, not cut.
        {'"' + sFits + "\" \"q\"", sFits, "q"},
        {'"' + sTooLong + "\" \"q\"", sTooLong, "q", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text: [" + c.sText + "]");
        const CCommandLineTokens tokens = CCommandLineTokens::Parse(c.sText.c_str());
        EXPECT_EQ(tokens.GetStartPage(), c.sStartPage);
        EXPECT_EQ(tokens.GetQuery(), c.sQuery);
        EXPECT_EQ(tokens.IsStartPageTooLong(), c.bTooLong);
    }
}

// A text rebuilt from the arguments must read back through the window's tokenizer as its first
// two fields, whatever blanks or 8-bit bytes they hold; what it could not carry is refused.
// FindInfoOption answers the same, although Qt's own options are still in argv when it runs.
TEST(AppCommandLine, RebuildsQuotedTextThatTheTokenizerReadsBackOrAnswersOrRefuses) {
    // The longest start page that fits once made absolute: cwd + '/' + name == 259 bytes.
    const std::string sLongest(kMaxPathLength - kCwd.size() - 1, 'x');
    const struct {
        std::vector<std::string> args;
        std::string sExpected;  // the text for Run, else a part of the message
        EStartAction eAction = A::Run;
        std::string sCwd = kCwd;
    } cases[] = {
        {{sLongest}, "\"" + kCwd + "/" + sLongest + "\""},
        {{sLongest + 'x'}, "longer than 259", A::Refuse},
        // Without a current directory only an absolute start page, or none, works.
        {{"/a/b.htm", "q"}, "\"/a/b.htm\" \"q\"", A::Run, ""},
        {{"", "  padded  "}, "\"\" \"  padded  \"", A::Run, ""},
        {{"relative.htm"}, "current directory", A::Refuse, ""},
        {{"..//\xC4rger b.htm", "\xC3\xA9t\xC3\xA9 two"},
         "\"/home/user/\xC4rger b.htm\" \"\xC3\xA9t\xC3\xA9 two\""},
        // Only the first argument is a path; the others pass as they are.
        {{"p.htm", "../q", "extra"}, "\"/home/user/docs/p.htm\" \"../q\" \"extra\""},
        // After "--" arguments may begin with a dash, and no option is one.
        {{"--", "-page.htm", "--help"}, "\"/home/user/docs/-page.htm\" \"--help\""},
        {{"page.htm", "--help"}, "", A::ShowUsage},
        {{"-h"}, "", A::ShowUsage},
        {{"-platform", "offscreen", "--version"}, "", A::ShowVersion},
        {{"a\"b.htm"}, "double quote", A::Refuse},
        {{"page.htm", "-"}, "unknown option -", A::Refuse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(FindInfoOption(c.args), c.eAction == A::Refuse ? A::Run : c.eAction);
        const CStartRequest request = ReadArguments(c.args, c.sCwd);
        EXPECT_EQ(request.eAction, c.eAction) << request.sMessage;
        if (c.eAction != A::Run) {
            EXPECT_NE(request.sMessage.find(c.sExpected), std::string::npos) << request.sMessage;
            EXPECT_TRUE(request.sText.empty());
            continue;
        }
        EXPECT_EQ(request.sText, c.sExpected);
        const CCommandLineTokens tokens = CCommandLineTokens::Parse(request.sText.c_str());
        EXPECT_EQ(tokens.GetStartPage(), QuotedField(c.sExpected, 0));
        EXPECT_EQ(tokens.GetQuery(), QuotedField(c.sExpected, 1));
    }
}

class AppInstanceChannel : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureUiApp();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_server.Listen());
    }

    QTemporaryDir m_dir;
    QString m_sName = m_dir.filePath(QStringLiteral("instance"));
    CInstanceChannel m_server{m_sName};
    Texts m_delivered;
};

// A text that arrives while the window is busy is announced at once, so the window can come to
// the front, but delivered, and answered, only once the window is idle.
TEST_F(AppInstanceChannel, ATextArrivingWhileBusyIsAnnouncedAtOnceAndDeliveredWhenIdle) {
    bool bBusy = true;
    int nArrived = 0;
    QObject::connect(&m_server, &CInstanceChannel::textArrived, &m_server, [&] { ++nArrived; });
    m_server.SetReceiver([this](const QByteArray& text) { m_delivered.push_back(text); },
                         [&] { return bBusy; });
    std::future<EHandOver> client = HandOverApart(m_sName, "\"\" \"later\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return nArrived == 1; }));
    QTest::qWait(300);  // a few rounds of the idle poll
    EXPECT_TRUE(m_delivered.empty());
    EXPECT_FALSE(Returned(client)) << "answered before the text was processed";
    bBusy = false;
    ASSERT_TRUE(ServeEventsUntil([&] { return Returned(client); }));
    EXPECT_EQ(client.get(), EHandOver::Delivered);
    EXPECT_EQ(m_delivered, Texts{"\"\" \"later\""});
    EXPECT_EQ(nArrived, 1);
}

// A client that stalls before its text is whole is cut off after the receive time limit, one
// that sends nothing at all as well, one that announces an oversized text at once, and a start
// that comes meanwhile is served as usual.
TEST_F(AppInstanceChannel, StalledClientsAreCutOffWhileOthersAreServed) {
    constexpr int kTimeoutMs = 1000;
    m_server.SetReceiveTimeout(kTimeoutMs);
    m_server.SetReceiver([this](const QByteArray& text) { m_delivered.push_back(text); },
                         [] { return false; });
    // Each stalled client gives the time until it was cut off, or -1 when it was not.
    const auto stall = [this](QByteArray sent) {
        return std::async(std::launch::async, [this, sent] {
            QLocalSocket socket;
            socket.connectToServer(m_sName);
            if (!socket.waitForConnected(kPatienceMs) || socket.write(sent) != sent.size() ||
                (!sent.isEmpty() && !socket.waitForBytesWritten(kPatienceMs))) {
                return -1L;
            }
            QElapsedTimer connected;
            connected.start();
            const bool bCut =
                socket.waitForDisconnected(kPatienceMs) && socket.bytesAvailable() == 0;
            return bCut ? static_cast<long>(connected.elapsed()) : -1L;
        });
    };
    char length[4];
    qToBigEndian<std::uint32_t>(CInstanceChannel::kMaxTextBytes + 1, length);
    std::future<long> oversized = stall(QByteArray(length, 4) + QByteArray(16, 'x'));
    qToBigEndian<std::uint32_t>(20, length);
    std::future<long> partial = stall(QByteArray(length, 4) + "\"\" \"par");
    std::future<long> silent = stall(QByteArray());
    std::future<EHandOver> client = HandOverApart(m_sName, "\"\" \"meanwhile\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return Returned(client); }));
    EXPECT_EQ(client.get(), EHandOver::Delivered);
    ASSERT_TRUE(ServeEventsUntil(
        [&] { return Returned(oversized) && Returned(partial) && Returned(silent); }));
    const long nOversizedMs = oversized.get();
    EXPECT_GE(nOversizedMs, 0) << "an oversized text should be refused";
    EXPECT_LT(nOversizedMs, kTimeoutMs) << "an oversized text should be refused at once";
    for (std::future<long>* pStalled : {&partial, &silent}) {
        const long nMs = pStalled->get();
        EXPECT_GE(nMs, 0) << "a stalled client should be cut off";
        EXPECT_LT(nMs, kPatienceMs / 2);
    }
    EXPECT_EQ(m_delivered, Texts{"\"\" \"meanwhile\""});
}

TEST_F(AppInstanceChannel, DefaultNameIsPrivateToTheUser) {
    const QString sTag = QStringLiteral("sitefinch-") + QString::number(geteuid());
    const QString sRuntime = m_dir.filePath(QStringLiteral("runtime"));
    const QByteArray runtime = QFile::encodeName(sRuntime);
    CScopedEnv noOverride("SITEFINCH_INSTANCE_NAME", QByteArray());
    CScopedEnv tmp("TMPDIR", QFile::encodeName(m_dir.path()));
    CScopedEnv env("XDG_RUNTIME_DIR", runtime);
    // A private runtime directory holds the socket directly.
    ASSERT_TRUE(QDir().mkdir(sRuntime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(CInstanceChannel::DefaultName(), sRuntime + QLatin1Char('/') + sTag);
    // One others can enter is not used; a private directory in the temporary one is made.
    ASSERT_EQ(chmod(runtime.constData(), 0755), 0);
    const QString sPrivate = m_dir.filePath(sTag);
    EXPECT_EQ(CInstanceChannel::DefaultName(), sPrivate + QStringLiteral("/instance"));
    struct stat st {};
    ASSERT_EQ(lstat(QFile::encodeName(sPrivate).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & (S_IFMT | 0777), S_IFDIR | 0700u);
    // A symbolic link in place of that directory is never followed.
    ASSERT_TRUE(QDir().rmdir(sPrivate) && QFile::link(sRuntime, sPrivate));
    EXPECT_TRUE(CInstanceChannel::DefaultName().isEmpty());
}

const QString kProgram = QStringLiteral(SITEFINCH_BINARY_DIR "/src/app/sitefinch");

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

    // Starts the program and leaves it running.
    QProcess* Start(const QStringList& args) {
        QProcess* pProcess = m_running.emplace_back(std::make_unique<QProcess>()).get();
        pProcess->setProcessEnvironment(m_env);
        pProcess->setWorkingDirectory(m_dir.path());
        pProcess->start(kProgram, args);
        EXPECT_TRUE(pProcess->waitForStarted(kPatienceMs));
        return pProcess;
    }
    // Runs the program to its normal end, in time.
    QProcess* RunToEnd(const QStringList& args) {
        QProcess* pProcess = Start(args);
        EXPECT_TRUE(pProcess->waitForFinished(kPatienceMs) &&
                    pProcess->exitStatus() == QProcess::NormalExit);
        return pProcess;
    }
    // True once pProcess accepts connections on the test's socket.
    bool WaitUntilServing(QProcess* pProcess) {
        return ServeEventsUntil([&] {
                   QLocalSocket socket;
                   socket.connectToServer(m_sSocket);
                   return pProcess->state() == QProcess::NotRunning ||
                          socket.waitForConnected(kPatienceMs);
               }) &&
               pProcess->state() == QProcess::Running;
    }
    QByteArray HandOverLog() const {
        QFile log(m_sLog);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_sSocket = m_dir.filePath(QStringLiteral("instance"));
    QString m_sLog = m_dir.filePath(QStringLiteral("handover.log"));
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> m_running;  // killed, if still running, when destroyed
};

// A crashed instance leaves its socket behind; the next start takes it over and becomes the
// running window, to which later starts hand their command lines and then end, twenty at once as
// well, each processed exactly once in whatever order they arrived. A refused start is a failure,
// with the reason and the usage, and hands nothing over.
TEST_F(AppProcess, LaterStartsHandTheirCommandLineToTheRunningWindowEvenAfterACrash) {
    QProcess* pCrashed = Start({QString(), QStringLiteral("first")});
    ASSERT_TRUE(WaitUntilServing(pCrashed));
    ::kill(static_cast<pid_t>(pCrashed->processId()), SIGKILL);
    ASSERT_TRUE(pCrashed->waitForFinished(kPatienceMs));
    ASSERT_TRUE(QFileInfo::exists(m_sSocket)) << "a killed instance should leave its socket";

    QProcess* pFirst = Start({QString(), QStringLiteral("Setup")});
    ASSERT_TRUE(WaitUntilServing(pFirst)) << pFirst->readAllStandardError().toStdString();
    // A start that only hands over needs no display at all.
    const QProcessEnvironment withDisplay = m_env;
    for (const char* pszVar : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        m_env.remove(QLatin1String(pszVar));
    }
    QProcess* pHeadless = RunToEnd({QString(), QStringLiteral("Other query")});
    EXPECT_EQ(pHeadless->exitCode(), 0) << pHeadless->readAllStandardError().toStdString();
    m_env = withDisplay;
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"Other query\"\n"));
    // A start without arguments hands over an empty command line (the window shows its help).
    EXPECT_EQ(RunToEnd({})->exitCode(), 0);
    QProcess* pRefused = RunToEnd({QStringLiteral("page.htm"), QStringLiteral("say \"hi\"")});
    EXPECT_EQ(pRefused->exitCode(), 2);
    EXPECT_TRUE(pRefused->readAllStandardError().contains(
        "double quote: say \"hi\"\nUsage: sitefinch [--]"));
    EXPECT_EQ(HandOverLog(), QByteArray("\"\" \"Other query\"\n\n"));

    std::vector<QProcess*> starts;
    QList<QByteArray> expected = {"\"\" \"Other query\"", ""};
    for (int i = 0; i < 20; ++i) {
        const QString sQuery = QStringLiteral("query %1").arg(i);
        starts.push_back(Start({QString(), sQuery}));
        expected.push_back("\"\" \"" + sQuery.toUtf8() + '"');
    }
    for (QProcess* pStart : starts) {
        ASSERT_TRUE(pStart->waitForFinished(kPatienceMs));
        EXPECT_EQ(pStart->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(pStart->exitCode(), 0) << pStart->readAllStandardError().toStdString();
    }
    QList<QByteArray> logged = HandOverLog().split('\n');
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_TRUE(logged.back().isEmpty()) << "every line ends";
    logged.pop_back();
    std::sort(logged.begin(), logged.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(logged, expected);

    // SIGTERM closes the window, which ran on until then; the process ends normally and takes
    // its socket with it.
    pFirst->terminate();
    ASSERT_TRUE(pFirst->waitForFinished(kPatienceMs));
    EXPECT_EQ(pFirst->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pFirst->exitCode(), 0) << pFirst->readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_sSocket));
}

}  // namespace
}  // namespace sitefinch
