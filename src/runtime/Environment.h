#pragma once

#include "Runtime.h"
#include "core/Result.h"
#include "logging/LoggingGlobals.h"

#include <QString>

#include <cstdint>

class ErrorGuard;

// The initialisation of the run-time model, in this order: the paths
// (SetDefine), the Log folder, the host name and log files (InitLogging),
// the Config and Temp folders, and Temp emptied.

// Runs the whole chain for `kind` in `runtime.programFolder`. Never throws;
// a failure names the step that failed and its cause.
Result<> InitEnvironment(Runtime &runtime, ErrorGuard &guard, int16_t kind) noexcept;
// Fills the paths of AppDefine; false (after a log line) on failure.
bool SetDefine(Runtime &runtime, ErrorGuard &guard);
// Reads the host name and fills ToolIds and LogFiles.
Result<> InitLogging(LoggingGlobals &logging, const QString &logPath);
