#include "LoopbackPeer.h"
#include "TestSupport.h"
#include "core/RuntimeError.h"
#include "reception/UdpSocket.h"

#include <QTest>
#include <QTimer>

#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString reason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

using testsupport::pattern;
using namespace Qt::StringLiterals;

class TestUdpSocket : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bindCloseRebind()
    {
        UdpSocket socket;
        QCOMPARE(socket.State(), 0);
        socket.setLocalPort(0);
        socket.Bind();
        QVERIFY(socket.State() != 0);
        const int32_t port = socket.boundPort();
        QVERIFY(port > 0);
        QCOMPARE(socket.LocalPort(), 0);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, socket.Bind());
        QVERIFY(socket.State() != 0);

        socket.Close();
        QCOMPARE(socket.State(), 0);
        QCOMPARE(socket.boundPort(), 0);
        socket.Close(); // closing twice is harmless

        socket.setLocalPort(port);
        socket.Bind();
        QCOMPARE(socket.boundPort(), port);
    }

    void receiveBufferIsEnlarged()
    {
        UdpSocket socket;
        QCOMPARE(socket.receiveBufferSize(), 0);
        socket.Bind();
        int standard = 0;
        socklen_t length = sizeof standard;
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &standard, &length);
        ::close(fd);
        QVERIFY2(socket.receiveBufferSize() > standard, qPrintable(QString::number(socket.receiveBufferSize())));
    }

    void portOutOfRange_data()
    {
        QTest::addColumn<int32_t>("port");
        QTest::newRow("-1") << int32_t(-1);
        QTest::newRow("65536") << int32_t(65536);
        QTest::newRow("max") << int32_t(2147483647);
    }
    void portOutOfRange()
    {
        QFETCH(int32_t, port);
        UdpSocket socket;
        socket.setLocalPort(port);
        try {
            socket.Bind();
            QFAIL("bound");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.description(), RuntimeError::invalidArgument().description());
        }
        QCOMPARE(socket.State(), 0);
    }

    void portHeldElsewhereIsRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("v6Only");
        const struct {
            const char *name;
            int option;
        } options[] = {{"plain", 0}, {"SO_REUSEADDR", SO_REUSEADDR}, {"SO_REUSEPORT", SO_REUSEPORT}};
        for (const auto &o : options) {
            for (const char *address : {"0.0.0.0", "127.0.0.1", "::", "::1"})
                QTest::addRow("%s %s", address, o.name) << QString::fromLatin1(address) << o.option << false;
            QTest::addRow(":: v6only %s", o.name) << QStringLiteral("::") << o.option << true;
        }
    }
    void portHeldElsewhereIsRefused()
    {
        QFETCH(QString, address);
        QFETCH(int, option);
        QFETCH(bool, v6Only);
        uint16_t port = 0;
        const int other = holdPort(address.toLatin1().constData(), option, v6Only, 0, port);
        QVERIFY(other >= 0);

        UdpSocket socket;
        socket.setLocalPort(port);
        try {
            socket.Bind();
            ::close(other);
            QFAIL("a held port was bound");
        } catch (const RuntimeError &error) {
            QVERIFY2(error.description().endsWith(reason(EADDRINUSE)), qPrintable(error.description()));
        }
        QCOMPARE(socket.State(), 0);

        ::close(other);
        socket.Bind();
        QCOMPARE(socket.boundPort(), int32_t(port));
    }

    void datagramsArriveWhole_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {0, 1, 2, 16, 17, 2048, 3000, 65507})
            QTest::addRow("%d", size) << size;
    }
    void datagramsArriveWhole()
    {
        QFETCH(int, size);
        UdpSocket socket;
        socket.Bind();
        QList<int32_t> totals;
        QByteArray received("not read");
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t bytesTotal) {
            totals << bytesTotal;
            socket.GetData(received, bytesTotal);
        });
        LoopbackPeer peer(AF_INET);
        const QByteArray sent = pattern(size);
        QVERIFY(peer.sendTo(static_cast<uint16_t>(socket.boundPort()), sent));
        QVERIFY(waitUntil([&] { return !totals.isEmpty(); }));
        QCOMPARE(totals, QList<int32_t> {size});
        QCOMPARE(received, sent);
    }

    void getDataLimits()
    {
        UdpSocket socket;
        socket.Bind();
        QByteArray limited, negative;
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t) {
            socket.GetData(limited, 10);
            socket.GetData(negative, -5);
        });
        LoopbackPeer peer(AF_INET);
        QVERIFY(peer.sendTo(static_cast<uint16_t>(socket.boundPort()), pattern(100)));
        QVERIFY(waitUntil([&] { return !limited.isEmpty(); }));
        QCOMPARE(limited, pattern(10));
        QVERIFY(negative.isEmpty());

        QByteArray outside("x");
        socket.GetData(outside, 100);
        QVERIFY(outside.isEmpty());
    }

    // Each echo reaches its sender from the receive port of the address its
    // datagram was sent to, datagram by datagram within one batch too; a
    // connected peer drops a reply from any other address.
    void echoLeavesFromTheAddressSentTo_data()
    {
        QTest::addColumn<QString>("peerAddress");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("expectedSources");
        const QStringList second {QStringLiteral("127.0.0.7")};
        QTest::newRow("IPv4") << u"127.0.0.1"_s << QStringList {u"127.0.0.1"_s} << false << QStringList {u"127.0.0.1"_s};
        QTest::newRow("IPv4, second address") << u"127.0.0.1"_s << second << false << second;
        QTest::newRow("IPv4, connected to the second address") << u"127.0.0.1"_s << second << true << second;
        QTest::newRow("IPv4, one batch to three addresses")
            << u"127.0.0.1"_s << QStringList {u"127.0.0.7"_s, u"127.0.0.1"_s, u"127.0.0.8"_s} << false
            << QStringList {u"127.0.0.7"_s, u"127.0.0.1"_s, u"127.0.0.8"_s};
        QTest::newRow("IPv4 broadcast: from the interface's address")
            << u"127.0.0.1"_s << QStringList {u"127.255.255.255"_s} << false << QStringList {u"127.0.0.1"_s};
        QTest::newRow("IPv6") << u"::1"_s << QStringList {u"::1"_s} << true << QStringList {u"::1"_s};
        QTest::newRow("mapped, connected to the second address")
            << u"::ffff:127.0.0.1"_s << QStringList {u"::ffff:127.0.0.7"_s} << true
            << QStringList {u"::ffff:127.0.0.7"_s};
    }
    void echoLeavesFromTheAddressSentTo()
    {
        QFETCH(QString, peerAddress);
        QFETCH(QStringList, targets);
        QFETCH(bool, connected);
        QFETCH(QStringList, expectedSources);
        UdpSocket socket;
        socket.Bind();
        const auto port = static_cast<uint16_t>(socket.boundPort());
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t bytesTotal) {
            QByteArray bytes;
            socket.GetData(bytes, bytesTotal);
            socket.SendData(bytes);
        });
        LoopbackPeer peer(peerAddress.toLatin1().constData());
        QVERIFY(peer.port() != 0);
        if (connected)
            QVERIFY(peer.connectTo(targets.front(), port));
        // Sent before the event loop runs: the socket reads them in one batch.
        for (int i = 0; i < targets.size(); ++i) {
            const QByteArray sent = pattern(3000, i);
            QVERIFY(connected ? peer.send(sent) : peer.sendTo(targets[i], port, sent));
        }
        for (int i = 0; i < targets.size(); ++i) {
            std::optional<LoopbackPeer::Datagram> echo;
            QVERIFY2(waitUntil([&] { return (echo = peer.receive(0)).has_value(); }, 3000), "no echo");
            QCOMPARE(echo->bytes, pattern(3000, i));
            QCOMPARE(echo->sourceAddress, expectedSources[i]);
            QCOMPARE(echo->sourcePort, port);
        }
    }

    void sendDataWithoutSenderFails()
    {
        UdpSocket socket;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, socket.SendData("ab"));
        socket.Bind();
        QVERIFY_THROWS_EXCEPTION(RuntimeError, socket.SendData("ab"));
    }

    void sendFailureCarriesTheReason()
    {
        UdpSocket socket;
        socket.Bind();
        QString description;
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t) {
            try {
                socket.SendData(QByteArray(70000, 'x'));
            } catch (const RuntimeError &error) {
                description = error.description();
            }
        });
        LoopbackPeer peer(AF_INET);
        QVERIFY(peer.sendTo(static_cast<uint16_t>(socket.boundPort()), "ab"));
        QVERIFY(waitUntil([&] { return !description.isEmpty(); }));
        QVERIFY2(description.endsWith(reason(EMSGSIZE)), qPrintable(description));
    }

    void closeInsideDataArrival()
    {
        UdpSocket socket;
        socket.Bind();
        const auto port = static_cast<uint16_t>(socket.boundPort());
        int arrivals = 0;
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t) {
            ++arrivals;
            socket.Close();
        });
        LoopbackPeer peer(AF_INET);
        for (int i = 0; i < 5; ++i)
            QVERIFY(peer.sendTo(port, pattern(8, i)));
        QVERIFY(waitUntil([&] { return arrivals > 0; }));
        QTest::qWait(50);
        QCOMPARE(arrivals, 1);
        QCOMPARE(socket.State(), 0);

        socket.setLocalPort(port);
        socket.Bind();
        QVERIFY(peer.sendTo(port, pattern(8)));
        QVERIFY(waitUntil([&] { return arrivals == 2; }));
    }

    // The owner may delete the socket from its DataArrival slot; nothing
    // touches it afterwards (run under AddressSanitizer in CI).
    void deleteInsideDataArrival()
    {
        auto *socket = new UdpSocket;
        socket->Bind();
        const auto port = static_cast<uint16_t>(socket->boundPort());
        int arrivals = 0;
        connect(socket, &UdpSocket::DataArrival, this, [&](int32_t) {
            ++arrivals;
            delete socket;
            socket = nullptr;
        });
        LoopbackPeer peer(AF_INET);
        for (int i = 0; i < 3; ++i)
            QVERIFY(peer.sendTo(port, pattern(8, i)));
        QVERIFY(waitUntil([&] { return socket == nullptr; }));
        QTest::qWait(50);
        QCOMPARE(arrivals, 1);
    }

    // Datagrams already read from the system are raised even when no new
    // one arrives after a turn was cut short.
    void slowSlotLeavesNothingWaiting()
    {
        UdpSocket socket;
        socket.Bind();
        QList<int> seen;
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t bytesTotal) {
            QByteArray bytes;
            socket.GetData(bytes, bytesTotal);
            seen << static_cast<unsigned char>(bytes.at(0));
            if (seen.size() == 1)
                QTest::qSleep(20);
        });
        LoopbackPeer peer(AF_INET);
        for (int i = 0; i < 10; ++i)
            QVERIFY(peer.sendTo(static_cast<uint16_t>(socket.boundPort()), QByteArray(4, static_cast<char>(i))));
        QVERIFY(waitUntil([&] { return seen.size() == 10; }));
        QCOMPARE(seen, (QList<int> {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    }

    // A long queue of datagrams is handled in several turns of the event
    // loop, so a timer set by the first arrival runs before the last one.
    void burstLetsTimersRun()
    {
        UdpSocket socket;
        socket.Bind();
        constexpr int Count = 2000;
        int arrivals = 0;
        int arrivalsWhenTimerRan = -1;
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t) {
            if (arrivals++ == 0)
                QTimer::singleShot(0, this, [&] { arrivalsWhenTimerRan = arrivals; });
        });
        LoopbackPeer peer(AF_INET);
        for (int i = 0; i < Count; ++i)
            QVERIFY(peer.sendTo(static_cast<uint16_t>(socket.boundPort()), pattern(16, i)));
        QVERIFY(waitUntil([&] { return arrivals == Count; }));
        QVERIFY(arrivalsWhenTimerRan > 0);
        QVERIFY2(arrivalsWhenTimerRan < Count, qPrintable(QString::number(arrivalsWhenTimerRan)));
    }

    void burstIsDeliveredCompletely()
    {
        UdpSocket socket;
        socket.Bind();
        constexpr int Total = 10000;
        constexpr int Chunk = 1000;
        int next = 0;
        bool inOrder = true;
        connect(&socket, &UdpSocket::DataArrival, this, [&](int32_t bytesTotal) {
            QByteArray bytes;
            socket.GetData(bytes, bytesTotal);
            inOrder = inOrder && bytes == QByteArray::number(next);
            ++next;
        });
        LoopbackPeer peer(AF_INET6);
        for (int sent = 0; sent < Total;) {
            for (const int end = sent + Chunk; sent < end; ++sent)
                QVERIFY(peer.sendTo(static_cast<uint16_t>(socket.boundPort()), QByteArray::number(sent)));
            QVERIFY2(waitUntil([&] { return next == sent; }), qPrintable(QString::number(next)));
        }
        QVERIFY(inOrder);
    }
};

QTEST_GUILESS_MAIN(TestUdpSocket)
#include "tst_udpsocket.moc"
