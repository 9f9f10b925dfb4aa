#pragma once

#include <QTableView>
#include <QTimer>

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

    // Changed cells are repainted on the next turn of the event loop after
    // a quiet spell, otherwise at the next multiple of this interval, so a
    // flood of datagrams costs a few repaints a second instead of one per
    // datagram.
    static constexpr int RepaintIntervalMs = 100;
    bool RepaintPending() const { return m_repaintTimer.isActive(); }

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    void hideFixedCells();
    void repaintChangedCells();

    QTimer m_repaintTimer;
    qint64 m_lastRepaintMs = -1; // monotonic clock, -1: never
    bool m_dataChanged = false;
    bool m_headerRowChanged = false;
    bool m_headerColumnChanged = false;
};
