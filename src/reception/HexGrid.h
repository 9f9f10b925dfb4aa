#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>

class ErrorGuard;

// The cells of a hex dump: a model with one fixed header row and one fixed
// header column that holds the bytes shown and derives every cell from
// them. Header row: the data column numbers 00, 01, ... once labelled;
// header column: the row numbers 0000, 0001, ... once labelled; data cell
// (r, c): byte (r - 1) * (columns - 1) + (c - 1) as two hex digits on the
// standard background, or, past the end of the bytes, nothing on grey.
// Every cell is centred. Until the first bytes are shown the data cells
// are empty on the standard background.
//
// Showing bytes over bytes compares them row by row from both ends and
// announces (dataChanged) the rows from the first to the last that
// changed, so a fill costs in proportion to what changed. With redraw off
// the changes are collected and announced once when it is switched on.
class HexGrid : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int MaxShownBytes = 2048;
    static constexpr int BytesPerRow = 16;
    // Colours are values with red in the low byte; 0 is the standard
    // background. Grey: cells past the data, and the view beyond its last cell.
    static constexpr int StandardBackColor = 0;
    static constexpr int GreyBackColor = 128 | 128 << 8 | 128 << 16;
    // Model roles: Qt::DisplayRole gives the cell text, Qt::TextAlignmentRole
    // Qt::AlignCenter, BackColorRole the cell's colour value (int, 0 =
    // standard), FixedRole true for the header row/column.
    static constexpr int BackColorRole = Qt::UserRole + 1;
    static constexpr int FixedRole = Qt::UserRole + 2;

    explicit HexGrid(int rows = 2, int columns = 17, QObject *parent = nullptr);

    // Shows the first MaxShownBytes of `bytes`: one row for every 16 bytes
    // or part of them after the header row, row headers labelled. Throws
    // when the grid has no column for the row headers.
    void setBytes(const QByteArray &bytes);
    // Labels the header row and the header column.
    void labelHeaders();

    bool redraw() const { return m_redraw; }
    void setRedraw(bool on);

    // What a cell shows, for views; a cell outside the grid throws.
    QString textAt(int row, int col) const;
    int backColorAt(int row, int col) const;
    // The byte a data cell shows, -1 for a cell that shows no byte.
    int byteAt(int row, int col) const;
    // The offset in shownBytes() of the byte a cell shows, -1 for a cell
    // that shows no byte.
    qsizetype offsetAt(int row, int col) const { return byteAt(row, col) >= 0 ? byteIndex(row, col) : -1; }
    // The bytes shown (empty until the first are).
    const QByteArray &shownBytes() const { return m_bytes; }

    // QAbstractTableModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // A rectangle of cells, or none.
    struct CellRange {
        int top = -1, left = -1, bottom = -1, right = -1;
        bool empty() const { return top < 0; }
        void unite(int firstRow, int firstCol, int lastRow, int lastCol);
        // Forgets the rows from `rows` on (all of it when none is left).
        void keepRowsBelow(int rows);
    };

private:
    void checkCell(int row, int col) const;
    // The index into m_bytes of a data cell's byte (may lie past the end).
    qsizetype byteIndex(int row, int col) const { return qsizetype(row - 1) * (m_columns - 1) + (col - 1); }
    // Announces the range now, or with redraw on again.
    void rangeChanged(int top, int left, int bottom, int right);
    void resizeRows(int rows);

    int m_rows;
    int m_columns;
    bool m_redraw = true;
    bool m_columnHeaders = false; // header row labelled
    bool m_rowHeaders = false;    // header column labelled
    bool m_filled = false;        // data cells show m_bytes
    QByteArray m_bytes;
    CellRange m_dirty; // changed while redraw was off
};

// Shows the first 2048 bytes of `bytes` in `grid` as a hex dump of 16
// bytes to a row; a failure is logged with "(SetGridFromByteArray)".
void SetGridFromByteArray(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard);
