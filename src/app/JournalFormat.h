#pragma once

#include "core/ProgramEvents.h"

#include <QByteArray>
#include <QByteArrayView>

#include <sys/types.h>

// The journal's native protocol (systemd-journald's socket,
// /run/systemd/journal/socket): one entry per datagram, each field a line
//   NAME=value\n
// or, for a value that holds a line feed, the name alone on its line, the
// value's length as 64-bit little-endian and the value:
//   NAME\n<length:8><value>\n
// Names are upper-case letters, digits and '_', not starting with '_' (the
// journal's own trusted fields) nor a digit. Formatting and the decision
// whether to use the journal only; sending is JournalSender's.
namespace journalformat {

// The entry of an event: MESSAGE, PRIORITY, SYSLOG_IDENTIFIER, UDPRECV_EVENT
// and the event's own fields, their values in UTF-8. A field whose name
// the journal would refuse is left out.
QByteArray entryOf(const ProgramEvent &event, QByteArrayView identifier);

// A field name the journal accepts.
bool isFieldName(QByteArrayView name);

// Whether standard error is the journal's stream: JOURNAL_STREAM, which
// systemd sets to "<device>:<inode>" of the stream it connects, names the
// file standard error is (as systemd documents it, a program started from
// such a service keeps the variable but not the stream).
bool isJournalStream(QByteArrayView journalStream, dev_t device, ino_t inode);

} // namespace journalformat
