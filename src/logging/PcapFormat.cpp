#include "PcapFormat.h"

#include <algorithm>
#include <cstring>
#include <netinet/in.h>

namespace pcap {

namespace {

constexpr uint8_t UdpProtocol = 17;
constexpr uint8_t HopLimit = 64;
constexpr size_t LargestIpPacket = 65535;

template <typename T> void appendNative(std::string &out, T value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

void appendBig16(std::string &out, uint16_t value)
{
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

void appendBig32(std::string &out, uint32_t value)
{
    appendBig16(out, static_cast<uint16_t>(value >> 16));
    appendBig16(out, static_cast<uint16_t>(value & 0xFFFF));
}

void appendAddress(std::string &out, const Endpoint &end, bool asV6)
{
    if (!asV6) {
        out.append(reinterpret_cast<const char *>(end.address.data()), 4);
        return;
    }
    if (!end.v4) {
        out.append(reinterpret_cast<const char *>(end.address.data()), 16);
        return;
    }
    static constexpr char MappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '\xFF', '\xFF'};
    out.append(MappedPrefix, sizeof MappedPrefix);
    out.append(reinterpret_cast<const char *>(end.address.data()), 4);
}

void appendIpv4Header(std::string &out, const Endpoint &source, const Endpoint &destination, size_t udpLength)
{
    const size_t start = out.size();
    out += '\x45'; // version 4, 5 words of header
    out += '\0';
    appendBig16(out, static_cast<uint16_t>(Ipv4HeaderLength + udpLength));
    appendBig16(out, 0);      // identification
    appendBig16(out, 0x4000); // don't fragment
    out += static_cast<char>(HopLimit);
    out += static_cast<char>(UdpProtocol);
    appendBig16(out, 0); // checksum, filled below
    appendAddress(out, source, false);
    appendAddress(out, destination, false);
    const uint16_t checksum = checksumFinish(checksumAdd(0, std::string_view(out).substr(start, Ipv4HeaderLength)));
    out[start + 10] = static_cast<char>(checksum >> 8);
    out[start + 11] = static_cast<char>(checksum & 0xFF);
}

void appendIpv6Header(std::string &out, const Endpoint &source, const Endpoint &destination, size_t udpLength)
{
    appendBig32(out, 6u << 28); // version 6, no traffic class or flow label
    appendBig16(out, static_cast<uint16_t>(udpLength));
    out += static_cast<char>(UdpProtocol);
    out += static_cast<char>(HopLimit);
    appendAddress(out, source, true);
    appendAddress(out, destination, true);
}

} // namespace

Endpoint endpointOf(const sockaddr *address)
{
    Endpoint end;
    if (!address)
        return end;
    if (address->sa_family == AF_INET) {
        sockaddr_in v4 {};
        std::memcpy(&v4, address, sizeof v4);
        std::memcpy(end.address.data(), &v4.sin_addr, 4);
        end.port = ntohs(v4.sin_port);
    } else if (address->sa_family == AF_INET6) {
        sockaddr_in6 v6 {};
        std::memcpy(&v6, address, sizeof v6);
        end.port = ntohs(v6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            std::memcpy(end.address.data(), v6.sin6_addr.s6_addr + 12, 4);
        } else {
            end.v4 = false;
            std::memcpy(end.address.data(), v6.sin6_addr.s6_addr, 16);
        }
    }
    return end;
}

uint32_t checksumAdd(uint32_t sum, std::string_view bytes)
{
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.data());
    const size_t n = bytes.size();
    // 64-bit so that no carry is lost on the largest datagrams; folded at the end.
    uint64_t total = sum;
    size_t i = 0;
    for (; i + 1 < n; i += 2)
        total += static_cast<uint32_t>(p[i] << 8 | p[i + 1]);
    if (i < n)
        total += static_cast<uint32_t>(p[i] << 8);
    while (total >> 16)
        total = (total & 0xFFFF) + (total >> 16);
    return static_cast<uint32_t>(total);
}

uint16_t checksumFinish(uint32_t sum)
{
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

void appendFileHeader(std::string &out)
{
    appendNative<uint32_t>(out, Magic);
    appendNative<uint16_t>(out, 2);
    appendNative<uint16_t>(out, 4);
    appendNative<int32_t>(out, 0);  // time zone: stamps are UTC
    appendNative<uint32_t>(out, 0); // accuracy of the stamps
    appendNative<uint32_t>(out, SnapLength);
    appendNative<uint32_t>(out, LinkTypeRaw);
}

void appendUdpRecord(std::string &out, const Endpoint &source, const Endpoint &destination, std::string_view payload,
                     int64_t seconds, int32_t microseconds)
{
    const bool v6 = !source.v4 || !destination.v4;
    const size_t ipHeader = v6 ? Ipv6HeaderLength : Ipv4HeaderLength;
    // IPv6 counts its payload length apart from its header.
    const size_t largestUdp = v6 ? LargestIpPacket : LargestIpPacket - ipHeader;
    const size_t wireLength = ipHeader + UdpHeaderLength + payload.size();
    payload = payload.substr(0, largestUdp - UdpHeaderLength);
    const size_t udpLength = UdpHeaderLength + payload.size();

    appendNative<uint32_t>(out, static_cast<uint32_t>(seconds));
    appendNative<uint32_t>(out, static_cast<uint32_t>(microseconds));
    appendNative<uint32_t>(out, static_cast<uint32_t>(ipHeader + udpLength));
    appendNative<uint32_t>(out, static_cast<uint32_t>(wireLength));
    if (v6)
        appendIpv6Header(out, source, destination, udpLength);
    else
        appendIpv4Header(out, source, destination, udpLength);

    const size_t udpStart = out.size();
    appendBig16(out, source.port);
    appendBig16(out, destination.port);
    appendBig16(out, static_cast<uint16_t>(udpLength));
    appendBig16(out, 0); // checksum: none for IPv4, filled below for IPv6
    if (v6) {
        // Over the pseudo-header (addresses, length, next header), the UDP header and the payload.
        const std::string_view addresses = std::string_view(out).substr(udpStart - 32, 32);
        uint32_t sum = checksumAdd(0, addresses);
        sum += static_cast<uint32_t>(udpLength >> 16) + static_cast<uint32_t>(udpLength & 0xFFFF) + UdpProtocol;
        sum = checksumAdd(sum, std::string_view(out).substr(udpStart, UdpHeaderLength));
        sum = checksumAdd(sum, payload);
        uint16_t checksum = checksumFinish(sum);
        if (checksum == 0)
            checksum = 0xFFFF; // 0 would say there is none, which IPv6 does not allow
        out[udpStart + 6] = static_cast<char>(checksum >> 8);
        out[udpStart + 7] = static_cast<char>(checksum & 0xFF);
    }
    out.append(payload);
}

} // namespace pcap
