#include "ControlSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int64_t> g_clickArrivalNs {0};
static_assert(std::atomic<int64_t>::is_always_lock_free);

void onSignal(int signo)
{
    const int savedErrno = errno;
    if (signo == SIGHUP)
        g_clickArrivalNs.store(monotonicNs(), std::memory_order_relaxed);
    const auto byte = static_cast<unsigned char>(signo);
    (void)!::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

int64_t monotonicNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t {ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

bool ControlSignals::install()
{
    if (::pipe2(g_pipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    constexpr int ControlSignals[] = {SIGUSR1, SIGUSR2, SIGHUP, SIGTERM, SIGINT};
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESTART;
    // One handler at a time, so the pipe keeps the order of arrival.
    sigemptyset(&action.sa_mask);
    for (const int signo : ControlSignals)
        sigaddset(&action.sa_mask, signo);
    for (const int signo : ControlSignals)
        if (::sigaction(signo, &action, nullptr) != 0)
            return false;
    return true;
}

ControlSignals::ControlSignals(Handlers handlers, QObject *parent) : QObject(parent), m_handlers(std::move(handlers))
{
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readPending(); });
}

void ControlSignals::readPending()
{
    unsigned char bytes[64];
    const ssize_t n = ::read(g_pipe[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i) {
        switch (bytes[i]) {
        case SIGUSR1:
            m_handlers.reset();
            break;
        case SIGUSR2:
            m_handlers.stats();
            break;
        case SIGHUP:
            m_handlers.click(g_clickArrivalNs.load(std::memory_order_relaxed));
            break;
        default:
            m_handlers.quit();
            break;
        }
    }
}
