#pragma once

#include "SocketAddress.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <memory>
#include <string_view>
#include <sys/socket.h>

// Why the program has its own socket instead of QUdpSocket: reception
// needs these four together.
// - An exclusive bind. The socket sets neither SO_REUSEADDR nor
//   SO_REUSEPORT, and Linux lets sockets share a UDP port only when each
//   of them set the same option: a port that any other socket holds is
//   refused, even when its owner set SO_REUSEADDR or SO_REUSEPORT, and no
//   one can join ours. One IPv6 socket with IPv4 mapped in (IPV6_V6ONLY
//   off) holds the port for both families (an IPv4 socket where the
//   system has no IPv6).
// - Whole datagrams, read in batches: one recvmmsg call takes up to 32,
//   each into a buffer of 64 KiB that holds the largest UDP payload (the
//   buffers are made on the first read and kept); QUdpSocket reads one per
//   system call. One turn of the event loop raises at most 256 datagrams
//   or runs about 5 ms, so that timers and clicks keep their turn; the
//   rest wait for the next turn.
// - Each datagram's packet information (IP_PKTINFO, IPV6_RECVPKTINFO): the
//   address it was sent to, so that SendData answers from that address (a
//   broadcast or multicast one from the receiving interface's own
//   address), which a peer whose socket is connected to the address it
//   sent to requires on a machine with several (see ReplySource.h).
// - The system's drop counter for the socket (SO_MEMINFO): the datagrams
//   lost because the receive buffer was full (droppedCount), which the
//   headless status line reports.
//
// The component: set LocalPort, Bind to it on all local addresses (IPv6
// and IPv4), read each arriving datagram whole after DataArrival and
// answer its sender.
class UdpSocket : public QObject {
    Q_OBJECT

public:
    enum SocketState : int { Closed = 0, Bound = 1 };

    explicit UdpSocket(QObject *parent = nullptr);
    ~UdpSocket() override;

    int32_t LocalPort() const { return m_localPort; }
    void setLocalPort(int32_t port) { m_localPort = port; }
    int State() const;

    // Throws RuntimeError with the system's reason when the port cannot be
    // bound; the socket then stays closed.
    virtual void Bind();
    // Safe from inside a DataArrival slot: the datagrams not yet raised are dropped.
    virtual void Close();

    // The datagram whose DataArrival is being raised, at most maxLength
    // bytes; empty outside DataArrival.
    virtual void GetData(QByteArray &data, int32_t maxLength);
    // Sends one datagram to the address and port the current datagram came
    // from, from the bound port of the address it was sent to (see
    // currentReplySource). Throws RuntimeError on failure.
    virtual void SendData(const QByteArray &data);

    // The datagram whose DataArrival is being raised, without a copy: valid
    // until its DataArrival returns; empty outside DataArrival.
    std::string_view currentData() const;
    // Its sender, as the system gave it; empty outside DataArrival.
    SocketAddress currentSender() const;
    // The local address and bound port the current datagram was sent to
    // (the unspecified address when the system did not say). False outside
    // DataArrival.
    bool currentDestination(sockaddr_storage &destination) const;
    // The local address and bound port SendData answers it from: its
    // destination, or for a broadcast or multicast datagram the receiving
    // interface's own address. False outside DataArrival.
    bool currentReplySource(sockaddr_storage &source) const;

    // The datagrams already read with the current one and not yet raised:
    // 0 when the current datagram is the last of what one read took.
    int readAhead() const;

    // The port actually bound (the system's choice when LocalPort is 0), 0 when closed.
    int32_t boundPort() const;
    // The receive buffer the system granted, in bytes, 0 when closed.
    int receiveBufferSize() const;
    // The datagrams the system dropped on this socket since it was bound
    // (its receive buffer was full), 0 when closed. Asks the system.
    uint32_t droppedCount() const;

Q_SIGNALS:
    // One datagram of bytesTotal bytes waits; raised once per datagram.
    void DataArrival(int32_t bytesTotal);

private:
    class ReadNotifier;
    void drain();
    void scheduleDrain();

    struct Impl;
    std::unique_ptr<Impl> m_d;
    int32_t m_localPort = 0;
};
