#include "app/core/ReviewFacts.h"

#include "app/core/AppSettings.h"
#include "app/core/ContactDetailFields.h"
#include "app/core/DuplicateRule.h"
#include "app/core/PhoneKey.h"
#include "app/core/SmartMatch.h"
#include "app/core/SmartText.h"
#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace {

template <size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}

void Append(std::string& out, std::string_view separator, std::string_view text)
{
    if (!out.empty())
        out.append(separator);
    out.append(text);
}

std::string DateText(double value)
{
    char text[32];
    CxDateTime(value).FormatDate(text);
    return text;
}

std::string DateTimeText(double value)
{
    char text[32];
    CxDateTime(value).FormatDateTime(text);
    return text;
}

// Reading a phone number is what makes the facts dear: the review page asks for them row by row, and a
// kept record with many duplicates would have its numbers read again for each. A number once read is
// remembered for as long as the region stays; the table is emptied before it grows past any account.
class PhoneKeyCache
{
public:
    const PhoneKeys& Keys()
    {
        std::string region = DefaultPhoneRegion();
        if (!m_phones || region != m_region) {
            m_phones = std::make_unique<PhoneKeys>(region);
            m_region = std::move(region);
            m_keys.clear();
        }
        return *m_phones;
    }
    const std::string& Key(std::string_view text)
    {
        const PhoneKeys& phones = Keys();
        if (m_keys.size() > kMaxEntries)
            m_keys.clear();
        auto [it, added] = m_keys.try_emplace(std::string(text));
        if (added)
            it->second = phones.Key(text);
        return it->second;
    }

private:
    static constexpr size_t kMaxEntries = 200000;
    std::unique_ptr<PhoneKeys> m_phones;
    std::string m_region;
    std::unordered_map<std::string, std::string> m_keys;
};

PhoneKeyCache& PhoneCache()
{
    static PhoneKeyCache cache;
    return cache;
}

// A number written the plain way: digits and the usual separators, a leading '+' for one with its
// country code. Most numbers in an account are, and two of them can mostly be told apart or alike
// without reading them. Parentheses are taken only in a national number: "+49 (0)30" hides a prefix.
struct PlainNumber
{
    bool plain = false;
    bool international = false;
    std::string digits;
};

PlainNumber ReadPlain(std::string_view text)
{
    PlainNumber n;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') {
        n.international = true;
        text.remove_prefix(1);
    }
    for (char c : text) {
        if (c >= '0' && c <= '9')
            n.digits.push_back(c);
        else if (!(c == ' ' || c == '-' || c == '.' || c == '/' || (!n.international && (c == '(' || c == ')'))))
            return {};
    }
    n.plain = true;
    return n;
}

// Within the digit counts the keys take, as PhoneKeys counts them.
bool IsIdentifierLength(const PlainNumber& n)
{
    return n.digits.size() >= 5 && n.digits.size() <= 20;
}

// A number of a record with its plain form, read once for all the comparisons it takes part in.
struct PhoneText
{
    std::string_view text;
    PlainNumber plain;
};

bool IsPhoneIdentifier(const PhoneText& phone)
{
    return phone.plain.plain ? IsIdentifierLength(phone.plain) && phone.text.size() <= PhoneKeys::kMaxText
                             : !PhoneCache().Key(phone.text).empty();
}

// True or false when the plain forms decide, else nothing is known without reading both.
std::optional<bool> SamePlainNumber(const PlainNumber& a, const PlainNumber& b)
{
    if (!IsIdentifierLength(a) || !IsIdentifierLength(b))
        return false;
    if (a.international == b.international && a.digits == b.digits)
        return true;
    // Every way of writing a number ends in its subscriber number.
    if (a.digits.compare(a.digits.size() - 4, 4, b.digits, b.digits.size() - 4, 4) != 0)
        return false;
    if (a.international != b.international) {
        const PlainNumber& national = a.international ? b : a;
        const PlainNumber& international = a.international ? a : b;
        const PhoneKeys& phones = PhoneCache().Keys();
        const std::string& prefix = phones.NationalPrefix();
        std::string_view local = national.digits;
        if (!prefix.empty() && local.substr(0, prefix.size()) == prefix)
            local.remove_prefix(prefix.size());
        if (!phones.CountryCode().empty() && international.digits == phones.CountryCode() + std::string(local))
            return true;
    }
    return std::nullopt;
}

// The same number, however written; a text that is no number is the same only as itself. Equal texts
// need no reading at all, which is the common case between duplicates.
bool SamePhone(const PhoneText& a, const PhoneText& b)
{
    if (a.text == b.text)
        return true;
    if (a.plain.plain && b.plain.plain && a.text.size() <= PhoneKeys::kMaxText && b.text.size() <= PhoneKeys::kMaxText)
        if (const std::optional<bool> same = SamePlainNumber(a.plain, b.plain))
            return *same;
    const std::string& key = PhoneCache().Key(a.text);
    return !key.empty() && key == PhoneCache().Key(b.text);
}

bool SameEmail(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    const std::string key = EmailKey(a);
    return !key.empty() && key == EmailKey(b);
}

// A text compared as a person reads it: case, accents and spacing aside.
bool SameText(std::string_view a, std::string_view b)
{
    return a == b || NormalizeName(a) == NormalizeName(b);
}

// Web addresses differ in case and in a closing slash without pointing elsewhere.
bool SameWeb(std::string_view a, std::string_view b)
{
    const auto plain = [](std::string_view s) {
        while (!s.empty() && (s.back() == '/' || s.back() == ' '))
            s.remove_suffix(1);
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
        return s;
    };
    a = plain(a);
    b = plain(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A note is kept when the kept record's note holds it, as it does after an earlier merge by hand.
bool NoteKept(std::string_view note, std::string_view keptNote)
{
    while (!note.empty() && std::isspace(static_cast<unsigned char>(note.back())))
        note.remove_suffix(1);
    while (!note.empty() && std::isspace(static_cast<unsigned char>(note.front())))
        note.remove_prefix(1);
    return note.empty() || keptNote.find(note) != std::string_view::npos;
}

// At most this many bytes of a long text, never cut inside a character.
std::string Excerpt(std::string_view text, size_t limit = 60)
{
    std::string out;
    out.reserve(std::min(text.size(), limit) + 3);
    for (char c : text)
        out.push_back(c == '\n' || c == '\r' || c == '\t' ? ' ' : c);
    if (out.size() <= limit)
        return out;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
        --cut;
    out.resize(cut);
    out.append("\xE2\x80\xA6"); // …
    return out;
}

// The texts of a slot family and its primary field, each once, in slot order.
template <size_t K, size_t N>
std::vector<std::string_view> Texts(const char (&slots)[K][N], const char* primary = nullptr, size_t capacity = 0)
{
    std::vector<std::string_view> out;
    const auto add = [&out](std::string_view text) {
        if (!text.empty() && std::find(out.begin(), out.end(), text) == out.end())
            out.push_back(text);
    };
    if (primary)
        add(std::string_view(primary, strnlen(primary, capacity)));
    for (const auto& slot : slots)
        if (slot[0] != '\0')
            add(FieldText(slot));
    return out;
}

std::vector<std::string_view> Emails(const GAddrRecord& r)
{
    return Texts(r.szEmail, r.szEmailPrimary, sizeof r.szEmailPrimary);
}

std::vector<PhoneText> Phones(const GAddrRecord& r)
{
    std::vector<PhoneText> out;
    for (std::string_view text : Texts(r.szPhone, r.szPhonePrimary, sizeof r.szPhonePrimary))
        out.push_back({text, ReadPlain(text)});
    return out;
}

std::vector<std::string_view> Webs(const GAddrRecord& r)
{
    return Texts(r.szWeb, r.szWebPrimary, sizeof r.szWebPrimary);
}

// One address slot as one text: the whole address when the helper gave it, else its parts.
std::string AddressText(const GAddrRecord& r, int slot)
{
    // Most slots are free; their first bytes tell so without measuring every part.
    if (!r.szAddress[slot][0] && !r.szStreet[slot][0] && !r.szPOBox[slot][0] && !r.szNeighborhood[slot][0] &&
        !r.szCity[slot][0] && !r.szState[slot][0] && !r.szPostal[slot][0] && !r.szCountry[slot][0])
        return {};
    std::string whole(FieldText(r.szAddress[slot]));
    if (!whole.empty())
        return whole;
    for (std::string_view part :
         {FieldText(r.szStreet[slot]), FieldText(r.szPOBox[slot]), FieldText(r.szNeighborhood[slot]),
          FieldText(r.szCity[slot]), FieldText(r.szState[slot]), FieldText(r.szPostal[slot]),
          FieldText(r.szCountry[slot])})
        if (!part.empty())
            Append(whole, ", ", part);
    return whole;
}

std::vector<std::string> Addresses(const GAddrRecord& r)
{
    std::vector<std::string> out;
    for (int slot = 0; slot < kAddressSlots; ++slot) {
        std::string text = AddressText(r, slot);
        if (!text.empty())
            out.push_back(std::move(text));
    }
    return out;
}

template <class Texts, class Text, class Same>
bool Holds(const Texts& texts, const Text& text, Same same)
{
    return std::any_of(texts.begin(), texts.end(), [&](const auto& t) { return same(text, t); });
}

std::string_view TextOf(std::string_view text)
{
    return text;
}

std::string_view TextOf(const PhoneText& phone)
{
    return phone.text;
}

// What the duplicate holds in a family that the kept record holds in no form.
template <class Texts, class Same>
void AddLost(std::vector<std::string>& lost, const char* what, const Texts& duplicate, const Texts& kept, Same same)
{
    for (const auto& text : duplicate)
        if (!Holds(kept, text, same))
            lost.push_back(std::string(what) + " " + Excerpt(TextOf(text)));
}

const char* DateCaption(int32_t type)
{
    switch (type) {
    case DATE_BIRTHDAY:
        return "Birthday";
    case DATE_ANNIVERSARY:
        return "Anniversary";
    default:
        return "Date";
    }
}

// A contact's date as "mm/dd/yyyy" for any year a date value can hold: a birthday may well lie before
// the years the list texts show.
std::string DayText(double value)
{
    platform::SystemTime st{};
    if (!VariantTimeToSystemTime(value, &st))
        return "?";
    char text[16];
    FormatText(text, "%02u/%02u/%04u", unsigned{st.wMonth}, unsigned{st.wDay}, unsigned{st.wYear});
    return text;
}

// A date is lost unless the kept record has the same day under the same kind.
void AddLostDates(std::vector<std::string>& lost, const GAddrRecord& d, const GAddrRecord& k)
{
    for (int i = 0; i < kDateSlots; ++i) {
        if (IsZeroTime(d.dtDate[i]) || !std::isfinite(d.dtDate[i]))
            continue;
        bool kept = false;
        for (int j = 0; j < kDateSlots && !kept; ++j)
            kept = k.nDateType[j] == d.nDateType[i] && std::floor(k.dtDate[j]) == std::floor(d.dtDate[i]);
        if (!kept)
            lost.push_back(std::string(DateCaption(d.nDateType[i])) + " " + DayText(d.dtDate[i]));
    }
}

// Slot families are compared slot by slot, the way the rule compares them.
template <size_t K, size_t N>
bool SameSlots(CxRuleMatch& m, const char (&a)[K][N], const char (&b)[K][N])
{
    for (size_t i = 0; i < K; ++i)
        if (!m.Text(a[i], b[i]))
            return false;
    return true;
}

// A field of the rule under the rule dialog's caption, and how the rule compares it.
template <class Record>
struct RuleField
{
    const char* caption;
    bool TAppSettings::*setting;
    bool (*agree)(CxRuleMatch&, const Record&, const Record&);
    bool valueOnly = false; // agreeing proves nothing, yet the rule held the two to it
};

using ContactRuleField = RuleField<GAddrRecord>;
using EventRuleField = RuleField<GDateRecord>;

// The contact rule's fields in the rule dialog's order.
const ContactRuleField kContactRule[] = {
    {"Display Name", &TAppSettings::AddrDisplayName,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) {
         return m.Text(a.szDisplayName, b.szDisplayName);
     }},
    {"Email", &TAppSettings::AddrEmail,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) {
         return SameSlots(m, a.szEmail, b.szEmail) && m.Text(a.szEmailPrimary, b.szEmailPrimary);
     }},
    {"Phone", &TAppSettings::AddrPhone,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) {
         return SameSlots(m, a.szPhone, b.szPhone) && m.Text(a.szPhonePrimary, b.szPhonePrimary);
     }},
    {"Address", &TAppSettings::AddrAddress,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) { return SameSlots(m, a.szAddress, b.szAddress); }},
    {"Company Name", &TAppSettings::AddrCompanyName,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) {
         return m.Text(a.szCompanyName, b.szCompanyName);
     }},
    {"Job Title", &TAppSettings::AddrTitle,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) { return m.Text(a.szJobTitle, b.szJobTitle); }},
    {"Instant Messaging", &TAppSettings::AddrIM,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) { return SameSlots(m, a.szIM, b.szIM); }},
    {"Web Site", &TAppSettings::AddrWebSite,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) { return SameSlots(m, a.szWeb, b.szWeb); }},
    {"Date", &TAppSettings::AddrDate,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) {
         for (int i = 0; i < kDateSlots; ++i)
             if (!m.Date(a.dtDate[i], b.dtDate[i]))
                 return false;
         return true;
     }},
    {"Notes", &TAppSettings::AddrNote,
     [](CxRuleMatch& m, const GAddrRecord& a, const GAddrRecord& b) { return m.Text(a.szNote, b.szNote); }},
};

const EventRuleField kEventRule[] = {
    {"Subject", &TAppSettings::DateSubject,
     [](CxRuleMatch& m, const GDateRecord& a, const GDateRecord& b) { return m.Text(a.szSubject, b.szSubject); }},
    {"Start Time", &TAppSettings::DateStartTime,
     [](CxRuleMatch& m, const GDateRecord& a, const GDateRecord& b) { return m.Date(a.dtStart, b.dtStart); }},
    {"End Time", &TAppSettings::DateEndTime,
     [](CxRuleMatch& m, const GDateRecord& a, const GDateRecord& b) { return m.Date(a.dtEnd, b.dtEnd); }},
    {"All Day Event", &TAppSettings::DateAllDayEvent,
     [](CxRuleMatch& m, const GDateRecord& a, const GDateRecord& b) {
         return m.Value(a.nAllDayEvent != 0, b.nAllDayEvent != 0);
     },
     true},
    {"Location", &TAppSettings::DateLocation,
     [](CxRuleMatch& m, const GDateRecord& a, const GDateRecord& b) { return m.Text(a.szLocation, b.szLocation); }},
    {"Notes", &TAppSettings::DateNote,
     [](CxRuleMatch& m, const GDateRecord& a, const GDateRecord& b) { return m.Text(a.szNote, b.szNote); }},
};

// The switched-on fields on which the two agree with something in them: a field empty in both agreed
// on nothing.
template <class Record, size_t N>
std::string ExactMatchedOn(const RuleField<Record> (&rule)[N], const Record& d, const Record& k)
{
    std::string out;
    for (const RuleField<Record>& field : rule) {
        if (!(AppSettings.*field.setting))
            continue;
        CxRuleMatch m;
        if (field.agree(m, d, k) && (m.HasEvidence() || field.valueOnly))
            Append(out, ", ", field.caption);
    }
    return out;
}

// What smart matching found the two to share: the name, and the e-mail addresses and numbers both hold.
std::string SmartContactMatchedOn(const GAddrRecord& d, const GAddrRecord& k)
{
    std::string out;
    const std::string name = SmartContactName(d);
    if (!name.empty() && name == SmartContactName(k))
        out = "name";
    const std::vector<std::string_view> keptEmails = Emails(k);
    for (std::string_view email : Emails(d))
        if (!EmailKey(email).empty() && Holds(keptEmails, email, SameEmail))
            Append(out, " + ", "email " + std::string(email));
    const std::vector<PhoneText> keptPhones = Phones(k);
    for (const PhoneText& phone : Phones(d))
        if (IsPhoneIdentifier(phone) && Holds(keptPhones, phone, SamePhone))
            Append(out, " + ", "phone " + std::string(phone.text));
    return out;
}

// What smart matching found two events to share, read the way it reads them.
std::string SmartEventMatchedOn(const GDateRecord& d, const GDateRecord& k)
{
    const SmartEvent a = SmartEventOf(d), b = SmartEventOf(k);
    std::string out;
    if (!a.subject.empty() && a.subject == b.subject)
        out = "subject";
    // An all-day event's times are days, another's are instants: the two never compare.
    const bool comparable = a.timed && b.timed && a.allDay == b.allDay;
    if (comparable && a.start == b.start)
        Append(out, " + ", "start");
    if (comparable && a.end == b.end)
        Append(out, " + ", "end");
    if (a.recurring && b.recurring && a.recurType == b.recurType && a.recurInterval == b.recurInterval &&
        a.recurDayOfWeek == b.recurDayOfWeek && a.recurDayOfMonth == b.recurDayOfMonth &&
        a.recurMonthOfYear == b.recurMonthOfYear && a.recurInstance == b.recurInstance && a.recurEnd == b.recurEnd &&
        a.unreadRecurrence == b.unreadRecurrence)
        Append(out, " + ", "recurrence");
    return out;
}

const GAddrRecord* KeptOf(const GAddrRecord& r)
{
    return r.pKept && r.pKept != &r ? r.pKept : nullptr;
}

const GDateRecord* KeptOf(const GDateRecord& r)
{
    return r.pKept && r.pKept != &r ? r.pKept : nullptr;
}

} // namespace

std::string ContactName(const GAddrRecord& r)
{
    std::string name(FieldText(r.szDisplayName));
    if (name.empty())
        for (std::string_view part : {FieldText(r.szFirstName), FieldText(r.szMiddleName), FieldText(r.szLastName)})
            if (!part.empty())
                Append(name, " ", part);
    return name;
}

std::string KeptRecordText(const GAddrRecord& k)
{
    std::string text = ContactName(k);
    const std::vector<std::string_view> emails = Emails(k);
    if (!emails.empty())
        Append(text, " ", "<" + std::string(emails.front()) + ">");
    return text;
}

std::string KeptRecordText(const GDateRecord& k)
{
    std::string text(FieldText(k.szSubject));
    if (!IsZeroTime(k.dtStart))
        Append(text, ", ", k.nAllDayEvent ? DateText(k.dtStart) : DateTimeText(k.dtStart));
    return text;
}

ReviewFacts ContactReviewFacts(const GAddrRecord& duplicate)
{
    ReviewFacts facts;
    const GAddrRecord* kept = KeptOf(duplicate);
    if (!kept)
        return facts;
    const GAddrRecord& d = duplicate;
    const GAddrRecord& k = *kept;
    facts.kept = KeptRecordText(k);
    facts.matchedOn =
        AppSettings.MatchMode == MATCH_SMART ? SmartContactMatchedOn(d, k) : ExactMatchedOn(kContactRule, d, k);
    std::vector<std::string>& lost = facts.wouldBeLost;
    AddLost(lost, "Email", Emails(d), Emails(k), SameEmail);
    AddLost(lost, "Phone", Phones(d), Phones(k), SamePhone);
    AddLost(lost, "Address", Addresses(d), Addresses(k), SameText);
    AddLost(lost, "Web Site", Webs(d), Webs(k), SameWeb);
    AddLostDates(lost, d, k);
    if (!NoteKept(FieldText(d.szNote), FieldText(k.szNote)))
        lost.push_back("Note " + Excerpt(FieldText(d.szNote)));
    return facts;
}

ReviewFacts EventReviewFacts(const GDateRecord& duplicate)
{
    ReviewFacts facts;
    const GDateRecord* kept = KeptOf(duplicate);
    if (!kept)
        return facts;
    const GDateRecord& d = duplicate;
    const GDateRecord& k = *kept;
    facts.kept = KeptRecordText(k);
    facts.matchedOn =
        AppSettings.MatchMode == MATCH_SMART ? SmartEventMatchedOn(d, k) : ExactMatchedOn(kEventRule, d, k);
    const std::string_view location = FieldText(d.szLocation);
    if (!location.empty() && !SameText(location, FieldText(k.szLocation)))
        facts.wouldBeLost.push_back("Location " + Excerpt(location));
    const std::string_view category = FieldText(d.szCategory);
    if (!category.empty() && !SameText(category, FieldText(k.szCategory)))
        facts.wouldBeLost.push_back("Category " + Excerpt(category));
    if (!NoteKept(FieldText(d.szNote), FieldText(k.szNote)))
        facts.wouldBeLost.push_back("Note " + Excerpt(FieldText(d.szNote)));
    return facts;
}

std::string WouldBeLostText(const ReviewFacts& facts)
{
    std::string out;
    for (const std::string& datum : facts.wouldBeLost)
        Append(out, "; ", datum);
    return out;
}

namespace {

// Rows of the comparison in the making; a field empty in both records has no row.
class PairList
{
public:
    void Add(std::string label, std::string duplicate, std::string kept, bool main = false)
    {
        if (duplicate.empty() && kept.empty())
            return;
        FieldPair pair{std::move(label), std::move(duplicate), std::move(kept), false, main};
        pair.differs = CompareText(pair.duplicate.c_str(), pair.kept.c_str()) != 0;
        m_pairs.push_back(std::move(pair));
    }
    void AddFlag(std::string label, bool duplicate, bool kept)
    {
        if (duplicate || kept)
            Add(std::move(label), duplicate ? "Yes" : "No", kept ? "Yes" : "No");
    }
    size_t Size() const { return m_pairs.size(); }
    FieldPair& At(size_t i) { return m_pairs[i]; }
    std::vector<FieldPair> Take() { return std::move(m_pairs); }

private:
    std::vector<FieldPair> m_pairs;
};

// The contact detail dialog's fields in the order it shows them: the name row, its phone list
// (kDetailPhoneFieldIds), the addresses page by page, the custom fields, the note, its misc list.
constexpr int32_t kNameRowIds[] = {FIELD_ID_DISPLAY_NAME, FIELD_ID_COMPANY_NAME, FIELD_ID_JOB_TITLE};
constexpr int32_t kAddressPageCodes[] = {ADDRESS_WORK, ADDRESS_HOME, ADDRESS_OTHER};
constexpr int32_t kAddressPartIds[] = {FIELD_ID_STREET_HOME, FIELD_ID_CITY_HOME, FIELD_ID_STATE_HOME,
                                       FIELD_ID_COUNTRY_HOME, FIELD_ID_POSTAL_HOME};

std::string TimeText(double value)
{
    return IsZeroTime(value) ? std::string() : DateTimeText(value);
}

// Dates share one buffer that the next call overwrites, so each text is copied at once. An unset
// creation or modification time has no text, as in the list.
std::string IdText(const GAddrRecord& r, int32_t id)
{
    if (id == FIELD_ID_CREATED || id == FIELD_ID_MODIFIED)
        return TimeText(id == FIELD_ID_CREATED ? r.dtCreated : r.dtModified);
    return GetFieldText(&r, id);
}

// The field table's names by id, looked up once: the table is searched entry by entry.
const std::string& IdLabel(int32_t id)
{
    static const std::vector<std::string> labels = [] {
        std::vector<std::string> names(FIELD_ID_MODIFIED + 1);
        for (size_t i = 0; i < kAddrFieldCount; ++i) {
            const GAddrFieldInfo& info = GetAddrFieldTable()[i];
            if (info.nId >= 0 && static_cast<size_t>(info.nId) < names.size())
                names[static_cast<size_t>(info.nId)] = std::string(FieldText(info.szName));
        }
        return names;
    }();
    static const std::string none;
    return id >= 0 && static_cast<size_t>(id) < labels.size() ? labels[static_cast<size_t>(id)] : none;
}

std::string CustomText(const GAddrRecord& r, int n)
{
    const std::string_view value = FieldText(r.szCustomField[n]);
    const std::string_view label = FieldText(r.szCustomLabel[n]);
    if (value.empty() || label.empty())
        return std::string(value);
    return std::string(label) + ": " + std::string(value);
}

// The hover text shows one e-mail address and one number: the primary one, else the first shown.
void MarkHoverRow(PairList& pairs, const std::vector<int32_t>& ids, int32_t first, int32_t primary)
{
    auto it = std::find(ids.begin(), ids.end(), primary);
    if (it == ids.end())
        it = std::find_if(ids.begin(), ids.end(), [&](int32_t id) { return id >= first && id < primary; });
    if (it != ids.end())
        pairs.At(static_cast<size_t>(it - ids.begin())).main = true;
}

// The RRULE line of the recurrence text, which says the rule in a line.
std::string RuleLine(const GDateRecord& r)
{
    const std::string_view text = FieldText(r.szRecurrence);
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(at, end - at);
        if (line.substr(0, 6) == "RRULE:")
            return std::string(line.substr(6));
        at = end + 1;
    }
    return std::string(text.empty() ? "" : Excerpt(text));
}

} // namespace

std::vector<FieldPair> CompareContacts(const GAddrRecord& duplicate, const GAddrRecord& kept)
{
    PairList pairs;
    std::vector<int32_t> ids; // the id of each row, to find the hover text's rows afterwards
    const auto add = [&](int32_t id, bool main) {
        const size_t before = pairs.Size();
        pairs.Add(IdLabel(id), IdText(duplicate, id), IdText(kept, id), main);
        if (pairs.Size() > before)
            ids.push_back(id);
    };
    for (int32_t id : kNameRowIds)
        add(id, id != FIELD_ID_JOB_TITLE);
    for (int32_t id : kDetailPhoneFieldIds)
        add(id, false);
    for (int32_t code : kAddressPageCodes)
        for (int32_t home : kAddressPartIds)
            add(FamilyFieldId(home, code), false);
    for (int n = 0; n < kCustomFields; ++n) {
        const size_t before = pairs.Size();
        pairs.Add("Custom Field " + std::to_string(n + 1), CustomText(duplicate, n), CustomText(kept, n));
        if (pairs.Size() > before)
            ids.push_back(FIELD_ID_CUSTOM_FIELD_1 + n);
    }
    add(FIELD_ID_NOTE, false);
    for (int32_t id : kDetailMiscFieldIds)
        add(id, false);
    MarkHoverRow(pairs, ids, FIELD_ID_EMAIL_HOME, FIELD_ID_EMAIL_PRIMARY);
    MarkHoverRow(pairs, ids, FIELD_ID_PHONE_HOME, FIELD_ID_PHONE_PRIMARY);
    return pairs.Take();
}

// The event detail dialog's fields in its order: the general page, the recurrence, the note, the
// misc fields.
std::vector<FieldPair> CompareEvents(const GDateRecord& duplicate, const GDateRecord& kept)
{
    const GDateRecord& d = duplicate;
    const GDateRecord& k = kept;
    PairList pairs;
    pairs.Add("Subject", std::string(FieldText(d.szSubject)), std::string(FieldText(k.szSubject)), true);
    pairs.Add("Start Time", TimeText(d.dtStart), TimeText(k.dtStart), true);
    pairs.Add("End Time", TimeText(d.dtEnd), TimeText(k.dtEnd), true);
    pairs.Add("Location", std::string(FieldText(d.szLocation)), std::string(FieldText(k.szLocation)), true);
    pairs.AddFlag("Alarm", d.nReminderCount != 0, k.nReminderCount != 0);
    pairs.AddFlag("Private", d.nPublishType == 2, k.nPublishType == 2);
    pairs.AddFlag("All Day Event", d.nAllDayEvent != 0, k.nAllDayEvent != 0);
    pairs.Add("Category", std::string(FieldText(d.szCategory)), std::string(FieldText(k.szCategory)));
    pairs.Add("Recurrence", RuleLine(d), RuleLine(k));
    pairs.Add("Recurrence Start", TimeText(d.dtRecurrenceStart), TimeText(k.dtRecurrenceStart));
    pairs.Add("Recurrence End", TimeText(d.dtRecurrenceEnd), TimeText(k.dtRecurrenceEnd));
    pairs.Add("Notes", std::string(FieldText(d.szNote)), std::string(FieldText(k.szNote)));
    pairs.Add("Creation Time", TimeText(d.dtCreated), TimeText(k.dtCreated));
    pairs.Add("Last Modification Time", TimeText(d.dtModified), TimeText(k.dtModified));
    return pairs.Take();
}
