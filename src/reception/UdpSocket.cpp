#include "UdpSocket.h"

#include "ReplySource.h"
#include "core/RuntimeError.h"

#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// Datagrams read by one recvmmsg call, each into a buffer that holds the
// largest UDP payload whole.
constexpr int BatchSize = 32;
constexpr size_t DatagramCapacity = 65536;
// One turn of the event loop raises at most this many datagrams, or runs
// for about this long, so that timers and clicks keep their turn.
constexpr int MaxDatagramsPerTurn = 256;
constexpr auto MaxTimePerTurn = std::chrono::milliseconds(5);
constexpr int FallbackReceiveBuffer = 4 * 1024 * 1024;

// The largest receive buffer an ordinary process may ask for.
int requestedReceiveBuffer()
{
    static const int size = [] {
        long value = 0;
        if (std::FILE *file = std::fopen("/proc/sys/net/core/rmem_max", "re")) {
            if (std::fscanf(file, "%ld", &value) != 1)
                value = 0;
            std::fclose(file);
        }
        return value > 0 && value <= INT_MAX ? static_cast<int>(value) : FallbackReceiveBuffer;
    }();
    return size;
}

// Closes a descriptor unless released.
class FdHolder {
public:
    explicit FdHolder(int fd) : m_fd(fd) {}
    ~FdHolder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdHolder(const FdHolder &) = delete;
    FdHolder &operator=(const FdHolder &) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

QString bindFailure(int32_t port)
{
    return QStringLiteral("UDP ポート %1 をバインドできません").arg(port);
}

// A socket for all local addresses: IPv6 with IPv4 mapped in, or IPv4
// alone where IPv6 is unavailable. Never shares its port (no SO_REUSEADDR
// or SO_REUSEPORT).
int openSocket(bool &dualStack)
{
    const int type = SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC;
    int fd = ::socket(AF_INET6, type, 0);
    if (fd >= 0) {
        const int off = 0;
        if (::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) == 0) {
            dualStack = true;
            return fd;
        }
        ::close(fd);
    } else if (errno != EAFNOSUPPORT) {
        throw RuntimeError::systemCall(QStringLiteral("UDP ソケットを作成できません"), errno);
    }
    fd = ::socket(AF_INET, type, 0);
    if (fd < 0)
        throw RuntimeError::systemCall(QStringLiteral("UDP ソケットを作成できません"), errno);
    dualStack = false;
    return fd;
}

int bindAny(int fd, bool dualStack, int32_t port)
{
    if (dualStack) {
        sockaddr_in6 address {};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_any;
        address.sin6_port = htons(static_cast<uint16_t>(port));
        return ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
}

// Asks for each datagram's destination address in a control message: IPv6
// packet information, and IPv4's, which also names the local address a
// broadcast or multicast datagram is answered from.
void askForDestinations(int fd, bool dualStack)
{
    const int on = 1;
    if (dualStack)
        (void)::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVPKTINFO, &on, sizeof on);
    (void)::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
}

int32_t localPortOf(int fd)
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 &>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in &>(address).sin_port);
}

} // namespace

// Reads the socket straight from the notifier's event: no signal, and no
// guard against deletion, is needed on the way for every datagram.
class UdpSocket::ReadNotifier final : public QSocketNotifier {
public:
    ReadNotifier(int fd, UdpSocket &socket) : QSocketNotifier(fd, QSocketNotifier::Read, &socket), m_socket(socket) {}

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::SockAct)
            return QSocketNotifier::event(e);
        m_socket.drain();
        return true;
    }

private:
    UdpSocket &m_socket;
};

struct UdpSocket::Impl {
    int fd = -1;
    int32_t boundPort = 0;
    int receiveBuffer = 0;
    QSocketNotifier *notifier = nullptr; // child of the socket
    uint64_t generation = 0;             // changes at every Bind and Close
    bool draining = false;
    bool notifierSuspended = false; // while a slot runs a nested event loop
    bool drainQueued = false;

    // The current batch, read by one recvmmsg; buffers come on the first read.
    std::unique_ptr<char[]> buffers;
    std::array<mmsghdr, BatchSize> messages {};
    std::array<iovec, BatchSize> vectors {};
    std::array<sockaddr_storage, BatchSize> sources {};
    std::unique_ptr<char[]> controls; // each datagram's packet information
    int batchCount = 0;
    int namesFilled = 0;       // entries whose sender length the last read set
    int batchNext = 0;         // the next datagram to raise
    bool queueEmptied = false; // the last read took fewer than a full batch
    int current = -1;          // the datagram being raised

    const char *datagram(int index) const { return buffers.get() + static_cast<size_t>(index) * DatagramCapacity; }
    size_t datagramLength(int index) const
    {
        return std::min<size_t>(messages[static_cast<size_t>(index)].msg_len, DatagramCapacity);
    }

    void prepareBuffers()
    {
        buffers = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(BatchSize) * DatagramCapacity);
        controls = std::make_unique<char[]>(static_cast<size_t>(BatchSize) * ArrivalControlCapacity);
        for (size_t i = 0; i < BatchSize; ++i) {
            vectors[i] = {buffers.get() + i * DatagramCapacity, DatagramCapacity};
            msghdr &header = messages[i].msg_hdr;
            header.msg_name = &sources[i];
            header.msg_iov = &vectors[i];
            header.msg_iovlen = 1;
            header.msg_namelen = sizeof(sockaddr_storage);
            header.msg_control = controls.get() + i * ArrivalControlCapacity;
            header.msg_controllen = ArrivalControlCapacity;
        }
    }

    const msghdr &header(int index) const { return messages[static_cast<size_t>(index)].msg_hdr; }

    // True when at least one datagram was read.
    bool readBatch()
    {
        if (!buffers)
            prepareBuffers();
        // Only the entries the last read filled have a sender's length in
        // place of the room for it, and the length of their control messages.
        for (int i = 0; i < namesFilled; ++i) {
            msghdr &entry = messages[static_cast<size_t>(i)].msg_hdr;
            entry.msg_namelen = sizeof(sockaddr_storage);
            entry.msg_controllen = ArrivalControlCapacity;
        }
        int count;
        do {
            count = ::recvmmsg(fd, messages.data(), BatchSize, MSG_DONTWAIT | MSG_TRUNC, nullptr);
        } while (count < 0 && errno == EINTR);
        batchNext = 0;
        batchCount = std::max(count, 0);
        namesFilled = batchCount;
        queueEmptied = count < BatchSize;
        return count > 0;
    }

    void releaseSocket()
    {
        ++generation;
        if (notifier) {
            notifier->setEnabled(false);
            if (draining)
                notifier->deleteLater();
            else
                delete notifier;
            notifier = nullptr;
        }
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        boundPort = 0;
        receiveBuffer = 0;
        batchCount = batchNext = 0;
        current = -1;
        notifierSuspended = false;
    }
};

UdpSocket::UdpSocket(QObject *parent) : QObject(parent), m_d(std::make_unique<Impl>())
{
}

UdpSocket::~UdpSocket()
{
    m_d->releaseSocket();
}

int UdpSocket::State() const
{
    return m_d->fd >= 0 ? Bound : Closed;
}

void UdpSocket::Bind()
{
    if (m_d->fd >= 0)
        throw RuntimeError(QStringLiteral("ソケットは既にバインドされています。"));
    const int32_t port = m_localPort;
    if (port < 0 || port > 65535)
        throw RuntimeError::invalidArgument();

    bool dualStack = false;
    FdHolder fd(openSocket(dualStack));
    const int requested = requestedReceiveBuffer();
    (void)::setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &requested, sizeof requested);
    askForDestinations(fd.get(), dualStack);
    if (bindAny(fd.get(), dualStack, port) != 0)
        throw RuntimeError::systemCall(bindFailure(port), errno);

    int granted = 0;
    socklen_t length = sizeof granted;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
        granted = 0;

    ++m_d->generation;
    m_d->boundPort = localPortOf(fd.get());
    m_d->receiveBuffer = granted;
    m_d->fd = fd.release();
    m_d->notifier = new ReadNotifier(m_d->fd, *this);
}

void UdpSocket::Close()
{
    m_d->releaseSocket();
}

void UdpSocket::GetData(QByteArray &data, int32_t maxLength)
{
    if (m_d->fd < 0 || m_d->current < 0) {
        data.clear();
        return;
    }
    const size_t length = std::min(m_d->datagramLength(m_d->current), static_cast<size_t>(std::max(maxLength, 0)));
    data = QByteArray(m_d->datagram(m_d->current), static_cast<qsizetype>(length));
}

void UdpSocket::SendData(const QByteArray &data)
{
    const QString what = QStringLiteral("データを送信できません");
    if (m_d->fd < 0)
        throw RuntimeError::systemCall(what, ENOTCONN);
    if (m_d->current < 0)
        throw RuntimeError::systemCall(what, EDESTADDRREQ);
    const msghdr &received = m_d->header(m_d->current);
    // From the address the datagram was sent to, to its sender.
    alignas(cmsghdr) char control[ReplyControlCapacity];
    iovec payload {const_cast<char *>(data.constData()), static_cast<size_t>(data.size())};
    msghdr reply {};
    reply.msg_name = received.msg_name;
    reply.msg_namelen = received.msg_namelen;
    reply.msg_iov = &payload;
    reply.msg_iovlen = 1;
    reply.msg_controllen = writeReplyControl(replySourceFor(readArrival(received)), control);
    reply.msg_control = reply.msg_controllen ? control : nullptr;
    ssize_t sent;
    do {
        sent = ::sendmsg(m_d->fd, &reply, 0);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0)
        throw RuntimeError::systemCall(what, errno);
}

std::string_view UdpSocket::currentData() const
{
    if (m_d->fd < 0 || m_d->current < 0)
        return {};
    return {m_d->datagram(m_d->current), m_d->datagramLength(m_d->current)};
}

SocketAddress UdpSocket::currentSender() const
{
    if (m_d->fd < 0 || m_d->current < 0)
        return {};
    const msghdr &received = m_d->header(m_d->current);
    return {static_cast<const sockaddr *>(received.msg_name), received.msg_namelen};
}

bool UdpSocket::currentDestination(sockaddr_storage &destination) const
{
    if (m_d->fd < 0 || m_d->current < 0)
        return false;
    const msghdr &received = m_d->header(m_d->current);
    const int family = static_cast<const sockaddr *>(received.msg_name)->sa_family;
    destinationAddress(readArrival(received), family, static_cast<uint16_t>(m_d->boundPort), destination);
    return true;
}

bool UdpSocket::currentReplySource(sockaddr_storage &source) const
{
    if (m_d->fd < 0 || m_d->current < 0)
        return false;
    const msghdr &received = m_d->header(m_d->current);
    const int family = static_cast<const sockaddr *>(received.msg_name)->sa_family;
    const Arrival arrival = readArrival(received);
    sourceAddress(replySourceFor(arrival), arrival, family, static_cast<uint16_t>(m_d->boundPort), source);
    return true;
}

int UdpSocket::readAhead() const
{
    return m_d->fd < 0 ? 0 : m_d->batchCount - m_d->batchNext;
}

int32_t UdpSocket::boundPort() const
{
    return m_d->boundPort;
}

int UdpSocket::receiveBufferSize() const
{
    return m_d->receiveBuffer;
}

uint32_t UdpSocket::droppedCount() const
{
    std::array<uint32_t, SK_MEMINFO_VARS> memory {};
    socklen_t length = sizeof memory;
    if (m_d->fd < 0 || ::getsockopt(m_d->fd, SOL_SOCKET, SO_MEMINFO, memory.data(), &length) != 0 ||
        length < (SK_MEMINFO_DROPS + 1) * sizeof(uint32_t))
        return 0;
    return memory[SK_MEMINFO_DROPS];
}

// Raises DataArrival for the waiting datagrams, a bounded number per turn
// of the event loop. The notifier is level-triggered: it calls again while
// the system still holds datagrams; datagrams already read into the batch
// are picked up by a queued call.
void UdpSocket::drain()
{
    if (m_d->draining) {
        // A slot runs a nested event loop: the datagrams wait for the outer turn.
        if (m_d->notifier && !m_d->notifierSuspended) {
            m_d->notifier->setEnabled(false);
            m_d->notifierSuspended = true;
        }
        return;
    }
    if (m_d->fd < 0)
        return;

    const QPointer<UdpSocket> alive(this);
    const uint64_t generation = m_d->generation;
    const auto deadline = std::chrono::steady_clock::now() + MaxTimePerTurn;
    m_d->draining = true;
    for (int raised = 0; raised < MaxDatagramsPerTurn; ++raised) {
        const bool batchDone = m_d->batchNext >= m_d->batchCount;
        // A short batch emptied the queue: the notifier calls again for
        // whatever came since, which saves a read that finds nothing (and,
        // asked first, the clock's reading).
        if (raised > 0 && batchDone && m_d->queueEmptied)
            break;
        if (raised > 0 && std::chrono::steady_clock::now() >= deadline)
            break;
        if (batchDone && !m_d->readBatch())
            break;
        m_d->current = m_d->batchNext++;
        Q_EMIT DataArrival(static_cast<int32_t>(m_d->messages[static_cast<size_t>(m_d->current)].msg_len));
        if (!alive)
            return;
        m_d->current = -1;
        if (m_d->generation != generation)
            break; // closed by the slot
    }
    m_d->draining = false;
    if (m_d->generation != generation)
        return;
    if (m_d->notifierSuspended) {
        m_d->notifier->setEnabled(true);
        m_d->notifierSuspended = false;
    }
    if (m_d->batchNext < m_d->batchCount)
        scheduleDrain();
}

void UdpSocket::scheduleDrain()
{
    if (m_d->drainQueued)
        return;
    m_d->drainQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_d->drainQueued = false;
            drain();
        },
        Qt::QueuedConnection);
}
