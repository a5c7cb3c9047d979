// The recurrence text of an event through ParseRecurrence. CxGRecurrence only reads; the text is
// written back here from the fields it filled, in the form the calendar helper writes, and read again.
#include "common/google/CxGRecurrence.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct FreeRecord
{
    void operator()(GDateRecord* record) const { std::free(record); }
};
using EventPtr = std::unique_ptr<GDateRecord, FreeRecord>;

EventPtr ZeroedEvent()
{
    EventPtr event(static_cast<GDateRecord*>(std::calloc(1, sizeof(GDateRecord))));
    FUZZ_CHECK(event != nullptr);
    return event;
}

std::string TimeText(double value)
{
    platform::SystemTime st{};
    FUZZ_CHECK(VariantTimeToSystemTime(value, &st));
    char text[32];
    FormatText(text, "%04u%02u%02uT%02u%02u%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
}

std::string DayList(int32_t mask)
{
    static const char* const kCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
    std::string list;
    for (int day = 0; day < 7; ++day)
        if (mask & (1 << day))
            list += (list.empty() ? "" : ",") + std::string(kCodes[day]);
    return list;
}

std::string Format(const GDateRecord& event)
{
    std::string text = "DTSTART:" + TimeText(event.dtStart) + "\r\nDTEND:" + TimeText(event.dtEnd) + "\r\n";
    const std::string interval = ";INTERVAL=" + std::to_string(event.nRecurInterval);
    const std::string days = event.nRecurDayOfWeek ? ";BYDAY=" + DayList(event.nRecurDayOfWeek) : "";
    switch (event.nRecurrenceType) {
    case RECUR_DAILY:
        return text + "RRULE:FREQ=DAILY" + interval + "\r\n";
    case RECUR_WEEKLY:
        return text + "RRULE:FREQ=WEEKLY" + interval + days + "\r\n";
    case RECUR_MONTHLY_BY_WEEK:
        return text + "RRULE:FREQ=MONTHLY" + interval + ";BYWEEKNO=" + std::to_string(event.nRecurInstance) + days +
               "\r\n";
    case RECUR_MONTHLY_BY_DATE:
        return text + "RRULE:FREQ=MONTHLY" + interval + ";BYMONTHDAY=" + std::to_string(event.nRecurDayOfMonth) +
               "\r\n";
    case RECUR_YEARLY:
        return text + "RRULE:FREQ=YEARLY" + interval + "\r\n";
    case RECUR_YEARLY_BY_MONTH:
        return text + "RRULE:FREQ=YEARLY" + interval + ";BYMONTH=" + std::to_string(event.nRecurMonthOfYear) +
               ";BYMONTHDAY=" + std::to_string(event.nRecurDayOfMonth) + "\r\n";
    default:
        return text;
    }
}

bool SameRule(const GDateRecord& a, const GDateRecord& b)
{
    return a.dtStart == b.dtStart && a.dtEnd == b.dtEnd && a.nRecurrenceType == b.nRecurrenceType &&
           a.nRecurInterval == b.nRecurInterval && a.nRecurDayOfWeek == b.nRecurDayOfWeek &&
           a.nRecurDayOfMonth == b.nRecurDayOfMonth && a.nRecurMonthOfYear == b.nRecurMonthOfYear &&
           a.nRecurInstance == b.nRecurInstance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The field may be full to the last byte without a terminator, as a damaged data file leaves it.
    EventPtr first = ZeroedEvent();
    std::memcpy(first->szRecurrence, data, std::min(size, sizeof first->szRecurrence));
    const bool parsed = ParseRecurrence(first.get());
    FUZZ_CHECK(first->nRecurrenceType >= RECUR_NONE && first->nRecurrenceType <= RECUR_YEARLY_BY_MONTH);
    FUZZ_CHECK(first->nRecurInterval >= 0 && first->nRecurDayOfMonth >= 0 && first->nRecurMonthOfYear >= 0 &&
               first->nRecurInstance >= 0 && (first->nRecurDayOfWeek & ~0x7f) == 0);
    // A rule that failed halfway leaves fields the written text does not carry.
    if (!parsed)
        return 0;

    const std::string text = Format(*first);
    FUZZ_CHECK(text.size() < sizeof first->szRecurrence);
    EventPtr second = ZeroedEvent();
    CopyText(second->szRecurrence, text.c_str());
    FUZZ_CHECK(ParseRecurrence(second.get()));
    FUZZ_CHECK(SameRule(*first, *second));
    return 0;
}
