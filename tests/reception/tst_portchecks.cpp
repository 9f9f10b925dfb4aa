#include "LoopbackPeer.h"
#include "TestLog.h"
#include "core/RuntimeError.h"
#include "reception/PortChecks.h"
#include "reception/UdpSocket.h"

#include <QTest>

#include <unistd.h>

class TestPortChecks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void checkPortNo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("log");
        const QStringList none;
        QTest::newRow("empty") << QString() << false << none;
        QTest::newRow("abc") << QStringLiteral("abc") << false << none;
        QTest::newRow("0: the system would pick") << QStringLiteral("0") << false << none;
        QTest::newRow("1") << QStringLiteral("1") << true << none;
        QTest::newRow("65535") << QStringLiteral("65535") << true << none;
        QTest::newRow("65536") << QStringLiteral("65536") << false << none;
        QTest::newRow("-1") << QStringLiteral("-1") << false << none;
        QTest::newRow("blanks around") << QStringLiteral("  8000 ") << true << none;
        QTest::newRow("80.5 is 80") << QStringLiteral("80.5") << true << none;
        QTest::newRow("65535.5 is 65536") << QStringLiteral("65535.5") << false << none;
        QTest::newRow("-0.5 is 0") << QStringLiteral("-0.5") << false << none;
        QTest::newRow("exponent") << QStringLiteral("5e3") << true << none;
        QTest::newRow("hex prefix") << QStringLiteral("0x50") << false << none;
        QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999") << false
                                        << QStringList {RuntimeError::overflow().description() +
                                                        QStringLiteral("(CheckPortNo)")};
    }
    void checkPortNo()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QStringList, log);
        TestLog t;
        const QString before = text;
        QCOMPARE(CheckPortNo(text, t.guard), valid);
        QCOMPARE(t.messages(), log);
        QCOMPARE(text, before);
    }

    void checkBindPortRefuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("description");
        QTest::newRow("not numeric") << QStringLiteral("abc") << RuntimeError::typeMismatch().description();
        QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999") << RuntimeError::overflow().description();
        QTest::newRow("above 65535") << QStringLiteral("70000") << RuntimeError::invalidArgument().description();
        QTest::newRow("negative") << QStringLiteral("-1") << RuntimeError::invalidArgument().description();
        QTest::newRow("0: the system would pick")
            << QStringLiteral("0") << QStringLiteral("UDP ポート 0 では受信できません");
    }
    void checkBindPortRefuses()
    {
        QFETCH(QString, text);
        QFETCH(QString, description);
        TestLog t;
        UdpSocket socket;
        QVERIFY(!CheckBindPort(socket, text, t.guard));
        QCOMPARE(t.messages(), QStringList {description + QStringLiteral("(CheckBindPort)")});
        QCOMPARE(socket.State(), 0);
    }

    void checkBindPortOnHeldPort()
    {
        TestLog t;
        uint16_t port = 0;
        const int other = holdPort("127.0.0.1", 0, false, 0, port);
        QVERIFY(other >= 0);
        UdpSocket socket;
        const bool bound = CheckBindPort(socket, QString::number(port), t.guard);
        ::close(other);
        QVERIFY(!bound);
        const QStringList log = t.messages();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].endsWith(QStringLiteral("(CheckBindPort)")), qPrintable(log[0]));
        QVERIFY2(log[0].contains(QString::number(port)), qPrintable(log[0]));
        QCOMPARE(socket.State(), 0);
    }

    void checkBindPortReleasesAtOnce()
    {
        TestLog t;
        const uint16_t port = freePort();
        const QString text = QString::number(port);
        UdpSocket socket;
        QVERIFY(CheckBindPort(socket, text, t.guard));
        QCOMPARE(socket.State(), 0);
        QVERIFY(CheckBindPort(socket, text, t.guard));
        uint16_t again = 0;
        const int other = holdPort("::", 0, false, port, again);
        QVERIFY(other >= 0);
        ::close(other);
        QVERIFY(t.messages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPortChecks)
#include "tst_portchecks.moc"
