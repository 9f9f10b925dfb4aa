#include "core/RuntimeError.h"
#include "logging/LogRotation.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Files are named by their generation; their content tells where they came from.
class TestLogRotation : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_live;

    QString gen(int g) const { return g == 0 ? m_live : m_live + QLatin1Char('.') + QString::number(g); }

    void make(int g, const QByteArray &content, qint64 size = -1)
    {
        QFile f(gen(g));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        if (size >= 0)
            QVERIFY(f.resize(size));
    }
    QByteArray head(int g) const { return testsupport::readFile(gen(g)).left(2); }
    // Which generations exist, from 0 (live) to 12.
    QList<int> present() const
    {
        QList<int> result;
        for (int g = 0; g <= 12; ++g)
            if (QFileInfo::exists(gen(g)))
                result << g;
        return result;
    }

    static constexpr qint64 MiB = 1024 * 1024;

private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path() + QStringLiteral("/Log"));
        m_live = m_dir.path() + QStringLiteral("/Log/Tavo_UdpRcvLog.txt");
    }

    void sizeLimitIsExclusive()
    {
        int16_t maxSize = 1, generations = 10;
        make(0, "L0", MiB);
        QVERIFY(RotateLog(m_live, maxSize, generations).ok());
        QCOMPARE(present(), QList<int>({0}));
        make(0, "L0", MiB + 1);
        QVERIFY(RotateLog(m_live, maxSize, generations).ok());
        QCOMPARE(present(), QList<int>({1}));
        QCOMPARE(head(1), QByteArray("L0"));
    }

    void limitsBelowOneTakeTheirDefaults()
    {
        int16_t maxSize = 0, generations = -5;
        QVERIFY(RotateLog(m_live, maxSize, generations).ok()); // no file at all
        QCOMPARE(maxSize, int16_t(3));
        QCOMPARE(generations, int16_t(10));
        make(0, "L0", 3 * MiB);
        maxSize = -1;
        QVERIFY(RotateLog(m_live, maxSize, generations).ok());
        QCOMPARE(maxSize, int16_t(3));
        QCOMPARE(present(), QList<int>({0})); // exactly 3 MiB stays
    }

    void generations_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("link");       // a generation that is a link to a file outside (-1: none)
        QTest::addColumn<bool>("linkedLog"); // Log is a link to a folder elsewhere
        // after[i] is the generation that the file now at generation i came from (-1: none).
        QTest::newRow("two generations") << 2 << QList<int>({0, 1}) << QList<int>({-1, 0}) << -1 << false;
        QTest::newRow("ten with two older") << 10 << QList<int>({0, 1, 2}) << QList<int>({-1, 0, 1, 2}) << -1 << false;
        QTest::newRow("lowered to three") << 3 << QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9})
                                          << QList<int>({-1, 0, 1, 3, 4, 5, 6, 7, 8, 9}) << -1 << false;
        QTest::newRow("gap") << 10 << QList<int>({0, 1, 3}) << QList<int>({-1, 0, 1, -1, 3}) << -1 << false;
        QTest::newRow("oldest dropped") << 10 << QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9})
                                        << QList<int>({-1, 0, 1, 2, 3, 4, 5, 6, 7, 8}) << -1 << false;
        // The link of a generation's name is neither followed nor moved on: .1 takes its place.
        QTest::newRow("linked Log, a link among the generations")
            << 10 << QList<int>({0, 1, 3}) << QList<int>({-1, 0, 1, -1, 3}) << 2 << true;
    }
    void generations()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        QFETCH(int, link);
        QFETCH(bool, linkedLog);
        const QString elsewhere = m_dir.path() + QStringLiteral("/elsewhere");
        const QString outside = m_dir.path() + QStringLiteral("/outside.txt");
        if (linkedLog) {
            QVERIFY(QDir().mkpath(elsewhere));
            QVERIFY(QDir().rmdir(m_dir.path() + QStringLiteral("/Log")));
            QVERIFY(QFile::link(elsewhere, m_dir.path() + QStringLiteral("/Log")));
        }
        testsupport::writeFile(outside, "outside");
        if (link >= 0)
            QVERIFY(QFile::link(outside, gen(link)));
        for (int g : before)
            make(g, QByteArray("L") + QByteArray::number(g), g == 0 ? MiB + 1 : -1);
        int16_t maxSize = 1;
        auto generationsCount = static_cast<int16_t>(count);
        QVERIFY(RotateLog(m_live, maxSize, generationsCount).ok());
        for (int g = 0; g <= 12; ++g) {
            const int from = g < after.size() ? after[g] : -1;
            if (from < 0) {
                QVERIFY2(!QFileInfo::exists(gen(g)), qPrintable(gen(g)));
            } else {
                QVERIFY(QFileInfo(gen(g)).isFile() && !QFileInfo(gen(g)).isSymLink());
                QCOMPARE(head(g), QByteArray("L") + QByteArray::number(from));
            }
        }
        QCOMPARE(testsupport::readFile(outside), QByteArray("outside"));
        if (linkedLog) // every generation lies in the folder the link names
            QCOMPARE(QDir(elsewhere).entryList(QDir::Files).size(), after.size() - after.count(-1));
    }

    void singleGenerationKeepsRotating()
    {
        int16_t maxSize = 1, generations = 1;
        for (int round = 0; round < 3; ++round) {
            make(0, QByteArray("R") + QByteArray::number(round), MiB + 1);
            QVERIFY(RotateLog(m_live, maxSize, generations).ok());
            QCOMPARE(present(), QList<int>({1}));
            QCOMPARE(head(1), QByteArray("R") + QByteArray::number(round));
        }
    }

    void limitOf2048MiBOverflows()
    {
        int16_t maxSize = 2048, generations = 10;
        make(0, "L0", 10);
        const Result<> rotated = RotateLog(m_live, maxSize, generations);
        QVERIFY(!rotated.ok());
        QCOMPARE(rotated.error().description(), QStringLiteral("オーバーフローしました。"));
        QCOMPARE(present(), QList<int>({0}));
        maxSize = 2047;
        QVERIFY(RotateLog(m_live, maxSize, generations).ok()); // largest limit that works
        QCOMPARE(present(), QList<int>({0}));
    }

    void missingFileOrFolderDoesNothing()
    {
        int16_t maxSize = 1, generations = 10;
        QVERIFY(RotateLog(m_dir.path() + QStringLiteral("/NoFolder/log.txt"), maxSize, generations).ok());
        QVERIFY(QDir().mkpath(m_live)); // a folder in place of the log file
        QVERIFY(RotateLog(m_live, maxSize, generations).ok());
        QVERIFY(QFileInfo(m_live).isDir());
    }

    // One rotation checked again and again follows the path it is given.
    void repeatedChecksFollowThePath()
    {
        LogRotation rotation;
        int16_t maxSize = 1, generations = 10;
        make(0, "L0", MiB + 1);
        QVERIFY(rotation.check(m_dir.path() + QStringLiteral("/Other.txt"), maxSize, generations).ok());
        QCOMPARE(present(), QList<int>({0}));
        QVERIFY(rotation.check(m_live, maxSize, generations).ok());
        QCOMPARE(present(), QList<int>({1}));
        make(0, "L1", MiB + 1);
        QVERIFY(rotation.check(QString(m_live.constData(), m_live.size()), maxSize, generations).ok());
        QCOMPARE(present(), QList<int>({1, 2}));
        QCOMPARE(head(1), QByteArray("L1"));
    }

    void failedRenameStopsWhereItIs()
    {
        make(0, "L0", MiB + 1);
        make(1, "L1");
        // A non-empty folder named like the second generation blocks P.1 -> P.2.
        QVERIFY(QDir().mkpath(gen(2) + QStringLiteral("/blocker")));
        int16_t maxSize = 1, generations = 10;
        const Result<> rotated = RotateLog(m_live, maxSize, generations);
        QVERIFY(!rotated.ok());
        QVERIFY2(rotated.error().description().contains(gen(2)), qPrintable(rotated.error().description()));
        // The live file and P.1 stay where they were: nothing is lost.
        QCOMPARE(head(0), QByteArray("L0"));
        QCOMPARE(head(1), QByteArray("L1"));
    }
};

QTEST_GUILESS_MAIN(TestLogRotation)
#include "tst_logrotation.moc"
