#include "QuitOnSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array CaughtSignals {SIGTERM, SIGINT, SIGHUP};

// The write end of the signal pipe, for the handler.
volatile sig_atomic_t signalPipe = -1;

extern "C" void writeSignalToPipe(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    (void)!::write(signalPipe, &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : CaughtSignals)
        sigaction(signal, &action, nullptr);
}

} // namespace

QuitOnSignals::QuitOnSignals(std::function<void()> quit) : m_quit(std::move(quit))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    signalPipe = m_pipe[1];
    setHandler(writeSignalToPipe);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
        m_quit();
    });
}

QuitOnSignals::~QuitOnSignals()
{
    if (m_notifier)
        setHandler(SIG_DFL);
    signalPipe = -1;
    for (int fd : m_pipe) {
        if (fd >= 0)
            ::close(fd);
    }
}
