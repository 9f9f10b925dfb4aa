// The hex dump view repaints changed cells a moment after they change,
// once for many changes.
#include "reception/HexGrid.h"
#include "ui/HexGridView.h"

#include <QTest>

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

void setAllCells(HexGrid &grid, const QString &text)
{
    grid.SetRedraw(false);
    for (int c = 1; c < grid.Cols(); ++c)
        grid.SetTextMatrix(1, c, text);
    grid.SetRedraw(true);
}

} // namespace

class HexGridViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manyChangesOneRepaint()
    {
        HexGrid grid;
        QWidget window;
        HexGridView view(grid, &window);
        view.setGeometry(0, 0, 585, 161);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintCounter counter;
        view.viewport()->installEventFilter(&counter);
        QTest::qWait(2 * HexGridView::RepaintIntervalMs);
        const int before = counter.paints;

        for (int i = 0; i < 200; ++i)
            setAllCells(grid, QString::number(i % 100));
        QVERIFY(view.RepaintPending());
        QCOMPARE(counter.paints, before);
        QTRY_VERIFY(counter.paints > before);
        QVERIFY(!view.RepaintPending());
        QVERIFY(counter.paints - before <= 2);
    }

    void unchangedCellsRepaintNothing()
    {
        HexGrid grid;
        HexGridView view(grid, nullptr);
        setAllCells(grid, QStringLiteral("AB"));
        QTRY_VERIFY(!view.RepaintPending());
        setAllCells(grid, QStringLiteral("AB"));
        QVERIFY(!view.RepaintPending());
    }
};

QTEST_MAIN(HexGridViewTest)
#include "tst_hexgridview.moc"
