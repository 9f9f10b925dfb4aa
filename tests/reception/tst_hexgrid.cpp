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

    // Every cell of the dump agrees with the bytes: texts, alignment,
    // backgrounds, row headers.
    void verifyDump(HexGrid &grid, const QByteArray &bytes)
    {
        const int shown = static_cast<int>(std::min<qsizetype>(bytes.size(), 2048));
        QCOMPARE(grid.rowCount(), (shown + 15) / 16);
        QCOMPARE(grid.columnCount(), 16);
        for (int r = 0; r < grid.rowCount(); ++r) {
            QCOMPARE(grid.headerData(r, Qt::Vertical).toString(),
                     QStringLiteral("%1").arg(r, 4, 16, QLatin1Char('0')).toUpper());
            for (int c = 0; c < 16; ++c) {
                const int n = r * 16 + c;
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

private Q_SLOTS:
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
        // rows: the data rows, the header row apart
        QTest::newRow("2 bytes") << 2 << 1 << 14;
        QTest::newRow("16 bytes") << 16 << 1 << 0;
        QTest::newRow("17 bytes") << 17 << 2 << 15;
        QTest::newRow("2048 bytes") << 2048 << 128 << 0;
        QTest::newRow("3000 bytes") << 3000 << 128 << 0;
        QTest::newRow("empty") << 0 << 0 << 0;
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
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < 16; ++c)
                gray += grid.backColorAt(r, c) == Gray ? 1 : 0;
        QCOMPARE(gray, grayCells);
        if (rows > 0)
            QCOMPARE(grid.rowHeader(rows - 1), QStringLiteral("%1").arg(rows - 1, 4, 16, QLatin1Char('0')).toUpper());
        QVERIFY(testsupport::readLogLines(m_globals.LogFiles[3]).isEmpty());
    }

    void twoBytesExample()
    {
        HexGrid grid;
        SetGridFromByteArray(grid, QByteArray("\x01\xFF", 2), *m_guard);
        QCOMPARE(grid.rowHeader(0), QStringLiteral("0000"));
        QCOMPARE(grid.textAt(0, 0), QStringLiteral("01"));
        QCOMPARE(grid.textAt(0, 1), QStringLiteral("FF"));
        QCOMPARE(grid.textAt(0, 2), QString());
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
                texts << grid.headerData(c, Qt::Horizontal).toString();
            return texts.join(u' ');
        };
        const QString unlabelled(15, u' ');
        QCOMPARE(columnHeaders(), unlabelled);
        QCOMPARE(grid.headerData(0, Qt::Vertical), QVariant(QString()));
        QSignalSpy headersChanged(&grid, &QAbstractItemModel::headerDataChanged);
        SetGridFromByteArray(grid, bytesOf(20), *m_guard);
        QCOMPARE(columnHeaders(), unlabelled);
        QCOMPARE(grid.headerData(1, Qt::Vertical).toString(), QStringLiteral("0001"));
        grid.labelHeaders();
        const QString labelled = QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
        QCOMPARE(columnHeaders(), labelled);
        QCOMPARE(headersChanged.count(), 2); // rows at the fill, columns at the labelling
        QCOMPARE(headersChanged[0][0].value<Qt::Orientation>(), Qt::Vertical);
        QCOMPARE(headersChanged[1][0].value<Qt::Orientation>(), Qt::Horizontal);
        SetGridFromByteArray(grid, bytesOf(2048), *m_guard);
        QCOMPARE(columnHeaders(), labelled);
        QCOMPARE(grid.headerData(127, Qt::Vertical).toString(), QStringLiteral("007F"));
        QCOMPARE(grid.headerData(128, Qt::Vertical).toString(), QString());
        QCOMPARE(grid.headerData(16, Qt::Horizontal).toString(), QString());
        QCOMPARE(grid.headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(grid.headerData(3, Qt::Vertical, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    }

    void sameBytesRewriteNothing()
    {
        HexGrid grid;
        const QByteArray bytes = bytesOf(40);
        SetGridFromByteArray(grid, bytes, *m_guard);
        grid.announceChanges();
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
        SetGridFromByteArray(grid, bytes, *m_guard);
        grid.announceChanges();
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
        QTest::newRow("first byte") << QList<int> {0} << 0 << 0;
        QTest::newRow("a middle row") << QList<int> {20, 31} << 1 << 1;
        QTest::newRow("last byte") << QList<int> {63} << 3 << 3;
        QTest::newRow("second and third rows") << QList<int> {40, 17} << 1 << 2;
        QTest::newRow("first and last rows") << QList<int> {5, 50} << 0 << 3;
    }
    void changedRowsAloneAnnounced()
    {
        QFETCH(QList<int>, changedBytes);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        HexGrid grid;
        QByteArray bytes = bytesOf(64);
        SetGridFromByteArray(grid, bytes, *m_guard);
        grid.announceChanges();
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        for (const int at : changedBytes)
            bytes[at] = static_cast<char>(~bytes[at]);
        SetGridFromByteArray(grid, bytes, *m_guard);
        verifyDump(grid, bytes);
        QCOMPARE(changed.count(), 0); // until asked
        grid.announceChanges();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>().row(), firstRow);
        QCOMPARE(changed[0][1].value<QModelIndex>().row(), lastRow);
        QCOMPARE(changed[0][0].value<QModelIndex>().column(), 0);
        QCOMPARE(changed[0][1].value<QModelIndex>().column(), 15);
    }

    // A flood of fills raises changesWaiting once until the changes are
    // announced; with redraw off not at all until it is on again.
    void changesWaitOnceUntilAnnounced()
    {
        HexGrid grid;
        QSignalSpy waiting(&grid, &HexGrid::changesWaiting);
        QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
        grid.setRedraw(false);
        SetGridFromByteArray(grid, bytesOf(64), *m_guard);
        QCOMPARE(waiting.count(), 0);
        grid.setRedraw(true);
        QCOMPARE(waiting.count(), 1);
        for (int i = 1; i <= 3; ++i) {
            grid.setRedraw(false);
            SetGridFromByteArray(grid, bytesOf(64, i), *m_guard);
            grid.setRedraw(true);
        }
        QCOMPARE(waiting.count(), 1);
        QCOMPARE(changed.count(), 0);
        grid.announceChanges();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>().row(), 0);
        QCOMPARE(changed[0][1].value<QModelIndex>().row(), 3);
        grid.announceChanges();
        QCOMPARE(changed.count(), 1);
        SetGridFromByteArray(grid, bytesOf(64, 4), *m_guard);
        QCOMPARE(waiting.count(), 2);
        grid.announceChanges();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed[1][0].value<QModelIndex>().row(), 0);
        QCOMPARE(changed[1][1].value<QModelIndex>().row(), 3);
        QCOMPARE(changed[1][1].value<QModelIndex>().column(), 15);
    }

    // Fills of every shape in a row, the headers labelled between them: each
    // fill shows its bytes exactly at once, and every cell whose picture
    // changed lies in a rectangle announced to the views when they ask (or
    // in a row added meanwhile), whether they ask after every fill or after
    // several.
    void successiveFillsShowTheirBytesAndAnnounceEveryChange_data()
    {
        QTest::addColumn<int>("fillsPerAnnouncement");
        QTest::newRow("asked after every fill") << 1;
        QTest::newRow("asked after every third fill") << 3;
    }
    void successiveFillsShowTheirBytesAndAnnounceEveryChange()
    {
        QFETCH(int, fillsPerAnnouncement);
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
        // Runs `change`, has the grid announce, and checks that every cell
        // changed was announced.
        const auto announcesEveryChange = [&](int step, const std::function<void()> &change) {
            const Picture before = picture();
            QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
            QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
            change();
            grid.announceChanges();
            const Picture after = picture();
            int firstNewRow = grid.rowCount();
            for (const QList<QVariant> &signal : inserted)
                firstNewRow = std::min(firstNewRow, signal[1].toInt());
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
        const int counts[] = {2, 40, 40, 3000, 17, 16, 2048, 2, 33, 33, 100, 1, 64, 2049, 64, 16, 33, 64};
        const int steps = int(std::size(counts));
        for (int first = 0; first < steps; first += fillsPerAnnouncement) {
            const int last = std::min(first + fillsPerAnnouncement, steps);
            announcesEveryChange(last, [&] {
                for (int step = first + 1; step <= last; ++step) {
                    const int count = counts[step - 1];
                    const QByteArray bytes = bytesOf(count, step * 7 + (count == 40 && step == 3 ? 0 : step));
                    grid.setRedraw(false);
                    SetGridFromByteArray(grid, bytes, *m_guard);
                    grid.setRedraw(true);
                    verifyDump(grid, bytes);
                }
            });
            if (QTest::currentTestFailed())
                return;
            if (first < 5 && last >= 5)
                announcesEveryChange(last, [&] { grid.labelHeaders(); });
        }
        QVERIFY(testsupport::readLogLines(m_globals.LogFiles[3]).isEmpty());
    }

    void modelRoles()
    {
        HexGrid grid;
        SetGridFromByteArray(grid, bytesOf(2, 0xAB), *m_guard);
        QCOMPARE(grid.data(grid.index(0, 0)).toString(), QStringLiteral("AB"));
        QCOMPARE(grid.data(grid.index(0, 0), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(grid.data(grid.index(0, 15), HexGrid::BackColorRole).toInt(), Gray);
    }

    // Views ask for cells while painting: one outside the dump shows nothing
    // and nothing is logged.
    void cellsOutsideShowNothing_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("below the last row") << 1 << 0;
        QTest::newRow("right of the last column") << 0 << 16;
        QTest::newRow("above the first row") << -1 << 3;
        QTest::newRow("left of the first column") << 0 << -1;
    }
    void cellsOutsideShowNothing()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        HexGrid grid;
        SetGridFromByteArray(grid, bytesOf(16), *m_guard);
        QCOMPARE(grid.textAt(row, col), QString());
        QCOMPARE(grid.byteAt(row, col), -1);
        QCOMPARE(grid.offsetAt(row, col), qsizetype(-1));
        QCOMPARE(grid.backColorAt(row, col), 0);
        QVERIFY(testsupport::readLogLines(m_globals.LogFiles[3]).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHexGrid)
#include "tst_hexgrid.moc"
