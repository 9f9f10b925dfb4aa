#include "LampWidget.h"

#include "FormAccessibility.h"
#include "FormMetrics.h"

#include <QAccessible>
#include <QPainter>

namespace {
constexpr int FrameMs = 16;
}

LampWidget::LampWidget(QWidget *parent) : QWidget(parent)
{
    installFormAccessibility();
    setFocusPolicy(Qt::NoFocus);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setInterval(FrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &LampWidget::repaintIfChanged);
}

void LampWidget::setBackColor(int color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    if (!m_frameTimer.isActive())
        m_frameTimer.start();
}

void LampWidget::repaintIfChanged()
{
    if (m_backColor != m_paintedColor)
        update();
    if (isLit() == m_announcedLit)
        return;
    m_announcedLit = isLit();
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent stateChange(this, changed);
    QAccessible::updateAccessibility(&stateChange);
    QAccessibleValueChangeEvent valueChange(this, lampStateText(isLit()));
    QAccessible::updateAccessibility(&valueChange);
}

void LampWidget::paintEvent(QPaintEvent *)
{
    const int diameter = qMin(width(), height());
    const QRectF circle((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter, diameter);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorFromValue(m_backColor));
    m_paintedColor = m_backColor;
    painter.drawEllipse(circle);
}
