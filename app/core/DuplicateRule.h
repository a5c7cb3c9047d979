// The pieces every duplicate rule and keep-choice shares: text comparison under the case setting,
// the unset time, and the evidence two records must share before they count as duplicates.
#pragma once

#include <cstddef>

// 0 when the two zero-terminated texts are equal: byte by byte when CaseSensitive is on, otherwise
// after mapping both to upper case with the C library's locale.
int CompareText(const char* a, const char* b);
// The same for texts in fixed-capacity fields: nothing past the capacity is read, even when a field
// lost its terminator.
int CompareTextN(const char* a, const char* b, size_t capacity);

// True for a date-time value that counts as unset.
bool IsZeroTime(double value);

// Compares two records field by field under a rule. Agreeing on emptiness proves nothing: two records
// are duplicates only when they agree on every compared field and share at least one non-empty text
// or one set date. So contacts without names and e-mail addresses never group, and a rule with every
// field switched off matches nothing.
class CxRuleMatch
{
public:
    // False when the fields differ.
    template <size_t N>
    bool Text(const char (&a)[N], const char (&b)[N])
    {
        return Text(a, b, N);
    }
    bool Text(const char* a, const char* b, size_t capacity);
    // Dates agree only when their 8-byte values are exactly equal.
    bool Date(double a, double b);

    // True once an agreeing field held something.
    bool HasEvidence() const { return m_bEvidence; }

private:
    bool m_bEvidence = false;
};
