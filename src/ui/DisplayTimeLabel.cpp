#include "DisplayTimeLabel.h"

#include <QLabel>

void DisplayTimeLabel::setLabel(QLabel *label)
{
    m_label = label;
    m_shown.reset();
}

void DisplayTimeLabel::show(const LocalTime &time)
{
    LocalTime second = time;
    second.millisecond = 0;
    if (second == m_shown || !m_label)
        return;
    m_label->setText(formatDisplayTime(time));
    m_shown = second;
}
