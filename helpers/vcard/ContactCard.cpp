#include "helpers/vcard/ContactCard.h"

#include "common/misc/TextBuf.h"
#include "common/misc/Utf8Text.h"
#include "helpers/base/TextBytes.h"
#include "helpers/vcard/VCardDate.h"
#include "helpers/vcard/VCardLine.h"
#include "helpers/vcard/VCardTypes.h"
#include "helpers/vcard/VCardValue.h"

#include <climits>
#include <map>

namespace {

// The first fault by line; a fault found while mapping values can stand before one found while
// splitting lines.
class FaultLog
{
public:
    void Note(int line, std::string text)
    {
        if (line < m_line) {
            m_line = line;
            m_text = std::move(text);
        }
    }
    const std::string& Text() const { return m_text; }

private:
    int m_line = INT_MAX;
    std::string m_text;
};

std::string LineFault(int line, const char* what)
{
    char text[64];
    FormatText(text, "line %d: %s", line, what);
    return text;
}

std::string_view SkipByteOrderMark(std::string_view text)
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

bool IsBlank(std::string_view text)
{
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsBoundary(const VCardProperty& property, std::string_view name)
{
    std::string_view value = property.value;
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    return property.group.empty() && property.name == name && SameWord(value, "VCARD");
}

// Parameter values reach the record too (a TYPE word names a custom field, LABEL is an address).
// CHARSET speaks of the value only, so they are read as text without a character set.
VCardProperty WithParamsInUtf8(VCardProperty property)
{
    for (VCardParam& param : property.params)
        param.value = CharsetToUtf8(param.value, {});
    return property;
}

struct CardText
{
    bool begun = false;
    std::vector<VCardProperty> properties;
};

// The properties of the first card in text. A card nested in it (a 2.1 AGENT) is passed over whole.
CardText CollectCard(const std::vector<ContactText::Line>& lines, FaultLog& faults)
{
    CardText card;
    int depth = 0;
    for (const auto& [parsed, property] : lines) {
        if (depth == 0) {
            // Whatever precedes the card is not ours to judge.
            if (parsed && IsBoundary(property, "BEGIN")) {
                card.begun = true;
                depth = 1;
            }
            continue;
        }
        if (!parsed)
            faults.Note(property.line, LineFault(property.line, "no colon, skipped"));
        else if (IsBoundary(property, "BEGIN"))
            ++depth;
        else if (IsBoundary(property, "END") && --depth == 0)
            return card;
        else if (depth == 1)
            card.properties.push_back(WithParamsInUtf8(property));
    }
    if (card.begun)
        faults.Note(INT_MAX - 1, "missing END:VCARD"); // after any fault of a line
    return card;
}

// The value's text in UTF-8: the character set applies to the bytes the encoding gives.
std::string Decoded(const VCardProperty& property)
{
    const std::string bytes = property.IsQuotedPrintable() ? DecodeQuotedPrintable(property.value) : property.value;
    return CharsetToUtf8(bytes, property.Param("CHARSET"));
}

// Whether reading the property takes any of its text for Windows-1252, as Decoded and
// WithParamsInUtf8 would. Asked of every line, also of properties the record has no field for: the
// note says what the file holds, and a line of it may yet reach a record through another card.
bool GuessesWindows1252(const VCardProperty& property)
{
    for (const VCardParam& param : property.params)
        if (ReadsAsWindows1252(param.value, {}))
            return true;
    const std::string_view charset = property.Param("CHARSET");
    // Every line of every file is asked: a plain value is looked at where it stands, not copied.
    return property.IsQuotedPrintable() ? ReadsAsWindows1252(DecodeQuotedPrintable(property.value), charset)
                                        : ReadsAsWindows1252(property.value, charset);
}

std::string TextOf(const VCardProperty& property)
{
    return UnescapeVCardText(Decoded(property));
}

// A missing part reads as the empty text (never a null view: CopyUtf8 hands the pointer to memcpy).
std::string_view PartAt(const std::vector<std::string>& parts, size_t index)
{
    return index < parts.size() ? std::string_view(parts[index]) : std::string_view("");
}

void AppendJoined(std::string& list, std::string_view item, std::string_view separator)
{
    if (item.empty())
        return;
    if (!list.empty())
        list += separator;
    list += item;
}

// Drops a URI scheme the value may carry ("tel:", "mailto:"); the record keeps the bare value.
std::string_view WithoutScheme(std::string_view value, std::string_view scheme)
{
    return SameWord(value.substr(0, scheme.size()), scheme) ? value.substr(scheme.size()) : value;
}

// The preferred value of a kind (lowest rank), or its first when none is preferred. Every value takes
// part, also one beyond the family's slots: the address its owner prefers is worth keeping.
class PrimaryChoice
{
public:
    void Offer(std::string_view value, int rank)
    {
        if (m_taken && (rank == -1 || (m_rank != -1 && m_rank <= rank)))
            return;
        m_value = value;
        m_rank = rank;
        m_taken = true;
    }
    const std::string& Value() const { return m_value; }

private:
    std::string m_value;
    int m_rank = -1;
    bool m_taken = false;
};

// Values beyond a family's slots are dropped without a fault: the record simply holds fewer, and a
// card with six e-mail addresses is not a broken card.
template <size_t K, size_t N>
void AddToSlot(int32_t (&codes)[K], char (&values)[K][N], int32_t code, std::string_view text)
{
    for (size_t i = 0; i < K; ++i) {
        if (codes[i] == 0) {
            codes[i] = code;
            CopyUtf8(values[i], text);
            return;
        }
    }
}

class CardReader
{
public:
    CardReader(GAddrRecord& record, FaultLog& faults)
        : m_r(record)
        , m_faults(faults)
    {}

    void Read(const std::vector<VCardProperty>& properties);

private:
    using Handler = void (CardReader::*)(const VCardProperty&, int32_t);
    struct Entry
    {
        std::string_view name;
        Handler handler;
        int32_t code;
    };
    static const Entry kEntries[];

    std::string LabelOf(const VCardProperty& property) const;
    TypeWords WordsOf(const VCardProperty& property) const { return TypeWords(property.Types(), LabelOf(property)); }
    void Finish();

    void DisplayName(const VCardProperty& property, int32_t);
    void Name(const VCardProperty& property, int32_t);
    void Nickname(const VCardProperty& property, int32_t);
    void Organization(const VCardProperty& property, int32_t);
    void Title(const VCardProperty& property, int32_t);
    void Email(const VCardProperty& property, int32_t);
    void Phone(const VCardProperty& property, int32_t);
    void Address(const VCardProperty& property, int32_t);
    void Web(const VCardProperty& property, int32_t);
    void InstantMessaging(const VCardProperty& property, int32_t);
    void ServiceHandle(const VCardProperty& property, int32_t code);
    void Date(const VCardProperty& property, int32_t code);
    void LabelledDate(const VCardProperty& property, int32_t);
    void Relation(const VCardProperty& property, int32_t code);
    void RelatedName(const VCardProperty& property, int32_t);
    void Note(const VCardProperty& property, int32_t);
    void Categories(const VCardProperty& property, int32_t);
    void Revision(const VCardProperty& property, int32_t);

    void AddDate(const VCardProperty& property, int32_t code);
    void AddCustom(std::string_view label, std::string_view value);

    GAddrRecord& m_r;
    FaultLog& m_faults;
    std::map<std::string, std::string> m_labels; // group (lower case) to its X-ABLabel
    std::string m_nameParts[5];                  // N as family, given, additional, prefix, suffix
    std::string m_nicknames;
    std::string m_notes;
    std::string m_categories;
    PrimaryChoice m_email;
    PrimaryChoice m_phone;
    PrimaryChoice m_web;
    PrimaryChoice m_im;
};

const CardReader::Entry CardReader::kEntries[] = {
    {"FN", &CardReader::DisplayName, 0},
    {"N", &CardReader::Name, 0},
    {"NICKNAME", &CardReader::Nickname, 0},
    {"ORG", &CardReader::Organization, 0},
    {"TITLE", &CardReader::Title, 0},
    {"EMAIL", &CardReader::Email, 0},
    {"TEL", &CardReader::Phone, 0},
    {"ADR", &CardReader::Address, 0},
    {"URL", &CardReader::Web, 0},
    {"IMPP", &CardReader::InstantMessaging, 0},
    {"X-GOOGLE-TALK", &CardReader::ServiceHandle, IM_GTALK},
    {"X-GTALK", &CardReader::ServiceHandle, IM_GTALK},
    {"X-AIM", &CardReader::ServiceHandle, IM_AIM},
    {"X-YAHOO", &CardReader::ServiceHandle, IM_YAHOO},
    {"X-SKYPE", &CardReader::ServiceHandle, IM_SKYPE},
    {"X-SKYPE-USERNAME", &CardReader::ServiceHandle, IM_SKYPE},
    {"X-QQ", &CardReader::ServiceHandle, IM_QQ},
    {"X-MSN", &CardReader::ServiceHandle, IM_MSN},
    {"X-ICQ", &CardReader::ServiceHandle, IM_ICQ},
    {"X-JABBER", &CardReader::ServiceHandle, IM_JABBER},
    {"BDAY", &CardReader::Date, DATE_BIRTHDAY},
    {"ANNIVERSARY", &CardReader::Date, DATE_ANNIVERSARY},
    {"X-ANNIVERSARY", &CardReader::Date, DATE_ANNIVERSARY},
    {"X-MS-ANNIVERSARY", &CardReader::Date, DATE_ANNIVERSARY},
    {"X-EVOLUTION-ANNIVERSARY", &CardReader::Date, DATE_ANNIVERSARY},
    {"X-ABDATE", &CardReader::LabelledDate, 0},
    {"X-ABRELATEDNAMES", &CardReader::RelatedName, 0},
    {"RELATED", &CardReader::RelatedName, 0},
    {"X-SPOUSE", &CardReader::Relation, RELATION_SPOUSE},
    {"X-MS-SPOUSE", &CardReader::Relation, RELATION_SPOUSE},
    {"X-EVOLUTION-SPOUSE", &CardReader::Relation, RELATION_SPOUSE},
    {"X-MANAGER", &CardReader::Relation, RELATION_MANAGER},
    {"X-MS-MANAGER", &CardReader::Relation, RELATION_MANAGER},
    {"X-EVOLUTION-MANAGER", &CardReader::Relation, RELATION_MANAGER},
    {"X-ASSISTANT", &CardReader::Relation, RELATION_ASSISTANT},
    {"X-MS-ASSISTANT", &CardReader::Relation, RELATION_ASSISTANT},
    {"X-EVOLUTION-ASSISTANT", &CardReader::Relation, RELATION_ASSISTANT},
    {"NOTE", &CardReader::Note, 0},
    {"CATEGORIES", &CardReader::Categories, 0},
    {"REV", &CardReader::Revision, 0},
};

void CardReader::Read(const std::vector<VCardProperty>& properties)
{
    // Labels name the values of their group wherever in the card they stand (usually after them).
    for (const VCardProperty& property : properties) {
        if (property.name == "X-ABLABEL" && !property.group.empty())
            m_labels.emplace(LowerAscii(property.group), StripLabelDecoration(TextOf(property)));
    }
    for (const VCardProperty& property : properties) {
        for (const Entry& entry : kEntries) {
            if (property.name == entry.name) {
                (this->*entry.handler)(property, entry.code);
                break;
            }
        }
    }
    Finish();
}

std::string CardReader::LabelOf(const VCardProperty& property) const
{
    if (property.group.empty())
        return {};
    const auto found = m_labels.find(LowerAscii(property.group));
    return found == m_labels.end() ? std::string() : found->second;
}

void CardReader::Finish()
{
    // The duplicate rule keys on the display name, so a card without FN still gets one: the name
    // as it is spoken, or the company for a card that only names one.
    if (m_r.szDisplayName[0] == '\0') {
        std::string spoken;
        for (int part : {3, 1, 2, 0, 4})
            AppendJoined(spoken, m_nameParts[part], " ");
        CopyUtf8(m_r.szDisplayName, spoken.empty() ? std::string_view(m_r.szCompanyName) : spoken);
    }
    CopyUtf8(m_r.szNickName, m_nicknames);
    CopyUtf8(m_r.szNote, m_notes);
    CopyUtf8(m_r.szCategory, m_categories);
    CopyUtf8(m_r.szEmailPrimary, m_email.Value());
    CopyUtf8(m_r.szPhonePrimary, m_phone.Value());
    CopyUtf8(m_r.szWebPrimary, m_web.Value());
    CopyUtf8(m_r.szIMPrimary, m_im.Value());
}

void CardReader::DisplayName(const VCardProperty& property, int32_t)
{
    if (m_r.szDisplayName[0] == '\0')
        CopyUtf8(m_r.szDisplayName, TextOf(property));
}

void CardReader::Name(const VCardProperty& property, int32_t)
{
    if (m_r.szLastName[0] || m_r.szFirstName[0] || m_r.szMiddleName[0])
        return;
    const std::vector<std::string> parts = SplitVCardValue(Decoded(property), ';');
    for (size_t i = 0; i < std::size(m_nameParts); ++i)
        m_nameParts[i] = PartAt(parts, i);
    CopyUtf8(m_r.szLastName, m_nameParts[0]);
    CopyUtf8(m_r.szFirstName, m_nameParts[1]);
    CopyUtf8(m_r.szMiddleName, m_nameParts[2]);
}

void CardReader::Nickname(const VCardProperty& property, int32_t)
{
    for (const std::string& name : SplitVCardValue(Decoded(property), ','))
        AppendJoined(m_nicknames, name, ", ");
}

void CardReader::Organization(const VCardProperty& property, int32_t)
{
    // The record has no department: only the company (the first part) is kept.
    if (m_r.szCompanyName[0] == '\0')
        CopyUtf8(m_r.szCompanyName, PartAt(SplitVCardValue(Decoded(property), ';'), 0));
}

void CardReader::Title(const VCardProperty& property, int32_t)
{
    if (m_r.szJobTitle[0] == '\0')
        CopyUtf8(m_r.szJobTitle, TextOf(property));
}

void CardReader::Email(const VCardProperty& property, int32_t)
{
    const std::string text = TextOf(property);
    const std::string_view address = WithoutScheme(text, "mailto:");
    if (address.empty())
        return;
    AddToSlot(m_r.nEmailType, m_r.szEmail, EmailTypeCode(WordsOf(property)), address);
    m_email.Offer(address, property.PrefRank());
}

void CardReader::Phone(const VCardProperty& property, int32_t)
{
    const std::string text = TextOf(property);
    const std::string_view number = WithoutScheme(text, "tel:");
    if (number.empty())
        return;
    AddToSlot(m_r.nPhoneType, m_r.szPhone, PhoneTypeCode(WordsOf(property)), number);
    m_phone.Offer(number, property.PrefRank());
}

void CardReader::Address(const VCardProperty& property, int32_t)
{
    const std::vector<std::string> parts = SplitVCardValue(Decoded(property), ';');
    std::string street(PartAt(parts, 2));
    AppendJoined(street, PartAt(parts, 1), ", "); // the extended address ("Suite 200") follows the street
    // A 4.0 LABEL parameter is the address as its owner writes it; otherwise the parts in a row.
    std::string whole = UnescapeVCardText(property.Param("LABEL"));
    if (whole.empty()) {
        for (std::string_view part : {PartAt(parts, 0), std::string_view(street), PartAt(parts, 3), PartAt(parts, 4),
                                      PartAt(parts, 5), PartAt(parts, 6)})
            AppendJoined(whole, part, ", ");
    }
    if (whole.empty())
        return;
    for (size_t i = 0; i < std::size(m_r.nAddressType); ++i) {
        if (m_r.nAddressType[i] != 0)
            continue;
        m_r.nAddressType[i] = AddressTypeCode(WordsOf(property));
        CopyUtf8(m_r.szAddress[i], whole);
        CopyUtf8(m_r.szPOBox[i], PartAt(parts, 0));
        CopyUtf8(m_r.szStreet[i], street);
        CopyUtf8(m_r.szCity[i], PartAt(parts, 3));
        CopyUtf8(m_r.szState[i], PartAt(parts, 4));
        CopyUtf8(m_r.szPostal[i], PartAt(parts, 5));
        CopyUtf8(m_r.szCountry[i], PartAt(parts, 6));
        return;
    }
}

void CardReader::Web(const VCardProperty& property, int32_t)
{
    const std::string url = TextOf(property);
    if (url.empty())
        return;
    AddToSlot(m_r.nWebType, m_r.szWeb, WebTypeCode(WordsOf(property)), url);
    m_web.Offer(url, property.PrefRank());
}

void CardReader::InstantMessaging(const VCardProperty& property, int32_t)
{
    const ImAddress im = SplitImAddress(TextOf(property), property.Param("X-SERVICE-TYPE"));
    if (im.handle.empty())
        return;
    const int32_t code = ImServiceCode(im.service);
    // No slot code stands for other services: the custom fields keep them under the service name.
    if (code == 0)
        AddCustom(im.service.empty() ? "IM" : im.service, im.handle);
    else
        AddToSlot(m_r.nIMType, m_r.szIM, code, im.handle);
    m_im.Offer(im.handle, property.PrefRank());
}

void CardReader::ServiceHandle(const VCardProperty& property, int32_t code)
{
    const std::string handle = TextOf(property);
    if (handle.empty())
        return;
    AddToSlot(m_r.nIMType, m_r.szIM, code, handle);
    m_im.Offer(handle, property.PrefRank());
}

void CardReader::Date(const VCardProperty& property, int32_t code)
{
    // A 4.0 date may be free text ("circa 1800"): a valid card, but no date to keep.
    if (!SameWord(property.Param("VALUE"), "text"))
        AddDate(property, code);
}

void CardReader::LabelledDate(const VCardProperty& property, int32_t)
{
    AddDate(property, WordsOf(property).Means("anniversary") ? DATE_ANNIVERSARY : DATE_OTHER);
}

void CardReader::AddDate(const VCardProperty& property, int32_t code)
{
    const std::string text = TextOf(property);
    double value = 0;
    if (!ParseVCardDate(text, &value)) {
        if (!IsDayLessVCardDate(text))
            m_faults.Note(property.line, LineFault(property.line, "bad date, skipped"));
        return;
    }
    for (size_t i = 0; i < std::size(m_r.nDateType); ++i) {
        if (m_r.nDateType[i] == 0) {
            m_r.nDateType[i] = code;
            m_r.dtDate[i] = value;
            return;
        }
    }
}

void CardReader::Relation(const VCardProperty& property, int32_t code)
{
    const std::string name = TextOf(property);
    if (!name.empty())
        AddToSlot(m_r.nRelationType, m_r.szRelation, code, name);
}

void CardReader::RelatedName(const VCardProperty& property, int32_t)
{
    const std::string name = TextOf(property);
    // A 4.0 RELATED may point at another card by its UID, which names nobody we could show.
    if (name.empty() || SameWord(std::string_view(name).substr(0, 4), "urn:"))
        return;
    const TypeWords words = WordsOf(property);
    const int32_t code = RelationCode(words);
    // Relations the record has no code for (child, friend, ...) keep their kind as a custom label.
    if (code == 0)
        AddCustom(words.Name().empty() ? "Related" : words.Name(), name);
    else
        AddToSlot(m_r.nRelationType, m_r.szRelation, code, name);
}

void CardReader::AddCustom(std::string_view label, std::string_view value)
{
    for (size_t i = 0; i < std::size(m_r.szCustomLabel); ++i) {
        if (m_r.szCustomLabel[i][0] == '\0' && m_r.szCustomField[i][0] == '\0') {
            CopyUtf8(m_r.szCustomLabel[i], label);
            CopyUtf8(m_r.szCustomField[i], value);
            return;
        }
    }
}

void CardReader::Note(const VCardProperty& property, int32_t)
{
    AppendJoined(m_notes, TextOf(property), "\n");
}

void CardReader::Categories(const VCardProperty& property, int32_t)
{
    for (const std::string& category : SplitVCardValue(Decoded(property), ','))
        AppendJoined(m_categories, category, ",");
}

void CardReader::Revision(const VCardProperty& property, int32_t)
{
    if (m_r.dtModified != 0)
        return;
    if (!ParseVCardTimestamp(TextOf(property), &m_r.dtModified))
        m_faults.Note(property.line, LineFault(property.line, "bad date, skipped"));
}

} // namespace

ContactText::ContactText(std::string_view text)
{
    for (const VCardLine& line : UnfoldVCardLines(SkipByteOrderMark(text))) {
        if (IsBlank(line.text))
            continue;
        Line& parsed = m_lines.emplace_back();
        parsed.parsed = ParseVCardLine(line, parsed.property);
        m_windows1252 = m_windows1252 || (parsed.parsed && GuessesWindows1252(parsed.property));
    }
}

std::vector<std::string> ContactText::Notes() const
{
    if (!m_windows1252)
        return {};
    return {kReadAsWindows1252Note};
}

bool ContactText::Read(GAddrRecord& record, std::string& problem) const
{
    FaultLog faults;
    const CardText card = CollectCard(m_lines, faults);
    if (!card.begun) {
        problem = "no BEGIN:VCARD";
        return false;
    }
    CardReader(record, faults).Read(card.properties);
    problem = faults.Text();
    return true;
}

size_t ContactText::Count() const
{
    // A miscount low loses data (the one card served stands for the file, and deleting it moves
    // them all), a miscount high only leaves the file out. So a card inside a card is taken as
    // nested only where 2.1 writes one, right after an empty AGENT value; any other BEGIN starts
    // a further card (the one before it lacking its END).
    size_t count = 0;
    int depth = 0;
    bool afterAgent = false;
    for (const auto& [parsed, property] : m_lines) {
        if (parsed && IsBoundary(property, "BEGIN")) {
            depth = depth > 0 && afterAgent ? depth + 1 : 1;
            count += depth == 1 ? 1 : 0;
        } else if (parsed && IsBoundary(property, "END") && depth > 0) {
            --depth;
        }
        afterAgent = parsed && property.name == "AGENT" && IsBlank(property.value);
    }
    return count;
}

bool ReadContactCard(std::string_view text, GAddrRecord& record, std::string& problem)
{
    return ContactText(text).Read(record, problem);
}

size_t CountContactCards(std::string_view text)
{
    return ContactText(text).Count();
}
