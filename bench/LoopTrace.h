#pragma once

#include "TimeHistogram.h"

#include <QApplication>

#include <cstdint>
#include <string>

class QObject;

// A trace of the host's event loop: how long each event handed out by the
// loop itself (not one sent from inside another) held it, by kind. The
// reception socket's wake-ups are the handler times: at 1,000 datagrams a
// second each is one datagram's whole road. Paints are the window's
// update requests (the whole repaint of what changed).
class LoopTrace {
public:
    enum Kind { Handler, Paint, Timer, Other, KindCount };

    // `socket`: the reception socket, whose read notifier is its child.
    void watch(const QObject *socket) { m_socket = socket; }
    // Forgets what was traced so far and traces from now on. Nothing is
    // traced before the first reset or after stop(): the trace's own clock
    // readings (two an event) stay out of the phases that measure the CPU use.
    void reset();
    void stop() { m_tracing = false; }
    bool tracing() const { return m_tracing; }
    Kind kindOf(const QObject *receiver, int eventType) const;
    void add(Kind kind, int64_t nanoseconds);
    // "key value" lines: for each kind its count, p50, p99 and max in
    // microseconds (handler_p50_us, ...).
    std::string stats() const;

private:
    const QObject *m_socket = nullptr;
    bool m_tracing = false;
    TimeHistogram m_times[KindCount];
};

// QApplication timing every event the loop dispatches into a LoopTrace.
class TracedApplication final : public QApplication {
public:
    TracedApplication(int &argc, char **argv, LoopTrace &trace) : QApplication(argc, argv), m_trace(trace) {}
    bool notify(QObject *receiver, QEvent *event) override;

private:
    LoopTrace &m_trace;
    int m_depth = 0;
};
