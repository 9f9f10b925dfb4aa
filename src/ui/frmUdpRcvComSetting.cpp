#include "frmUdpRcvComSetting.h"

#include "CommandButton.h"
#include "FormFonts.h"
#include "FormMetrics.h"
#include "Forms.h"
#include "runtime/Environment.h"
#include "core/MessageBoxService.h"
#include "frmMain.h"
#include "reception/PortChecks.h"
#include "reception/UdpSocket.h"
#include "settings/ProfileAccess.h"
#include "core/RuntimeError.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

// The port box takes at most this many typed characters.
constexpr int PortBoxLength = 5;

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, int left, int width)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(FormFont(FormFontCode::F2));
    PlaceControl(*label, left, 840, width, 375);
    return label;
}

} // namespace

QString CannotReceiveMessage()
{
    return QStringLiteral("本PC上で、現在のポート設定ではデータを受信できません。\r\n受信ポートを確認してください。");
}

frmUdpRcvComSetting::frmUdpRcvComSetting(Forms &forms) : m_forms(forms)
{
    createControls();
    connectHandlers();
}

frmUdpRcvComSetting::~frmUdpRcvComSetting() = default;

void frmUdpRcvComSetting::createControls()
{
    setObjectName(QStringLiteral("frmUdpRcvComSetting"));
    setWindowTitle(QStringLiteral("通信設定"));
    setWindowFlags(FixedFrameFlags());
    setFont(FormFont(FormFontCode::FormDefault));
    setSizeGripEnabled(false);
    setFixedSize(Px(4560), Px(2835));

    m_lblRcvPort = MakeLabel(this, "lblRcvPort", QStringLiteral("受信ポート"), 240, 1455);
    m_lblColon = MakeLabel(this, "lblColon", QStringLiteral("："), 2040, 255);
    m_txtRcvPort = new QLineEdit(this);
    m_txtRcvPort->setObjectName(QStringLiteral("txtRcvPort"));
    m_txtRcvPort->setFont(FormFont(FormFontCode::F1));
    m_txtRcvPort->setMaxLength(PortBoxLength);
    PlaceControl(*m_txtRcvPort, 2280, 720, 1335, 420);
    m_cmdApply = new CommandButton(QStringLiteral("設定"), this);
    m_cmdApply->setObjectName(QStringLiteral("cmdApply"));
    PlaceControl(*m_cmdApply, 840, 2040, 1215, 495);
    m_cmdCancel = new CommandButton(QStringLiteral("キャンセル"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    PlaceControl(*m_cmdCancel, 2640, 2040, 1215, 495);
    m_wscUdpRcvTest = new UdpSocket(this);
    m_wscUdpRcvTest->setObjectName(QStringLiteral("wscUdpRcvTest"));

    // Tab places: cmdApply 0, cmdCancel 1, txtRcvPort 2 (the labels take no focus).
    QWidget::setTabOrder(m_cmdApply, m_cmdCancel);
    QWidget::setTabOrder(m_cmdCancel, m_txtRcvPort);
    m_cmdApply->setFocus();
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
    return GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), m_forms.runtime().SettingFile());
}

void frmUdpRcvComSetting::selectPortText()
{
    m_txtRcvPort->setSelection(0, static_cast<int>(m_txtRcvPort->text().size()));
    m_txtRcvPort->setFocus();
}

void frmUdpRcvComSetting::closeDialog()
{
    m_forms.ReleaseComSettingForm();
    m_forms.ShowMainForm();
}

void frmUdpRcvComSetting::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    exec();
}

void frmUdpRcvComSetting::Form_Load()
{
    m_forms.guard().run(QStringLiteral("(Form_Load)"), [&] {
        // The stored text is shown whole; the limit holds for typing only.
        const QString port = storedPort();
        m_txtRcvPort->setMaxLength(std::max(PortBoxLength, static_cast<int>(port.size())));
        m_txtRcvPort->setText(port);
        CenterWindow(*this);
    });
}

void frmUdpRcvComSetting::cmdApply_Click()
{
    m_forms.guard().run(QStringLiteral("(cmdApply_Click)"), [&] {
        const QString portText = m_txtRcvPort->text();
        if (!CheckPortNo(portText, m_forms.guard())) {
            m_forms.boxes().MsgBox(QStringLiteral("受信ポート番号が不正です。"), MsgBoxStyle::OkOnly);
            selectPortText();
            return;
        }
        const QString newPort = portText.trimmed();
        if (newPort == storedPort()) {
            closeDialog();
            return;
        }
        if (!CheckBindPort(*m_wscUdpRcvTest, portText, m_forms.guard())) {
            m_forms.boxes().MsgBox(CannotReceiveMessage(), MsgBoxStyle::Critical);
            selectPortText();
            return;
        }
        const QString &file = m_forms.runtime().SettingFile();
        if (!PutIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), file, newPort)) {
            m_forms.boxes().MsgBox(
                QStringLiteral("受信ポート設定を保存できませんでした。\r\n設定ファイルを確認してください。"),
                MsgBoxStyle::Critical);
            selectPortText();
            throw RuntimeError(QStringLiteral("設定ファイルに書き込めません (%1)").arg(file));
        }
        m_forms.boxes().MsgBox(
            QStringLiteral("受信ポート設定を変更しました。\r\nアプリケーションを再起動してください。"),
            MsgBoxStyle::Information);
        closeDialog();
    });
}

void frmUdpRcvComSetting::cmdCancel_Click()
{
    m_forms.guard().run(QStringLiteral("(cmdCancel_Click)"), [&] {
        if (CheckPortNo(storedPort(), m_forms.guard())) {
            closeDialog();
            return;
        }
        m_forms.boxes().MsgBox(QStringLiteral("正常な受信ポート番号を設定してください。"), MsgBoxStyle::OkOnly);
        selectPortText();
    });
}

void frmUdpRcvComSetting::closeEvent(QCloseEvent *event)
{
    // From the menu the main window is up: the frame just closes the
    // dialog. At start-up it is the only window: the frame acts as Cancel,
    // which either leads on to the main window or keeps the dialog open.
    const frmMain *main = m_forms.ExistingMainForm();
    if (main != nullptr && main->isVisible()) {
        event->accept();
        m_forms.ReleaseComSettingForm();
        return;
    }
    cmdCancel_Click();
    event->setAccepted(m_forms.ExistingComSettingForm() != this);
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
