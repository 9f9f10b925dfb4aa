#pragma once

#include "TestSupport.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "runtime/Runtime.h"

#include <QTemporaryDir>

// A real log file of this tool in a temporary folder, written at a fixed time.
struct TestLog {
    QTemporaryDir dir;
    Runtime runtime;
    FixedClock clock;
    LogWriter log {runtime.logging, clock};
    ErrorGuard guard {log, UdpReceiverKind};

    TestLog()
    {
        runtime.appDefine.ToolKind = UdpReceiverKind;
        runtime.logging.HostName = QStringLiteral("TESTHOST");
        runtime.logging.LogFiles[UdpReceiverKind] = dir.filePath(QStringLiteral("Tavo_UdpRcvLog.txt"));
        runtime.logging.LogMaxSize = 1;
        runtime.logging.LogGenerations = 3;
    }
    QString path() const { return runtime.logFile(); }
    QStringList messages() const { return testsupport::logMessages(path()); }
};
