#include "HostName.h"

#include <cstring>
#include <unistd.h>

Result<QString> readHostName()
{
    char buffer[256];
    std::memset(buffer, ' ', sizeof buffer);
    (void)::gethostname(buffer, sizeof buffer);
    const void *nul = std::memchr(buffer, '\0', sizeof buffer);
    if (nul == nullptr)
        return RuntimeError::invalidArgument();
    return QString::fromLocal8Bit(buffer, static_cast<const char *>(nul) - buffer);
}
