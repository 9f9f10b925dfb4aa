#pragma once

#include "core/Clock.h"

#include <optional>

class QLabel;

// A label showing a time as "yy/mm/dd hh:mm:ss". It is given the time for
// every datagram and every clock tick: the text is built and set only when
// the second shown changes.
class DisplayTimeLabel {
public:
    // The label is this helper's alone to write from now on.
    void setLabel(QLabel *label);
    void show(const LocalTime &time);

private:
    QLabel *m_label = nullptr;
    std::optional<LocalTime> m_shown; // to the second; none before the first time
};
