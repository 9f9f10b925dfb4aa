#pragma once

#include <QString>

#include <sys/socket.h>

// A socket address as the system gave it, without a copy: valid while
// what it points into is (for a datagram's sender, during its DataArrival).
struct SocketAddress {
    const sockaddr *address = nullptr;
    socklen_t length = 0;

    bool empty() const { return !address || length == 0; }
};

// "127.0.0.1:47808" or "[::1]:47808"; an IPv4 address mapped into IPv6 is
// shown as IPv4. Empty for an empty address or another family.
QString formatSocketAddress(const SocketAddress &address);
