#include "app/core/PhoneKey.h"

#include "common/platform/Platform.h"

#include <phonenumbers/phonenumberutil.h>

#include <cstdlib>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {

bool IsAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimAscii(std::string_view text)
{
    while (!text.empty() && IsAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i]))
            return false;
    return true;
}

constexpr size_t kMinDigits = 5;
constexpr size_t kMaxDigits = 20;

} // namespace

PhoneKeys::PhoneKeys(std::string region)
{
    for (char& c : region)
        c = AsciiUpper(c);
    // The library knows every region it has numbering plans for; any other, "ZZ" included, has
    // calling code 0 and leaves only numbers written with their country code.
    const bool known = region.size() == 2 && PhoneNumberUtil::GetInstance()->GetCountryCodeForRegion(region) != 0;
    m_region = known ? std::move(region) : "ZZ";
    if (known) {
        m_countryCode = std::to_string(PhoneNumberUtil::GetInstance()->GetCountryCodeForRegion(m_region));
        PhoneNumberUtil::GetInstance()->GetNddPrefixForRegion(m_region, true, &m_nationalPrefix);
    }
}

std::string PhoneKeys::Key(std::string_view text) const
{
    if (text.size() > kMaxText)
        return {};
    text = TrimAscii(text);
    if (StartsWithNoCase(text, "tel:"))
        text = TrimAscii(text.substr(4));

    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    const bool utf8 = platform::IsValidUtf8(text);
    std::string digits;
    if (utf8) {
        // Digits of any script count (an Arabic-Indic or full-width number is still a number).
        digits.assign(text);
        util.NormalizeDigitsOnly(&digits);
    } else {
        for (const char c : text)
            if (c >= '0' && c <= '9')
                digits.push_back(c);
    }
    if (digits.size() < kMinDigits || digits.size() > kMaxDigits)
        return {};

    // The library reads UTF-8; bytes that are not UTF-8 have only their digits to go by.
    if (utf8) {
        PhoneNumber number;
        if (util.Parse(std::string(text), m_region, &number) == PhoneNumberUtil::NO_PARSING_ERROR &&
            util.IsPossibleNumber(number)) {
            std::string key;
            util.Format(number, PhoneNumberUtil::E164, &key);
            if (number.has_extension() && !number.extension().empty())
                key.append(";ext=").append(number.extension());
            if (!key.empty() && key.front() == '+')
                return key;
        }
    }
    return kDigitsPrefix + digits;
}

std::string DefaultPhoneRegion()
{
    const char* locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_TELEPHONE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    if (locale == nullptr)
        return "ZZ";
    // language[_territory][.codeset][@modifier]
    std::string_view name(locale);
    name = name.substr(0, name.find_first_of(".@"));
    const size_t underscore = name.find('_');
    if (underscore == std::string_view::npos)
        return "ZZ";
    const std::string_view territory = name.substr(underscore + 1);
    if (territory.size() != 2)
        return "ZZ";
    std::string region;
    for (const char c : territory) {
        const char upper = AsciiUpper(c);
        if (upper < 'A' || upper > 'Z')
            return "ZZ";
        region.push_back(upper);
    }
    return region;
}
