#include "LoopbackPeer.h"

#include <QDeadlineTimer>
#include <QTest>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

uint16_t portOf(int fd)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6 &>(address).sin6_port);
    return ntohs(reinterpret_cast<sockaddr_in &>(address).sin_port);
}

// IPv6 for an address with a colon (mapped IPv4 included), else IPv4.
int familyOf(const char *address)
{
    return std::strchr(address, ':') ? AF_INET6 : AF_INET;
}

// address:port as a socket address of `family`; false when it is not one.
bool socketAddress(int family, const char *address, uint16_t port, sockaddr_storage &target, socklen_t &length)
{
    target = {};
    if (family == AF_INET6) {
        auto &v6 = reinterpret_cast<sockaddr_in6 &>(target);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        length = sizeof v6;
        return ::inet_pton(AF_INET6, address, &v6.sin6_addr) == 1;
    }
    auto &v4 = reinterpret_cast<sockaddr_in &>(target);
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    length = sizeof v4;
    return ::inet_pton(AF_INET, address, &v4.sin_addr) == 1;
}

// Binds a new socket to address:port; -1 on failure.
int bindTo(const char *address, uint16_t port, int option, bool v6Only)
{
    const int family = familyOf(address);
    sockaddr_storage local {};
    socklen_t length = 0;
    if (!socketAddress(family, address, port, local, length))
        return -1;
    const int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    const int v6OnlyValue = v6Only ? 1 : 0;
    const bool ok =
        (option == 0 || ::setsockopt(fd, SOL_SOCKET, option, &on, sizeof on) == 0) &&
        (family == AF_INET || ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &v6OnlyValue, sizeof v6OnlyValue) == 0) &&
        ::bind(fd, reinterpret_cast<sockaddr *>(&local), length) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

LoopbackPeer::LoopbackPeer(int family) : m_family(family)
{
    m_fd = bindTo(family == AF_INET6 ? "::1" : "127.0.0.1", 0, 0, true);
    if (m_fd < 0)
        return;
    const int size = 8 * 1024 * 1024;
    (void)::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    m_port = portOf(m_fd);
}

LoopbackPeer::LoopbackPeer(const char *address) : m_family(familyOf(address))
{
    // A mapped IPv4 address needs a socket that takes IPv4 too.
    m_fd = bindTo(address, 0, 0, !std::strstr(address, "ffff:"));
    if (m_fd < 0)
        return;
    const int on = 1;
    (void)::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    m_port = portOf(m_fd);
}

LoopbackPeer::~LoopbackPeer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LoopbackPeer::sendTo(uint16_t port, const QByteArray &bytes)
{
    return sendTo(m_family == AF_INET6 ? QStringLiteral("::1") : QStringLiteral("127.0.0.1"), port, bytes);
}

bool LoopbackPeer::sendTo(const QString &address, uint16_t port, const QByteArray &bytes)
{
    sockaddr_storage target {};
    socklen_t length = 0;
    if (!socketAddress(m_family, address.toLatin1().constData(), port, target, length))
        return false;
    return ::sendto(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0,
                    reinterpret_cast<sockaddr *>(&target), length) == bytes.size();
}

bool LoopbackPeer::connectTo(const QString &address, uint16_t port)
{
    sockaddr_storage target {};
    socklen_t length = 0;
    return socketAddress(m_family, address.toLatin1().constData(), port, target, length) &&
           ::connect(m_fd, reinterpret_cast<sockaddr *>(&target), length) == 0;
}

bool LoopbackPeer::send(const QByteArray &bytes)
{
    return ::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0) == bytes.size();
}

std::optional<LoopbackPeer::Datagram> LoopbackPeer::receive(int timeoutMs)
{
    pollfd waiting {m_fd, POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) != 1)
        return std::nullopt;
    QByteArray buffer(65536, Qt::Uninitialized);
    sockaddr_storage source {};
    socklen_t length = sizeof source;
    const ssize_t size = ::recvfrom(m_fd, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT,
                                    reinterpret_cast<sockaddr *>(&source), &length);
    if (size < 0)
        return std::nullopt;
    Datagram datagram;
    datagram.bytes = buffer.left(size);
    char text[INET6_ADDRSTRLEN] = {};
    if (source.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(source);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        datagram.sourcePort = ntohs(v6.sin6_port);
    } else {
        const auto &v4 = reinterpret_cast<const sockaddr_in &>(source);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        datagram.sourcePort = ntohs(v4.sin_port);
    }
    datagram.sourceAddress = QString::fromLatin1(text);
    return datagram;
}

std::optional<LoopbackPeer::Datagram> LoopbackPeer::answerTo(uint16_t port, const QByteArray &bytes,
                                                             const std::function<bool()> &running)
{
    for (int attempt = 0; attempt < 100 && running(); ++attempt) {
        if (!sendTo(port, bytes))
            return std::nullopt;
        if (std::optional<Datagram> answer = receive(200))
            return answer;
    }
    return std::nullopt;
}

int holdPort(const char *address, int option, bool v6Only, uint16_t port, uint16_t &bound)
{
    const int fd = bindTo(address, port, option, v6Only);
    bound = fd >= 0 ? portOf(fd) : 0;
    return fd;
}

HeldPort::~HeldPort()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

uint16_t freePort()
{
    return HeldPort().port();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(1);
    }
    return true;
}
