#pragma once

#include <QStringList>

#include <optional>

class Forms;

// What the command line asks for.
struct CommandLine {
    // Set when the program ends right away with this status: --help and
    // --version (0, their text on standard output) or a wrong argument (2,
    // the reason on standard error).
    std::optional<int> exitCode;
    bool listen = false;   // --listen: reception on once the main window is up
    bool headless = false; // --headless: the receiver without a display
    QString metrics;       // --metrics ADDRESS:PORT: where the metrics endpoint listens
};

// Reads the arguments, the program's path first. It needs no application
// object, so it runs before anything is created: without a display and
// without touching the program folder. Qt's own options (-platform, -style
// and the like) are let through for the application object. `dataHome`
// tells --help where Config, Log and Temp live.
CommandLine parseCommandLine(const QStringList &arguments, const QString &dataHome = {});

// Switches reception on as a click on 受信待ち does, once the event loop
// runs, when start-up ended in the main window; nothing otherwise.
void listenWhenShown(Forms &forms);
