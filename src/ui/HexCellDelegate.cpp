#include "HexCellDelegate.h"

#include "FormMetrics.h"
#include "reception/HexGrid.h"

#include <QPaintDevice>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

HexCellDelegate::HexCellDelegate(const HexGrid &grid, QObject *parent) : QAbstractItemDelegate(parent), m_grid(grid)
{
}

void HexCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int row = index.row();
    const int col = index.column();
    const QPalette &colors = option.palette;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const int backColor = m_grid.backColorAt(row, col);

    CellLook look;
    look.alignment = Qt::AlignCenter; // every cell of the grid is centred
    look.size = option.rect.size();
    look.background = selected ? colors.color(QPalette::Active, QPalette::Highlight).rgb()
                      : backColor != HexGrid::StandardBackColor ? ColorFromValue(backColor).rgb()
                                                                : colors.color(QPalette::Base).rgb();
    look.foreground = colors.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text).rgb();

    look.text = m_grid.textAt(row, col);

    m_pictures.prepare(option.font, painter->device()->devicePixelRatioF());
    const int byte = selected ? -1 : m_grid.byteAt(row, col);
    painter->drawImage(option.rect.topLeft(),
                       byte >= 0 ? m_pictures.bytePicture(byte, look) : m_pictures.picture(look));

    if (option.state.testFlag(QStyle::State_HasFocus)) {
        painter->save();
        painter->setPen(QPen(colors.color(QPalette::Text), 1, Qt::DotLine));
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
