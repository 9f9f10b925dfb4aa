// The service manager's notification protocol: the socket NOTIFY_SOCKET
// names and the watchdog's ping interval, from the manager's variables.
#include "app/NotifyProtocol.h"

#include <QTest>

#include <cstddef>

class NotifyProtocolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addressOf_data()
    {
        QTest::addColumn<QByteArray>("notifySocket");
        QTest::addColumn<QByteArray>("sunPath"); // empty: no address
        QTest::newRow("path") << QByteArray("/run/systemd/notify") << QByteArray("/run/systemd/notify\0", 20);
        QTest::newRow("abstract name") << QByteArray("@/org/x/notify") << QByteArray("\0/org/x/notify", 14);
        QTest::newRow("longest path") << "/" + QByteArray(106, 'p') << "/" + QByteArray(106, 'p') + '\0';
        QTest::newRow("path too long") << "/" + QByteArray(107, 'p') << QByteArray();
        QTest::newRow("longest abstract name") << "@" + QByteArray(107, 'a') << '\0' + QByteArray(107, 'a');
        QTest::newRow("relative path") << QByteArray("run/notify") << QByteArray();
        QTest::newRow("@ alone") << QByteArray("@") << QByteArray();
        QTest::newRow("vsock") << QByteArray("vsock:2:1234") << QByteArray();
    }
    void addressOf()
    {
        QFETCH(QByteArray, notifySocket);
        QFETCH(QByteArray, sunPath);
        const auto address = notifyprotocol::addressOf(notifySocket);
        QCOMPARE(address.has_value(), !sunPath.isEmpty());
        if (!address)
            return;
        QCOMPARE(address->address.sun_family, sa_family_t(AF_UNIX));
        const auto pathLength = address->length - offsetof(sockaddr_un, sun_path);
        QCOMPARE(QByteArray(address->address.sun_path, qsizetype(pathLength)), sunPath);
    }

    void watchdogPingInterval_data()
    {
        QTest::addColumn<QByteArray>("usec");
        QTest::addColumn<QByteArray>("pid");
        QTest::addColumn<int>("ms"); // own pid: 4242
        QTest::newRow("unset") << QByteArray() << QByteArray() << 0;
        QTest::newRow("30 s") << QByteArray("30000000") << QByteArray() << 15000;
        QTest::newRow("for this process") << QByteArray("200000") << QByteArray("4242") << 100;
        QTest::newRow("for another process") << QByteArray("200000") << QByteArray("4243") << 0;
        QTest::newRow("pid not a number") << QByteArray("200000") << QByteArray("x") << 0;
        QTest::newRow("zero") << QByteArray("0") << QByteArray() << 0;
        QTest::newRow("not a number") << QByteArray("20s") << QByteArray() << 0;
        QTest::newRow("a microsecond") << QByteArray("1") << QByteArray() << 1;
        QTest::newRow("beyond a timer") << QByteArray("9999999999999999") << QByteArray() << INT_MAX;
    }
    void watchdogPingInterval()
    {
        QFETCH(QByteArray, usec);
        QFETCH(QByteArray, pid);
        QFETCH(int, ms);
        QCOMPARE(notifyprotocol::watchdogPingInterval(usec, pid, 4242).count(), ms);
    }
};

QTEST_APPLESS_MAIN(NotifyProtocolTest)
#include "tst_notifyprotocol.moc"
