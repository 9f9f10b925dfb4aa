#include "LocalDatagramSocket.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

LocalDatagramSocket::LocalDatagramSocket(const notifyprotocol::Address &address) : m_address(address)
{
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        m_openError = errno;
}

LocalDatagramSocket::~LocalDatagramSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int LocalDatagramSocket::send(const QByteArray &datagram) const
{
    if (m_fd < 0)
        return EBADF;
    const ssize_t sent =
        ::sendto(m_fd, datagram.constData(), static_cast<size_t>(datagram.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr *>(&m_address.address), m_address.length);
    return sent < 0 ? errno : 0;
}
