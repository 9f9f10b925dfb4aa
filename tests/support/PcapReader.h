#pragma once

// A reader of capture files for the tests: checks every header field a
// decoder relies on while it reads.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

#include <cstdint>

struct CapturedDatagram {
    int ipVersion = 0;
    QByteArray source, destination; // raw addresses, 4 or 16 bytes
    uint16_t sourcePort = 0, destinationPort = 0;
    QByteArray payload;
    qint64 seconds = 0;
};

struct CaptureFile {
    QList<CapturedDatagram> datagrams;
    QString fault; // empty when every byte was read as a header or a whole record
};

namespace pcapreader {

// The one's complement sum of 16-bit words, folded: 0xFFFF over a block
// whose checksum field is right.
inline uint16_t onesSum(const QByteArray &bytes)
{
    uint32_t sum = 0;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const uint32_t high = uint8_t(bytes[i]);
        const uint32_t low = i + 1 < bytes.size() ? uint8_t(bytes[i + 1]) : 0;
        sum += high << 8 | low;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return uint16_t(sum);
}

inline uint16_t big16(const QByteArray &b, qsizetype at)
{
    return qFromBigEndian<uint16_t>(b.constData() + at);
}

inline CaptureFile read(const QByteArray &file)
{
    CaptureFile out;
    const auto fail = [&](const QString &why) {
        out.fault = why;
        return out;
    };
    if (file.size() < 24 || qFromLittleEndian<uint32_t>(file.constData()) != 0xa1b2c3d4u)
        return fail(QStringLiteral("no header"));
    if (qFromLittleEndian<uint16_t>(file.constData() + 4) != 2 ||
        qFromLittleEndian<uint16_t>(file.constData() + 6) != 4 ||
        qFromLittleEndian<uint32_t>(file.constData() + 20) != 101)
        return fail(QStringLiteral("version or link type"));
    for (qsizetype at = 24; at < file.size();) {
        if (file.size() - at < 16)
            return fail(QStringLiteral("partial record header at %1").arg(at));
        const uint32_t kept = qFromLittleEndian<uint32_t>(file.constData() + at + 8);
        const uint32_t wire = qFromLittleEndian<uint32_t>(file.constData() + at + 12);
        if (kept != wire || file.size() - at - 16 < qsizetype(kept))
            return fail(QStringLiteral("partial record at %1").arg(at));
        CapturedDatagram d;
        d.seconds = qFromLittleEndian<uint32_t>(file.constData() + at);
        if (qFromLittleEndian<uint32_t>(file.constData() + at + 4) >= 1000000)
            return fail(QStringLiteral("microseconds"));
        const QByteArray packet = file.mid(at + 16, kept);
        at += 16 + kept;
        d.ipVersion = uint8_t(packet[0]) >> 4;
        qsizetype udp = 0;
        QByteArray pseudo;
        if (d.ipVersion == 4) {
            udp = 20;
            if (uint8_t(packet[0]) != 0x45 || big16(packet, 2) != packet.size() || packet[9] != 17 ||
                onesSum(packet.first(20)) != 0xFFFF)
                return fail(QStringLiteral("IPv4 header"));
            d.source = packet.mid(12, 4);
            d.destination = packet.mid(16, 4);
        } else if (d.ipVersion == 6) {
            udp = 40;
            if (big16(packet, 4) != packet.size() - 40 || packet[6] != 17)
                return fail(QStringLiteral("IPv6 header"));
            d.source = packet.mid(8, 16);
            d.destination = packet.mid(24, 16);
            pseudo = d.source + d.destination + QByteArray("\0\0", 2) + packet.mid(4, 2) + QByteArray("\0\0\0\x11", 4);
        } else {
            return fail(QStringLiteral("IP version"));
        }
        if (big16(packet, udp + 4) != packet.size() - udp)
            return fail(QStringLiteral("UDP length"));
        const uint16_t checksum = big16(packet, udp + 6);
        if (d.ipVersion == 6 && (checksum == 0 || onesSum(pseudo + packet.mid(udp)) != 0xFFFF))
            return fail(QStringLiteral("UDP checksum"));
        d.sourcePort = big16(packet, udp);
        d.destinationPort = big16(packet, udp + 2);
        d.payload = packet.mid(udp + 8);
        out.datagrams.append(d);
    }
    return out;
}

} // namespace pcapreader
