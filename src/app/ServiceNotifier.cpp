#include "ServiceNotifier.h"

#include "core/StandardError.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

ServiceNotifier::ServiceNotifier()
{
    const QByteArray notifySocket = qgetenv("NOTIFY_SOCKET");
    if (notifySocket.isEmpty())
        return;
    m_address = notifyprotocol::addressOf(notifySocket);
    if (!m_address) {
        printToStandardError(QStringLiteral("NOTIFY_SOCKET=%1 names no socket: the service manager is not told.")
                                 .arg(QString::fromLocal8Bit(notifySocket)));
        return;
    }
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        reportFailure(errno);
    const auto interval = notifyprotocol::watchdogPingInterval(qgetenv("WATCHDOG_USEC"), qgetenv("WATCHDOG_PID"),
                                                               QCoreApplication::applicationPid());
    if (interval.count() > 0) {
        m_watchdog.setInterval(interval);
        connect(&m_watchdog, &QTimer::timeout, this, [this] { send(notifyprotocol::watchdogMessage()); });
    }
}

ServiceNotifier::~ServiceNotifier()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ServiceNotifier::ready(const QString &status)
{
    send(notifyprotocol::readyMessage(status));
    if (m_watchdog.interval() > 0)
        m_watchdog.start();
}

void ServiceNotifier::status(const QString &status)
{
    send(notifyprotocol::statusMessage(status));
}

void ServiceNotifier::stopping()
{
    m_watchdog.stop();
    send(notifyprotocol::stoppingMessage());
}

void ServiceNotifier::send(const QByteArray &message)
{
    if (m_fd < 0)
        return;
    const ssize_t sent =
        ::sendto(m_fd, message.constData(), static_cast<size_t>(message.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr *>(&m_address->address), m_address->length);
    if (sent < 0)
        reportFailure(errno);
}

void ServiceNotifier::reportFailure(int error)
{
    if (std::exchange(m_failed, true))
        return;
    printToStandardError(QStringLiteral("cannot notify the service manager (NOTIFY_SOCKET): %1")
                             .arg(QString::fromLocal8Bit(std::strerror(error))));
}
