// Smart matching: what a person calls the same contact or the same event, as opposed to the exact
// rule's field-by-field equality. Keys are computed once per record per scan; the pairs are then
// held against each other only within a block of the same normalised name or subject.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <cstdint>
#include <string>
#include <vector>

class PhoneKeys;

// What smart matching compares of a contact.
struct SmartContact
{
    std::string name;             // the normalised display name, or the name parts when it is empty
    std::vector<std::string> ids; // e-mail and phone keys, sorted, each once
};

// The name alone, then the identifiers: reading a phone number costs far more than folding a name,
// and a contact whose name no other contact shares can agree with none, so the scan reads the
// identifiers only of contacts that can need them.
std::string SmartContactName(const GAddrRecord& record);
void AddSmartContactIds(const GAddrRecord& record, const PhoneKeys& phones, SmartContact& contact);
// Both at once.
SmartContact SmartContactOf(const GAddrRecord& record, const PhoneKeys& phones);

// Every contact's key, identifiers read only for contacts without a name or with a name another
// contact has too.
std::vector<SmartContact> SmartContactsOf(const std::vector<GAddrRecord*>& records, const PhoneKeys& phones);

// The same person: the same non-empty name and at least one shared e-mail address or phone number.
// A name alone is not enough (namesakes), nor one identifier alone (a couple's shared address, a
// family's landline); two nameless contacts must share two identifiers.
bool SmartContactsAgree(const SmartContact& a, const SmartContact& b);

// The blocks a contact is compared within: its name, or, without a name, each of its identifiers.
void AddSmartContactBlocks(const SmartContact& contact, uint32_t index,
                           std::vector<std::pair<uint64_t, uint32_t>>& blocks);

// What smart matching compares of an event.
struct SmartEvent
{
    std::string subject; // normalised
    bool timed = false;  // false when start or end is not a finite time: such an event matches nothing
    bool allDay = false;
    int64_t start = 0; // whole seconds, or the day for an all-day event
    int64_t end = 0;
    bool recurring = false;
    int32_t recurType = 0, recurInterval = 0, recurDayOfWeek = 0, recurDayOfMonth = 0, recurMonthOfYear = 0,
            recurInstance = 0;
    int64_t recurEnd = 0;         // whole seconds; 0 for a series without end
    std::string unreadRecurrence; // the recurrence text of a series whose rule could not be read
};

SmartEvent SmartEventOf(const GDateRecord& record);

// The same event: the same subject, the same start and end instant (all-day events: the same dates,
// and only with another all-day event), and, for a series, the same recurrence; a series never
// matches a single event. Location and note may differ.
bool SmartEventsAgree(const SmartEvent& a, const SmartEvent& b);

void AddSmartEventBlocks(const SmartEvent& event, uint32_t index, std::vector<std::pair<uint64_t, uint32_t>>& blocks);
