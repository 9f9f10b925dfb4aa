#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

class Clock;

// A status bar with two panels that keep themselves up to date: the date
// in the system's short date format and the time in its short time format.
class DateTimeStatusBar final : public QWidget {
    Q_OBJECT

public:
    // Panel widths in pixels; a panel grows when its text needs more room.
    DateTimeStatusBar(const Clock &clock, int dateWidth, int timeWidth, QWidget *parent);

    QString DateText() const { return m_date; }
    QString TimeText() const { return m_time; }
    // A short warning shown right of the panels; empty shows none.
    void SetNotice(const QString &text);
    QString NoticeText() const { return m_notice; }
    // The colour the notice is drawn in: red, lightened or darkened until
    // it stands out from the bar.
    QColor NoticeColor() const;

    // The panels: date, time and, while there is one, the notice.
    int PanelCount() const { return m_notice.isEmpty() ? 2 : 3; }
    QString PanelText(int panel) const;
    QRect PanelRect(int panel) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();
    int panelWidth(const QString &text, int designWidth) const;
    // Tells assistive technology that a panel's text changed.
    void announce(int panel);

    const Clock &m_clock;
    int m_dateWidth;
    int m_timeWidth;
    QString m_date;
    QString m_time;
    QString m_notice;
    QTimer m_timer;
};
