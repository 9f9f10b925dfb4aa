// The program's command line, through a copy of the real executable.
#include "LoopbackPeer.h"
#include "SettingsFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

const QString ProgramName = u"Tavo_UdpRecv"_s;

// A copy, not a link: the program folder is where the real file lies.
QString copyProgram(const QTemporaryDir &dir)
{
    const QString program = dir.filePath(ProgramName);
    return QFile::copy(QStringLiteral(UDPRECV_BINARY), program) ? program : QString();
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void endsWithoutStarting_data();
    void endsWithoutStarting();
    void listenEchoesOnLoopback();
};

void CommandLineTest::endsWithoutStarting_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString version = ProgramName + u" "_s + QStringLiteral(UDPRECV_VERSION) + u"\n"_s;
    QTest::newRow("help") << QStringList {u"--help"_s} << 0 << u"--listen"_s << QString();
    // A copy in a writable folder keeps its data beside itself.
    QTest::newRow("help names the data folder")
        << QStringList {u"--help"_s} << 0 << u"Config, Log and Temp: <dir> (beside the program)"_s << QString();
    QTest::newRow("version") << QStringList {u"--version"_s} << 0 << version << QString();
    QTest::newRow("Qt's own option let through")
        << QStringList {u"-style"_s, u"fusion"_s, u"-v"_s} << 0 << version << QString();
    QTest::newRow("unknown option") << QStringList {u"--listne"_s} << 2 << QString() << u"Unknown option 'listne'"_s;
    QTest::newRow("stray argument") << QStringList {u"--listen"_s, u"9000"_s} << 2 << QString()
                                    << u"unexpected argument '9000'"_s;
}

// No display at all: a program that tried to start would fail differently.
void CommandLineTest::endsWithoutStarting()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    const QString program = copyProgram(dir);
    QVERIFY(!program.isEmpty());
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    out.replace(u"<dir>"_s, QFileInfo(dir.path()).canonicalFilePath());
    if (out.endsWith(u'\n'))
        QCOMPARE(stdOut, out);
    else
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList(ProgramName));
}

void CommandLineTest::listenEchoesOnLoopback()
{
    LoopbackPeer client(AF_INET);
    const uint16_t port = freePort();
    QVERIFY(port != 0);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"Config"_s));
    QVERIFY(testsupport::SettingsFile().udpPort(port).writeTo(dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s)));
    const QString program = copyProgram(dir);
    QVERIFY(!program.isEmpty());

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, {u"--listen"_s});
    QVERIFY(process.waitForStarted(10000));

    const QByteArray payload = testsupport::pattern(32);
    const auto echo = client.answerTo(port, payload, [&] { return process.state() == QProcess::Running; });
    const bool running = process.state() == QProcess::Running;
    process.kill();
    process.waitForFinished(10000);
    QVERIFY(running);
    QVERIFY(echo);
    QCOMPARE(echo->bytes, payload);
    QCOMPARE(echo->sourcePort, port);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
