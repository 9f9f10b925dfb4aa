#pragma once

#include "CellPictures.h"

#include <QAbstractItemDelegate>
#include <QRgb>

class HexGrid;

// Paints the cells of a hex dump: the byte's text centred on the standard
// background (the palette's Base), nothing on grey past the data, the
// highlight for a selected cell, light grey lines to the right and below,
// and a dotted focus rectangle on the current cell. Each picture is drawn
// once and copied after that (CellPictures); a cell that shows a byte
// finds its picture by the byte alone.
//
// The view prepares the delegate once before it paints a batch of cells,
// with the option it paints them with and the pixel ratio of the device:
// looking the colours and the ratio up for every cell would cost as much
// as copying its picture.
class HexCellDelegate final : public QAbstractItemDelegate {
    Q_OBJECT

public:
    HexCellDelegate(const HexGrid &grid, QObject *parent);

    // Cells painted from here on take their font and colours from `option`
    // and are drawn at `pixelRatio`.
    void prepare(const QStyleOptionViewItem &option, qreal pixelRatio);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // paint for the cell in `row` and `col`, without a model index: the
    // view's own loop spares itself one for every cell.
    void paintCell(QPainter *painter, const QStyleOptionViewItem &option, int row, int col) const;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const HexGrid &m_grid;
    QRgb m_standard = 0;
    QRgb m_text = 0;
    QRgb m_highlight = 0;
    QRgb m_highlightedText = 0;
    QRgb m_focus = 0;
    // Filled while painting: the pictures are a cache, not state.
    mutable CellPictures m_pictures;
};
