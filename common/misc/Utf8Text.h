// Copying UTF-8 texts into the fixed fields of a record without splitting a character.
#pragma once

#include <cstddef>
#include <string_view>

// Copies text into a field of the given capacity, cut so that it ends on a whole UTF-8 character
// and always terminated. Returns the bytes copied. A capacity of 0 copies nothing.
size_t CopyUtf8(char* field, size_t capacity, std::string_view text);

template <size_t N>
size_t CopyUtf8(char (&field)[N], std::string_view text)
{
    return CopyUtf8(field, N, text);
}
