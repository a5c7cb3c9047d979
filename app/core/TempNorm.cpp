#include "app/core/PhoneKey.h"
#include "app/core/SmartText.h"
#include <cctype>
std::string NormalizeName(std::string_view t)
{
    std::string s;
    bool sp = false;
    for (char c : t) {
        if (isspace((unsigned char)c)) {
            sp = !s.empty();
            continue;
        }
        if (sp)
            s += ' ';
        sp = false;
        s += (char)tolower((unsigned char)c);
    }
    while (!s.empty() && ispunct((unsigned char)s.back()))
        s.pop_back();
    while (!s.empty() && ispunct((unsigned char)s.front()))
        s.erase(0, 1);
    auto c = s.find(',');
    if (c != std::string::npos && s.find(',', c + 1) == std::string::npos && c > 0 && c + 1 < s.size()) {
        std::string last = s.substr(0, c), first = s.substr(c + 1);
        while (!first.empty() && first[0] == ' ')
            first.erase(0, 1);
        while (!last.empty() && last.back() == ' ')
            last.pop_back();
        s = first + " " + last;
    }
    return s;
}
std::string NormalizeNameParts(std::string_view f, std::string_view m, std::string_view l)
{
    std::string s(f);
    s += " ";
    s += m;
    s += " ";
    s += l;
    return NormalizeName(s);
}
std::string EmailKey(std::string_view t)
{
    std::string s;
    for (char c : t)
        if (!isspace((unsigned char)c))
            s += (char)tolower((unsigned char)c);
    if (s.rfind("mailto:", 0) == 0)
        s = s.substr(7);
    auto a = s.find('@');
    if (a == std::string::npos || a == 0 || a + 1 == s.size())
        return {};
    return s;
}
std::string PhoneKeys::Key(std::string_view t) const
{
    std::string d;
    for (char c : t)
        if (isdigit((unsigned char)c))
            d += c;
    if (d.size() < 5 || d.size() > 20)
        return {};
    if (d[0] == '0')
        d = "49" + d.substr(1);
    return "+" + d;
}
std::string DefaultPhoneRegion()
{
    return "DE";
}
