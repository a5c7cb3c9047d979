#include "common/misc/CxDateTime.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>

namespace {

using platform::SystemTime;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

double At(double day, int hour, int minute, int second)
{
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    return day < 0 ? day - fraction : day + fraction;
}

SystemTime St(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0, int dow = 0)
{
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return SystemTime{u(year), u(month), u(dow), u(day), u(hour), u(minute), u(second), u(ms)};
}

std::string Text(const SystemTime& st)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u w%u", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek);
    return text;
}

auto Seconds(const SystemTime& st)
{
    return std::make_tuple(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

void NextDay(int& y, int& m, int& d)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int last = kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0);
    if (++d > last) {
        d = 1;
        if (++m > 12) {
            m = 1;
            ++y;
        }
    }
}

} // namespace

TEST(CxDateTimeTest, ValueToBrokenDown)
{
    struct Case
    {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0.0, "1899-12-30 00:00:00.000 w6"},
        {39454.375, "2008-01-07 09:00:00.000 w1"},
        {-1.25, "1899-12-29 06:00:00.000 w5"},
        {-0.25, "1899-12-30 06:00:00.000 w6"}, // same instant as 0.25
        {1.5, "1899-12-31 12:00:00.000 w0"},
        {2.0, "1900-01-01 00:00:00.000 w1"},
        {60.0, "1900-02-28 00:00:00.000 w3"},
        {61.0, "1900-03-01 00:00:00.000 w4"},
        {36585.75, "2000-02-29 18:00:00.000 w2"},
        {25569.0, "1970-01-01 00:00:00.000 w4"},
        {-657434.0, "0100-01-01 00:00:00.000 w5"},
        {-657434.5, "0100-01-01 12:00:00.000 w5"},
        {-657433.25, "0100-01-02 06:00:00.000 w6"},
        {2958465.0, "9999-12-31 00:00:00.000 w5"},
        {At(2958465, 23, 59, 59), "9999-12-31 23:59:59.000 w5"},
        // Rounded to the nearest second, carrying into the next day, month and year.
        {0.5 + 0.4 / 86400, "1899-12-30 12:00:00.000 w6"},
        {0.5 + 0.6 / 86400, "1899-12-30 12:00:01.000 w6"},
        {39454.0 + 86399.6 / 86400, "2008-01-08 00:00:00.000 w2"},
        {39447.0 + 86399.7 / 86400, "2008-01-01 00:00:00.000 w2"},
        {-1.0 - 86399.6 / 86400, "1899-12-30 00:00:00.000 w6"},
        {-657434.0 - 86399.7 / 86400, "0100-01-02 00:00:00.000 w6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::to_string(c.value));
        SystemTime st = St(1, 2, 3, 4, 5, 6, 7, 1);
        EXPECT_TRUE(VariantTimeToSystemTime(c.value, &st));
        EXPECT_EQ(c.expected, Text(st));
    }
}

TEST(CxDateTimeTest, ValueOutsideTheRangeFailsAndLeavesTheTargetAlone)
{
    const double cases[] = {
        -657435.0, // 31 Dec 99
        -657435.5,
        2958466.0,                   // 1 Jan 10000
        2958465.0 + 86399.6 / 86400, // rounds up into the year 10000
        1e300,
        -1e300,
        kNaN,
        kInf,
        -kInf,
    };
    for (double value : cases) {
        SCOPED_TRACE(testing::Message() << value);
        SystemTime st = St(2001, 2, 3, 4, 5, 6, 7, 6);
        EXPECT_FALSE(VariantTimeToSystemTime(value, &st));
        EXPECT_EQ("2001-02-03 04:05:06.007 w6", Text(st));
    }
}

TEST(CxDateTimeTest, BrokenDownToValue)
{
    struct Case
    {
        SystemTime st;
        double expected;
    };
    const Case cases[] = {
        {St(2008, 1, 7, 9, 0, 0, 500, 3), 39454.375}, // milliseconds and day of week ignored
        {St(1899, 12, 30), 0.0},
        {St(1899, 12, 29, 6), -1.25},
        {St(1899, 12, 30, 6), 0.25},
        {St(1900, 3, 1), 61.0},
        {St(2000, 2, 29, 18), 36585.75},
        {St(100, 1, 1), -657434.0},
        {St(100, 1, 1, 12), -657434.5},
        {St(100, 1, 2, 6), -657433.25},
        {St(9999, 12, 31, 23, 59, 59), At(2958465, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Text(c.st));
        double value = 123.25;
        EXPECT_TRUE(SystemTimeToVariantTime(c.st, &value));
        EXPECT_DOUBLE_EQ(c.expected, value);
    }
}

TEST(CxDateTimeTest, InvalidBrokenDownTimeFailsAndLeavesTheTargetAlone)
{
    const SystemTime cases[] = {
        St(99, 12, 31),  St(10000, 1, 1),    St(2008, 0, 1),        St(2008, 13, 1),
        St(2008, 1, 0),  St(2008, 1, 32),    St(1900, 2, 29),       St(2008, 2, 30),
        St(2008, 4, 31), St(2008, 1, 7, 24), St(2008, 1, 7, 9, 60), St(2008, 1, 7, 9, 0, 60),
    };
    for (const SystemTime& st : cases) {
        SCOPED_TRACE(Text(st));
        double value = 123.25;
        EXPECT_FALSE(SystemTimeToVariantTime(st, &value));
        EXPECT_EQ(123.25, value);
    }
}

// Walks every day from 1 Jan 100 to 31 Dec 9999 against a plain day counter, both ways.
TEST(CxDateTimeTest, EveryDayOfTheRangeFollowsTheCalendarBothWays)
{
    int y = 100, m = 1, d = 1, dow = 5;
    for (long day = -657434; day <= 2958465; ++day) {
        const double value = At(static_cast<double>(day), 12, 0, 0);
        SystemTime st{};
        double back = 0;
        const bool ok = VariantTimeToSystemTime(value, &st) && SystemTimeToVariantTime(st, &back);
        if (!ok || Seconds(st) != Seconds(St(y, m, d, 12)) || st.wDayOfWeek != dow || back != value) {
            ADD_FAILURE() << "day " << day << " gave " << Text(st) << ", back " << back;
            break;
        }
        NextDay(y, m, d);
        dow = (dow + 1) % 7;
    }
    EXPECT_EQ(10000, y);
}

TEST(CxDateTimeTest, Formats)
{
    struct Case
    {
        double value;
        const char* date;
        const char* time;
        const char* dateTime;
    };
    const Case cases[] = {
        {39454.375, "01/07/2008", "09:00:00", "01/07/2008 09:00:00"},
        {At(39514, 13, 5, 9), "03/07/2008", "13:05:09", "03/07/2008 13:05:09"},
        {0.0, "", "00:00:00", " 00:00:00"},
        {11324.0, "01/01/1931", "00:00:00", "01/01/1931 00:00:00"},
        {At(11323, 23, 59, 59), "", "23:59:59", " 23:59:59"}, // 31 Dec 1930
        {47848.5, "12/31/2030", "12:00:00", "12/31/2030 12:00:00"},
        {47849.0, "", "00:00:00", " 00:00:00"}, // 1 Jan 2031
        {-1.25, "", "06:00:00", " 06:00:00"},
        {At(2958465, 23, 59, 59), "", "23:59:59", " 23:59:59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dateTime);
        const CxDateTime dt(c.value);
        EXPECT_TRUE(dt.m_bValid);
        // The bytes past each documented capacity must stay as they were.
        struct Format
        {
            void (CxDateTime::*format)(char*) const;
            size_t capacity;
            const char* expected;
        };
        const Format formats[] = {{&CxDateTime::FormatDate, 11, c.date},
                                  {&CxDateTime::FormatTime, 9, c.time},
                                  {&CxDateTime::FormatDateTime, 20, c.dateTime}};
        for (const Format& f : formats) {
            char buf[32];
            std::memset(buf, 'x', sizeof buf);
            (dt.*f.format)(buf);
            EXPECT_EQ(std::string(f.expected), buf);
            EXPECT_EQ(std::string(sizeof buf - f.capacity, 'x'),
                      std::string(buf + f.capacity, sizeof buf - f.capacity));
        }
    }
}

TEST(CxDateTimeTest, FailedSetValueKeepsTheBrokenDownTime)
{
    for (double bad : {kNaN, 3e6, -7e5}) {
        SCOPED_TRACE(testing::Message() << bad);
        CxDateTime dt(39454.375);
        CxDateTime& result = dt.SetValue(bad);
        EXPECT_EQ(&dt, &result);
        EXPECT_FALSE(dt.m_bValid);
        EXPECT_EQ(std::isnan(bad), std::isnan(dt.m_dValue));
        EXPECT_EQ("2008-01-07 09:00:00.000 w1", Text(dt.m_stTime));
        char buf[32];
        dt.FormatDateTime(buf);
        EXPECT_STREQ("01/07/2008 09:00:00", buf);
        EXPECT_TRUE(dt.SetValue(0.5).m_bValid);
        EXPECT_EQ("1899-12-30 12:00:00.000 w6", Text(dt.m_stTime));
    }
}

TEST(CxDateTimeTest, ConstructedFromAnUnconvertibleValueHoldsTheZeroTime)
{
    const CxDateTime dt(kNaN);
    EXPECT_FALSE(dt.m_bValid);
    EXPECT_EQ("0000-00-00 00:00:00.000 w0", Text(dt.m_stTime));
    char buf[32];
    dt.FormatDateTime(buf);
    EXPECT_STREQ(" 00:00:00", buf);
}

TEST(CxDateTimeTest, ConstructedFromBrokenDownTime)
{
    const CxDateTime dt(St(2008, 1, 7, 9, 0, 0, 250, 4));
    EXPECT_TRUE(dt.m_bValid);
    EXPECT_EQ(39454.375, dt.m_dValue);
    EXPECT_EQ("2008-01-07 09:00:00.250 w4", Text(dt.m_stTime)); // the source is not rewritten

    const CxDateTime bad(St(2008, 13, 7));
    EXPECT_FALSE(bad.m_bValid);
    EXPECT_EQ(0.0, bad.m_dValue);
}

TEST(CxDateTimeTest, SyncConvertsInTheGivenDirection)
{
    CxDateTime dt(0.0);
    dt.m_stTime = St(2008, 1, 7, 9);
    EXPECT_TRUE(dt.Sync(1));
    EXPECT_EQ(39454.375, dt.m_dValue);

    dt.m_dValue = -1.25;
    EXPECT_TRUE(dt.Sync(0));
    EXPECT_EQ("1899-12-29 06:00:00.000 w5", Text(dt.m_stTime));

    dt.m_stTime.wMonth = 0;
    EXPECT_FALSE(dt.Sync(1));
    EXPECT_FALSE(dt.m_bValid);
    EXPECT_EQ(-1.25, dt.m_dValue);
}

TEST(CxDateTimeTest, DefaultIsTheCurrentLocalTime)
{
    SystemTime before{};
    SystemTime after{};
    platform::GetLocalTime(&before);
    const CxDateTime dt;
    platform::GetLocalTime(&after);

    EXPECT_TRUE(dt.m_bValid);
    EXPECT_LE(Seconds(before), Seconds(dt.m_stTime));
    EXPECT_LE(Seconds(dt.m_stTime), Seconds(after));
    SystemTime fromValue{};
    ASSERT_TRUE(VariantTimeToSystemTime(dt.m_dValue, &fromValue));
    EXPECT_EQ(Seconds(dt.m_stTime), Seconds(fromValue));

    char expected[32];
    std::snprintf(expected, sizeof expected, "%02u:%02u:%02u", dt.m_stTime.wHour, dt.m_stTime.wMinute,
                  dt.m_stTime.wSecond);
    char buf[32];
    dt.FormatTime(buf);
    EXPECT_STREQ(expected, buf);
}

TEST(CxDateTimeTest, ToTimeTReadsTheValueAsLocalTime)
{
    struct Case
    {
        const char* tz;
        double value;
        time_t expected;
    };
    const Case cases[] = {
        {"UTC0", 25569.0, 0},
        {"UTC0", 25568.5, -43200},
        {"UTC0", 39454.375, 1199696400},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 39454.375, 1199692800}, // winter: UTC+1
        {"CET-1CEST,M3.5.0,M10.5.0/3", 39636.375, 1215414000}, // 7 Jul 2008: UTC+2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tz << " " << c.value);
        ScopedTz tz(c.tz);
        time_t result = 12345;
        EXPECT_TRUE(CxDateTime::ToTimeT(c.value, &result));
        EXPECT_EQ(c.expected, result);
    }
}

TEST(CxDateTimeTest, ToTimeTOfAnUnconvertibleValueStoresMinusOne)
{
    ScopedTz tz("UTC0");
    for (double bad : {kNaN, 3e6, -7e5}) {
        SCOPED_TRACE(testing::Message() << bad);
        time_t result = 12345;
        EXPECT_FALSE(CxDateTime::ToTimeT(bad, &result));
        EXPECT_EQ(-1, result);
    }
}

TEST(CxDateTimeDeathTest, NullBuffersAndBadDirectionsAssert)
{
    CxDateTime dt(0.0);
    EXPECT_DEBUG_DEATH(dt.FormatDate(nullptr), "szBuf!=NULL");
    EXPECT_DEBUG_DEATH(dt.FormatTime(nullptr), "szBuf!=NULL");
    EXPECT_DEBUG_DEATH(dt.FormatDateTime(nullptr), "szBuf!=NULL");
    EXPECT_DEBUG_DEATH(dt.Sync(2), "direction==0");
    EXPECT_DEBUG_DEATH(dt.Sync(-1), "direction==0");
}
