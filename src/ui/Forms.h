#pragma once

#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class Clock;
class MessageBoxService;
class frmMain;
class frmUdpRcvComSetting;
struct Runtime;

// The program's windows and what their handlers share: one instance of
// each window, created on first use, and the way the program ends.
class Forms {
public:
    // `leaveEventLoop` ends the program's event loop (tests watch it instead).
    Forms(Runtime &runtime, MessageBoxService &boxes, Clock &clock, std::function<void()> leaveEventLoop = {});
    ~Forms();
    Forms(const Forms &) = delete;
    Forms &operator=(const Forms &) = delete;

    Runtime &runtime() const { return m_runtime; }
    MessageBoxService &boxes() const { return m_boxes; }
    Clock &clock() const { return m_clock; }
    LogWriter &log() { return m_log; }
    ErrorGuard &guard() { return m_guard; }

    // The main window, created (not loaded) on first use.
    frmMain &MainForm();
    frmMain *ExistingMainForm() const { return m_main.get(); }
    // Shows the main window modeless (loading it on its first show) and
    // brings it forward.
    void ShowMainForm();

    // The settings dialog, created and loaded on first use.
    frmUdpRcvComSetting &ComSettingForm();
    frmUdpRcvComSetting *ExistingComSettingForm() const { return m_comSetting.get(); }
    // Unloads the dialog and releases it: the next use creates a fresh one.
    void ReleaseComSettingForm();

    // Hides every window and leaves the event loop; the windows and their
    // sockets go when the program's objects are destroyed.
    void EndProgram();
    bool Ended() const { return m_ended; }

private:
    Runtime &m_runtime;
    MessageBoxService &m_boxes;
    Clock &m_clock;
    LogWriter m_log;
    ErrorGuard m_guard;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<frmUdpRcvComSetting> m_comSetting;
    // Released dialogs whose deferred deletion may not have run yet.
    std::vector<QPointer<frmUdpRcvComSetting>> m_released;
    std::function<void()> m_leaveEventLoop;
    bool m_ended = false;
};
