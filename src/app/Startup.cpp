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
void reportStartupFailure(MessageBoxService &boxes, const QString &headline, const QString &reason)
{
    printToStandardError(reason.isEmpty() ? headline : headline + QStringLiteral("：") + reason);
    boxes.msgBox(reason.isEmpty() ? asSentence(headline)
                                  : asSentence(headline) + QStringLiteral("\r\n") + asSentence(reason),
                 MsgBoxStyle::Critical);
}

// The per-user data folder is made before the initialisation fills it.
Result<> prepareDataFolder(const Runtime &runtime)
{
    printToStandardError(describeDataHome({runtime.programFolder, runtime.perUserFolder, runtime.defaultSettingFile}));
    if (runtime.perUserFolder)
        return makeDataHome(runtime.programFolder);
    return {};
}

// A new user of an installed program starts with the installed settings.
void installSettingsForNewUser(const Runtime &runtime)
{
    if (runtime.perUserFolder && installDefaultSettings(runtime.defaultSettingFile, runtime.SettingFile()))
        printToStandardError(QStringLiteral("settings copied from %1").arg(runtime.defaultSettingFile));
}

// After the initialisation, which made the Log folder that holds the lock:
// the single-instance guard, the settings, the start-up rotation and the
// port check, then the front end comes up.
Result<StartupOutcome> bringUpFrontEnd(const Services &services, StartupFrontEnd &frontEnd, SingleInstance &instance)
{
    Runtime &runtime = services.runtime;
    const QString lockFile = instanceLockFile(runtime);
    if (instance.PrevInstance(lockFile)) {
        services.log.WriteLog(runtime.ToolKind(), QStringLiteral("二重起動の為、起動を中止しました。"));
        return StartupOutcome::SecondInstance;
    }
    if (instance.lockError() != 0)
        printToStandardError(QStringLiteral("cannot lock %1 (%2): another instance in this data folder goes unnoticed.")
                                 .arg(lockFile, QString::fromLocal8Bit(std::strerror(instance.lockError()))));
    frontEnd.ReadSetting(runtime.SettingFile());
    const Result<> rotated = RotateLog(runtime.logFile(), runtime.logging.LogMaxSize, runtime.logging.LogGenerations);
    if (!rotated)
        return rotated.error();

    // The stored port text, read again: a missing or non-numeric one
    // leads to the dialog without a message.
    const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), runtime.SettingFile());
    bool usable = false;
    if (numeric::isNumeric(port)) {
        usable = frontEnd.testBindPort(port);
        if (!usable)
            services.boxes.msgBox(cannotReceiveMessage(), MsgBoxStyle::Critical);
    }
    if (usable)
        frontEnd.showReceiver();
    else
        frontEnd.askForPort();
    return StartupOutcome::WindowShown;
}

// The windows as the front end: the main window, or the port settings dialog.
class WindowFrontEnd final : public StartupFrontEnd {
public:
    explicit WindowFrontEnd(Forms &forms) : m_forms(forms) {}
    void ReadSetting(const QString &file) override { m_forms.mainForm().ReadSetting(file); }
    bool testBindPort(const QString &portText) override { return m_forms.comSettingForm().testBindPort(portText); }
    void showReceiver() override { m_forms.showMainForm(); }
    void askForPort() override { m_forms.comSettingForm().show(); }

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
        Result<> prepared = prepareDataFolder(services.runtime);
        if (prepared)
            prepared = InitEnvironment(services.runtime, services.guard, UdpReceiverKind);
        if (!prepared) {
            // The box tells why; the line is the bare label.
            headline = QStringLiteral("実行環境を準備できません");
            reason = prepared.error().description();
            return RuntimeError::undescribed();
        }
        installSettingsForNewUser(services.runtime);
        const Result<StartupOutcome> broughtUp = bringUpFrontEnd(services, frontEnd, instance);
        if (!broughtUp) {
            reason = broughtUp.error().description();
            return broughtUp.error();
        }
        outcome = *broughtUp;
        return {};
    });
    if (!started)
        reportStartupFailure(services.boxes, headline, reason);
    return outcome;
}

StartupOutcome Main(const Services &services, Forms &forms, SingleInstance &instance)
{
    WindowFrontEnd frontEnd(forms);
    return Main(services, frontEnd, instance);
}
