#include "ServiceNotifier.h"

#include "core/StandardError.h"

#include <QCoreApplication>

#include <cstring>
#include <utility>

ServiceNotifier::ServiceNotifier()
{
    const QByteArray notifySocket = qgetenv("NOTIFY_SOCKET");
    if (notifySocket.isEmpty())
        return;
    const auto address = notifyprotocol::addressOf(notifySocket);
    if (!address) {
        printToStandardError(QStringLiteral("NOTIFY_SOCKET=%1 names no socket: the service manager is not told.")
                                 .arg(QString::fromLocal8Bit(notifySocket)));
        return;
    }
    m_socket.emplace(*address);
    if (const int error = m_socket->openError())
        reportFailure(error);
    const auto interval = notifyprotocol::watchdogPingInterval(qgetenv("WATCHDOG_USEC"), qgetenv("WATCHDOG_PID"),
                                                               QCoreApplication::applicationPid());
    if (interval.count() > 0) {
        m_watchdog.setInterval(interval);
        connect(&m_watchdog, &QTimer::timeout, this, [this] { send(notifyprotocol::watchdogMessage()); });
    }
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
    if (!m_socket || m_socket->openError() != 0)
        return;
    if (const int error = m_socket->send(message))
        reportFailure(error);
}

void ServiceNotifier::reportFailure(int error)
{
    if (std::exchange(m_failed, true))
        return;
    printToStandardError(QStringLiteral("cannot notify the service manager (NOTIFY_SOCKET): %1")
                             .arg(QString::fromLocal8Bit(std::strerror(error))));
}
