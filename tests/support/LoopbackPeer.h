#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// The far end of a test: a plain UDP socket bound to a loopback address.
class LoopbackPeer {
public:
    struct Datagram {
        QByteArray bytes;
        QString sourceAddress;
        uint16_t sourcePort = 0;
    };

    // 127.0.0.1 for AF_INET, ::1 for AF_INET6, on a port the system picks.
    explicit LoopbackPeer(int family);
    // Bound to `address` (IPv4, IPv6, or IPv4 mapped into IPv6 for a
    // dual-stack socket), on a port the system picks.
    explicit LoopbackPeer(const char *address);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer &) = delete;
    LoopbackPeer &operator=(const LoopbackPeer &) = delete;

    uint16_t port() const { return m_port; }
    bool sendTo(uint16_t port, const QByteArray &bytes);
    // To `address` (of the socket's family); broadcasts allowed.
    bool sendTo(const QString &address, uint16_t port, const QByteArray &bytes);
    // Connects the socket: from now on it sends to, and accepts datagrams
    // from, address:port only.
    bool connectTo(const QString &address, uint16_t port);
    bool send(const QByteArray &bytes);
    // One datagram, waiting at most timeoutMs for it.
    std::optional<Datagram> receive(int timeoutMs);
    // Sends `bytes` to `port` every 200 ms until a datagram comes back, for
    // at most 20 s and while `running` holds (a program still starting);
    // the datagram that came.
    std::optional<Datagram> answerTo(uint16_t port, const QByteArray &bytes, const std::function<bool()> &running);

private:
    int m_fd = -1;
    int m_family;
    uint16_t m_port = 0;
};

// A socket of another program holding `port` (0: any) on `address`, with
// `option` (0, SO_REUSEADDR or SO_REUSEPORT) set; IPv6 sockets may be
// IPv6-only. Returns the descriptor, -1 on failure; `bound` gets the port.
int holdPort(const char *address, int option, bool v6Only, uint16_t port, uint16_t &bound);

// A port that another program holds on every address, IPv4 and IPv6, for
// the life of the object; port() is 0 when none could be held.
class HeldPort {
public:
    HeldPort() : m_fd(holdPort("::", 0, false, 0, m_port)) {}
    ~HeldPort();
    HeldPort(const HeldPort &) = delete;
    HeldPort &operator=(const HeldPort &) = delete;

    uint16_t port() const { return m_port; }

private:
    uint16_t m_port = 0;
    int m_fd;
};

// A port that nothing held a moment ago, on any address.
uint16_t freePort();
// Runs the event loop until `done` or the timeout; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000);
