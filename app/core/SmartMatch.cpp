#include "app/core/SmartMatch.h"

#include "app/core/PhoneKey.h"
#include "app/core/SmartText.h"
#include "common/misc/Fnv1a.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

template <size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}

// Identifiers carry the kind they came from, so an e-mail text and a phone text never meet.
void AddEmail(std::vector<std::string>& ids, std::string_view text)
{
    std::string key = EmailKey(text);
    if (!key.empty())
        ids.push_back("e:" + key);
}

void AddPhone(std::vector<std::string>& ids, const PhoneKeys& phones, std::string_view text)
{
    std::string key = phones.Key(text);
    if (!key.empty())
        ids.push_back("p:" + key);
}

size_t SharedIds(const std::vector<std::string>& a, const std::vector<std::string>& b, size_t enough)
{
    size_t shared = 0;
    for (auto i = a.begin(), j = b.begin(); i != a.end() && j != b.end() && shared < enough;) {
        const int order = i->compare(*j);
        if (order == 0) {
            ++shared;
            ++i;
            ++j;
        } else if (order < 0) {
            ++i;
        } else {
            ++j;
        }
    }
    return shared;
}

uint64_t BlockHash(char tag, std::string_view text)
{
    return Fnv1a64(text, Fnv1a64(std::string_view(&tag, 1)));
}

constexpr double kSecondsPerDay = 86400.0;

// Times are days since the epoch of the records' dates; an instant is compared in whole seconds, so
// two sources that round the same time differently in its last bits still agree.
bool WholeSeconds(double days, int64_t* seconds)
{
    const double s = days * kSecondsPerDay;
    if (!std::isfinite(s) || std::fabs(s) > 9.0e15)
        return false;
    *seconds = std::llround(s);
    return true;
}

bool WholeDay(double days, int64_t* day)
{
    if (!std::isfinite(days) || std::fabs(days) > 1.0e11)
        return false;
    *day = static_cast<int64_t>(std::floor(days));
    return true;
}

void ReadRecurrence(const GDateRecord& r, SmartEvent& e)
{
    e.recurring = r.nRecurrenceType != RECUR_NONE || r.szRecurrence[0] != '\0';
    if (!e.recurring)
        return;
    e.recurType = r.nRecurrenceType;
    e.recurInterval = r.nRecurInterval;
    e.recurDayOfWeek = r.nRecurDayOfWeek;
    e.recurDayOfMonth = r.nRecurDayOfMonth;
    e.recurMonthOfYear = r.nRecurMonthOfYear;
    e.recurInstance = r.nRecurInstance;
    if (r.dtRecurrenceEnd != 0 && !WholeSeconds(r.dtRecurrenceEnd, &e.recurEnd))
        e.timed = false;
    // Without a readable rule the recurrence text is all there is to compare.
    if (r.nRecurrenceType == RECUR_NONE)
        e.unreadRecurrence = std::string(FieldText(r.szRecurrence));
}

bool SameRecurrence(const SmartEvent& a, const SmartEvent& b)
{
    if (a.recurring != b.recurring)
        return false;
    if (!a.recurring)
        return true;
    return a.recurType == b.recurType && a.recurInterval == b.recurInterval && a.recurDayOfWeek == b.recurDayOfWeek &&
           a.recurDayOfMonth == b.recurDayOfMonth && a.recurMonthOfYear == b.recurMonthOfYear &&
           a.recurInstance == b.recurInstance && a.recurEnd == b.recurEnd && a.unreadRecurrence == b.unreadRecurrence;
}

} // namespace

std::string SmartContactName(const GAddrRecord& r)
{
    std::string name = NormalizeName(FieldText(r.szDisplayName));
    if (name.empty())
        name = NormalizeNameParts(FieldText(r.szFirstName), FieldText(r.szMiddleName), FieldText(r.szLastName));
    return name;
}

void AddSmartContactIds(const GAddrRecord& r, const PhoneKeys& phones, SmartContact& c)
{
    // The primary address or number is mostly a copy of a slot: each text is read once.
    std::vector<std::string_view> seen;
    const auto firstTime = [&seen](std::string_view text) {
        if (text.empty() || std::find(seen.begin(), seen.end(), text) != seen.end())
            return false;
        seen.push_back(text);
        return true;
    };
    for (const auto& email : r.szEmail)
        if (firstTime(FieldText(email)))
            AddEmail(c.ids, FieldText(email));
    if (firstTime(FieldText(r.szEmailPrimary)))
        AddEmail(c.ids, FieldText(r.szEmailPrimary));
    seen.clear();
    for (const auto& phone : r.szPhone)
        if (firstTime(FieldText(phone)))
            AddPhone(c.ids, phones, FieldText(phone));
    if (firstTime(FieldText(r.szPhonePrimary)))
        AddPhone(c.ids, phones, FieldText(r.szPhonePrimary));
    std::sort(c.ids.begin(), c.ids.end());
    c.ids.erase(std::unique(c.ids.begin(), c.ids.end()), c.ids.end());
}

SmartContact SmartContactOf(const GAddrRecord& r, const PhoneKeys& phones)
{
    SmartContact c;
    c.name = SmartContactName(r);
    AddSmartContactIds(r, phones, c);
    return c;
}

std::vector<SmartContact> SmartContactsOf(const std::vector<GAddrRecord*>& records, const PhoneKeys& phones)
{
    std::vector<SmartContact> contacts(records.size());
    std::unordered_map<std::string_view, uint32_t> named;
    named.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        contacts[i].name = SmartContactName(*records[i]);
        ++named[contacts[i].name];
    }
    for (size_t i = 0; i < records.size(); ++i)
        if (contacts[i].name.empty() || named[contacts[i].name] > 1)
            AddSmartContactIds(*records[i], phones, contacts[i]);
    return contacts;
}

bool SmartContactsAgree(const SmartContact& a, const SmartContact& b)
{
    if (a.name != b.name)
        return false;
    const size_t needed = a.name.empty() ? 2 : 1;
    return SharedIds(a.ids, b.ids, needed) >= needed;
}

void AddSmartContactBlocks(const SmartContact& contact, uint32_t index,
                           std::vector<std::pair<uint64_t, uint32_t>>& blocks)
{
    if (!contact.name.empty()) {
        if (!contact.ids.empty())
            blocks.emplace_back(BlockHash('n', contact.name), index);
        return;
    }
    // Two nameless contacts that share two identifiers share a block of either.
    if (contact.ids.size() >= 2)
        for (const std::string& id : contact.ids)
            blocks.emplace_back(BlockHash('i', id), index);
}

SmartEvent SmartEventOf(const GDateRecord& r)
{
    SmartEvent e;
    e.subject = NormalizeName(FieldText(r.szSubject));
    e.allDay = r.nAllDayEvent != 0;
    e.timed = e.allDay ? WholeDay(r.dtStart, &e.start) && WholeDay(r.dtEnd, &e.end)
                       : WholeSeconds(r.dtStart, &e.start) && WholeSeconds(r.dtEnd, &e.end);
    ReadRecurrence(r, e);
    return e;
}

bool SmartEventsAgree(const SmartEvent& a, const SmartEvent& b)
{
    return a.timed && b.timed && a.subject == b.subject && a.allDay == b.allDay && a.start == b.start &&
           a.end == b.end && SameRecurrence(a, b);
}

void AddSmartEventBlocks(const SmartEvent& event, uint32_t index, std::vector<std::pair<uint64_t, uint32_t>>& blocks)
{
    if (!event.timed)
        return;
    // Agreeing events share their subject, their kind of time and their start exactly, so the block
    // holds all three.
    const uint64_t hash = BlockHash(event.allDay ? 'a' : 't', event.subject);
    blocks.emplace_back(Fnv1a64Bytes(&event.start, sizeof event.start, hash), index);
}
