#pragma once

#include "MetricsHttp.h"
#include "core/Result.h"

#include <QByteArray>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// The metrics endpoint: answers each connection's one request (see
// MetricsHttp.h) on the event loop's thread and closes it. The text is
// made when asked for, from counters the datagram road keeps anyway, so
// the road never waits for it. A client cannot hold the program: a request
// head is read up to 8 KiB, a connection lives at most 5 s, and at most 16
// are open at once (more are closed at once).
class MetricsServer final : public QObject {
    Q_OBJECT

public:
    // `text` makes the exposition text of the moment.
    explicit MetricsServer(std::function<QByteArray()> text);

    Result<> listen(const metricshttp::ListenAddress &where);
    quint16 port() const { return m_server.serverPort(); }

private:
    void accept();
    void read(QTcpSocket *socket, QByteArray &head);

    std::function<QByteArray()> m_text;
    QTcpServer m_server;
    int m_open = 0;
};
