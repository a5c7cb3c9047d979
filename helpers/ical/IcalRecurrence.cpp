#include "helpers/ical/IcalRecurrence.h"

#include "common/misc/Utf8Text.h"
#include "helpers/ical/IcalDocument.h"
#include "helpers/ical/IcalSeriesEnd.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// The rule parts the app's reader takes for each frequency. It looks for them from the rule to the
// end of the text, so a line after the rule holding one the rule lacks would lend the event its own
// (a zone named "BYMONTHDAY=5" taken for a monthly event's day).
struct PartRead
{
    icalrecurrencetype_frequency freq;
    const char* part;
};

constexpr PartRead kPartsRead[] = {
    {ICAL_DAILY_RECURRENCE, "INTERVAL="},     {ICAL_WEEKLY_RECURRENCE, "INTERVAL="},
    {ICAL_WEEKLY_RECURRENCE, "BYDAY="},       {ICAL_MONTHLY_RECURRENCE, "INTERVAL="},
    {ICAL_MONTHLY_RECURRENCE, "BYMONTHDAY="}, {ICAL_MONTHLY_RECURRENCE, "BYWEEKNO="},
    {ICAL_YEARLY_RECURRENCE, "INTERVAL="},    {ICAL_YEARLY_RECURRENCE, "BYMONTH="},
    {ICAL_YEARLY_RECURRENCE, "BYMONTHDAY="},
};

int32_t DayMask(const icalrecurrencetype& rule)
{
    int32_t mask = 0;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        const int day = icalrecurrencetype_day_day_of_week(rule.by_day[i]); // 1 = Sunday
        if (day >= 1 && day <= 7)
            mask |= 1 << (day - 1);
    }
    return mask;
}

// The week of the month: 1 to 5 counted from the start, the last week as 5 (the week boxes of
// calendar programs offer "first" to "fourth" and "last"); anything else 0.
int32_t WeekOfMonth(int position)
{
    if (position >= 1 && position <= 5)
        return position;
    return position == -1 ? 5 : 0;
}

void FillMonthlyFields(const icalrecurrencetype& rule, const WallTime& start, GDateRecord& record)
{
    if (RuleHasPart(rule.by_month_day) || !RuleHasPart(rule.by_day)) {
        record.nRecurrenceType = RECUR_MONTHLY_BY_DATE;
        // The app reads only the digits; a day counted from the month's end (-1) reads as 0.
        const int day = RuleHasPart(rule.by_month_day) ? rule.by_month_day[0] : start.day;
        record.nRecurDayOfMonth = day > 0 ? day : 0;
        return;
    }
    record.nRecurrenceType = RECUR_MONTHLY_BY_WEEK;
    record.nRecurDayOfWeek = DayMask(rule);
    const int position = icalrecurrencetype_day_position(rule.by_day[0]);
    record.nRecurInstance = WeekOfMonth(position != 0 || !RuleHasPart(rule.by_set_pos) ? position : rule.by_set_pos[0]);
    // Some writers give the week of the month as BYWEEKNO, and the app reads it from there.
    if (RuleHasPart(rule.by_week_no))
        record.nRecurInstance = rule.by_week_no[0] > 0 ? rule.by_week_no[0] : 0;
}

void FillRuleFields(const icalrecurrencetype& rule, const WallTime& start, GDateRecord& record)
{
    record.nRecurInterval = rule.interval;
    switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
        record.nRecurrenceType = RECUR_DAILY;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        record.nRecurrenceType = RECUR_WEEKLY;
        record.nRecurDayOfWeek = RuleHasPart(rule.by_day) ? DayMask(rule) : 1 << DayOfWeek(start);
        break;
    case ICAL_MONTHLY_RECURRENCE:
        FillMonthlyFields(rule, start, record);
        break;
    case ICAL_YEARLY_RECURRENCE:
        record.nRecurrenceType = RECUR_YEARLY_BY_MONTH;
        record.nRecurMonthOfYear = RuleHasPart(rule.by_month) ? rule.by_month[0] : start.month;
        record.nRecurDayOfMonth = RuleHasPart(rule.by_month_day) && rule.by_month_day[0] > 0 ? rule.by_month_day[0] : 0;
        break;
    default:
        // Hourly and finer rules have no type the app knows; it shows them as single events.
        record.nRecurrenceType = RECUR_NONE;
        break;
    }
}

// libical's form of the rule: FREQ first, names and values in capitals, which is what the app's
// reader needs (it matches "FREQ=" and the day codes exactly and wants a ";" after the frequency).
// The parts the rule leaves to its start are spelled out, so that the app reads the same day, month
// and interval the fields hold even where zone blocks follow.
std::string RuleText(const icalrecurrencetype& rule, const WallTime& start)
{
    icalrecurrencetype copy = rule;
    char* written = icalrecurrencetype_as_string_r(&copy);
    std::string text = written ? written : "";
    std::free(written);
    if (text.find("INTERVAL=") == std::string::npos)
        text += ";INTERVAL=" + std::to_string(rule.interval);
    if (rule.freq == ICAL_WEEKLY_RECURRENCE && !RuleHasPart(rule.by_day))
        text += std::string(";BYDAY=") + kDayCodes[DayOfWeek(start)];
    if (rule.freq == ICAL_MONTHLY_RECURRENCE && !RuleHasPart(rule.by_day) && !RuleHasPart(rule.by_month_day))
        text += ";BYMONTHDAY=" + std::to_string(start.day);
    if (rule.freq == ICAL_YEARLY_RECURRENCE && !RuleHasPart(rule.by_month))
        text += ";BYMONTH=" + std::to_string(start.month);
    return text;
}

std::string ZoneParameter(const std::string& tzid)
{
    if (tzid.find_first_of(":;,") == std::string::npos)
        return tzid;
    std::string quoted = "\"";
    for (char c : tzid)
        if (c != '"')
            quoted += c;
    return quoted + "\"";
}

// The parameter a time's line takes: a date says so, a time of a zone nobody knows names it, a local
// time needs none.
std::string ValueParameter(const ItemTime& time)
{
    if (time.wall.isDate)
        return ";VALUE=DATE";
    return time.tzid.empty() ? std::string() : ";TZID=" + ZoneParameter(time.tzid);
}

std::string TimeLine(const char* name, const ItemTime& time)
{
    return name + ValueParameter(time) + ":" + FormatIcalValue(time.wall) + "\r\n";
}

// Whether the app, reading the line after the rule, takes no part from it that the rule lacks.
bool LeavesRuleAlone(const std::string& line, const std::string& rule, icalrecurrencetype_frequency freq)
{
    for (const PartRead& read : kPartsRead) {
        if (read.freq == freq && rule.find(read.part) == std::string::npos && line.find(read.part) != std::string::npos)
            return false;
    }
    return true;
}

// The times of the series that its rule no longer gives as it would: EXDATE (left out) and the
// RECURRENCE-ID of each changed occurrence stored beside the series (moved or changed). Each form
// of value (local, date, a zone nobody knows) in a line of its own, the values sorted and each once,
// so two copies of a series written by different programs (one in UTC, one in its zone) give the
// same lines. RECURRENCE-ID takes one value, so each gets a line; EXDATE takes a list.
class Exceptions
{
public:
    void Exclude(const ItemTime& time) { m_excluded[ValueParameter(time)].insert(FormatIcalValue(time.wall)); }
    void Change(const ItemTime& time) { m_changed[ValueParameter(time)].insert(FormatIcalValue(time.wall)); }

    // The lines as they fit in room, a line that does not fit (or that the app would misread) left
    // out whole.
    std::string Lines(size_t room, const std::string& rule, icalrecurrencetype_frequency freq) const
    {
        std::string lines;
        const auto add = [&](const std::string& line) {
            if (lines.size() + line.size() <= room && LeavesRuleAlone(line, rule, freq))
                lines += line;
        };
        for (const auto& [parameter, values] : m_excluded) {
            std::string line = "EXDATE" + parameter;
            char separator = ':';
            for (const std::string& value : values) {
                line += separator + value;
                separator = ',';
            }
            add(line + "\r\n");
        }
        for (const auto& [parameter, values] : m_changed)
            for (const std::string& value : values)
                add("RECURRENCE-ID" + parameter + ":" + value + "\r\n");
        return lines;
    }

private:
    // Values by the parameter their line takes.
    std::map<std::string, std::set<std::string>> m_excluded;
    std::map<std::string, std::set<std::string>> m_changed;
};

// The changed occurrences of the series stored beside it: components of its kind in its calendar
// with its UID and a RECURRENCE-ID.
void AddChangedOccurrences(icalcomponent* series, Exceptions& exceptions, std::string& problem)
{
    icalcomponent* calendar = icalcomponent_get_parent(series);
    const std::string uid = FirstText(series, ICAL_UID_PROPERTY);
    if (!calendar || uid.empty())
        return;
    const icalcomponent_kind kind = icalcomponent_isa(series);
    for (icalcomponent* item = icalcomponent_get_first_component(calendar, kind); item;
         item = icalcomponent_get_next_component(calendar, kind)) {
        icalproperty* id = icalcomponent_get_first_property(item, ICAL_RECURRENCEID_PROPERTY);
        if (item == series || !id || FirstText(item, ICAL_UID_PROPERTY) != uid)
            continue;
        ItemTime time;
        if (ReadItemTime(id, time))
            exceptions.Change(time);
        else
            NoteFault(problem, "bad RECURRENCE-ID value");
    }
}

std::string ExceptionLines(icalcomponent* event, size_t room, const std::string& rule,
                           icalrecurrencetype_frequency freq, std::string& problem)
{
    Exceptions exceptions;
    for (icalproperty* prop = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY); prop;
         prop = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
        ItemTime time;
        if (ReadItemTime(prop, time))
            exceptions.Exclude(time);
        else
            NoteFault(problem, "bad EXDATE value");
    }
    AddChangedOccurrences(event, exceptions, problem);
    return exceptions.Lines(room, rule, freq);
}

} // namespace

void ReadRecurrence(icalcomponent* event, const ItemTime* start, const ItemTime* end, GDateRecord& record,
                    std::string& problem)
{
    icalproperty* prop = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    if (!prop || !start)
        return;
    const icalrecurrencetype rule = icalproperty_get_rrule(prop);
    if (rule.freq == ICAL_NO_RECURRENCE) {
        NoteFault(problem, "RRULE without a frequency");
        return;
    }
    FillRuleFields(rule, start->wall, record);
    record.dtRecurrenceStart = ToOleDate({start->wall.year, start->wall.month, start->wall.day, 0, 0, 0, true});
    record.dtRecurrenceEnd = SeriesEnd(rule, start->wall);

    const std::string ruleText = RuleText(rule, start->wall);
    std::string text = TimeLine("DTSTART", *start);
    if (end)
        text += TimeLine("DTEND", *end);
    text += "RRULE:" + ruleText + "\r\n";
    const size_t capacity = sizeof record.szRecurrence - 1;
    if (text.size() > capacity)
        NoteFault(problem, "RRULE too long for the event record");
    else
        text += ExceptionLines(event, capacity - text.size(), ruleText, rule.freq, problem);
    // The text libical was given is UTF-8 (ReadableIcalText); this only keeps the record's promise.
    CopyUtf8(record.szRecurrence, WellFormedUtf8(std::move(text)));
}
