// Phone numbers reduced to identifiers for the smart matching mode of the duplicate scan.
#pragma once

#include <string>
#include <string_view>

// Phone numbers as identifiers, through libphonenumber: E.164 ("+491701234567") with the default region for national
// numbers; a leading "tel:" and visual separators are accepted. A text that does not parse as a phone number is
// compared by its digits alone (prefixed so it can never equal an E.164 key), and a text with fewer than 5 digits (or
// more than 20), empty, or absurd is no identifier (""). An extension the number carries follows its E.164 form as
// ";ext=NN": two extensions are two lines. Absurd: longer than kMaxText bytes, more than any phone field holds.
class PhoneKeys
{
public:
    // What starts a key made of the digits alone; E.164 keys start with '+'.
    static constexpr char kDigitsPrefix = '#';
    static constexpr size_t kMaxText = 250;

    explicit PhoneKeys(
        std::string region); // ISO 3166 two-letter region, e.g. "DE"; unknown → "ZZ" (only international numbers parse)
    std::string Key(std::string_view text) const;
    // The region the keys are made for, after the unknown ones became "ZZ".
    const std::string& Region() const { return m_region; }
    // Its country calling code ("49"; empty for "ZZ") and the prefix a national number starts with
    // there ("0"; empty where there is none).
    const std::string& CountryCode() const { return m_countryCode; }
    const std::string& NationalPrefix() const { return m_nationalPrefix; }

private:
    std::string m_region;
    std::string m_countryCode;
    std::string m_nationalPrefix;
};

// The region of the user's locale: from LC_ALL, else LC_TELEPHONE, else LANG (e.g. "de_DE.UTF-8" → "DE"); "ZZ"
// when none names a region ("C", "POSIX", unset). As with the locale itself, the first of them that is set and
// not empty decides.
std::string DefaultPhoneRegion();
