// Reading a contact file (vCard 2.1, 3.0 or 4.0) into the contact record the contacts helper sends.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "helpers/vcard/VCardLine.h"

#include <string>
#include <string_view>
#include <vector>

// Reads the first vCard in text into a zeroed record. False when the text holds no vCard at all;
// problem names the first fault met (empty when none), also when the card was read only in part.
// The record's helper fields (head values, action code, helper text) are left to the caller.
// Values the record has no type code for (an IM service such as SIP, a relation such as child) are
// kept in the custom label and field pairs; values beyond a family's slots are dropped, no fault.
bool ReadContactCard(std::string_view text, GAddrRecord& record, std::string& problem);

// The number of vCards at the top level of text; 0 when it holds none. A card nested right after an
// empty AGENT value (as 2.1 writes one) does not count; any other BEGIN:VCARD starts a further card, and
// a card missing its END still counts. A file holding more than one is served card by card
// (ContactCards.h), or as none when its cards cannot be told apart.
size_t CountContactCards(std::string_view text);

// A text taken apart into its lines once for both of the above: the load counts a file's cards and
// then reads the first, and the line parse is most of the cost of either. Each call answers as its
// function above would for the text.
class ContactText
{
public:
    explicit ContactText(std::string_view text);

    bool Read(GAddrRecord& record, std::string& problem) const;
    size_t Count() const;
    // What reading the text did that the error file should tell though it is no fault, one line
    // each: that text naming no character set and not UTF-8 was taken for Windows-1252. It speaks
    // of the whole text, whichever card is read.
    std::vector<std::string> Notes() const;

    struct Line
    {
        bool parsed = false; // false: no colon; property holds what came before the fault
        VCardProperty property;
    };

private:
    std::vector<Line> m_lines; // the non-blank content lines, in order
    bool m_windows1252 = false;
};
