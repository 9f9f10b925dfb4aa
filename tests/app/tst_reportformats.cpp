// What the journal is sent, byte for byte, when it is used, and which
// requests and addresses the metrics endpoint takes.
#include "app/JournalFormat.h"
#include "app/MetricsHttp.h"

#include <QTest>

using namespace Qt::StringLiterals;

class ReportFormatsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void journalEntry_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("fieldName");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray head = "PRIORITY=4\nSYSLOG_IDENTIFIER=Tavo_UdpRecv\nUDPRECV_EVENT=log-failing\n";
        QTest::newRow("one line") << u"ログを書き込めません"_s << QByteArray("UDPRECV_PORT")
                                  << "MESSAGE=" + u"ログを書き込めません"_s.toUtf8() + "\n" + head + "UDPRECV_PORT=7\n";
        QTest::newRow("line feed: length-prefixed")
            << u"a\nb"_s << QByteArray("UDPRECV_PORT")
            << QByteArray("MESSAGE\n\x03\0\0\0\0\0\0\0a\nb\n", 20) + head + "UDPRECV_PORT=7\n";
        QTest::newRow("journal's own field left out") << u"x"_s << QByteArray("_PID") << "MESSAGE=x\n" + head;
        QTest::newRow("lower case left out") << u"x"_s << QByteArray("udprecv_port") << "MESSAGE=x\n" + head;
    }
    void journalEntry()
    {
        QFETCH(QString, message);
        QFETCH(QByteArray, fieldName);
        QFETCH(QByteArray, expected);
        const ProgramEvent event {"log-failing", message, ProgramEvent::Warning, {{fieldName, u"7"_s}}};
        QCOMPARE(journalformat::entryOf(event, "Tavo_UdpRecv"), expected);
    }

    void journalStream_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<bool>("journal");
        QTest::newRow("standard error's") << QByteArray("2049:77") << true;
        QTest::newRow("another inode") << QByteArray("2049:78") << false;
        QTest::newRow("unset") << QByteArray() << false;
        QTest::newRow("no colon") << QByteArray("204977") << false;
        QTest::newRow("trailing text") << QByteArray("2049:77x") << false;
    }
    void journalStream()
    {
        QFETCH(QByteArray, variable);
        QFETCH(bool, journal);
        QCOMPARE(journalformat::isJournalStream(variable, 2049, 77), journal);
    }

    void requestStatus_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::newRow("metrics") << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n") << 200;
        QTest::newRow("query, HTTP/1.0, bare LF") << QByteArray("GET /metrics?a=1 HTTP/1.0\n\n") << 200;
        QTest::newRow("head incomplete") << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\n") << 0;
        QTest::newRow("other path") << QByteArray("GET / HTTP/1.1\r\n\r\n") << 404;
        QTest::newRow("other method") << QByteArray("POST /metrics HTTP/1.1\r\n\r\n") << 405;
        QTest::newRow("no version") << QByteArray("GET /metrics\r\n\r\n") << 400;
        QTest::newRow("HTTP/2") << QByteArray("GET /metrics HTTP/2\r\n\r\n") << 400;
        QTest::newRow("not a path") << QByteArray("GET metrics HTTP/1.1\r\n\r\n") << 400;
        QTest::newRow("binary") << QByteArray("\x16\x03\x01\x02\0 / HTTP/1.1\r\n\r\n", 20) << 400;
        QTest::newRow("head beyond 8 KiB") << "GET /metrics HTTP/1.1\r\nX: " + QByteArray(8200, 'a') << 431;
    }
    void requestStatus()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QCOMPARE(metricshttp::statusOf(request), status);
    }

    void listenAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::newRow("port alone: loopback") << u"9808"_s << u"127.0.0.1"_s << 9808;
        QTest::newRow("IPv4") << u"0.0.0.0:9808"_s << u"0.0.0.0"_s << 9808;
        QTest::newRow("IPv6") << u"[::1]:1"_s << u"::1"_s << 1;
        QTest::newRow("IPv6 without brackets") << u"::1:9808"_s << QString() << 0;
        QTest::newRow("port 0") << u"127.0.0.1:0"_s << QString() << 0;
        QTest::newRow("port too large") << u"65536"_s << QString() << 0;
        QTest::newRow("host name") << u"localhost:9808"_s << QString() << 0;
        QTest::newRow("empty") << QString() << QString() << 0;
    }
    void listenAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QFETCH(int, port);
        const Result<metricshttp::ListenAddress> where = metricshttp::listenAddressOf(text);
        QCOMPARE(where.ok(), !address.isEmpty());
        if (!where) {
            QVERIFY(where.error().description().contains(text));
            return;
        }
        QCOMPARE(where->address.toString(), address);
        QCOMPARE(where->port, port);
    }
};

QTEST_APPLESS_MAIN(ReportFormatsTest)
#include "tst_reportformats.moc"
