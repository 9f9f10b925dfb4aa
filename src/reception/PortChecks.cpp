#include "PortChecks.h"

#include "UdpSocket.h"
#include "core/Numeric.h"
#include "core/Result.h"
#include "logging/ErrorGuard.h"

QString cannotReceiveMessage()
{
    return QStringLiteral("本PC上で、現在のポート設定ではデータを受信できません。\r\n受信ポートを確認してください。");
}

QString restartNeededMessage()
{
    return QStringLiteral("受信ポート設定を変更しました。\r\nアプリケーションを再起動してください。");
}

bool CheckPortNo(const QString &portText, ErrorGuard &guard)
{
    bool valid = false;
    guard.run(QStringLiteral("(CheckPortNo)"), [&]() -> Result<> {
        if (portText.isEmpty() || !numeric::isNumeric(portText))
            return {};
        const Result<int32_t> port = numeric::toInt32(portText);
        if (!port)
            return port.error();
        valid = *port < 65536 && *port > 0;
        return {};
    });
    return valid;
}

bool CheckBindPort(UdpSocket &socket, const QString &portText, ErrorGuard &guard)
{
    return guard.run(QStringLiteral("(CheckBindPort)"), [&]() -> Result<> {
        const Result<int32_t> port = numeric::toInt32(portText);
        if (!port)
            return port.error();
        // Port 0 binds whatever port the system picks: nothing to receive on.
        if (*port == 0)
            return RuntimeError(QStringLiteral("UDP ポート 0 では受信できません"));
        socket.setLocalPort(*port);
        socket.Bind(); // throws on failure, as the socket's contract says
        socket.Close();
        return {};
    });
}
