#include "Environment.h"

#include "core/NativeFolder.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "logging/ErrorGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
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

QString InstanceLockFile(const Runtime &runtime)
{
    return AddBackslash(runtime.appDefine.LogPath) +
           QString::fromLatin1(ToolKindTable[static_cast<size_t>(runtime.ToolKind())].toolId) + QStringLiteral(".lock");
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
    // A folder that another process made in the meantime counts as made.
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST)
        throw RuntimeError::systemCall(QStringLiteral("フォルダを作成できません（%1）").arg(path), errno);
}

bool ClearFolder(const QString &path, uint8_t keepFolder)
{
    // The folder itself is opened without following a link, and every entry
    // is looked at and deleted relative to that handle: a link in its place,
    // or swapped in while we work, never leads the deletion anywhere else.
    const QByteArray native = QFile::encodeName(path);
    const int dirFd = OpenFolderNoFollow(native.constData());
    if (dirFd < 0)
        return false;
    DIR *dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode))
            continue; // subfolders are not touched
        if (::unlinkat(dirFd, name, 0) != 0)
            ok = false;
    }
    ::closedir(dir); // closes dirFd
    if (keepFolder == 0 && ::rmdir(native.constData()) != 0)
        ok = false;
    return ok;
}

bool InitEnvironment(Runtime &runtime, ErrorGuard &guard, int16_t kind, QString *whyNot)
{
    const auto fail = [whyNot](const QString &reason) {
        if (whyNot != nullptr)
            *whyNot = reason;
        return false;
    };
    try {
        runtime.appDefine.ToolKind = kind;
        if (!SetDefine(runtime, guard))
            return fail(QStringLiteral("フォルダのパスを設定できません（%1）").arg(runtime.programFolder));
        const AppDefine &define = runtime.appDefine;
        MakeFolder(define.LogPath);
        try {
            InitLogging(runtime.logging, define.LogPath);
        } catch (const RuntimeError &) {
            return fail(QStringLiteral("ホスト名を取得できません"));
        }
        MakeFolder(define.ConfigPath);
        MakeFolder(define.TempPath);
        (void)ClearFolder(define.TempPath, 1);
        return true;
    } catch (const RuntimeError &error) {
        return fail(error.description());
    } catch (...) {
        return fail(QStringLiteral("予期しないエラーが発生しました。"));
    }
}

FormPosition CenterForm(double screenWidth, double screenHeight, double formWidth, double formHeight)
{
    FormPosition position;
    position.left = static_cast<int>(numeric::RoundHalfEven(screenWidth - formWidth)) / 2;
    position.top = static_cast<int>(numeric::RoundHalfEven(screenHeight - formHeight)) / 2;
    return position;
}
