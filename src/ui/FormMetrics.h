#pragma once

#include <QColor>
#include <QRect>
#include <QSize>
#include <Qt>

class QWidget;

// The form definitions are in twips: 15 twips to a (device-independent)
// pixel, as at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr int Px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

// A position and size in twips, in the client area of the container.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

// A client area's size in twips.
struct TwipsSize {
    int width;
    int height;
};

constexpr QRect PixelRect(TwipsRect twips)
{
    return {Px(twips.left), Px(twips.top), Px(twips.width), Px(twips.height)};
}

constexpr QSize PixelSize(TwipsSize twips)
{
    return {Px(twips.width), Px(twips.height)};
}

// Places a control at a position and size given in twips.
void PlaceControl(QWidget &control, TwipsRect twips);

// The frame both windows share: title bar with minimize and close
// buttons, no maximize button, not resizable.
Qt::WindowFlags FixedFrameFlags();

// Moves a window to the centre of its screen.
void CenterWindow(QWidget &window);

// A colour value with red in the low byte.
inline QColor ColorFromValue(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
