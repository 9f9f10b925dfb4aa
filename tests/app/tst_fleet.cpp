// The real program as a rig of a fleet runs it: its counters on the
// metrics endpoint (checked against the log, the echoes, promtool and a
// real Prometheus server), its events in a journal socket of the test's
// own, and an endpoint that bad clients cannot use to stall the echoes.
#include "LoopbackPeer.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstring>
#include <thread>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

uint16_t freeTcpPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

// A program folder with its settings (echo mode) and the program.
QString prepareProgram(const QTemporaryDir &dir, uint16_t port)
{
    QDir(dir.path()).mkpath(u"Config"_s);
    testsupport::writeFile(dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s),
                           "[Port]\r\nUdpPort=" + QByteArray::number(port) +
                               "\r\n[Maintenance]\r\nResSetting=1\r\nLogMaxSize=3\r\nLogGenerations=10\r\n");
    const QString program = dir.filePath(u"Tavo_UdpRecv"_s);
    return QFile::copy(QStringLiteral(UDPRECV_BINARY), program) ? program : QString();
}

// One request on its own connection; what came back before the server closed it (at most 8 s).
QByteArray request(uint16_t port, const QByteArray &bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return {};
    socket.write(bytes);
    QByteArray answer;
    for (int wait = 0; wait < 80 && socket.state() == QAbstractSocket::ConnectedState; ++wait) {
        socket.waitForReadyRead(100);
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

// A sample's value in an exposition text, rounded; -1 when missing.
qint64 metric(const QByteArray &text, const QString &series)
{
    const QRegularExpression line(u"^"_s + QRegularExpression::escape(series) + u" (\\S+)$"_s,
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(text));
    return match.hasMatch() ? qRound64(match.captured(1).toDouble()) : -1;
}

// promtool or prometheus: the unpacked one, else one on PATH; empty when neither.
QString prometheusTool(const QString &name)
{
    const QString unpacked = QStandardPaths::findExecutable(name, {QStringLiteral(UDPRECV_PROMETHEUS_BIN)});
    return unpacked.isEmpty() ? QStandardPaths::findExecutable(name) : unpacked;
}

// The journal's end: a datagram socket at `path`; entries as field maps.
int bindJournal(const QByteArray &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 ? fd : -1;
}

QList<QMap<QByteArray, QByteArray>> journalEntries(int fd)
{
    QList<QMap<QByteArray, QByteArray>> entries;
    char buffer[8192];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) >= 0;) {
        QMap<QByteArray, QByteArray> fields;
        for (const QByteArray &line : QByteArray(buffer, n).split('\n')) {
            if (const qsizetype equals = line.indexOf('='); equals > 0)
                fields.insert(line.first(equals), line.sliced(equals + 1));
        }
        entries.append(fields);
    }
    return entries;
}

} // namespace

class FleetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countersAndEvents_data();
    void countersAndEvents();
    void badClientsLeaveEchoesAlone_data();
    void badClientsLeaveEchoesAlone();
    void prometheusScrapes();

private:
    // The program folder, journal socket and process of the test running now.
    struct Rig {
        QTemporaryDir dir;
        uint16_t port = freePort();
        uint16_t metricsPort = freeTcpPort();
        int journal = -1;
        QProcess process;
        ~Rig()
        {
            process.kill();
            process.waitForFinished(5000);
            ::close(journal);
        }
    };
    bool start(Rig &rig, bool headless);
    std::unique_ptr<Rig> m_shared; // for the requests of the bad clients
};

// Under a journal: standard error a file named by JOURNAL_STREAM, the socket the test's.
bool FleetTest::start(Rig &rig, bool headless)
{
    const QString program = prepareProgram(rig.dir, rig.port);
    const QString stdErr = rig.dir.filePath(u"stderr"_s);
    testsupport::writeFile(stdErr, {});
    struct stat st {};
    rig.journal = bindJournal(QFile::encodeName(rig.dir.filePath(u"journal"_s)));
    if (program.isEmpty() || rig.port == 0 || rig.metricsPort == 0 || rig.journal < 0 ||
        ::stat(QFile::encodeName(stdErr).constData(), &st) != 0)
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"NOTIFY_SOCKET"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"JOURNAL_STREAM"_s, u"%1:%2"_s.arg(st.st_dev).arg(st.st_ino));
    env.insert(u"UDPRECV_JOURNAL_SOCKET"_s, rig.dir.filePath(u"journal"_s));
    rig.process.setProcessEnvironment(env);
    rig.process.setStandardErrorFile(stdErr, QIODevice::Append);
    rig.process.start(program, {headless ? u"--headless"_s : u"--listen"_s, u"--metrics"_s,
                                u"127.0.0.1:%1"_s.arg(rig.metricsPort)});
    LoopbackPeer client(AF_INET);
    for (int attempt = 0; attempt < 100 && rig.process.state() != QProcess::NotRunning; ++attempt) {
        if (client.sendTo(rig.port, "ping") && client.receive(200))
            return true;
    }
    return false;
}

void FleetTest::countersAndEvents_data()
{
    QTest::addColumn<bool>("headless");
    QTest::newRow("headless") << true;
    QTest::newRow("window") << false;
}

// Datagrams of every kind, three of them while the log cannot be written:
// the counters, the log and the journal tell the same story.
void FleetTest::countersAndEvents()
{
    QFETCH(bool, headless);
    Rig rig;
    QVERIFY(start(rig, headless));
    LoopbackPeer client(AF_INET);
    qint64 sent = 1; // the first echo's
    qint64 echoes = 1;
    qint64 bytes = 4;
    const auto exchange = [&](const QByteArray &payload) {
        ++sent;
        bytes += payload.size();
        if (client.sendTo(rig.port, payload) && payload.size() > 1 && client.receive(2000))
            ++echoes;
    };
    for (int i = 0; i < 20; ++i)
        exchange(testsupport::pattern(10 + i * 50, i));
    exchange({});
    exchange("x");
    // An answered scrape comes after every datagram before it is handled whole, its log lines written.
    const auto settled = [&rig] { return request(rig.metricsPort, "GET /metrics HTTP/1.0\r\n\r\n").size() > 0; };
    QVERIFY(settled());
    const QString log = rig.dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s);
    QVERIFY(QFile::rename(log, log + u".kept"_s) && ::mkfifo(QFile::encodeName(log).constData(), 0600) == 0);
    for (int i = 0; i < 3; ++i)
        exchange(testsupport::pattern(30, i));
    QVERIFY(settled() && QFile::remove(log) && QFile::rename(log + u".kept"_s, log));
    exchange("after");

    const QByteArray answer = request(rig.metricsPort, "GET /metrics HTTP/1.1\r\nHost: rig\r\n\r\n");
    QVERIFY2(answer.startsWith("HTTP/1.1 200 OK\r\n"), answer.constData());
    const QByteArray text = answer.mid(answer.indexOf("\r\n\r\n") + 4);
    const QStringList lines = testsupport::logMessages(log);
    QCOMPARE(echoes, sent - 2);
    QCOMPARE(metric(text, u"udprecv_datagrams_received_total"_s), sent);
    QCOMPARE(lines.filter(u"バイトのデータ受信"_s).size() + lines.filter(u"通信エラー"_s).size() + 3, sent);
    QCOMPARE(metric(text, u"udprecv_datagrams_answered_total"_s), echoes);
    QCOMPARE(lines.filter(u"バイトの応答送信"_s).size() + 3, echoes);
    QCOMPARE(metric(text, u"udprecv_datagrams_dropped_total{reason=\"too_short\"}"_s), 2LL);
    QCOMPARE(metric(text, u"udprecv_received_bytes_total"_s), bytes);
    QCOMPARE(metric(text, u"udprecv_sent_bytes_total"_s), bytes - 1);
    QCOMPARE(metric(text, u"udprecv_log_lines_lost_total"_s), 6LL);
    QCOMPARE(metric(text, u"udprecv_rotations_total{file=\"log\"}"_s), 0LL);
    QCOMPARE(metric(text, u"udprecv_receive_port"_s), qint64(rig.port));
    QCOMPARE(metric(text, u"udprecv_reception_on"_s), 1LL);
    QVERIFY(qAbs(metric(text, u"udprecv_last_receive_timestamp_seconds"_s) - QDateTime::currentSecsSinceEpoch()) < 30);
    const QString promtool = prometheusTool(u"promtool"_s);
    if (!promtool.isEmpty()) {
        QProcess check;
        check.start(promtool, {u"check"_s, u"metrics"_s});
        check.write(text);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(20000));
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }

    // Stopped, the program leaves its receive buffer full and the system drops the rest of a flood;
    // the stop totals count every datagram, handled or dropped.
    const auto pid = static_cast<pid_t>(rig.process.processId());
    const qint64 flood = 2 * testsupport::readFile(u"/proc/sys/net/core/rmem_max"_s).trimmed().toLongLong() / 4000 + 100;
    LoopbackPeer flooder(AF_INET);
    QVERIFY(::kill(pid, SIGSTOP) == 0);
    for (qint64 i = 0; i < flood; ++i)
        sent += flooder.sendTo(rig.port, testsupport::pattern(4000)) ? 1 : 0;
    QVERIFY(::kill(pid, SIGCONT) == 0);
    bool drained = false; // once the echo of the last probe comes back
    for (int i = 0; i < 100 && !drained; ++i) {
        const QByteArray probe = "drained " + QByteArray::number(i);
        sent += client.sendTo(rig.port, probe) ? 1 : 0;
        for (std::optional<LoopbackPeer::Datagram> echo; !drained && (echo = client.receive(200));)
            drained = echo->bytes == probe;
    }
    QVERIFY(drained);

    ::kill(pid, SIGTERM);
    QVERIFY(rig.process.waitForFinished(20000));
    QMap<QByteArray, QMap<QByteArray, QByteArray>> byEvent;
    for (const auto &entry : journalEntries(rig.journal))
        byEvent.insert(entry.value("UDPRECV_EVENT"), entry);
    const auto field = [&](const char *event, const char *name) { return byEvent.value(event).value(name); };
    QCOMPARE(field("start", "PRIORITY"), "5");
    QCOMPARE(field("start", "UDPRECV_PORT"), QByteArray::number(rig.port));
    QCOMPARE(field("start", "UDPRECV_DATA_FOLDER"), QFile::encodeName(rig.dir.path()));
    QCOMPARE(field("start", "UDPRECV_VERSION"), UDPRECV_VERSION);
    QCOMPARE(field("reception-on", "PRIORITY"), "6");
    QCOMPARE(field("log-failing", "PRIORITY"), "4");
    QCOMPARE(field("log-failing", "UDPRECV_FILE"), QFile::encodeName(log));
    QCOMPARE(field("log-recovered", "PRIORITY"), "5");
    QCOMPARE(field("log-recovered", "UDPRECV_LOST"), "6");
    const qint64 dropped = field("stop", "UDPRECV_DROPPED").toLongLong();
    QVERIFY(dropped > 0);
    QCOMPARE(field("stop", "UDPRECV_RECEIVED").toLongLong() + dropped, sent);
    QCOMPARE(field("stop", "SYSLOG_IDENTIFIER"), "Tavo_UdpRecv");
    // What the journal got, standard error did not.
    QVERIFY(!testsupport::readFile(rig.dir.filePath(u"stderr"_s)).contains(u"ログを書き込めません"_s.toLocal8Bit()));
}

void FleetTest::badClientsLeaveEchoesAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("statusLine"); // empty: closed unanswered
    QTest::newRow("other path") << QByteArray("GET / HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.1 404 Not Found");
    QTest::newRow("other method") << QByteArray("DELETE /metrics HTTP/1.1\r\n\r\n")
                                  << QByteArray("HTTP/1.1 405 Method Not Allowed");
    QTest::newRow("malformed") << QByteArray("\x16\x03\x01\r\n\r\n") << QByteArray("HTTP/1.1 400 Bad Request");
    QTest::newRow("endless head") << "GET /metrics HTTP/1.1\r\nX: " + QByteArray(64 * 1024, 'a')
                                  << QByteArray("HTTP/1.1 431 Request Header Fields Too Large");
    QTest::newRow("slow: never ends its head") << QByteArray("GET /metrics HTTP/1.1\r\n") << QByteArray();
}

void FleetTest::badClientsLeaveEchoesAlone()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, statusLine);
    if (!m_shared) {
        m_shared = std::make_unique<Rig>();
        QVERIFY(start(*m_shared, true));
    }
    // The request waits for its answer on a thread of its own; echoes go on meanwhile.
    QByteArray answer;
    QElapsedTimer timer;
    timer.start();
    std::thread client([&] { answer = request(m_shared->metricsPort, bytes); });
    LoopbackPeer peer(AF_INET);
    int echoes = 0;
    for (int i = 0; i < 10; ++i) {
        echoes += peer.sendTo(m_shared->port, "during") && peer.receive(1000) ? 1 : 0;
        QThread::msleep(100);
    }
    client.join();
    QCOMPARE(echoes, 10);
    QCOMPARE(answer.left(answer.indexOf("\r\n")), statusLine);
    if (statusLine.isEmpty())
        QVERIFY(timer.elapsed() >= 4500 && timer.elapsed() < 7500); // closed after 5 s
}

// A real Prometheus server on loopback scrapes the program every second and
// answers a query for its received counter; the README's alert rules load.
void FleetTest::prometheusScrapes()
{
    const QString prometheus = prometheusTool(u"prometheus"_s);
    const QString promtool = prometheusTool(u"promtool"_s);
    if (prometheus.isEmpty() || promtool.isEmpty())
        QSKIP("prometheus and promtool not found (scripts/install-deps.sh unpacks them)");
    const QString examples = QStringLiteral(UDPRECV_SOURCE_DIR "/docs/fleet/");
    QCOMPARE(QProcess::execute(promtool, {u"check"_s, u"config"_s, examples + u"prometheus.yml"_s}), 0);

    Rig rig;
    QVERIFY(start(rig, true));
    LoopbackPeer client(AF_INET);
    for (int i = 0; i < 4; ++i)
        QVERIFY(client.sendTo(rig.port, "scraped") && client.receive(2000));
    const uint16_t webPort = freeTcpPort();
    testsupport::writeFile(rig.dir.filePath(u"prometheus.yml"_s),
                           "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\nrule_files:\n  - " +
                               QFile::encodeName(examples) +
                               "udprecv-alerts.yml\nscrape_configs:\n  - job_name: udprecv\n    static_configs:\n"
                               "      - targets: ['127.0.0.1:" +
                               QByteArray::number(rig.metricsPort) + "']\n");
    QProcess server;
    server.start(prometheus, {u"--config.file="_s + rig.dir.filePath(u"prometheus.yml"_s),
                              u"--storage.tsdb.path="_s + rig.dir.filePath(u"tsdb"_s),
                              u"--web.listen-address=127.0.0.1:%1"_s.arg(webPort)});
    const auto stop = qScopeGuard([&server] {
        server.terminate();
        if (!server.waitForFinished(10000))
            server.kill();
    });
    QByteArray result;
    for (int wait = 0; wait < 60 && !result.contains("\"5\"]"); ++wait) {
        QThread::msleep(500);
        result = request(webPort, "GET /api/v1/query?query=udprecv_datagrams_received_total HTTP/1.0\r\n\r\n");
    }
    QVERIFY2(result.contains("\"job\":\"udprecv\"") && result.contains("\"5\"]"), result.constData());
    const QByteArray rules = request(webPort, "GET /api/v1/rules HTTP/1.0\r\n\r\n");
    QVERIFY2(rules.contains("UdpRecvNotReceiving") && rules.contains("UdpRecvSystemDrops") &&
                 !rules.contains("\"health\":\"err"),
             rules.constData());
}

QTEST_GUILESS_MAIN(FleetTest)
#include "tst_fleet.moc"
