#pragma once

#include <QString>

#include <array>
#include <cstdint>

constexpr int ToolKindCount = 10;

// The largest log size limit, in MiB: the rotation counts the limit in
// bytes as a signed 32-bit number.
constexpr int16_t LargestLogMaxSize = 2047;

// The process-wide logging values: written during the initialisation
// (tool ids, log files, host name) and by the settings reader and the
// rotation (limits); read by the log writer and the rotation.
struct LoggingGlobals {
    std::array<QString, ToolKindCount> ToolIds;
    std::array<QString, ToolKindCount> LogFiles;
    QString HostName;
    int16_t LogMaxSize = 0;     // MiB
    int16_t LogGenerations = 0; // files, the live one included
    bool capture = false;       // datagrams also go to the capture file
};
