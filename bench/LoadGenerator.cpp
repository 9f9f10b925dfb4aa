#include "LoadGenerator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

int64_t nowNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t {ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

namespace {

// Payload: sequence (4 bytes), send time (8 bytes), then a pattern derived
// from the sequence so that every byte of an echo can be checked.
void fillPayload(std::vector<char> &buffer, uint32_t sequence, int64_t sentNs)
{
    std::memcpy(buffer.data(), &sequence, 4);
    std::memcpy(buffer.data() + 4, &sentNs, 8);
    for (size_t i = 12; i < buffer.size(); ++i)
        buffer[i] = static_cast<char>((sequence * 31 + i) & 0xFF);
}

bool payloadIntact(const char *data, size_t length, size_t expectedLength, uint32_t sequence)
{
    if (length != expectedLength)
        return false;
    for (size_t i = 12; i < length; ++i)
        if (data[i] != static_cast<char>((sequence * 31 + i) & 0xFF))
            return false;
    return true;
}

} // namespace

LoadResult runLoad(const LoadPlan &plan)
{
    if (plan.size < 16)
        throw std::invalid_argument("datagrams of at least 16 bytes are needed");
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    int want = 8 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &want, sizeof want);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &want, sizeof want);
    LoadResult result;
    socklen_t optLength = sizeof result.receiveBuffer;
    ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &result.receiveBuffer, &optLength);

    sockaddr_in target {};
    target.sin_family = AF_INET;
    target.sin_port = htons(plan.port);
    ::inet_pton(AF_INET, plan.host.c_str(), &target.sin_addr);

    std::vector<char> sendBuffer(static_cast<size_t>(plan.size));
    std::vector<char> receiveBuffer(65536);
    std::vector<bool> seen(static_cast<size_t>(plan.count), false);
    std::vector<double> rtts;
    rtts.reserve(static_cast<size_t>(plan.count));

    const int64_t start = nowNs();
    const int64_t hardEnd = start + int64_t {plan.maxMs} * 1000000;
    const int64_t sendEnd = plan.sendMs > 0 ? std::min(hardEnd, start + int64_t {plan.sendMs} * 1000000) : hardEnd;
    const double intervalNs = plan.rate > 0 ? 1e9 / plan.rate : 0;
    int64_t lastActivity = start;
    int64_t lastSend = start;

    auto drain = [&] {
        for (int i = 0; i < 1024; ++i) {
            sockaddr_in from {};
            socklen_t fromLength = sizeof from;
            const ssize_t n = ::recvfrom(fd, receiveBuffer.data(), receiveBuffer.size(), 0,
                                         reinterpret_cast<sockaddr *>(&from), &fromLength);
            if (n < 0)
                return;
            const int64_t now = nowNs();
            uint32_t sequence = 0;
            int64_t sentNs = 0;
            if (n >= 12) {
                std::memcpy(&sequence, receiveBuffer.data(), 4);
                std::memcpy(&sentNs, receiveBuffer.data() + 4, 8);
            }
            const bool fromTarget = from.sin_port == target.sin_port;
            if (n < 12 || sequence >= seen.size() || !fromTarget ||
                !payloadIntact(receiveBuffer.data(), static_cast<size_t>(n), sendBuffer.size(), sequence)) {
                ++result.bad;
                continue;
            }
            if (!seen[sequence]) {
                seen[sequence] = true;
                ++result.echoed;
                rtts.push_back(static_cast<double>(now - sentNs) / 1000.0);
                lastActivity = now;
            }
        }
    };

    while (result.sent < plan.count && nowNs() < sendEnd) {
        const int64_t now = nowNs();
        if (intervalNs > 0) {
            const auto due = start + static_cast<int64_t>(intervalNs * result.sent);
            if (now < due) {
                if (plan.expectEchoes)
                    drain();
                continue;
            }
        }
        fillPayload(sendBuffer, static_cast<uint32_t>(result.sent), nowNs());
        const ssize_t n = ::sendto(fd, sendBuffer.data(), sendBuffer.size(), 0,
                                   reinterpret_cast<const sockaddr *>(&target), sizeof target);
        if (n < 0 && (errno == EAGAIN || errno == ENOBUFS)) {
            if (plan.expectEchoes)
                drain();
            continue; // the send buffer is full: try the same datagram again
        }
        ++result.sent;
        lastSend = nowNs();
        if (plan.expectEchoes && (result.sent & 15) == 0)
            drain();
    }
    if (plan.expectEchoes) {
        // Wait for late echoes until none came for drainMs.
        while (result.echoed < result.sent) {
            const int64_t now = nowNs();
            if (now > hardEnd || now - std::max(lastActivity, lastSend) > int64_t {plan.drainMs} * 1000000)
                break;
            pollfd p {fd, POLLIN, 0};
            ::poll(&p, 1, 10);
            drain();
        }
    }
    ::close(fd);

    const int64_t end = plan.expectEchoes && result.echoed > 0 ? lastActivity : lastSend;
    result.seconds = static_cast<double>(end - start) / 1e9;
    result.echoRate = result.seconds > 0 ? result.echoed / result.seconds : 0;
    result.lossPercent = result.sent > 0 ? 100.0 * (result.sent - result.echoed) / result.sent : 0;
    result.rttP50us = percentile(rtts, 50);
    result.rttP99us = percentile(rtts, 99);
    return result;
}
