#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>

class ErrorGuard;

// The cells of a hex dump: a table model of the bytes shown, 16 to a row.
// Cell (r, c) shows byte r * 16 + c as two hex digits on the standard
// background or, past the end of the bytes, nothing on grey. The header
// row and the header column are the model's headers (headerData): the
// column numbers 00 to 0F and the row numbers 0000, 0001, ..., both empty
// until labelled. Every cell and header is centred. Until the first bytes
// are shown there is one row of empty cells on the standard background.
//
// The main window's grids count the header row and column among their
// rows and columns (a grid of 2 rows and 17 columns at creation); here they
// are apart, as Qt's views keep them: rowCount() is the data rows alone
// and row r here is the grid's row r + 1.
//
// What the model answers (data, textAt, shownBytes, ...) is always the
// bytes shown last. Rows added or taken away are announced at once
// (rowsInserted, rowsRemoved). Changed cells are announced when asked:
// showing bytes only keeps them, and raises changesWaiting() for the first
// fill after an announcement; announceChanges() then compares what was
// announced last with what is shown, row by row from both ends, and
// announces (dataChanged) the rows from the first to the last that
// changed. A flood of fills thus costs one comparison for each time a view
// repaints, and nothing where no view looks (the headless receiver's
// grids). With redraw off, changesWaiting() is held until it is switched
// on again.
class HexGrid : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int MaxShownBytes = 2048;
    static constexpr int BytesPerRow = 16;
    // Colours are values with red in the low byte; 0 is the standard
    // background. Grey: cells past the data, and the view beyond its last cell.
    static constexpr int StandardBackColor = 0;
    static constexpr int GreyBackColor = 128 | 128 << 8 | 128 << 16;
    // Model roles besides Qt::DisplayRole (the text) and
    // Qt::TextAlignmentRole (Qt::AlignCenter): the cell's colour value
    // (int, 0 = standard).
    static constexpr int BackColorRole = Qt::UserRole + 1;

    explicit HexGrid(QObject *parent = nullptr);

    // Shows the first MaxShownBytes of `bytes`: one row for every 16 bytes
    // or part of them, row headers labelled.
    void setBytes(const QByteArray &bytes);
    // Labels the header row and the header column.
    void labelHeaders();

    bool redraw() const { return m_redraw; }
    void setRedraw(bool on);

    // Announces the cells changed since the last announcement, if any:
    // one dataChanged for the rows from the first to the last that changed.
    void announceChanges();

    // What a cell shows; a cell outside the dump shows nothing.
    QString textAt(int row, int col) const;
    int backColorAt(int row, int col) const;
    // The byte a cell shows, -1 for a cell that shows none.
    int byteAt(int row, int col) const;
    // The offset in shownBytes() of the byte a cell shows, -1 for a cell
    // that shows none.
    qsizetype offsetAt(int row, int col) const { return byteAt(row, col) >= 0 ? byteIndex(row, col) : -1; }
    // The header of a column or a row; empty until labelled.
    QString columnHeader(int col) const;
    QString rowHeader(int row) const;
    // The bytes shown (empty until the first are).
    const QByteArray &shownBytes() const { return m_bytes; }

    // QAbstractTableModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // Shown bytes wait to be announced (announceChanges); raised once until
    // they are, and only with redraw on.
    void changesWaiting();

private:
    bool inside(int row, int col) const { return row >= 0 && row < m_rows && col >= 0 && col < BytesPerRow; }
    // The index into m_bytes of a cell's byte (may lie past the end).
    static qsizetype byteIndex(int row, int col) { return qsizetype(row) * BytesPerRow + col; }
    void resizeRows(int rows);
    void labelRowHeaders();
    // Raises changesWaiting() if it is due.
    void tellChangesWaiting();

    int m_rows = 1;
    bool m_redraw = true;
    bool m_columnHeaders = false; // header row labelled
    bool m_rowHeaders = false;    // header column labelled
    bool m_filled = false;        // the cells show m_bytes
    bool m_waiting = false;       // shown since the last announcement
    bool m_told = false;          // changesWaiting() raised for them
    QByteArray m_bytes;
    // The bytes shown at the last announcement (empty: none, as before the
    // first fill). A row added since compares as changed: announced twice,
    // it is painted once all the same.
    QByteArray m_announced;
};

// Shows the first 2048 bytes of `bytes` in `grid` as a hex dump of 16
// bytes to a row; a failure is logged with "(SetGridFromByteArray)".
void SetGridFromByteArray(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard);
