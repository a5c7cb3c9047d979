#include "common/misc/Utf8Text.h"

#include <cstring>

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

size_t CopyUtf8(char* field, size_t capacity, std::string_view text)
{
    if (capacity == 0)
        return 0;
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    // A cut inside a character would leave a broken sequence that the app shows as junk: step back
    // to the start of the character the cut fell into.
    if (n < text.size())
        while (n > 0 && IsContinuationByte(text[n]))
            --n;
    if (n > 0) // an empty view may carry no buffer at all
        std::memcpy(field, text.data(), n);
    field[n] = '\0';
    return n;
}
