// An item's text as a load reads it: its parse, shared by the count of what it holds and the read of
// its one item; and the counts of a file's items.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/google/records/GNoteRecord.h"
#include "common/google/records/GTaskRecord.h"
#include "helpers/base/ItemKind.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/ical/CalendarItems.h"
#include "helpers/vcard/ContactCard.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// No vCard or single event comes near this; a larger one is something else, and reading it would
// only cost memory. It holds for a file of one item, for each item of an export, and for an item of
// a server.
inline constexpr std::uintmax_t kMaxItemBytes = 1 << 20;

// The calendar kinds' counts from the text's one parse.
ItemCounts CountParsed(HelperKind kind, std::string_view text, const CalendarText& calendar);

// An item file's text and its parse, which the count and the read share.
class ItemText
{
public:
    ItemText(HelperKind kind, std::string text)
        : m_kind(kind)
        , m_text(std::move(text))
    {
        if (KindInfo(kind).component)
            m_calendar.emplace(m_text);
        else
            m_contact.emplace(m_text);
    }

    std::string_view Text() const { return m_text; }
    ItemCounts Counts() const
    {
        return m_calendar ? CountParsed(m_kind, m_text, *m_calendar) : ItemCounts{m_contact->Count(), 0};
    }

    bool Read(GAddrRecord& record, std::string& problem) const { return m_contact && m_contact->Read(record, problem); }
    bool Read(GDateRecord& record, std::string& problem) const
    {
        return m_calendar && m_calendar->ReadEvent(record, problem);
    }
    bool Read(GTaskRecord& record, std::string& problem) const
    {
        return m_calendar && m_calendar->ReadTask(record, problem);
    }
    bool Read(GNoteRecord& record, std::string& problem) const
    {
        return m_calendar && m_calendar->ReadNote(record, problem);
    }
    std::vector<std::string> Notes() const
    {
        return m_calendar ? m_calendar->Notes(KindInfo(m_kind).component) : m_contact->Notes();
    }

private:
    HelperKind m_kind;
    std::string m_text;
    std::optional<CalendarText> m_calendar;
    std::optional<ContactText> m_contact;
};

// Whether a file holds items of another calendar kind and none of its own.
bool HoldsOtherKind(std::string_view text, HelperKind kind);
