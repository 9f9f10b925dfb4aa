#pragma once

#include "DisplayTimeLabel.h"
#include "reception/HexGrid.h"
#include "reception/ReceptionController.h"
#include "reception/ReceptionSurface.h"
#include "reception/ResponseRulesFile.h"
#include "runtime/Services.h"
#include "settings/SettingsReader.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class CommandButton;
class HexGridView;
class LampWidget;
class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QRadioButton;
class QScrollArea;
class QStatusBar;
class StatusBarPanels;
class UdpSocket;

// The main window: reception, response mode, clock, exit and the menu
// that opens the port settings dialog.
class frmMain final : public QWidget, public ReceptionSurface {
    Q_OBJECT

public:
    explicit frmMain(const Services &services);
    ~frmMain() override;

    // Reads the settings file into RcvPort, ResMode and the log limits.
    void ReadSetting(const QString &file);
    int32_t RcvPort() const { return m_settings.RcvPort; }
    int16_t ResMode() const { return m_settings.ResMode; }
    // What reception counted, and its state now.
    ReceptionReport receptionReport() const { return m_reception->report(); }
    bool loaded() const { return m_loaded; }
    // Hides the window for good: the clock stops and reception ends.
    void unload();

    // The window's handlers.
    void Form_Load();
    void tmrNowDateTime_Timer();
    void cmdEnd_Click();
    void ComSetting_Click();
    // Clicks 受信待ち (or 受信終了) as the user would: the same handler runs.
    void clickRecvData();

    // The custom response's rules: read with the settings, again from the
    // menu and after the editor saved them. カスタム can be chosen while
    // at least one rule is read.
    const ResponseRuleSet &responseRules() const { return m_rules; }
    QString responseRulesFile() const;
    void reloadResponseRules();
    void editResponseRules();

    // ReceptionSurface
    Lamp &recvLed() override;
    Lamp &sendLed() override;
    HexGrid &recvGrid() override { return m_recvGrid; }
    HexGrid &sendGrid() override { return m_sendGrid; }
    void setLastRecvDateTime(const LocalTime &time) override;
    void setLastSentDateTime(const LocalTime &time) override;
    void setRecvButtonCaption(const QString &text) override;
    ResponseOption selectedResponse() const override;
    void setLastSender(const SocketAddress &sender) override;
    void setAnsweringRule(const QString &name) override;
    void setCaptureFailing(bool failing) override;

    void setVisible(bool visible) override;

    // Keeps the window (and its frame) within `area`, a screen's available
    // area: where the window would not fit, its client area scrolls.
    void fitInto(const QRect &area);

Q_SIGNALS:
    // The menu asks for the port settings dialog, modal.
    void comSettingRequested();
    // The exit button (after its question) or the frame ends the program.
    void endRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void createMenu();
    void connectHandlers();
    void showWriteFailures();
    void colorHeadings();
    void loadResponseRules();
    void updateCustomOption();
    void showSender();

    Services m_services;
    ReceiveSettings m_settings;
    bool m_loaded = false;
    bool m_logFailing = false;
    bool m_captureFailing = false;
    // The sender shown, as the system gave it: compared with every
    // datagram's, its text made only when it changes.
    sockaddr_storage m_lastSender {};
    socklen_t m_lastSenderLength = 0;
    QString m_senderText;
    QString m_answeringRule;
    ResponseRuleSet m_rules;

    HexGrid m_recvGrid;
    HexGrid m_sendGrid;
    QTimer m_tmrNowDateTime;

    QMenuBar *m_menuBar = nullptr;
    QMenu *m_admin = nullptr;
    QAction *m_comSetting = nullptr;
    QAction *m_editResponseRules = nullptr;
    QAction *m_reloadResponseRules = nullptr;
    QScrollArea *m_clientScroll = nullptr;
    QWidget *m_client = nullptr;
    QSize m_fullSize; // the menu bar over the whole client area
    QLabel *m_lblNowDateTimeForRecv = nullptr;
    QLabel *m_lblNowDateTimeForRecvData = nullptr;
    CommandButton *m_cmdRecvData = nullptr;
    QLabel *m_lblRcvData = nullptr;
    LampWidget *m_shpRecvLed = nullptr;
    QLabel *m_lblLastRecvDateTime = nullptr;
    QLabel *m_lblLastRecvDateTimeData = nullptr;
    HexGridView *m_fgrdRecvData = nullptr;
    QGroupBox *m_fraResSetting = nullptr;
    QButtonGroup *m_responseGroup = nullptr;
    QRadioButton *m_optNothing = nullptr;
    QRadioButton *m_optRcvData = nullptr;
    QRadioButton *m_optCustom = nullptr;
    QLabel *m_lblNowDateTimeForSend = nullptr;
    QLabel *m_lblNowDateTimeForSendData = nullptr;
    QLabel *m_lblSendData = nullptr;
    LampWidget *m_shpSendLed = nullptr;
    QLabel *m_lblLastSentDateTime = nullptr;
    QLabel *m_lblLastSentDateTimeData = nullptr;
    HexGridView *m_fgrdSendData = nullptr;
    CommandButton *m_cmdEnd = nullptr;
    QStatusBar *m_sbStatusBar = nullptr;
    StatusBarPanels *m_statusPanels = nullptr;
    UdpSocket *m_wscRecv = nullptr;
    DisplayTimeLabel m_nowForRecvTime;
    DisplayTimeLabel m_nowForSendTime;
    DisplayTimeLabel m_lastRecvTime;
    DisplayTimeLabel m_lastSentTime;

    std::unique_ptr<ReceptionController> m_reception;
};
