#include "StatusBarPanels.h"

#include "FormMetrics.h"
#include "core/Clock.h"

#include <QDate>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTime>

namespace {

QLabel *makePanel(const QString &name, const QString &objectName, int minimumWidth, QStatusBar &bar)
{
    auto *panel = new QLabel(&bar);
    panel->setObjectName(objectName);
    panel->setTextFormat(Qt::PlainText);
    panel->setIndent(2);
    panel->setMinimumWidth(minimumWidth);
    panel->setAccessibleDescription(name);
    bar.addWidget(panel);
    return panel;
}

} // namespace

StatusBarPanels::StatusBarPanels(const Clock &clock, int dateWidth, int timeWidth, QStatusBar &bar)
    : QObject(&bar), m_clock(clock), m_bar(bar),
      m_date(makePanel(QStringLiteral("日付"), QStringLiteral("datePanel"), dateWidth, bar)),
      m_time(makePanel(QStringLiteral("時刻"), QStringLiteral("timePanel"), timeWidth, bar)),
      m_notice(makePanel(QStringLiteral("お知らせ"), QStringLiteral("noticePanel"), 0, bar))
{
    m_bar.setSizeGripEnabled(false);
    m_notice->hide();
    colorNotice();
    m_bar.installEventFilter(this);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &StatusBarPanels::refresh);
    m_timer.start();
    refresh();
}

void StatusBarPanels::refresh()
{
    const LocalTime now = m_clock.now();
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(QDate(now.year, now.month, now.day), QLocale::ShortFormat);
    const QString time = locale.toString(QTime(now.hour, now.minute, now.second), QLocale::ShortFormat);
    if (date != m_date->text())
        m_date->setText(date);
    if (time != m_time->text())
        m_time->setText(time);
}

void StatusBarPanels::setNotice(const QString &text)
{
    if (text == m_notice->text())
        return;
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void StatusBarPanels::colorNotice()
{
    QPalette colors = m_notice->palette();
    colors.setColor(QPalette::WindowText, legibleOn(Qt::red, m_bar.palette().color(QPalette::Window)));
    m_notice->setPalette(colors);
}

bool StatusBarPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_bar && event->type() == QEvent::PaletteChange)
        colorNotice();
    return QObject::eventFilter(watched, event);
}
