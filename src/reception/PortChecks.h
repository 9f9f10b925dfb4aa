#pragma once

#include <QString>

class ErrorGuard;
class UdpSocket;

// What the operator is told when the receive port cannot be bound on this
// computer.
QString cannotReceiveMessage();

// What the operator is told when a port saved takes effect only after a
// restart (an information box).
QString restartNeededMessage();

// True when the text is a port number from 1 to 65535 (numeric, converted
// to the nearest integer, halves to even). Port 0 is refused: it would
// have the system pick the port.
bool CheckPortNo(const QString &portText, ErrorGuard &guard);

// True when `socket` could be bound to the port of the text and was closed
// again; a failure, port 0 included, is logged with "(CheckBindPort)".
bool CheckBindPort(UdpSocket &socket, const QString &portText, ErrorGuard &guard);
