#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <utility>

// The events of the program's life that a service's record keeps: start,
// reception switched on or off, a port refused, the log or the capture
// file failing and writing again, the end. Each is told once, never per
// datagram. Without an event log set (the journal, when the program runs
// under systemd) an event whose line standard error carried before is
// printed there as ever, and the others are dropped.
struct ProgramEvent {
    // The syslog priorities the journal files an event under.
    enum Priority : int { Error = 3, Warning = 4, Notice = 5, Info = 6 };

    QByteArray id;   // what happened, as UDPRECV_EVENT: "start", "reception-on", ...
    QString message; // one line, in the program's own words
    Priority priority = Info;
    // Its own fields: upper-case names (UDPRECV_PORT, ...) and their values.
    QList<std::pair<QByteArray, QString>> fields;
    // The message is a line on standard error without an event log.
    bool standardError = false;
};

using EventLog = std::function<void(const ProgramEvent &event)>;

// Tells an event to the event log set, else as said above.
void tellEvent(const ProgramEvent &event);
// Sets the process's event log; an empty one goes back to standard error.
// Set once at start, on the one thread that tells events.
void setEventLog(EventLog log);
