#include "HeadlessReceiver.h"

#include "reception/PortChecks.h"
#include "reception/ReceptionController.h"
#include "runtime/Runtime.h"

#include <cstdio>

HeadlessReceiver::HeadlessReceiver(const Services &services)
    : m_services(services), m_surface(m_settings, m_rules),
      m_reception(std::make_unique<ReceptionController>(
          ReceptionController::Dependencies {m_wscRecv, m_surface, m_settings, services.runtime, services.log,
                                             services.guard, services.boxes, services.clock}))
{
    m_reception->setResponseRules(&m_rules);
    connect(&m_wscRecv, &UdpSocket::DataArrival, this,
            [this](int32_t bytesTotal) { m_reception->wscRecv_DataArrival(bytesTotal); });
    m_statusTimer.setInterval(1000);
    connect(&m_statusTimer, &QTimer::timeout, this, &HeadlessReceiver::printStatus);
}

HeadlessReceiver::~HeadlessReceiver() = default;

void HeadlessReceiver::ReadSetting(const QString &file)
{
    ::ReadSetting(file, m_settings, m_services.runtime.logging, m_services.boxes, m_services.guard);
    loadResponseRules(responserules::filePath(m_services.runtime.appDefine.ConfigPath), m_rules, m_services.log,
                      m_services.runtime.ToolKind(), m_services.boxes);
}

bool HeadlessReceiver::testBindPort(const QString &portText)
{
    UdpSocket test;
    return CheckBindPort(test, portText, m_services.guard);
}

bool HeadlessReceiver::startReception()
{
    // As a click on 受信待ち: the same wait and checks; a failure has told its box.
    m_reception->cmdRecvData_Click();
    if (m_wscRecv.State() != UdpSocket::Bound)
        return false;
    m_statusTimer.start();
    return true;
}

ReceptionReport HeadlessReceiver::report() const
{
    return m_reception->report();
}

HeadlessReceiver::Counts HeadlessReceiver::counts() const
{
    const ReceptionReport now = report();
    return {now.counters.received, now.counters.answered, now.systemDropped};
}

QString HeadlessReceiver::statusLine() const
{
    return statusLine(counts());
}

QString HeadlessReceiver::statusLine(const Counts &counts) const
{
    const LocalTime t = m_services.clock.now();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d received %llu answered %llu dropped %llu", t.year, t.month,
                             t.day, t.hour, t.minute, t.second, static_cast<unsigned long long>(counts.received),
                             static_cast<unsigned long long>(counts.answered),
                             static_cast<unsigned long long>(counts.dropped));
}

void HeadlessReceiver::printStatus()
{
    const Counts current = counts();
    if (current == m_printed)
        return; // nothing arrived in this second
    m_printed = current;
    const QString line = statusLine(current);
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
    Q_EMIT statusPrinted(line);
}
