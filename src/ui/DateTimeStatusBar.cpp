#include "DateTimeStatusBar.h"

#include "core/Clock.h"

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
    m_date = date;
    m_time = time;
    update();
}

void DateTimeStatusBar::SetNotice(const QString &text)
{
    if (text == m_notice)
        return;
    m_notice = text;
    setAccessibleDescription(text);
    update();
}

int DateTimeStatusBar::panelWidth(const QString &text, int designWidth) const
{
    return qMax(designWidth, fontMetrics().horizontalAdvance(text) + 8);
}

void DateTimeStatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    int left = 0;
    for (const auto &[text, designWidth] : {std::pair {m_date, m_dateWidth}, std::pair {m_time, m_timeWidth}}) {
        const QRect panel(left, 1, panelWidth(text, designWidth), height() - 1);
        qDrawShadePanel(&painter, panel, palette(), true, 1);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(panel.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        left = panel.right() + 3;
    }
    if (!m_notice.isEmpty()) {
        painter.setPen(QColor(Qt::red));
        painter.drawText(QRect(left + 3, 1, width() - left - 6, height() - 1), Qt::AlignLeft | Qt::AlignVCenter,
                         m_notice);
    }
}
