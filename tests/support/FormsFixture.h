#pragma once

#include "SettingsFile.h"
#include "TestSupport.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "runtime/Environment.h"
#include "runtime/Services.h"
#include "ui/Forms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <memory>

// A program folder in a temporary directory with the windows' shared
// objects around it; message boxes are answered, the clock is fixed and
// the end of the program is only counted. For the suites of the layers
// that hold the windows.
struct FormsFixture {
    QTemporaryDir dir;
    Runtime runtime;
    FixedClock clock;
    FakeMessageBoxes boxes;
    LogWriter log {runtime.logging, clock};
    ErrorGuard guard {log, UdpReceiverKind};
    Services services {runtime, boxes, clock, log, guard};
    int endCount = 0;
    std::unique_ptr<Forms> forms;

    FormsFixture()
    {
        runtime.programFolder = dir.path();
        forms = std::make_unique<Forms>(services, [this] { ++endCount; });
    }
    ~FormsFixture()
    {
        forms.reset();
        flushDeletes();
    }

    bool init() { return InitEnvironment(runtime, guard, UdpReceiverKind).ok(); }
    QString settingFile() const { return runtime.SettingFile(); }
    bool writeSettings(const testsupport::SettingsFile &settings) const { return settings.writeTo(settingFile()); }
    QStringList logMessages() const { return testsupport::logMessages(runtime.logFile()); }

    // Runs the deletions that windows deferred to the event loop.
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};
