#pragma once

#include <QString>

#include <cstdint>

class ErrorGuard;
class MessageBoxService;
struct LoggingGlobals;

// The values of the main window that the settings file fills.
struct ReceiveSettings {
    int32_t RcvPort = 0;
    int16_t ResMode = 0;
};

// Reads the settings file into `members` and the log limits of `logging`,
// reporting every problem itself (message boxes and a log line).
void ReadSetting(const QString &file, ReceiveSettings &members, LoggingGlobals &logging, MessageBoxService &boxes,
                 ErrorGuard &guard);
