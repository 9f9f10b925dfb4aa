#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class Clock;
class QLabel;
class QWidget;
class QStatusBar;

// The panels of the main window's status bar, labels in a QStatusBar: the
// date in the system's short date format (日付), the time in its short
// time format (時刻), both kept up to date once a second, and a short
// warning shown while there is one (お知らせ), in red lightened or
// darkened until it stands out from the bar. Each label reads its text to
// assistive technology, with the panel's name as its description. The bar
// draws the box around each panel.
class StatusBarPanels final : public QObject {
    Q_OBJECT

public:
    // Puts the panels in `bar`, which owns them and this object. Widths in
    // pixels; a panel grows when its text needs more room.
    StatusBarPanels(const Clock &clock, int dateWidth, int timeWidth, QStatusBar &bar);

    QLabel *datePanel() const { return m_date; }
    QLabel *timePanel() const { return m_time; }
    QLabel *noticePanel() const { return m_notice; }
    // Empty hides the warning.
    void setNotice(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void colorNotice();
    void fitHeight(QWidget &panel);

    const Clock &m_clock;
    QStatusBar &m_bar;
    QLabel *m_date;
    QLabel *m_time;
    QLabel *m_notice;
    QTimer m_timer;
};
