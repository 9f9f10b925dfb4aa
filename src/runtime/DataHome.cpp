#include "DataHome.h"

#include "Runtime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString AppFolderName = QStringLiteral("Tavo_UdpRecv");

// Where the system keeps programs; a program there never writes beside itself.
const char *const SystemProgramFolders[] = {"/bin",           "/sbin",           "/usr/bin",   "/usr/sbin",
                                            "/usr/local/bin", "/usr/local/sbin", "/usr/games", "/usr/local/games",
                                            "/usr/libexec"};

bool isSystemProgramFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    for (const char *system : SystemProgramFolders) {
        if (clean == QLatin1String(system))
            return true;
    }
    return false;
}

QString inFolder(const QString &folder, const QString &name)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

// The folders the program would make are all there, and its log can be written.
bool holdsPreparedLayout(const QString &folder, const FolderChecks &checks)
{
    for (const char *name : {"Config", "Log", "Temp"}) {
        if (!checks.isFolder(inFolder(folder, QLatin1String(name))))
            return false;
    }
    return checks.writable(inFolder(folder, QStringLiteral("Log")));
}

bool isAbsolute(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

} // namespace

FolderChecks systemFolderChecks()
{
    FolderChecks checks;
    checks.writable = [](const QString &path) {
        return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
    };
    checks.exists = [](const QString &path) {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
    };
    checks.isFolder = [](const QString &path) {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    return checks;
}

UserFolders systemUserFolders()
{
    UserFolders user;
    user.environment = [](const char *name) { return QFile::decodeName(qgetenv(name)); };
    user.accountHome = [] {
        const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 16384);
        passwd entry {};
        passwd *found = nullptr;
        if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
            found->pw_dir == nullptr)
            return QString();
        return QFile::decodeName(found->pw_dir);
    };
    return user;
}

QString executableFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path();
}

QString perUserDataFolder(const UserFolders &user)
{
    const QString dataHome = user.environment("XDG_DATA_HOME");
    if (isAbsolute(dataHome))
        return inFolder(dataHome, AppFolderName);
    QString home = user.environment("HOME");
    if (!isAbsolute(home))
        home = user.accountHome();
    if (!isAbsolute(home))
        return {};
    return inFolder(home, QStringLiteral(".local/share/") + AppFolderName);
}

QString installedSettingFile(const QString &programFolder)
{
    // UDPRECV_DATA_FROM_BIN: the installed data folder seen from the installed program folder ("../share").
    return QDir::cleanPath(programFolder + QLatin1Char('/') + QStringLiteral(UDPRECV_DATA_FROM_BIN) + QLatin1Char('/') +
                           AppFolderName + QStringLiteral("/Tavo_UdpRecvSetting.ini"));
}

DataHome chooseDataHome(const QString &programFolder, const QString &perUserFolder, const FolderChecks &checks)
{
    const QString installed = installedSettingFile(programFolder);
    const bool installedTree = checks.exists(installed);
    if (!isSystemProgramFolder(programFolder) &&
        (holdsPreparedLayout(programFolder, checks) || (checks.writable(programFolder) && !installedTree)))
        return {programFolder, false, {}};
    return {perUserFolder, true, installedTree ? installed : QString()};
}

QString describeDataHome(const DataHome &home)
{
    if (home.folder.isEmpty())
        return QStringLiteral("Config, Log and Temp: no per-user data folder (neither XDG_DATA_HOME nor HOME is an "
                              "absolute path, and the user database names no home folder)");
    return QStringLiteral("Config, Log and Temp: %1 (%2)")
        .arg(home.folder,
             home.perUser ? QStringLiteral("the per-user data folder") : QStringLiteral("beside the program"));
}

void useDataHome(Runtime &runtime, const DataHome &home)
{
    runtime.programFolder = home.folder;
    runtime.perUserFolder = home.perUser;
    runtime.defaultSettingFile = home.defaultSettingFile;
}

Result<> makeDataHome(const QString &folder)
{
    if (folder.isEmpty())
        return RuntimeError(QStringLiteral("ユーザーのデータフォルダが見つかりません（XDG_DATA_HOME も HOME "
                                           "も絶対パスでなく、ホームフォルダもありません）。"));
    const QString parent = QFileInfo(folder).path();
    if (!QDir().mkpath(parent))
        return RuntimeError(QStringLiteral("フォルダを作成できません（%1）").arg(parent));
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
        const int error = errno;
        return RuntimeError::systemCall(QStringLiteral("フォルダを作成できません（%1）").arg(folder), error);
    }
    return {};
}

bool installDefaultSettings(const QString &defaultFile, const QString &settingFile)
{
    struct stat st {};
    if (defaultFile.isEmpty() || ::lstat(QFile::encodeName(settingFile).constData(), &st) == 0)
        return false;
    // QFile::copy refuses a destination that exists by then.
    return QFile::copy(defaultFile, settingFile);
}
