#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

class QSocketNotifier;

// Turns the control signals of the benchmark host into calls on the GUI
// thread: the handlers only note the arrival time and write the signal
// number into a pipe, which a socket notifier reads.
//   SIGUSR1 reset, SIGUSR2 stats, SIGHUP click, SIGTERM/SIGINT quit.
class ControlSignals final : public QObject {
public:
    struct Handlers {
        std::function<void()> reset;
        std::function<void()> stats;
        std::function<void(int64_t arrivalNs)> click;
        std::function<void()> quit;
    };

    // Creates the pipe and installs the signal handlers; call once, before
    // any signal may arrive. False (with errno) on failure.
    static bool install();

    explicit ControlSignals(Handlers handlers, QObject *parent = nullptr);

private:
    void readPending();

    Handlers m_handlers;
    QSocketNotifier *m_notifier = nullptr;
};

// CLOCK_MONOTONIC in nanoseconds.
int64_t monotonicNs();
