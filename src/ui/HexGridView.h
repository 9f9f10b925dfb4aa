#pragma once

#include "CellPictures.h"

#include <QTableView>
#include <QTimer>

class HexGrid;

// The grid component of the main window: a view over a HexGrid model.
// The model's fixed row 0 and column 0 are shown in the view's own header
// areas, so they stay in place while the data cells scroll; data cells
// show their text, alignment and BackColor, lines between them are light
// grey and the area beyond the last cell is grey. Data cells are painted
// straight from the grid, only those in the area to repaint.
class HexGridView final : public QTableView {
    Q_OBJECT

public:
    explicit HexGridView(HexGrid &grid, QWidget *parent);

    // Every column, the fixed one included, gets the same width, chosen so
    // that all columns fit beside a vertical scroll bar.
    void fitColumnsToWidth();

    // Changed cells are repainted on the next turn of the event loop after
    // a quiet spell, otherwise at the next multiple of this interval, so a
    // flood of datagrams costs a few repaints a second instead of one per
    // datagram.
    static constexpr int RepaintIntervalMs = 100;
    bool RepaintPending() const { return m_repaintTimer.isActive(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void hideFixedCells();
    void repaintChangedCells();
    // The viewport area of the data cells in rows top..bottom, columns
    // left..right (clamped to the grid; empty if none is left).
    QRect cellsArea(int top, int left, int bottom, int right) const;

    HexGrid &m_grid;
    CellPictures m_pictures;
    QTimer m_repaintTimer;
    qint64 m_lastRepaintMs = -1; // monotonic clock, -1: never
    // Data cells changed since the last repaint (m_dirtyTop -1: none).
    int m_dirtyTop = -1, m_dirtyLeft = -1, m_dirtyBottom = -1, m_dirtyRight = -1;
    bool m_headerRowChanged = false;
    bool m_headerColumnChanged = false;
};
