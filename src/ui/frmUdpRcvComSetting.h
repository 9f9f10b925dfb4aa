#pragma once

#include "runtime/Services.h"

#include <QDialog>

#include <functional>

class CommandButton;
class QLabel;
class QLineEdit;
class UdpSocket;

// The port settings dialog: the receive port is checked, test-bound and
// saved; it takes effect after a restart. Whoever owns the dialog hears
// through its signals when it closes.
class frmUdpRcvComSetting final : public QDialog {
    Q_OBJECT

public:
    // `mainWindowShown` tells whether the main window is up: the dialog then
    // serves the menu, else start-up. The dialog is a window of its own
    // whatever its parent.
    frmUdpRcvComSetting(const Services &services, std::function<bool()> mainWindowShown, QWidget *parent = nullptr);
    ~frmUdpRcvComSetting() override;

    // Whether the port of the text can be bound on this computer, tried on
    // the dialog's own test socket; a failure is logged.
    bool testBindPort(const QString &portText);

    // Shows the dialog modal and returns when it has closed; a dialog that
    // deletes itself on closing is gone by then.
    void showModal();

    // The dialog's handlers.
    void Form_Load();
    void cmdApply_Click();
    void cmdCancel_Click();

Q_SIGNALS:
    // A button closed the dialog: the main window is to be shown.
    void closedToMainWindow();
    // The frame closed the dialog while the main window is up.
    void dismissed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    QString storedPort() const;
    void selectPortText();
    void closeDialog();

    Services m_services;
    std::function<bool()> m_mainWindowShown;
    bool m_closing = false; // a button has closed it
    QLabel *m_lblRcvPort = nullptr;
    QLabel *m_lblColon = nullptr;
    QLineEdit *m_txtRcvPort = nullptr;
    CommandButton *m_cmdApply = nullptr;
    CommandButton *m_cmdCancel = nullptr;
    UdpSocket *m_wscUdpRcvTest = nullptr;
};
