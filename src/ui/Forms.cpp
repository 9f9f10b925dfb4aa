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

frmMain &Forms::mainForm()
{
    if (!m_main) {
        m_main = std::make_unique<frmMain>(m_services);
        QObject::connect(m_main.get(), &frmMain::comSettingRequested, m_main.get(),
                         [this] { comSettingForm().showModal(); });
        QObject::connect(m_main.get(), &frmMain::endRequested, m_main.get(), [this] { endProgram(); });
    }
    return *m_main;
}

void Forms::showMainForm()
{
    frmMain &main = mainForm();
    main.show();
    main.raise();
    main.activateWindow();
}

frmUdpRcvComSetting &Forms::comSettingForm()
{
    if (!m_comSetting) {
        auto *dialog = new frmUdpRcvComSetting(
            m_services, [this] { return m_main->isVisible(); }, &mainForm());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        m_comSetting = dialog;
        QObject::connect(dialog, &frmUdpRcvComSetting::closedToMainWindow, dialog, [this] {
            releaseComSettingForm();
            showMainForm();
        });
        QObject::connect(dialog, &frmUdpRcvComSetting::dismissed, dialog, [this] { releaseComSettingForm(); });
        dialog->Form_Load();
    }
    return *m_comSetting;
}

frmUdpRcvComSetting *Forms::existingComSettingForm() const
{
    return m_comSetting.data();
}

void Forms::releaseComSettingForm()
{
    // The dialog may be running the handler that releases it: closed, it
    // is deleted once control is back in the event loop.
    if (frmUdpRcvComSetting *dialog = std::exchange(m_comSetting, nullptr))
        dialog->close();
}

void Forms::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_comSetting)
        m_comSetting->hide();
    if (m_main)
        m_main->unload();
    m_leaveEventLoop();
}
