#include "Startup.h"

#include "SingleInstance.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "core/Result.h"
#include "core/StandardError.h"
#include "logging/ErrorGuard.h"
#include "logging/LogRotation.h"
#include "logging/LogWriter.h"
#include "reception/PortChecks.h"
#include "runtime/DataHome.h"
#include "runtime/Environment.h"
#include "runtime/Paths.h"
#include "runtime/Services.h"
#include "settings/ProfileAccess.h"
#include "ui/Forms.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <cstring>

namespace {

// A box's text ends as a sentence does, with "。".
QString asSentence(const QString &text)
{
    return text.endsWith(u'。') ? text : text + u'。';
}

// Start-up that ends without a window says why on standard error and, for
// a user who started it from a menu, in a critical box.
void ReportStartupFailure(MessageBoxService &boxes, const QString &headline, const QString &reason)
{
    PrintToStandardError(reason.isEmpty() ? headline : headline + QStringLiteral("：") + reason);
    boxes.MsgBox(reason.isEmpty() ? asSentence(headline)
                                  : asSentence(headline) + QStringLiteral("\r\n") + asSentence(reason),
                 MsgBoxStyle::Critical);
}

// The per-user data folder is made before the initialisation fills it.
Result<> PrepareDataFolder(const Runtime &runtime)
{
    PrintToStandardError(DescribeDataHome({runtime.programFolder, runtime.perUserFolder, runtime.defaultSettingFile}));
    if (runtime.perUserFolder)
        return MakeDataHome(runtime.programFolder);
    return {};
}

// A new user of an installed program starts with the installed settings.
void InstallSettingsForNewUser(const Runtime &runtime)
{
    if (runtime.perUserFolder && InstallDefaultSettings(runtime.defaultSettingFile, runtime.SettingFile()))
        PrintToStandardError(QStringLiteral("settings copied from %1").arg(runtime.defaultSettingFile));
}

// After the initialisation, which made the Log folder that holds the lock:
// the single-instance guard, the settings, the start-up rotation and the
// port check, then the front end comes up.
Result<StartupOutcome> BringUpFrontEnd(const Services &services, StartupFrontEnd &frontEnd, SingleInstance &instance)
{
    Runtime &runtime = services.runtime;
    const QString lockFile = InstanceLockFile(runtime);
    if (instance.PrevInstance(lockFile)) {
        services.log.WriteLog(runtime.ToolKind(), QStringLiteral("二重起動の為、起動を中止しました。"));
        return StartupOutcome::SecondInstance;
    }
    if (instance.lockError() != 0)
        PrintToStandardError(QStringLiteral("cannot lock %1 (%2): another instance in this data folder goes unnoticed.")
                                 .arg(lockFile, QString::fromLocal8Bit(std::strerror(instance.lockError()))));
    frontEnd.ReadSetting(runtime.SettingFile());
    const Result<> rotated = RotateLog(runtime.LogFile(), runtime.logging.LogMaxSize, runtime.logging.LogGenerations);
    if (!rotated)
        return rotated.error();

    // The stored port text, read again: a missing or non-numeric one
    // leads to the dialog without a message.
    const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), runtime.SettingFile());
    bool usable = false;
    if (numeric::IsNumeric(port)) {
        usable = frontEnd.TestBindPort(port);
        if (!usable)
            services.boxes.MsgBox(CannotReceiveMessage(), MsgBoxStyle::Critical);
    }
    if (usable)
        frontEnd.ShowReceiver();
    else
        frontEnd.AskForPort();
    return StartupOutcome::WindowShown;
}

// The windows as the front end: the main window, or the port settings dialog.
class WindowFrontEnd final : public StartupFrontEnd {
public:
    explicit WindowFrontEnd(Forms &forms) : m_forms(forms) {}
    void ReadSetting(const QString &file) override { m_forms.MainForm().ReadSetting(file); }
    bool TestBindPort(const QString &portText) override { return m_forms.ComSettingForm().testBindPort(portText); }
    void ShowReceiver() override { m_forms.ShowMainForm(); }
    void AskForPort() override { m_forms.ComSettingForm().show(); }

private:
    Forms &m_forms;
};

} // namespace

StartupOutcome Main(const Services &services, StartupFrontEnd &frontEnd, SingleInstance &instance)
{
    StartupOutcome outcome = StartupOutcome::Failed;
    QString headline = QStringLiteral("起動できません");
    QString reason; // why, as a failing step says it; empty for an exception no step expects
    const bool started = services.guard.run(QStringLiteral("(Main)"), [&]() -> Result<> {
        Result<> prepared = PrepareDataFolder(services.runtime);
        if (prepared)
            prepared = InitEnvironment(services.runtime, services.guard, UdpReceiverKind);
        if (!prepared) {
            // The box tells why; the line is the bare label.
            headline = QStringLiteral("実行環境を準備できません");
            reason = prepared.error().description();
            return RuntimeError::undescribed();
        }
        InstallSettingsForNewUser(services.runtime);
        const Result<StartupOutcome> broughtUp = BringUpFrontEnd(services, frontEnd, instance);
        if (!broughtUp) {
            reason = broughtUp.error().description();
            return broughtUp.error();
        }
        outcome = *broughtUp;
        return {};
    });
    if (!started)
        ReportStartupFailure(services.boxes, headline, reason);
    return outcome;
}

StartupOutcome Main(const Services &services, Forms &forms, SingleInstance &instance)
{
    WindowFrontEnd frontEnd(forms);
    return Main(services, frontEnd, instance);
}
