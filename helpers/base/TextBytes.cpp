#include "helpers/base/TextBytes.h"

#include "common/platform/Platform.h"

namespace {

// Windows-1252 bytes 0x80 to 0x9F.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

size_t LineEndLength(std::string_view text, size_t pos)
{
    if (pos >= text.size())
        return 0;
    if (text[pos] == '\n')
        return 1;
    if (text[pos] != '\r')
        return 0;
    size_t end = pos;
    while (end < text.size() && text[end] == '\r')
        ++end;
    return end < text.size() && text[end] == '\n' ? end + 1 - pos : 1;
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        platform::AppendUtf8(text, b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b));
    }
    return text;
}
