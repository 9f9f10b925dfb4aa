#pragma once

#include "ToolKinds.h"
#include "logging/LoggingGlobals.h"

#include <QString>

#include <array>
#include <cstdint>

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

// Everything the initialisation (Environment.h) builds and the rest of the
// program reads.
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
    const QString &logFile() const { return logging.LogFiles[static_cast<size_t>(appDefine.ToolKind)]; }
};
