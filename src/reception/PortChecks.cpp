#include "PortChecks.h"

#include "UdpSocket.h"
#include "core/Numeric.h"
#include "logging/ErrorGuard.h"

bool CheckPortNo(const QString &portText, ErrorGuard &guard)
{
    bool valid = false;
    guard.run(QStringLiteral("(CheckPortNo)"), [&] {
        if (portText.isEmpty() || !numeric::IsNumeric(portText))
            return;
        const int32_t port = numeric::ToInt32(portText);
        if (port < 65536 && port >= 0)
            valid = true;
    });
    return valid;
}

bool CheckBindPort(UdpSocket &socket, const QString &portText, ErrorGuard &guard)
{
    bool bound = false;
    guard.run(QStringLiteral("(CheckBindPort)"), [&] {
        socket.SetLocalPort(numeric::ToInt32(portText));
        socket.Bind();
        socket.Close();
        bound = true;
    });
    return bound;
}
