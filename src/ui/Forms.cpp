#include "Forms.h"

#include "frmMain.h"
#include "frmUdpRcvComSetting.h"

#include <QCoreApplication>

Forms::Forms(const Services &services, std::function<void()> leaveEventLoop)
    : m_services(services), m_leaveEventLoop(std::move(leaveEventLoop))
{
    if (!m_leaveEventLoop)
        m_leaveEventLoop = [] { QCoreApplication::exit(0); };
}

Forms::~Forms()
{
    m_comSetting.reset();
    for (const QPointer<frmUdpRcvComSetting> &released : m_released)
        delete released.data();
    m_main.reset();
}

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
        m_comSetting =
            std::make_unique<frmUdpRcvComSetting>(m_services, [this] { return m_main && m_main->isVisible(); });
        frmUdpRcvComSetting *dialog = m_comSetting.get();
        QObject::connect(dialog, &frmUdpRcvComSetting::closedToMainWindow, dialog, [this] {
            ReleaseComSettingForm();
            ShowMainForm();
        });
        QObject::connect(dialog, &frmUdpRcvComSetting::dismissed, dialog, [this] { ReleaseComSettingForm(); });
        dialog->Form_Load();
    }
    return *m_comSetting;
}

void Forms::ReleaseComSettingForm()
{
    if (!m_comSetting)
        return;
    // The dialog may be running the handler that releases it: delete it
    // once control is back in the event loop.
    frmUdpRcvComSetting *dialog = m_comSetting.release();
    dialog->hide();
    dialog->deleteLater();
    std::erase_if(m_released, [](const QPointer<frmUdpRcvComSetting> &p) { return p.isNull(); });
    m_released.emplace_back(dialog);
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
