// The single-instance channel in one process: nested deliveries, bad lengths, and where the
// socket lives. The hand-over between two processes is in AppProcessTest.
#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "app/InstanceChannel.h"

namespace sitefinch {
namespace {

using uitest::CScopedEnv;
using uitest::ServeEventsUntil;
using EHandOver = CInstanceChannel::EHandOver;
using Texts = std::vector<QByteArray>;

// A client started in another thread, since the channel's client half blocks until the server
// (served by this thread) has answered.
class CClientThread {
public:
    CClientThread(QString sName, QByteArray text)
        : m_thread([this, sName = std::move(sName), text = std::move(text)] {
              m_result = CInstanceChannel::HandOver(sName, text);
              m_bReturned = true;
          }) {}
    ~CClientThread() { m_thread.join(); }
    bool HasReturned() const { return m_bReturned; }
    EHandOver Result() const { return m_result; }

private:
    std::atomic<bool> m_bReturned{false};
    std::atomic<EHandOver> m_result{EHandOver::Lost};
    std::thread m_thread;
};

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

// A delivery may run nested event loops (a build, a question); a text arriving then must wait
// until the first delivery has returned instead of starting a second one inside it.
TEST_F(AppInstanceChannel, TextArrivingDuringADeliveryWaitsForIt) {
    int nDepth = 0;
    int nMaxDepth = 0;
    std::unique_ptr<CClientThread> pSecond;
    m_server.SetReceiver(
        [&](const QByteArray& text) {
            nMaxDepth = std::max(nMaxDepth, ++nDepth);
            m_delivered.push_back(text);
            if (!pSecond) {
                pSecond = std::make_unique<CClientThread>(m_sName, "\"\" \"inner\"");
                EXPECT_TRUE(ServeEventsUntil([&] { return m_server.QueuedCount() == 1; }));
            }
            --nDepth;
        },
        [] { return false; });
    CClientThread first(m_sName, "\"\" \"outer\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return pSecond && pSecond->HasReturned(); }));
    EXPECT_TRUE(first.HasReturned());
    EXPECT_EQ(nMaxDepth, 1);
    EXPECT_EQ(m_delivered, (Texts{"\"\" \"outer\"", "\"\" \"inner\""}));
}

TEST_F(AppInstanceChannel, OversizedLengthIsDroppedAndTheServerKeepsWorking) {
    m_server.SetReceiver([this](const QByteArray& text) { m_delivered.push_back(text); },
                         [] { return false; });
    std::atomic<bool> bDone{false};
    std::atomic<bool> bAnswered{true};
    std::thread rogue([&] {
        QLocalSocket socket;
        socket.connectToServer(m_sName);
        if (socket.waitForConnected(uitest::kPatienceMs)) {
            char lengthBytes[4];
            qToBigEndian<std::uint32_t>(CInstanceChannel::kMaxTextBytes + 1, lengthBytes);
            socket.write(lengthBytes, 4);
            socket.write(QByteArray(16, 'x'));
            socket.waitForBytesWritten(uitest::kPatienceMs);
            // The server hangs up instead of answering.
            bAnswered = socket.waitForReadyRead(uitest::kPatienceMs);
        }
        bDone = true;
    });
    const bool bFinished = ServeEventsUntil([&] { return bDone.load(); });
    rogue.join();
    ASSERT_TRUE(bFinished);
    EXPECT_FALSE(bAnswered);
    EXPECT_TRUE(m_delivered.empty());

    CClientThread client(m_sName, "\"\" \"after\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return client.HasReturned(); }));
    EXPECT_EQ(client.Result(), EHandOver::Delivered);
    EXPECT_EQ(m_delivered.size(), 1u);
}

TEST_F(AppInstanceChannel, DefaultNameIsPrivateToTheUser) {
    const QString sTag = QStringLiteral("sitefinch-") + QString::number(geteuid());
    CScopedEnv noOverride("SITEFINCH_INSTANCE_NAME", QByteArray());
    CScopedEnv tmp("TMPDIR", QFile::encodeName(m_dir.path()));
    const QString sRuntime = m_dir.filePath(QStringLiteral("runtime"));
    const QByteArray runtime = QFile::encodeName(sRuntime);
    ASSERT_TRUE(QDir().mkdir(sRuntime));
    {  // A private runtime directory holds the socket directly.
        ASSERT_EQ(chmod(runtime.constData(), 0700), 0);
        CScopedEnv env("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(CInstanceChannel::DefaultName(), sRuntime + QLatin1Char('/') + sTag);
    }
    {  // One others can enter is not used; a private directory in the temporary one is made.
        ASSERT_EQ(chmod(runtime.constData(), 0755), 0);
        CScopedEnv env("XDG_RUNTIME_DIR", runtime);
        const QString sExpectedDir = QDir::tempPath() + QLatin1Char('/') + sTag;
        EXPECT_EQ(CInstanceChannel::DefaultName(), sExpectedDir + QStringLiteral("/instance"));
        struct stat st {};
        ASSERT_EQ(lstat(QFile::encodeName(sExpectedDir).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    {  // A symbolic link in place of that directory is never followed.
        CScopedEnv env("XDG_RUNTIME_DIR", QByteArray());
        QTemporaryDir otherTmp;
        CScopedEnv tmp2("TMPDIR", QFile::encodeName(otherTmp.path()));
        ASSERT_TRUE(QFile::link(m_dir.path(), otherTmp.filePath(sTag)));
        EXPECT_TRUE(CInstanceChannel::DefaultName().isEmpty());
    }
    CScopedEnv override("SITEFINCH_INSTANCE_NAME", "/some/where/sock");
    EXPECT_EQ(CInstanceChannel::DefaultName(), QStringLiteral("/some/where/sock"));
}

}  // namespace
}  // namespace sitefinch
