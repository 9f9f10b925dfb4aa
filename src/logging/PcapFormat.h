#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/socket.h>

// The classic capture file format ("pcap", as Wireshark and tcpdump read
// it): a 24-byte file header (magic 0xa1b2c3d4 in this machine's byte
// order, version 2.4, time stamps in microseconds, link type raw IP),
// then one record per packet: a 16-byte record header (seconds,
// microseconds, bytes kept, bytes on the wire) and the packet. A UDP
// datagram is kept as the packet that carried it: an IPv4 or IPv6 header
// and a UDP header made up from its addresses and ports, then the payload.
namespace pcap {

constexpr uint32_t Magic = 0xa1b2c3d4;
constexpr uint32_t LinkTypeRaw = 101;
constexpr uint32_t SnapLength = 262144;
constexpr size_t FileHeaderLength = 24;
constexpr size_t RecordHeaderLength = 16;
constexpr size_t Ipv4HeaderLength = 20;
constexpr size_t Ipv6HeaderLength = 40;
constexpr size_t UdpHeaderLength = 8;

// One end of a datagram as its packet carries it. An IPv4 address takes
// the first 4 bytes; bytes in network order, the port in host order.
struct Endpoint {
    bool v4 = true;
    std::array<uint8_t, 16> address {};
    uint16_t port = 0;
};

// The end a socket address names; an IPv4 address mapped into IPv6
// (::ffff:a.b.c.d) is IPv4. A null address or one of another family is the
// unspecified IPv4 address, port 0.
Endpoint endpointOf(const sockaddr *address);

// The one's complement sum of `bytes` (16-bit big-endian words, an odd last
// byte padded with zero) added to `sum`, folded to 16 bits, not inverted.
uint32_t checksumAdd(uint32_t sum, std::string_view bytes);
// The folded and inverted sum, as an Internet checksum field holds it.
uint16_t checksumFinish(uint32_t sum);

// Appends the file header to `out`.
void appendFileHeader(std::string &out);

// Appends one record of a UDP datagram from `source` to `destination` at
// the given time since the epoch (UTC). Both ends IPv4: an IPv4 packet
// with its header checksum, the UDP checksum left 0 as IPv4 allows;
// otherwise an IPv6 packet (an IPv4 end mapped into IPv6) with its UDP
// checksum. A payload longer than the IP packet can carry is cut to what
// it can, the bytes on the wire telling the whole length.
void appendUdpRecord(std::string &out, const Endpoint &source, const Endpoint &destination, std::string_view payload,
                     int64_t seconds, int32_t microseconds);

} // namespace pcap
