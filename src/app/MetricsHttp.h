#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QString>

// The little HTTP/1.x the metrics endpoint speaks: it reads one request
// head (the request line and the headers up to the blank line, at most
// MaxRequestHead bytes), answers it and closes the connection.
//   GET /metrics HTTP/1.1     200, the exposition text
//   GET /other HTTP/1.1       404
//   POST /metrics HTTP/1.1    405 (Allow: GET)
//   anything else             400; a head that does not end in time 431
// A query string after the path is ignored. Parsing and formatting only;
// the connections are MetricsServer's.
namespace metricshttp {

constexpr qsizetype MaxRequestHead = 8 * 1024;

// 0 while the head is incomplete, else the status code it is answered with.
int statusOf(QByteArrayView received);

// The whole response: status line, headers (Content-Type, Content-Length,
// Connection: close) and the body; a status other than 200 carries its
// reason phrase as a plain-text body.
QByteArray responseOf(int status, const QByteArray &body = {}, const QByteArray &contentType = {});

// Where the endpoint listens: "PORT" (on 127.0.0.1), "ADDRESS:PORT" or
// "[IPv6 ADDRESS]:PORT"; the port 1 to 65535.
struct ListenAddress {
    QHostAddress address;
    quint16 port = 0;
};
Result<ListenAddress> listenAddressOf(const QString &text);

} // namespace metricshttp
