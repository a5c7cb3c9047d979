// Little-endian byte images of the binary fields, built independently of the code under test.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

inline std::string Int32(int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((bits >> shift) & 0xff);
    return out;
}

inline std::string Double(double value)
{
    const auto bits = std::bit_cast<uint64_t>(value);
    std::string out;
    for (int shift = 0; shift < 64; shift += 8)
        out += static_cast<char>((bits >> shift) & 0xff);
    return out;
}

// A text field: its 4-byte length, then the bytes without terminator.
inline std::string Text(const std::string& text)
{
    return Int32(static_cast<int32_t>(text.size())) + text;
}
