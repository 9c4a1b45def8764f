// The self-pipe behind CTerminationWatcher: the signal handler does nothing but write one byte.
#include "app/TerminationWatcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace sitefinch {

namespace {

constexpr std::array<int, 3> kWatchedSignals = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, read by the notifier; -1 while no watcher exists.
volatile sig_atomic_t g_nWriteFd = -1;
int g_fds[2] = {-1, -1};
struct sigaction g_previous[kWatchedSignals.size()];

extern "C" void OnTerminationSignal(int nSignal) {
    const int nSavedErrno = errno;
    const int fd = g_nWriteFd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(nSignal);
        // A full pipe only means a request is already pending.
        [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    }
    errno = nSavedErrno;
}

}  // namespace

CTerminationWatcher::CTerminationWatcher(QObject* pParent) : QObject(pParent) {
    if (g_nWriteFd >= 0) {
        return;
    }
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0) {
        return;
    }
    g_nWriteFd = g_fds[0];
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kWatchedSignals[i], &action, &g_previous[i]);
    }
    m_pNotifier = std::make_unique<QSocketNotifier>(g_fds[1], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this,
            &CTerminationWatcher::OnPipeReadable);
}

CTerminationWatcher::~CTerminationWatcher() {
    if (!m_pNotifier) {
        return;
    }
    m_pNotifier.reset();
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i) {
        sigaction(kWatchedSignals[i], &g_previous[i], nullptr);
    }
    g_nWriteFd = -1;
    close(g_fds[0]);
    close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void CTerminationWatcher::OnPipeReadable() {
    unsigned char byte = 0;
    int nLast = 0;
    while (read(g_fds[1], &byte, 1) == 1) {
        nLast = byte;
    }
    if (nLast != 0) {
        emit terminationRequested(nLast);
    }
}

}  // namespace sitefinch
