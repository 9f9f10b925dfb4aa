#include "DataHome.h"

#include "Environment.h"
#include "core/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString AppFolderName = QStringLiteral("Tavo_UdpRecv");

// Where the system keeps programs; a program there never writes beside itself.
const char *const SystemProgramFolders[] = {"/bin",           "/sbin",           "/usr/bin",   "/usr/sbin",
                                            "/usr/local/bin", "/usr/local/sbin", "/usr/games", "/usr/local/games",
                                            "/usr/libexec"};

bool IsSystemProgramFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    for (const char *system : SystemProgramFolders) {
        if (clean == QLatin1String(system))
            return true;
    }
    return false;
}

} // namespace

FolderChecks SystemFolderChecks()
{
    FolderChecks checks;
    checks.writable = [](const QString &path) {
        return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
    };
    checks.exists = [](const QString &path) {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
    };
    return checks;
}

QString ExecutableFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
}

QString PerUserDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + AppFolderName;
}

QString InstalledSettingFile(const QString &programFolder)
{
    // UDPRECV_DATA_FROM_BIN: the installed data folder seen from the installed program folder ("../share").
    return QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(UDPRECV_DATA_FROM_BIN) + QLatin1Char('/') +
                           AppFolderName + QStringLiteral("/Tavo_UdpRecvSetting.ini"));
}

DataHome ChooseDataHome(const QString &programFolder, const QString &perUserFolder, const FolderChecks &checks)
{
    const QString installed = InstalledSettingFile(programFolder);
    const bool installedTree = checks.exists(installed);
    if (checks.writable(programFolder) && !IsSystemProgramFolder(programFolder) && !installedTree)
        return {programFolder, false, {}};
    return {perUserFolder, true, installedTree ? installed : QString()};
}

QString DescribeDataHome(const DataHome &home)
{
    return QStringLiteral("Config, Log and Temp: %1 (%2)")
        .arg(home.folder,
             home.perUser ? QStringLiteral("the per-user data folder") : QStringLiteral("beside the program"));
}

void UseDataHome(Runtime &runtime, const DataHome &home)
{
    runtime.programFolder = home.folder;
    runtime.perUserFolder = home.perUser;
    runtime.defaultSettingFile = home.defaultSettingFile;
}

void MakeDataHome(const QString &folder)
{
    const QString parent = QFileInfo(folder).path();
    if (!QDir().mkpath(parent))
        throw RuntimeError(QStringLiteral("フォルダを作成できません（%1）").arg(parent));
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        throw RuntimeError::systemCall(QStringLiteral("フォルダを作成できません（%1）").arg(folder), errno);
}

bool InstallDefaultSettings(const QString &defaultFile, const QString &settingFile)
{
    struct stat st {};
    if (defaultFile.isEmpty() || ::lstat(QFile::encodeName(settingFile).constData(), &st) == 0)
        return false;
    // QFile::copy refuses a destination that exists by then.
    return QFile::copy(defaultFile, settingFile);
}
