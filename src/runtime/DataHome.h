#pragma once

#include "core/Result.h"

#include <QString>

#include <functional>

struct Runtime;

// Where the program keeps Config, Log and Temp.
//
// Beside the executable (the portable layout: a build tree, a copied
// folder) when the executable's folder
//   - already holds the folders Config, Log and Temp, with Log writable
//     (a layout an administrator prepared, even in a read-only folder or
//     an installed tree), or
//   - can be written, and does not belong to an installed tree: the
//     installed default settings file lies in `<folder>/../share/Tavo_UdpRecv/`;
// but never in one of the system's program folders (/usr/bin,
// /usr/local/bin, ...), prepared or not. Otherwise the per-user data
// folder: root may write anywhere, and these rules keep a system folder or
// an installed tree free of Log and Config whoever runs it.
struct DataHome {
    QString folder; // empty: per-user, but no folder for this user can be found
    bool perUser = false;
    // Per-user only: the installed settings file copied into Config when
    // that holds none; empty when nothing is installed.
    QString defaultSettingFile;
};

// What the choice asks of the file system; tests answer instead.
struct FolderChecks {
    std::function<bool(const QString &path)> writable; // a folder this process may create files in
    std::function<bool(const QString &path)> exists;   // a file or folder of that name, a link not followed
    std::function<bool(const QString &path)> isFolder; // a folder, or a link to one
};
FolderChecks systemFolderChecks();

// What the per-user folder is made of; tests answer instead.
struct UserFolders {
    std::function<QString(const char *name)> environment; // a variable's value, empty when unset
    std::function<QString()> accountHome;                 // the home folder of the user database
};
UserFolders systemUserFolders();

// The folder of the running executable, links resolved; needs no
// application object.
QString executableFolder();

// The per-user data folder, by the XDG base directory rules:
// $XDG_DATA_HOME/Tavo_UdpRecv when XDG_DATA_HOME is an absolute path (a
// relative or empty value is ignored), else $HOME/.local/share/Tavo_UdpRecv.
// A HOME that is unset or not an absolute path stands for the user's home
// folder in the user database. Empty when none of them is an absolute
// path. Creates nothing.
QString perUserDataFolder(const UserFolders &user = systemUserFolders());

// The installed default settings file for an executable in `programFolder`.
QString installedSettingFile(const QString &programFolder);

// Decides the data home by the rules above; looks, creates nothing.
DataHome chooseDataHome(const QString &programFolder, const QString &perUserFolder,
                        const FolderChecks &checks = systemFolderChecks());

// A line that says where the data lives, for --help and start-up.
QString describeDataHome(const DataHome &home);

// Hands the choice to the run-time model.
void useDataHome(Runtime &runtime, const DataHome &home);

// Per-user layout: makes the folder and its parents, the folder itself
// readable by its owner alone (0700). Fails when they cannot be made, and
// for an empty folder (no per-user folder could be found).
Result<> makeDataHome(const QString &folder);

// Copies `defaultFile` to `settingFile` when no file of that name exists;
// never overwrites. True when the copy was made.
bool installDefaultSettings(const QString &defaultFile, const QString &settingFile);
