#include "helpers/ical/IcalSeriesEnd.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

namespace {

// Beyond this many occurrences a COUNT series is given no end date rather than walked.
constexpr int kMaxCountedOccurrences = 5000;

// Where the walk for a series end stops: a series whose last occurrence lies later is given no end.
// libical's own iterator cannot be bounded: for a rule that never or seldom occurs
// (BYMONTH=2;BYMONTHDAY=30, BYMONTHDAY=31;BYDAY=1MO) a single step searches every period up to its
// last year, seconds per event. The walk below looks at each day of the horizon at most once.
constexpr int kHorizonYears = 200;

namespace chr = std::chrono;

template <size_t N>
bool Holds(const short (&parts)[N], int value)
{
    for (size_t i = 0; i < N && parts[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (parts[i] == value)
            return true;
    return false;
}

// Whether the list names the position-th of count (a negative entry counts from the end).
template <size_t N>
bool HoldsPosition(const short (&parts)[N], int position, int count)
{
    return Holds(parts, position) || Holds(parts, position - count - 1);
}

int DaysInMonth(const chr::year_month_day& date)
{
    return static_cast<int>(static_cast<unsigned>((date.year() / date.month() / chr::last).day()));
}

int DaysInYear(const chr::year_month_day& date)
{
    return date.year().is_leap() ? 366 : 365;
}

int DayOfYear(chr::sys_days day, const chr::year_month_day& date)
{
    return static_cast<int>((day - chr::sys_days{date.year() / chr::January / 1}).count()) + 1;
}

// Parts the walk leaves alone: times of the day (several occurrences a day), week numbers, other
// calendars, and what a frequency cannot take. A series using one gets no end date; the record's
// fields cannot show such a rule anyway.
bool WalkFollows(const icalrecurrencetype& rule)
{
    if (rule.rscale || RuleHasPart(rule.by_hour) || RuleHasPart(rule.by_minute) || RuleHasPart(rule.by_second) ||
        RuleHasPart(rule.by_week_no))
        return false;
    const bool weekly = rule.freq == ICAL_WEEKLY_RECURRENCE;
    if (weekly && RuleHasPart(rule.by_month_day))
        return false;
    if ((weekly || rule.freq == ICAL_MONTHLY_RECURRENCE) && RuleHasPart(rule.by_year_day))
        return false;
    if (rule.freq == ICAL_MONTHLY_RECURRENCE || rule.freq == ICAL_YEARLY_RECURRENCE)
        return true;
    // Daily and weekly rules cannot count weekdays in a month or year (BYDAY=1MO).
    for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i)
        if (icalrecurrencetype_day_position(rule.by_day[i]) != 0)
            return false;
    return true;
}

// BYDAY=2TU counts Tuesdays in the month; in a yearly rule in the year, unless BYMONTH names months.
bool WeekdayMatches(const icalrecurrencetype& rule, chr::sys_days day, const chr::year_month_day& date)
{
    const int weekday = static_cast<int>(chr::weekday{day}.c_encoding()) + 1; // libical: 1 = Sunday
    const bool inMonth = rule.freq != ICAL_YEARLY_RECURRENCE || RuleHasPart(rule.by_month);
    const int offset = inMonth ? static_cast<int>(static_cast<unsigned>(date.day())) - 1 : DayOfYear(day, date) - 1;
    const int length = inMonth ? DaysInMonth(date) : DaysInYear(date);
    for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (static_cast<int>(icalrecurrencetype_day_day_of_week(rule.by_day[i])) != weekday)
            continue;
        const int position = icalrecurrencetype_day_position(rule.by_day[i]);
        if (position == 0 || (position > 0 ? offset / 7 + 1 : (length - 1 - offset) / 7 + 1) == std::abs(position))
            return true;
    }
    return false;
}

bool DayMatches(const icalrecurrencetype& rule, const WallTime& start, chr::sys_days day)
{
    const chr::year_month_day date{day};
    const int month = static_cast<int>(static_cast<unsigned>(date.month()));
    const int dayOfMonth = static_cast<int>(static_cast<unsigned>(date.day()));
    if (RuleHasPart(rule.by_month) && !Holds(rule.by_month, month))
        return false;
    if (RuleHasPart(rule.by_year_day) && !HoldsPosition(rule.by_year_day, DayOfYear(day, date), DaysInYear(date)))
        return false;
    if (RuleHasPart(rule.by_month_day) && !HoldsPosition(rule.by_month_day, dayOfMonth, DaysInMonth(date)))
        return false;
    if (RuleHasPart(rule.by_day))
        return WeekdayMatches(rule, day, date);
    if (RuleHasPart(rule.by_month_day) || RuleHasPart(rule.by_year_day))
        return true;
    // Without a day part a period repeats the start's day in it.
    switch (rule.freq) {
    case ICAL_WEEKLY_RECURRENCE:
        return static_cast<int>(chr::weekday{day}.c_encoding()) == DayOfWeek(start);
    case ICAL_MONTHLY_RECURRENCE:
        return dayOfMonth == start.day;
    case ICAL_YEARLY_RECURRENCE:
        return dayOfMonth == start.day && (RuleHasPart(rule.by_month) || month == start.month);
    default:
        return true;
    }
}

struct Period
{
    chr::sys_days first;
    int days = 0;
};

chr::sys_days WeekOf(const icalrecurrencetype& rule, chr::sys_days day)
{
    const unsigned weekStart = rule.week_start == ICAL_NO_WEEKDAY ? 1u : rule.week_start - 1u; // 0 = Sunday
    return day - chr::days{(chr::weekday{day}.c_encoding() + 7 - weekStart) % 7};
}

// The index-th period of the series (0: the one holding the start), INTERVAL counted in; null once
// it begins after lastYear. Years and months are counted as plain numbers: a huge INTERVAL must
// not wrap the calendar's year.
std::optional<Period> PeriodOf(const icalrecurrencetype& rule, chr::sys_days start, long long index, int lastYear)
{
    const long long step = index * std::max<short>(rule.interval, 1);
    const chr::year_month_day date{start};
    long long months = static_cast<int>(date.year()) * 12LL + static_cast<unsigned>(date.month()) - 1;
    Period period;
    switch (rule.freq) {
    case ICAL_WEEKLY_RECURRENCE:
        period = {WeekOf(rule, start) + chr::days{7 * step}, 7};
        break;
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE: {
        const bool yearly = rule.freq == ICAL_YEARLY_RECURRENCE;
        months = yearly ? months - (months % 12) + 12 * step : months + step;
        if (months / 12 > lastYear)
            return std::nullopt;
        const chr::year_month_day first{chr::year{static_cast<int>(months / 12)},
                                        chr::month{static_cast<unsigned>(months % 12) + 1}, chr::day{1}};
        period = {chr::sys_days{first}, yearly ? DaysInYear(first) : DaysInMonth(first)};
        break;
    }
    default:
        period = {start + chr::days{step}, 1};
        break;
    }
    if (static_cast<int>(chr::year_month_day{period.first}.year()) > lastYear)
        return std::nullopt;
    return period;
}

// BYSETPOS picks from the days of one period, a negative position counting from its end.
void KeepSetPositions(const icalrecurrencetype& rule, std::vector<chr::sys_days>& days)
{
    if (!RuleHasPart(rule.by_set_pos))
        return;
    std::vector<chr::sys_days> kept;
    const int count = static_cast<int>(days.size());
    for (int i = 0; i < count; ++i)
        if (HoldsPosition(rule.by_set_pos, i + 1, count))
            kept.push_back(days[static_cast<size_t>(i)]);
    days.swap(kept);
}

// The day of the last of COUNT occurrences, as libical counts them: days of the rule from the
// start's day on, the start itself only when the rule holds it. Null beyond the horizon.
std::optional<chr::sys_days> LastCountedDay(const icalrecurrencetype& rule, const WallTime& start)
{
    const chr::sys_days first{chr::year{start.year} / chr::month{static_cast<unsigned>(start.month)} /
                              chr::day{static_cast<unsigned>(start.day)}};
    const int lastYear = std::min(start.year + kHorizonYears, 9999);
    int counted = 0;
    std::vector<chr::sys_days> days;
    for (long long index = 0;; ++index) {
        const std::optional<Period> period = PeriodOf(rule, first, index, lastYear);
        if (!period)
            return std::nullopt;
        days.clear();
        for (int i = 0; i < period->days; ++i)
            if (DayMatches(rule, start, period->first + chr::days{i}))
                days.push_back(period->first + chr::days{i});
        KeepSetPositions(rule, days);
        for (const chr::sys_days day : days)
            if (day >= first && ++counted == rule.count)
                return day;
    }
}

} // namespace

// The last day of the series: UNTIL's day, or that of the last of COUNT occurrences; 0 without end
// or when it cannot be told. Rules finer than a day have no record type (see FillRuleFields).
double SeriesEnd(const icalrecurrencetype& rule, const WallTime& start)
{
    if (rule.freq < ICAL_DAILY_RECURRENCE || rule.freq > ICAL_YEARLY_RECURRENCE)
        return 0;
    ItemTime until;
    if (!icaltime_is_null_time(rule.until) && ReadItemTime(rule.until, until))
        return ToOleDate({until.wall.year, until.wall.month, until.wall.day, 0, 0, 0, true});
    if (rule.count <= 0 || rule.count > kMaxCountedOccurrences || !WalkFollows(rule))
        return 0;
    const std::optional<chr::sys_days> last = LastCountedDay(rule, start);
    if (!last)
        return 0;
    const chr::year_month_day date{*last};
    return ToOleDate({static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                      static_cast<int>(static_cast<unsigned>(date.day())), 0, 0, 0, true});
}
