// The creation of the main window's controls from its definition.
#include "CommandButton.h"
#include "DateTimeStatusBar.h"
#include "FormBuilder.h"
#include "FormFonts.h"
#include "FormMetrics.h"
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

// The status bar's date and time panels.
constexpr int DatePanelTwips = 1100;
constexpr int TimePanelTwips = 600;
// Under a flood the grids repaint about ten times a second; after a quiet
// spell at once.
constexpr int GridRepaintIntervalMs = 100;

template <typename Control> Control *Named(Control *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
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
    const FormDefinition &definition = MainFormDefinition();
    setObjectName(QString::fromLatin1(definition.name));
    setWindowTitle(definition.titleText());
    setWindowFlags(FixedFrameFlags());
    setFont(FormFont(FormFontCode::FormDefault));
    createMenu();

    m_client = Named(new QWidget(this), "clientArea");
    m_client->setFixedSize(PixelSize(definition.client));

    const FormControls controls =
        BuildControls(definition, *m_client, [this](const ControlDefinition &control, QWidget *parent) -> QWidget * {
            if (control.kind == ControlKind::StatusBar)
                return new DateTimeStatusBar(m_services.clock, Px(DatePanelTwips), Px(TimePanelTwips), parent);
            return new HexGridView(std::string_view(control.name) == "fgrdRecvData" ? m_recvGrid : m_sendGrid, parent);
        });
    m_lblNowDateTimeForRecv = controls.get<QLabel>("lblNowDateTimeForRecv");
    m_lblNowDateTimeForRecvData = controls.get<QLabel>("lblNowDateTimeForRecvData");
    m_cmdRecvData = controls.get<CommandButton>("cmdRecvData");
    m_lblRcvData = controls.get<QLabel>("lblRcvData");
    m_shpRecvLed = controls.get<LampWidget>("shpRecvLed");
    m_lblLastRecvDateTime = controls.get<QLabel>("lblLastRecvDateTime");
    m_lblLastRecvDateTimeData = controls.get<QLabel>("lblLastRecvDateTimeData");
    m_fgrdRecvData = controls.get<HexGridView>("fgrdRecvData");
    m_fraResSetting = controls.get<QGroupBox>("fraResSetting");
    m_optNothing = controls.get<QRadioButton>("optNothing");
    m_optRcvData = controls.get<QRadioButton>("optRcvData");
    m_optCustom = controls.get<QRadioButton>("optCustom");
    m_lblNowDateTimeForSend = controls.get<QLabel>("lblNowDateTimeForSend");
    m_lblNowDateTimeForSendData = controls.get<QLabel>("lblNowDateTimeForSendData");
    m_lblSendData = controls.get<QLabel>("lblSendData");
    m_shpSendLed = controls.get<LampWidget>("shpSendLed");
    m_lblLastSentDateTime = controls.get<QLabel>("lblLastSentDateTime");
    m_lblLastSentDateTimeData = controls.get<QLabel>("lblLastSentDateTimeData");
    m_fgrdSendData = controls.get<HexGridView>("fgrdSendData");
    m_cmdEnd = controls.get<CommandButton>("cmdEnd");
    m_sbStatusBar = controls.get<DateTimeStatusBar>("sbStatusBar");
    m_nowForRecvTime.setLabel(m_lblNowDateTimeForRecvData);
    m_nowForSendTime.setLabel(m_lblNowDateTimeForSendData);
    m_lastRecvTime.setLabel(m_lblLastRecvDateTimeData);
    m_lastSentTime.setLabel(m_lblLastSentDateTimeData);

    // The section headings are black whatever the style's text colour.
    for (QLabel *heading : {m_lblRcvData, m_lblSendData}) {
        QPalette colors = heading->palette();
        colors.setColor(QPalette::WindowText, Qt::black);
        heading->setPalette(colors);
    }
    for (HexGridView *grid : {m_fgrdRecvData, m_fgrdSendData}) {
        grid->fitColumnsToWidth();
        grid->setRepaintInterval(GridRepaintIntervalMs);
    }

    m_optCustom->setEnabled(false); // no custom response exists
    m_responseGroup = Named(new QButtonGroup(m_fraResSetting), "responseGroup");
    m_responseGroup->setExclusive(true);
    for (QRadioButton *option : {m_optNothing, m_optRcvData, m_optCustom})
        m_responseGroup->addButton(option);

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
    ArrangeTabOrder(definition, controls);
}
