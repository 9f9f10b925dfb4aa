#include "frmUdpRcvComSetting.h"

#include "CommandButton.h"
#include "FormBuilder.h"
#include "FormFonts.h"
#include "FormMetrics.h"
#include "core/MessageBoxService.h"
#include "core/Result.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "reception/PortChecks.h"
#include "reception/UdpSocket.h"
#include "runtime/Runtime.h"
#include "settings/ProfileAccess.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

// The port box takes at most this many typed characters.
constexpr int PortBoxLength = 5;

} // namespace

frmUdpRcvComSetting::frmUdpRcvComSetting(const Services &services, std::function<bool()> mainWindowShown,
                                         QWidget *parent)
    : QDialog(parent), m_services(services), m_mainWindowShown(std::move(mainWindowShown))
{
    createControls();
    connectHandlers();
}

frmUdpRcvComSetting::~frmUdpRcvComSetting() = default;

void frmUdpRcvComSetting::createControls()
{
    const FormDefinition &definition = comSettingFormDefinition();
    setObjectName(QString::fromLatin1(definition.name));
    setWindowTitle(definition.titleText());
    setWindowFlags(fixedFrameFlags());
    setFont(formFont(FormFontCode::FormDefault));
    setSizeGripEnabled(false);
    setFixedSize(pixelSize(definition.client));

    const FormControls controls = buildControls(definition, *this);
    m_lblRcvPort = controls.get<QLabel>("lblRcvPort");
    m_lblColon = controls.get<QLabel>("lblColon");
    m_txtRcvPort = controls.get<QLineEdit>("txtRcvPort");
    m_txtRcvPort->setMaxLength(PortBoxLength);
    m_lblRcvPort->setBuddy(m_txtRcvPort); // the box reads as 受信ポート
    m_cmdApply = controls.get<CommandButton>("cmdApply");
    m_cmdCancel = controls.get<CommandButton>("cmdCancel");
    m_wscUdpRcvTest = new UdpSocket(this);
    m_wscUdpRcvTest->setObjectName(QStringLiteral("wscUdpRcvTest"));

    arrangeTabOrder(definition, controls);
}

void frmUdpRcvComSetting::connectHandlers()
{
    connect(m_cmdApply, &QPushButton::clicked, this, &frmUdpRcvComSetting::cmdApply_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmUdpRcvComSetting::cmdCancel_Click);
    // A longer stored text may only shrink back to the limit by typing.
    connect(m_txtRcvPort, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_txtRcvPort->setMaxLength(std::max(PortBoxLength, static_cast<int>(text.size())));
    });
}

QString frmUdpRcvComSetting::storedPort() const
{
    return GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), m_services.runtime.SettingFile());
}

void frmUdpRcvComSetting::selectPortText()
{
    m_txtRcvPort->setSelection(0, static_cast<int>(m_txtRcvPort->text().size()));
    m_txtRcvPort->setFocus();
}

void frmUdpRcvComSetting::closeDialog()
{
    m_closing = true;
    Q_EMIT closedToMainWindow();
}

bool frmUdpRcvComSetting::testBindPort(const QString &portText)
{
    return CheckBindPort(*m_wscUdpRcvTest, portText, m_services.guard);
}

void frmUdpRcvComSetting::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    exec();
}

void frmUdpRcvComSetting::Form_Load()
{
    m_services.guard.run(QStringLiteral("(Form_Load)"), [&] {
        // The stored text is shown whole; the limit holds for typing only.
        const QString port = storedPort();
        m_txtRcvPort->setMaxLength(std::max(PortBoxLength, static_cast<int>(port.size())));
        m_txtRcvPort->setText(port);
        centerWindow(*this);
    });
}

void frmUdpRcvComSetting::cmdApply_Click()
{
    m_services.guard.run(QStringLiteral("(cmdApply_Click)"), [&]() -> Result<> {
        const QString portText = m_txtRcvPort->text();
        if (!CheckPortNo(portText, m_services.guard)) {
            m_services.boxes.msgBox(QStringLiteral("受信ポート番号が不正です。"), MsgBoxStyle::OkOnly);
            selectPortText();
            return {};
        }
        const QString newPort = portText.trimmed();
        if (newPort == storedPort()) {
            closeDialog();
            return {};
        }
        if (!CheckBindPort(*m_wscUdpRcvTest, portText, m_services.guard)) {
            m_services.boxes.msgBox(cannotReceiveMessage(), MsgBoxStyle::Critical);
            selectPortText();
            return {};
        }
        const QString &file = m_services.runtime.SettingFile();
        if (!PutIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), file, newPort)) {
            m_services.boxes.msgBox(
                QStringLiteral("受信ポート設定を保存できませんでした。\r\n設定ファイルを確認してください。"),
                MsgBoxStyle::Critical);
            selectPortText();
            return RuntimeError(QStringLiteral("設定ファイルに書き込めません（%1）").arg(file));
        }
        m_services.boxes.msgBox(restartNeededMessage(), MsgBoxStyle::Information);
        closeDialog();
        return {};
    });
}

void frmUdpRcvComSetting::cmdCancel_Click()
{
    m_services.guard.run(QStringLiteral("(cmdCancel_Click)"), [&] {
        if (CheckPortNo(storedPort(), m_services.guard)) {
            closeDialog();
            return;
        }
        m_services.boxes.msgBox(QStringLiteral("正常な受信ポート番号を設定してください。"), MsgBoxStyle::OkOnly);
        selectPortText();
    });
}

void frmUdpRcvComSetting::closeEvent(QCloseEvent *event)
{
    // From the menu the main window is up: the frame just closes the
    // dialog. At start-up it is the only window: the frame acts as Cancel,
    // which either leads on to the main window or keeps the dialog open.
    if (m_closing) { // a button has closed it
        event->accept();
        return;
    }
    if (m_mainWindowShown()) {
        event->accept();
        Q_EMIT dismissed();
        return;
    }
    cmdCancel_Click();
    event->setAccepted(m_closing);
}

void frmUdpRcvComSetting::keyPressEvent(QKeyEvent *event)
{
    // No default or cancel button: Enter and Esc do nothing here.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
