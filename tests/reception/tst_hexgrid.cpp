#include "logging/ErrorGuard.h"
#include "reception/HexGrid.h"

#include "TestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

constexpr int Gray = 8421504;

QByteArray bytesOf(int count, int start = 0)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>((start + i) & 0xFF));
    return bytes;
}

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

class TestHexGrid : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    LoggingGlobals m_globals;
    FixedClock m_clock;
    std::unique_ptr<LogWriter> m_log;
    std::unique_ptr<ErrorGuard> m_guard;

    // Every cell of the dump agrees with the bytes: texts, alignment, backgrounds.
    void verifyDump(HexGrid &grid, const QByteArray &bytes)
    {
        const int shown = static_cast<int>(std::min<qsizetype>(bytes.size(), 2048));
        QCOMPARE(grid.rowCount(), (shown + 15) / 16 + 1);
        QCOMPARE(grid.columnCount(), 17);
        for (int r = 1; r < grid.rowCount(); ++r) {
            QCOMPARE(grid.textAt(r, 0), QStringLiteral("%1").arg(r - 1, 4, 16, QLatin1Char('0')).toUpper());
            for (int c = 1; c < 17; ++c) {
                const int n = (r - 1) * 16 + (c - 1);
                QCOMPARE(grid.data(grid.index(r, c), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
                if (n < shown) {
                    QCOMPARE(grid.textAt(r, c), hex2(static_cast<unsigned char>(bytes[n])));
                    QCOMPARE(grid.backColorAt(r, c), 0);
                    QCOMPARE(grid.byteAt(r, c), static_cast<unsigned char>(bytes[n]));
                } else {
                    QCOMPARE(grid.textAt(r, c), QString());
                    QCOMPARE(grid.backColorAt(r, c), Gray);
                    QCOMPARE(grid.byteAt(r, c), -1);
                }
            }
        }
    }

private slots:
    void init()
    {
        m_globals = {};
        m_globals.LogFiles[3] = m_dir.path() + QStringLiteral("/log.txt");
        m_globals.HostName = QStringLiteral("PC01");
        QFile::remove(m_globals.LogFiles[3]);
        m_log = std::make_unique<LogWriter>(m_globals, m_clock);
        m_guard = std::make_unique<ErrorGuard>(*m_log, 3);
    }

    void dumpShapes_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("grayCells");
        QTest::newRow("2 bytes") << 2 << 2 << 14;
        QTest::newRow("16 bytes") << 16 << 2 << 0;
        QTest::newRow("17 bytes") << 17 << 3 << 15;
        QTest::newRow("2048 bytes") << 2048 << 129 << 0;
        QTest::newRow("3000 bytes") << 3000 << 129 << 0;
        QTest::newRow("empty") << 0 << 1 << 0;
    }
    void dumpShapes()
    {
        QFETCH(int, count);
        QFETCH(int, rows);
        QFETCH(int, grayCells);
        HexGrid grid;
        const QByteArray bytes = bytesOf(count, 0xF0);
        SetGridFromByteArray(grid, bytes, *m_guard);
        QCOMPARE(grid.rowCount(), rows);
        verifyDump(grid, bytes);
        int gray = 0;
        for (int r = 1; r < grid.rowCount(); ++r)
            for (int c = 1; c < 17; ++c)
                gray += grid.backColorAt(r, c) == Gray ? 1 : 0;
        QCOMPARE(gray, grayCells);
        if (rows > 1)
            QCOMPARE(grid.textAt(rows - 1, 0), QStringLiteral("%1").arg(rows - 2, 4, 16, QLatin1Char('0')).toUpper());
        QVERIFY(testsupport::readLogLines(m_globals.LogFiles[3]).isEmpty());
    }

    void twoBytesExample()
    {
        HexGrid grid;
        SetGridFromByteArray(grid, QByteArray("\x01\xFF", 2), *m_guard);
        QCOMPARE(grid.textAt(1, 0), QStringLiteral("0000"));
        QCOMPARE(grid.textAt(1, 1), QStringLiteral("01"));
        QCOMPARE(grid.textAt(1, 2), QStringLiteral("FF"));
        QCOMPARE(grid.textAt(1, 3), QString());
    }

    void shorterFillAfterLonger()
    {
        HexGrid grid;
        SetGridFromByteArray(grid, bytesOf(3000), *m_guard);
        const QByteArray shorter = bytesOf(20, 0x40);
        SetGridFromByteArray(grid, shorter, *m_guard);
        verifyDump(grid, shorter);
        // And back to a full row where the gray cells were.
        const QByteArray longer = bytesOf(32, 0x80);
        SetGridFromByteArray(grid, longer, *m_guard);
        verifyDump(grid, longer);
    }

    // Until labelled the headers are empty; a fill labels the row headers
    // alone, the labelling both, and later fills keep the column headers.
    void headers()
    {
        HexGrid grid;
        const auto columnHeaders = [&grid] {
            QStringList texts;
            for (int c = 0; c < grid.columnCount(); ++c)
                texts << grid.textAt(0, c);
            return texts.join(u' ');
        };
        const QString unlabelled(16, u' ');
        QCOMPARE(columnHeaders(), unlabelled);
        QCOMPARE(grid.textAt(1, 0), QString());
        SetGridFromByteArray(grid, bytesOf(20), *m_guard);
        QCOMPARE(columnHeaders(), unlabelled);
        QCOMPARE(grid.textAt(2, 0), QStringLiteral("0001"));
        grid.labelHeaders();
        const QString labelled = QStringLiteral(" 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
        QCOMPARE(columnHeaders(), labelled);
        SetGridFromByteArray(grid, bytesOf(2048), *m_guard);
        QCOMPARE(columnHeaders(), labelled);
        QCOMPARE(grid.textAt(128, 0), QStringLiteral("007F"));
        QCOMPARE(grid.backColorAt(0, 3), 0);
        QCOMPARE(grid.byteAt(0, 3), -1);
    }

    void sameBytesRewriteNothing()
    {
        HexGrid grid;
        const QByteArray bytes = bytesOf(40);
        SetGridFromByteArray(grid, bytes, *m_guard);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        SetGridFromByteArray(grid, bytes, *m_guard);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(inserted.count(), 0);
    }

    // Only the rows from the first to the last with a changed byte are
    // announced.
    void changedRowsAloneAnnounced_data()
    {
        QTest::addColumn<QList<int>>("changedBytes");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::newRow("first byte") << QList<int> {0} << 1 << 1;
        QTest::newRow("a middle row") << QList<int> {20, 31} << 2 << 2;
        QTest::newRow("last byte") << QList<int> {63} << 4 << 4;
        QTest::newRow("second and third rows") << QList<int> {40, 17} << 2 << 3;
        QTest::newRow("first and last rows") << QList<int> {5, 50} << 1 << 4;
    }
    void changedRowsAloneAnnounced()
    {
        QFETCH(QList<int>, changedBytes);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        HexGrid grid;
        QByteArray bytes = bytesOf(64);
        SetGridFromByteArray(grid, bytes, *m_guard);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        for (const int at : changedBytes)
            bytes[at] = static_cast<char>(~bytes[at]);
        SetGridFromByteArray(grid, bytes, *m_guard);
        verifyDump(grid, bytes);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>().row(), firstRow);
        QCOMPARE(changed[0][1].value<QModelIndex>().row(), lastRow);
        QCOMPARE(changed[0][0].value<QModelIndex>().column(), 1);
        QCOMPARE(changed[0][1].value<QModelIndex>().column(), 16);
    }

    void redrawOffAnnouncesOnce()
    {
        HexGrid grid;
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        grid.setRedraw(false);
        SetGridFromByteArray(grid, bytesOf(64), *m_guard);
        QCOMPARE(changed.count(), 0);
        grid.setRedraw(true);
        QCOMPARE(changed.count(), 1);
        const auto topLeft = changed[0][0].value<QModelIndex>();
        const auto bottomRight = changed[0][1].value<QModelIndex>();
        QCOMPARE(topLeft.row(), 1);
        QCOMPARE(bottomRight.row(), 4);
        QCOMPARE(bottomRight.column(), 16);
        QCOMPARE(topLeft.column(), 0);

        // New bytes of the same length: only data cells changed.
        grid.setRedraw(false);
        SetGridFromByteArray(grid, bytesOf(64, 1), *m_guard);
        grid.setRedraw(true);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed[1][0].value<QModelIndex>().column(), 1);
        QCOMPARE(changed[1][0].value<QModelIndex>().row(), 1);
        QCOMPARE(changed[1][1].value<QModelIndex>().row(), 4);
    }

    // Fills of every shape in a row, the headers labelled between them: each
    // fill shows its bytes exactly, and every cell whose picture changed
    // lies in a rectangle announced to the views (or in a new row).
    void successiveFillsShowTheirBytesAndAnnounceEveryChange()
    {
        HexGrid grid;
        using Picture = QList<QStringList>;
        const auto picture = [&grid] {
            Picture rows;
            for (int r = 0; r < grid.rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < grid.columnCount(); ++c) {
                    const QModelIndex at = grid.index(r, c);
                    cells << grid.data(at).toString() + QLatin1Char('/') +
                                 grid.data(at, Qt::TextAlignmentRole).toString() + QLatin1Char('/') +
                                 grid.data(at, HexGrid::BackColorRole).toString();
                }
                rows << cells;
            }
            return rows;
        };
        // Runs `change` and checks that every cell it changed was announced.
        const auto announcesEveryChange = [&](int step, const std::function<void()> &change) {
            const Picture before = picture();
            QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
            QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
            change();
            const Picture after = picture();
            const int firstNewRow = inserted.isEmpty() ? grid.rowCount() : inserted[0][1].toInt();
            for (int r = 0; r < std::min(firstNewRow, int(before.size())); ++r)
                for (int c = 0; c < grid.columnCount(); ++c) {
                    if (before[r][c] == after[r][c])
                        continue;
                    bool announced = false;
                    for (const QList<QVariant> &signal : changed) {
                        const auto topLeft = signal[0].value<QModelIndex>();
                        const auto bottomRight = signal[1].value<QModelIndex>();
                        announced = announced || (r >= topLeft.row() && r <= bottomRight.row() &&
                                                  c >= topLeft.column() && c <= bottomRight.column());
                    }
                    QVERIFY2(
                        announced,
                        qPrintable(QStringLiteral("step %1: cell %2,%3 changed unannounced").arg(step).arg(r).arg(c)));
                }
        };
        const int counts[] = {2, 40, 40, 3000, 17, 16, 2048, 2, 33, 33, 100, 1, 64, 2049, 5};
        int step = 0;
        for (const int count : counts) {
            ++step;
            const QByteArray bytes = bytesOf(count, step * 7 + (count == 40 && step == 3 ? 0 : step));
            announcesEveryChange(step, [&] {
                grid.setRedraw(false);
                SetGridFromByteArray(grid, bytes, *m_guard);
                grid.setRedraw(true);
            });
            if (QTest::currentTestFailed())
                return;
            verifyDump(grid, bytes);
            if (step == 5)
                announcesEveryChange(step, [&] { grid.labelHeaders(); });
        }
        QVERIFY(testsupport::readLogLines(m_globals.LogFiles[3]).isEmpty());
    }

    void modelRoles()
    {
        HexGrid grid;
        SetGridFromByteArray(grid, bytesOf(2, 0xAB), *m_guard);
        QCOMPARE(grid.data(grid.index(1, 1)).toString(), QStringLiteral("AB"));
        QCOMPARE(grid.data(grid.index(1, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(grid.data(grid.index(1, 16), HexGrid::BackColorRole).toInt(), Gray);
        QVERIFY(grid.data(grid.index(0, 5), HexGrid::FixedRole).toBool());
        QVERIFY(!grid.data(grid.index(1, 5), HexGrid::FixedRole).toBool());
    }

    void failuresAreLoggedWithTheLabel()
    {
        HexGrid grid(2, 40); // wider than the dump: more bytes than the rows hold
        SetGridFromByteArray(grid, bytesOf(20), *m_guard);
        QVERIFY(testsupport::readLogLines(m_globals.LogFiles[3]).isEmpty());
        HexGrid narrow(2, 17);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, narrow.textAt(2, 0));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, narrow.textAt(0, 17));
        // A grid that cannot take a row header fails inside the fill.
        HexGrid noColumns(2, 0);
        SetGridFromByteArray(noColumns, bytesOf(4), *m_guard);
        QCOMPARE(testsupport::logMessages(m_globals.LogFiles[3]),
                 QStringList {QStringLiteral("インデックスが有効範囲にありません。(SetGridFromByteArray)")});
    }
};

QTEST_GUILESS_MAIN(TestHexGrid)
#include "tst_hexgrid.moc"
