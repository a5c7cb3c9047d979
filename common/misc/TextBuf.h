// Bounded copies into the fixed-capacity text buffers that make up our records.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

// Longest path we keep, terminator included.
inline constexpr size_t MAX_PATH = 260;

// Copies src into dst of the given capacity, cut to capacity - 1 bytes and always terminated.
// A null src copies the empty text. Returns the number of bytes copied.
inline size_t CopyText(char* dst, size_t capacity, const char* src)
{
    if (!dst || capacity == 0)
        return 0;
    size_t n = src ? strnlen(src, capacity - 1) : 0;
    if (n)
        std::memmove(dst, src, n);
    dst[n] = '\0';
    return n;
}

template <size_t N>
size_t CopyText(char (&dst)[N], const char* src)
{
    return CopyText(dst, N, src);
}

// snprintf into a buffer whose capacity the compiler knows; the result is cut and terminated.
template <size_t N>
__attribute__((format(printf, 2, 3))) void FormatText(char (&dst)[N], const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(dst, N, format, args);
    va_end(args);
}
