#pragma once

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>

#include <array>
#include <unordered_map>

// Everything the picture of a grid data cell depends on, besides the font.
struct CellLook {
    QString text;
    Qt::Alignment alignment;
    QRgb background = 0;
    QRgb foreground = 0;
    QSize size;
    bool operator==(const CellLook &) const = default;
};

// Pictures of grid data cells: background, text and the light grey lines to
// the right and below. A hex dump shows few distinct pictures (00 to FF on
// a couple of backgrounds), so each is drawn once and copied after that.
class CellPictures {
public:
    // Pictures from here on are drawn in `font` at `pixelRatio`.
    void prepare(const QFont &font, qreal pixelRatio);
    // The picture for `look`.
    const QImage &picture(const CellLook &look);
    // The same for a cell known to show `byte` (0 to 255) as its text:
    // found by the byte alone while the rest of the look stays the same.
    const QImage &bytePicture(int byte, const CellLook &look);

private:
    struct LookHash {
        size_t operator()(const CellLook &look) const noexcept;
    };
    QImage draw(const CellLook &look) const;

    static constexpr size_t MaxPictures = 4096;
    QFont m_font;
    qreal m_pixelRatio = 1;
    std::unordered_map<CellLook, QImage, LookHash> m_pictures;
    CellLook m_byteLook; // the look of m_bytePictures, text aside
    std::array<QImage, 256> m_bytePictures;
};
