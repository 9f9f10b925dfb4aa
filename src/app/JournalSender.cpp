#include "JournalSender.h"

#include "JournalFormat.h"
#include "core/StandardError.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

JournalSender::JournalSender(const QByteArray &socketPath)
{
    const auto address = notifyprotocol::addressOf(socketPath);
    if (!address || socketPath.startsWith('@')) {
        reportFailure(EINVAL);
        return;
    }
    m_socket.emplace(*address);
    if (const int error = m_socket->openError())
        reportFailure(error);
}

void JournalSender::send(const ProgramEvent &event)
{
    if (m_socket && m_socket->openError() == 0) {
        const int error = m_socket->send(journalformat::entryOf(event, "Tavo_UdpRecv"));
        if (error == 0)
            return;
        reportFailure(error);
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
