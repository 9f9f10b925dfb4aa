// The single-instance guard, in one process and across real processes.
#include "TestSupport.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// True when /proc/locks shows an exclusive flock of `pid` on `file`.
bool HoldsLock(qint64 pid, const QString &file)
{
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return false;
    const QByteArray inode = ':' + QByteArray::number(static_cast<qulonglong>(st.st_ino));
    const QList<QByteArray> lines = testsupport::readFile(u"/proc/locks"_s).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[3] == "WRITE" &&
            fields[4] == QByteArray::number(pid) && fields[5].endsWith(inode))
            return true;
    }
    return false;
}

// Starts the program copied into `folder`; the caller ends it.
void Start(QProcess &process, const QString &program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
}

void Kill(QProcess &process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
    }
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lockWithinOneProcess();
    void missingFileTellsNothing();
    void secondProcessIsRefused();
};

void SingleInstanceTest::lockWithinOneProcess()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"program"_s);
    testsupport::writeFile(file, "x");
    auto first = std::make_unique<SingleInstance>(file);
    QVERIFY(!first->PrevInstance());
    QVERIFY(!first->PrevInstance()); // its own lock does not count
    SingleInstance second(file);
    QVERIFY(second.PrevInstance());
    first.reset();
    QVERIFY(!second.PrevInstance());
}

void SingleInstanceTest::missingFileTellsNothing()
{
    SingleInstance instance(u"/nonexistent/program"_s);
    QVERIFY(!instance.PrevInstance());
}

void SingleInstanceTest::secondProcessIsRefused()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"Config"_s));
    testsupport::writeFile(
        dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s),
        "[Port]\r\nUdpPort=abc\r\n[Maintenance]\r\nResSetting=0\r\nLogMaxSize=3\r\nLogGenerations=10\r\n");
    // A copy, not a link: the program folder is where the real file lies.
    const QString program = dir.filePath(u"Tavo_UdpRecv"_s);
    QVERIFY(QFile::copy(QStringLiteral(UDPRECV_BINARY), program));

    QProcess first;
    Start(first, program);
    QVERIFY(first.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(HoldsLock(first.processId(), program), 20000);

    QProcess second;
    Start(second, program);
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(testsupport::logMessages(dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s)),
             QStringList(u"二重起動の為、起動を中止しました。"_s));
    QCOMPARE(first.state(), QProcess::Running);

    // Killed outright, the first leaves no stale lock behind.
    Kill(first);
    QProcess third;
    Start(third, program);
    QVERIFY(third.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(HoldsLock(third.processId(), program), 20000);
    Kill(third);
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
