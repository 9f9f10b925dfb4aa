#include "CellPictures.h"

#include "FormMetrics.h"

#include <QPainter>

namespace {

constexpr int CellLineGrey = 12632256;

bool sameButText(const CellLook &a, const CellLook &b)
{
    return a.alignment == b.alignment && a.background == b.background && a.foreground == b.foreground &&
           a.size == b.size;
}

} // namespace

size_t CellPictures::LookHash::operator()(const CellLook &look) const noexcept
{
    return qHashMulti(0, look.text, look.alignment.toInt(), look.background, look.foreground, look.size.width(),
                      look.size.height());
}

void CellPictures::prepare(const QFont &font, qreal pixelRatio)
{
    if (font == m_font && pixelRatio == m_pixelRatio)
        return;
    m_font = font;
    m_pixelRatio = pixelRatio;
    m_pictures.clear();
    m_bytePictures.fill(QImage());
}

const QImage &CellPictures::picture(const CellLook &look)
{
    if (m_pictures.size() >= MaxPictures)
        m_pictures.clear();
    auto found = m_pictures.find(look);
    if (found == m_pictures.end())
        found = m_pictures.emplace(look, draw(look)).first;
    return found->second;
}

const QImage &CellPictures::bytePicture(int byte, const CellLook &look)
{
    if (!sameButText(look, m_byteLook)) {
        m_bytePictures.fill(QImage());
        m_byteLook = look;
    }
    QImage &picture = m_bytePictures[static_cast<size_t>(byte & 0xFF)];
    if (picture.isNull())
        picture = draw(look);
    return picture;
}

QImage CellPictures::draw(const CellLook &look) const
{
    QImage image(look.size * m_pixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(m_pixelRatio);
    image.fill(QColor(look.background));
    QPainter painter(&image);
    const QRect rect(QPoint(0, 0), look.size);
    if (!look.text.isEmpty()) {
        painter.setFont(m_font);
        painter.setPen(QColor(look.foreground));
        painter.drawText(rect.adjusted(2, 0, -2, 0), static_cast<int>(look.alignment), look.text);
    }
    const QColor line = colorFromValue(CellLineGrey);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), line);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), line);
    return image;
}
