// One running window per user: a local socket over which a second start hands its command line.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace sitefinch {

// A channel is named by a local socket. The first start of the program listens on it (Listen);
// a later start connects, sends its command-line text and blocks until the listening side has
// processed the text and acknowledged it (HandOver). The listening side delivers each text
// through the deliver function, one at a time and never while the busy function says the window
// is inside an operation: such texts wait in order and go out when the window is idle again
// (checked whenever TryDeliverQueued is called, and on a short poll while texts wait). A text
// that arrives during a delivery waits for it too, since a delivery may run nested event loops.
//
// Wire format: a four-byte big-endian length, then that many bytes of text; the answer is one
// byte, kAck. Both ends check that the peer runs as the same user. The socket is made without
// Qt's access options: those bind elsewhere and rename over the name, which would silently take
// the name from a live instance; instead the default name lies in a directory only this user can
// enter, and the peer check covers any other name.
class CInstanceChannel : public QObject {
    Q_OBJECT

public:
    // Longest text accepted over the channel. The window reads at most a 499-byte start page and
    // a 99-byte query, so anything near this bound is not a command line of ours.
    static constexpr std::uint32_t kMaxTextBytes = 64 * 1024;
    static constexpr char kAck = '\x06';
    // A connection that has not delivered its whole text this long after it was accepted is cut
    // off: a second start sends its few bytes at once, so this is a stalled or foreign client.
    static constexpr int kReceiveTimeoutMs = 5000;

    using DeliverFn = std::function<void(const QByteArray& text)>;
    using BusyFn = std::function<bool()>;

    enum class EStart {
        HandedOver,  // a running instance took the text and answered: end this process
        Listening,   // this process is now the running instance
        Failed,      // neither worked (no socket could be made): run without a channel
    };

    // sName: a socket name as QLocalServer takes it (an absolute path, or a bare name placed in
    // the temporary directory).
    explicit CInstanceChannel(QString sName, QObject* pParent = nullptr);
    ~CInstanceChannel() override;

    // The socket name for this user: $SITEFINCH_INSTANCE_NAME when set (tests), else
    // "sitefinch-<uid>" in $XDG_RUNTIME_DIR when that is a private directory of this user, else
    // "instance" in a private directory "sitefinch-<uid>" made in the temporary directory.
    // Empty when no private place can be had (the program then runs without a channel).
    static QString DefaultName();

    // Hands text to a running instance, or becomes the running instance. A socket left behind
    // by a crashed instance is removed; when another first start wins the race to listen, the
    // text is handed to it.
    EStart HandOverOrListen(const QByteArray& text);

    enum class EHandOver {
        Delivered,  // the running instance processed the text and answered
        NotFound,   // no socket of that name
        Refused,    // a socket file is there but nobody accepts: crashed, or just starting
        Lost,       // connected, but the peer went away before answering
        Foreign,    // the peer runs as another user: it gets nothing
    };

    // The client half alone: connects, sends, and waits for the answer without any time limit
    // (the running window may be asking its user a question). A text longer than kMaxTextBytes
    // is cut to that length; the window reads far less of it anyway.
    static EHandOver HandOver(const QString& sName, const QByteArray& text);

    // The server half alone. False when the name is taken or cannot be made.
    bool Listen();
    bool IsListening() const;

    // Where texts go and how to tell that the receiver is busy. Set before the event loop runs.
    void SetReceiver(DeliverFn fnDeliver, BusyFn fnBusy);

    // While held, texts only queue up (the window is not ready yet); Release delivers them once
    // control is back in an event loop.
    void Hold();
    void Release();

    // Replaces kReceiveTimeoutMs for connections accepted from now on (tests).
    void SetReceiveTimeout(int nMs) { m_nReceiveTimeoutMs = nMs; }

    // Number of texts received and not yet delivered.
    std::size_t QueuedCount() const { return m_queue.size(); }

signals:
    // A text has arrived and waits for delivery; emitted at once, also while the receiver is
    // busy or the channel is held, so that the window can at least come to the front.
    void textArrived();

public slots:
    // Delivers queued texts while the receiver is idle. Safe to call at any time: a call
    // arriving during a delivery does nothing, and the delivery loop picks up what came meanwhile.
    void TryDeliverQueued();

private:
    struct CPending {
        QPointer<QLocalSocket> pSocket;
        QByteArray text;
    };

    void OnNewConnection();
    void OnReadyRead(QLocalSocket* pSocket);
    bool IsReceiverBusy() const;
    void SchedulePoll();

    QString m_sName;
    std::unique_ptr<QLocalServer> m_pServer;
    DeliverFn m_fnDeliver;
    BusyFn m_fnBusy;
    std::deque<CPending> m_queue;
    bool m_bDelivering = false;
    bool m_bHeld = false;
    int m_nReceiveTimeoutMs = kReceiveTimeoutMs;
    QTimer m_pollTimer;  // retries while texts wait for an idle receiver
};

}  // namespace sitefinch
