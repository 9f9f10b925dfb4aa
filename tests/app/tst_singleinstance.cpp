// The single-instance guard, in one process and across real processes of
// the installed program.
#include "LoopbackPeer.h"
#include "SettingsFile.h"
#include "TestSupport.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr uid_t Nobody = 65534; // nobody and nogroup

// A per-user data home whose settings select echo mode on `port`, owned by `owner`.
bool prepareDataHome(const QString &dataHome, uint16_t port, uid_t owner)
{
    const QString folder = dataHome + u"/Tavo_UdpRecv"_s;
    if (!QDir().mkpath(folder + u"/Config"_s))
        return false;
    const QString settings = folder + u"/Config/Tavo_UdpRecvSetting.ini"_s;
    if (!testsupport::SettingsFile().udpPort(port).writeTo(settings))
        return false;
    for (const QString &path : {dataHome, folder, folder + u"/Config"_s, settings}) {
        if (::chown(QFile::encodeName(path).constData(), owner, owner) != 0)
            return false;
    }
    return true;
}

void start(QProcess &process, const QString &program, const QString &dataHome, bool asNobody, bool window)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, dataHome);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dataHome);
    if (asNobody) {
        process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ::_exit(126);
        });
    }
    process.start(program, window ? QStringList() : QStringList(u"--headless"_s));
    process.waitForStarted(10000);
}

bool echoes(const QProcess &process, uint16_t port)
{
    LoopbackPeer client(AF_INET);
    const QByteArray payload = testsupport::pattern(16, port);
    const auto echo = client.answerTo(port, payload, [&] { return process.state() == QProcess::Running; });
    return echo && echo->bytes == payload;
}

// The sanitizers of an instrumented build read their suppression files at
// every start, as whatever user runs: copies in `folder`, which every user
// can read, stand in for files that may lie in a folder private to root.
bool shareSuppressions(const QString &folder)
{
    for (const char *variable : {"ASAN_OPTIONS", "LSAN_OPTIONS"}) {
        QStringList options = QString::fromLocal8Bit(qgetenv(variable)).split(u':', Qt::SkipEmptyParts);
        for (QString &option : options) {
            if (!option.startsWith(u"suppressions="_s))
                continue;
            const QString copy = folder + u'/' + QLatin1StringView(variable) + u".supp"_s;
            if (!QFile::copy(option.mid(13), copy) ||
                !QFile::setPermissions(copy, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther))
                return false;
            option = u"suppressions="_s + copy;
        }
        if (!options.isEmpty())
            qputenv(variable, options.join(u':').toLocal8Bit());
    }
    return true;
}

void end(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_program;

private Q_SLOTS:
    void initTestCase();
    void lockWithinOneProcess();
    void unusableLockTellsNothing_data();
    void unusableLockTellsNothing();
    void oneInstancePerDataFolder_data();
    void oneInstancePerDataFolder();
};

// The installed tree, readable by every user.
void SingleInstanceTest::initTestCase()
{
    QVERIFY(QFile::setPermissions(m_root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                     QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                                     QFile::ExeGroup));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(UDPRECV_CMAKE),
                  {u"--install"_s, QStringLiteral(UDPRECV_BUILD_DIR), u"--prefix"_s, m_root.filePath(u"prefix"_s)});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    m_program = m_root.filePath(u"prefix/bin/Tavo_UdpRecv"_s);
    QVERIFY(QFileInfo(m_program).isExecutable());
    QVERIFY(shareSuppressions(m_root.path()));
}

void SingleInstanceTest::lockWithinOneProcess()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Tavo_UdpRcv.lock"_s);
    auto first = std::make_unique<SingleInstance>();
    QVERIFY(!first->PrevInstance(file));
    QVERIFY(!first->PrevInstance(file)); // its own lock does not count
    struct stat st {};
    QCOMPARE(::lstat(QFile::encodeName(file).constData(), &st), 0);
    QVERIFY(S_ISREG(st.st_mode) && (st.st_mode & 0133) == 0); // made, writable by its owner alone
    SingleInstance second;
    QVERIFY(second.PrevInstance(file));
    QCOMPARE(second.lockError(), 0);
    first.reset();
    QVERIFY(!second.PrevInstance(file));
}

void SingleInstanceTest::unusableLockTellsNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("missing folder") << u"missing"_s;
    QTest::newRow("link in place of the file") << u"link"_s;
    QTest::newRow("folder in place of the file") << u"folder"_s;
}

void SingleInstanceTest::unusableLockTellsNothing()
{
    QFETCH(QString, fault);
    QTemporaryDir dir;
    const QString target = dir.filePath(u"target"_s);
    QString file = dir.filePath(u"Tavo_UdpRcv.lock"_s);
    if (fault == u"missing"_s)
        file = dir.filePath(u"gone/Tavo_UdpRcv.lock"_s);
    if (fault == u"link"_s)
        QVERIFY(QFile::link(target, file));
    if (fault == u"folder"_s)
        QVERIFY(QDir().mkdir(file));
    SingleInstance instance;
    QVERIFY(!instance.PrevInstance(file));
    QVERIFY(instance.lockError() != 0);
    QVERIFY(!QFileInfo::exists(target)); // nothing made through the link
}

// A first headless instance runs as root in its data folder; a second
// starts beside it as the row says.
void SingleInstanceTest::oneInstancePerDataFolder_data()
{
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<bool>("window");
    QTest::newRow("two users of the installed program") << true << false << false;
    QTest::newRow("one user, two data folders") << false << false << false;
    QTest::newRow("same folder twice, headless") << false << true << false;
    QTest::newRow("same folder twice, window program") << false << true << true;
}

void SingleInstanceTest::oneInstancePerDataFolder()
{
    QFETCH(bool, asNobody);
    QFETCH(bool, sameFolder);
    QFETCH(bool, window);
    if (asNobody && ::geteuid() != 0)
        QSKIP("another user needs root to start it");
    QTemporaryDir row(m_root.filePath(u"row-XXXXXX"_s));
    QVERIFY(QFile::setPermissions(row.path(), QFile::permissions(m_root.path())));
    const QString first = row.filePath(u"first"_s), second = sameFolder ? first : row.filePath(u"second"_s);
    const uint16_t firstPort = freePort(), secondPort = freePort();
    QVERIFY(firstPort != 0 && secondPort != 0 && firstPort != secondPort);
    QVERIFY(prepareDataHome(first, firstPort, ::geteuid()));
    QVERIFY(sameFolder || prepareDataHome(second, secondPort, asNobody ? Nobody : ::geteuid()));

    QProcess one, two;
    start(one, m_program, first, false, false);
    const bool firstEchoes = echoes(one, firstPort);
    start(two, m_program, second, asNobody, window);
    const bool secondEchoes = !sameFolder && echoes(two, secondPort);
    const bool secondEnded = sameFolder && two.waitForFinished(20000);
    const bool firstRuns = one.state() == QProcess::Running;
    end(one);
    end(two);

    QVERIFY(firstEchoes && firstRuns);
    if (!sameFolder) {
        QVERIFY(secondEchoes);
        const QFileInfo lock(second + u"/Tavo_UdpRecv/Log/Tavo_UdpRcv.lock"_s);
        QCOMPARE(lock.ownerId(), asNobody ? Nobody : ::geteuid()); // made by the second, as its user
        return;
    }
    QVERIFY(secondEnded);
    QCOMPARE(two.exitStatus(), QProcess::NormalExit);
    QCOMPARE(two.exitCode(), window ? 0 : 1);
    const QStringList log = testsupport::logMessages(first + u"/Tavo_UdpRecv/Log/Tavo_UdpRcvLog.txt"_s);
    QCOMPARE(log.filter(u"二重起動の為、起動を中止しました。"_s).size(), 1);
    if (!window)
        QVERIFY(two.readAllStandardError().contains("another instance of the program runs"));
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
