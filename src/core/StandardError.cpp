#include "StandardError.h"

#include <cstdio>

void printToStandardError(const QString &text)
{
    std::fprintf(stderr, "Tavo_UdpRecv: %s\n", text.toLocal8Bit().constData());
}
