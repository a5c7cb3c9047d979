// Where a part of a file's text lies, as byte offsets, for the readers that take a file of several
// items apart without changing a byte of it.
#pragma once

#include <cstddef>
#include <string>

struct TextSpan
{
    size_t begin = 0; // the first byte
    size_t end = 0;   // past the last byte

    bool operator==(const TextSpan&) const = default;
};

// One component of an item in a file: a vCard, or an iCalendar VEVENT, VTODO or VJOURNAL from its
// BEGIN line to the line break of its END line.
struct ComponentSpan
{
    TextSpan span;
    std::string uid;                // the UID property's value as written; empty when there is none
    bool changedOccurrence = false; // iCalendar: it has a RECURRENCE-ID
};
