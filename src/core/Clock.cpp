#include "Clock.h"

#include <cerrno>
#include <ctime>

LocalTime SystemClock::now() const
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec != m_cachedSecond) {
        tm parts {};
        const time_t seconds = ts.tv_sec;
        localtime_r(&seconds, &parts);
        m_cached.year = parts.tm_year + 1900;
        m_cached.month = parts.tm_mon + 1;
        m_cached.day = parts.tm_mday;
        m_cached.hour = parts.tm_hour;
        m_cached.minute = parts.tm_min;
        m_cached.second = parts.tm_sec;
        m_cachedSecond = ts.tv_sec;
    }
    LocalTime result = m_cached;
    result.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return result;
}

void SystemClock::sleepMs(int milliseconds)
{
    timespec request {milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&request, &request) != 0 && errno == EINTR) {
    }
}

static void appendTwo(QString &out, int value)
{
    out += QChar(u'0' + (value / 10) % 10);
    out += QChar(u'0' + value % 10);
}

QString formatDisplayTime(const LocalTime &t)
{
    QString out;
    out.reserve(17);
    appendTwo(out, t.year % 100);
    out += u'/';
    appendTwo(out, t.month);
    out += u'/';
    appendTwo(out, t.day);
    out += u' ';
    appendTwo(out, t.hour);
    out += u':';
    appendTwo(out, t.minute);
    out += u':';
    appendTwo(out, t.second);
    return out;
}
