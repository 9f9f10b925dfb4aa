#pragma once

#include "SocketAddress.h"
#include "core/Clock.h"

#include <QString>

class HexGrid;
class Lamp;

// The response option selected in the main window when a datagram arrives.
enum class ResponseOption { None, Nothing, RcvData, Custom };

// What reception shows and reads on the main window.
class ReceptionSurface {
public:
    virtual ~ReceptionSurface() = default;
    virtual Lamp &recvLed() = 0;
    virtual Lamp &sendLed() = 0;
    virtual HexGrid &recvGrid() = 0;
    virtual HexGrid &sendGrid() = 0;
    virtual void setLastRecvDateTime(const LocalTime &time) = 0;
    virtual void setLastSentDateTime(const LocalTime &time) = 0;
    virtual void setRecvButtonCaption(const QString &text) = 0;
    virtual ResponseOption selectedResponse() const = 0;
    // The sender of the datagram last shown, valid during the call only;
    // called for every datagram shown, so a surface compares before it
    // formats. A surface that does not show it ignores it.
    virtual void setLastSender(const SocketAddress &sender) { (void)sender; }
    // The custom response's rule that matched the datagram last shown
    // (empty: none, or another mode); called for every datagram shown.
    virtual void setAnsweringRule(const QString &name) { (void)name; }
    // Capture records start failing (true) or are written again (false).
    virtual void setCaptureFailing(bool failing) { (void)failing; }
};
