#pragma once

#include "JournalSender.h"
#include "MetricsServer.h"
#include "reception/ReceptionCounters.h"

#include <QString>

#include <functional>
#include <memory>

class MessageBoxService;

// What the program tells the tools that watch a fleet of rigs: its events
// go to the journal when it runs under systemd (see
// JournalSender::journalSocket; otherwise standard error as ever), and its
// counters are served to Prometheus when a metrics endpoint is asked for.
class ProgramReports {
public:
    // `report` gives the receiver's state at the moment it is asked.
    explicit ProgramReports(std::function<ReceptionReport()> report);
    ~ProgramReports();
    ProgramReports(const ProgramReports &) = delete;
    ProgramReports &operator=(const ProgramReports &) = delete;

    // Opens the metrics endpoint the command line names, else the one the
    // settings file's MetricsAddress names; none when neither does. False,
    // the reason in a box, when one was asked for and cannot be opened.
    bool openMetrics(const QString &commandLine, const QString &settingFile, MessageBoxService &boxes);

    // The "start" and "stop" events.
    void started(int32_t port, const QString &dataFolder);
    void stopped();

private:
    std::function<ReceptionReport()> m_report;
    double m_startTime;
    std::unique_ptr<JournalSender> m_journal;
    std::unique_ptr<MetricsServer> m_metrics;
};
