// Pairs the user said are not duplicates, remembered in the data folder so that neither matching
// mode offers them again. A pair is keyed by the identities of its two items as the helpers hand
// them over (the item's name in its account, and for events its calendar), never by their contents,
// so an edited contact stays apart from its namesake.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

enum class PairKind : int32_t { Contact = 1, Event = 2 };

struct NotDuplicatePair
{
    PairKind kind;
    std::string first, second;           // the identities, first < second
    std::string firstLabel, secondLabel; // what the rule dialog shows of each
};

class NotDuplicates
{
public:
    // Reads the pairs kept in path, which the store then saves to. A missing file is an empty list;
    // lines that cannot be read are skipped. False only when the file exists and cannot be read.
    bool Load(const std::string& path);
    // Writes every pair to the file given to Load, readable by its owner only. False when it cannot.
    bool Save() const;

    // False, changing nothing, when either identity is empty or holds a tab or line break, when the
    // two are the same item, or when the pair is known already.
    bool Add(PairKind kind, std::string_view a, std::string_view b, std::string_view labelA, std::string_view labelB);
    bool Contains(PairKind kind, std::string_view a, std::string_view b) const;
    void Remove(size_t index);
    void Clear();
    // Drops the pairs of kind with an item that is not among present; true when any went.
    bool KeepPresent(PairKind kind, const std::unordered_set<std::string>& present);

    const std::vector<NotDuplicatePair>& Pairs() const { return m_pairs; }
    bool HasPairs(PairKind kind) const;

private:
    static std::string IndexKey(PairKind kind, std::string_view a, std::string_view b);
    void Reindex();

    std::string m_path;
    std::vector<NotDuplicatePair> m_pairs;
    std::unordered_set<std::string> m_index;
};

// The one store of the running app, loaded at start-up from the data folder.
extern NotDuplicates g_notDuplicates;

inline constexpr const char* kNotDuplicatesFile = "notduplicates.txt";

// The identity of an item as its helper handed it over; empty when the record carries none.
std::string ContactIdentity(const GAddrRecord& record);
std::string EventIdentity(const GDateRecord& record);
// What a person recognises an item by: a contact's name and first e-mail address, an event's
// subject and start.
std::string ContactLabel(const GAddrRecord& record);
std::string EventLabel(const GDateRecord& record);

// The scans' test for a pair the user keeps apart.
bool ContactsKeptApart(const GAddrRecord* a, const GAddrRecord* b);
bool EventsKeptApart(const GDateRecord* a, const GDateRecord* b);

// Forgets the pairs of kind whose items are not among those the walk hands out, saving the store
// when any went.
template <class Record>
void ForgetVanishedPairs(PairKind kind, Record* (*first)(), Record* (*next)(), std::string (*identityOf)(const Record&))
{
    if (!g_notDuplicates.HasPairs(kind))
        return;
    std::unordered_set<std::string> present;
    for (const Record* r = first(); r; r = next())
        present.insert(identityOf(*r));
    if (g_notDuplicates.KeepPresent(kind, present))
        g_notDuplicates.Save();
}
