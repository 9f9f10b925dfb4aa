#pragma once

#include "LocalDatagramSocket.h"

#include <QObject>
#include <QTimer>

#include <optional>

// Tells the service manager how the program does when it runs the program
// as a Type=notify service (NOTIFY_SOCKET set); does nothing otherwise.
// Each message is one datagram sent without waiting: one that cannot go
// is lost, the first such loss told on standard error, later ones not.
// When the manager keeps a watchdog, WATCHDOG=1 goes out from a timer of
// the event loop from ready() on: a loop that hangs stops it.
class ServiceNotifier final : public QObject {
    Q_OBJECT

public:
    ServiceNotifier(); // reads NOTIFY_SOCKET, WATCHDOG_USEC and WATCHDOG_PID
    ServiceNotifier(const ServiceNotifier &) = delete;
    ServiceNotifier &operator=(const ServiceNotifier &) = delete;

    // Start-up is done (the port bound, reception on): READY=1 with the
    // first status line; the watchdog pings start.
    void ready(const QString &status);
    void status(const QString &status);
    // The program ends: STOPPING=1; the pings stop.
    void stopping();

private:
    void send(const QByteArray &message);
    void reportFailure(int error);

    std::optional<LocalDatagramSocket> m_socket;
    bool m_failed = false;
    QTimer m_watchdog;
};
