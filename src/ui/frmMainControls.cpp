// The creation of the main window's controls from its definition.
#include "CommandButton.h"
#include "FormAccessibility.h"
#include "FormBuilder.h"
#include "FormFonts.h"
#include "FormMetrics.h"
#include "HexGridView.h"
#include "LampWidget.h"
#include "StatusBarPanels.h"
#include "frmMain.h"
#include "reception/UdpSocket.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

namespace {

// The status bar's date and time panels.
constexpr int DatePanelTwips = 1100;
constexpr int TimePanelTwips = 600;
// Under a flood the grids repaint about ten times a second; after a quiet
// spell at once.
constexpr int GridRepaintIntervalMs = 100;

template <typename Control> Control *named(Control *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace

void frmMain::createMenu()
{
    m_menuBar = named(new QMenuBar(this), "menuBar");
    m_admin = named(m_menuBar->addMenu(QStringLiteral("設定")), "Admin");
    m_comSetting = named(m_admin->addAction(QStringLiteral("通信")), "ComSetting");
    m_editResponseRules = named(m_admin->addAction(QStringLiteral("応答ルールの編集")), "editResponseRules");
    m_reloadResponseRules = named(m_admin->addAction(QStringLiteral("応答ルールの再読込")), "reloadResponseRules");
}

void frmMain::createControls()
{
    const FormDefinition &definition = mainFormDefinition();
    installFormAccessibility();
    setObjectName(QString::fromLatin1(definition.name));
    setWindowTitle(definition.titleText());
    setWindowFlags(fixedFrameFlags());
    setFont(formFont(FormFontCode::FormDefault));
    createMenu();

    m_client = named(new QWidget, "clientArea");
    m_client->setFixedSize(pixelSize(definition.client));
    // The client area scrolls only where the screen is too small for it.
    m_clientScroll = named(new QScrollArea(this), "clientScroll");
    m_clientScroll->setFrameShape(QFrame::NoFrame);
    m_clientScroll->setFocusPolicy(Qt::NoFocus);
    m_clientScroll->setWidget(m_client);

    const FormControls controls =
        buildControls(definition, *m_client, [this](const ControlDefinition &control, QWidget *parent) -> QWidget * {
            if (control.kind == ControlKind::StatusBar) {
                auto *bar = new QStatusBar(parent);
                m_statusPanels = new StatusBarPanels(m_services.clock, px(DatePanelTwips), px(TimePanelTwips), *bar);
                return bar;
            }
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
    m_sbStatusBar = controls.get<QStatusBar>("sbStatusBar");
    m_nowForRecvTime.setLabel(m_lblNowDateTimeForRecvData);
    m_nowForSendTime.setLabel(m_lblNowDateTimeForSendData);
    m_lastRecvTime.setLabel(m_lblLastRecvDateTimeData);
    m_lastSentTime.setLabel(m_lblLastSentDateTimeData);

    colorHeadings();
    // Assistive technology reads each grid by the heading beside it, the
    // lamps by what they stand for.
    for (auto [heading, grid] : {std::pair(m_lblRcvData, m_fgrdRecvData), std::pair(m_lblSendData, m_fgrdSendData)}) {
        heading->setBuddy(grid);
        grid->setAccessibleName(heading->text());
    }
    m_shpRecvLed->setAccessibleName(QStringLiteral("受信ランプ"));
    m_shpSendLed->setAccessibleName(QStringLiteral("送信ランプ"));
    m_sbStatusBar->setAccessibleName(QStringLiteral("ステータスバー"));
    for (HexGridView *grid : {m_fgrdRecvData, m_fgrdSendData}) {
        grid->fitColumnsToWidth();
        grid->setRepaintInterval(GridRepaintIntervalMs);
    }

    m_optCustom->setEnabled(false); // until a response rule is read
    m_responseGroup = named(new QButtonGroup(m_fraResSetting), "responseGroup");
    m_responseGroup->setExclusive(true);
    for (QRadioButton *option : {m_optNothing, m_optRcvData, m_optCustom})
        m_responseGroup->addButton(option);

    m_wscRecv = named(new UdpSocket(this), "wscRecv");
    m_tmrNowDateTime.setObjectName(QStringLiteral("tmrNowDateTime"));
    m_tmrNowDateTime.setInterval(500);

    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->setMenuBar(m_menuBar);
    frame->addWidget(m_clientScroll);

    const int clientWidth = m_client->width();
    const int menuHeight = m_menuBar->heightForWidth(clientWidth);
    m_fullSize =
        QSize(clientWidth, (menuHeight > 0 ? menuHeight : m_menuBar->sizeHint().height()) + m_client->height());
    setFixedSize(m_fullSize);
    arrangeTabOrder(definition, controls);
}

void frmMain::colorHeadings()
{
    // The section headings are black, but never black on a dark window.
    for (QLabel *heading : {m_lblRcvData, m_lblSendData}) {
        QPalette colors = heading->palette();
        colors.setColor(QPalette::WindowText, legibleOn(Qt::black, colors.color(QPalette::Window)));
        heading->setPalette(colors);
    }
}

void frmMain::fitInto(const QRect &area)
{
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    const QSize room = area.size().shrunkBy(frame);
    setFixedSize(area.isEmpty() ? m_fullSize : m_fullSize.boundedTo(room));
}
