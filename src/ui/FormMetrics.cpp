#include "FormMetrics.h"

#include "runtime/FormCentring.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

void placeControl(QWidget &control, TwipsRect twips)
{
    control.setGeometry(pixelRect(twips));
}

Qt::WindowFlags fixedFrameFlags()
{
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

namespace {

// The screen the window is on, or the primary one before it has one.
const QScreen *screenOf(const QWidget &window)
{
    return window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
}

} // namespace

QRect availableArea(const QWidget &window)
{
    const QScreen *screen = screenOf(window);
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

QPoint keptInside(const QRect &frame, const QRect &area)
{
    // Right and bottom edges first, so that the left and top win.
    QPoint position = frame.topLeft();
    position.setX(std::max(std::min(position.x(), area.x() + area.width() - frame.width()), area.x()));
    position.setY(std::max(std::min(position.y(), area.y() + area.height() - frame.height()), area.y()));
    return position;
}

void centerWindow(QWidget &window, const QRect &available)
{
    const QScreen *screen = screenOf(window);
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize size = window.frameGeometry().size();
    const FormPosition position = CenterForm(area.width() * TwipsPerPixel, area.height() * TwipsPerPixel,
                                             size.width() * TwipsPerPixel, size.height() * TwipsPerPixel);
    const QPoint centred(area.x() + position.left / TwipsPerPixel, area.y() + position.top / TwipsPerPixel);
    if (available.isEmpty()) {
        window.move(centred);
        return;
    }
    // move() places the frame's top-left corner.
    window.move(keptInside(QRect(centred, size), available));
}

void centerWindow(QWidget &window)
{
    centerWindow(window, availableArea(window));
}

namespace {

double relativeLuminance(const QColor &color)
{
    const auto linear = [](float channel) {
        return channel <= 0.04045f ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor legibleOn(const QColor &wanted, const QColor &background)
{
    if (contrastRatio(wanted, background) >= LegibleContrast)
        return wanted;
    // White stands out from a dark background at least as well as black does.
    const QColor toward = contrastRatio(Qt::white, background) >= contrastRatio(Qt::black, background)
                              ? QColor(Qt::white)
                              : QColor(Qt::black);
    const QColor from = wanted.toRgb();
    QColor blended = toward;
    for (int step = 1; step <= 10; ++step) {
        const double t = step / 10.0;
        blended = QColor::fromRgbF(float(from.redF() + (toward.redF() - from.redF()) * t),
                                   float(from.greenF() + (toward.greenF() - from.greenF()) * t),
                                   float(from.blueF() + (toward.blueF() - from.blueF()) * t));
        if (contrastRatio(blended, background) >= LegibleContrast)
            break;
    }
    return blended;
}
