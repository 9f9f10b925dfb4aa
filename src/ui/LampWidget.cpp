#include "LampWidget.h"

#include "FormMetrics.h"

#include <QPainter>

LampWidget::LampWidget(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void LampWidget::SetBackColor(int color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    update();
}

void LampWidget::paintEvent(QPaintEvent *)
{
    const int diameter = qMin(width(), height());
    const QRectF circle((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter, diameter);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorFromValue(m_backColor));
    painter.drawEllipse(circle);
}
