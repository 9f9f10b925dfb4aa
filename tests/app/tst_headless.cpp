// The program with --headless, through a copy of the real executable with
// no display: echo, status lines, a clean end on a signal, and refusal
// when no usable port is stored.
#include "LoopbackPeer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A program folder with the program and its settings; `port` empty: no UdpPort.
QString PrepareProgram(const QTemporaryDir &dir, const QByteArray &port)
{
    if (!QDir(dir.path()).mkpath(u"Config"_s))
        return {};
    const QByteArray portLine = port.isEmpty() ? QByteArray() : "UdpPort=" + port + "\r\n";
    testsupport::writeFile(dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s),
                           "[Port]\r\n" + portLine +
                               "[Maintenance]\r\nResSetting=1\r\nLogMaxSize=3\r\nLogGenerations=10\r\n");
    const QString program = dir.filePath(u"Tavo_UdpRecv"_s);
    return QFile::copy(QStringLiteral(UDPRECV_BINARY), program) ? program : QString();
}

void StartHeadless(QProcess &process, const QString &program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.start(program, {u"--headless"_s});
}

const QRegularExpression
    StatusLine(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d received (\\d+) answered (\\d+) dropped (\\d+)$"_s);

} // namespace

class HeadlessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void echoesAndEndsCleanly_data();
    void echoesAndEndsCleanly();
    void refusesWithoutUsablePort_data();
    void refusesWithoutUsablePort();
};

void HeadlessTest::echoesAndEndsCleanly_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void HeadlessTest::echoesAndEndsCleanly()
{
    QFETCH(int, signal);
    LoopbackPeer client(AF_INET);
    const uint16_t port = freePort();
    QTemporaryDir dir;
    const QString program = PrepareProgram(dir, QByteArray::number(port));
    QVERIFY(port != 0 && !program.isEmpty());
    QProcess process;
    StartHeadless(process, program);
    QVERIFY(process.waitForStarted(10000));

    // One datagram every 200 ms until the echo comes, for at most 20 s;
    // then a status line, within 5 s.
    const QByteArray payload = testsupport::pattern(48);
    std::optional<LoopbackPeer::Datagram> echo;
    for (int attempt = 0; attempt < 100 && !echo && process.state() == QProcess::Running; ++attempt) {
        QVERIFY(client.sendTo(port, payload));
        echo = client.receive(200);
    }
    QByteArray out;
    for (int wait = 0; wait < 50 && !out.contains('\n') && process.state() == QProcess::Running; ++wait) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    const bool running = process.state() == QProcess::Running;
    if (running)
        ::kill(static_cast<pid_t>(process.processId()), signal);
    const bool ended = process.waitForFinished(10000);
    if (!ended)
        process.kill();
    out += process.readAllStandardOutput();
    QVERIFY(running && ended);
    QVERIFY(echo);
    QCOMPARE(echo->bytes, payload);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    // Every line is a status line; the last one, printed at the end, agrees
    // with the log, whose every line is whole.
    const QStringList lines = QString::fromLocal8Bit(out).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    for (const QString &line : lines)
        QVERIFY2(StatusLine.match(line).hasMatch(), qPrintable(line));
    const QRegularExpressionMatch last = StatusLine.match(lines.last());
    const QString logFile = dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s);
    QVERIFY(testsupport::readFile(logFile).endsWith("\r\n"));
    const QStringList log = testsupport::logMessages(logFile);
    QCOMPARE(log.filter(u"バイトのデータ受信"_s).size(), last.captured(1).toInt());
    QCOMPARE(log.filter(u"48バイトの応答送信"_s).size(), last.captured(2).toInt());
    QVERIFY(last.captured(2).toInt() >= 1);
}

void HeadlessTest::refusesWithoutUsablePort_data()
{
    QTest::addColumn<bool>("portStored");
    QTest::addColumn<QString>("err");
    QTest::newRow("port taken") << true << u"現在のポート設定ではデータを受信できません"_s;
    QTest::newRow("no UdpPort") << false << u"no usable receive port"_s;
}

void HeadlessTest::refusesWithoutUsablePort()
{
    QFETCH(bool, portStored);
    QFETCH(QString, err);
    uint16_t taken = 0;
    const int holder = holdPort("0.0.0.0", 0, false, 0, taken);
    QVERIFY(holder >= 0);
    QTemporaryDir dir;
    const QString program = PrepareProgram(dir, portStored ? QByteArray::number(taken) : QByteArray());
    QProcess process;
    StartHeadless(process, program);
    const bool ended = process.waitForFinished(20000);
    if (!ended)
        process.kill();
    ::close(holder);
    QVERIFY(ended);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(stdErr.contains(err) && stdErr.contains(u"no usable receive port"_s), qPrintable(stdErr));
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
}

QTEST_GUILESS_MAIN(HeadlessTest)
#include "tst_headless.moc"
