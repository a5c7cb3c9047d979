// The text encodings of the platform layer: plain C++, the same on every operating system.
#include "common/platform/Platform.h"

#include <cstring>

namespace platform {

namespace {

bool IsContinuationByte(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at p (bounded by end); returns U+FFFD for malformed input, with valid
// false, and always advances by at least one byte. A sequence whose continuation bytes are all there
// but that is overlong, a surrogate or beyond U+10FFFF is taken whole as one replacement.
char32_t DecodeUtf8(const unsigned char*& p, const unsigned char* end, bool& valid)
{
    valid = false;
    unsigned char lead = *p++;
    if (lead < 0x80) {
        valid = true;
        return lead;
    }
    int extra = (lead >= 0xF0 && lead <= 0xF4) ? 3 : (lead >= 0xE0) ? 2 : (lead >= 0xC2 && lead < 0xE0) ? 1 : -1;
    if (extra < 0 || lead > 0xF4)
        return 0xFFFD;
    char32_t cp = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (p >= end || !IsContinuationByte(*p))
            return 0xFFFD;
        cp = (cp << 6) | (*p++ & 0x3F);
    }
    bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    valid = true;
    return cp;
}

size_t EncodeUtf8(char32_t cp, char out[4])
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace

std::u16string Utf8ToUtf16(const char* text, size_t maxUnits)
{
    std::u16string out;
    if (!text)
        return out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* end = p + std::strlen(text);
    while (p < end) {
        bool valid = false;
        char32_t cp = DecodeUtf8(p, end, valid);
        size_t units = cp >= 0x10000 ? 2 : 1;
        if (out.size() + units > maxUnits)
            break;
        if (units == 2) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

size_t Utf16ToUtf8(const char16_t* text, size_t units, char* buffer, size_t capacity)
{
    if (!buffer || capacity == 0)
        return 0;
    size_t used = 0;
    for (size_t i = 0; text && i < units;) {
        char32_t cp = text[i++];
        if (cp >= 0xD800 && cp <= 0xDBFF && i < units && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD; // a lone surrogate
        char bytes[4];
        size_t n = EncodeUtf8(cp, bytes);
        if (used + n + 1 > capacity)
            break;
        std::memcpy(buffer + used, bytes, n);
        used += n;
    }
    buffer[used] = '\0';
    return used;
}

void AppendUtf8(std::string& text, char32_t cp)
{
    char bytes[4];
    text.append(bytes, EncodeUtf8(cp, bytes));
}

bool IsValidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        bool valid = false;
        DecodeUtf8(p, end, valid);
        if (!valid)
            return false;
    }
    return true;
}

size_t Utf8CutLength(std::string_view text, size_t maxBytes)
{
    if (maxBytes >= text.size())
        return text.size();
    // A cut inside a character would leave a broken sequence: step back to the start of the
    // character the cut fell into.
    size_t n = maxBytes;
    while (n > 0 && IsContinuationByte(static_cast<unsigned char>(text[n])))
        --n;
    return n;
}

} // namespace platform
