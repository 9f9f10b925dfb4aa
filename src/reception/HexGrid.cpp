#include "HexGrid.h"

#include "core/RuntimeError.h"
#include "logging/ErrorGuard.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace {

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

// The last `digits` upper-case hex digits of `value`, zeros in front.
QString hexRight(int value, int digits)
{
    return (QString(digits, u'0') + QString::number(value, 16).toUpper()).right(digits);
}

const QString &byteText(int byte)
{
    static const HexTexts<256, 2> table;
    return table.texts[static_cast<size_t>(byte)];
}

// Header of data row `row` (from 1): the row number less one, four digits.
QString rowHeaderText(int row)
{
    static const HexTexts<HexGrid::MaxShownBytes / HexGrid::BytesPerRow, 4> table;
    return static_cast<size_t>(row - 1) < table.texts.size() ? table.texts[static_cast<size_t>(row - 1)]
                                                             : hexRight(row - 1, 4);
}

// Header of data column `col` (from 1): the column number less one, two digits.
QString columnHeaderText(int col)
{
    return col - 1 < 256 ? byteText(col - 1) : hexRight(col - 1, 2);
}

} // namespace

HexGrid::HexGrid(int rows, int columns, QObject *parent)
    : QAbstractTableModel(parent), m_rows(std::max(rows, 1)), m_columns(std::max(columns, 0))
{
}

void HexGrid::checkCell(int row, int col) const
{
    if (row < 0 || row >= m_rows || col < 0 || col >= m_columns)
        throw RuntimeError::subscriptOutOfRange();
}

QString HexGrid::textAt(int row, int col) const
{
    checkCell(row, col);
    if (row == 0)
        return col > 0 && m_columnHeaders ? columnHeaderText(col) : QString();
    if (col == 0)
        return m_rowHeaders ? rowHeaderText(row) : QString();
    const int byte = byteAt(row, col);
    return byte >= 0 ? byteText(byte) : QString();
}

int HexGrid::backColorAt(int row, int col) const
{
    checkCell(row, col);
    if (row == 0 || col == 0 || !m_filled)
        return StandardBackColor;
    return byteIndex(row, col) < m_bytes.size() ? StandardBackColor : GreyBackColor;
}

int HexGrid::byteAt(int row, int col) const
{
    checkCell(row, col);
    if (row == 0 || col == 0 || !m_filled)
        return -1;
    const qsizetype index = byteIndex(row, col);
    return index < m_bytes.size() ? static_cast<unsigned char>(m_bytes[index]) : -1;
}

void HexGrid::labelHeaders()
{
    // Labelled with 16-bit counters: a grid they cannot cover is an overflow.
    constexpr int counterMax = std::numeric_limits<int16_t>::max();
    if (m_columns - 2 >= counterMax || m_rows - 2 >= counterMax)
        throw RuntimeError::overflow();
    if (!m_columnHeaders && m_columns > 1)
        rangeChanged(0, 1, 0, m_columns - 1);
    if (!m_rowHeaders && m_rows > 1 && m_columns > 0)
        rangeChanged(1, 0, m_rows - 1, 0);
    m_columnHeaders = true;
    m_rowHeaders = true;
}

void HexGrid::setBytes(const QByteArray &bytes)
{
    if (m_columns < 1)
        throw RuntimeError::subscriptOutOfRange(); // no column for the row headers
    const int count = static_cast<int>(std::min<qsizetype>(bytes.size(), MaxShownBytes));
    const QByteArray shown = bytes.size() > count ? bytes.first(count) : bytes;
    const int rows = (count + BytesPerRow - 1) / BytesPerRow + 1;
    const int oldRows = m_rows;
    const int commonRows = std::min(oldRows, rows);
    const int dataColumns = m_columns - 1;

    // The rows whose cells change, among those that stay: compared from both
    // ends, so that only the rows between the first and the last changed
    // are visited twice.
    int firstChanged = 1;
    int lastChanged = commonRows - 1;
    int left = 1;
    if (m_filled) {
        const qsizetype oldCount = m_bytes.size();
        const auto rowDiffers = [&](int row) {
            const qsizetype first = qsizetype(row - 1) * dataColumns;
            const qsizetype oldLength = std::clamp<qsizetype>(oldCount - first, 0, dataColumns);
            const qsizetype newLength = std::clamp<qsizetype>(count - first, 0, dataColumns);
            return oldLength != newLength ||
                   (newLength > 0 &&
                    std::memcmp(m_bytes.constData() + first, shown.constData() + first, size_t(newLength)) != 0);
        };
        while (firstChanged < commonRows && !rowDiffers(firstChanged))
            ++firstChanged;
        while (lastChanged > firstChanged && !rowDiffers(lastChanged))
            --lastChanged;
    } else if (!m_rowHeaders) {
        left = 0; // the row headers change too
    }

    m_bytes = shown;
    m_filled = true;
    m_rowHeaders = true;
    resizeRows(rows);
    if (firstChanged < commonRows)
        rangeChanged(firstChanged, left, lastChanged, m_columns - 1);
    if (rows > oldRows)
        rangeChanged(oldRows, 0, rows - 1, m_columns - 1);
}

void HexGrid::resizeRows(int rows)
{
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
        m_dirty.keepRowsBelow(m_rows);
    }
}

void HexGrid::rangeChanged(int top, int left, int bottom, int right)
{
    if (m_redraw)
        emit dataChanged(index(top, left), index(bottom, right));
    else
        m_dirty.unite(top, left, bottom, right);
}

void HexGrid::setRedraw(bool on)
{
    m_redraw = on;
    if (!on || m_dirty.empty())
        return;
    // One announcement for everything changed while redraw was off.
    const CellRange changed = std::exchange(m_dirty, {});
    emit dataChanged(index(changed.top, changed.left), index(changed.bottom, changed.right));
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

int HexGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int HexGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant HexGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return textAt(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
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
    guard.run(QStringLiteral("(SetGridFromByteArray)"), [&] { grid.setBytes(bytes); });
}
