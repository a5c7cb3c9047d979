#include "common/misc/CxDateTime.h"

#include "common/misc/TextBuf.h"

#include <cassert>
#include <chrono>
#include <cmath>

namespace {

namespace chr = std::chrono;

constexpr chr::sys_days kDayZero = chr::year{1899} / chr::December / 30;
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;
constexpr long long kMinDay = (chr::sys_days{chr::year{kMinYear} / chr::January / 1} - kDayZero).count();
constexpr long long kMaxDay = (chr::sys_days{chr::year{kMaxYear} / chr::December / 31} - kDayZero).count();
constexpr long long kSecondsPerDay = 86400;

constexpr size_t kDateSize = 11;
constexpr size_t kTimeSize = 9;
constexpr size_t kDateTimeSize = 20;

bool YearInRange(int year)
{
    return year >= kMinYear && year <= kMaxYear;
}

bool TimeOfDayValid(const platform::SystemTime& st)
{
    return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60;
}

} // namespace

bool SystemTimeToVariantTime(const platform::SystemTime& st, double* pValue)
{
    // Windows rolls some out-of-range fields over into the next unit; we refuse them, so a garbled
    // record never turns into a plausible but wrong date. Milliseconds and day of week are ignored.
    const chr::year_month_day date{chr::year{st.wYear}, chr::month{st.wMonth}, chr::day{st.wDay}};
    if (!pValue || !YearInRange(st.wYear) || !date.ok() || !TimeOfDayValid(st))
        return false;
    const long long dayNumber = (chr::sys_days{date} - kDayZero).count();
    const double fraction = (st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond) / kSecondsPerDay;
    // Before day 0 the whole days count backwards while the fraction still runs forwards in the day.
    *pValue = dayNumber < 0 ? dayNumber - fraction : dayNumber + fraction;
    return true;
}

bool VariantTimeToSystemTime(double value, platform::SystemTime* pst)
{
    if (!pst || !std::isfinite(value))
        return false;
    const double whole = std::trunc(value);
    if (whole < kMinDay || whole > kMaxDay)
        return false;
    long long dayNumber = static_cast<long long>(whole);
    long long secs = std::llround(std::fabs(value - whole) * kSecondsPerDay);
    if (secs == kSecondsPerDay) {
        // Rounding to the second reached midnight: the instant belongs to the next calendar day.
        ++dayNumber;
        secs = 0;
    }
    const chr::sys_days day = kDayZero + chr::days{dayNumber};
    const chr::year_month_day date{day};
    if (!YearInRange(static_cast<int>(date.year())))
        return false;
    pst->wYear = static_cast<uint16_t>(static_cast<int>(date.year()));
    pst->wMonth = static_cast<uint16_t>(static_cast<unsigned>(date.month()));
    pst->wDayOfWeek = static_cast<uint16_t>(chr::weekday{day}.c_encoding());
    pst->wDay = static_cast<uint16_t>(static_cast<unsigned>(date.day()));
    pst->wHour = static_cast<uint16_t>(secs / 3600);
    pst->wMinute = static_cast<uint16_t>(secs / 60 % 60);
    pst->wSecond = static_cast<uint16_t>(secs % 60);
    pst->wMilliseconds = 0;
    return true;
}

CxDateTime::CxDateTime()
{
    platform::GetLocalTime(&m_stTime);
    Sync(1);
}

CxDateTime::CxDateTime(const platform::SystemTime& st)
    : m_stTime(st)
{
    Sync(1);
}

CxDateTime::CxDateTime(double value)
    : m_dValue(value)
{
    Sync(0);
}

CxDateTime& CxDateTime::SetValue(double value)
{
    m_dValue = value;
    Sync(0);
    return *this;
}

bool CxDateTime::Sync(int direction)
{
    assert((direction == 0 || direction == 1) && "direction==0||direction==1");
    if (direction == 1)
        m_bValid = SystemTimeToVariantTime(m_stTime, &m_dValue);
    else if (direction == 0)
        m_bValid = VariantTimeToSystemTime(m_dValue, &m_stTime);
    else
        m_bValid = false;
    return m_bValid;
}

// The guards after the assertions keep builds without assertions from writing through null.
void CxDateTime::FormatDate(char* szBuf) const
{
    assert(szBuf && "szBuf!=NULL");
    if (!szBuf)
        return;
    char text[32] = "";
    if (m_stTime.wYear > 1930 && m_stTime.wYear <= 2030)
        FormatText(text, "%02d/%02d/%04d", m_stTime.wMonth, m_stTime.wDay, m_stTime.wYear);
    CopyText(szBuf, kDateSize, text);
}

void CxDateTime::FormatTime(char* szBuf) const
{
    assert(szBuf && "szBuf!=NULL");
    if (!szBuf)
        return;
    char text[32];
    FormatText(text, "%02d:%02d:%02d", m_stTime.wHour, m_stTime.wMinute, m_stTime.wSecond);
    CopyText(szBuf, kTimeSize, text);
}

void CxDateTime::FormatDateTime(char* szBuf) const
{
    assert(szBuf && "szBuf!=NULL");
    if (!szBuf)
        return;
    char date[32];
    char time[32];
    FormatDate(date);
    FormatTime(time);
    char text[80];
    FormatText(text, "%s %s", date, time);
    CopyText(szBuf, kDateTimeSize, text);
}

bool CxDateTime::ToTimeT(double value, time_t* pTime)
{
    assert(pTime && "pTime!=NULL");
    if (!pTime)
        return false;
    platform::SystemTime st{};
    if (!VariantTimeToSystemTime(value, &st)) {
        // Nothing to hand to mktime: store its own "cannot represent" result so callers see one code.
        *pTime = -1;
        return false;
    }
    struct tm local
    {};
    local.tm_sec = st.wSecond;
    local.tm_min = st.wMinute;
    local.tm_hour = st.wHour;
    local.tm_mday = st.wDay;
    local.tm_mon = st.wMonth - 1;
    local.tm_year = st.wYear - 1900;
    local.tm_isdst = -1;
    *pTime = std::mktime(&local);
    return true;
}
