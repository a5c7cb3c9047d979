#include "helpers/ical/IcalZone.h"

#include <unicode/timezone.h>
#include <unicode/ucal.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace {

// No zone's clock is a day or more away from UTC (the extremes are -12 and +14 hours), and no zone
// changes its offset twice within three days; the offsets around a time are taken that far off.
constexpr long long kAroundSeconds = 36 * 3600;
constexpr int kMaxOffsetSeconds = 24 * 3600;

// A zone's rules expand into every change they make from the observance's first year up to the
// year asked about (libical goes up to 2582), and a change costs libical some microseconds: a block
// with a rule no zone has ("FREQ=SECONDLY", "BYDAY=SU" all year) or with hundreds of rules would
// take minutes and gigabytes on a single time. Real zones change once a year per rule, on one day
// of one month, and have a handful of ruled observances even in a full history.
constexpr int kMaxRuledObservances = 16;
constexpr size_t kMaxZoneNameLength = 64;

template <size_t N>
size_t PartCount(const short (&parts)[N])
{
    size_t count = 0;
    while (count < N && parts[count] != ICAL_RECURRENCE_ARRAY_MAX)
        ++count;
    return count;
}

// One change a year: in one month, its last Sunday (BYDAY=-1SU), the Sunday among some days
// (BYDAY=SU;BYMONTHDAY=8,...,14), the last Sunday by position (BYDAY=SU;BYSETPOS=-1) or a fixed day;
// without a month, the start's own date or a weekday counted in the year.
bool IsZoneRule(const icalrecurrencetype& rule)
{
    const size_t months = PartCount(rule.by_month);
    if (rule.freq != ICAL_YEARLY_RECURRENCE || months > 1 || PartCount(rule.by_second) != 0 ||
        PartCount(rule.by_minute) != 0 || PartCount(rule.by_hour) != 0 || PartCount(rule.by_year_day) != 0 ||
        PartCount(rule.by_week_no) != 0)
        return false;
    const size_t days = PartCount(rule.by_day);
    const size_t monthDays = PartCount(rule.by_month_day);
    const size_t positions = PartCount(rule.by_set_pos);
    const bool counted = days == 1 && icalrecurrencetype_day_position(rule.by_day[0]) != 0;
    if (months == 0)
        return monthDays == 0 && positions == 0 && (days == 0 || counted);
    if (days == 0)
        return monthDays == 1 && positions == 0;
    if (days != 1)
        return false;
    if (counted)
        return monthDays == 0 && positions == 0;
    return (monthDays >= 1 && monthDays <= 7 && positions == 0) || (monthDays == 0 && positions == 1);
}

// Whether the block defines a zone libical can convert with, within the bounds above. A block
// without any observance would convert as UTC, silently.
bool IsUsableBlock(icalcomponent* block)
{
    int observances = 0;
    int ruled = 0;
    for (icalcomponent* part = icalcomponent_get_first_component(block, ICAL_ANY_COMPONENT); part;
         part = icalcomponent_get_next_component(block, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(part);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT)
            continue;
        icalproperty* to = icalcomponent_get_first_property(part, ICAL_TZOFFSETTO_PROPERTY);
        if (!to || !icalcomponent_get_first_property(part, ICAL_DTSTART_PROPERTY) ||
            std::abs(icalproperty_get_tzoffsetto(to)) >= kMaxOffsetSeconds)
            return false;
        ++observances;
        for (icalproperty* rule = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY); rule;
             rule = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
            if (!IsZoneRule(icalproperty_get_rrule(rule)) || ++ruled > kMaxRuledObservances)
                return false;
        }
    }
    return observances > 0;
}

// The spelling of the database's names: "Europe/Berlin", "America/Port-au-Prince", "Etc/GMT+5".
// libical opens the name as a path below the zone folder, so nothing else may reach it: no "..",
// no absolute path, no blank.
bool IsDatabaseSpelling(std::string_view name)
{
    if (name.empty() || name.size() > kMaxZoneNameLength || name.front() == '/' || name.back() == '/')
        return false;
    char previous = 0;
    for (const char c : name) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!letter && c != '_' && c != '-' && c != '+' && c != '/')
            return false;
        if (c == '/' && previous == '/')
            return false;
        previous = c;
    }
    return true;
}

std::string ToUtf8(const icu::UnicodeString& text)
{
    std::string bytes;
    text.toUTF8String(bytes);
    return bytes;
}

// The zones the system's zone.tab lists, as libical read it.
const std::set<std::string>& ListedZones()
{
    static const std::set<std::string> listed = [] {
        std::set<std::string> names;
        icalarray* zones = icaltimezone_get_builtin_timezones();
        for (size_t i = 0; zones && i < zones->num_elements; ++i) {
            const char* location =
                icaltimezone_get_location(static_cast<icaltimezone*>(icalarray_element_at(zones, i)));
            if (location)
                names.insert(location);
        }
        return names;
    }();
    return listed;
}

// Whether the name is a zone's: one ICU knows (the database's zones and their old names) or one the
// system lists (a zone newer than ICU's data). The zone folder holds other files too ("localtime",
// "posixrules", the leap-second zones under "right/"), which are no zone a calendar names.
bool IsDatabaseName(std::string_view name)
{
    if (!IsDatabaseSpelling(name))
        return false;
    const std::string id(name);
    UChar text[kMaxZoneNameLength + 1];
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(text, static_cast<int32_t>(std::size(text)), &length, id.data(), static_cast<int32_t>(id.size()),
                  &status);
    UChar canonical[kMaxZoneNameLength + 1];
    UBool system = false;
    if (U_SUCCESS(status))
        ucal_getCanonicalTimeZoneID(text, length, canonical, static_cast<int32_t>(std::size(canonical)), &system,
                                    &status);
    return (U_SUCCESS(status) && system) || ListedZones().count(id) > 0;
}

// The database's zone of that name. A name the system's tzdata lacks may still be known to ICU
// under another name of the same zone: ICU's Windows table gives "Asia/Calcutta" and "Europe/Kiev",
// which newer tzdata keeps only among its legacy links.
icaltimezone* DatabaseZone(std::string_view name)
{
    if (!IsDatabaseName(name))
        return nullptr;
    const std::string id(name);
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(id.c_str()))
        return zone;
    const icu::UnicodeString icuId = icu::UnicodeString::fromUTF8(id);
    const int32_t count = icu::TimeZone::countEquivalentIDs(icuId);
    for (int32_t i = 0; i < count; ++i) {
        const std::string other = ToUtf8(icu::TimeZone::getEquivalentID(icuId, i));
        if (other != id && IsDatabaseSpelling(other))
            if (icaltimezone* zone = icaltimezone_get_builtin_timezone(other.c_str()))
                return zone;
    }
    return nullptr;
}

// A name beginning with "/" is a vendor's path to a zone ("/freeassociation.sourceforge.net/Europe/
// Berlin", "/mozilla.org/20050126_1/America/New_York"): the longest tail the database knows.
icaltimezone* DatabaseZoneOfTzid(std::string_view tzid)
{
    if (tzid.empty() || tzid.front() != '/')
        return DatabaseZone(tzid);
    for (size_t slash = tzid.find('/'); slash != std::string_view::npos; slash = tzid.find('/', slash + 1))
        if (icaltimezone* zone = DatabaseZone(tzid.substr(slash + 1)))
            return zone;
    return nullptr;
}

// Zones made from blocks, by the block's text, for the rest of the run. Every file one program
// writes carries the same block, and the changes libical works out for a zone are kept with it: made
// afresh from each file's own block they cost a millisecond (9 for Outlook's, from 1601) per file.
// The number of blocks kept is bounded: an account of distinct blocks is read at the slower pace.
class BlockZones
{
public:
    BlockZones() = default;
    BlockZones(const BlockZones&) = delete;
    BlockZones& operator=(const BlockZones&) = delete;
    ~BlockZones()
    {
        for (auto& [text, zone] : m_zones)
            icaltimezone_free(zone, 1);
    }

    // The kept zone of a block with that text, made now when there is room; null when there is none.
    icaltimezone* Of(icalcomponent* block)
    {
        char* written = icalcomponent_as_ical_string_r(block);
        const std::string text = written ? written : "";
        std::free(written);
        const auto found = m_zones.find(text);
        if (found != m_zones.end())
            return found->second;
        if (m_zones.size() >= kMaxKept)
            return nullptr;
        icaltimezone* zone = icaltimezone_new();
        if (!zone || !icaltimezone_set_component(zone, icalcomponent_new_clone(block))) {
            if (zone)
                icaltimezone_free(zone, 1);
            return nullptr;
        }
        m_zones.emplace(text, zone);
        return zone;
    }

private:
    static constexpr size_t kMaxKept = 64;
    std::map<std::string, icaltimezone*> m_zones;
};

icaltimezone* BlockZone(icalcomponent* calendar, const char* tzid)
{
    if (!calendar)
        return nullptr;
    icaltimezone* zone = icalcomponent_get_timezone(calendar, tzid);
    icalcomponent* block = zone ? icaltimezone_get_component(zone) : nullptr;
    if (!block || !IsUsableBlock(block))
        return nullptr;
    static BlockZones kept;
    icaltimezone* keptZone = kept.Of(block);
    return keptZone ? keptZone : zone;
}

icaltimetype AsUtcTime(const WallTime& time)
{
    icaltimetype value = icaltime_null_time();
    value.year = time.year;
    value.month = time.month;
    value.day = time.day;
    value.hour = time.hour;
    value.minute = time.minute;
    value.second = time.second;
    value.zone = icaltimezone_get_utc_timezone();
    return value;
}

int OffsetAt(icaltimezone* zone, const WallTime& utc)
{
    icaltimetype value = AsUtcTime(utc);
    return icaltimezone_get_utc_offset_of_utc_time(zone, &value, nullptr);
}

// The time moved by seconds; the time itself where that would leave the calendar's years.
WallTime AddSecondsOrKeep(const WallTime& time, long long seconds)
{
    const WallTime moved = AddSeconds(time, seconds);
    return moved.year == 0 ? time : moved;
}

} // namespace

icalcomponent* CalendarOf(icalproperty* prop)
{
    icalcomponent* component = prop ? icalproperty_get_parent(prop) : nullptr;
    while (component && icalcomponent_isa(component) != ICAL_VCALENDAR_COMPONENT)
        component = icalcomponent_get_parent(component);
    return component;
}

icaltimezone* FindZone(icalcomponent* calendar, const char* tzid)
{
    if (!tzid || !*tzid)
        return nullptr;
    if (icaltimezone* zone = DatabaseZoneOfTzid(tzid))
        return zone;
    const std::string windowsZone = ZoneNameOfWindowsZone(tzid);
    if (icaltimezone* zone = windowsZone.empty() ? nullptr : DatabaseZone(windowsZone))
        return zone;
    return BlockZone(calendar, tzid);
}

std::string ZoneNameOfWindowsZone(std::string_view windowsName)
{
    // Windows names are short ASCII phrases; anything longer is none, and the buffers stay small.
    if (windowsName.empty() || windowsName.size() > kMaxZoneNameLength)
        return {};
    UChar name[kMaxZoneNameLength + 1];
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(name, static_cast<int32_t>(std::size(name)), &length, windowsName.data(),
                  static_cast<int32_t>(windowsName.size()), &status);
    if (U_FAILURE(status))
        return {};
    UChar id[kMaxZoneNameLength + 1];
    const int32_t idLength =
        ucal_getTimeZoneIDForWindowsID(name, length, nullptr, id, static_cast<int32_t>(std::size(id)), &status);
    if (U_FAILURE(status) || idLength <= 0 || idLength >= static_cast<int32_t>(std::size(id)))
        return {};
    return ToUtf8(icu::UnicodeString(id, idLength));
}

bool ZoneTimeToUtc(const WallTime& wall, icaltimezone* zone, WallTime& utc)
{
    // The offsets in force a while before and after the time (taken as if it were UTC); a time
    // belongs to an offset when that offset, applied, lands on an instant that has it.
    const int before = OffsetAt(zone, AddSecondsOrKeep(wall, -kAroundSeconds));
    const int after = OffsetAt(zone, AddSecondsOrKeep(wall, kAroundSeconds));
    const WallTime early = AddSeconds(wall, -before);
    const WallTime late = AddSeconds(wall, -after);
    const bool earlyFits = early.year != 0 && OffsetAt(zone, early) == before;
    const bool lateFits = late.year != 0 && OffsetAt(zone, late) == after;
    if (earlyFits && lateFits)
        utc = SecondsBetween(early, late) < 0 ? late : early; // twice: the first of them
    else if (lateFits)
        utc = late;
    else
        utc = early; // skipped (neither fits): the offset from before the change
    return utc.year != 0;
}
