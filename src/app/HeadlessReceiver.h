#pragma once

#include "HeadlessSurface.h"
#include "Startup.h"
#include "reception/ReceptionCounters.h"
#include "reception/UdpSocket.h"
#include "runtime/Services.h"
#include "settings/SettingsReader.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

class ReceptionController;

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
    bool testBindPort(const QString &portText) override;
    void showReceiver() override { m_portUsable = true; }
    void askForPort() override { m_portUsable = false; }

    bool portUsable() const { return m_portUsable; }
    // Switches reception on; false (the reason on standard error) when it stays off.
    bool startReception();
    // Prints the status line when something arrived since the last one.
    void printStatus();
    // The status line of the totals now.
    QString statusLine() const;
    ReceptionReport report() const;

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
    ResponseRuleSet m_rules;
    HeadlessSurface m_surface;
    UdpSocket m_wscRecv;
    std::unique_ptr<ReceptionController> m_reception;
    QTimer m_statusTimer;
    Counts m_printed;
    bool m_portUsable = false;
};
