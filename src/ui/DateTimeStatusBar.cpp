#include "DateTimeStatusBar.h"

#include "FormAccessibility.h"
#include "FormMetrics.h"
#include "core/Clock.h"

#include <QAccessible>
#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTime>
#include <qdrawutil.h>

DateTimeStatusBar::DateTimeStatusBar(const Clock &clock, int dateWidth, int timeWidth, QWidget *parent)
    : QWidget(parent), m_clock(clock), m_dateWidth(dateWidth), m_timeWidth(timeWidth)
{
    InstallFormAccessibility();
    setFocusPolicy(Qt::NoFocus);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &DateTimeStatusBar::refresh);
    m_timer.start();
    refresh();
}

void DateTimeStatusBar::refresh()
{
    const LocalTime now = m_clock.now();
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(QDate(now.year, now.month, now.day), QLocale::ShortFormat);
    const QString time = locale.toString(QTime(now.hour, now.minute, now.second), QLocale::ShortFormat);
    if (date == m_date && time == m_time)
        return;
    const bool dateChanged = date != m_date;
    m_date = date;
    m_time = time;
    update();
    if (dateChanged)
        announce(0);
    announce(1);
}

void DateTimeStatusBar::announce(int panel)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(this, PanelText(panel));
    event.setChild(panel);
    QAccessible::updateAccessibility(&event);
}

void DateTimeStatusBar::SetNotice(const QString &text)
{
    if (text == m_notice)
        return;
    const bool shown = !m_notice.isEmpty();
    m_notice = text;
    setAccessibleDescription(text);
    update();
    if (!QAccessible::isActive())
        return;
    if (shown != !text.isEmpty()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    } else if (!text.isEmpty()) {
        announce(2);
    }
}

QColor DateTimeStatusBar::NoticeColor() const
{
    return LegibleOn(Qt::red, palette().color(QPalette::Window));
}

QString DateTimeStatusBar::PanelText(int panel) const
{
    switch (panel) {
    case 0:
        return m_date;
    case 1:
        return m_time;
    default:
        return m_notice;
    }
}

QRect DateTimeStatusBar::PanelRect(int panel) const
{
    const QRect date(0, 1, panelWidth(m_date, m_dateWidth), height() - 1);
    if (panel == 0)
        return date;
    const QRect time(date.right() + 3, 1, panelWidth(m_time, m_timeWidth), height() - 1);
    if (panel == 1)
        return time;
    return QRect(time.right() + 6, 1, width() - time.right() - 9, height() - 1);
}

int DateTimeStatusBar::panelWidth(const QString &text, int designWidth) const
{
    return qMax(designWidth, fontMetrics().horizontalAdvance(text) + 8);
}

void DateTimeStatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    for (int panel = 0; panel < 2; ++panel) {
        const QRect area = PanelRect(panel);
        qDrawShadePanel(&painter, area, palette(), true, 1);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, PanelText(panel));
    }
    if (!m_notice.isEmpty()) {
        painter.setPen(NoticeColor());
        painter.drawText(PanelRect(2), Qt::AlignLeft | Qt::AlignVCenter, m_notice);
    }
}
