#pragma once

#include <QDialog>

class CommandButton;
class Forms;
class QLabel;
class QLineEdit;
class UdpSocket;

// The message shown when the receive port cannot be bound on this computer.
QString CannotReceiveMessage();

// The port settings dialog: the receive port is checked, test-bound and
// saved; it takes effect after a restart.
class frmUdpRcvComSetting final : public QDialog {
    Q_OBJECT

public:
    explicit frmUdpRcvComSetting(Forms &forms);
    ~frmUdpRcvComSetting() override;

    UdpSocket &wscUdpRcvTest() { return *m_wscUdpRcvTest; }

    // Shows the dialog modal and returns when it has closed.
    void ShowModal();

    // The dialog's handlers.
    void Form_Load();
    void cmdApply_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    QString storedPort() const;
    void selectPortText();
    void closeDialog();

    Forms &m_forms;
    QLabel *m_lblRcvPort = nullptr;
    QLabel *m_lblColon = nullptr;
    QLineEdit *m_txtRcvPort = nullptr;
    CommandButton *m_cmdApply = nullptr;
    CommandButton *m_cmdCancel = nullptr;
    UdpSocket *m_wscUdpRcvTest = nullptr;
};
