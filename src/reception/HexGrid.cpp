#include "HexGrid.h"

#include "core/RuntimeError.h"
#include "logging/ErrorGuard.h"

#include <algorithm>
#include <array>

HexGrid::HexGrid(int rows, int cols, QObject *parent)
    : QAbstractTableModel(parent), m_rows(rows), m_cols(cols), m_cells(static_cast<size_t>(rows * cols))
{
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
        if (m_dirtyTop >= m_rows) {
            m_dirtyTop = m_dirtyBottom = -1;
        } else if (m_dirtyBottom >= m_rows) {
            m_dirtyBottom = m_rows - 1;
        }
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
    return textOf(cell(m_row, m_col));
}

void HexGrid::SetText(const QString &text)
{
    SetTextMatrix(m_row, m_col, text);
}

void HexGrid::SetTextMatrix(int row, int col, const QString &text)
{
    Cell &c = cell(row, col);
    if (textOf(c) == text)
        return; // what the grid shows does not change
    c.text = text;
    c.byteText = -1;
    cellChanged(row, col);
}

int HexGrid::CellAlignment() const
{
    return cell(m_row, m_col).alignment;
}

void HexGrid::SetCellAlignment(int alignment)
{
    Cell &c = cell(m_row, m_col);
    if (c.alignment == alignment)
        return;
    c.alignment = alignment;
    cellChanged(m_row, m_col);
}

int HexGrid::CellBackColor() const
{
    return cell(m_row, m_col).backColor;
}

void HexGrid::SetCellBackColor(int color)
{
    Cell &c = cell(m_row, m_col);
    if (c.backColor == color)
        return;
    c.backColor = color;
    cellChanged(m_row, m_col);
}

void HexGrid::cellChanged(int row, int col)
{
    if (m_redraw) {
        const QModelIndex at = index(row, col);
        emit dataChanged(at, at);
        return;
    }
    if (m_dirtyTop < 0) {
        m_dirtyTop = m_dirtyBottom = row;
        m_dirtyLeft = m_dirtyRight = col;
        return;
    }
    m_dirtyTop = std::min(m_dirtyTop, row);
    m_dirtyBottom = std::max(m_dirtyBottom, row);
    m_dirtyLeft = std::min(m_dirtyLeft, col);
    m_dirtyRight = std::max(m_dirtyRight, col);
}

namespace {

constexpr int MaxShownBytes = 2048;
constexpr int BytesPerRow = 16;
constexpr int Gray = 128 | 128 << 8 | 128 << 16;

// Texts of fixed storage: cells share them without reference counting.
template <size_t Count, size_t Digits>
struct HexTexts {
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
    if (lastChanged < 0)
        return;
    if (m_redraw) {
        emit dataChanged(index(row, firstChanged), index(row, lastChanged));
        return;
    }
    cellChanged(row, firstChanged);
    cellChanged(row, lastChanged);
}

void HexGrid::SetRedraw(bool on)
{
    m_redraw = on;
    if (!on || m_dirtyTop < 0)
        return;
    // One announcement for everything changed while repainting was off.
    emit dataChanged(index(m_dirtyTop, m_dirtyLeft), index(m_dirtyBottom, m_dirtyRight));
    m_dirtyTop = m_dirtyBottom = -1;
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
    const Cell &c = m_cells[static_cast<size_t>(index.row() * m_cols + index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return textOf(c);
    case Qt::TextAlignmentRole:
        return c.alignment == AlignCenterCenter ? QVariant(int(Qt::AlignCenter)) : QVariant();
    case BackColorRole:
        return c.backColor;
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
    });
}
