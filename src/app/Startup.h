#pragma once

#include <QString>

class Forms;
class SingleInstance;
struct Runtime;

enum class StartupOutcome {
    WindowShown,    // the main window or the port settings dialog is up
    SecondInstance, // another instance runs: nothing shown
    Failed          // the environment or start-up failed: nothing shown
};

// The program's start-up: environment, single-instance guard, settings,
// log rotation, port check, then exactly one window, modeless.
StartupOutcome Main(Forms &forms, SingleInstance &instance);

// One line naming the step of the initialisation that did not complete.
QString DescribeInitFailure(const Runtime &runtime);
