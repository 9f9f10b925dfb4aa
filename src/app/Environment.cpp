#include "Environment.h"

#include "core/RuntimeError.h"
#include "logging/ErrorGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

const std::array<ToolKindRow, ToolKindCount> ToolKindTable = {{
    {"Tavo_TcpSnd", "Tavo_TcpSndLog.txt", "Tavo_TcpSendSetting.ini"},
    {"Tavo_TcpRcv", "Tavo_TcpRcvLog.txt", "Tavo_TcpRecvSetting.ini"},
    {"Tavo_UdpSnd", "Tavo_UdpSndLog.txt", "Tavo_UdpSendSetting.ini"},
    {"Tavo_UdpRcv", "Tavo_UdpRcvLog.txt", "Tavo_UdpRecvSetting.ini"},
    {"Tavo_SerialSnd", "Tavo_SerialSndLog.txt", "Tavo_SerialSendSetting.ini"},
    {"Tavo_SerialRcv", "Tavo_SerialRcvLog.txt", "Tavo_SerialRecvSetting.ini"},
    {"Tavo_TcpTextSnd", "Tavo_TcpTextSndLog.txt", ""},
    {"Tavo_TcpTextRcv", "Tavo_TcpTextRcvLog.txt", ""},
    {"Tavo_UdpTextSnd", "Tavo_UdpTextSndLog.txt", ""},
    {"Tavo_UdpTextRcv", "Tavo_UdpTextRcvLog.txt", ""},
}};

QString AddBackslash(const QString &path)
{
    const QChar separator = QDir::separator();
    if (path.endsWith(separator))
        return path;
    return path + separator;
}

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

QString ReadHostName()
{
    char buffer[256];
    std::memset(buffer, ' ', sizeof buffer);
    (void)::gethostname(buffer, sizeof buffer);
    const void *nul = std::memchr(buffer, '\0', sizeof buffer);
    if (nul == nullptr)
        throw RuntimeError::invalidArgument();
    return QString::fromLocal8Bit(buffer, static_cast<const char *>(nul) - buffer);
}

void InitLogging(LoggingGlobals &logging, const QString &logPath)
{
    logging.HostName = ReadHostName();
    for (size_t i = 0; i < ToolKindTable.size(); ++i) {
        logging.ToolIds[i] = QString::fromLatin1(ToolKindTable[i].toolId);
        logging.LogFiles[i] = AddBackslash(logPath) + QString::fromLatin1(ToolKindTable[i].logFileName);
    }
}

void MakeFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0)
        return; // a file or folder of that name exists
    if (::mkdir(native.constData(), 0777) != 0)
        throw RuntimeError::systemCall(QStringLiteral("フォルダを作成できません (%1)").arg(path), errno);
}

bool ClearFolder(const QString &path, uint8_t keepFolder)
{
    const QByteArray native = QFile::encodeName(path);
    DIR *dir = ::opendir(native.constData());
    if (dir == nullptr)
        return false;
    bool ok = true;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray full = native + '/' + name;
        struct stat st {};
        if (::lstat(full.constData(), &st) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode))
            continue; // subfolders are not touched
        if (::unlink(full.constData()) != 0)
            ok = false;
    }
    ::closedir(dir);
    if (keepFolder == 0 && ::rmdir(native.constData()) != 0)
        ok = false;
    return ok;
}

bool InitEnvironment(Runtime &runtime, ErrorGuard &guard, int16_t kind)
{
    try {
        runtime.appDefine.ToolKind = kind;
        if (!SetDefine(runtime, guard))
            return false;
        const AppDefine &define = runtime.appDefine;
        MakeFolder(define.LogPath);
        InitLogging(runtime.logging, define.LogPath);
        MakeFolder(define.ConfigPath);
        MakeFolder(define.TempPath);
        (void)ClearFolder(define.TempPath, 1);
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode sends halves to even
}

} // namespace

FormPosition CenterForm(double screenWidth, double screenHeight, double formWidth, double formHeight)
{
    FormPosition position;
    position.left = static_cast<int>(roundHalfEven(screenWidth - formWidth)) / 2;
    position.top = static_cast<int>(roundHalfEven(screenHeight - formHeight)) / 2;
    return position;
}
