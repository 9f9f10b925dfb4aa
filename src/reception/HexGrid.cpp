#include "HexGrid.h"

#include "core/RuntimeError.h"
#include "logging/ErrorGuard.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

HexGrid::HexGrid(int rows, int cols, QObject *parent)
    : QAbstractTableModel(parent), m_rows(rows), m_cols(cols), m_cells(static_cast<size_t>(rows * cols))
{
    m_announceTimer.setSingleShot(true);
    m_announceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_announceTimer, &QTimer::timeout, this, &HexGrid::announcePending);
}

void HexGrid::throwOutOfRange()
{
    throw RuntimeError::subscriptOutOfRange();
}

void HexGrid::SetRows(int rows)
{
    // The fixed header row always stays.
    if (rows < 1)
        throw RuntimeError::invalidArgument();
    if (rows == m_rows)
        return;
    materializeDump();
    resizeRows(rows);
}

void HexGrid::resizeRows(int rows)
{
    if (rows == m_rows)
        return;
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_cells.resize(static_cast<size_t>(rows * m_cols));
        m_rows = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows, m_rows - 1);
        m_cells.resize(static_cast<size_t>(rows * m_cols));
        m_rows = rows;
        endRemoveRows();
        m_dirty.keepRowsBelow(m_rows);
    }
    m_row = std::min(m_row, m_rows - 1);
}

void HexGrid::SetRow(int row)
{
    checkCell(row, 0);
    m_row = row;
}

void HexGrid::SetCol(int col)
{
    checkCell(0, col);
    m_col = col;
}

QString HexGrid::Text() const
{
    return textAt(m_row, m_col);
}

const QString &HexGrid::TextMatrix(int row, int col) const
{
    return textAt(row, col);
}

void HexGrid::SetText(const QString &text)
{
    SetTextMatrix(m_row, m_col, text);
}

void HexGrid::SetTextMatrix(int row, int col, const QString &text)
{
    if (textAt(row, col) == text)
        return; // what the grid shows does not change
    Cell &c = cell(row, col);
    c.text = text;
    c.byteText = -1;
    cellChanged(row, col);
}

int HexGrid::CellAlignment() const
{
    return alignmentAt(m_row, m_col);
}

void HexGrid::SetCellAlignment(int alignment)
{
    if (alignmentAt(m_row, m_col) == alignment)
        return;
    Cell &c = cell(m_row, m_col);
    c.alignment = alignment;
    cellChanged(m_row, m_col);
}

int HexGrid::CellBackColor() const
{
    return backColorAt(m_row, m_col);
}

void HexGrid::SetCellBackColor(int color)
{
    if (backColorAt(m_row, m_col) == color)
        return;
    Cell &c = cell(m_row, m_col);
    c.backColor = color;
    cellChanged(m_row, m_col);
}

void HexGrid::rangeChanged(int top, int left, int bottom, int right)
{
    if (m_redraw)
        announce(top, left, bottom, right);
    else
        m_dirty.unite(top, left, bottom, right);
}

void HexGrid::CellRange::unite(int firstRow, int firstCol, int lastRow, int lastCol)
{
    if (empty()) {
        *this = {firstRow, firstCol, lastRow, lastCol};
        return;
    }
    top = std::min(top, firstRow);
    left = std::min(left, firstCol);
    bottom = std::max(bottom, lastRow);
    right = std::max(right, lastCol);
}

void HexGrid::CellRange::keepRowsBelow(int rows)
{
    if (top >= rows)
        *this = {};
    else if (bottom >= rows)
        bottom = rows - 1;
}

namespace {

constexpr int MaxShownBytes = 2048;
constexpr int BytesPerRow = 16;
constexpr int Gray = 128 | 128 << 8 | 128 << 16;

// Texts of fixed storage: cells share them without reference counting.
template <size_t Count, size_t Digits> struct HexTexts {
    char16_t storage[Count][Digits] {};
    std::array<QString, Count> texts;

    HexTexts()
    {
        static constexpr char16_t digits[] = u"0123456789ABCDEF";
        for (size_t i = 0; i < Count; ++i) {
            for (size_t d = 0; d < Digits; ++d)
                storage[i][d] = digits[(i >> (4 * (Digits - 1 - d))) & 0xF];
            texts[i] = QString::fromRawData(reinterpret_cast<const QChar *>(storage[i]), Digits);
        }
    }
};

const QString &byteText(int byte)
{
    static const HexTexts<256, 2> table;
    return table.texts[static_cast<size_t>(byte)];
}

// The first `count` bytes, sharing the data when that is all of them.
QByteArray shownBytes(const QByteArray &bytes, int count)
{
    return bytes.size() > count ? bytes.first(count) : bytes;
}

const QString &rowHeaderText(int row)
{
    static const HexTexts<MaxShownBytes / BytesPerRow, 4> table;
    return table.texts[static_cast<size_t>(row)];
}

} // namespace

const QString &HexGrid::textOf(const Cell &c)
{
    return c.byteText >= 0 ? byteText(c.byteText) : c.text;
}

// In a dump every cell of a data row is centred; the header cell holds the
// row number, a data cell its byte on the standard background, or nothing
// on grey past the end.
const QString &HexGrid::textAt(int row, int col) const
{
    checkCell(row, col);
    if (!m_dumpActive || row == 0)
        return textOf(m_cells[static_cast<size_t>(row * m_cols + col)]);
    if (col == 0)
        return rowHeaderText(row - 1);
    const qsizetype index = (row - 1) * BytesPerRow + (col - 1);
    static const QString empty;
    return index < m_dump.size() ? byteText(static_cast<unsigned char>(m_dump[index])) : empty;
}

int HexGrid::alignmentAt(int row, int col) const
{
    checkCell(row, col);
    if (!m_dumpActive || row == 0)
        return m_cells[static_cast<size_t>(row * m_cols + col)].alignment;
    return AlignCenterCenter;
}

int HexGrid::backColorAt(int row, int col) const
{
    checkCell(row, col);
    if (!m_dumpActive || row == 0 || col == 0)
        return m_cells[static_cast<size_t>(row * m_cols + col)].backColor;
    return (row - 1) * BytesPerRow + (col - 1) < m_dump.size() ? StandardBackColor : Gray;
}

int HexGrid::byteAt(int row, int col) const
{
    checkCell(row, col);
    if (m_dumpActive && row > 0 && col > 0) {
        const qsizetype index = (row - 1) * BytesPerRow + (col - 1);
        return index < m_dump.size() ? static_cast<unsigned char>(m_dump[index]) : -1;
    }
    const Cell &c = m_cells[static_cast<size_t>(row * m_cols + col)];
    return c.byteText >= 0 && c.alignment == AlignCenterCenter && c.backColor == StandardBackColor ? c.byteText : -1;
}

void HexGrid::materializeDump()
{
    if (!m_dumpActive)
        return;
    m_dumpActive = false;
    const QByteArray bytes = std::exchange(m_dump, QByteArray());
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (int row = 1; row < m_rows; ++row) {
        Cell *cells = &m_cells[static_cast<size_t>(row * m_cols)];
        cells[0].text = rowHeaderText(row - 1);
        cells[0].byteText = -1;
        cells[0].alignment = AlignCenterCenter;
        const int first = (row - 1) * BytesPerRow;
        for (int col = 1; col < m_cols; ++col) {
            Cell &c = cells[col];
            const int index = first + col - 1;
            const bool isByte = index < bytes.size();
            c.text = QString();
            c.byteText = isByte ? data[index] : -1;
            c.alignment = AlignCenterCenter;
            c.backColor = isByte ? StandardBackColor : Gray;
        }
    }
}

void HexGrid::showDump(const QByteArray &bytes, int count)
{
    const int oldCount = static_cast<int>(m_dump.size());
    const int oldRows = m_rows;
    resizeRows((count + BytesPerRow - 1) / BytesPerRow + 1);
    // Announce the rows from the first to the last whose bytes changed (the
    // view repaints the ones between anyway), and the rows that came new.
    const auto rowDiffers = [&](int row) {
        const int first = (row - 1) * BytesPerRow;
        const int oldLength = std::clamp(oldCount - first, 0, BytesPerRow);
        const int newLength = std::clamp(count - first, 0, BytesPerRow);
        return oldLength != newLength ||
               std::memcmp(m_dump.constData() + first, bytes.constData() + first, static_cast<size_t>(newLength)) != 0;
    };
    const int commonRows = std::min(oldRows, m_rows);
    int firstChanged = 1;
    while (firstChanged < commonRows && !rowDiffers(firstChanged))
        ++firstChanged;
    int lastChanged = commonRows - 1;
    while (lastChanged > firstChanged && !rowDiffers(lastChanged))
        --lastChanged;
    m_dump = shownBytes(bytes, count);
    if (firstChanged < commonRows)
        rangeChanged(firstChanged, 1, lastChanged, m_cols - 1);
    if (m_rows > oldRows)
        rangeChanged(oldRows, 0, m_rows - 1, m_cols - 1);
}

void HexGrid::showRowBytes(int row, const unsigned char *data, int count)
{
    checkCell(row, 0);
    Cell *cells = &m_cells[static_cast<size_t>(row * m_cols)];
    int firstChanged = m_cols;
    int lastChanged = -1;
    const auto changedAt = [&](int col) {
        firstChanged = std::min(firstChanged, col);
        lastChanged = col;
    };
    const int shown = std::clamp(count, 0, m_cols - 1);
    for (int col = 1; col <= shown; ++col) {
        Cell &c = cells[col];
        const int byte = data[col - 1];
        if (c.byteText >= 0 && c.alignment == AlignCenterCenter && c.backColor == StandardBackColor) [[likely]] {
            // Already a centred byte cell: only the byte may change, and two
            // different bytes never share a text.
            if (c.byteText != byte) {
                c.byteText = byte;
                changedAt(col);
            }
            continue;
        }
        // Any other text is compared with the byte's text.
        if (c.byteText >= 0 || c.text != byteText(byte) || c.alignment != AlignCenterCenter ||
            c.backColor != StandardBackColor)
            changedAt(col);
        c.text = QString();
        c.byteText = byte;
        c.alignment = AlignCenterCenter;
        c.backColor = StandardBackColor;
    }
    for (int col = shown + 1; col < m_cols; ++col) {
        Cell &c = cells[col];
        if (c.byteText >= 0 || !c.text.isEmpty() || c.alignment != AlignCenterCenter || c.backColor != Gray) {
            c.text = QString();
            c.byteText = -1;
            c.alignment = AlignCenterCenter;
            c.backColor = Gray;
            changedAt(col);
        }
    }
    if (lastChanged >= 0)
        rangeChanged(row, firstChanged, row, lastChanged);
}

void HexGrid::SetRedraw(bool on)
{
    m_redraw = on;
    if (!on || m_dirty.empty())
        return;
    // One announcement for everything changed while repainting was off.
    const CellRange changed = std::exchange(m_dirty, {});
    announce(changed.top, changed.left, changed.bottom, changed.right);
}

void HexGrid::announce(int top, int left, int bottom, int right)
{
    if (m_announceIntervalMs == 0) {
        emit dataChanged(index(top, left), index(bottom, right));
        return;
    }
    m_pending.unite(top, left, bottom, right);
    if (m_announceTimer.isActive())
        return;
    const qint64 now = QDeadlineTimer::current().deadline();
    if (m_lastAnnounceMs < 0 || now - m_lastAnnounceMs >= m_announceIntervalMs) {
        announcePending();
        return;
    }
    m_announceTimer.start(static_cast<int>(m_announceIntervalMs - now % m_announceIntervalMs));
}

void HexGrid::announcePending()
{
    m_announceTimer.stop();
    m_lastAnnounceMs = QDeadlineTimer::current().deadline();
    // Rows removed since the change are no longer there to announce.
    CellRange changed = std::exchange(m_pending, {});
    changed.keepRowsBelow(m_rows);
    if (!changed.empty())
        emit dataChanged(index(changed.top, changed.left), index(changed.bottom, changed.right));
}

int HexGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int HexGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant HexGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_cols)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return textAt(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return alignmentAt(index.row(), index.column()) == AlignCenterCenter ? QVariant(int(Qt::AlignCenter))
                                                                             : QVariant();
    case BackColorRole:
        return backColorAt(index.row(), index.column());
    case FixedRole:
        return index.row() == 0 || index.column() == 0;
    default:
        return {};
    }
}

void SetGridFromByteArray(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard)
{
    guard.run(QStringLiteral("(SetGridFromByteArray)"), [&] {
        const int count = static_cast<int>(std::min<qsizetype>(bytes.size(), MaxShownBytes));
        if (grid.m_dumpActive) {
            // A dump over a dump: the same picture, from the bytes alone.
            grid.showDump(bytes, count);
            grid.m_row = grid.m_rows - 1;
            grid.m_col = grid.m_cols - 1;
            return;
        }
        grid.SetRows((count + BytesPerRow - 1) / BytesPerRow + 1);
        grid.SetCol(0);
        for (int i = 0; i <= grid.Rows() - 2; ++i) {
            grid.SetRow(i + 1);
            grid.SetCellAlignment(HexGrid::AlignCenterCenter);
            grid.SetText(rowHeaderText(i));
        }
        // Every data cell centred; a byte's text (written only when it
        // differs) on the standard background, or empty and grey past the end.
        const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
        const int lastRow = grid.Rows() - 2;
        int lastCol = -1;
        for (int r = 0; r <= lastRow; ++r) {
            lastCol = grid.Cols() - 2;
            const int first = r * (lastCol + 1);
            const int inRow = static_cast<int>(std::clamp<qsizetype>(bytes.size() - first, 0, lastCol + 1));
            grid.showRowBytes(r + 1, data + std::min<qsizetype>(first, bytes.size()), inRow);
        }
        // The fill ends on the last data cell.
        if (lastRow >= 0 && lastCol >= 0) {
            grid.SetRow(lastRow + 1);
            grid.SetCol(lastCol + 1);
        }
        // The next fill works on the bytes, where the grid has the usual
        // 16 data columns.
        if (grid.Cols() == BytesPerRow + 1 && count > 0) {
            grid.m_dump = shownBytes(bytes, count);
            grid.m_dumpActive = true;
        }
    });
}
