#include "helpers/vcard/VCardValue.h"

#include "common/platform/Platform.h"
#include "helpers/base/TextBytes.h"
#include "helpers/vcard/VCardLine.h"

#include <algorithm>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The character an escape stands for, or 0 when the backslash is not an escape.
char Unescaped(char c)
{
    switch (c) {
    case 'n':
    case 'N':
        return '\n';
    case ',':
    case ';':
    case ':':
    case '\\':
        return c;
    default:
        return 0;
    }
}

constexpr char16_t kReplacement = 0xFFFD;

// The bytes of the UTF-8 character at pos, and whether it is well formed (no overlong form, no
// surrogate, nothing past U+10FFFF). A malformed one spans its longest start that could have been
// right, at least one byte, so a cut character becomes one replacement and not one per byte. The
// platform's decoder takes a complete overlong or surrogate sequence as one replacement instead, so
// it cannot serve here without changing what a contact shows.
struct Utf8Step
{
    size_t length;
    bool valid;
};

Utf8Step NextUtf8(std::string_view text, size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80)
        return {1, true};
    size_t trail = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return {1, false};
    }
    for (size_t n = 1; n <= trail; ++n) {
        const auto c = pos + n < text.size() ? static_cast<unsigned char>(text[pos + n]) : 0;
        if (c < low || c > high)
            return {n, false};
        low = 0x80;
        high = 0xBF;
    }
    return {trail + 1, true};
}

std::string WithMalformedReplaced(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) {
        const Utf8Step step = NextUtf8(bytes, pos);
        if (step.valid)
            text.append(bytes.substr(pos, step.length));
        else
            platform::AppendUtf8(text, kReplacement);
        pos += step.length;
    }
    return text;
}

enum class Charset {
    Unnamed,
    Utf8,
    Windows1252,
    Unknown,
};

Charset CharsetNamed(std::string_view name)
{
    struct Alias
    {
        std::string_view name;
        Charset charset;
    };
    // Compared without case, dashes and underscores: "ISO_8859-1", "iso8859-1" and "Latin-1" all
    // occur. Latin-1 is read as Windows-1252, as web browsers do: programs on Windows label their
    // text ISO-8859-1, quotes and euro signs included, and the control characters Latin-1 has at
    // 0x80 to 0x9F never stand in a contact.
    static constexpr Alias kAliases[] = {
        {"", Charset::Unnamed},
        {"usascii", Charset::Unnamed},
        {"ascii", Charset::Unnamed},
        {"utf8", Charset::Utf8},
        {"windows1252", Charset::Windows1252},
        {"cp1252", Charset::Windows1252},
        {"iso88591", Charset::Windows1252},
        {"latin1", Charset::Windows1252},
        {"l1", Charset::Windows1252},
        {"cp819", Charset::Windows1252},
        {"ibm819", Charset::Windows1252},
    };
    std::string key = LowerAscii(name);
    key.erase(std::remove_if(key.begin(), key.end(), [](char c) { return c == '-' || c == '_' || c == ' '; }),
              key.end());
    for (const Alias& alias : kAliases) {
        if (key == alias.name)
            return alias.charset;
    }
    return Charset::Unknown;
}

} // namespace

bool ReadsAsWindows1252(std::string_view bytes, std::string_view charset)
{
    // The check first: naming the character set takes a lower-case copy of its name.
    return !platform::IsValidUtf8(bytes) && CharsetNamed(charset) == Charset::Unnamed;
}

std::string CharsetToUtf8(std::string_view bytes, std::string_view charset)
{
    switch (CharsetNamed(charset)) {
    case Charset::Windows1252:
        return Windows1252ToUtf8(bytes);
    case Charset::Unnamed:
        // Older address books write their own code page with no CHARSET at all; a value that is
        // not UTF-8 as a whole is most likely that, and Windows-1252 is what they mostly use.
        return ReadsAsWindows1252(bytes, charset) ? Windows1252ToUtf8(bytes) : std::string(bytes);
    case Charset::Utf8:
    case Charset::Unknown:
        // Converting Shift_JIS or KOI8-R is beyond us: what reads as UTF-8 is kept, the rest shows
        // as replacement characters rather than as bytes that break the app's text.
        break;
    }
    return WithMalformedReplaced(bytes);
}

std::string DecodeQuotedPrintable(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '=' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            result += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string UnescapeVCardText(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char escaped = text[i] == '\\' && i + 1 < text.size() ? Unescaped(text[i + 1]) : 0;
        if (escaped) {
            result += escaped;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::vector<std::string> SplitVCardValue(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i; // whatever follows a backslash is never a separator
        } else if (text[i] == separator) {
            parts.push_back(UnescapeVCardText(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(UnescapeVCardText(text.substr(start)));
    return parts;
}
