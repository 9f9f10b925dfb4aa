#pragma once

#include <QString>

class Forms;
class SingleInstance;
struct Services;

enum class StartupOutcome {
    WindowShown,    // the receiver is up: the main window or the port settings dialog (headless: see below)
    SecondInstance, // another instance runs: nothing shown
    Failed          // the environment or start-up failed: nothing shown
};

// What start-up brings up once the settings are read: the windows, or the
// receiver without a display.
class StartupFrontEnd {
public:
    virtual ~StartupFrontEnd() = default;
    // Reads the settings file into the receiver's values and the log limits.
    virtual void ReadSetting(const QString &file) = 0;
    // Whether the port of the text can be bound now; a failure is logged.
    virtual bool testBindPort(const QString &portText) = 0;
    // The stored port can be bound: the receiver comes up.
    virtual void showReceiver() = 0;
    // No usable port is stored, or it cannot be bound: a port is asked for.
    virtual void askForPort() = 0;
};

// The program's start-up: the data folder, environment, single-instance
// guard, settings, log rotation, port check, then the front end comes up.
// A start-up that fails says why on standard error and in a critical box.
StartupOutcome Main(const Services &services, StartupFrontEnd &frontEnd, SingleInstance &instance);

// The same with the windows: then exactly one window comes up, modeless.
StartupOutcome Main(const Services &services, Forms &forms, SingleInstance &instance);
