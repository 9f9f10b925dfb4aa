#pragma once

#include "runtime/Services.h"

#include <QPointer>

#include <functional>
#include <memory>

class frmMain;
class frmUdpRcvComSetting;

// The lifetimes of the program's windows: one instance of each, created on
// first use with the services they need, and what happens when a window
// asks to close, to open the other or to end the program. The main window
// is Forms' own; the settings dialog is a child of it that deletes itself
// once closed, so that a dialog still loaded goes with the main window.
class Forms {
public:
    // `leaveEventLoop` ends the program's event loop (tests watch it instead).
    explicit Forms(const Services &services, std::function<void()> leaveEventLoop = {});
    ~Forms();
    Forms(const Forms &) = delete;
    Forms &operator=(const Forms &) = delete;

    // The main window, created (not loaded) on first use.
    frmMain &mainForm();
    frmMain *existingMainForm() const { return m_main.get(); }
    // Shows the main window modeless (loading it on its first show) and
    // brings it forward.
    void showMainForm();

    // The settings dialog, created (with the main window as its parent) and
    // loaded on first use.
    frmUdpRcvComSetting &comSettingForm();
    frmUdpRcvComSetting *existingComSettingForm() const;
    // Closes the dialog and releases it: the next use creates a fresh one.
    void releaseComSettingForm();

    // Hides every window and leaves the event loop, once; the windows and
    // their sockets go when the program's objects are destroyed.
    void endProgram();
    bool ended() const { return m_ended; }

private:
    Services m_services;
    std::unique_ptr<frmMain> m_main;
    QPointer<frmUdpRcvComSetting> m_comSetting; // the one in use, not yet released
    std::function<void()> m_leaveEventLoop;
    bool m_ended = false;
};
