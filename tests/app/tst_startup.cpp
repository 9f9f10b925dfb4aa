// Start-up: which window comes up for which stored port, and the ways it
// ends without a window.
#include "FormsFixture.h"
#include "LoopbackPeer.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "runtime/DataHome.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using testsupport::SettingsFile;

namespace {

const QString ReadFailed = u"設定ファイルの読み込みに失敗しました。"_s;
const QString CannotReceive =
    u"本PC上で、現在のポート設定ではデータを受信できません。\r\n受信ポートを確認してください。"_s;

// Creates the Config folder so that a settings file can exist before the
// program's first start.
void prepareConfig(const FormsFixture &f)
{
    QVERIFY(QDir(f.dir.path()).mkpath(u"Config"_s));
}

QString settingFileIn(const FormsFixture &f)
{
    return f.dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s);
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { FormsFixture::flushDeletes(); }
    void windowForStoredPort_data();
    void windowForStoredPort();
    void secondInstanceIsRefused();
    void failureSaysWhy_data();
    void failureSaysWhy();
    void perUserFolderForReadOnlyProgram_data();
    void perUserFolderForReadOnlyProgram();
};

void StartupTest::windowForStoredPort_data()
{
    QTest::addColumn<QByteArray>("port"); // "-" for no settings file; <held>, <free>
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("mainShown");
    QTest::addColumn<bool>("dialogLoaded");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("no settings file") << QByteArray("-") << QStringList(ReadFailed) << false << true
                                      << u"(ReadSetting)"_s;
    QTest::newRow("letters") << QByteArray("abc") << QStringList() << false << true << QString();
    QTest::newRow("empty") << QByteArray("") << QStringList() << false << true << QString();
    QTest::newRow("held by another socket")
        << QByteArray("<held>") << QStringList(CannotReceive) << false << true << u"(CheckBindPort)"_s;
    QTest::newRow("bindable") << QByteArray("<free>") << QStringList() << true << true << QString();
}

void StartupTest::windowForStoredPort()
{
    QFETCH(QByteArray, port);
    QFETCH(QStringList, messages);
    QFETCH(bool, mainShown);
    QFETCH(bool, dialogLoaded);
    QFETCH(QString, logLine);

    const HeldPort held;
    FormsFixture f;
    prepareConfig(f);
    if (port != "-") {
        port.replace("<held>", QByteArray::number(held.port())).replace("<free>", QByteArray::number(freePort()));
        QVERIFY(SettingsFile().udpPort(QString::fromLatin1(port)).writeTo(settingFileIn(f)));
    }
    SingleInstance instance;

    QCOMPARE(Main(f.services, *f.forms, instance), StartupOutcome::WindowShown);

    QCOMPARE(f.boxes.texts(), messages);
    for (const auto &box : f.boxes.shown) {
        QCOMPARE(box.style, 16);
        QCOMPARE(box.title, QString());
    }
    frmMain *main = f.forms->existingMainForm();
    QVERIFY(main != nullptr); // ReadSetting created it
    QCOMPARE(main->isVisible(), mainShown);
    QCOMPARE(main->loaded(), mainShown);
    frmUdpRcvComSetting *dialog = f.forms->existingComSettingForm();
    QCOMPARE(dialog != nullptr, dialogLoaded);
    if (dialog != nullptr)
        QCOMPARE(dialog->isVisible(), !mainShown);
    if (mainShown)
        QCOMPARE(main->RcvPort(), port.toInt());

    const QStringList log = f.logMessages();
    QCOMPARE(log.size(), logLine.isEmpty() ? 0 : 1);
    if (!logLine.isEmpty())
        QVERIFY2(log[0].endsWith(logLine), qPrintable(log[0]));
    // The start-up rotation replaced missing limits by their defaults.
    QCOMPARE(f.runtime.logging.LogMaxSize, 3);
    QCOMPARE(f.runtime.logging.LogGenerations, 10);
}

void StartupTest::secondInstanceIsRefused()
{
    FormsFixture f;
    QVERIFY(QDir(f.dir.path()).mkpath(u"Temp"_s));
    testsupport::writeFile(f.dir.filePath(u"Temp/old.tmp"_s), "x");
    QVERIFY(QDir(f.dir.path()).mkpath(u"Log"_s));
    SingleInstance first;
    QVERIFY(!first.PrevInstance(f.dir.filePath(u"Log/Tavo_UdpRcv.lock"_s)));
    SingleInstance second;

    QCOMPARE(Main(f.services, *f.forms, second), StartupOutcome::SecondInstance);
    QCOMPARE(f.logMessages(), QStringList(u"二重起動の為、起動を中止しました。"_s));
    QVERIFY(f.forms->existingMainForm() == nullptr);
    QVERIFY(f.forms->existingComSettingForm() == nullptr);
    QVERIFY(f.boxes.shown.isEmpty());
    QVERIFY(!QFile::exists(f.dir.filePath(u"Temp/old.tmp"_s))); // the initialisation ran first
}

void StartupTest::failureSaysWhy_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("boxStart");
    QTest::addColumn<QString>("boxMentions");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("missing program folder")
        << u"missing folder"_s << u"実行環境を準備できません。\r\n"_s << u"missing/Log"_s << QString();
    // A folder named like the second generation blocks the start-up rotation.
    QTest::newRow("rotation blocked") << u"blocked rotation"_s << u"起動できません。\r\n"_s << u"Tavo_UdpRcvLog.txt.2"_s
                                      << u"(Main)"_s;
}

void StartupTest::failureSaysWhy()
{
    QFETCH(QString, fault);
    QFETCH(QString, boxStart);
    QFETCH(QString, boxMentions);
    QFETCH(QString, logLine);

    FormsFixture f;
    if (fault == u"missing folder"_s) {
        f.runtime.programFolder = f.dir.filePath(u"missing"_s);
    } else {
        prepareConfig(f);
        QVERIFY(QDir(f.dir.path()).mkpath(u"Log/Tavo_UdpRcvLog.txt.2/blocker"_s));
        testsupport::writeFile(f.dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s), QByteArray(1024 * 1024 + 1, 'x'));
        testsupport::writeFile(f.dir.filePath(u"Log/Tavo_UdpRcvLog.txt.1"_s), "older\r\n");
        QVERIFY(SettingsFile().udpPort(freePort()).logMaxSize(1).logGenerations(3).writeTo(settingFileIn(f)));
    }
    SingleInstance instance;

    QCOMPARE(Main(f.services, *f.forms, instance), StartupOutcome::Failed);
    QVERIFY(f.forms->existingComSettingForm() == nullptr);
    QVERIFY(f.forms->existingMainForm() == nullptr || !f.forms->existingMainForm()->isVisible());
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown[0].style, 16);
    QVERIFY2(f.boxes.shown[0].text.startsWith(boxStart) && f.boxes.shown[0].text.contains(boxMentions) &&
                 f.boxes.shown[0].text.endsWith(u"。"_s),
             qPrintable(f.boxes.shown[0].text));
    if (!logLine.isEmpty()) {
        const QStringList log = testsupport::logMessages(f.dir.filePath(u"Log/Tavo_UdpRcvLog.txt"_s));
        QVERIFY(!log.isEmpty());
        QVERIFY2(log.last().endsWith(logLine) && log.last().contains(boxMentions), qPrintable(log.last()));
    }
}

void StartupTest::perUserFolderForReadOnlyProgram_data()
{
    QTest::addColumn<bool>("userHasSettings");
    QTest::newRow("new user: installed settings copied") << false;
    QTest::newRow("the user's settings are kept") << true;
}

// An installed program whose folder cannot be written keeps its data in
// $XDG_DATA_HOME/Tavo_UdpRecv and leaves its own folder as it was.
void StartupTest::perUserFolderForReadOnlyProgram()
{
    QFETCH(bool, userHasSettings);
    FormsFixture f;
    const QString bin = f.dir.filePath(u"prefix/bin"_s);
    QVERIFY(QDir().mkpath(bin));
    const uint16_t installedPort = freePort();
    const QByteArray installed = SettingsFile().udpPort(installedPort).text();
    QVERIFY(QDir().mkpath(f.dir.filePath(u"prefix/share/Tavo_UdpRecv"_s)));
    testsupport::writeFile(f.dir.filePath(u"prefix/share/Tavo_UdpRecv/Tavo_UdpRecvSetting.ini"_s), installed);
    const QString dataHome = f.dir.filePath(u"xdg"_s);
    const QString userFolder = dataHome + u"/Tavo_UdpRecv"_s;
    const uint16_t ownPort = freePort();
    const QByteArray own = SettingsFile().udpPort(ownPort).text();
    if (userHasSettings) {
        QVERIFY(QDir().mkpath(userFolder + u"/Config"_s));
        testsupport::writeFile(userFolder + u"/Config/Tavo_UdpRecvSetting.ini"_s, own);
    }
    const bool xdgWasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    FolderChecks checks = systemFolderChecks();
    checks.writable = [](const QString &) { return false; };
    const DataHome home = chooseDataHome(bin, perUserDataFolder(), checks);
    if (xdgWasSet)
        qputenv("XDG_DATA_HOME", savedXdg);
    else
        qunsetenv("XDG_DATA_HOME");
    useDataHome(f.runtime, home);
    SingleInstance instance;

    QCOMPARE(Main(f.services, *f.forms, instance), StartupOutcome::WindowShown);
    QVERIFY2(f.boxes.shown.isEmpty(), qPrintable(f.boxes.texts().join(u'|')));
    QVERIFY(f.forms->existingMainForm()->isVisible());
    QCOMPARE(f.forms->existingMainForm()->RcvPort(), int(userHasSettings ? ownPort : installedPort));
    QCOMPARE(testsupport::readFile(userFolder + u"/Config/Tavo_UdpRecvSetting.ini"_s),
             userHasSettings ? own : installed);
    for (const QString &name : {u"Config"_s, u"Log"_s, u"Temp"_s})
        QVERIFY2(QFileInfo(userFolder + u'/' + name).isDir(), qPrintable(name));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(userFolder).constData(), &st), 0);
    if (!userHasSettings)
        QCOMPARE(st.st_mode & 0777, 0700u); // made by the start-up
    QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
