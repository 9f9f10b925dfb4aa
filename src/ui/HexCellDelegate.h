#pragma once

#include "CellPictures.h"

#include <QAbstractItemDelegate>

class HexGrid;

// Paints the cells of a hex dump: the byte's text centred on the standard
// background (the palette's Base), nothing on grey past the data, the
// highlight for a selected cell, light grey lines to the right and below,
// and a dotted focus rectangle on the current cell. Each picture is drawn
// once and copied after that (CellPictures); a cell that shows a byte
// finds its picture by the byte alone.
class HexCellDelegate final : public QAbstractItemDelegate {
    Q_OBJECT

public:
    HexCellDelegate(const HexGrid &grid, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const HexGrid &m_grid;
    // Filled while painting: the pictures are a cache, not state.
    mutable CellPictures m_pictures;
};
