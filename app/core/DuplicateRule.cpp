#include "app/core/DuplicateRule.h"

#include "app/core/AppSettings.h"

#include <cctype>
#include <cstdint>

int CompareText(const char* a, const char* b)
{
    return CompareTextN(a, b, SIZE_MAX);
}

int CompareTextN(const char* a, const char* b, size_t capacity)
{
    // A missing text reads as the empty one.
    if (!a)
        a = "";
    if (!b)
        b = "";
    const bool bCase = AppSettings.CaseSensitive;
    for (size_t i = 0; i < capacity; ++i) {
        int ca = static_cast<unsigned char>(a[i]);
        int cb = static_cast<unsigned char>(b[i]);
        if (!bCase) {
            ca = std::toupper(ca);
            cb = std::toupper(cb);
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    // Both fields are full to the capacity and agree on every byte.
    return 0;
}

bool IsZeroTime(double value)
{
    return value > -0.00001 && value < 0.00001;
}

bool CxRuleMatch::Text(const char* a, const char* b, size_t capacity)
{
    if (CompareTextN(a, b, capacity) != 0)
        return false;
    if (a && capacity > 0 && a[0] != '\0')
        m_bEvidence = true;
    return true;
}

bool CxRuleMatch::Date(double a, double b)
{
    if (a != b)
        return false;
    if (!IsZeroTime(a))
        m_bEvidence = true;
    return true;
}
