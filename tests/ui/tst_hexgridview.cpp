// The hex dump view repaints changed cells a moment after they change,
// once for many changes, and what it shows then is the grid; it copies
// bytes as text.
#include "reception/HexGrid.h"
#include "ui/CellPictures.h"
#include "ui/HexGridView.h"

#include "TestLog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A dump text's line count, first and last line, between bars.
QString dumpEnds(const QString &text)
{
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    return QString::number(lines.size()) + u'|' + lines.value(0) + u'|' + lines.value(lines.size() - 1);
}

// Fills the grid as a datagram does: one data row, every byte `byte`.
void fillRow(HexGrid &grid, int byte, ErrorGuard &guard)
{
    grid.setRedraw(false);
    SetGridFromByteArray(grid, QByteArray(16, static_cast<char>(byte)), guard);
    grid.setRedraw(true);
}

} // namespace

class HexGridViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Under a flood of fills the view repaints the first at once and the
    // rest together at the end of the interval; after a quiet spell at once.
    void manyChangesOneRepaint()
    {
        TestLog log;
        HexGrid grid;
        QWidget window;
        HexGridView view(grid, &window);
        view.setRepaintInterval(100);
        view.setGeometry(0, 0, 585, 161);
        view.fitColumnsToWidth(); // as in the window, labelled when it loads
        grid.labelHeaders();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintCounter counter;
        view.viewport()->installEventFilter(&counter);
        QTest::qWait(200);
        const int before = counter.paints;

        fillRow(grid, 0xFF, log.guard);
        QVERIFY(!view.repaintPending());
        for (int i = 0; i < 200; ++i)
            fillRow(grid, i % 100, log.guard);
        QVERIFY(view.repaintPending());
        QCOMPARE(counter.paints, before);
        QTRY_VERIFY(!view.repaintPending());
        QTRY_VERIFY(counter.paints > before);
        QTest::qWait(50);
        QVERIFY(counter.paints - before <= 2);

        QTest::qWait(150);
        const int quiet = counter.paints;
        fillRow(grid, 0xFE, log.guard);
        QVERIFY(!view.repaintPending());
        QTRY_VERIFY(counter.paints > quiet);
    }

    // After each change the window, where only changed areas were
    // repainted, looks exactly like a full paint of the view.
    void repaintedAreasShowTheGrid()
    {
        TestLog log;
        HexGrid grid;
        QWidget window;
        window.resize(585, 161);
        HexGridView view(grid, &window);
        view.setRepaintInterval(100);
        view.setGeometry(0, 0, 585, 161);
        view.fitColumnsToWidth();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto shownAsFullPaint = [&] {
            const QImage shown = window.screen()->grabWindow(window.winId(), 0, 0, 585, 161).toImage();
            const QImage full = view.grab().toImage();
            return shown.convertToFormat(QImage::Format_RGB32) == full.convertToFormat(QImage::Format_RGB32);
        };
        const auto fill = [&](const QByteArray &bytes) {
            grid.setRedraw(false);
            SetGridFromByteArray(grid, bytes, log.guard);
            grid.setRedraw(true);
        };

        fill(testsupport::pattern(40));
        QTRY_VERIFY(shownAsFullPaint());
        QByteArray oneByteChanged = testsupport::pattern(40);
        oneByteChanged[20] = 'x';
        fill(oneByteChanged); // one row
        QTRY_VERIFY(shownAsFullPaint());
        fill(testsupport::pattern(40, 3)); // every row
        QTRY_VERIFY(shownAsFullPaint());
        fill(testsupport::pattern(200)); // rows beyond the visible ones
        QTRY_VERIFY(shownAsFullPaint());
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QByteArray lastByteChanged = testsupport::pattern(200);
        lastByteChanged[199] = 'y';
        fill(lastByteChanged); // scrolled away from the top
        QTRY_VERIFY(shownAsFullPaint());
        grid.labelHeaders();
        QTRY_VERIFY(shownAsFullPaint());
        view.selectionModel()->select(grid.index(11, 1), QItemSelectionModel::Select);
        QTRY_VERIFY(shownAsFullPaint());
        fill(testsupport::pattern(5)); // fewer rows
        QTRY_VERIFY(shownAsFullPaint());
        fill(testsupport::pattern(200, 1));
        fill(testsupport::pattern(20, 2)); // rows gone before the repaint
        QTRY_VERIFY(shownAsFullPaint());
    }

    // Data cells show their byte on the window colour, nothing on grey past
    // the data, the highlight when selected; the area beyond them is grey.
    void cellsShowTextBackColorAndSelection()
    {
        HexGrid grid;
        HexGridView view(grid, nullptr);
        view.resize(585, 161);
        view.fitColumnsToWidth();
        grid.setBytes(QByteArray(1, '\xAB') + QByteArray(16, ' ')); // 2 data rows
        view.selectionModel()->select(grid.index(0, 2), QItemSelectionModel::Select);

        const QImage image = view.grab().toImage();
        const QPoint origin = view.viewport()->mapTo(&view, QPoint(0, 0));
        const auto cellRect = [&](int row, int col) {
            return view.visualRect(grid.index(row, col)).translated(origin);
        };
        const auto corner = [&](int row, int col) {
            return QColor(image.pixel(cellRect(row, col).topLeft() + QPoint(2, 2)));
        };
        const auto darkPixels = [&](int row, int col) {
            int dark = 0;
            const QRect cell = cellRect(row, col).adjusted(2, 2, -2, -2);
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    dark += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
            return dark;
        };
        const QPalette colors = QApplication::palette();
        QCOMPARE(corner(0, 0), colors.color(QPalette::Base));
        QVERIFY(darkPixels(0, 0) > 5);
        QCOMPARE(darkPixels(1, 2), 0);
        QCOMPARE(corner(1, 2), QColor(128, 128, 128));
        QCOMPARE(corner(0, 2), colors.color(QPalette::Active, QPalette::Highlight));
        const QRect lastCell = cellRect(1, 15);
        QCOMPARE(QColor(image.pixel(lastCell.left() + 2, lastCell.bottom() + 4)), QColor(128, 128, 128));
    }

    // A picture found by its byte is drawn again when anything else of the
    // look, or the font, changes.
    void bytePicturesFollowTheLook()
    {
        CellPictures pictures;
        QFont font = QApplication::font();
        pictures.prepare(font, 1);
        CellLook look {QStringLiteral("41"), Qt::AlignCenter, qRgb(255, 255, 255), qRgb(0, 0, 0), QSize(30, 18)};
        QCOMPARE(pictures.bytePicture(0x41, look).pixel(1, 1), qRgb(255, 255, 255));
        look.background = qRgb(255, 255, 0);
        QCOMPARE(pictures.bytePicture(0x41, look).pixel(1, 1), qRgb(255, 255, 0));
        look.size = QSize(40, 18);
        QCOMPARE(pictures.bytePicture(0x41, look).size(), QSize(40, 18));
        QCOMPARE(pictures.picture(look).size(), QSize(40, 18));

        const auto inked = [](const QImage &image) {
            int dark = 0;
            for (int y = 0; y < image.height() - 1; ++y)
                for (int x = 0; x < image.width() - 1; ++x)
                    dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
            return dark;
        };
        const int small = inked(pictures.bytePicture(0x41, look));
        font.setPixelSize(16);
        pictures.prepare(font, 1);
        QVERIFY(inked(pictures.bytePicture(0x41, look)) > small);
    }

    void unchangedCellsRepaintNothing()
    {
        TestLog log;
        HexGrid grid;
        QWidget window;
        HexGridView view(grid, &window);
        view.setGeometry(0, 0, 585, 161);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        fillRow(grid, 0xAB, log.guard);
        QTest::qWait(50);
        PaintCounter counter;
        view.viewport()->installEventFilter(&counter);
        fillRow(grid, 0xAB, log.guard);
        QTest::qWait(50);
        QCOMPARE(counter.paints, 0);
    }

    // Byte i is i * 7.
    void copiesAsHexText_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("whole");  // its dumpEnds
        QTest::addColumn<QString>("corner"); // rows 0 and 1, columns 14 and 15
        const QString first = u"00000000: 00 07 0e 15 1c 23 2a 31  38 3f 46 4d 54 5b 62 69  |.....#*18?FMT[bi|"_s;
        const QString cornerFirst = u"00000000:"_s + QString(44, u' ') + u"62 69  |"_s + QString(14, u' ') + u"bi|\n"_s;
        QTest::newRow("0 bytes") << 0 << u"0||"_s << QString();
        QTest::newRow("17 bytes") << 17 << u"2|"_s + first + u"|00000010: 70"_s + QString(48, u' ') + u"|p|"_s
                                  << cornerFirst;
        QTest::newRow("2048 bytes")
            << 2048 << u"128|"_s + first + u"|000007f0: 90 97 9e a5 ac b3 ba c1  c8 cf d6 dd e4 eb f2 f9  |................|"_s
            << cornerFirst + u"00000010:"_s + QString(44, u' ') + u"d2 d9  |"_s + QString(14, u' ') + u"..|\n"_s;
    }

    // Ctrl+C and コピー copy the selection (the whole dump without one),
    // Ctrl+A selects the byte cells and nothing else.
    void copiesAsHexText()
    {
        QFETCH(int, size);
        QFETCH(QString, whole);
        QFETCH(QString, corner);
        HexGrid grid;
        QWidget window;
        HexGridView view(grid, &window);
        view.setGeometry(0, 0, 585, 161);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7);
        grid.setBytes(bytes);
        view.setFocus();
        QClipboard *clipboard = QGuiApplication::clipboard();
        const auto copied = [&] {
            clipboard->setText(u"-"_s);
            QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
            return clipboard->text();
        };
        QCOMPARE(dumpEnds(copied()), whole);

        QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        const QModelIndexList cells = view.selectionModel()->selectedIndexes();
        QCOMPARE(cells.size(), size);
        QVERIFY(std::ranges::all_of(
            cells, [&](const QModelIndex &cell) { return grid.byteAt(cell.row(), cell.column()) >= 0; }));
        QCOMPARE(dumpEnds(copied()), whole);

        if (size > 16) {
            view.selectionModel()->select(QItemSelection(grid.index(0, 14), grid.index(1, 15)),
                                          QItemSelectionModel::ClearAndSelect);
            QCOMPARE(copied(), corner);
        }

        QCOMPARE(view.contextMenuPolicy(), Qt::ActionsContextMenu);
        QAction *copy = view.findChild<QAction *>(u"copyAction"_s);
        QVERIFY(view.actions().contains(copy));
        QCOMPARE(copy->text(), u"コピー"_s);
        clipboard->setText(u"-"_s);
        copy->trigger();
        const QString fromMenu = clipboard->text();
        QCOMPARE(fromMenu, copied());
        QCOMPARE(fromMenu.isEmpty(), size == 0);
    }
};

QTEST_MAIN(HexGridViewTest)
#include "tst_hexgridview.moc"
