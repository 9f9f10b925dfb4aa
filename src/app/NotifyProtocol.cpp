#include "NotifyProtocol.h"

#include <climits>
#include <cstddef>
#include <cstring>

namespace notifyprotocol {

namespace {

// A decimal number of digits alone, as the manager writes it.
std::optional<qulonglong> decimal(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 19)
        return std::nullopt;
    qulonglong value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<qulonglong>(c - '0');
    }
    return value;
}

} // namespace

std::optional<Address> addressOf(const QByteArray &notifySocket)
{
    Address result;
    result.address.sun_family = AF_UNIX;
    const bool abstract = notifySocket.startsWith('@');
    if (!abstract && !notifySocket.startsWith('/'))
        return std::nullopt;
    // A path needs room for its terminating null; an abstract name starts with one.
    const auto length = static_cast<size_t>(notifySocket.size());
    if (length < 2 || length > sizeof result.address.sun_path - (abstract ? 0 : 1) || notifySocket.contains('\0'))
        return std::nullopt;
    std::memcpy(result.address.sun_path, notifySocket.constData(), length);
    if (abstract)
        result.address.sun_path[0] = '\0';
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + (abstract ? 0 : 1));
    return result;
}

std::chrono::milliseconds watchdogPingInterval(const QByteArray &watchdogUsec, const QByteArray &watchdogPid,
                                               qint64 ownPid)
{
    const std::optional<qulonglong> usec = decimal(watchdogUsec);
    if (!usec || *usec == 0)
        return {};
    if (!watchdogPid.isEmpty()) {
        const std::optional<qulonglong> pid = decimal(watchdogPid);
        if (!pid || *pid != static_cast<qulonglong>(ownPid))
            return {};
    }
    const qulonglong half = *usec / 2000;
    return std::chrono::milliseconds(half < 1 ? 1 : half > INT_MAX ? INT_MAX : static_cast<qint64>(half));
}

QByteArray readyMessage(const QString &status)
{
    return "READY=1\n" + statusMessage(status);
}

QByteArray statusMessage(const QString &status)
{
    QString line = status;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return "STATUS=" + line.toUtf8();
}

QByteArray stoppingMessage()
{
    return QByteArrayLiteral("STOPPING=1");
}

QByteArray watchdogMessage()
{
    return QByteArrayLiteral("WATCHDOG=1");
}

} // namespace notifyprotocol
