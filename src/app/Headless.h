#pragma once

#include "Startup.h"
#include "core/MessageBoxService.h"
#include "reception/HexGrid.h"
#include "reception/Lamp.h"
#include "reception/ReceptionSurface.h"
#include "reception/UdpSocket.h"
#include "runtime/Services.h"
#include "settings/SettingsReader.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

class ReceptionController;
struct DataHome;

// Message boxes without a display: the text goes to standard error, and a
// box that asks a question gets its safe answer, Cancel.
class StandardErrorBoxes final : public MessageBoxService {
public:
    MsgBoxResult MsgBox(const QString &text, MsgBoxStyles style, const QString &title = {}) override;
};

// What reception shows, kept in models no one looks at; the answers sent
// are counted. The response follows ResSetting as the window's options do.
class HeadlessSurface final : public ReceptionSurface {
public:
    explicit HeadlessSurface(const ReceiveSettings &settings) : m_settings(settings) {}

    Lamp &RecvLed() override { return m_recvLed; }
    Lamp &SendLed() override { return m_sendLed; }
    HexGrid &RecvGrid() override { return m_recvGrid; }
    HexGrid &SendGrid() override { return m_sendGrid; }
    void SetLastRecvDateTime(const LocalTime &) override {}
    void SetLastSentDateTime(const LocalTime &) override { ++m_answered; }
    void SetRecvButtonCaption(const QString &) override {}
    ResponseOption SelectedResponse() const override;

    uint64_t answered() const { return m_answered; }

private:
    class PlainLamp final : public Lamp {
    public:
        int BackColor() const override { return m_color; }
        void SetBackColor(int color) override { m_color = color; }

    private:
        int m_color = LampColor::Black;
    };

    const ReceiveSettings &m_settings;
    PlainLamp m_recvLed;
    PlainLamp m_sendLed;
    HexGrid m_recvGrid;
    HexGrid m_sendGrid;
    uint64_t m_answered = 0;
};

// The receiver without a display, as start-up's front end: it reads the
// settings, test-binds the port, then switches reception on as the button
// would and prints a status line every second in which datagrams arrived:
//   2026-12-07 12:00:01 received 1200 answered 1200 dropped 0
// (totals since reception began; dropped: by the system, its receive
// buffer full).
class HeadlessReceiver final : public QObject, public StartupFrontEnd {
    Q_OBJECT

public:
    explicit HeadlessReceiver(const Services &services);
    ~HeadlessReceiver() override;

    // StartupFrontEnd
    void ReadSetting(const QString &file) override;
    bool TestBindPort(const QString &portText) override;
    void ShowReceiver() override { m_portUsable = true; }
    void AskForPort() override { m_portUsable = false; }

    bool portUsable() const { return m_portUsable; }
    // Switches reception on; false (the reason on standard error) when it stays off.
    bool startReception();
    // Prints the status line when something arrived since the last one.
    void printStatus();
    // The status line of the totals now.
    QString statusLine() const;

Q_SIGNALS:
    // A status line went to standard output.
    void statusPrinted(const QString &line);

private:
    struct Counts {
        uint64_t received = 0;
        uint64_t answered = 0;
        uint64_t dropped = 0;
        bool operator==(const Counts &) const = default;
    };
    Counts counts() const;
    QString statusLine(const Counts &counts) const;

    Services m_services;
    ReceiveSettings m_settings;
    HeadlessSurface m_surface;
    UdpSocket m_wscRecv;
    std::unique_ptr<ReceptionController> m_reception;
    QTimer m_statusTimer;
    uint64_t m_received = 0;
    Counts m_printed;
    bool m_portUsable = false;
};

// The whole program with --headless; returns its exit status: 0 when a
// signal ended it, 1 when it could not start (the reason on standard error).
// Under a service manager (Type=notify) it tells when it is ready, each
// status line and when it stops, and keeps the watchdog it is asked for.
int RunHeadless(int &argc, char **argv, const DataHome &home);
