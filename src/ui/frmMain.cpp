#include "frmMain.h"

#include "CommandButton.h"
#include "FormMetrics.h"
#include "HexGridView.h"
#include "LampWidget.h"
#include "StatusBarPanels.h"
#include "core/Clock.h"
#include "core/MessageBoxService.h"
#include "frmUdpRcvComSetting.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "reception/Lamp.h"
#include "reception/UdpSocket.h"
#include "runtime/Runtime.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>
#include <cstring>

frmMain::frmMain(const Services &services)
    : m_services(services), m_recvGrid(this), m_sendGrid(this), m_tmrNowDateTime(this)
{
    createControls();
    m_reception = std::make_unique<ReceptionController>(ReceptionController::Dependencies {
        *m_wscRecv, *this, m_settings, services.runtime, services.log, services.guard, services.boxes, services.clock});
    m_reception->setResponseRules(&m_rules);
    connectHandlers();
}

frmMain::~frmMain()
{
    m_services.log.setFailingChanged({});
}

void frmMain::connectHandlers()
{
    connect(&m_tmrNowDateTime, &QTimer::timeout, this, &frmMain::tmrNowDateTime_Timer);
    connect(m_cmdEnd, &QPushButton::clicked, this, &frmMain::cmdEnd_Click);
    connect(m_comSetting, &QAction::triggered, this, &frmMain::ComSetting_Click);
    connect(m_editResponseRules, &QAction::triggered, this, &frmMain::editResponseRules);
    connect(m_reloadResponseRules, &QAction::triggered, this, &frmMain::reloadResponseRules);
    connect(m_cmdRecvData, &QPushButton::clicked, this, [this] { m_reception->cmdRecvData_Click(); });
    connect(m_wscRecv, &UdpSocket::DataArrival, this,
            [this](int32_t bytesTotal) { m_reception->wscRecv_DataArrival(bytesTotal); });

    // Lines that cannot be written are marked in the status bar while it lasts.
    const auto markLogFailure = [this](bool failing) {
        m_logFailing = failing;
        showWriteFailures();
    };
    m_services.log.setFailingChanged(markLogFailure);
    markLogFailure(m_services.log.failing());
}

void frmMain::showWriteFailures()
{
    QString notice;
    if (m_logFailing && m_captureFailing)
        notice = QStringLiteral("ログとキャプチャを書き込めません");
    else if (m_logFailing)
        notice = QStringLiteral("ログを書き込めません");
    else if (m_captureFailing)
        notice = QStringLiteral("キャプチャを書き込めません");
    m_statusPanels->setNotice(notice);
}

void frmMain::ReadSetting(const QString &file)
{
    ::ReadSetting(file, m_settings, m_services.runtime.logging, m_services.boxes, m_services.guard);
    loadResponseRules();
}

void frmMain::setVisible(bool visible)
{
    // The window loads when it is first shown.
    if (visible && !m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::setVisible(visible);
}

void frmMain::unload()
{
    m_tmrNowDateTime.stop();
    m_reception->endReception();
    hide();
}

void frmMain::Form_Load()
{
    m_services.guard.run(QStringLiteral("(Form_Load)"), [&] {
        setWindowTitle(applicationTitle());
        m_sendGrid.labelHeaders();
        m_recvGrid.labelHeaders();
        m_tmrNowDateTime.start();
        const int16_t off = 0;
        CtrlLed(*m_shpSendLed, off, m_services.guard);
        CtrlLed(*m_shpRecvLed, off, m_services.guard);
        if (m_settings.ResMode == 0)
            m_optNothing->setChecked(true);
        else if (m_settings.ResMode == 1)
            m_optRcvData->setChecked(true);
        else if (m_settings.ResMode == 2 && m_optCustom->isEnabled())
            m_optCustom->setChecked(true);
        winId(); // the frame around the window is known once the window exists
        const QRect screenArea = availableArea(*this);
        fitInto(screenArea);
        centerWindow(*this, screenArea);
    });
}

void frmMain::tmrNowDateTime_Timer()
{
    m_services.guard.run(QStringLiteral("(tmrNowDateTime_Timer)"), [&] {
        m_nowForSendTime.show(m_services.clock.now());
        m_nowForRecvTime.show(m_services.clock.now());
    });
}

void frmMain::cmdEnd_Click()
{
    m_services.guard.run(QStringLiteral("(cmdEnd_Click)"), [&] {
        const MsgBoxStyles style = MsgBoxStyle::OkCancel | MsgBoxStyle::Question | MsgBoxStyle::DefaultButton2;
        if (m_services.boxes.msgBox(applicationTitle() + QStringLiteral("を終了してもよろしいですか？"), style,
                                    applicationTitle()) == MsgBoxResult::Ok)
            Q_EMIT endRequested();
    });
}

void frmMain::ComSetting_Click()
{
    m_services.guard.run(QStringLiteral("(ComSetting_Click)"), [&] { Q_EMIT comSettingRequested(); });
}

void frmMain::clickRecvData()
{
    m_cmdRecvData->click();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing through the frame ends the program, without the question.
    event->accept();
    Q_EMIT endRequested();
}

void frmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        colorHeadings();
    QWidget::changeEvent(event);
}

Lamp &frmMain::recvLed()
{
    return *m_shpRecvLed;
}

Lamp &frmMain::sendLed()
{
    return *m_shpSendLed;
}

void frmMain::setLastRecvDateTime(const LocalTime &time)
{
    m_lastRecvTime.show(time);
}

void frmMain::setLastSentDateTime(const LocalTime &time)
{
    m_lastSentTime.show(time);
}

void frmMain::setRecvButtonCaption(const QString &text)
{
    if (m_cmdRecvData->text() != text)
        m_cmdRecvData->setText(text);
}

ResponseOption frmMain::selectedResponse() const
{
    if (m_optNothing->isChecked())
        return ResponseOption::Nothing;
    if (m_optRcvData->isChecked())
        return ResponseOption::RcvData;
    if (m_optCustom->isChecked())
        return ResponseOption::Custom;
    return ResponseOption::None;
}

void frmMain::setLastSender(const SocketAddress &sender)
{
    const socklen_t length = std::min<socklen_t>(sender.length, sizeof m_lastSender);
    if (sender.empty() || (length == m_lastSenderLength && std::memcmp(&m_lastSender, sender.address, length) == 0))
        return;
    std::memcpy(&m_lastSender, sender.address, length);
    m_lastSenderLength = length;
    m_senderText = QStringLiteral("送信元：") + formatSocketAddress(sender);
    showSender();
}

void frmMain::setCaptureFailing(bool failing)
{
    m_captureFailing = failing;
    showWriteFailures();
}
