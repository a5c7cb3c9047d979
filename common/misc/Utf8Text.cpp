#include "common/misc/Utf8Text.h"

#include "common/platform/Platform.h"

#include <cstring>

size_t CopyUtf8(char* field, size_t capacity, std::string_view text)
{
    if (capacity == 0)
        return 0;
    // A cut inside a character would leave a broken sequence that the app shows as junk.
    const size_t n = platform::Utf8CutLength(text, capacity - 1);
    if (n > 0) // an empty view may carry no buffer at all
        std::memcpy(field, text.data(), n);
    field[n] = '\0';
    return n;
}
