#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class LoopTrace;
class QAbstractButton;
class QTimer;
class UdpSocket;

// Watches the running main window for the benchmark: the largest gap
// between two ticks of its clock timer, and how long a posted click on the
// reception button takes to take effect (its caption changes); with the
// event loop's trace in its stats.
class HostProbe final : public QObject {
public:
    HostProbe(QAbstractButton &button, QTimer &clockTimer, const UdpSocket &socket, LoopTrace &trace,
              QString statsFile);

    // Forgets the ticks and the trace so far and starts tracing; gaps count
    // again from the next tick.
    void resetTickGap();
    // Posts a click that stops reception, then one that starts it again.
    // Tick gaps are not tracked from here until the next reset, as the
    // start click blocks for its bind wait.
    void measureClicks(int64_t requestedNs);
    // Writes "key value" lines to the stats file (replaced atomically) and
    // stops the trace until the next reset.
    bool writeStats();

private:
    enum class ClickStage { Idle, Stopping, Starting };

    void onTick();
    void onClicked();
    void postClick();

    QAbstractButton &m_button;
    const UdpSocket &m_socket;
    LoopTrace &m_trace;
    QString m_statsFile;

    bool m_trackingTicks = true;
    int64_t m_lastTickNs = -1;
    int64_t m_maxTickGapNs = 0;
    int m_ticks = 0;

    ClickStage m_stage = ClickStage::Idle;
    QString m_captionBefore;
    int64_t m_clickStartNs = 0;
    double m_stopClickMs = -1;
    double m_startClickMs = -1;
    int m_clicksMeasured = 0;
};
