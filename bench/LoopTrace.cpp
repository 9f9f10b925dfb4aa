#include "LoopTrace.h"

#include "ControlSignals.h"

#include <QEvent>

#include <cstdio>

void LoopTrace::reset()
{
    for (TimeHistogram &times : m_times)
        times.clear();
    m_tracing = true;
}

LoopTrace::Kind LoopTrace::kindOf(const QObject *receiver, int eventType) const
{
    switch (eventType) {
    case QEvent::SockAct:
        return receiver->parent() == m_socket ? Handler : Other;
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
    case QEvent::Paint:
        return Paint;
    case QEvent::Timer:
        return Timer;
    default:
        return Other;
    }
}

void LoopTrace::add(Kind kind, int64_t nanoseconds)
{
    m_times[kind].add(nanoseconds);
}

std::string LoopTrace::stats() const
{
    static const char *const names[KindCount] = {"handler", "paint", "timer", "other"};
    std::string text;
    for (int kind = 0; kind < KindCount; ++kind) {
        const TimeHistogram &times = m_times[kind];
        char line[200];
        std::snprintf(line, sizeof line, "%s_count %lld\n%s_p50_us %.1f\n%s_p99_us %.1f\n%s_max_us %.1f\n",
                      names[kind], static_cast<long long>(times.count()), names[kind], times.quantileUs(0.5),
                      names[kind], times.quantileUs(0.99), names[kind], times.maxUs());
        text += line;
    }
    return text;
}

bool TracedApplication::notify(QObject *receiver, QEvent *event)
{
    if (m_depth > 0 || !m_trace.tracing())
        return QApplication::notify(receiver, event);
    const LoopTrace::Kind kind = m_trace.kindOf(receiver, event->type());
    const int64_t start = monotonicNs();
    ++m_depth;
    const bool handled = QApplication::notify(receiver, event);
    --m_depth;
    m_trace.add(kind, monotonicNs() - start);
    return handled;
}
