#include "helpers/ical/IcalTime.h"

#include "common/misc/CxDateTime.h"
#include "common/platform/Platform.h"
#include "helpers/ical/IcalZone.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

namespace chr = std::chrono;

chr::sys_seconds ToSysSeconds(const WallTime& time)
{
    const chr::sys_days day{chr::year{time.year} / chr::month{static_cast<unsigned>(time.month)} /
                            chr::day{static_cast<unsigned>(time.day)}};
    return day + chr::hours{time.hour} + chr::minutes{time.minute} + chr::seconds{time.second};
}

WallTime FromSysSeconds(chr::sys_seconds value, bool isDate)
{
    const chr::sys_days day = chr::floor<chr::days>(value);
    const chr::year_month_day date{day};
    const chr::hh_mm_ss clock{value - day};
    WallTime time;
    time.year = static_cast<int>(date.year());
    time.month = static_cast<int>(static_cast<unsigned>(date.month()));
    time.day = static_cast<int>(static_cast<unsigned>(date.day()));
    time.hour = static_cast<int>(clock.hours().count());
    time.minute = static_cast<int>(clock.minutes().count());
    time.second = static_cast<int>(clock.seconds().count());
    time.isDate = isDate;
    return time;
}

bool Exists(const WallTime& time)
{
    if (time.year < 1 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31)
        return false;
    const chr::year_month_day date{chr::year{time.year}, chr::month{static_cast<unsigned>(time.month)},
                                   chr::day{static_cast<unsigned>(time.day)}};
    return date.ok() && time.hour >= 0 && time.hour < 24 && time.minute >= 0 && time.minute < 60 && time.second >= 0 &&
           time.second < 60;
}

// The C library knows the local zone (TZ) and its daylight saving rules; libical's own zone data
// would need the zone's name, which TZ need not give ("CET-1CEST,M3.5.0,M10.5.0/3").
bool UtcToLocal(WallTime& time)
{
    const auto instant = static_cast<std::time_t>(ToSysSeconds(time).time_since_epoch().count());
    std::tm local{};
    if (!platform::LocalTimeOf(instant, &local))
        return false;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    return Exists(time);
}

} // namespace

bool ReadItemTime(icaltimetype value, ItemTime& time)
{
    WallTime wall;
    wall.year = value.year;
    wall.month = value.month;
    wall.day = value.day;
    wall.isDate = value.is_date != 0;
    if (!wall.isDate) {
        wall.hour = value.hour;
        wall.minute = value.minute;
        wall.second = value.second;
    }
    if (!Exists(wall))
        return false;
    if (!wall.isDate && icaltime_is_utc(value) && !UtcToLocal(wall))
        return false;
    time.wall = wall;
    time.tzid.clear();
    return true;
}

bool ReadItemTime(icalproperty* prop, ItemTime& time)
{
    const icalvalue* value = prop ? icalproperty_get_value(prop) : nullptr;
    const icalvalue_kind kind = value ? icalvalue_isa(value) : ICAL_NO_VALUE;
    if (kind != ICAL_DATE_VALUE && kind != ICAL_DATETIME_VALUE)
        return false;
    const icaltimetype raw = icalvalue_get_datetime(value);
    ItemTime read;
    if (!ReadItemTime(raw, read))
        return false;
    // A time of a zone is made local as a UTC time is, through the instant it names: one meeting
    // stored as 16:00Z and as 11:00 New York time is one time. A zone nobody knows keeps its digits
    // and its name (the reader notes it); a date and a UTC time ignore a TZID they should not carry.
    const char* tzid = TzidOf(prop);
    if (tzid && !read.wall.isDate && !icaltime_is_utc(raw)) {
        icaltimezone* zone = FindZone(CalendarOf(prop), tzid);
        WallTime utc;
        if (!zone)
            read.tzid = PlainZoneName(tzid);
        else if (!ZoneTimeToUtc(read.wall, zone, utc) || !UtcToLocal(utc))
            return false;
        else
            read.wall = utc;
    }
    time = std::move(read);
    return true;
}

const char* TzidOf(icalproperty* prop)
{
    const icalparameter* zone = prop ? icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER) : nullptr;
    const char* tzid = zone ? icalparameter_get_tzid(zone) : nullptr;
    return tzid && *tzid ? tzid : nullptr;
}

bool NamesUnknownZone(icalproperty* prop)
{
    const char* tzid = TzidOf(prop);
    const icalvalue* value = tzid ? icalproperty_get_value(prop) : nullptr;
    if (!value || icalvalue_isa(value) != ICAL_DATETIME_VALUE)
        return false;
    const icaltimetype raw = icalvalue_get_datetime(value);
    return !raw.is_date && !icaltime_is_utc(raw) && !FindZone(CalendarOf(prop), tzid);
}

double ToOleDate(const WallTime& time)
{
    platform::SystemTime st{};
    st.wYear = static_cast<uint16_t>(time.year);
    st.wMonth = static_cast<uint16_t>(time.month);
    st.wDay = static_cast<uint16_t>(time.day);
    st.wHour = static_cast<uint16_t>(time.hour);
    st.wMinute = static_cast<uint16_t>(time.minute);
    st.wSecond = static_cast<uint16_t>(time.second);
    double value = 0;
    if (!Exists(time) || !SystemTimeToVariantTime(st, &value))
        return 0;
    return value;
}

WallTime AddSeconds(WallTime time, long long seconds)
{
    if (!Exists(time))
        return time;
    WallTime moved = FromSysSeconds(ToSysSeconds(time) + chr::seconds{seconds}, time.isDate);
    return Exists(moved) ? moved : WallTime{};
}

long long SecondsBetween(const WallTime& a, const WallTime& b)
{
    if (!Exists(a) || !Exists(b))
        return 0;
    return (ToSysSeconds(b) - ToSysSeconds(a)).count();
}

int DayOfWeek(const WallTime& time)
{
    if (!Exists(time))
        return 0;
    return static_cast<int>(chr::weekday{chr::floor<chr::days>(ToSysSeconds(time))}.c_encoding());
}

std::string FormatIcalValue(const WallTime& time)
{
    char text[32];
    if (time.isDate)
        std::snprintf(text, sizeof text, "%04d%02d%02d", time.year, time.month, time.day);
    else
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", time.year, time.month, time.day, time.hour,
                      time.minute, time.second);
    return text;
}

std::string PlainZoneName(std::string_view tzid)
{
    // Older versions also put "Tzfile/" after the prefix.
    for (const std::string_view prefix :
         {"/freeassociation.sourceforge.net/Tzfile/", "/freeassociation.sourceforge.net/"}) {
        if (tzid.substr(0, prefix.size()) == prefix)
            return std::string(tzid.substr(prefix.size()));
    }
    return std::string(tzid);
}
