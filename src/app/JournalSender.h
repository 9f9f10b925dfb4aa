#pragma once

#include "LocalDatagramSocket.h"
#include "core/ProgramEvents.h"

#include <QByteArray>

#include <optional>

// Sends program events to the journal as structured entries (see
// JournalFormat.h), one datagram each, sent without waiting. An entry that
// cannot go is printed on standard error instead, which under systemd is
// the journal's stream too; the first such failure is told there once.
class JournalSender {
public:
    // The journal's socket, an absolute path.
    explicit JournalSender(const QByteArray &socketPath);
    JournalSender(const JournalSender &) = delete;
    JournalSender &operator=(const JournalSender &) = delete;

    void send(const ProgramEvent &event);

    // The socket to send to when the program runs under systemd with its
    // standard error connected to the journal (JOURNAL_STREAM names it):
    // /run/systemd/journal/socket, or UDPRECV_JOURNAL_SOCKET when set (a
    // test's own socket). None otherwise: events stay on standard error.
    static std::optional<QByteArray> journalSocket();

private:
    void reportFailure(int error);

    std::optional<LocalDatagramSocket> m_socket;
    bool m_failed = false;
};
