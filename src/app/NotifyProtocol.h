#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>

// The notification protocol of systemd (sd_notify): a service started with
// Type=notify finds a datagram socket named in NOTIFY_SOCKET and sends it
// its state, one message per datagram, each message newline-separated
// assignments:
//   READY=1         start-up is done
//   STATUS=<text>   one line shown by `systemctl status`
//   STOPPING=1      the process is ending
//   WATCHDOG=1      alive; the manager asks for it when it sets WATCHDOG_USEC
// Formatting and the reading of the environment only; sending is
// ServiceNotifier's.
namespace notifyprotocol {

struct Address {
    sockaddr_un address {};
    socklen_t length = 0;
};

// The socket NOTIFY_SOCKET names: an absolute path, or after '@' a name in
// Linux's abstract namespace. None for an empty, relative or too long value.
std::optional<Address> addressOf(const QByteArray &notifySocket);

// How often to send WATCHDOG=1: half the interval WATCHDOG_USEC gives, when
// the watchdog is meant for this process (WATCHDOG_PID unset or `ownPid`);
// zero when there is none. At least a millisecond, at most what a timer holds.
std::chrono::milliseconds watchdogPingInterval(const QByteArray &watchdogUsec, const QByteArray &watchdogPid,
                                               qint64 ownPid);

// READY=1 and the first status line, in one message.
QByteArray readyMessage(const QString &status);
// A status line; line breaks in it become blanks.
QByteArray statusMessage(const QString &status);
QByteArray stoppingMessage();
QByteArray watchdogMessage();

} // namespace notifyprotocol
