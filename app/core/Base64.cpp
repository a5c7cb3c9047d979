#include "app/core/Base64.h"

#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

bool Base64Encode(const unsigned char* data, size_t size, char* out, size_t capacity)
{
    if (!out || capacity == 0)
        return false;
    out[0] = '\0';
    if ((size + 2) / 3 * 4 + 1 > capacity)
        return false;
    size_t o = 0;
    for (size_t i = 0; i < size; i += 3) {
        unsigned long group = static_cast<unsigned long>(data[i]) << 16;
        if (i + 1 < size)
            group |= static_cast<unsigned long>(data[i + 1]) << 8;
        if (i + 2 < size)
            group |= data[i + 2];
        out[o++] = kAlphabet[(group >> 18) & 63];
        out[o++] = kAlphabet[(group >> 12) & 63];
        out[o++] = i + 1 < size ? kAlphabet[(group >> 6) & 63] : '=';
        out[o++] = i + 2 < size ? kAlphabet[group & 63] : '=';
    }
    out[o] = '\0';
    return true;
}

size_t Base64Decode(const char* text, unsigned char* out, size_t capacity)
{
    if (!out || capacity == 0)
        return 0;
    size_t used = 0;
    const size_t length = text ? std::strlen(text) : 0;
    for (size_t g = 0; g < length; g += 4) {
        unsigned long group = 0;
        int valid = 0;
        while (valid < 4 && g + valid < length) {
            int v = SextetOf(text[g + valid]);
            if (v < 0)
                break;
            group |= static_cast<unsigned long>(v) << (18 - 6 * valid);
            ++valid;
        }
        // n valid characters complete n - 1 bytes.
        for (int b = 0; b + 1 < valid && used + 1 < capacity; ++b)
            out[used++] = static_cast<unsigned char>((group >> (16 - 8 * b)) & 0xFF);
    }
    out[used] = '\0';
    return used;
}
