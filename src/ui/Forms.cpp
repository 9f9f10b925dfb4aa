#include "Forms.h"

#include "frmMain.h"
#include "frmUdpRcvComSetting.h"

#include <QCoreApplication>

#include <utility>

Forms::Forms(const Services &services, std::function<void()> leaveEventLoop)
    : m_services(services), m_leaveEventLoop(std::move(leaveEventLoop))
{
    if (!m_leaveEventLoop)
        m_leaveEventLoop = [] { QCoreApplication::exit(0); };
}

Forms::~Forms() = default;

frmMain &Forms::MainForm()
{
    if (!m_main) {
        m_main = std::make_unique<frmMain>(m_services);
        QObject::connect(m_main.get(), &frmMain::comSettingRequested, m_main.get(),
                         [this] { ComSettingForm().ShowModal(); });
        QObject::connect(m_main.get(), &frmMain::endRequested, m_main.get(), [this] { EndProgram(); });
    }
    return *m_main;
}

void Forms::ShowMainForm()
{
    frmMain &main = MainForm();
    main.show();
    main.raise();
    main.activateWindow();
}

frmUdpRcvComSetting &Forms::ComSettingForm()
{
    if (!m_comSetting) {
        auto *dialog = new frmUdpRcvComSetting(
            m_services, [this] { return m_main->isVisible(); }, &MainForm());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_comSetting = dialog;
        QObject::connect(dialog, &frmUdpRcvComSetting::closedToMainWindow, dialog, [this] {
            ReleaseComSettingForm();
            ShowMainForm();
        });
        QObject::connect(dialog, &frmUdpRcvComSetting::dismissed, dialog, [this] { ReleaseComSettingForm(); });
        dialog->Form_Load();
    }
    return *m_comSetting;
}

frmUdpRcvComSetting *Forms::ExistingComSettingForm() const
{
    return m_comSetting.data();
}

void Forms::ReleaseComSettingForm()
{
    // The dialog may be running the handler that releases it: closed, it
    // is deleted once control is back in the event loop.
    if (frmUdpRcvComSetting *dialog = std::exchange(m_comSetting, nullptr))
        dialog->close();
}

void Forms::EndProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_comSetting)
        m_comSetting->hide();
    if (m_main)
        m_main->Unload();
    m_leaveEventLoop();
}
