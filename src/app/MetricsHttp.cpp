#include "MetricsHttp.h"

namespace metricshttp {

namespace {

QByteArray reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Bad Request";
    }
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c <= ' ' || c >= 127)
            return false;
    }
    return true;
}

} // namespace

int statusOf(QByteArrayView received)
{
    qsizetype end = received.indexOf("\r\n\r\n");
    if (end < 0)
        end = received.indexOf("\n\n");
    if (end < 0 || end > MaxRequestHead)
        return received.size() > MaxRequestHead ? 431 : 0;
    qsizetype lineEnd = received.indexOf('\n');
    if (lineEnd > 0 && received[lineEnd - 1] == '\r')
        --lineEnd;
    const QList<QByteArray> parts = received.first(lineEnd).toByteArray().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !parts[1].startsWith('/') || !isToken(parts[1]) ||
        !(parts[2] == "HTTP/1.0" || parts[2] == "HTTP/1.1"))
        return 400;
    if (parts[0] != "GET")
        return 405;
    const qsizetype query = parts[1].indexOf('?');
    return (query < 0 ? parts[1] : parts[1].first(query)) == "/metrics" ? 200 : 404;
}

QByteArray responseOf(int status, const QByteArray &body, const QByteArray &contentType)
{
    const QByteArray reason = reasonOf(status);
    const QByteArray content = status == 200 ? body : reason + '\n';
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: " +
                          (status == 200 && !contentType.isEmpty() ? contentType : "text/plain; charset=utf-8") +
                          "\r\nContent-Length: " + QByteArray::number(content.size()) + "\r\nConnection: close\r\n";
    if (status == 405)
        response += "Allow: GET\r\n";
    return response + "\r\n" + content;
}

Result<ListenAddress> listenAddressOf(const QString &text)
{
    const auto refused = [&text] {
        return RuntimeError(QStringLiteral("not an address and port for the metrics endpoint: '%1' (PORT, "
                                           "ADDRESS:PORT or [ADDRESS]:PORT, the port 1 to 65535)")
                                .arg(text));
    };
    ListenAddress result {QHostAddress(QHostAddress::LocalHost), 0};
    QString port = text;
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon >= 0) {
        QString host = text.first(colon);
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.sliced(1, host.size() - 2);
        else if (host.contains(u':'))
            return refused(); // an IPv6 address goes in brackets
        if (!result.address.setAddress(host))
            return refused();
        port = text.sliced(colon + 1);
    }
    bool ok = false;
    const uint number = port.toUInt(&ok, 10);
    if (!ok || number < 1 || number > 65535 || port.startsWith(u'+'))
        return refused();
    result.port = static_cast<quint16>(number);
    return result;
}

} // namespace metricshttp
