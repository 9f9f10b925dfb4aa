#pragma once

#include <QString>

// One reading of the local clock, broken down.
struct LocalTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool operator==(const LocalTime &) const = default;
};

// The local clock and the thread pause, behind an interface so that tests
// can fix the time and skip the waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
    virtual void sleepMs(int milliseconds) = 0;
};

class SystemClock final : public Clock {
public:
    LocalTime now() const override;
    void sleepMs(int milliseconds) override;

private:
    // localtime_r is the costly part of a reading; it is redone only when
    // the second changes.
    mutable long long m_cachedSecond = -1;
    mutable LocalTime m_cached;
};

// The display time stamp "yy/mm/dd hh:mm:ss" (month first, minutes second).
QString formatDisplayTime(const LocalTime &t);
