#include "helpers/account/ItemPlace.h"

#include "common/misc/Fnv1a.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace {

constexpr std::string_view kUidKey = "uid=";
constexpr std::string_view kPositionKey = "pos=";

bool IsEscaped(unsigned char c)
{
    return c <= ' ' || c >= 0x7f || c == '%' || c == '/' || c == '\\' || c == ';';
}

std::string Escape(std::string_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!IsEscaped(byte)) {
            out += c;
            continue;
        }
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0xf];
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Only the escapes Escape writes: each byte it escapes and nothing else, so one UID has one place.
bool Unescape(std::string_view text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsEscaped(static_cast<unsigned char>(text[i])) && text[i] != '%')
            return false;
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low < 0 || !IsEscaped(static_cast<unsigned char>(high * 16 + low)))
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return !out.empty();
}

// A decimal number from 1 without leading zeros, the whole of text.
bool ReadCount(std::string_view text, size_t& value)
{
    if (text.empty() || text.front() == '0')
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string FormatItemPlace(const ItemPlace& place)
{
    if (!place.uid.empty())
        return std::string(kUidKey) + Escape(place.uid) + (place.copy > 1 ? ";" + std::to_string(place.copy) : "");
    char text[64];
    std::snprintf(text, sizeof text, "pos=%zu;%08" PRIx32, place.position, place.hash);
    return text;
}

bool ParseItemPlace(std::string_view text, ItemPlace& place)
{
    ItemPlace parsed;
    const size_t semicolon = text.find(';');
    const std::string_view head = text.substr(0, semicolon);
    const std::string_view tail = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
    if (head.substr(0, kUidKey.size()) == kUidKey) {
        if (!Unescape(head.substr(kUidKey.size()), parsed.uid))
            return false;
        // A first copy is written without its number.
        if (semicolon != std::string_view::npos && (!ReadCount(tail, parsed.copy) || parsed.copy < 2))
            return false;
    } else if (head.substr(0, kPositionKey.size()) == kPositionKey) {
        if (!ReadCount(head.substr(kPositionKey.size()), parsed.position) || tail.size() != 8 ||
            tail.find_first_not_of("0123456789abcdef") != std::string_view::npos)
            return false;
        std::from_chars(tail.data(), tail.data() + tail.size(), parsed.hash, 16);
    } else {
        return false;
    }
    place = std::move(parsed);
    return true;
}

std::string NameWithPlace(std::string_view name, std::string_view place)
{
    std::string text(name);
    if (!place.empty()) {
        text += kPlaceSeparator;
        text += place;
    }
    return text;
}

void SplitNameAndPlace(std::string_view text, std::string& name, std::string& place)
{
    const size_t at = text.find(kPlaceSeparator);
    name = std::string(text.substr(0, at));
    place = at == std::string_view::npos ? std::string() : std::string(text.substr(at + 1));
}

ItemIdentity IdentityOfPlacedItem(std::string_view name, std::string_view place, const ContentIdentity& identity)
{
    if (place.empty())
        return IdentityOfItem(name, identity);
    const uint32_t content = Fnv1a32(NameWithContent(NameWithPlace(name, place), identity), kFnv1a32Basis);
    return {IdentityOfName(name).first, static_cast<int32_t>(content)};
}
