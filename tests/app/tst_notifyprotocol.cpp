// The watchdog the service manager asks for, from its variables.
#include "app/NotifyProtocol.h"

#include <QTest>

class NotifyProtocolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void watchdogPingInterval_data()
    {
        QTest::addColumn<QByteArray>("usec");
        QTest::addColumn<QByteArray>("pid");
        QTest::addColumn<int>("ms"); // own pid: 4242
        QTest::newRow("unset") << QByteArray() << QByteArray() << 0;
        QTest::newRow("for any process") << QByteArray("30000000") << QByteArray() << 15000;
        QTest::newRow("for this process") << QByteArray("200000") << QByteArray("4242") << 100;
        QTest::newRow("for another process") << QByteArray("200000") << QByteArray("4243") << 0;
        QTest::newRow("not a number") << QByteArray("20s") << QByteArray() << 0;
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
