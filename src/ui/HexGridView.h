#pragma once

#include "reception/HexGrid.h"

#include <QTableView>
#include <QTimer>

#include <algorithm>

class HexCellDelegate;

// The grid component of the main window: a table view over a HexGrid
// model. Its headers show the model's header texts, centred, in the grid's
// font, and stay in place while the cells scroll; they are QHeaderViews
// whose sections are drawn as the form draws a grid's fixed cells (button
// face, inset lines), which no style of Qt draws. The cells are painted by
// a HexCellDelegate; beyond the last cell the grid is grey.
//
// The view hands the cells of a repainted area to the delegate itself,
// prepared once for them all: QTableView's own loop builds an option and
// asks the style for a row panel for every cell, which under a flood of
// datagrams costs as much again as the painting (about 40,000
// instructions a datagram).
//
// The view asks its grid to announce changed cells when it repaints them,
// not at every fill (HexGrid::changesWaiting, announceChanges). With a
// repaint interval, changes are repainted at most once per interval: at
// once after a quiet spell, otherwise on the next multiple of the interval
// on the monotonic clock, so that views changed together repaint together
// and a flood of fills costs a few repaints a second. A
// change announced in the last fifth of the interval before that multiple
// is repainted at once, right after the work that made it, so that the
// paint does not fall on the moment the next datagram arrives; a change is
// then repainted within an interval and a fifth.
//
// Tab and Shift+Tab leave the grid; the arrow keys move inside it. Ctrl+C
// and the context menu's コピー copy the selected bytes (all of them when
// none is selected) as hex dump text; Ctrl+A selects every cell that
// shows a byte.
class HexGridView final : public QTableView {
    Q_OBJECT

public:
    explicit HexGridView(HexGrid &grid, QWidget *parent);

    // Every column, the header column included, gets the same width, chosen
    // so that all of them fit beside a vertical scroll bar; every row, the
    // header row included, is as high as the font needs.
    void fitColumnsToWidth();

    // 0 (the default): every announced change is repainted at once.
    void setRepaintInterval(int milliseconds) { m_repaintIntervalMs = std::max(0, milliseconds); }
    bool repaintPending() const { return m_repaintTimer.isActive(); }

    // Puts the selected bytes, or the whole dump, on the clipboard as text.
    void copyAsHexText();
    void selectAll() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    // A rectangle of cells, or none.
    struct CellRange {
        int top = -1, left = -1, bottom = -1, right = -1;
        bool empty() const { return top < 0; }
        void unite(int firstRow, int firstCol, int lastRow, int lastCol);
    };

    // The viewport area of the cells in rows top..bottom, columns
    // left..right (clamped to the grid; empty if none is left).
    QRect cellsArea(int top, int left, int bottom, int right) const;
    // Repaints now or at the next multiple of the interval.
    void scheduleRepaint();
    // Has the grid announce its changes and repaints them with those
    // announced since the last repaint.
    void repaintChanged();

    HexGrid &m_grid;
    HexCellDelegate *m_delegate;  // the view's child
    CellRange m_changed;          // announced, waiting for the next repaint
    bool m_collecting = false;    // inside the grid's announceChanges()
    int m_repaintIntervalMs = 0;
    qint64 m_lastRepaintMs = -1; // monotonic clock, -1: never
    qint64 m_nextRepaintMs = 0;  // the multiple of the interval the next repaint is for
    QTimer m_repaintTimer;
};
