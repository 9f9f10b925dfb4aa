#include "Environment.h"

#include "Folders.h"
#include "HostName.h"
#include "Paths.h"
#include "ToolKinds.h"
#include "logging/ErrorGuard.h"

bool SetDefine(Runtime &runtime, ErrorGuard &guard)
{
    bool result = false;
    guard.run(QStringLiteral("(SetDefine)"), [&] {
        AppDefine &define = runtime.appDefine;
        const QString base = AddBackslash(runtime.programFolder);
        define.ConfigPath = base + QStringLiteral("Config");
        define.TempPath = base + QStringLiteral("Temp");
        define.LogPath = base + QStringLiteral("Log");
        for (size_t i = 0; i <= 5; ++i)
            define.SettingFiles[i] =
                AddBackslash(define.ConfigPath) + QString::fromLatin1(ToolKindTable[i].settingFileName);
        result = true;
    });
    return result;
}

Result<> InitLogging(LoggingGlobals &logging, const QString &logPath)
{
    const Result<QString> hostName = readHostName();
    if (!hostName)
        return hostName.error();
    logging.HostName = *hostName;
    for (size_t i = 0; i < ToolKindTable.size(); ++i) {
        logging.ToolIds[i] = QString::fromLatin1(ToolKindTable[i].toolId);
        logging.LogFiles[i] = AddBackslash(logPath) + QString::fromLatin1(ToolKindTable[i].logFileName);
    }
    return {};
}

namespace {

Result<> initialise(Runtime &runtime, ErrorGuard &guard, int16_t kind)
{
    runtime.appDefine.ToolKind = kind;
    if (!SetDefine(runtime, guard))
        return RuntimeError(QStringLiteral("フォルダのパスを設定できません（%1）").arg(runtime.programFolder));
    const AppDefine &define = runtime.appDefine;
    if (Result<> made = MakeFolder(define.LogPath); !made)
        return made;
    if (!InitLogging(runtime.logging, define.LogPath))
        return RuntimeError(QStringLiteral("ホスト名を取得できません"));
    if (Result<> made = MakeFolder(define.ConfigPath); !made)
        return made;
    if (Result<> made = MakeFolder(define.TempPath); !made)
        return made;
    (void)ClearFolder(define.TempPath, 1);
    return {};
}

} // namespace

Result<> InitEnvironment(Runtime &runtime, ErrorGuard &guard, int16_t kind) noexcept
{
    // Only what no step expects (memory) can still be thrown; it fails the
    // initialisation like any other cause.
    try {
        return initialise(runtime, guard, kind);
    } catch (...) {
        return RuntimeError::unexpected();
    }
}
