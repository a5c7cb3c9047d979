// OLE date-time values of calendar days and times, for expectations. Worked out with the standard
// calendar rather than the code under test: day 0 is 30 December 1899, the fraction the time of day.
#pragma once

#include <chrono>

inline double OleTime(int y, int m, int d, int hour = 0, int minute = 0, int second = 0)
{
    using namespace std::chrono;
    const sys_days day = year{y} / month{static_cast<unsigned>(m)} / std::chrono::day{static_cast<unsigned>(d)};
    const auto days = (day - sys_days{year{1899} / December / 30}).count();
    return static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
}
