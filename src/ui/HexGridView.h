#pragma once

#include "CellPictures.h"

#include <QTableView>

class HexGrid;

// The grid component of the main window: a view over a HexGrid model.
// The model's fixed row 0 and column 0 are shown in the view's own header
// areas, so they stay in place while the data cells scroll; data cells
// show their text, alignment and BackColor, lines between them are light
// grey and the area beyond the last cell is grey. Data cells are painted
// straight from the grid, only those the grid announces changed (how
// often, the grid's announce interval decides).
class HexGridView final : public QTableView {
    Q_OBJECT

public:
    explicit HexGridView(HexGrid &grid, QWidget *parent);

    // Every column, the fixed one included, gets the same width, chosen so
    // that all columns fit beside a vertical scroll bar.
    void fitColumnsToWidth();

protected:
    void paintEvent(QPaintEvent *event) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void hideFixedCells();
    // The viewport area of the data cells in rows top..bottom, columns
    // left..right (clamped to the grid; empty if none is left).
    QRect cellsArea(int top, int left, int bottom, int right) const;

    HexGrid &m_grid;
    CellPictures m_pictures;
};
