// The creation-time definition of the main window's controls.
#include "CommandButton.h"
#include "DateTimeStatusBar.h"
#include "FormFonts.h"
#include "FormMetrics.h"
#include "Forms.h"
#include "HexGridView.h"
#include "LampWidget.h"
#include "frmMain.h"
#include "reception/UdpSocket.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int ClientWidth = 9960;
constexpr int ClientHeight = 8460;
const auto Placeholder = QStringLiteral("--/--/-- --:--:--");
// Under a flood the grids repaint about ten times a second; after a quiet
// spell at once.
constexpr int GridRepaintIntervalMs = 100;

template <typename Control> Control *Named(Control *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, int left, int top, int width, int height)
{
    auto *label = Named(new QLabel(caption, parent), name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    PlaceControl(*label, left, top, width, height);
    return label;
}

QLabel *MakeHeading(QWidget *parent, const char *name, const QString &caption, int left, int top)
{
    QLabel *label = MakeLabel(parent, name, caption, left, top, 1575, 375);
    label->setFont(FormFont(FormFontCode::F3));
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(colors);
    return label;
}

QRadioButton *MakeOption(QWidget *frame, const char *name, const QString &caption, int left, int width)
{
    auto *option = Named(new QRadioButton(caption, frame), name);
    PlaceControl(*option, left, 240, width, 375);
    return option;
}

} // namespace

void frmMain::createMenu()
{
    m_menuBar = Named(new QMenuBar(this), "menuBar");
    m_admin = Named(m_menuBar->addMenu(QStringLiteral("設定")), "Admin");
    m_comSetting = Named(m_admin->addAction(QStringLiteral("通信")), "ComSetting");
}

void frmMain::createControls()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("frmMain"));
    setWindowFlags(FixedFrameFlags());
    setFont(FormFont(FormFontCode::FormDefault));
    createMenu();

    m_client = Named(new QWidget(this), "clientArea");
    m_client->setFixedSize(Px(ClientWidth), Px(ClientHeight));
    QWidget *form = m_client;

    m_lblNowDateTimeForRecv =
        MakeLabel(form, "lblNowDateTimeForRecv", QStringLiteral("現在時刻："), 3000, 600, 975, 375);
    m_lblNowDateTimeForRecvData = MakeLabel(form, "lblNowDateTimeForRecvData", Placeholder, 3960, 600, 1575, 255);
    m_cmdRecvData = Named(new CommandButton(QStringLiteral("受信待ち"), form), "cmdRecvData");
    PlaceControl(*m_cmdRecvData, 6120, 600, 2175, 495);
    m_lblRcvData = MakeHeading(form, "lblRcvData", QStringLiteral("受信データ"), 600, 720);
    m_shpRecvLed = Named(new LampWidget(form), "shpRecvLed");
    PlaceControl(*m_shpRecvLed, 2400, 720, 375, 255);
    m_lblLastRecvDateTime = MakeLabel(form, "lblLastRecvDateTime", QStringLiteral("受信時刻："), 3000, 960, 975, 375);
    m_lblLastRecvDateTimeData = MakeLabel(form, "lblLastRecvDateTimeData", Placeholder, 3960, 960, 1575, 255);
    m_fgrdRecvData = Named(new HexGridView(m_recvGrid, form), "fgrdRecvData");
    m_fgrdRecvData->setFont(FormFont(FormFontCode::F4));
    PlaceControl(*m_fgrdRecvData, 600, 1320, 8775, 2415);
    m_fgrdRecvData->fitColumnsToWidth();
    m_fgrdRecvData->setRepaintInterval(GridRepaintIntervalMs);

    m_fraResSetting = Named(new QGroupBox(QStringLiteral("応答設定"), form), "fraResSetting");
    PlaceControl(*m_fraResSetting, 5520, 3840, 3855, 735);
    m_optNothing = MakeOption(m_fraResSetting, "optNothing", QStringLiteral("無応答"), 120, 855);
    m_optRcvData = MakeOption(m_fraResSetting, "optRcvData", QStringLiteral("受信データ"), 1200, 1335);
    m_optCustom = MakeOption(m_fraResSetting, "optCustom", QStringLiteral("カスタム"), 2520, 1215);
    m_optCustom->setEnabled(false); // no custom response exists
    m_responseGroup = Named(new QButtonGroup(m_fraResSetting), "responseGroup");
    m_responseGroup->setExclusive(true);
    for (QRadioButton *option : {m_optNothing, m_optRcvData, m_optCustom})
        m_responseGroup->addButton(option);

    m_lblNowDateTimeForSend =
        MakeLabel(form, "lblNowDateTimeForSend", QStringLiteral("現在時刻："), 3000, 3960, 975, 375);
    m_lblNowDateTimeForSendData = MakeLabel(form, "lblNowDateTimeForSendData", Placeholder, 3960, 3960, 1575, 255);
    m_lblSendData = MakeHeading(form, "lblSendData", QStringLiteral("送信データ"), 600, 4080);
    m_shpSendLed = Named(new LampWidget(form), "shpSendLed");
    PlaceControl(*m_shpSendLed, 2400, 4080, 375, 255);
    m_lblLastSentDateTime = MakeLabel(form, "lblLastSentDateTime", QStringLiteral("送信時刻："), 3000, 4320, 975, 375);
    m_lblLastSentDateTimeData = MakeLabel(form, "lblLastSentDateTimeData", Placeholder, 3960, 4320, 1575, 255);
    m_fgrdSendData = Named(new HexGridView(m_sendGrid, form), "fgrdSendData");
    m_fgrdSendData->setFont(FormFont(FormFontCode::F4));
    PlaceControl(*m_fgrdSendData, 600, 4680, 8775, 2415);
    m_fgrdSendData->fitColumnsToWidth();
    m_fgrdSendData->setRepaintInterval(GridRepaintIntervalMs);

    m_cmdEnd = Named(new CommandButton(QStringLiteral("終了"), form), "cmdEnd");
    PlaceControl(*m_cmdEnd, 3960, 7200, 2175, 615);
    m_sbStatusBar = Named(new DateTimeStatusBar(m_forms.clock(), Px(1100), Px(600), form), "sbStatusBar");
    PlaceControl(*m_sbStatusBar, 0, 8205, ClientWidth, 255);

    m_wscRecv = Named(new UdpSocket(this), "wscRecv");
    m_tmrNowDateTime.setObjectName(QStringLiteral("tmrNowDateTime"));
    m_tmrNowDateTime.setInterval(500);

    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->setMenuBar(m_menuBar);
    frame->addWidget(m_client);
    frame->setSizeConstraint(QLayout::SetFixedSize);

    adjustSize();
    arrangeTabOrder();
    m_cmdEnd->setFocus();
}

void frmMain::arrangeTabOrder()
{
    // Tab places 0..18; labels, the frame and the status bar take no focus.
    const QList<QWidget *> order {m_cmdEnd,     m_cmdRecvData, m_fgrdSendData, m_fgrdRecvData,
                                  m_optNothing, m_optRcvData,  m_optCustom};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}
