// What the trash dialog shows: the account's deleted contacts and calendar events as the helpers list
// them from the trash, each with its deletion time, and the trash's size. Lists through utilities of
// its own, so the wizard's loaded records and their review state stay untouched.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CxGAddrUtil;
class CxGAppBaseUtil;
class CxGDateUtil;
struct CommAddrRecord;
struct CommDateRecord;
struct GAddrRecord;
struct GDateRecord;

enum class TrashKind { Contacts, Calendar };

// One deleted record of a listing. The records belong to the listing's utility and live until the
// next listing.
struct DeletedItem
{
    TrashKind kind = TrashKind::Contacts;
    GAddrRecord* pContact = nullptr; // contacts
    GDateRecord* pEvent = nullptr;   // calendar
    std::string deletedAt;           // "YYYY-MM-DD HH:MM:SS", or the day only
    bool bChosen = false;            // to be restored

    // "YYYY-MM-DD": what the dialog groups the rows by.
    std::string Day() const { return deletedAt.substr(0, 10); }
};

class DeletedItems
{
public:
    DeletedItems();
    ~DeletedItems();
    DeletedItems(const DeletedItems&) = delete;
    DeletedItems& operator=(const DeletedItems&) = delete;

    // Lists both kinds afresh (every choice is forgotten), the account and the debug log settings
    // taken from AppSettings, the work folder being the data folder. True when both kinds listed;
    // FailureText says why not. Items are newest deletion first; a day-only time sorts after the
    // timed ones of its day.
    bool List();
    // A line for each kind whose last listing or emptying failed, saying why; empty when none did.
    const std::string& FailureText() const { return m_failure; }

    std::vector<DeletedItem>& Items() { return m_items; }
    const std::vector<DeletedItem>& Items() const { return m_items; }
    // Chooses every item deleted at or after since ("YYYY-MM-DD HH:MM:SS", compared as texts) and no
    // other: the deletion run that started then.
    void ChooseDeletedSince(const std::string& since);
    bool AnyChosen() const;

    // The records listed and the bytes the trash's files take, both kinds together.
    uint64_t ItemCount() const { return m_items.size(); }
    uint64_t TrashBytes() const;

    // Removes from the trash of both kinds the deletions at least nDays days old. True when both
    // helpers said what they left; FailureText says why not. The list is not taken again here.
    bool EmptyOlderThan(uint32_t nDays);

    CxGAddrUtil& Contacts() { return *m_pContacts; }
    CxGDateUtil& Calendar() { return *m_pCalendar; }

    // Why a kind's last run did not go through, as far as the runner's outcome, the helper's last
    // error or szTrashError (its result file's error) tell; empty when none of them says anything.
    static std::string RunFailureReason(const CxGAppBaseUtil& util, const char* szTrashError);

private:
    void Configure();
    void NoteFailure(const CxGAppBaseUtil& util, const char* szWhat);

    std::unique_ptr<CxGAddrUtil> m_pContacts;
    std::unique_ptr<CxGDateUtil> m_pCalendar;
    std::vector<DeletedItem> m_items;
    std::string m_failure;
};
