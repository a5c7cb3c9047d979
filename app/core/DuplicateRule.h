// The pieces every duplicate rule and keep-choice shares: text comparison under the case setting,
// the unset time, and the evidence two records must share before they count as duplicates.
#pragma once

#include "common/misc/Fnv1a.h"

#include <cstddef>
#include <cstdint>

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
    // Dates agree only when they are equal as numbers: -0.0 equals 0, NaN equals nothing.
    bool Date(double a, double b);
    // Compared, but proves nothing on its own.
    bool Value(int32_t a, int32_t b) { return a == b; }

    // True once an agreeing field held something.
    bool HasEvidence() const { return m_bEvidence; }

private:
    bool m_bEvidence = false;
};

// The same walk over one record's fields, hashing what the rule compares the way it compares it (upper
// case unless CaseSensitive; every zero alike), so that two records the rule finds the same always
// hash alike. Records with equal hashes still need the rule itself: a hash can collide.
class CxRuleKey
{
public:
    // The second record is ignored: pass the one record twice.
    template <size_t N>
    bool Text(const char (&a)[N], const char (&)[N])
    {
        return Text(a, nullptr, N);
    }
    bool Text(const char* a, const char*, size_t capacity);
    bool Date(double a, double);
    bool Value(int32_t a, int32_t);

    // False when the rule can find the record the same as no record at all, itself included: nothing
    // it compares holds anything, or a date is NaN.
    bool CanMatch() const { return m_bEvidence && !m_bNeverEqual; }
    uint64_t Hash() const { return m_hash; }

private:
    void Mix(const void* bytes, size_t size);

    uint64_t m_hash = kFnv1a64Basis;
    bool m_bEvidence = false;
    bool m_bNeverEqual = false;
};
