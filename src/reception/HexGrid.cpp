#include "HexGrid.h"

#include "logging/ErrorGuard.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Texts of fixed storage: cells share them without reference counting.
template <size_t Count, size_t Digits> struct HexTexts {
    char16_t storage[Count][Digits] {};
    std::array<QString, Count> texts;

    HexTexts()
    {
        static constexpr char16_t HexDigits[] = u"0123456789ABCDEF";
        for (size_t i = 0; i < Count; ++i) {
            for (size_t d = 0; d < Digits; ++d)
                storage[i][d] = HexDigits[(i >> (4 * (Digits - 1 - d))) & 0xF];
            texts[i] = QString::fromRawData(reinterpret_cast<const QChar *>(storage[i]), Digits);
        }
    }
};

// Two hex digits: a byte, or a column number.
const QString &byteText(int byte)
{
    static const HexTexts<256, 2> table;
    return table.texts[static_cast<size_t>(byte)];
}

// Four hex digits: a row number.
const QString &rowText(int row)
{
    static const HexTexts<HexGrid::MaxShownBytes / HexGrid::BytesPerRow, 4> table;
    return table.texts[static_cast<size_t>(row)];
}

} // namespace

HexGrid::HexGrid(QObject *parent) : QAbstractTableModel(parent)
{
}

QString HexGrid::textAt(int row, int col) const
{
    const int byte = byteAt(row, col);
    return byte >= 0 ? byteText(byte) : QString();
}

int HexGrid::backColorAt(int row, int col) const
{
    if (!inside(row, col) || !m_filled)
        return StandardBackColor;
    return byteIndex(row, col) < m_bytes.size() ? StandardBackColor : GreyBackColor;
}

int HexGrid::byteAt(int row, int col) const
{
    if (!inside(row, col) || !m_filled)
        return -1;
    const qsizetype index = byteIndex(row, col);
    return index < m_bytes.size() ? static_cast<unsigned char>(m_bytes[index]) : -1;
}

QString HexGrid::columnHeader(int col) const
{
    return m_columnHeaders && col >= 0 && col < BytesPerRow ? byteText(col) : QString();
}

QString HexGrid::rowHeader(int row) const
{
    return m_rowHeaders && row >= 0 && row < m_rows ? rowText(row) : QString();
}

void HexGrid::labelHeaders()
{
    if (!m_columnHeaders) {
        m_columnHeaders = true;
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, BytesPerRow - 1);
    }
    labelRowHeaders();
}

void HexGrid::labelRowHeaders()
{
    if (m_rowHeaders)
        return;
    m_rowHeaders = true;
    if (m_rows > 0)
        Q_EMIT headerDataChanged(Qt::Vertical, 0, m_rows - 1);
}

void HexGrid::setBytes(const QByteArray &bytes)
{
    const int count = static_cast<int>(std::min<qsizetype>(bytes.size(), MaxShownBytes));
    m_bytes = bytes.size() > count ? bytes.first(count) : bytes;
    m_filled = true;
    resizeRows((count + BytesPerRow - 1) / BytesPerRow);
    labelRowHeaders();
    m_waiting = true;
    tellChangesWaiting();
}

void HexGrid::announceChanges()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    m_told = false;
    const qsizetype oldCount = m_announced.size();
    const qsizetype count = m_bytes.size();
    const auto rowDiffers = [&](int row) {
        const qsizetype first = qsizetype(row) * BytesPerRow;
        const qsizetype oldLength = std::clamp<qsizetype>(oldCount - first, 0, BytesPerRow);
        const qsizetype newLength = std::clamp<qsizetype>(count - first, 0, BytesPerRow);
        return oldLength != newLength ||
               (newLength > 0 &&
                std::memcmp(m_announced.constData() + first, m_bytes.constData() + first, size_t(newLength)) != 0);
    };
    int firstChanged = 0;
    while (firstChanged < m_rows && !rowDiffers(firstChanged))
        ++firstChanged;
    int lastChanged = m_rows - 1;
    while (lastChanged > firstChanged && !rowDiffers(lastChanged))
        --lastChanged;
    m_announced = m_bytes;
    if (firstChanged < m_rows)
        Q_EMIT dataChanged(index(firstChanged, 0), index(lastChanged, BytesPerRow - 1));
}

void HexGrid::tellChangesWaiting()
{
    if (!m_waiting || m_told || !m_redraw)
        return;
    m_told = true;
    Q_EMIT changesWaiting();
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
    }
}

void HexGrid::setRedraw(bool on)
{
    m_redraw = on;
    tellChangesWaiting();
}

int HexGrid::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int HexGrid::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : BytesPerRow;
}

QVariant HexGrid::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return textAt(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case BackColorRole:
        return backColorAt(index.row(), index.column());
    default:
        return {};
    }
}

QVariant HexGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return orientation == Qt::Horizontal ? columnHeader(section) : rowHeader(section);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

void SetGridFromByteArray(HexGrid &grid, const QByteArray &bytes, ErrorGuard &guard)
{
    guard.run(QStringLiteral("(SetGridFromByteArray)"), [&] { grid.setBytes(bytes); });
}
