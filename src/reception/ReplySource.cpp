#include "ReplySource.h"

#include <cstring>

namespace {

bool isGroupOrBroadcast(in_addr address)
{
    const uint32_t host = ntohl(address.s_addr);
    return IN_MULTICAST(host) || host == INADDR_BROADCAST;
}

bool isMapped(const in6_addr &address)
{
    return IN6_IS_ADDR_V4MAPPED(&address);
}

in_addr mappedV4(const in6_addr &address)
{
    in_addr v4 {};
    std::memcpy(&v4, address.s6_addr + 12, sizeof v4);
    return v4;
}

in6_addr mapped(in_addr v4)
{
    in6_addr address {};
    address.s6_addr[10] = 0xFF;
    address.s6_addr[11] = 0xFF;
    std::memcpy(address.s6_addr + 12, &v4, sizeof v4);
    return address;
}

void fill(sockaddr_storage &address, int family, uint16_t port, const in_addr &v4, const in6_addr &v6)
{
    address = {};
    if (family == AF_INET6) {
        auto &a = reinterpret_cast<sockaddr_in6 &>(address);
        a.sin6_family = AF_INET6;
        a.sin6_port = htons(port);
        a.sin6_addr = v6;
    } else {
        auto &a = reinterpret_cast<sockaddr_in &>(address);
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr = v4;
    }
}

} // namespace

Arrival readArrival(const msghdr &received)
{
    Arrival arrival;
    bool haveV4 = false;
    // A const msghdr cannot be walked with CMSG_NXTHDR: a copy of its head can.
    msghdr walk = received;
    for (cmsghdr *c = CMSG_FIRSTHDR(&walk); c; c = CMSG_NXTHDR(&walk, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO && c->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
            in_pktinfo info {};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            arrival.family = Arrival::Family::V4;
            arrival.v4Destination = info.ipi_addr;
            arrival.v4Local = info.ipi_spec_dst;
            arrival.interfaceIndex = info.ipi_ifindex > 0 ? static_cast<unsigned int>(info.ipi_ifindex) : 0;
            haveV4 = true;
        } else if (c->cmsg_level == IPPROTO_IPV6 && c->cmsg_type == IPV6_PKTINFO && !haveV4 &&
                   c->cmsg_len >= CMSG_LEN(sizeof(in6_pktinfo))) {
            in6_pktinfo info {};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            arrival.interfaceIndex = info.ipi6_ifindex;
            if (isMapped(info.ipi6_addr)) {
                arrival.family = Arrival::Family::V4;
                arrival.v4Destination = mappedV4(info.ipi6_addr);
                arrival.v4Local = {};
            } else {
                arrival.family = Arrival::Family::V6;
                arrival.v6Destination = info.ipi6_addr;
            }
        }
    }
    return arrival;
}

ReplySource replySourceFor(const Arrival &arrival)
{
    ReplySource source;
    switch (arrival.family) {
    case Arrival::Family::Unknown:
        break;
    case Arrival::Family::V4:
        if (arrival.v4Local.s_addr != INADDR_ANY) {
            source.family = ReplySource::Family::V4;
            source.v4 = arrival.v4Local;
        } else if (!isGroupOrBroadcast(arrival.v4Destination) && arrival.v4Destination.s_addr != INADDR_ANY) {
            source.family = ReplySource::Family::V4;
            source.v4 = arrival.v4Destination;
        }
        break;
    case Arrival::Family::V6:
        if (IN6_IS_ADDR_MULTICAST(&arrival.v6Destination)) {
            if (arrival.interfaceIndex != 0) {
                source.family = ReplySource::Family::V6;
                source.interfaceIndex = arrival.interfaceIndex; // from the interface's own address
            }
        } else if (!IN6_IS_ADDR_UNSPECIFIED(&arrival.v6Destination)) {
            source.family = ReplySource::Family::V6;
            source.v6 = arrival.v6Destination;
            if (IN6_IS_ADDR_LINKLOCAL(&arrival.v6Destination))
                source.interfaceIndex = arrival.interfaceIndex;
        }
        break;
    }
    return source;
}

size_t writeReplyControl(const ReplySource &source, void *buffer)
{
    auto *c = static_cast<cmsghdr *>(buffer);
    switch (source.family) {
    case ReplySource::Family::SystemChooses:
        return 0;
    case ReplySource::Family::V4: {
        // Also what a dual-stack socket takes for a reply to a mapped address.
        in_pktinfo info {};
        info.ipi_spec_dst = source.v4;
        info.ipi_ifindex = static_cast<int>(source.interfaceIndex);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof info);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
        return CMSG_SPACE(sizeof info);
    }
    case ReplySource::Family::V6: {
        in6_pktinfo info {};
        info.ipi6_addr = source.v6;
        info.ipi6_ifindex = source.interfaceIndex;
        c->cmsg_level = IPPROTO_IPV6;
        c->cmsg_type = IPV6_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof info);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
        return CMSG_SPACE(sizeof info);
    }
    }
    return 0;
}

void destinationAddress(const Arrival &arrival, int family, uint16_t port, sockaddr_storage &address)
{
    switch (arrival.family) {
    case Arrival::Family::Unknown:
        fill(address, family, port, in_addr {}, in6_addr {});
        break;
    case Arrival::Family::V4:
        fill(address, family, port, arrival.v4Destination, mapped(arrival.v4Destination));
        break;
    case Arrival::Family::V6:
        fill(address, family, port, in_addr {}, arrival.v6Destination);
        break;
    }
}

void sourceAddress(const ReplySource &source, const Arrival &arrival, int family, uint16_t port,
                   sockaddr_storage &address)
{
    switch (source.family) {
    case ReplySource::Family::V4:
        fill(address, family, port, source.v4, mapped(source.v4));
        break;
    case ReplySource::Family::V6:
        if (!IN6_IS_ADDR_UNSPECIFIED(&source.v6)) {
            fill(address, family, port, in_addr {}, source.v6);
            break;
        }
        [[fallthrough]];
    case ReplySource::Family::SystemChooses:
        destinationAddress(arrival, family, port, address);
        break;
    }
}
