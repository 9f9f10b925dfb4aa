#include "logging/ErrorGuard.h"
#include "runtime/DataHome.h"
#include "runtime/Environment.h"
#include "runtime/FormCentring.h"
#include "runtime/Paths.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestEnvironment : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    FixedClock m_clock;

    QString path(const QString &relative) const { return m_dir.path() + QLatin1Char('/') + relative; }

    bool init(Runtime &runtime)
    {
        runtime.programFolder = m_dir.path();
        LogWriter log(runtime.logging, m_clock);
        ErrorGuard guard(log, UdpReceiverKind);
        return InitEnvironment(runtime, guard, UdpReceiverKind).ok();
    }

private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void firstStartBuildsTheLayout()
    {
        Runtime runtime;
        QVERIFY(init(runtime));
        for (const char *folder : {"Config", "Temp", "Log"})
            QVERIFY2(QFileInfo(path(QString::fromLatin1(folder))).isDir(), folder);
        const AppDefine &define = runtime.appDefine;
        QCOMPARE(define.ToolKind, int16_t(3));
        QCOMPARE(define.ConfigPath, path(QStringLiteral("Config")));
        QCOMPARE(define.TempPath, path(QStringLiteral("Temp")));
        QCOMPARE(define.LogPath, path(QStringLiteral("Log")));
        QCOMPARE(define.SettingFile(), path(QStringLiteral("Config/Tavo_UdpRecvSetting.ini")));
        QCOMPARE(runtime.logFile(), path(QStringLiteral("Log/Tavo_UdpRcvLog.txt")));
    }

    void toolKindTables()
    {
        Runtime runtime;
        QVERIFY(init(runtime));
        const QStringList ids = {QStringLiteral("Tavo_TcpSnd"),     QStringLiteral("Tavo_TcpRcv"),
                                 QStringLiteral("Tavo_UdpSnd"),     QStringLiteral("Tavo_UdpRcv"),
                                 QStringLiteral("Tavo_SerialSnd"),  QStringLiteral("Tavo_SerialRcv"),
                                 QStringLiteral("Tavo_TcpTextSnd"), QStringLiteral("Tavo_TcpTextRcv"),
                                 QStringLiteral("Tavo_UdpTextSnd"), QStringLiteral("Tavo_UdpTextRcv")};
        for (size_t i = 0; i < size_t(ids.size()); ++i) {
            QCOMPARE(runtime.logging.ToolIds[i], ids[qsizetype(i)]);
            QCOMPARE(runtime.logging.LogFiles[i],
                     path(QStringLiteral("Log/") + ids[qsizetype(i)] + QStringLiteral("Log.txt")));
        }
        const QString config = path(QStringLiteral("Config/"));
        QCOMPARE(runtime.appDefine.SettingFiles[0], config + QStringLiteral("Tavo_TcpSendSetting.ini"));
        QCOMPARE(runtime.appDefine.SettingFiles[1], config + QStringLiteral("Tavo_TcpRecvSetting.ini"));
        QCOMPARE(runtime.appDefine.SettingFiles[2], config + QStringLiteral("Tavo_UdpSendSetting.ini"));
        QCOMPARE(runtime.appDefine.SettingFiles[4], config + QStringLiteral("Tavo_SerialSendSetting.ini"));
        QCOMPARE(runtime.appDefine.SettingFiles[5], config + QStringLiteral("Tavo_SerialRecvSetting.ini"));
        for (size_t i = 6; i < 10; ++i)
            QVERIFY(runtime.appDefine.SettingFiles[i].isEmpty());
    }

    void hostNameIsTheSystemsOwn()
    {
        char name[256] = {};
        QCOMPARE(gethostname(name, sizeof name - 1), 0);
        Runtime runtime;
        QVERIFY(init(runtime));
        QCOMPARE(runtime.logging.HostName, QString::fromLocal8Bit(name));
    }

    void tempIsEmptiedButKeepsSubfolders()
    {
        QDir().mkpath(path(QStringLiteral("Temp/sub")));
        testsupport::writeFile(path(QStringLiteral("Temp/a.txt")), "a");
        testsupport::writeFile(path(QStringLiteral("Temp/noext")), "b");
        testsupport::writeFile(path(QStringLiteral("Temp/.hidden")), "c");
        testsupport::writeFile(path(QStringLiteral("Temp/sub/keep.txt")), "d");
        testsupport::writeFile(path(QStringLiteral("Config/x.ini")), "e"); // no Config folder yet: not written
        Runtime runtime;
        QVERIFY(init(runtime));
        QCOMPARE(QDir(path(QStringLiteral("Temp"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList {QStringLiteral("sub")});
        QCOMPARE(testsupport::readFile(path(QStringLiteral("Temp/sub/keep.txt"))), QByteArray("d"));
    }

    // The clean-up deletes only what lies in the program's own Temp folder.
    void tempCleanupNeverLeavesTheFolder_data()
    {
        QTest::addColumn<bool>("tempIsLink");
        QTest::newRow("Temp is a link to another folder") << true;
        QTest::newRow("Temp holds a link to an outside file") << false;
    }
    void tempCleanupNeverLeavesTheFolder()
    {
        QFETCH(bool, tempIsLink);
        const QString outside = path(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(outside));
        testsupport::writeFile(outside + QStringLiteral("/keep.txt"), "precious");
        if (tempIsLink) {
            QVERIFY(QFile::link(outside, path(QStringLiteral("Temp"))));
        } else {
            QVERIFY(QDir().mkpath(path(QStringLiteral("Temp"))));
            QVERIFY(QFile::link(outside + QStringLiteral("/keep.txt"), path(QStringLiteral("Temp/link.txt"))));
        }
        Runtime runtime;
        QVERIFY(init(runtime));
        QCOMPARE(testsupport::readFile(outside + QStringLiteral("/keep.txt")), QByteArray("precious"));
        QCOMPARE(QFileInfo(path(QStringLiteral("Temp"))).isSymLink(), tempIsLink);
        if (!tempIsLink)
            QVERIFY(!QFileInfo(path(QStringLiteral("Temp/link.txt"))).isSymLink());
    }

    void plainFileNamedLogCountsAsExisting()
    {
        testsupport::writeFile(path(QStringLiteral("Log")), "plain");
        Runtime runtime;
        QVERIFY(init(runtime));
        QVERIFY(QFileInfo(path(QStringLiteral("Log"))).isFile());
        LogWriter log(runtime.logging, m_clock);
        log.WriteLog(3, QStringLiteral("dropped"));
        QCOMPARE(testsupport::readFile(path(QStringLiteral("Log"))), QByteArray("plain"));
    }

    void missingProgramFolderFails()
    {
        Runtime runtime;
        runtime.programFolder = path(QStringLiteral("gone"));
        LogWriter log(runtime.logging, m_clock);
        ErrorGuard guard(log, UdpReceiverKind);
        QVERIFY(!InitEnvironment(runtime, guard, UdpReceiverKind));
        QVERIFY(!QFileInfo::exists(runtime.programFolder));
        QVERIFY(runtime.logging.LogFiles[3].isEmpty());
    }

    // Where Config, Log and Temp go, for a program in `folder` on a file
    // system whose writable folders, folders and existing files the row gives.
    void dataHomeChoice_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("writable");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("perUser");
        QTest::addColumn<QString>("defaultFile");
        const QString shared = QStringLiteral("/opt/x/share/Tavo_UdpRecv/Tavo_UdpRecvSetting.ini");
        const QStringList none;
        const auto layout = [](const QString &folder, bool withTemp = true) {
            QStringList paths {folder + QStringLiteral("/Config"), folder + QStringLiteral("/Log")};
            if (withTemp)
                paths << folder + QStringLiteral("/Temp");
            return paths;
        };
        QTest::newRow("writable build folder")
            << QStringLiteral("/home/u/src/build/src") << QStringList {QStringLiteral("/home/u/src/build/src")} << none
            << none << false << QString();
        QTest::newRow("read-only copy") << QStringLiteral("/srv/tools") << none << none << none << true << QString();
        QTest::newRow("installed tree") << QStringLiteral("/opt/x/bin") << none << none << QStringList {shared} << true
                                        << shared;
        QTest::newRow("installed tree, root")
            << QStringLiteral("/opt/x/bin") << QStringList {QStringLiteral("/opt/x/bin")} << none
            << QStringList {shared} << true << shared;
        QTest::newRow("system folder, root")
            << QStringLiteral("/usr/local/bin/") << QStringList {QStringLiteral("/usr/local/bin/")} << none << none
            << true << QString();
        QTest::newRow("a folder named bin elsewhere, root")
            << QStringLiteral("/home/u/bin") << QStringList {QStringLiteral("/home/u/bin")} << none << none << false
            << QString();
        QTest::newRow("prepared read-only folder")
            << QStringLiteral("/srv/tools") << QStringList {QStringLiteral("/srv/tools/Log")}
            << layout(QStringLiteral("/srv/tools")) << none << false << QString();
        QTest::newRow("prepared, Log read-only") << QStringLiteral("/srv/tools") << none
                                                 << layout(QStringLiteral("/srv/tools")) << none << true << QString();
        QTest::newRow("prepared without Temp")
            << QStringLiteral("/srv/tools") << QStringList {QStringLiteral("/srv/tools/Log")}
            << layout(QStringLiteral("/srv/tools"), false) << none << true << QString();
        QTest::newRow("prepared installed tree")
            << QStringLiteral("/opt/x/bin") << QStringList {QStringLiteral("/opt/x/bin/Log")}
            << layout(QStringLiteral("/opt/x/bin")) << QStringList {shared} << false << QString();
        QTest::newRow("prepared system folder")
            << QStringLiteral("/usr/bin") << QStringList {QStringLiteral("/usr/bin/Log")}
            << layout(QStringLiteral("/usr/bin")) << none << true << QString();
    }
    void dataHomeChoice()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, writable);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, existing);
        QFETCH(bool, perUser);
        QFETCH(QString, defaultFile);
        FolderChecks checks;
        checks.writable = [&](const QString &p) { return writable.contains(p); };
        checks.exists = [&](const QString &p) { return existing.contains(p) || folders.contains(p); };
        checks.isFolder = [&](const QString &p) { return folders.contains(p); };
        const QString userFolder = QStringLiteral("/home/u/.local/share/Tavo_UdpRecv");
        const DataHome home = chooseDataHome(folder, userFolder, checks);
        QCOMPARE(home.perUser, perUser);
        QCOMPARE(home.folder, perUser ? userFolder : folder);
        QCOMPARE(home.defaultSettingFile, defaultFile);
    }

    // The per-user folder by the XDG base directory rules; "-" is an unset variable.
    void perUserFolder_data()
    {
        QTest::addColumn<QString>("xdgDataHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("accountHome");
        QTest::addColumn<QString>("folder");
        const QString inHome = QStringLiteral("/home/u/.local/share/Tavo_UdpRecv");
        const QString inAccount = QStringLiteral("/home/a/.local/share/Tavo_UdpRecv");
        const QString u = QStringLiteral("/home/u"), a = QStringLiteral("/home/a"), unset = QStringLiteral("-");
        QTest::newRow("XDG_DATA_HOME") << QStringLiteral("/var/lib/") << u << a
                                       << QStringLiteral("/var/lib/Tavo_UdpRecv");
        QTest::newRow("relative XDG_DATA_HOME ignored") << QStringLiteral("data") << u << a << inHome;
        QTest::newRow("empty XDG_DATA_HOME ignored") << QString() << u << a << inHome;
        QTest::newRow("HOME unset: the account's home") << unset << unset << a << inAccount;
        QTest::newRow("relative HOME: the account's home") << unset << QStringLiteral("u") << a << inAccount;
        QTest::newRow("HOME is the root")
            << unset << QStringLiteral("/") << a << QStringLiteral("/.local/share/Tavo_UdpRecv");
        QTest::newRow("no home anywhere") << unset << unset << QString() << QString();
    }
    void perUserFolder()
    {
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, home);
        QFETCH(QString, accountHome);
        QFETCH(QString, folder);
        UserFolders user;
        user.environment = [&](const char *name) {
            const QString &value = qstrcmp(name, "XDG_DATA_HOME") == 0 ? xdgDataHome
                                   : qstrcmp(name, "HOME") == 0        ? home
                                                                       : QString();
            return value == QStringLiteral("-") ? QString() : value;
        };
        user.accountHome = [&] { return accountHome; };
        QCOMPARE(perUserDataFolder(user), folder);
        const QString described = describeDataHome({perUserDataFolder(user), true, {}});
        QVERIFY2(described.contains(folder.isEmpty() ? QStringLiteral("no per-user data folder") : folder),
                 qPrintable(described));
    }

    void addBackslash_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("root stays") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("folder") << QStringLiteral("/opt/tools") << QStringLiteral("/opt/tools/");
        QTest::newRow("already ends") << QStringLiteral("/opt/tools/") << QStringLiteral("/opt/tools/");
        QTest::newRow("empty") << QString() << QStringLiteral("/");
    }
    void addBackslash()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(AddBackslash(in), out);
    }

    void centerForm_data()
    {
        QTest::addColumn<double>("screenW");
        QTest::addColumn<double>("screenH");
        QTest::addColumn<double>("formW");
        QTest::addColumn<double>("formH");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("main window on 1920x1080") << 28800.0 << 16200.0 << 10050.0 << 9210.0 << 9375 << 3495;
        QTest::newRow("odd difference truncates") << 1001.0 << 1001.0 << 0.0 << 0.0 << 500 << 500;
        QTest::newRow("half rounds to even") << 10.5 << 11.5 << 0.0 << 0.0 << 5 << 6;
        QTest::newRow("larger than screen") << 1000.0 << 1000.0 << 1301.0 << 2000.0 << -150 << -500;
    }
    void centerForm()
    {
        QFETCH(double, screenW);
        QFETCH(double, screenH);
        QFETCH(double, formW);
        QFETCH(double, formH);
        QFETCH(int, left);
        QFETCH(int, top);
        const FormPosition p = CenterForm(screenW, screenH, formW, formH);
        QCOMPARE(p.left, left);
        QCOMPARE(p.top, top);
    }
};

QTEST_GUILESS_MAIN(TestEnvironment)
#include "tst_environment.moc"
