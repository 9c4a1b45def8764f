// The single-instance channel in one process: hand-over, queueing while busy, stale sockets.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "AppTestSupport.h"
#include "app/InstanceChannel.h"

namespace sitefinch {
namespace {

using apptest::CScopedEnv;
using apptest::ServeEventsUntil;
using EHandOver = CInstanceChannel::EHandOver;
using EStart = CInstanceChannel::EStart;

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
        apptest::EnsureQtApp();
        ASSERT_TRUE(m_dir.isValid());
        m_sName = m_dir.filePath(QStringLiteral("instance"));
    }

    QTemporaryDir m_dir;
    QString m_sName;
};

TEST_F(AppInstanceChannel, HandOverDeliversAndReturnsOnlyAfterTheAnswer) {
    CInstanceChannel server(m_sName);
    ASSERT_TRUE(server.Listen());
    std::vector<QByteArray> delivered;
    bool bClientReturnedBeforeDelivery = false;
    std::unique_ptr<CClientThread> pClient;
    server.SetReceiver(
        [&](const QByteArray& text) {
            bClientReturnedBeforeDelivery = pClient->HasReturned();
            delivered.push_back(text);
        },
        [] { return false; });

    const QByteArray text("\"/site/index.htm\" \"Setup \xE4\"");
    pClient = std::make_unique<CClientThread>(m_sName, text);
    ASSERT_TRUE(ServeEventsUntil([&] { return pClient->HasReturned(); }));
    EXPECT_EQ(pClient->Result(), EHandOver::Delivered);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], text);
    EXPECT_FALSE(bClientReturnedBeforeDelivery);

    // An empty command line is a text like any other: the window shows its help page for it.
    CClientThread emptyClient(m_sName, QByteArray());
    ASSERT_TRUE(ServeEventsUntil([&] { return emptyClient.HasReturned(); }));
    EXPECT_EQ(emptyClient.Result(), EHandOver::Delivered);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_TRUE(delivered[1].isEmpty());
}

TEST_F(AppInstanceChannel, BusyOrHeldReceiverGetsTextsLaterInOrder) {
    CInstanceChannel server(m_sName);
    ASSERT_TRUE(server.Listen());
    bool bBusy = true;
    std::vector<QByteArray> delivered;
    server.SetReceiver([&](const QByteArray& text) { delivered.push_back(text); },
                       [&] { return bBusy; });
    server.Hold();

    CClientThread first(m_sName, "\"\" \"first\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return server.QueuedCount() == 1; }));
    CClientThread second(m_sName, "\"\" \"second\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return server.QueuedCount() == 2; }));

    // Released but still busy: nothing goes out, and both senders keep waiting.
    server.Release();
    ServeEventsUntil([] { return false; }, 200);
    EXPECT_TRUE(delivered.empty());
    EXPECT_FALSE(first.HasReturned());
    EXPECT_FALSE(second.HasReturned());

    // Idle again: the poll delivers both, in the order they came, without any other prompt.
    bBusy = false;
    ASSERT_TRUE(ServeEventsUntil([&] { return first.HasReturned() && second.HasReturned(); }));
    EXPECT_EQ(first.Result(), EHandOver::Delivered);
    EXPECT_EQ(second.Result(), EHandOver::Delivered);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0], QByteArray("\"\" \"first\""));
    EXPECT_EQ(delivered[1], QByteArray("\"\" \"second\""));
    EXPECT_EQ(server.QueuedCount(), 0u);
}

// A delivery may run nested event loops (a build, a question); a text arriving then must wait
// until the first delivery has returned instead of starting a second one inside it.
TEST_F(AppInstanceChannel, TextArrivingDuringADeliveryWaitsForIt) {
    CInstanceChannel server(m_sName);
    ASSERT_TRUE(server.Listen());
    int nDepth = 0;
    int nMaxDepth = 0;
    std::vector<QByteArray> delivered;
    std::unique_ptr<CClientThread> pSecond;
    server.SetReceiver(
        [&](const QByteArray& text) {
            ++nDepth;
            nMaxDepth = std::max(nMaxDepth, nDepth);
            delivered.push_back(text);
            if (!pSecond) {
                pSecond = std::make_unique<CClientThread>(m_sName, "\"\" \"inner\"");
                EXPECT_TRUE(ServeEventsUntil([&] { return server.QueuedCount() == 1; }));
            }
            --nDepth;
        },
        [] { return false; });

    CClientThread first(m_sName, "\"\" \"outer\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return pSecond && pSecond->HasReturned(); }));
    EXPECT_TRUE(first.HasReturned());
    EXPECT_EQ(nMaxDepth, 1);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[0], QByteArray("\"\" \"outer\""));
    EXPECT_EQ(delivered[1], QByteArray("\"\" \"inner\""));
}

TEST_F(AppInstanceChannel, OversizedLengthIsDroppedAndTheServerKeepsWorking) {
    CInstanceChannel server(m_sName);
    ASSERT_TRUE(server.Listen());
    std::vector<QByteArray> delivered;
    server.SetReceiver([&](const QByteArray& text) { delivered.push_back(text); },
                       [] { return false; });

    std::atomic<bool> bDone{false};
    std::atomic<bool> bAnswered{true};
    std::thread rogue([&] {
        QLocalSocket socket;
        socket.connectToServer(m_sName);
        if (socket.waitForConnected(apptest::kPatienceMs)) {
            char lengthBytes[4];
            qToBigEndian<std::uint32_t>(CInstanceChannel::kMaxTextBytes + 1, lengthBytes);
            socket.write(lengthBytes, 4);
            socket.write(QByteArray(16, 'x'));
            socket.waitForBytesWritten(apptest::kPatienceMs);
            // The server hangs up instead of answering.
            bAnswered = socket.waitForReadyRead(apptest::kPatienceMs);
        }
        bDone = true;
    });
    const bool bFinished = ServeEventsUntil([&] { return bDone.load(); });
    rogue.join();
    ASSERT_TRUE(bFinished);
    EXPECT_FALSE(bAnswered);
    EXPECT_TRUE(delivered.empty());

    CClientThread client(m_sName, "\"\" \"after\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return client.HasReturned(); }));
    EXPECT_EQ(client.Result(), EHandOver::Delivered);
    EXPECT_EQ(delivered.size(), 1u);
}

TEST_F(AppInstanceChannel, SecondStartHandsOverToALiveInstance) {
    CInstanceChannel first(m_sName);
    ASSERT_EQ(first.HandOverOrListen("\"\" \"one\""), EStart::Listening);
    std::vector<QByteArray> delivered;
    first.SetReceiver([&](const QByteArray& text) { delivered.push_back(text); },
                      [] { return false; });

    std::atomic<EStart> secondResult{EStart::Failed};
    std::atomic<bool> bDone{false};
    std::thread second([&] {
        CInstanceChannel channel(m_sName);
        secondResult = channel.HandOverOrListen("\"\" \"two\"");
        bDone = true;
    });
    const bool bFinished = ServeEventsUntil([&] { return bDone.load(); });
    second.join();
    ASSERT_TRUE(bFinished);
    EXPECT_EQ(secondResult.load(), EStart::HandedOver);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], QByteArray("\"\" \"two\""));
    EXPECT_TRUE(first.IsListening());
}

// A socket file that nobody listens on any more, as a crashed instance leaves it.
void MakeStaleSocket(const QString& sPath) {
    const QByteArray path = QFile::encodeName(sPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0)
        << sPath.toStdString();
    close(fd);  // without unlinking
    struct stat st {};
    ASSERT_EQ(lstat(path.constData(), &st), 0);
    ASSERT_TRUE(S_ISSOCK(st.st_mode));
}

TEST_F(AppInstanceChannel, StaleSocketIsReplacedAndTheNewInstanceServes) {
    MakeStaleSocket(m_sName);
    EXPECT_EQ(CInstanceChannel::HandOver(m_sName, "x"), EHandOver::Refused);

    CInstanceChannel channel(m_sName);
    ASSERT_EQ(channel.HandOverOrListen("\"\" \"mine\""), EStart::Listening);
    std::vector<QByteArray> delivered;
    channel.SetReceiver([&](const QByteArray& text) { delivered.push_back(text); },
                        [] { return false; });
    CClientThread client(m_sName, "\"\" \"next\"");
    ASSERT_TRUE(ServeEventsUntil([&] { return client.HasReturned(); }));
    EXPECT_EQ(client.Result(), EHandOver::Delivered);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0], QByteArray("\"\" \"next\""));
}

TEST_F(AppInstanceChannel, ClosedInstanceLeavesNoSocketBehind) {
    {
        CInstanceChannel channel(m_sName);
        ASSERT_EQ(channel.HandOverOrListen(QByteArray()), EStart::Listening);
        EXPECT_TRUE(QFileInfo::exists(m_sName));
    }
    EXPECT_FALSE(QFileInfo::exists(m_sName));
    EXPECT_EQ(CInstanceChannel::HandOver(m_sName, "x"), EHandOver::NotFound);
}

TEST_F(AppInstanceChannel, DefaultNameIsPrivateToTheUser) {
    const QString sTag = QStringLiteral("sitefinch-") + QString::number(geteuid());
    CScopedEnv noOverride("SITEFINCH_INSTANCE_NAME", QByteArray());
    CScopedEnv tmp("TMPDIR", QFile::encodeName(m_dir.path()));

    // A private runtime directory holds the socket directly.
    const QString sRuntime = m_dir.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkdir(sRuntime));
    ASSERT_EQ(chmod(QFile::encodeName(sRuntime).constData(), 0700), 0);
    {
        CScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(sRuntime));
        EXPECT_EQ(CInstanceChannel::DefaultName(), sRuntime + QLatin1Char('/') + sTag);
    }

    // A runtime directory others can enter is not used; a private directory in the temporary
    // directory is made instead.
    ASSERT_EQ(chmod(QFile::encodeName(sRuntime).constData(), 0755), 0);
    {
        CScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(sRuntime));
        const QString sExpectedDir = QDir::tempPath() + QLatin1Char('/') + sTag;
        EXPECT_EQ(CInstanceChannel::DefaultName(), sExpectedDir + QStringLiteral("/instance"));
        struct stat st {};
        ASSERT_EQ(lstat(QFile::encodeName(sExpectedDir).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }

    // A symbolic link in place of that directory is never followed.
    {
        CScopedEnv runtime("XDG_RUNTIME_DIR", QByteArray());
        QTemporaryDir otherTmp;
        ASSERT_TRUE(otherTmp.isValid());
        CScopedEnv tmp2("TMPDIR", QFile::encodeName(otherTmp.path()));
        ASSERT_TRUE(QFile::link(m_dir.path(), otherTmp.filePath(sTag)));
        EXPECT_TRUE(CInstanceChannel::DefaultName().isEmpty());
    }

    CScopedEnv override("SITEFINCH_INSTANCE_NAME", "/some/where/sock");
    EXPECT_EQ(CInstanceChannel::DefaultName(), QStringLiteral("/some/where/sock"));
}

}  // namespace
}  // namespace sitefinch
