#include "app/core/NotDuplicates.h"

#include "common/google/records/HelperContract.h"
#include "common/misc/CxDateTime.h"
#include "common/platform/Platform.h"

#include <algorithm>
#include <cstring>

NotDuplicates g_notDuplicates;

namespace {

// One pair per line: kind, the two identities and the two labels, separated by tabs.
constexpr char kFieldSeparator = '\t';
constexpr size_t kMaxFileBytes = 16u << 20;

template <size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}

bool IsPlainIdentity(std::string_view id)
{
    return !id.empty() && id.find_first_of("\t\r\n") == std::string_view::npos;
}

// Labels are for show only; a tab or line break in one would break the line it is kept on.
std::string PlainLabel(std::string_view label)
{
    std::string plain(label);
    std::replace_if(
        plain.begin(), plain.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return plain;
}

const char* KindWord(PairKind kind)
{
    return kind == PairKind::Contact ? "contact" : "event";
}

bool ReadKind(std::string_view word, PairKind* kind)
{
    if (word == "contact")
        *kind = PairKind::Contact;
    else if (word == "event")
        *kind = PairKind::Event;
    else
        return false;
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (size_t at = 0;;) {
        const size_t end = line.find(kFieldSeparator, at);
        fields.push_back(line.substr(at, end - at));
        if (end == std::string_view::npos)
            return fields;
        at = end + 1;
    }
}

std::string_view ItemName(std::string_view helperText)
{
    return helperText.substr(0, helperText.find(kItemContentSeparator));
}

} // namespace

bool NotDuplicates::Load(const std::string& path)
{
    m_path = path;
    Clear();
    std::string content;
    if (!platform::FileExists(path.c_str()))
        return true;
    if (!platform::ReadFileContents(path.c_str(), kMaxFileBytes, content))
        return false;
    std::string_view rest(content);
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::vector<std::string_view> f = SplitFields(line);
        PairKind kind;
        if (f.size() == 5 && ReadKind(f[0], &kind))
            Add(kind, f[1], f[2], f[3], f[4]);
    }
    return true;
}

bool NotDuplicates::Save() const
{
    if (m_path.empty())
        return false;
    std::string content;
    for (const NotDuplicatePair& p : m_pairs) {
        content += KindWord(p.kind);
        for (const std::string* field : {&p.first, &p.second, &p.firstLabel, &p.secondLabel}) {
            content += kFieldSeparator;
            content += *field;
        }
        content += '\n';
    }
    return platform::ReplaceFileContents(m_path.c_str(), content, true);
}

bool NotDuplicates::Add(PairKind kind, std::string_view a, std::string_view b, std::string_view labelA,
                        std::string_view labelB)
{
    if (!IsPlainIdentity(a) || !IsPlainIdentity(b) || a == b || Contains(kind, a, b))
        return false;
    if (b < a) {
        std::swap(a, b);
        std::swap(labelA, labelB);
    }
    m_pairs.push_back({kind, std::string(a), std::string(b), PlainLabel(labelA), PlainLabel(labelB)});
    m_index.insert(IndexKey(kind, a, b));
    return true;
}

bool NotDuplicates::Contains(PairKind kind, std::string_view a, std::string_view b) const
{
    if (m_index.empty())
        return false;
    return m_index.count(b < a ? IndexKey(kind, b, a) : IndexKey(kind, a, b)) != 0;
}

void NotDuplicates::Remove(size_t index)
{
    if (index >= m_pairs.size())
        return;
    m_pairs.erase(m_pairs.begin() + static_cast<std::ptrdiff_t>(index));
    Reindex();
}

void NotDuplicates::Clear()
{
    m_pairs.clear();
    m_index.clear();
}

bool NotDuplicates::KeepPresent(PairKind kind, const std::unordered_set<std::string>& present)
{
    const size_t before = m_pairs.size();
    std::erase_if(m_pairs, [&](const NotDuplicatePair& p) {
        return p.kind == kind && (!present.count(p.first) || !present.count(p.second));
    });
    if (m_pairs.size() == before)
        return false;
    Reindex();
    return true;
}

bool NotDuplicates::HasPairs(PairKind kind) const
{
    return std::any_of(m_pairs.begin(), m_pairs.end(), [kind](const NotDuplicatePair& p) { return p.kind == kind; });
}

std::string NotDuplicates::IndexKey(PairKind kind, std::string_view a, std::string_view b)
{
    std::string key(1, static_cast<char>('0' + static_cast<int>(kind)));
    key += a;
    key += '\n';
    key += b;
    return key;
}

void NotDuplicates::Reindex()
{
    m_index.clear();
    for (const NotDuplicatePair& p : m_pairs)
        m_index.insert(IndexKey(p.kind, p.first, p.second));
}

std::string ContactIdentity(const GAddrRecord& record)
{
    return std::string(ItemName(FieldText(record.szHelperText)));
}

std::string EventIdentity(const GDateRecord& record)
{
    // An event's name is unique within its calendar only. The name holds no separator, so the last
    // one tells the two apart even when the calendar's text holds some.
    const std::string_view name = ItemName(FieldText(record.szHelperTextB));
    if (name.empty())
        return {};
    return std::string(FieldText(record.szHelperTextC)) + kItemContentSeparator + std::string(name);
}

std::string ContactLabel(const GAddrRecord& record)
{
    std::string label(FieldText(record.szDisplayName));
    if (label.empty())
        for (std::string_view part :
             {FieldText(record.szFirstName), FieldText(record.szMiddleName), FieldText(record.szLastName)})
            if (!part.empty())
                label += (label.empty() ? "" : " ") + std::string(part);
    std::string_view email = FieldText(record.szEmailPrimary);
    for (const auto& slot : record.szEmail)
        if (email.empty())
            email = FieldText(slot);
    if (!email.empty())
        label += (label.empty() ? "<" : " <") + std::string(email) + ">";
    return label;
}

std::string EventLabel(const GDateRecord& record)
{
    std::string label(FieldText(record.szSubject));
    char when[32] = "";
    CxDateTime start(record.dtStart);
    if (start.m_bValid)
        start.FormatDateTime(when);
    if (when[0])
        label += (label.empty() ? "" : ", ") + std::string(when);
    return label;
}

bool ContactsKeptApart(const GAddrRecord* a, const GAddrRecord* b)
{
    return !g_notDuplicates.Pairs().empty() &&
           g_notDuplicates.Contains(PairKind::Contact, ContactIdentity(*a), ContactIdentity(*b));
}

bool EventsKeptApart(const GDateRecord* a, const GDateRecord* b)
{
    return !g_notDuplicates.Pairs().empty() &&
           g_notDuplicates.Contains(PairKind::Event, EventIdentity(*a), EventIdentity(*b));
}
