#pragma once

#include <QString>

// Writes one line to standard error, after the program's name:
// "Tavo_UdpRecv: <text>", in the locale's encoding.
void printToStandardError(const QString &text);
