#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::readFile;

namespace {

// What `work` wrote to standard error.
QByteArray capturedStderr(const std::function<void()> &work)
{
    QTemporaryFile file;
    if (!file.open())
        return "cannot capture";
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    work();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    return readFile(file.fileName());
}

} // namespace

using testsupport::readLogLines;

class TestLogWriter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    LoggingGlobals m_globals;
    FixedClock m_clock;

    QString logFile() const { return m_globals.LogFiles[3]; }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path() + QStringLiteral("/Log"));
        m_globals = {};
        for (int i = 0; i < ToolKindCount; ++i)
            m_globals.LogFiles[static_cast<size_t>(i)] = m_dir.path() + QStringLiteral("/Log/kind%1.txt").arg(i);
        m_globals.HostName = QStringLiteral("PC01");
        m_clock.time = {2024, 3, 5, 14, 7, 9, 450};
    }

    void lineLayoutIsExact()
    {
        LogWriter log(m_globals, m_clock);
        log.WriteLog(3, QStringLiteral("12バイトのデータ受信"));
        QCOMPARE(readFile(logFile()), QByteArray("1001 24/03/05 14:07:09.4 PC01 12\x83\x6F\x83\x43\x83\x67\x82\xCC"
                                                 "\x83\x66\x81\x5B\x83\x5E\x8E\xF3\x90\x4D\r\n"));
    }

    void stampPieces_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("millisecond");
        QTest::addColumn<QString>("stamp");
        QTest::newRow("tenths 0 for 50 ms") << 2024 << 50 << QStringLiteral("24/01/05 09:03:07.0");
        QTest::newRow("tenths 0 for 99 ms") << 2024 << 99 << QStringLiteral("24/01/05 09:03:07.0");
        QTest::newRow("tenths 1 for 100 ms") << 2024 << 100 << QStringLiteral("24/01/05 09:03:07.1");
        QTest::newRow("tenths 1 for 199 ms") << 2024 << 199 << QStringLiteral("24/01/05 09:03:07.1");
        QTest::newRow("tenths 9 for 999 ms") << 2024 << 999 << QStringLiteral("24/01/05 09:03:07.9");
        QTest::newRow("year 2009") << 2009 << 0 << QStringLiteral("09/01/05 09:03:07.0");
    }
    void stampPieces()
    {
        QFETCH(int, year);
        QFETCH(int, millisecond);
        QFETCH(QString, stamp);
        const std::string formatted = formatLogStamp(LocalTime {year, 1, 5, 9, 3, 7, millisecond});
        QCOMPARE(QString::fromStdString(formatted), stamp);
    }

    void stampFieldsAtTheirEdges()
    {
        QCOMPARE(formatLogStamp(LocalTime {2099, 12, 31, 23, 59, 59, 950}), std::string("99/12/31 23:59:59.9"));
        QCOMPARE(formatLogStamp(LocalTime {2100, 1, 1, 0, 0, 0, 0}), std::string("00/01/01 00:00:00.0"));
        // Fields no clock gives still follow the piecewise rules.
        QCOMPARE(formatLogStamp(LocalTime {7, 1, 1, 0, 0, 0, 0}), std::string("7/01/01 00:00:00.0"));
        QCOMPARE(formatLogStamp(LocalTime {2024, 100, 1, 0, 0, 0, 1500}), std::string("24/100/01 00:00:00.1"));
    }

    void formattingRoutines()
    {
        QCOMPARE(FormatTwoDigits(0), QStringLiteral("00"));
        QCOMPARE(FormatTwoDigits(9), QStringLiteral("09"));
        QCOMPARE(FormatTwoDigits(10), QStringLiteral("10"));
        QCOMPARE(FormatTwoDigits(59), QStringLiteral("59"));
        QCOMPARE(FormatTenths(0), QStringLiteral("0"));
        QCOMPARE(FormatTenths(99), QStringLiteral("0"));
        QCOMPARE(FormatTenths(100), QStringLiteral("1"));
        QCOMPARE(FormatTenths(999), QStringLiteral("9"));
    }

    void codeAndGivenStamp()
    {
        LogWriter log(m_globals, m_clock);
        log.WriteLog(3, QStringLiteral("a"), QString(), 0);
        log.WriteLog(3, QStringLiteral("b"), QStringLiteral("99/12/31 23:59:59.9"), 7);
        QCOMPARE(readLogLines(logFile()), QStringList({QStringLiteral("1001 24/03/05 14:07:09.4 PC01 a"),
                                                       QStringLiteral("0007 99/12/31 23:59:59.9 PC01 b")}));
    }

    void linesKeepTheirOrderWithinOneTenth()
    {
        LogWriter log(m_globals, m_clock);
        for (int i = 0; i < 50; ++i)
            log.WriteLog(3, QString::number(i));
        const QStringList lines = readLogLines(logFile());
        QCOMPARE(lines.size(), 50);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(lines[i], QStringLiteral("1001 24/03/05 14:07:09.4 PC01 %1").arg(i));
    }

    void linesFollowTimeCodeAndHost()
    {
        LogWriter log(m_globals, m_clock);
        const auto write = [&](const char *message, int16_t code = 0) {
            log.WriteLog(3, QString::fromLatin1(message), {}, code);
        };
        write("a");
        m_clock.time.millisecond = 499; // the same tenth
        write("b");
        m_clock.time.millisecond = 500;
        write("c");
        m_clock.time.second = 10; // the same tenth digit in the next second
        write("d");
        write("e", 7);
        write("f");
        m_globals.HostName = QStringLiteral("PC02");
        write("g");
        log.WriteLog(3, QStringLiteral("h"), QStringLiteral("99/12/31 23:59:59.9"));
        write("i");
        m_clock.time.millisecond = -5; // times no clock gives
        write("j");
        m_clock.time.millisecond = 1500;
        write("k");
        m_clock.time.millisecond = 1600;
        write("l");
        m_clock.time.millisecond = 100;
        write("m");
        log.WriteLog(3, 12, QStringLiteral("n"), LocalTime {2024, 3, 5, 14, 8, 0, 250}); // a time given
        write("o");
        QCOMPARE(readLogLines(logFile()), QStringList({
                                              QStringLiteral("1001 24/03/05 14:07:09.4 PC01 a"),
                                              QStringLiteral("1001 24/03/05 14:07:09.4 PC01 b"),
                                              QStringLiteral("1001 24/03/05 14:07:09.5 PC01 c"),
                                              QStringLiteral("1001 24/03/05 14:07:10.5 PC01 d"),
                                              QStringLiteral("0007 24/03/05 14:07:10.5 PC01 e"),
                                              QStringLiteral("1001 24/03/05 14:07:10.5 PC01 f"),
                                              QStringLiteral("1001 24/03/05 14:07:10.5 PC02 g"),
                                              QStringLiteral("1001 99/12/31 23:59:59.9 PC02 h"),
                                              QStringLiteral("1001 24/03/05 14:07:10.5 PC02 i"),
                                              QStringLiteral("1001 24/03/05 14:07:10.0 PC02 j"),
                                              QStringLiteral("1001 24/03/05 14:07:10.1 PC02 k"),
                                              QStringLiteral("1001 24/03/05 14:07:10.1 PC02 l"),
                                              QStringLiteral("1001 24/03/05 14:07:10.1 PC02 m"),
                                              QStringLiteral("1001 24/03/05 14:08:00.2 PC02 12n"),
                                              QStringLiteral("1001 24/03/05 14:07:10.1 PC02 o"),
                                          }));
    }

    // Texts come again as the same object, as an equal copy, after others took their place, or with a count.
    void textsGivenAgainReadTheSame()
    {
        LogWriter log(m_globals, m_clock);
        const QString error = QStringLiteral("通信エラーが発生しました。");
        const QString received = QStringLiteral("バイトのデータ受信");
        QStringList expected;
        const auto write = [&](const QString &text) {
            log.WriteLog(3, text);
            expected << text;
        };
        const auto writeCount = [&](qsizetype count, const QString &text) {
            log.WriteLog(3, count, text, m_clock.time);
            expected << QString::number(count) + text;
        };
        write(error);
        write(error);
        write(QString(error.constData(), error.size()));
        for (int i = 0; i < 6; ++i)
            write(QStringLiteral("その他%1").arg(i));
        write(error);
        writeCount(0, received);
        writeCount(12, received);
        writeCount(65507, received);
        writeCount(12, QStringLiteral("バイトの応答送信"));
        QString changed = error;
        changed[0] = u'X';
        write(changed);
        QCOMPARE(testsupport::logMessages(logFile()), expected);
    }

    void eachKindHasItsFile()
    {
        LogWriter log(m_globals, m_clock);
        log.WriteLog(0, QStringLiteral("zero"));
        log.WriteLog(9, QStringLiteral("nine"));
        QCOMPARE(testsupport::logMessages(m_globals.LogFiles[0]), QStringList {QStringLiteral("zero")});
        QCOMPARE(testsupport::logMessages(m_globals.LogFiles[9]), QStringList {QStringLiteral("nine")});
    }

    void failuresAreAbsorbed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("setup");
        QTest::newRow("kind 10") << 10 << QString();
        QTest::newRow("negative kind") << -1 << QString();
        QTest::newRow("no log paths yet") << 3 << QStringLiteral("empty paths");
        QTest::newRow("Log is a plain file") << 3 << QStringLiteral("file");
    }
    void failuresAreAbsorbed()
    {
        QFETCH(int, kind);
        QFETCH(QString, setup);
        const QString logDir = m_dir.path() + QStringLiteral("/Log");
        if (setup == QStringLiteral("empty paths"))
            m_globals.LogFiles = {};
        if (setup == QStringLiteral("file"))
            QDir(logDir).removeRecursively();
        if (setup == QStringLiteral("file"))
            testsupport::writeFile(logDir, "not a folder");
        LogWriter log(m_globals, m_clock);
        log.WriteLog(static_cast<int16_t>(kind), QStringLiteral("x"));
        // Nothing was created anywhere.
        if (setup == QStringLiteral("file"))
            QCOMPARE(readFile(logDir), QByteArray("not a folder"));
        for (int i = 0; i < ToolKindCount; ++i)
            QVERIFY(!QFileInfo(m_dir.path() + QStringLiteral("/Log/kind%1.txt").arg(i)).isFile());
    }

    // Lines that cannot be written are lost without waiting and told once on
    // standard error, with the count when writing recovers; a link in place
    // of the file is never followed, a Log folder that is a link is, and a
    // vanished Log folder is made again.
    void faultsAreToldOnceAndRecovered_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("linesLost");
        QTest::addColumn<QStringList>("logged"); // what the log holds at the end
        const QStringList afterOnly {QStringLiteral("after")};
        QTest::newRow("FIFO in place of the file") << QStringLiteral("fifo") << true << afterOnly;
        QTest::newRow("FIFO with a reader") << QStringLiteral("fifo reader") << true << afterOnly;
        QTest::newRow("link in place of the file") << QStringLiteral("file link") << true << afterOnly;
        QTest::newRow("dangling Log link") << QStringLiteral("dangling link") << true << afterOnly;
        QTest::newRow("Log folder deleted while held")
            << QStringLiteral("deleted") << false << QStringList({QStringLiteral("second"), QStringLiteral("after")});
        QTest::newRow("Log is a link to a folder elsewhere")
            << QStringLiteral("folder link") << false
            << QStringList({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("after")});
    }
    void faultsAreToldOnceAndRecovered()
    {
        QFETCH(QString, fault);
        QFETCH(bool, linesLost);
        QFETCH(QStringList, logged);
        const QString logDir = m_dir.path() + QStringLiteral("/Log");
        const QString outside = m_dir.path() + QStringLiteral("/outside");
        QVERIFY(QDir().mkpath(outside));
        const QByteArray file = QFile::encodeName(logFile());
        int reader = -1;
        if (fault.startsWith(QStringLiteral("fifo")))
            QCOMPARE(::mkfifo(file.constData(), 0666), 0);
        if (fault == QStringLiteral("fifo reader"))
            QVERIFY((reader = ::open(file.constData(), O_RDONLY | O_NONBLOCK)) >= 0);
        if (fault == QStringLiteral("file link"))
            QVERIFY(QFile::link(outside + QStringLiteral("/target.txt"), logFile()));
        if (fault.endsWith(QStringLiteral("folder link")))
            QVERIFY(QDir().rmdir(logDir) && QFile::link(outside, logDir));
        if (fault == QStringLiteral("dangling link"))
            QVERIFY(QDir().rmdir(logDir) && QFile::link(outside + QStringLiteral("/gone"), logDir));

        LogWriter log(m_globals, m_clock);
        QList<bool> changes;
        log.setFailingChanged([&](bool failing) { changes << failing; });
        const QByteArray told = capturedStderr([&] {
            log.WriteLog(3, QStringLiteral("first"));
            if (fault == QStringLiteral("deleted"))
                QVERIFY(QDir(logDir).removeRecursively());
            log.WriteLog(3, QStringLiteral("second"));
            if (linesLost)
                QVERIFY(QFile::remove(fault == QStringLiteral("dangling link") ? logDir : logFile()));
            log.WriteLog(3, QStringLiteral("after"));
        });

        const QList<QByteArray> lines = told.split('\n');
        QCOMPARE(changes, linesLost ? QList<bool>({true, false}) : QList<bool>());
        QCOMPARE(lines.size(), linesLost ? 3 : 1); // the text after the last line break is empty
        if (linesLost) {
            QVERIFY2(lines[0].contains(file), lines[0].constData());
            QVERIFY2(QString::fromLocal8Bit(lines[1]).contains(QStringLiteral("（書き込めなかった行：2）")),
                     lines[1].constData());
        }
        QCOMPARE(testsupport::logMessages(logFile()), logged);
        // Only the Log folder that is a link puts the lines in the folder it names.
        const bool intoOutside = fault == QStringLiteral("folder link");
        QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 intoOutside ? QStringList {QStringLiteral("kind3.txt")} : QStringList());
        if (reader >= 0) {
            char byte = 0;
            QCOMPARE(::read(reader, &byte, 1), ssize_t(0)); // nothing went down the FIFO
            ::close(reader);
        }
    }

    // The folder is held between lines and looked up by its name again
    // about once a second.
    void aFolderMovedWhileHeldIsLeftWithinASecond_data()
    {
        QTest::addColumn<bool>("replacedByALink");
        QTest::newRow("renamed") << false;
        QTest::newRow("renamed and replaced by a link") << true;
    }
    void aFolderMovedWhileHeldIsLeftWithinASecond()
    {
        QFETCH(bool, replacedByALink);
        const QString logDir = m_dir.path() + QStringLiteral("/Log");
        const QString moved = m_dir.path() + QStringLiteral("/Log.old");
        const QString elsewhere = m_dir.path() + QStringLiteral("/elsewhere");
        LogWriter log(m_globals, m_clock);
        log.WriteLog(3, QStringLiteral("first"));
        QVERIFY(QDir().rename(logDir, moved));
        if (replacedByALink)
            QVERIFY(QDir().mkpath(elsewhere) && QFile::link(elsewhere, logDir));
        log.WriteLog(3, QStringLiteral("held"));
        QTest::qSleep(1100);
        log.WriteLog(3, QStringLiteral("named"));
        QCOMPARE(testsupport::logMessages(moved + QStringLiteral("/kind3.txt")),
                 QStringList({QStringLiteral("first"), QStringLiteral("held")}));
        QCOMPARE(testsupport::logMessages(logFile()), QStringList {QStringLiteral("named")});
        QCOMPARE(QFileInfo::exists(elsewhere + QStringLiteral("/kind3.txt")), replacedByALink);
    }

    void aFullDiskNeverLeavesHalfALine()
    {
        LogWriter log(m_globals, m_clock);
        log.WriteLog(3, QStringLiteral("first"));
        const qint64 before = QFileInfo(logFile()).size();
        // Let the file grow only a few bytes more: the next line fails halfway.
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tight = saved;
        tight.rlim_cur = static_cast<rlim_t>(before + 10);
        setrlimit(RLIMIT_FSIZE, &tight);
        log.WriteLog(3, QStringLiteral("this line does not fit"));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(QFileInfo(logFile()).size(), before);
        log.WriteLog(3, QStringLiteral("after"));
        QCOMPARE(testsupport::logMessages(logFile()), QStringList({QStringLiteral("first"), QStringLiteral("after")}));
    }

    // A body ends in one of these ways; the guard's line (none when it ran to its end).
    void guardLogsDescriptionAndLabel_data()
    {
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("line");
        QTest::newRow("to its end") << 0 << QString();
        QTest::newRow("returns a failure") << 1 << QStringLiteral("型が一致しません。(Work)");
        QTest::newRow("returns an undescribed failure") << 2 << QStringLiteral("(Work)");
        QTest::newRow("throws a run-time error") << 3 << QStringLiteral("オーバーフローしました。(Work)");
        QTest::newRow("throws a standard exception") << 4 << QStringLiteral("boom(Work)");
        QTest::newRow("runs out of memory") << 5 << QStringLiteral("メモリが不足しています。(Work)");
        QTest::newRow("throws something else") << 6 << QStringLiteral("予期しないエラーが発生しました。(Work)");
    }
    void guardLogsDescriptionAndLabel()
    {
        QFETCH(int, ending);
        QFETCH(QString, line);
        LogWriter log(m_globals, m_clock);
        ErrorGuard guard(log, 3);
        const bool completed = guard.run(QStringLiteral("(Work)"), [ending]() -> Result<> {
            switch (ending) {
            case 1:
                return RuntimeError::typeMismatch();
            case 2:
                return RuntimeError::undescribed();
            case 3:
                throw RuntimeError::overflow();
            case 4:
                throw std::logic_error("boom");
            case 5:
                throw std::bad_alloc();
            case 6:
                throw 42;
            default:
                return {};
            }
        });
        QCOMPARE(completed, line.isEmpty());
        QCOMPARE(testsupport::logMessages(logFile()), line.isEmpty() ? QStringList() : QStringList(line));
    }

    // attempt gives the body's value, or the failure it threw, and writes nothing.
    void guardAttemptGivesValueOrFailure()
    {
        const Result<int> value = ErrorGuard::attempt([]() -> Result<int> { return 7; });
        QVERIFY(value.ok());
        QCOMPARE(*value, 7);
        const Result<int> thrown = ErrorGuard::attempt([]() -> Result<int> { throw RuntimeError::overflow(); });
        QVERIFY(!thrown.ok());
        QCOMPARE(thrown.error().description(), QStringLiteral("オーバーフローしました。"));
        QVERIFY(!QFileInfo::exists(logFile()));
    }

    void guardSurvivesAMissingLog()
    {
        const QString file = logFile();
        m_globals.LogFiles = {};
        LogWriter log(m_globals, m_clock);
        ErrorGuard guard(log, 3);
        QVERIFY(!guard.run(QStringLiteral("(X)"), [] { throw std::logic_error("boom"); }));
        QVERIFY(!QFileInfo::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestLogWriter)
#include "tst_logwriter.moc"
