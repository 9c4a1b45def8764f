// The event probe over GLib's main context, which Qt's event dispatcher runs on here.
#include "EventProbe.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QScreen>
#include <QThread>

namespace sitefinch {

namespace {

constexpr int kDefaultFrameMs = 16;

// Qt's GLib dispatcher on the main thread runs the default context; any other dispatcher
// (QT_NO_GLIB) keeps its state to itself.
bool LoopIsAskable() {
    const QCoreApplication* pApp = QCoreApplication::instance();
    if (pApp == nullptr || pApp->thread() != QThread::currentThread()) {
        return false;
    }
    const QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance();
    return pDispatcher != nullptr && pDispatcher->inherits("QEventDispatcherGlib");
}

// Runs the sources' prepare step alone: it reports posted events (also those the display's
// reader thread posts as input arrives), due timers and queued window-system events, with no
// system call. A source found ready stays marked so and is dispatched by the next pass.
bool SourcesReady() {
    GMainContext* pContext = g_main_context_default();
    if (!g_main_context_acquire(pContext)) {
        return true;  // another thread runs the loop: let the full pass sort it out
    }
    gint nPriority = 0;
    const bool bReady = g_main_context_prepare(pContext, &nPriority) != FALSE;
    g_main_context_release(pContext);
    return bReady;
}

}  // namespace

int DisplayFrameMs(const QScreen* pScreen) {
    const double dRate = pScreen != nullptr ? pScreen->refreshRate() : 0.0;
    if (!(dRate >= 1.0)) {
        return kDefaultFrameMs;
    }
    return std::max(1, static_cast<int>(std::lround(1000.0 / dRate)));
}

CEventProbe::CEventProbe(int nFrameMs) : m_nFrameMs(nFrameMs), m_bAskable(LoopIsAskable()) {
    m_sincePoll.start();
    m_sinceDrained.start();
}

bool CEventProbe::AnyWaiting() {
    if (!m_bAskable) {
        return m_sinceDrained.elapsed() >= m_nFrameMs;
    }
    if (SourcesReady()) {
        return true;
    }
    if (m_sincePoll.elapsed() < m_nFrameMs) {
        return false;
    }
    m_sincePoll.start();
    return g_main_context_pending(nullptr) != FALSE;
}

void CEventProbe::MarkDrained() {
    m_sinceDrained.start();
    m_sincePoll.start();
}

}  // namespace sitefinch
