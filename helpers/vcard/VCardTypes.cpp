#include "helpers/vcard/VCardTypes.h"

#include "helpers/vcard/VCardLine.h"

#include <algorithm>

namespace {

// A rule of a code table: the code applies when the value means word (and also, when given).
struct WordCode
{
    std::string_view word;
    std::string_view also;
    int32_t code;
};

// The first rule that applies decides, so the more particular words come first ("cell" before
// "home" for a home mobile, "homepage" before "home").
template <size_t N>
int32_t FirstCode(const TypeWords& words, const WordCode (&rules)[N], int32_t fallback)
{
    for (const WordCode& rule : rules) {
        if (words.Means(rule.word) && (rule.also.empty() || words.Means(rule.also)))
            return rule.code;
    }
    return fallback;
}

constexpr WordCode kEmailCodes[] = {{"home", {}, EMAIL_HOME}, {"work", {}, EMAIL_WORK}};
constexpr WordCode kAddressCodes[] = {{"home", {}, ADDRESS_HOME}, {"work", {}, ADDRESS_WORK}};

// A fax without home or work is most likely an office line.
constexpr WordCode kPhoneCodes[] = {
    {"cell", {}, PHONE_MOBILE}, {"mobile", {}, PHONE_MOBILE}, {"iphone", {}, PHONE_MOBILE}, {"fax", "home", FAX_HOME},
    {"fax", {}, FAX_WORK},      {"pager", {}, PHONE_PAGER},   {"home", {}, PHONE_HOME},     {"work", {}, PHONE_WORK},
};

constexpr WordCode kWebCodes[] = {
    {"homepage", {}, WEB_HOME_PAGE}, {"home-page", {}, WEB_HOME_PAGE}, {"home page", {}, WEB_HOME_PAGE},
    {"blog", {}, WEB_BLOG},          {"profile", {}, WEB_PROFILE},     {"ftp", {}, WEB_FTP},
    {"home", {}, WEB_HOME},          {"work", {}, WEB_WORK},
};

struct NameCode
{
    std::string_view name;
    int32_t code;
};

constexpr NameCode kRelationCodes[] = {
    {"spouse", RELATION_SPOUSE},       {"wife", RELATION_SPOUSE},   {"husband", RELATION_SPOUSE},
    {"mother", RELATION_MOTHER},       {"father", RELATION_FATHER}, {"manager", RELATION_MANAGER},
    {"assistant", RELATION_ASSISTANT},
};

constexpr NameCode kImServices[] = {
    {"gtalk", IM_GTALK}, {"googletalk", IM_GTALK}, {"aim", IM_AIM},       {"yahoo", IM_YAHOO},
    {"ymsgr", IM_YAHOO}, {"skype", IM_SKYPE},      {"qq", IM_QQ},         {"msn", IM_MSN},
    {"msnim", IM_MSN},   {"icq", IM_ICQ},          {"jabber", IM_JABBER}, {"xmpp", IM_JABBER},
};

bool IsSchemeChar(char c, bool first)
{
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return letter || (!first && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
}

size_t SchemeLength(std::string_view value)
{
    const size_t colon = value.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return 0;
    for (size_t i = 0; i < colon; ++i) {
        if (!IsSchemeChar(value[i], i == 0))
            return 0;
    }
    return colon;
}

enum class CharClass {
    Lower,
    Upper,
    Digit,
    Other, // a blank, a dash or any other separator
};

CharClass ClassOf(char c)
{
    if (c >= 'a' && c <= 'z')
        return CharClass::Lower;
    if (c >= 'A' && c <= 'Z')
        return CharClass::Upper;
    if (c >= '0' && c <= '9')
        return CharClass::Digit;
    // Bytes of non-ASCII letters count as lower case, so "Büro" stays one word.
    return static_cast<unsigned char>(c) >= 0x80 ? CharClass::Lower : CharClass::Other;
}

bool IsLetter(CharClass c)
{
    return c == CharClass::Lower || c == CharClass::Upper;
}

// Whether a word of the label may begin or end between text[at - 1] and text[at]: at either end,
// next to a separator, between letters and digits, and where the case changes as in "HomeFAX",
// "FAXHome" and "iPhone".
bool IsWordBoundary(std::string_view text, size_t at)
{
    if (at == 0 || at >= text.size())
        return true;
    const CharClass before = ClassOf(text[at - 1]);
    const CharClass after = ClassOf(text[at]);
    if (before == CharClass::Other || after == CharClass::Other || IsLetter(before) != IsLetter(after))
        return true;
    if (before == CharClass::Lower && after == CharClass::Upper)
        return true;
    return before == CharClass::Upper && after == CharClass::Upper && at + 1 < text.size() &&
           ClassOf(text[at + 1]) == CharClass::Lower;
}

} // namespace

std::string StripLabelDecoration(std::string_view label)
{
    constexpr std::string_view kOpen = "_$!<";
    constexpr std::string_view kClose = ">!$_";
    if (label.size() >= kOpen.size() + kClose.size() && label.substr(0, kOpen.size()) == kOpen &&
        label.substr(label.size() - kClose.size()) == kClose)
        label = label.substr(kOpen.size(), label.size() - kOpen.size() - kClose.size());
    return std::string(label);
}

TypeWords::TypeWords(std::vector<std::string> types, std::string label)
    : m_types(std::move(types))
    , m_label(std::move(label))
    , m_lowerLabel(LowerAscii(m_label))
{}

bool TypeWords::Means(std::string_view word) const
{
    if (std::find(m_types.begin(), m_types.end(), word) != m_types.end())
        return true;
    // Boundaries are read in the label as written: the case changes are gone from the lower copy.
    for (size_t at = m_lowerLabel.find(word); at != std::string::npos; at = m_lowerLabel.find(word, at + 1)) {
        if (IsWordBoundary(m_label, at) && IsWordBoundary(m_label, at + word.size()))
            return true;
    }
    return false;
}

bool TypeWords::Is(std::string_view word) const
{
    return std::find(m_types.begin(), m_types.end(), word) != m_types.end() || m_lowerLabel == word;
}

std::string TypeWords::Name() const
{
    if (!m_label.empty() || m_types.empty())
        return m_label;
    std::string name = m_types.front();
    name[0] = UpperAscii(name.substr(0, 1))[0];
    return name;
}

int32_t EmailTypeCode(const TypeWords& words)
{
    return FirstCode(words, kEmailCodes, EMAIL_OTHER);
}

int32_t AddressTypeCode(const TypeWords& words)
{
    return FirstCode(words, kAddressCodes, ADDRESS_OTHER);
}

int32_t PhoneTypeCode(const TypeWords& words)
{
    return FirstCode(words, kPhoneCodes, PHONE_OTHER);
}

int32_t WebTypeCode(const TypeWords& words)
{
    return FirstCode(words, kWebCodes, WEB_OTHER);
}

int32_t RelationCode(const TypeWords& words)
{
    // Whole names only: a label "Grandmother" must not read as Mother.
    for (const NameCode& relation : kRelationCodes) {
        if (words.Is(relation.name))
            return relation.code;
    }
    return 0;
}

ImAddress SplitImAddress(std::string_view value, std::string_view serviceType)
{
    ImAddress im;
    const size_t schemeLength = SchemeLength(value);
    im.service = std::string(serviceType.empty() ? value.substr(0, schemeLength) : serviceType);
    std::string_view handle = schemeLength ? value.substr(schemeLength + 1) : value;
    if (handle.substr(0, 2) == "//")
        handle.remove_prefix(2);
    // "aim:goim?screenname=ann" names the handle in its query; elsewhere the query is an action.
    const size_t screenName = LowerAscii(handle).find("screenname=");
    if (screenName != std::string::npos) {
        handle.remove_prefix(screenName + 11);
        handle = handle.substr(0, handle.find('&'));
    } else {
        handle = handle.substr(0, handle.find('?'));
    }
    im.handle = std::string(handle);
    return im;
}

int32_t ImServiceCode(std::string_view service)
{
    std::string key = LowerAscii(service);
    key.erase(std::remove_if(key.begin(), key.end(), [](char c) { return c == ' ' || c == '-' || c == '_'; }),
              key.end());
    for (const NameCode& known : kImServices) {
        if (key == known.name)
            return known.code;
    }
    return 0;
}
