#include "helpers/vcard/VCardDate.h"

#include "common/misc/CxDateTime.h"
#include "common/platform/Platform.h"

#include <ctime>

namespace {

// Reads the pieces of a date or time text from left to right; every read fails at the end of text.
class Cursor
{
public:
    explicit Cursor(std::string_view text)
        : m_text(text)
    {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    bool Peek(char c) const { return !AtEnd() && m_text[m_pos] == c; }
    bool PeekDigit() const { return !AtEnd() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9'; }

    // Consumes c when it comes next.
    bool Skip(char c)
    {
        if (!Peek(c))
            return false;
        ++m_pos;
        return true;
    }

    bool Digits(int count, int& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (!PeekDigit())
                return false;
            value = value * 10 + (m_text[m_pos++] - '0');
        }
        return true;
    }

    void SkipDigits()
    {
        while (PeekDigit())
            ++m_pos;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool ReadDate(Cursor& in, bool yearOptional, platform::SystemTime& st)
{
    int year = kNoYearDateYear;
    int month = 0;
    int day = 0;
    bool ok;
    if (in.Skip('-')) {
        ok = yearOptional && in.Skip('-') && in.Digits(2, month);
        in.Skip('-');
        ok = ok && in.Digits(2, day);
    } else {
        ok = in.Digits(4, year);
        const bool dashed = in.Skip('-');
        ok = ok && in.Digits(2, month) && (!dashed || in.Skip('-')) && in.Digits(2, day);
    }
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    return ok;
}

bool ReadTime(Cursor& in, platform::SystemTime& st)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!in.Digits(2, hour))
        return false;
    in.Skip(':');
    if (!in.Digits(2, minute))
        return false;
    in.Skip(':');
    if (in.PeekDigit() && !in.Digits(2, second))
        return false;
    if (in.Skip('.') || in.Skip(','))
        in.SkipDigits();
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    return true;
}

// "Z" gives 0, "+hh[:mm]" and "-hh[:mm]" the offset east of UTC in seconds. False when no zone
// follows or it is malformed; hasZone tells the two apart.
bool ReadZone(Cursor& in, bool& hasZone, long& offset)
{
    hasZone = !in.AtEnd();
    offset = 0;
    if (!hasZone || in.Skip('Z') || in.Skip('z'))
        return true;
    const int sign = in.Skip('+') ? 1 : in.Skip('-') ? -1 : 0;
    int hours = 0;
    int minutes = 0;
    if (sign == 0 || !in.Digits(2, hours))
        return false;
    in.Skip(':');
    if (in.PeekDigit() && !in.Digits(2, minutes))
        return false;
    offset = sign * (hours * 3600L + minutes * 60L);
    return true;
}

// The wall-clock time st in UTC, shifted by an offset east of UTC, as local wall-clock time.
bool UtcToLocal(platform::SystemTime& st, long offset)
{
    std::tm utc{};
    utc.tm_year = st.wYear - 1900;
    utc.tm_mon = st.wMonth - 1;
    utc.tm_mday = st.wDay;
    utc.tm_hour = st.wHour;
    utc.tm_min = st.wMinute;
    utc.tm_sec = st.wSecond;
    std::time_t instant = 0;
    std::tm local{};
    if (!platform::UtcToTime(utc, &instant) || !platform::LocalTimeOf(instant - offset, &local))
        return false;
    st.wYear = static_cast<uint16_t>(local.tm_year + 1900);
    st.wMonth = static_cast<uint16_t>(local.tm_mon + 1);
    st.wDay = static_cast<uint16_t>(local.tm_mday);
    st.wHour = static_cast<uint16_t>(local.tm_hour);
    st.wMinute = static_cast<uint16_t>(local.tm_min);
    st.wSecond = static_cast<uint16_t>(local.tm_sec);
    return true;
}

} // namespace

bool ParseVCardDate(std::string_view text, double* pValue)
{
    text = Trimmed(text);
    text = text.substr(0, text.find('T'));
    Cursor in(text);
    platform::SystemTime st{};
    return ReadDate(in, true, st) && in.AtEnd() && SystemTimeToVariantTime(st, pValue);
}

bool IsDayLessVCardDate(std::string_view text)
{
    Cursor in(Trimmed(text));
    int year = 0;
    int month = 0;
    int day = 0;
    bool ok = false;
    if (in.Skip('-')) {
        if (in.Skip('-'))
            ok = in.Skip('-') ? in.Digits(2, day) && day >= 1 && day <= 31
                              : in.Digits(2, month) && month >= 1 && month <= 12;
    } else {
        ok = in.Digits(4, year) && (in.AtEnd() || (in.Skip('-') && in.Digits(2, month) && month >= 1 && month <= 12));
    }
    return ok && in.AtEnd();
}

bool ParseVCardTimestamp(std::string_view text, double* pValue)
{
    Cursor in(Trimmed(text));
    platform::SystemTime st{};
    if (!ReadDate(in, false, st))
        return false;
    bool hasZone = false;
    long offset = 0;
    if (in.Skip('T') && !(ReadTime(in, st) && ReadZone(in, hasZone, offset) && in.AtEnd()))
        return false;
    if (!in.AtEnd())
        return false;
    double checked = 0;
    // Checked before the conversion, which would roll an impossible day over into a plausible one.
    if (!SystemTimeToVariantTime(st, &checked))
        return false;
    if (hasZone && !UtcToLocal(st, offset))
        return false;
    return SystemTimeToVariantTime(st, pValue);
}
