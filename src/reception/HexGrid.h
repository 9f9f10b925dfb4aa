#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <vector>

class ErrorGuard;

// The cell grid behind a hex dump view: a model with one fixed header row
// and one fixed header column, addressed like the grid component the
// screens were designed for (Rows, Cols, Row, Col, Text, TextMatrix,
// CellAlignment, CellBackColor, Redraw). With Redraw off, changes are
// collected and announced to views once when Redraw is switched on again.
//
// Changes made with Redraw on are announced (dataChanged) at once, or, with
// an announce interval, at most once per interval: at once after a quiet
// spell, otherwise on the next multiple of the interval on the monotonic
// clock, so that grids changed together announce together and a flood of
// fills costs a few announcements a second.
//
// A hex dump filled again over a dump keeps the bytes themselves and
// derives the cells of the data rows from them, so that a fill costs the
// same for 2 bytes as for 2048; the first cell written by other means turns
// the dump into ordinary cells.
class HexGrid : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int AlignCenterCenter = 4;
    static constexpr int StandardBackColor = 0;
    // Model roles: Qt::DisplayRole gives the cell text, Qt::TextAlignmentRole
    // Qt::AlignCenter for centred cells, BackColorRole the cell's BackColor
    // value (int, 0 = standard), FixedRole true for the header row/column.
    static constexpr int BackColorRole = Qt::UserRole + 1;
    static constexpr int FixedRole = Qt::UserRole + 2;

    explicit HexGrid(int rows = 2, int cols = 17, QObject *parent = nullptr);

    int Rows() const { return m_rows; }
    void SetRows(int rows);
    int Cols() const { return m_cols; }
    int Row() const { return m_row; }
    void SetRow(int row);
    int Col() const { return m_col; }
    void SetCol(int col);

    // Text of the current cell.
    QString Text() const;
    void SetText(const QString &text);
    const QString &TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const QString &text);

    // Alignment of the current cell (4: centre-centre).
    int CellAlignment() const;
    void SetCellAlignment(int alignment);
    // Background of the current cell as a colour value with red in the low
    // byte; 0 stands for the standard background.
    int CellBackColor() const;
    void SetCellBackColor(int color);

    // What a cell shows, for views: text, alignment (4: centre-centre, 0:
    // the view's default) and BackColor (0: standard background).
    const QString &textAt(int row, int col) const;
    int alignmentAt(int row, int col) const;
    int backColorAt(int row, int col) const;
    // The byte a cell shows as its two-digit text, centred on the standard
    // background; -1 for a cell that shows anything else.
    int byteAt(int row, int col) const;

    bool Redraw() const { return m_redraw; }
    void SetRedraw(bool on);

    // 0 (the default): every change is announced at once.
    void SetAnnounceInterval(int milliseconds) { m_announceIntervalMs = std::max(0, milliseconds); }
    bool AnnouncementPending() const { return m_announceTimer.isActive(); }

    // QAbstractTableModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    // A cell that shows a byte keeps only the byte; its two-digit text is
    // shared by every cell showing that byte.
    struct Cell {
        QString text;      // the text when byteText is -1
        int alignment = 0; // 0: the view's default
        int backColor = 0; // 0: standard background
        int byteText = -1; // the byte whose two-digit text the cell shows, -1: `text`
    };
    static const QString &textOf(const Cell &c);
    Cell &cell(int row, int col)
    {
        checkCell(row, col);
        if (m_dumpActive && row > 0)
            materializeDump();
        return m_cells[static_cast<size_t>(row * m_cols + col)];
    }
    void checkCell(int row, int col) const
    {
        if (row < 0 || row >= m_rows || col < 0 || col >= m_cols)
            throwOutOfRange();
    }
    [[noreturn]] static void throwOutOfRange();
    // Announces the range, or adds it to the changes collected while Redraw is off.
    void rangeChanged(int top, int left, int bottom, int right);
    void cellChanged(int row, int col) { rangeChanged(row, col, row, col); }
    // Announces a changed range now or with the next announcement (see above).
    void announce(int top, int left, int bottom, int right);
    void announcePending();
    // Makes the data cells of `row` show `count` bytes from `data`, centred
    // on the standard background, and the cells after them nothing on grey;
    // a cell is changed (and announced) only when what it shows differs.
    void showRowBytes(int row, const unsigned char *data, int count);
    // Shows the first `count` bytes of a dump over the dump shown: sets the
    // rows to the header row plus one for every 16 bytes or part of them and
    // announces the rows whose bytes changed.
    void showDump(const QByteArray &bytes, int count);
    // Writes the dump into ordinary cells; what the grid shows stays.
    void materializeDump();
    void resizeRows(int rows);

    friend void SetGridFromByteArray(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard);

    int m_rows;
    int m_cols;
    int m_row = 0;
    int m_col = 0;
    bool m_redraw = true;
    std::vector<Cell> m_cells; // row-major, m_rows * m_cols
    // A rectangle of cells, or none.
    struct CellRange {
        int top = -1, left = -1, bottom = -1, right = -1;
        bool empty() const { return top < 0; }
        void unite(int firstRow, int firstCol, int lastRow, int lastCol);
        // Forgets the rows from `rows` on (all of it when none is left).
        void keepRowsBelow(int rows);
    };
    CellRange m_dirty;   // changed while Redraw was off
    CellRange m_pending; // changed, waiting for the next announcement
    int m_announceIntervalMs = 0;
    qint64 m_lastAnnounceMs = -1; // monotonic clock, -1: never
    QTimer m_announceTimer;
    // The bytes of the data rows while a dump is shown (see above).
    QByteArray m_dump;
    bool m_dumpActive = false;
};

// Shows the first 2048 bytes of `bytes` in `grid` as a hex dump of 16
// bytes to a row; a failure is logged with "(SetGridFromByteArray)".
void SetGridFromByteArray(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard);
