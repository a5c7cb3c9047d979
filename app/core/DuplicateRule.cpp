#include "app/core/DuplicateRule.h"

#include "app/core/AppSettings.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

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

bool CxRuleKey::Text(const char* a, const char*, size_t capacity)
{
    if (!a)
        a = "";
    const bool bCase = AppSettings.CaseSensitive;
    size_t i = 0;
    for (; i < capacity && a[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(bCase ? a[i] : std::toupper(static_cast<unsigned char>(a[i])));
        Mix(&c, 1);
    }
    // The end of each text goes into the hash too, or "ab" + "c" would hash as "a" + "bc".
    const unsigned char end = 0;
    Mix(&end, 1);
    if (i > 0)
        m_bEvidence = true;
    return true;
}

bool CxRuleKey::Date(double a, double)
{
    if (std::isnan(a))
        m_bNeverEqual = true;
    // -0.0 == 0 for the rule, but not bit for bit.
    if (a == 0)
        a = 0;
    Mix(&a, sizeof a);
    if (!IsZeroTime(a))
        m_bEvidence = true;
    return true;
}

bool CxRuleKey::Value(int32_t a, int32_t)
{
    Mix(&a, sizeof a);
    return true;
}

void CxRuleKey::Mix(const void* bytes, size_t size)
{
    m_hash = Fnv1a64Bytes(bytes, size, m_hash);
}
