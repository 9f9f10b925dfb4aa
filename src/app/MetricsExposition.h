#pragma once

#include "reception/ReceptionCounters.h"

#include <QByteArray>
#include <QString>

// The receiver's counters in the Prometheus text exposition format
// (version 0.0.4): for each metric a "# HELP" and a "# TYPE" line, then its
// samples, one a line, "name{label="value"} number". Counters end in
// _total, sizes are in bytes and times in seconds since the epoch. No
// label ever carries a sender's address: a label's every value is a series
// of its own.
namespace metricsexposition {

struct Sample {
    ReceptionReport reception;
    QString version;
    double startTime = 0; // the process's, seconds since the epoch
};

QByteArray textOf(const Sample &sample);

// The Content-Type of the text.
constexpr const char *ContentType = "text/plain; version=0.0.4; charset=utf-8";

} // namespace metricsexposition
