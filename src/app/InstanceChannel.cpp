// The local-socket channel between a second start of the program and the running window.
#include "app/InstanceChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace sitefinch {

namespace {

constexpr int kLengthBytes = 4;
// Connecting to a local socket either succeeds or fails at once; the bound only guards against
// a listener whose backlog is full.
constexpr int kConnectTimeoutMs = 5000;
// Rounds of connect-or-listen before giving up, and the pause between them. A start that finds
// a socket nobody accepts on waits one pause before taking it for a crashed instance's, since a
// first start may be between binding and listening.
constexpr int kMaxStartRounds = 8;
constexpr unsigned long kRetryPauseMs = 50;
// How often texts waiting for an idle receiver are retried: the receiver may become idle by
// closing a message box, which sends no notice.
constexpr int kPollIntervalMs = 100;
// Set on a connection once its text has been read whole.
constexpr const char* kReceivedProperty = "sitefinchReceived";

// True when the peer of a connected local socket runs as this process's user.
bool PeerIsSameUser(const QLocalSocket& socket) {
    const qintptr fd = socket.socketDescriptor();
    if (fd < 0) {
        return false;
    }
    struct ucred cred {};
    socklen_t nLength = sizeof(cred);
    if (getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &nLength) != 0) {
        return false;
    }
    return cred.uid == geteuid();
}

// A directory that only this user can enter: it exists (or is made) with mode 0700 and belongs
// to this user. A directory of someone else's, or a symbolic link, is never used.
bool IsOrMakePrivateDir(const QByteArray& path, bool bMayCreate) {
    if (bMayCreate && mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        // Ours but open to others: close it rather than fall back to no single instance.
        return bMayCreate && chmod(path.constData(), 0700) == 0;
    }
    return true;
}

QString UserTag() {
    return QStringLiteral("sitefinch-") + QString::number(geteuid());
}

}  // namespace

CInstanceChannel::CInstanceChannel(QString sName, QObject* pParent)
    : QObject(pParent), m_sName(std::move(sName)) {
    m_pollTimer.setInterval(kPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &CInstanceChannel::TryDeliverQueued);
}

CInstanceChannel::~CInstanceChannel() {
    // Texts still waiting get no answer: their senders see the connection drop and start a
    // window of their own.
    if (m_pServer) {
        m_pServer->close();
    }
}

QString CInstanceChannel::DefaultName() {
    const QByteArray override = qgetenv("SITEFINCH_INSTANCE_NAME");
    if (!override.isEmpty()) {
        return QString::fromLocal8Bit(override);
    }
    const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
    if (runtimeDir.startsWith('/') && IsOrMakePrivateDir(runtimeDir, false)) {
        return QString::fromLocal8Bit(runtimeDir) + QLatin1Char('/') + UserTag();
    }
    const QString sDir = QDir::tempPath() + QLatin1Char('/') + UserTag();
    if (IsOrMakePrivateDir(QFile::encodeName(sDir), true)) {
        return sDir + QStringLiteral("/instance");
    }
    return QString();
}

CInstanceChannel::EHandOver CInstanceChannel::HandOver(const QString& sName,
                                                       const QByteArray& text) {
    QLocalSocket socket;
    socket.connectToServer(sName);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        switch (socket.error()) {
            case QLocalSocket::ServerNotFoundError:
                return EHandOver::NotFound;
            case QLocalSocket::ConnectionRefusedError:
                return EHandOver::Refused;
            default:
                return EHandOver::Lost;
        }
    }
    if (!PeerIsSameUser(socket)) {
        socket.abort();
        return EHandOver::Foreign;
    }

    const QByteArray payload = text.left(kMaxTextBytes);
    char lengthBytes[kLengthBytes];
    qToBigEndian(static_cast<std::uint32_t>(payload.size()), lengthBytes);
    socket.write(lengthBytes, kLengthBytes);
    socket.write(payload);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(-1)) {
            return EHandOver::Lost;
        }
    }
    // No time limit: the running window answers only once it has processed the text, which may
    // include a question to its user or a whole build.
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(-1)) {
            return EHandOver::Lost;
        }
    }
    char answer = 0;
    if (socket.read(&answer, 1) != 1 || answer != kAck) {
        return EHandOver::Lost;
    }
    socket.disconnectFromServer();
    return EHandOver::Delivered;
}

CInstanceChannel::EStart CInstanceChannel::HandOverOrListen(const QByteArray& text) {
    if (m_sName.isEmpty()) {
        return EStart::Failed;
    }
    int nRefusals = 0;
    for (int nRound = 0; nRound < kMaxStartRounds; ++nRound) {
        switch (HandOver(m_sName, text)) {
            case EHandOver::Delivered:
                return EStart::HandedOver;
            case EHandOver::Foreign:
                return EStart::Failed;
            case EHandOver::Refused:
                // Refused twice, a pause apart: nobody will listen there any more.
                if (++nRefusals >= 2) {
                    QLocalServer::removeServer(m_sName);
                } else {
                    QThread::msleep(kRetryPauseMs);
                    continue;
                }
                break;
            case EHandOver::Lost:
                // The running instance ended while we talked to it; its successor may be us.
                QThread::msleep(kRetryPauseMs);
                continue;
            case EHandOver::NotFound:
                break;
        }
        if (Listen()) {
            return EStart::Listening;
        }
        if (m_pServer->serverError() != QAbstractSocket::AddressInUseError) {
            m_pServer.reset();
            return EStart::Failed;
        }
        // Another first start took the name between our connect and our listen: hand it over.
        m_pServer.reset();
        QThread::msleep(kRetryPauseMs);
    }
    return EStart::Failed;
}

bool CInstanceChannel::Listen() {
    if (!m_pServer) {
        m_pServer = std::make_unique<QLocalServer>();
        connect(m_pServer.get(), &QLocalServer::newConnection, this,
                &CInstanceChannel::OnNewConnection);
    }
    return m_pServer->listen(m_sName);
}

bool CInstanceChannel::IsListening() const {
    return m_pServer && m_pServer->isListening();
}

void CInstanceChannel::SetReceiver(DeliverFn fnDeliver, BusyFn fnBusy) {
    m_fnDeliver = std::move(fnDeliver);
    m_fnBusy = std::move(fnBusy);
}

void CInstanceChannel::Hold() {
    m_bHeld = true;
}

void CInstanceChannel::Release() {
    m_bHeld = false;
    QMetaObject::invokeMethod(this, &CInstanceChannel::TryDeliverQueued, Qt::QueuedConnection);
}

void CInstanceChannel::OnNewConnection() {
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        if (!PeerIsSameUser(*pSocket)) {
            pSocket->abort();
            pSocket->deleteLater();
            continue;
        }
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] { OnReadyRead(pSocket); });
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        // Each connection has its own deadline; the others are served meanwhile as usual. The
        // timer goes with the socket.
        QTimer::singleShot(m_nReceiveTimeoutMs, pSocket, [pSocket] {
            if (!pSocket->property(kReceivedProperty).toBool()) {
                pSocket->abort();
                pSocket->deleteLater();
            }
        });
        OnReadyRead(pSocket);
    }
}

void CInstanceChannel::OnReadyRead(QLocalSocket* pSocket) {
    // One text per connection; anything after it is not ours to read.
    if (pSocket->property(kReceivedProperty).toBool()) {
        return;
    }
    if (pSocket->bytesAvailable() < kLengthBytes) {
        return;
    }
    char lengthBytes[kLengthBytes];
    pSocket->peek(lengthBytes, kLengthBytes);
    const std::uint32_t nLength = qFromBigEndian<std::uint32_t>(lengthBytes);
    if (nLength > kMaxTextBytes) {
        pSocket->abort();
        return;
    }
    if (pSocket->bytesAvailable() < kLengthBytes + static_cast<qint64>(nLength)) {
        return;
    }
    pSocket->skip(kLengthBytes);
    CPending pending{pSocket, pSocket->read(nLength)};
    pSocket->setProperty(kReceivedProperty, true);
    m_queue.push_back(std::move(pending));
    emit textArrived();
    // Delivered from the event loop, not from inside this socket's notification: the delivery
    // may run nested loops for a long time.
    QMetaObject::invokeMethod(this, &CInstanceChannel::TryDeliverQueued, Qt::QueuedConnection);
}

bool CInstanceChannel::IsReceiverBusy() const {
    return m_fnBusy && m_fnBusy();
}

void CInstanceChannel::TryDeliverQueued() {
    if (m_bDelivering || m_bHeld || !m_fnDeliver) {
        return;
    }
    while (!m_queue.empty()) {
        if (IsReceiverBusy()) {
            if (!m_pollTimer.isActive()) {
                m_pollTimer.start();
            }
            return;
        }
        CPending pending = std::move(m_queue.front());
        m_queue.pop_front();
        m_bDelivering = true;
        struct CClearFlag {
            bool& bFlag;
            ~CClearFlag() { bFlag = false; }
        } clear{m_bDelivering};
        m_fnDeliver(pending.text);
        if (pending.pSocket && pending.pSocket->state() == QLocalSocket::ConnectedState) {
            pending.pSocket->write(&kAck, 1);
            pending.pSocket->flush();
        }
    }
    m_pollTimer.stop();
}

}  // namespace sitefinch
