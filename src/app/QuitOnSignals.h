#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Ends the program on the signals a terminal or a service manager sends to
// end one: SIGTERM (kill, systemctl stop), SIGINT (Ctrl+C) and SIGHUP (the
// terminal closed). The handler only writes the signal to a pipe; the event
// loop reads it between two of its events, like any other input, and calls
// `quit`, so the datagram in hand is finished first. SIGQUIT (Ctrl+\) keeps
// its default: it asks for a core dump of a program that may be hung, which
// a loop that is not running could never give.
class QuitOnSignals final : public QObject {
    Q_OBJECT

public:
    explicit QuitOnSignals(std::function<void()> quit);
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals &) = delete;
    QuitOnSignals &operator=(const QuitOnSignals &) = delete;

private:
    std::function<void()> m_quit;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};
