#include "helpers/VCardValue.h"

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

} // namespace

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
