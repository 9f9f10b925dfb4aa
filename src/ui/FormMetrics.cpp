#include "FormMetrics.h"

#include "runtime/Environment.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void PlaceControl(QWidget &control, TwipsRect twips)
{
    control.setGeometry(PixelRect(twips));
}

Qt::WindowFlags FixedFrameFlags()
{
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}

void CenterWindow(QWidget &window)
{
    const QScreen *screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize size = window.frameGeometry().size();
    const FormPosition position = CenterForm(area.width() * TwipsPerPixel, area.height() * TwipsPerPixel,
                                             size.width() * TwipsPerPixel, size.height() * TwipsPerPixel);
    window.move(area.x() + position.left / TwipsPerPixel, area.y() + position.top / TwipsPerPixel);
}
