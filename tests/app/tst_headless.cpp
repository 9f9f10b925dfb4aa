// The real executable as a terminal or a service manager runs it, from a
// copy: with --headless (echo, status lines, refusal when no usable port
// is stored, the notifications of a Type=notify service) and as the
// window program; both end cleanly on the signals that end a program.
#include "LoopbackPeer.h"
#include "SettingsFile.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using testsupport::SettingsFile;

namespace {

// A program folder with the program and its settings.
QString prepareProgram(const QTemporaryDir &dir, const SettingsFile &settings)
{
    if (!QDir(dir.path()).mkpath(u"Config"_s) || !settings.writeTo(dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s)))
        return {};
    const QString program = dir.filePath(u"Tavo_UdpRecv"_s);
    return QFile::copy(QStringLiteral(UDPRECV_BINARY), program) ? program : QString();
}

// Headless: no display at all. The window program: the offscreen platform,
// reception switched on by --listen.
void startProgram(QProcess &process, const QString &program, bool headless,
                  const QProcessEnvironment &extra = QProcessEnvironment())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"NOTIFY_SOCKET"_s})
        env.remove(name);
    if (!headless)
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(extra);
    process.setProcessEnvironment(env);
    process.start(program, {headless ? u"--headless"_s : u"--listen"_s});
}

// The service manager's end: a datagram socket bound to a path or, after
// '@', to a name in the abstract namespace; -1 on failure.
int bindNotifySocket(const QByteArray &name)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    if (name.startsWith('@'))
        address.sun_path[0] = '\0';
    const auto length = static_cast<socklen_t>(sizeof(sa_family_t) + static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) == 0 ? fd : -1;
}

// The messages waiting on the manager's socket.
QByteArrayList drain(int fd)
{
    QByteArrayList messages;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) >= 0;)
        messages.append(QByteArray(buffer, n));
    return messages;
}

const QRegularExpression
    StatusLine(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d received (\\d+) answered (\\d+) dropped (\\d+)$"_s);

} // namespace

class HeadlessTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void notifiesServiceManager_data();
    void notifiesServiceManager();
    void refusesWithoutUsablePort_data();
    void refusesWithoutUsablePort();
    void customRulesAnswer_data();
    void customRulesAnswer();
};

void HeadlessTest::endsCleanlyOnSignal_data()
{
    QTest::addColumn<bool>("headless");
    QTest::addColumn<int>("signal");
    for (const bool headless : {true, false}) {
        const char *mode = headless ? "headless" : "window";
        QTest::addRow("%s, SIGTERM", mode) << headless << int(SIGTERM);
        QTest::addRow("%s, SIGINT", mode) << headless << int(SIGINT);
        QTest::addRow("%s, SIGHUP", mode) << headless << int(SIGHUP);
    }
}

void HeadlessTest::endsCleanlyOnSignal()
{
    QFETCH(bool, headless);
    QFETCH(int, signal);
    LoopbackPeer client(AF_INET);
    const uint16_t port = freePort();
    QTemporaryDir dir;
    const QString program = prepareProgram(dir, SettingsFile().udpPort(port));
    QVERIFY(port != 0 && !program.isEmpty());
    QProcess process;
    startProgram(process, program, headless);
    QVERIFY(process.waitForStarted(10000));

    // The signal comes among datagrams in flight: the one in hand is
    // answered and logged whole, the others wait in the socket.
    const QByteArray payload = testsupport::pattern(48);
    const auto echo = client.answerTo(port, payload, [&] { return process.state() == QProcess::Running; });
    for (int i = 0; i < 200 && echo; ++i)
        client.sendTo(port, payload);
    const bool running = process.state() == QProcess::Running;
    if (running)
        ::kill(static_cast<pid_t>(process.processId()), signal);
    const bool ended = process.waitForFinished(20000);
    if (!ended)
        process.kill();
    QVERIFY(running && ended);
    QVERIFY(echo);
    QCOMPARE(echo->bytes, payload);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    const QString logFile = dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s);
    QVERIFY(testsupport::readFile(logFile).endsWith("\r\n"));
    const QStringList log = testsupport::logMessages(logFile);
    const qsizetype received = log.filter(u"バイトのデータ受信"_s).size();
    QCOMPARE(log.filter(u"48バイトの応答送信"_s).size(), received);
    if (!headless)
        return;
    // Every line is a status line; the last one, printed at the end, agrees with the log.
    const QStringList lines = QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    for (const QString &line : lines)
        QVERIFY2(StatusLine.match(line).hasMatch(), qPrintable(line));
    const QRegularExpressionMatch last = StatusLine.match(lines.last());
    QCOMPARE(last.captured(1).toInt(), received);
    QCOMPARE(last.captured(2).toInt(), received);
}

void HeadlessTest::notifiesServiceManager_data()
{
    QTest::addColumn<QString>("socketName"); // <dir>: the temporary folder
    QTest::addColumn<QString>("watchdogUsec");
    QTest::newRow("path, watchdog") << u"<dir>/notify"_s << u"200000"_s;
    QTest::newRow("abstract name, watchdog") << u"@tst_headless/<pid>/notify"_s << u"200000"_s;
    QTest::newRow("path, no watchdog") << u"<dir>/notify"_s << QString();
}

void HeadlessTest::notifiesServiceManager()
{
    QFETCH(QString, socketName);
    QFETCH(QString, watchdogUsec);
    LoopbackPeer client(AF_INET);
    const uint16_t port = freePort();
    QTemporaryDir dir;
    const QString program = prepareProgram(dir, SettingsFile().udpPort(port));
    socketName.replace(u"<dir>"_s, dir.path()).replace(u"<pid>"_s, QString::number(QCoreApplication::applicationPid()));
    const int manager = bindNotifySocket(QFile::encodeName(socketName));
    const auto closeManager = qScopeGuard([manager] { ::close(manager); });
    QVERIFY(port != 0 && !program.isEmpty() && manager >= 0);
    QProcessEnvironment env;
    env.insert(u"NOTIFY_SOCKET"_s, socketName);
    if (!watchdogUsec.isEmpty())
        env.insert(u"WATCHDOG_USEC"_s, watchdogUsec);
    QProcess process;
    startProgram(process, program, true, env);

    // Ready with a first status line once the port is bound: an echo comes at once.
    QByteArrayList messages;
    for (int wait = 0; wait < 200 && messages.isEmpty() && !process.waitForFinished(100); ++wait)
        messages = drain(manager);
    QVERIFY(!messages.isEmpty());
    QVERIFY2(messages[0].startsWith("READY=1\nSTATUS=") &&
                 StatusLine.match(QString::fromUtf8(messages[0].mid(15))).hasMatch(),
             messages[0].constData());
    QVERIFY(client.sendTo(port, testsupport::pattern(16)) && client.receive(2000));

    // The status line printed for that second goes to the manager too; SIGTERM then ends the program.
    QByteArray out;
    for (int wait = 0; wait < 50 && !out.contains('\n'); ++wait) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
        messages += drain(manager);
    }
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    for (int wait = 0; wait < 100 && !process.waitForFinished(100); ++wait)
        messages += drain(manager);
    messages += drain(manager);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    const QByteArray firstLine = out.left(out.indexOf('\n'));
    QVERIFY2(StatusLine.match(QString::fromLocal8Bit(firstLine)).hasMatch() && messages.contains("STATUS=" + firstLine),
             out.constData());
    QVERIFY(messages.contains("STOPPING=1"));
    QCOMPARE(messages.count("WATCHDOG=1") > 0, !watchdogUsec.isEmpty());
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
    const QString program =
        prepareProgram(dir, SettingsFile().udpPort(portStored ? SettingsFile::Value(QString::number(taken)) : std::nullopt));
    QProcess process;
    startProgram(process, program, true);
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

void HeadlessTest::customRulesAnswer_data()
{
    QTest::addColumn<bool>("headless");
    QTest::addColumn<bool>("withRules");
    QTest::newRow("headless, rules") << true << true;
    QTest::newRow("window, rules") << false << true;
    QTest::newRow("headless, no rules file") << true << false;
    QTest::newRow("window, no rules file") << false << false;
}

// ResSetting=2 answers by the rules file when it has a rule: a BACnet/IP
// Who-Is gets an I-Am, anything else nothing. Without rules it answers
// nothing at all, as before there were rules.
void HeadlessTest::customRulesAnswer()
{
    QFETCH(bool, headless);
    QFETCH(bool, withRules);
    const QByteArray whoIs = QByteArray::fromHex("810b000c0120ffff00ff1008");
    const QByteArray iAm = QByteArray::fromHex("810a001501001000c4020004d22205c491032203e7");
    LoopbackPeer client(AF_INET);
    const uint16_t port = freePort();
    QTemporaryDir dir;
    const QString program = prepareProgram(dir, SettingsFile().udpPort(port).resSetting(2));
    QVERIFY(port != 0 && !program.isEmpty());
    if (withRules)
        testsupport::writeFile(dir.filePath(u"Config/Tavo_UdpRecvRules.txt"_s),
                               "; BACnet/IP\r\nwhois prefix=810b contains=1008 -> 810a0015 0100 1000 c4020004d2 "
                               "2205c4 9103 2203e7\r\n");
    QProcess process;
    startProgram(process, program, headless);
    QVERIFY(process.waitForStarted(10000));
    const QString logFile = dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s);

    // Who-Is until it is answered or, without rules, logged.
    std::optional<LoopbackPeer::Datagram> answer;
    bool logged = false;
    for (int attempt = 0; attempt < 100 && !answer && !logged && process.state() == QProcess::Running; ++attempt) {
        client.sendTo(port, whoIs);
        answer = client.receive(200);
        logged = !withRules && testsupport::logMessages(logFile).contains(u"12バイトのデータ受信"_s);
    }
    QVERIFY(answer || logged);
    if (withRules)
        QCOMPARE(answer->bytes, iAm);
    else
        QVERIFY(!answer);
    QVERIFY(client.sendTo(port, "other"));
    QVERIFY(!client.receive(300));
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(20000));

    const QStringList log = testsupport::logMessages(logFile);
    QVERIFY(log.contains(u"5バイトのデータ受信"_s));
    QCOMPARE(log.filter(u"応答送信"_s).size(), withRules ? log.filter(u"12バイトのデータ受信"_s).size() : 0);
    QCOMPARE(log.filter(u"応答送信"_s), QStringList(log.filter(u"応答送信"_s).size(), u"21バイトの応答送信"_s));
}

QTEST_GUILESS_MAIN(HeadlessTest)
#include "tst_headless.moc"
