// Whether the user-interface thread's event loop has anything to dispatch, asked without
// dispatching it.
#pragma once

#include <QElapsedTimer>

class QScreen;

namespace sitefinch {

// The refresh interval of a screen in whole milliseconds; 16 when it is null or does not tell.
int DisplayFrameMs(const QScreen* pScreen);

// A build drains the event queue before every page; a full pass of the event loop costs about
// as much as scanning a small page, so the drain first asks whether there is anything to drain.
class CEventProbe {
public:
    // nFrameMs: how long a waiting event may stay unseen where the loop cannot be asked.
    explicit CEventProbe(int nFrameMs);

    // True when something may wait: a posted event, a due timer, window-system input or, polled
    // at most once per frame, a ready socket (the display connection, a local server). Where the
    // event loop is not one this probe can ask, true once a frame has passed since the last
    // MarkDrained(). Must be called on the thread that owns the event loop.
    bool AnyWaiting();

    // Records that the caller has just dispatched everything that was waiting.
    void MarkDrained();

private:
    int m_nFrameMs;
    bool m_bAskable;
    QElapsedTimer m_sincePoll;     // since the loop's sockets were last polled
    QElapsedTimer m_sinceDrained;  // since the last full pass
};

}  // namespace sitefinch
