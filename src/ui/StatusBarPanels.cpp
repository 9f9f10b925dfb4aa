#include "StatusBarPanels.h"

#include "FormMetrics.h"
#include "core/Clock.h"

#include <QDate>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QStatusBar>
#include <QTime>

namespace {

// A panel's text is placed by its ink, not by the font's line: a Gothic
// font's line at 9 pt (17 px) is as tall as the whole bar, and a line
// centred in the panel would cut off the foot of a slash or the top of a
// kanji. The ink of the digits and separators is always counted, so that
// the date and the time keep their baseline whatever they show.
class StatusPanel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QRect area = contentsRect().adjusted(indent(), 0, 0, 0);
        const QFontMetrics metrics = fontMetrics();
        const QRect ink =
            metrics.tightBoundingRect(QStringLiteral("0123456789/:")).united(metrics.tightBoundingRect(text()));
        const int baseline = area.top() + (area.height() - ink.height()) / 2 - ink.top();
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(QPoint(area.left(), baseline), metrics.elidedText(text(), Qt::ElideRight, area.width()));
    }
};

QLabel *makePanel(const QString &name, const QString &objectName, int minimumWidth, QStatusBar &bar)
{
    auto *panel = new StatusPanel(&bar);
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
    for (QLabel *panel : {m_date, m_time, m_notice})
        panel->installEventFilter(this);
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
    else if (watched != &m_bar && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        fitHeight(*static_cast<QWidget *>(watched));
    return QObject::eventFilter(watched, event);
}

// The bar's layout leaves a panel 3 px below its top and 2 px above its
// bottom, 12 px of a 17 px bar: too little for the ink of a 9 pt Gothic
// text and the line of clear space the box wants around it. Wherever the
// layout puts a panel, it is made as tall as the bar allows with the box
// the bar draws a pixel outside it, above and below.
void StatusBarPanels::fitHeight(QWidget &panel)
{
    const QRect fitted(panel.x(), 2, panel.width(), m_bar.height() - 3);
    if (fitted.height() > 0 && panel.geometry() != fitted)
        panel.setGeometry(fitted);
}
