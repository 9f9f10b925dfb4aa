#include "HostProbe.h"

#include "ControlSignals.h"
#include "LoopTrace.h"
#include "reception/UdpSocket.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>

HostProbe::HostProbe(QAbstractButton &button, QTimer &clockTimer, const UdpSocket &socket, LoopTrace &trace,
                     QString statsFile)
    : m_button(button), m_socket(socket), m_trace(trace), m_statsFile(std::move(statsFile))
{
    connect(&clockTimer, &QTimer::timeout, this, [this] { onTick(); });
    // Connected after the window's own handler, so this runs once the click took effect.
    connect(&m_button, &QAbstractButton::clicked, this, [this] { onClicked(); });
}

void HostProbe::resetTickGap()
{
    m_trackingTicks = true;
    m_lastTickNs = -1;
    m_maxTickGapNs = 0;
    m_ticks = 0;
    m_trace.reset();
}

void HostProbe::onTick()
{
    if (!m_trackingTicks)
        return;
    const int64_t now = monotonicNs();
    if (m_lastTickNs >= 0)
        m_maxTickGapNs = std::max(m_maxTickGapNs, now - m_lastTickNs);
    m_lastTickNs = now;
    ++m_ticks;
}

void HostProbe::measureClicks(int64_t requestedNs)
{
    if (m_stage != ClickStage::Idle)
        return;
    m_trackingTicks = false;
    m_stopClickMs = m_startClickMs = -1;
    m_stage = ClickStage::Stopping;
    m_clickStartNs = requestedNs > 0 ? requestedNs : monotonicNs();
    postClick();
}

void HostProbe::postClick()
{
    // A press and a release in the middle of the button, queued behind
    // whatever the event loop has pending.
    m_captionBefore = m_button.text();
    const QPointF local = QRectF(m_button.rect()).center();
    const QPointF global = m_button.mapToGlobal(local);
    QCoreApplication::postEvent(&m_button, new QMouseEvent(QEvent::MouseButtonPress, local, global, Qt::LeftButton,
                                                           Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(&m_button, new QMouseEvent(QEvent::MouseButtonRelease, local, global, Qt::LeftButton,
                                                           Qt::NoButton, Qt::NoModifier));
}

void HostProbe::onClicked()
{
    if (m_stage == ClickStage::Idle || m_button.text() == m_captionBefore)
        return;
    const int64_t now = monotonicNs();
    const double elapsedMs = static_cast<double>(now - m_clickStartNs) / 1e6;
    if (m_stage == ClickStage::Stopping) {
        m_stopClickMs = elapsedMs;
        m_stage = ClickStage::Starting;
        m_clickStartNs = now;
        postClick();
    } else {
        m_startClickMs = elapsedMs;
        m_stage = ClickStage::Idle;
        ++m_clicksMeasured;
    }
}

bool HostProbe::writeStats()
{
    m_trace.stop();
    QSaveFile file(m_statsFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString text = QStringLiteral("tick_gap_ms %1\nticks %2\nstop_click_ms %3\nstart_click_ms %4\n"
                                        "clicks_measured %5\nreceiving %6\nreceive_buffer %7\n")
                             .arg(static_cast<double>(m_maxTickGapNs) / 1e6)
                             .arg(m_ticks)
                             .arg(m_stopClickMs)
                             .arg(m_startClickMs)
                             .arg(m_clicksMeasured)
                             .arg(m_socket.State() == UdpSocket::Bound ? 1 : 0)
                             .arg(m_socket.receiveBufferSize());
    file.write(text.toUtf8() + QByteArray::fromStdString(m_trace.stats()));
    return file.commit();
}
