#pragma once

#include <QString>

class Forms;
class SingleInstance;
struct Services;

enum class StartupOutcome {
    WindowShown,    // the main window or the port settings dialog is up
    SecondInstance, // another instance runs: nothing shown
    Failed          // the environment or start-up failed: nothing shown
};

// The program's start-up: environment, single-instance guard, settings,
// log rotation, port check, then exactly one window, modeless. A start-up
// that fails says why on standard error and in a critical box.
StartupOutcome Main(const Services &services, Forms &forms, SingleInstance &instance);
