#include "MetricsServer.h"

#include "MetricsExposition.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

constexpr int ConnectionLifetimeMs = 5000;
constexpr int MostConnections = 16;

} // namespace

MetricsServer::MetricsServer(std::function<QByteArray()> text) : m_text(std::move(text))
{
    connect(&m_server, &QTcpServer::newConnection, this, &MetricsServer::accept);
}

Result<> MetricsServer::listen(const metricshttp::ListenAddress &where)
{
    if (m_server.listen(where.address, where.port))
        return {};
    return RuntimeError(QStringLiteral("cannot open the metrics endpoint on %1 port %2: %3")
                            .arg(where.address.toString(), QString::number(where.port), m_server.errorString()));
}

void MetricsServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        if (m_open >= MostConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_open;
        socket->setReadBufferSize(metricshttp::MaxRequestHead + 1);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this] { --m_open; });
        QTimer::singleShot(ConnectionLifetimeMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        auto head = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] { read(socket, *head); });
    }
}

void MetricsServer::read(QTcpSocket *socket, QByteArray &head)
{
    head += socket->read(metricshttp::MaxRequestHead + 1 - head.size());
    const int status = metricshttp::statusOf(head);
    if (status == 0)
        return;
    // One request per connection: the rest is not read.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    socket->write(metricshttp::responseOf(status, status == 200 ? m_text() : QByteArray(),
                                          metricsexposition::ContentType));
    socket->disconnectFromHost();
}
