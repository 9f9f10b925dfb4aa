#include "Startup.h"

#include "SingleInstance.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "logging/ErrorGuard.h"
#include "logging/LogRotation.h"
#include "logging/LogWriter.h"
#include "runtime/Environment.h"
#include "runtime/Services.h"
#include "reception/PortChecks.h"
#include "settings/ProfileAccess.h"
#include "ui/Forms.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <cstdio>

namespace {

// Start-up that ends without a window says why on standard error and, for
// a user who started it from a menu, in a critical box.
void ReportStartupFailure(MessageBoxService &boxes, const QString &headline, const QString &reason)
{
    const QString text = reason.isEmpty() ? headline : headline + QStringLiteral(": ") + reason;
    std::fprintf(stderr, "Tavo_UdpRecv: %s\n", text.toLocal8Bit().constData());
    boxes.MsgBox(reason.isEmpty() ? headline : headline + QStringLiteral("。\r\n") + reason, MsgBoxStyle::Critical);
}

// After the initialisation: the single-instance guard, the settings, the
// start-up rotation and the port check, then exactly one window.
StartupOutcome ShowFirstWindow(const Services &services, Forms &forms, SingleInstance &instance)
{
    Runtime &runtime = services.runtime;
    if (instance.PrevInstance()) {
        services.log.WriteLog(runtime.ToolKind(), QStringLiteral("二重起動の為、起動を中止しました。"));
        return StartupOutcome::SecondInstance;
    }
    forms.MainForm().ReadSetting(runtime.SettingFile());
    RotateLog(runtime.LogFile(), runtime.logging.LogMaxSize, runtime.logging.LogGenerations);

    // The stored port text, read again: a missing or non-numeric one
    // leads to the dialog without a message.
    const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), runtime.SettingFile());
    bool usable = false;
    if (numeric::IsNumeric(port)) {
        usable = forms.ComSettingForm().testBindPort(port);
        if (!usable)
            services.boxes.MsgBox(CannotReceiveMessage(), MsgBoxStyle::Critical);
    }
    if (usable)
        forms.ShowMainForm();
    else
        forms.ComSettingForm().show();
    return StartupOutcome::WindowShown;
}

} // namespace

StartupOutcome Main(const Services &services, Forms &forms, SingleInstance &instance)
{
    StartupOutcome outcome = StartupOutcome::Failed;
    QString headline = QStringLiteral("起動できません");
    QString reason;
    ErrorGuard::Steps steps;
    steps.afterLog = [&] { ReportStartupFailure(services.boxes, headline, reason); };
    services.guard.run(
        QStringLiteral("(Main)"),
        [&] {
            if (!InitEnvironment(services.runtime, services.guard, UdpReceiverKind, &reason)) {
                headline = QStringLiteral("実行環境を準備できません");
                throw GuardJump {};
            }
            try {
                outcome = ShowFirstWindow(services, forms, instance);
            } catch (const RuntimeError &error) {
                reason = error.description();
                throw;
            }
        },
        steps);
    return outcome;
}
