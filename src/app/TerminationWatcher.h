// Turning SIGTERM, SIGINT and SIGHUP into a Qt signal, so the program can close its window cleanly.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace sitefinch {

// While an object of this class exists, the three signals no longer end the process at once:
// their handler only writes to a pipe, and the object emits terminationRequested() from the
// event loop. Only one may exist at a time (the handler is process-wide); the previous handlers
// come back when it is destroyed.
class CTerminationWatcher : public QObject {
    Q_OBJECT

public:
    explicit CTerminationWatcher(QObject* pParent = nullptr);
    ~CTerminationWatcher() override;

    // False when the pipe or the handlers could not be set up; the signals then keep their
    // default effect.
    bool IsActive() const { return m_pNotifier != nullptr; }

signals:
    void terminationRequested(int nSignal);

private:
    void OnPipeReadable();

    std::unique_ptr<QSocketNotifier> m_pNotifier;
};

}  // namespace sitefinch
