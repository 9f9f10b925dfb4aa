#pragma once

#include "logging/LoggingGlobals.h"

#include <QString>

#include <array>
#include <cstdint>

// The tool kind of this program: the UDP receiver.
constexpr int16_t UdpReceiverKind = 3;

// The process-wide paths and the tool kind.
struct AppDefine {
    QString ConfigPath;
    QString TempPath;
    QString LogPath;
    int16_t ToolKind = 0;
    std::array<QString, ToolKindCount> SettingFiles;

    // The full path of this tool's settings file.
    const QString &SettingFile() const { return SettingFiles[UdpReceiverKind]; }
};

// One row of the tool-kind table.
struct ToolKindRow {
    const char *toolId;
    const char *logFileName;
    const char *settingFileName; // empty when the kind has none
};
extern const std::array<ToolKindRow, ToolKindCount> ToolKindTable;

// Everything the initialisation builds and the rest of the program reads.
struct Runtime {
    // The folder that holds Config, Log and Temp: the executable's folder,
    // or the per-user data folder (see DataHome.h).
    QString programFolder;
    // Set for the per-user data folder: start-up makes it, and copies the
    // installed default settings file (when there is one) into a Config
    // folder that holds no settings file.
    bool perUserFolder = false;
    QString defaultSettingFile;
    AppDefine appDefine;
    LoggingGlobals logging;

    int16_t ToolKind() const { return appDefine.ToolKind; }
    const QString &SettingFile() const { return appDefine.SettingFile(); }
    const QString &LogFile() const { return logging.LogFiles[static_cast<size_t>(appDefine.ToolKind)]; }
};

// The file whose lock tells that an instance runs in this data folder:
// Log/<tool id>.lock (Tavo_UdpRcv.lock), in the one folder of the data
// folder that the program must be able to write, even where an
// administrator prepared a read-only folder.
QString InstanceLockFile(const Runtime &runtime);

class ErrorGuard;

// Runs the whole initialisation chain for `kind` in `runtime.programFolder`;
// true when every step completed. Never throws; on failure `whyNot`, when
// given, names the step that failed and its cause.
bool InitEnvironment(Runtime &runtime, ErrorGuard &guard, int16_t kind, QString *whyNot = nullptr);
// Fills the paths of AppDefine; false (after a log line) on failure.
bool SetDefine(Runtime &runtime, ErrorGuard &guard);
// Reads the host name and fills ToolIds and LogFiles. Throws on failure.
void InitLogging(LoggingGlobals &logging, const QString &logPath);
// Creates the folder when nothing of that name exists (made meanwhile by
// another process counts as made). Throws on failure.
void MakeFolder(const QString &path);
// Deletes every file in the folder (subfolders stay); false on an error.
// A link in place of the folder is not followed: nothing is deleted, false.
bool ClearFolder(const QString &path, uint8_t keepFolder);
// The path with the separator appended when it does not end with one.
QString AddBackslash(const QString &path);

// The host name as the sockets library reports it; throws when it cannot be read.
QString ReadHostName();

// The top-left corner, in twips, that centres a window on the screen.
struct FormPosition {
    int left = 0;
    int top = 0;
};
FormPosition CenterForm(double screenWidth, double screenHeight, double formWidth, double formHeight);
