#pragma once

#include "logging/LoggingGlobals.h"

#include <array>
#include <cstdint>

// The tool kind of this program: the UDP receiver.
constexpr int16_t UdpReceiverKind = 3;

// One row of the tool-kind table: the tools of the family share the data
// folder's layout, each with its own id, log file and settings file.
struct ToolKindRow {
    const char *toolId;
    const char *logFileName;
    const char *settingFileName; // empty when the kind has none
};
extern const std::array<ToolKindRow, ToolKindCount> ToolKindTable;
