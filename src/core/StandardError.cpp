#include "StandardError.h"

#include <cstdio>

void PrintToStandardError(const QString &text)
{
    std::fprintf(stderr, "Tavo_UdpRecv: %s\n", text.toLocal8Bit().constData());
}
