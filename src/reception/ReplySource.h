#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>

// Where a datagram arrived, and the address its reply leaves from.
//
// A reply leaves from the address its datagram was sent to, so that a peer
// whose socket is connected to that address (as embedded stacks commonly
// do) accepts it, on a machine with several addresses as on one with one:
//   - IPv4, also IPv4 mapped into IPv6 on a dual-stack socket: from the
//     datagram's local address as the system names it (`ipi_spec_dst`):
//     the destination itself for a unicast datagram, the receiving
//     interface's own address for a broadcast or multicast one. Where the
//     system named none, from a unicast destination; never from a group
//     or broadcast address.
//   - IPv6: from the destination, with the receiving interface where the
//     address needs one (link-local); for a multicast destination the
//     system picks the receiving interface's own address.
//   - Nothing known of the arrival: the system chooses, as for any send.
//
// Reading the control messages and writing the reply's one are byte work
// on buffers the socket owns; the socket does the I/O.

struct Arrival {
    enum class Family : uint8_t { Unknown, V4, V6 };
    Family family = Family::Unknown;
    in_addr v4Destination {}; // the destination in the datagram's header
    in_addr v4Local {};       // the system's local address for it; 0.0.0.0 when not told
    in6_addr v6Destination {};
    unsigned int interfaceIndex = 0; // the receiving interface; 0 when not told
};

struct ReplySource {
    enum class Family : uint8_t { SystemChooses, V4, V6 };
    Family family = Family::SystemChooses;
    in_addr v4 {};
    in6_addr v6 {}; // :: with an interface: that interface's own address
    unsigned int interfaceIndex = 0; // 0: the route decides
};

// Control room a received datagram needs for its destination, as IPv6 and
// as IPv4 packet information; and the room of a reply's source.
constexpr size_t ArrivalControlCapacity = CMSG_SPACE(sizeof(in6_pktinfo)) + CMSG_SPACE(sizeof(in_pktinfo));
constexpr size_t ReplyControlCapacity = CMSG_SPACE(sizeof(in6_pktinfo));

// Reads the packet information of a received datagram's control messages.
// IPv4 information wins over IPv6 information naming a mapped IPv4 address.
Arrival readArrival(const msghdr &received);

// Decides the reply's source by the rules above.
ReplySource replySourceFor(const Arrival &arrival);

// Writes the control message that sends from `source` into `buffer`, which
// holds ReplyControlCapacity bytes and is aligned for a cmsghdr; returns its
// length, 0 when the system chooses.
size_t writeReplyControl(const ReplySource &source, void *buffer);

// The arrival's destination as a socket address of `family` (AF_INET, or
// AF_INET6 with an IPv4 destination mapped in) and `port`; the unspecified
// address when unknown.
void destinationAddress(const Arrival &arrival, int family, uint16_t port, sockaddr_storage &address);
// The same for the reply's source; the arrival's destination when the system chooses.
void sourceAddress(const ReplySource &source, const Arrival &arrival, int family, uint16_t port,
                   sockaddr_storage &address);
