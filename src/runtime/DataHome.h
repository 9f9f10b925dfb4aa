#pragma once

#include <QString>

#include <functional>

struct Runtime;

// Where the program keeps Config, Log and Temp.
//
// Beside the executable (the portable layout: a build tree, a copied
// folder) unless the executable's folder
//   - cannot be written (an installed program run by a normal user), or
//   - is one of the system's program folders (/usr/bin, /usr/local/bin, ...), or
//   - belongs to an installed tree: the installed default settings file
//     lies in `<folder>/../share/Tavo_UdpRecv/`;
// those use the per-user data folder instead. Root may write anywhere: the
// last two rules keep a system folder free of Log and Config whoever runs it.
struct DataHome {
    QString folder;
    bool perUser = false;
    // Per-user only: the installed settings file copied into Config when
    // that holds none; empty when nothing is installed.
    QString defaultSettingFile;
};

// What the choice asks of the file system; tests answer instead.
struct FolderChecks {
    std::function<bool(const QString &path)> writable; // a folder this process may create files in
    std::function<bool(const QString &path)> exists;   // a file or folder of that name
};
FolderChecks SystemFolderChecks();

// The folder of the running executable, links resolved; needs no
// application object.
QString ExecutableFolder();

// The per-user data folder, $XDG_DATA_HOME/Tavo_UdpRecv (by default
// ~/.local/share/Tavo_UdpRecv). Creates nothing.
QString PerUserDataFolder();

// The installed default settings file for an executable in `programFolder`.
QString InstalledSettingFile(const QString &programFolder);

// Decides the data home by the rules above; looks, creates nothing.
DataHome ChooseDataHome(const QString &programFolder, const QString &perUserFolder,
                        const FolderChecks &checks = SystemFolderChecks());

// A line that says where the data lives, for --help and start-up.
QString DescribeDataHome(const DataHome &home);

// Hands the choice to the run-time model.
void UseDataHome(Runtime &runtime, const DataHome &home);

// Per-user layout: makes the folder and its parents, the folder itself
// readable by its owner alone (0700). Throws RuntimeError on failure.
void MakeDataHome(const QString &folder);

// Copies `defaultFile` to `settingFile` when no file of that name exists;
// never overwrites. True when the copy was made.
bool InstallDefaultSettings(const QString &defaultFile, const QString &settingFile);
