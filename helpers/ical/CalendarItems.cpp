#include "helpers/ical/CalendarItems.h"

#include "common/misc/Utf8Text.h"
#include "common/platform/Platform.h"
#include "helpers/base/TextBytes.h"
#include "helpers/ical/IcalDocument.h"
#include "helpers/ical/IcalRecurrence.h"
#include "helpers/ical/IcalTime.h"

#include <libical/ical.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

constexpr long long kSecondsPerDay = 86400;

// Reminder codes (see CalendarItems.h): which end of the event the reminder counts from, and how it
// reminds.
constexpr int32_t kReminderFromEnd = 0;
constexpr int32_t kReminderFromStart = 1;

struct ReminderMethod
{
    icalproperty_action action;
    int32_t code;
};

constexpr ReminderMethod kReminderMethods[] = {
    {ICAL_ACTION_DISPLAY, 0},
    {ICAL_ACTION_EMAIL, 1},
    {ICAL_ACTION_AUDIO, 2},
};
constexpr int32_t kOtherMethod = 3;

// The times the records take from an item that may name a zone; an unknown zone of any of them is
// noted.
constexpr icalproperty_kind kZonedTimes[] = {
    ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY, ICAL_DUE_PROPERTY, ICAL_RECURRENCEID_PROPERTY, ICAL_EXDATE_PROPERTY,
};

std::optional<ItemTime> TimeOf(icalcomponent* item, icalproperty_kind kind, std::string& problem)
{
    icalproperty* prop = icalcomponent_get_first_property(item, kind);
    if (!prop)
        return std::nullopt;
    ItemTime time;
    if (ReadItemTime(prop, time) && ToOleDate(time.wall) != 0)
        return time;
    NoteFault(problem, std::string("bad ") + icalproperty_kind_to_string(kind) + " value");
    return std::nullopt;
}

double OleDateOf(icalcomponent* item, icalproperty_kind kind, std::string& problem)
{
    const std::optional<ItemTime> time = TimeOf(item, kind, problem);
    return time ? ToOleDate(time->wall) : 0;
}

// Without METHOD the calendar is no message but the stored item, and DTSTAMP is then the time of
// its last change. With METHOD (PUBLISH in every export) DTSTAMP is only when the file was written,
// the same for all items of one export, and would make an arbitrary one the newest.
void ReadStamps(icalcomponent* item, double& created, double& modified, std::string& problem)
{
    created = OleDateOf(item, ICAL_CREATED_PROPERTY, problem);
    modified = OleDateOf(item, ICAL_LASTMODIFIED_PROPERTY, problem);
    icalcomponent* calendar = icalcomponent_get_parent(item);
    const bool hasMethod = calendar && icalcomponent_get_first_property(calendar, ICAL_METHOD_PROPERTY);
    if (modified == 0 && !hasMethod)
        modified = OleDateOf(item, ICAL_DTSTAMP_PROPERTY, problem);
}

// The end an event without DTEND has: DTSTART plus DURATION, else the whole day of a date, else the
// start itself.
std::optional<ItemTime> EventEnd(icalcomponent* event, const std::optional<ItemTime>& start, std::string& problem)
{
    if (icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY))
        return TimeOf(event, ICAL_DTEND_PROPERTY, problem);
    if (!start)
        return std::nullopt;
    ItemTime end = *start;
    if (icalproperty* duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY))
        end.wall = AddSeconds(start->wall, icaldurationtype_as_int(icalproperty_get_duration(duration)));
    else if (start->wall.isDate)
        end.wall = AddSeconds(start->wall, kSecondsPerDay);
    if (ToOleDate(end.wall) != 0)
        return end;
    NoteFault(problem, "bad DURATION value");
    return std::nullopt;
}

void ReadEventTimes(icalcomponent* event, GDateRecord& record, std::string& problem)
{
    const std::optional<ItemTime> start = TimeOf(event, ICAL_DTSTART_PROPERTY, problem);
    if (!start)
        NoteFault(problem, "no DTSTART");
    const std::optional<ItemTime> end = EventEnd(event, start, problem);
    record.dtStart = start ? ToOleDate(start->wall) : 0;
    record.dtEnd = end ? ToOleDate(end->wall) : 0;
    record.nAllDayEvent = start && start->wall.isDate ? 1 : 0;
    ReadRecurrence(event, start ? &*start : nullptr, end ? &*end : nullptr, record, problem);
}

int32_t PublishType(icalcomponent* event)
{
    icalproperty* prop = icalcomponent_get_first_property(event, ICAL_CLASS_PROPERTY);
    switch (prop ? icalproperty_get_class(prop) : ICAL_CLASS_NONE) {
    case ICAL_CLASS_PUBLIC:
        return 1;
    case ICAL_CLASS_PRIVATE:
    case ICAL_CLASS_CONFIDENTIAL:
        return 2;
    default:
        return 0;
    }
}

int32_t ShowStatus(icalcomponent* event)
{
    icalproperty* prop = icalcomponent_get_first_property(event, ICAL_TRANSP_PROPERTY);
    switch (prop ? icalproperty_get_transp(prop) : ICAL_TRANSP_NONE) {
    case ICAL_TRANSP_TRANSPARENT:
    case ICAL_TRANSP_TRANSPARENTNOCONFLICT:
        return 1;
    case ICAL_TRANSP_OPAQUE:
    case ICAL_TRANSP_OPAQUENOCONFLICT:
        return 2;
    default:
        return 0;
    }
}

int32_t ReminderMethodOf(icalcomponent* alarm)
{
    icalproperty* prop = icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY);
    const icalproperty_action action = prop ? icalproperty_get_action(prop) : ICAL_ACTION_NONE;
    for (const ReminderMethod& known : kReminderMethods) {
        if (known.action == action)
            return known.code;
    }
    return kOtherMethod;
}

void ReadReminder(icalcomponent* alarm, const GDateRecord& record, int32_t& from, int32_t& minutes)
{
    from = kReminderFromStart;
    minutes = 0;
    icalproperty* prop = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!prop)
        return;
    const icaltriggertype trigger = icalproperty_get_trigger(prop);
    ItemTime at;
    if (!icaltime_is_null_time(trigger.time)) {
        // A reminder at a fixed time is given as the minutes it comes before the start.
        if (ReadItemTime(trigger.time, at) && record.dtStart != 0 && ToOleDate(at.wall) != 0)
            minutes = static_cast<int32_t>(std::lround((record.dtStart - ToOleDate(at.wall)) * 24 * 60));
        return;
    }
    const icalparameter* related = icalproperty_get_first_parameter(prop, ICAL_RELATED_PARAMETER);
    if (related && icalparameter_get_related(related) == ICAL_RELATED_END)
        from = kReminderFromEnd;
    // A trigger before its moment is negative; the record counts minutes before.
    minutes = static_cast<int32_t>(-static_cast<long long>(icaldurationtype_as_int(trigger.duration)) / 60);
}

// ACTION:NONE marks an alarm that does nothing: calendar programs write it to keep a default reminder
// from being added, often with a trigger in 1976. It is no reminder.
bool IsSilent(icalcomponent* alarm)
{
    icalproperty* prop = icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY);
    if (!prop || icalproperty_get_action(prop) != ICAL_ACTION_X)
        return false;
    char* value = icalproperty_get_value_as_string_r(prop);
    const bool none = value && strcasecmp(value, "NONE") == 0;
    std::free(value);
    return none;
}

void ReadReminders(icalcomponent* event, GDateRecord& record)
{
    uint32_t count = 0;
    for (icalcomponent* alarm = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT);
         alarm && count < kReminderSlots; alarm = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        if (IsSilent(alarm))
            continue;
        ReadReminder(alarm, record, record.nReminderA[count], record.nReminderB[count]);
        record.nReminderC[count] = ReminderMethodOf(alarm);
        ++count;
    }
    // The record has room for three, and the app's count may not exceed what the slots hold.
    record.nReminderCount = count;
}

bool IsCompleted(icalcomponent* todo)
{
    if (icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY))
        return true;
    icalproperty* status = icalcomponent_get_first_property(todo, ICAL_STATUS_PROPERTY);
    return status && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED;
}

bool IsChangedOccurrence(icalcomponent* component)
{
    return icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY) != nullptr;
}

// A series is stored with its changed occurrences (RECURRENCE-ID), in any order. Read from an
// occurrence it would show as a single event and could match an ordinary one, while deleting it moves
// the whole series. Without the series (an invitation to some occurrences only) one occurrence is all
// the file holds and is read without fault; of several the first is read, and problem says so: the
// others go to the trash with it unseen.
icalcomponent* MainItem(const std::vector<icalcomponent*>& items, std::string& problem)
{
    for (icalcomponent* item : items) {
        if (!IsChangedOccurrence(item))
            return item;
    }
    if (items.size() > 1)
        NoteFault(problem,
                  std::to_string(items.size()) + " changed occurrences without their series, only the first read");
    return items.front();
}

// The item of that kind, with the faults libical found in it noted; null (and problem naming what
// is missing) when the text holds none.
icalcomponent* FindItem(const IcalDocument& document, icalcomponent_kind kind, std::string& problem)
{
    const std::vector<icalcomponent*> items = document.AllOf(kind);
    if (items.empty()) {
        problem = std::string("no ") + icalcomponent_kind_to_string(kind) + " in the text";
        return nullptr;
    }
    icalcomponent* item = MainItem(items, problem);
    NoteParseFault(item, problem);
    return item;
}

template <size_t N>
void CopyItemText(char (&field)[N], std::string text)
{
    CopyUtf8(field, WellFormedUtf8(std::move(text)));
}

// The kind a component name counts, or ICAL_NO_COMPONENT for a name that is none of an item's.
icalcomponent_kind CountedKind(const char* component)
{
    const icalcomponent_kind kind = component ? icalcomponent_string_to_kind(component) : ICAL_NO_COMPONENT;
    return kind == ICAL_ANY_COMPONENT || kind == ICAL_X_COMPONENT ? ICAL_NO_COMPONENT : kind;
}

} // namespace

CalendarText::CalendarText(std::string_view text)
    : m_document(text, m_repair)
{}

bool CalendarText::ReadEvent(GDateRecord& record, std::string& problem) const
{
    problem = m_repair;
    platform::FollowTimeZone(); // UTC times are made local under the TZ of this moment
    icalcomponent* event = FindItem(m_document, ICAL_VEVENT_COMPONENT, problem);
    if (!event)
        return false;
    CopyItemText(record.szSubject, FirstText(event, ICAL_SUMMARY_PROPERTY));
    CopyItemText(record.szLocation, FirstText(event, ICAL_LOCATION_PROPERTY));
    CopyItemText(record.szNote, FirstText(event, ICAL_DESCRIPTION_PROPERTY));
    CopyItemText(record.szCategory, JoinedTexts(event, ICAL_CATEGORIES_PROPERTY, ","));
    ReadEventTimes(event, record, problem);
    record.nPublishType = PublishType(event);
    record.nShowStatus = ShowStatus(event);
    ReadReminders(event, record);
    ReadStamps(event, record.dtCreated, record.dtModified, problem);
    return true;
}

bool CalendarText::ReadTask(GTaskRecord& record, std::string& problem) const
{
    problem = m_repair;
    platform::FollowTimeZone();
    icalcomponent* todo = FindItem(m_document, ICAL_VTODO_COMPONENT, problem);
    if (!todo)
        return false;
    CopyItemText(record.szSubject, FirstText(todo, ICAL_SUMMARY_PROPERTY));
    CopyItemText(record.szNote, FirstText(todo, ICAL_DESCRIPTION_PROPERTY));
    record.dtDue = OleDateOf(todo, ICAL_DUE_PROPERTY, problem);
    icalproperty* priority = icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY);
    record.nPriority = priority ? icalproperty_get_priority(priority) : 0;
    record.nCompleted = IsCompleted(todo) ? 1 : 0;
    ReadStamps(todo, record.dtCreated, record.dtModified, problem);
    return true;
}

bool CalendarText::ReadNote(GNoteRecord& record, std::string& problem) const
{
    problem = m_repair;
    platform::FollowTimeZone();
    icalcomponent* journal = FindItem(m_document, ICAL_VJOURNAL_COMPONENT, problem);
    if (!journal)
        return false;
    CopyItemText(record.szSubject, FirstText(journal, ICAL_SUMMARY_PROPERTY));
    // A journal entry may hold several descriptions; kept apart as paragraphs.
    CopyItemText(record.szNote, JoinedTexts(journal, ICAL_DESCRIPTION_PROPERTY, "\n\n"));
    ReadStamps(journal, record.dtCreated, record.dtModified, problem);
    return true;
}

size_t CalendarText::Count(const char* component) const
{
    const icalcomponent_kind kind = CountedKind(component);
    if (kind == ICAL_NO_COMPONENT)
        return 0;
    // A UID's changed occurrences belong to its series; two components of one UID that both claim to
    // be the series are two copies, each an item of its own.
    std::map<std::string, size_t> masters;
    std::set<std::string> series;
    size_t alone = 0;
    for (icalcomponent* item : m_document.AllOf(kind)) {
        const std::string uid = FirstText(item, ICAL_UID_PROPERTY);
        if (uid.empty()) {
            ++alone;
            continue;
        }
        series.insert(uid);
        if (!icalcomponent_get_first_property(item, ICAL_RECURRENCEID_PROPERTY))
            ++masters[uid];
    }
    size_t count = alone;
    for (const std::string& uid : series) {
        const auto found = masters.find(uid);
        count += found == masters.end() ? 1 : std::max<size_t>(found->second, 1);
    }
    return count;
}

std::vector<std::string> CalendarText::Notes(const char* component) const
{
    std::vector<std::string> notes;
    if (m_document.ReadAsWindows1252())
        notes.emplace_back(kReadAsWindows1252Note);
    const icalcomponent_kind kind = CountedKind(component);
    if (kind == ICAL_NO_COMPONENT)
        return notes;
    std::vector<std::string> unknown;
    for (icalcomponent* item : m_document.AllOf(kind)) {
        for (const icalproperty_kind zoned : kZonedTimes) {
            for (icalproperty* prop = icalcomponent_get_first_property(item, zoned); prop;
                 prop = icalcomponent_get_next_property(item, zoned)) {
                if (!NamesUnknownZone(prop))
                    continue;
                const std::string name = WellFormedUtf8(PlainZoneName(TzidOf(prop)));
                if (std::find(unknown.begin(), unknown.end(), name) == unknown.end())
                    unknown.push_back(name);
            }
        }
    }
    for (const std::string& name : unknown)
        notes.push_back("time zone \"" + name + "\" is unknown, its times are read as written");
    return notes;
}

bool ReadEventItem(std::string_view text, GDateRecord& record, std::string& problem)
{
    return CalendarText(text).ReadEvent(record, problem);
}

bool ReadTaskItem(std::string_view text, GTaskRecord& record, std::string& problem)
{
    return CalendarText(text).ReadTask(record, problem);
}

bool ReadNoteItem(std::string_view text, GNoteRecord& record, std::string& problem)
{
    return CalendarText(text).ReadNote(record, problem);
}

size_t CountCalendarItems(std::string_view text, const char* component)
{
    // A damaged file still counts what can be read of it.
    return CountedKind(component) == ICAL_NO_COMPONENT ? 0 : CalendarText(text).Count(component);
}
