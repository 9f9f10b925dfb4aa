#include "JournalSender.h"

#include "JournalFormat.h"
#include "core/StandardError.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

JournalSender::JournalSender(const QByteArray &socketPath) : m_address(notifyprotocol::addressOf(socketPath))
{
    if (!m_address || socketPath.startsWith('@')) {
        m_address.reset();
        reportFailure(EINVAL);
        return;
    }
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        reportFailure(errno);
}

JournalSender::~JournalSender()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void JournalSender::send(const ProgramEvent &event)
{
    if (m_fd >= 0) {
        const QByteArray entry = journalformat::entryOf(event, "Tavo_UdpRecv");
        const ssize_t sent =
            ::sendto(m_fd, entry.constData(), static_cast<size_t>(entry.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr *>(&m_address->address), m_address->length);
        if (sent >= 0)
            return;
        reportFailure(errno);
    }
    printToStandardError(event.message);
}

void JournalSender::reportFailure(int error)
{
    if (std::exchange(m_failed, true))
        return;
    printToStandardError(QStringLiteral("cannot write to the journal: %1; events go to standard error")
                             .arg(QString::fromLocal8Bit(std::strerror(error))));
}

std::optional<QByteArray> JournalSender::journalSocket()
{
    struct stat st {};
    if (::fstat(STDERR_FILENO, &st) != 0 || !journalformat::isJournalStream(qgetenv("JOURNAL_STREAM"), st.st_dev, st.st_ino))
        return std::nullopt;
    const QByteArray socket = qgetenv("UDPRECV_JOURNAL_SOCKET");
    return socket.isEmpty() ? QByteArrayLiteral("/run/systemd/journal/socket") : socket;
}
