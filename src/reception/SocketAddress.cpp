#include "SocketAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

QString formatSocketAddress(const SocketAddress &address)
{
    if (address.empty())
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (address.address->sa_family == AF_INET && address.length >= sizeof(sockaddr_in)) {
        sockaddr_in v4 {};
        std::memcpy(&v4, address.address, sizeof v4);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        return QStringLiteral("%1:%2").arg(QLatin1StringView(text)).arg(ntohs(v4.sin_port));
    }
    if (address.address->sa_family == AF_INET6 && address.length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 v6 {};
        std::memcpy(&v6, address.address, sizeof v6);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            ::inet_ntop(AF_INET, v6.sin6_addr.s6_addr + 12, text, sizeof text);
            return QStringLiteral("%1:%2").arg(QLatin1StringView(text)).arg(ntohs(v6.sin6_port));
        }
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        return QStringLiteral("[%1]:%2").arg(QLatin1StringView(text)).arg(ntohs(v6.sin6_port));
    }
    return {};
}
