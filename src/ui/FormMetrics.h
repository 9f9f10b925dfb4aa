#pragma once

#include <QColor>
#include <QRect>
#include <QSize>
#include <Qt>

class QWidget;

// The form definitions are in twips: 15 twips to a (device-independent)
// pixel, as at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr int px(int twips)
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

constexpr QRect pixelRect(TwipsRect twips)
{
    return {px(twips.left), px(twips.top), px(twips.width), px(twips.height)};
}

constexpr QSize pixelSize(TwipsSize twips)
{
    return {px(twips.width), px(twips.height)};
}

// Places a control at a position and size given in twips.
void placeControl(QWidget &control, TwipsRect twips);

// The frame both windows share: title bar with minimize and close
// buttons, no maximize button, not resizable.
Qt::WindowFlags fixedFrameFlags();

// The area of the window's screen that windows may cover: the screen less
// its panels and docks. Empty when there is no screen.
QRect availableArea(const QWidget &window);

// Moves a window to the centre of its screen, then into `available` (its
// screen's availableArea) as far as its size allows.
void centerWindow(QWidget &window, const QRect &available);
void centerWindow(QWidget &window);

// Where a window's frame goes to lie inside `area`: moved in from any edge
// it crosses; when it is larger than the area, its top-left corner (title
// bar and menu) stays inside.
QPoint keptInside(const QRect &frame, const QRect &area);

// The contrast ratio of two colours as the Web Content Accessibility
// Guidelines define it, from 1 (the same) to 21 (black and white).
double contrastRatio(const QColor &a, const QColor &b);

// The contrast ratio that text keeps with its background.
constexpr double LegibleContrast = 4.5;

// `wanted` when it stands out from `background` by LegibleContrast; else
// `wanted` blended toward white on a dark background, toward black on a
// light one, just as far as that takes.
QColor legibleOn(const QColor &wanted, const QColor &background);

// A colour value with red in the low byte.
inline QColor colorFromValue(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
