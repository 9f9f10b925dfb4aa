#pragma once

#include <QTableView>

class HexGrid;

// The grid component of the main window: a view over a HexGrid model.
// The model's fixed row 0 and column 0 are shown in the view's own header
// areas, so they stay in place while the data cells scroll; data cells
// show their text, alignment and BackColor, lines between them are light
// grey and the area beyond the last cell is grey.
class HexGridView final : public QTableView {
    Q_OBJECT

public:
    explicit HexGridView(HexGrid &grid, QWidget *parent);

    // Every column, the fixed one included, gets the same width, chosen so
    // that all columns fit beside a vertical scroll bar.
    void fitColumnsToWidth();

private:
    void hideFixedCells();
};
