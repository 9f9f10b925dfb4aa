#include "PortChecks.h"

#include "UdpSocket.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "logging/ErrorGuard.h"

QString CannotReceiveMessage()
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
    guard.run(QStringLiteral("(CheckPortNo)"), [&] {
        if (portText.isEmpty() || !numeric::IsNumeric(portText))
            return;
        const int32_t port = numeric::ToInt32(portText);
        if (port < 65536 && port > 0)
            valid = true;
    });
    return valid;
}

bool CheckBindPort(UdpSocket &socket, const QString &portText, ErrorGuard &guard)
{
    bool bound = false;
    guard.run(QStringLiteral("(CheckBindPort)"), [&] {
        const int32_t port = numeric::ToInt32(portText);
        // Port 0 binds whatever port the system picks: nothing to receive on.
        if (port == 0)
            throw RuntimeError(QStringLiteral("UDP ポート 0 では受信できません"));
        socket.SetLocalPort(port);
        socket.Bind();
        socket.Close();
        bound = true;
    });
    return bound;
}
