#include "common/google/CxGRecurrence.h"

#include "common/misc/CSV.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace {

// A rule part holding ten digits or more is taken as damaged; nine always fit an int32_t.
constexpr size_t kNumberWidth = 10;
// The frequency word buffer; longer words are not copied and match no frequency.
constexpr size_t kWordSize = 12;
// The BYDAY list buffer, terminator included.
constexpr size_t kDayListSize = 256;

struct DayCode
{
    const char* szCode;
    int32_t nBit;
};

constexpr DayCode kDayCodes[] = {
    {"SU", DAY_SUNDAY},   {"MO", DAY_MONDAY}, {"TU", DAY_TUESDAY},  {"WE", DAY_WEDNESDAY},
    {"TH", DAY_THURSDAY}, {"FR", DAY_FRIDAY}, {"SA", DAY_SATURDAY},
};

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The value of the leading digits among the next width characters (0 when there are none); p moves
// past those characters but never past the terminator.
int ReadNumber(const char*& p, size_t width)
{
    int value = 0;
    size_t i = 0;
    while (i < width && IsDigit(p[i]))
        value = value * 10 + (p[i++] - '0');
    while (i < width && p[i])
        ++i;
    p += i;
    return value;
}

void ParseNumberPart(const char* szText, const char* szName, int32_t* pValue)
{
    const char* p = szText ? std::strstr(szText, szName) : nullptr;
    if (!p || !pValue)
        return;
    p += std::strlen(szName);
    size_t digits = 0;
    while (digits < kNumberWidth && IsDigit(p[digits]))
        ++digits;
    if (digits == kNumberWidth)
        return;
    *pValue = ReadNumber(p, digits);
}

bool EqualsIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

// The first name of the text, then the first ':' after it, then the date-time; the parameters in
// between (TZID, VALUE) are skipped unread.
void ParseNamedTime(const char* szText, const char* szName, double* pValue)
{
    const char* name = std::strstr(szText, szName);
    const char* colon = name ? std::strchr(name, ':') : nullptr;
    if (colon)
        ParseDateTimeText(colon + 1, pValue);
}

bool ParseMonthly(const char* szRest, GDateRecord* pRecord)
{
    if (const char* p = std::strstr(szRest, "BYMONTHDAY=")) {
        pRecord->nRecurrenceType = RECUR_MONTHLY_BY_DATE;
        ParseByMonthDay(p, &pRecord->nRecurDayOfMonth);
        return true;
    }
    if (const char* p = std::strstr(szRest, "BYWEEKNO=")) {
        // The days are read from the week number on, so a BYDAY before BYWEEKNO is not seen.
        pRecord->nRecurrenceType = RECUR_MONTHLY_BY_WEEK;
        ParseByWeekNo(p, &pRecord->nRecurInstance);
        ParseByDay(p, &pRecord->nRecurDayOfWeek);
        return true;
    }
    return false;
}

void ParseYearly(const char* szRest, GDateRecord* pRecord)
{
    const char* p = std::strstr(szRest, "BYMONTH=");
    if (!p) {
        pRecord->nRecurrenceType = RECUR_YEARLY;
        return;
    }
    // No display or comparison reads the month of a yearly rule; it goes to the field whose name
    // says month rather than sharing nRecurInstance with the week of monthly rules.
    pRecord->nRecurrenceType = RECUR_YEARLY_BY_MONTH;
    ParseByMonth(p, &pRecord->nRecurMonthOfYear);
    ParseByMonthDay(szRest, &pRecord->nRecurDayOfMonth);
}

// szRest runs from the ';' after the frequency word to the end of the text, so parts are also found
// in the time-zone definitions that may follow the rule.
bool ApplyFrequency(const char* szWord, const char* szRest, GDateRecord* pRecord)
{
    if (EqualsIgnoringCase(szWord, "DAILY")) {
        pRecord->nRecurrenceType = RECUR_DAILY;
        ParseInterval(szRest, &pRecord->nRecurInterval);
    } else if (EqualsIgnoringCase(szWord, "WEEKLY")) {
        pRecord->nRecurrenceType = RECUR_WEEKLY;
        ParseInterval(szRest, &pRecord->nRecurInterval);
        ParseByDay(szRest, &pRecord->nRecurDayOfWeek);
    } else if (EqualsIgnoringCase(szWord, "MONTHLY")) {
        ParseInterval(szRest, &pRecord->nRecurInterval);
        return ParseMonthly(szRest, pRecord);
    } else if (EqualsIgnoringCase(szWord, "YEARLY")) {
        ParseInterval(szRest, &pRecord->nRecurInterval);
        ParseYearly(szRest, pRecord);
    }
    // Any other frequency (HOURLY, ...) is left as the data file gave it.
    return true;
}

} // namespace

bool ParseRecurrence(GDateRecord* pRecord)
{
    if (!pRecord)
        return false;
    // A damaged record may lack the terminator; reading a terminated copy keeps every search inside
    // the field.
    char text[sizeof pRecord->szRecurrence + 1];
    if (CopyText(text, pRecord->szRecurrence) == 0) {
        pRecord->nRecurrenceType = RECUR_NONE;
        return true;
    }
    ParseNamedTime(text, "DTSTART", &pRecord->dtStart);
    ParseNamedTime(text, "DTEND", &pRecord->dtEnd);

    const char* rule = std::strstr(text, "RRULE:");
    if (!rule) {
        pRecord->nRecurrenceType = RECUR_NONE;
        return true;
    }
    const char* freq = std::strstr(rule, "FREQ=");
    if (!freq)
        return false;
    freq += std::strlen("FREQ=");
    const char* rest = std::strchr(freq, ';');
    if (!rest)
        return false;

    const size_t wordLength = static_cast<size_t>(rest - freq);
    if (wordLength >= kWordSize)
        return true;
    char word[kWordSize];
    std::memcpy(word, freq, wordLength);
    word[wordLength] = '\0';
    return ApplyFrequency(word, rest, pRecord);
}

bool ParseDateTimeText(const char* szText, double* pValue)
{
    if (!szText || !pValue)
        return false;
    // The first T must sit right after the eight date digits; stopping at index 8 keeps a date-only
    // value from reaching a T further on in the text.
    for (size_t i = 0; i < 8; ++i) {
        if (!szText[i] || szText[i] == 'T')
            return false;
    }
    if (szText[8] != 'T')
        return false;

    const char* p = szText;
    platform::SystemTime st{};
    st.wYear = static_cast<uint16_t>(ReadNumber(p, 4));
    st.wMonth = static_cast<uint16_t>(ReadNumber(p, 2));
    st.wDay = static_cast<uint16_t>(ReadNumber(p, 2));
    ++p;
    if (IsDigit(*p)) {
        st.wHour = static_cast<uint16_t>(ReadNumber(p, 2));
        st.wMinute = static_cast<uint16_t>(ReadNumber(p, 2));
        st.wSecond = static_cast<uint16_t>(ReadNumber(p, 2));
    }
    double value = 0;
    if (!SystemTimeToVariantTime(st, &value))
        return false;
    *pValue = value;
    return true;
}

void ParseInterval(const char* szText, int32_t* pInterval)
{
    ParseNumberPart(szText, "INTERVAL=", pInterval);
}

void ParseByMonthDay(const char* szText, int32_t* pDayOfMonth)
{
    ParseNumberPart(szText, "BYMONTHDAY=", pDayOfMonth);
}

void ParseByWeekNo(const char* szText, int32_t* pInstance)
{
    ParseNumberPart(szText, "BYWEEKNO=", pInstance);
}

void ParseByMonth(const char* szText, int32_t* pMonth)
{
    ParseNumberPart(szText, "BYMONTH=", pMonth);
}

void ParseByDay(const char* szText, int32_t* pDayMask)
{
    const char* p = szText ? std::strstr(szText, "BYDAY=") : nullptr;
    if (!p || !pDayMask)
        return;
    p += std::strlen("BYDAY=");
    // A list longer than the buffer is cut at 255 characters: the codes wholly inside still count,
    // and a code split by the cut no longer matches, so it is dropped rather than guessed.
    char list[kDayListSize];
    const size_t length = std::strcspn(p, "\r\n;");
    const size_t kept = length < sizeof list ? length : sizeof list - 1;
    std::memcpy(list, p, kept);
    list[kept] = '\0';

    int32_t mask = 0;
    CSV items(nullptr, false);
    if (items.Parse(list)) {
        for (uint32_t i = 0; i < items.GetCount(); ++i) {
            for (const DayCode& day : kDayCodes) {
                if (std::strcmp(items.GetItem(i), day.szCode) == 0)
                    mask |= day.nBit;
            }
        }
    }
    *pDayMask = mask;
}
