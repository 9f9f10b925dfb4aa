#pragma once

#include "NotifyProtocol.h"

#include <QByteArray>

// An unbound Unix datagram socket that sends, never waiting, to one
// address: the service manager's notify socket or the journal's socket.
class LocalDatagramSocket {
public:
    explicit LocalDatagramSocket(const notifyprotocol::Address &address);
    ~LocalDatagramSocket();
    LocalDatagramSocket(const LocalDatagramSocket &) = delete;
    LocalDatagramSocket &operator=(const LocalDatagramSocket &) = delete;

    // 0 when the socket was made, else its errno.
    int openError() const { return m_openError; }
    // 0 when the datagram went, else errno (EBADF without a socket).
    int send(const QByteArray &datagram) const;

private:
    notifyprotocol::Address m_address;
    int m_fd = -1;
    int m_openError = 0;
};
