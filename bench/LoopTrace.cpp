#include "LoopTrace.h"

#include "ControlSignals.h"

#include <QEvent>

#include <algorithm>
#include <cstdio>

void LoopTrace::reset()
{
    for (int kind = 0; kind < KindCount; ++kind) {
        m_samples[kind].clear();
        m_max[kind] = 0;
        m_count[kind] = 0;
    }
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
    std::vector<int64_t> &samples = m_samples[kind];
    if (samples.capacity() == 0)
        samples.reserve(4096);
    if (samples.size() < MaxSamples)
        samples.push_back(nanoseconds);
    m_max[kind] = std::max(m_max[kind], nanoseconds);
    ++m_count[kind];
}

std::string LoopTrace::stats() const
{
    static const char *const names[KindCount] = {"handler", "paint", "timer", "other"};
    std::string text;
    for (int kind = 0; kind < KindCount; ++kind) {
        std::vector<int64_t> sorted = m_samples[kind];
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&](double p) {
            return sorted.empty() ? 0.0 : static_cast<double>(sorted[static_cast<size_t>(p * double(sorted.size() - 1))]) / 1e3;
        };
        char line[200];
        std::snprintf(line, sizeof line, "%s_count %lld\n%s_p50_us %.1f\n%s_p99_us %.1f\n%s_max_us %.1f\n",
                      names[kind], static_cast<long long>(m_count[kind]), names[kind], at(0.5), names[kind], at(0.99),
                      names[kind], static_cast<double>(m_max[kind]) / 1e3);
        text += line;
    }
    return text;
}

bool TracedApplication::notify(QObject *receiver, QEvent *event)
{
    if (m_depth > 0)
        return QApplication::notify(receiver, event);
    const LoopTrace::Kind kind = m_trace.kindOf(receiver, event->type());
    const int64_t start = monotonicNs();
    ++m_depth;
    const bool handled = QApplication::notify(receiver, event);
    --m_depth;
    m_trace.add(kind, monotonicNs() - start);
    return handled;
}
