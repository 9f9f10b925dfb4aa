#include "Startup.h"

#include "Environment.h"
#include "SingleInstance.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "logging/LogRotation.h"
#include "reception/PortChecks.h"
#include "settings/ProfileAccess.h"
#include "ui/Forms.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QFile>

#include <cstdio>
#include <sys/stat.h>

namespace {

bool Exists(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

QString DescribeInitFailure(const Runtime &runtime)
{
    const AppDefine &define = runtime.appDefine;
    QString what;
    if (define.LogPath.isEmpty())
        what = QStringLiteral("フォルダのパスを設定できません (%1)").arg(runtime.programFolder);
    else if (!Exists(define.LogPath))
        what = QStringLiteral("フォルダを作成できません (%1)").arg(define.LogPath);
    else if (runtime.LogFile().isEmpty())
        what = QStringLiteral("ホスト名を取得できません");
    else if (!Exists(define.ConfigPath))
        what = QStringLiteral("フォルダを作成できません (%1)").arg(define.ConfigPath);
    else if (!Exists(define.TempPath))
        what = QStringLiteral("フォルダを作成できません (%1)").arg(define.TempPath);
    else
        what = QStringLiteral("原因不明");
    return QStringLiteral("Tavo_UdpRecv: 実行環境を準備できません: ") + what;
}

StartupOutcome Main(Forms &forms, SingleInstance &instance)
{
    StartupOutcome outcome = StartupOutcome::Failed;
    Runtime &runtime = forms.runtime();
    forms.guard().run(QStringLiteral("(Main)"), [&] {
        if (!InitEnvironment(runtime, forms.guard(), UdpReceiverKind)) {
            std::fprintf(stderr, "%s\n", DescribeInitFailure(runtime).toLocal8Bit().constData());
            throw GuardJump {};
        }
        if (instance.PrevInstance()) {
            forms.log().WriteLog(runtime.ToolKind(), QStringLiteral("二重起動の為、起動を中止しました。"));
            outcome = StartupOutcome::SecondInstance;
            return;
        }
        forms.MainForm().ReadSetting(runtime.SettingFile());
        RotateLog(runtime.LogFile(), runtime.logging.LogMaxSize, runtime.logging.LogGenerations);

        // The stored port text, read again: a missing or non-numeric one
        // leads to the dialog without a message.
        const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), runtime.SettingFile());
        bool usable = false;
        if (numeric::IsNumeric(port)) {
            usable = CheckBindPort(forms.ComSettingForm().wscUdpRcvTest(), port, forms.guard());
            if (!usable)
                forms.boxes().MsgBox(CannotReceiveMessage(), MsgBoxStyle::Critical);
        }
        if (usable)
            forms.ShowMainForm();
        else
            forms.ComSettingForm().show();
        outcome = StartupOutcome::WindowShown;
    });
    return outcome;
}
