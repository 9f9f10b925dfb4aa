#include "HexCellDelegate.h"

#include "FormMetrics.h"
#include "reception/HexGrid.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

HexCellDelegate::HexCellDelegate(const HexGrid &grid, QObject *parent) : QAbstractItemDelegate(parent), m_grid(grid)
{
}

void HexCellDelegate::prepare(const QStyleOptionViewItem &option, qreal pixelRatio)
{
    const QPalette &colors = option.palette;
    m_standard = colors.color(QPalette::Base).rgb();
    m_text = colors.color(QPalette::Active, QPalette::Text).rgb();
    m_highlight = colors.color(QPalette::Active, QPalette::Highlight).rgb();
    m_highlightedText = colors.color(QPalette::Active, QPalette::HighlightedText).rgb();
    m_focus = colors.color(QPalette::Text).rgb();
    m_pictures.prepare(option.font, pixelRatio);
}

void HexCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    paintCell(painter, option, index.row(), index.column());
}

void HexCellDelegate::paintCell(QPainter *painter, const QStyleOptionViewItem &option, int row, int col) const
{
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const int backColor = m_grid.backColorAt(row, col);

    CellLook look;
    look.text = m_grid.textAt(row, col);
    look.alignment = Qt::AlignCenter; // every cell of the grid is centred
    look.size = option.rect.size();
    look.background = selected                                  ? m_highlight
                      : backColor != HexGrid::StandardBackColor ? colorFromValue(backColor).rgb()
                                                                : m_standard;
    look.foreground = selected ? m_highlightedText : m_text;

    const int byte = selected ? -1 : m_grid.byteAt(row, col);
    painter->drawImage(option.rect.topLeft(),
                       byte >= 0 ? m_pictures.bytePicture(byte, look) : m_pictures.picture(look));

    if (option.state.testFlag(QStyle::State_HasFocus)) {
        painter->save();
        painter->setPen(QPen(QColor(m_focus), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
}

QSize HexCellDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // Two digits with room around them.
    return {option.fontMetrics.horizontalAdvance(QStringLiteral("00")) + 8, option.fontMetrics.height() + 4};
}
