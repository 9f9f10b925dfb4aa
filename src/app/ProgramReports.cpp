#include "ProgramReports.h"

#include "MetricsExposition.h"
#include "core/MessageBoxService.h"
#include "core/ProgramEvents.h"
#include "settings/ProfileAccess.h"

#include <QDateTime>

ProgramReports::ProgramReports(std::function<ReceptionReport()> report)
    : m_report(std::move(report)), m_startTime(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000)
{
    if (const std::optional<QByteArray> socket = JournalSender::journalSocket()) {
        m_journal = std::make_unique<JournalSender>(*socket);
        setEventLog([journal = m_journal.get()](const ProgramEvent &event) { journal->send(event); });
    }
}

ProgramReports::~ProgramReports()
{
    if (m_journal)
        setEventLog({});
}

bool ProgramReports::openMetrics(const QString &commandLine, const QString &settingFile, MessageBoxService &boxes)
{
    QString address = commandLine;
    if (address.isEmpty())
        address = GetIniString(QStringLiteral("Port"), QStringLiteral("MetricsAddress"), settingFile).trimmed();
    if (address.isEmpty())
        return true;
    const Result<metricshttp::ListenAddress> where = metricshttp::listenAddressOf(address);
    Result<> opened = where ? Result<>() : Result<>(where.error());
    if (where) {
        m_metrics = std::make_unique<MetricsServer>([this] {
            return metricsexposition::textOf({m_report(), QStringLiteral(UDPRECV_VERSION), m_startTime});
        });
        opened = m_metrics->listen(*where);
    }
    if (opened)
        return true;
    m_metrics.reset();
    boxes.msgBox(opened.error().description(), MsgBoxStyle::Critical);
    return false;
}

void ProgramReports::started(int32_t port, const QString &dataFolder)
{
    const QString portText = QString::number(port);
    const QString version = QStringLiteral(UDPRECV_VERSION);
    tellEvent({"start",
               QStringLiteral("started: version %1, receive port %2, data folder %3").arg(version, portText, dataFolder),
               ProgramEvent::Notice,
               {{"UDPRECV_PORT", portText}, {"UDPRECV_DATA_FOLDER", dataFolder}, {"UDPRECV_VERSION", version}}});
}

void ProgramReports::stopped()
{
    const ReceptionReport r = m_report();
    const auto number = [](uint64_t value) { return QString::number(value); };
    tellEvent({"stop",
               QStringLiteral("stopped: received %1 answered %2 too short %3 dropped by the system %4, log lines "
                              "lost %5, capture records lost %6")
                   .arg(number(r.counters.received), number(r.counters.answered), number(r.counters.tooShort),
                        number(r.systemDropped), number(r.logLinesLost), number(r.captureRecordsLost)),
               ProgramEvent::Notice,
               {{"UDPRECV_RECEIVED", number(r.counters.received)},
                {"UDPRECV_ANSWERED", number(r.counters.answered)},
                {"UDPRECV_TOO_SHORT", number(r.counters.tooShort)},
                {"UDPRECV_DROPPED", number(r.systemDropped)},
                {"UDPRECV_LOG_LINES_LOST", number(r.logLinesLost)},
                {"UDPRECV_CAPTURE_RECORDS_LOST", number(r.captureRecordsLost)}}});
}
