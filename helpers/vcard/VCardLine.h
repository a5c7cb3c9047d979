// The line level of a vCard (2.1, 3.0 and 4.0): folded lines joined into content lines, and a content
// line taken apart into group, name, parameters and raw value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One content line with the number (from 1) of the physical line it began on.
struct VCardLine
{
    std::string text;
    int number = 0;
};

// Splits text at its line ends (CR LF, LF, CR, CR CR LF: see LineEndLength) and joins folded lines: a line starting
// with a blank or a tab continues the previous one (that one character dropped), and in a quoted-printable property a
// line ending with "=" continues on the next (the "=" dropped).
std::vector<VCardLine> UnfoldVCardLines(std::string_view text);

// A parameter; bare 2.1 parameters ("WORK", "QUOTED-PRINTABLE") get the name they stand for.
struct VCardParam
{
    std::string name; // upper case
    std::string value;
};

struct VCardProperty
{
    std::string group; // as written; empty when there is none
    std::string name;  // upper case
    std::vector<VCardParam> params;
    std::string value; // raw: neither decoded nor unescaped
    int line = 0;

    // The first value of the parameter, empty when absent.
    std::string_view Param(std::string_view paramName) const;
    // The TYPE words of every TYPE parameter, split at commas, in lower case.
    std::vector<std::string> Types() const;
    bool HasType(std::string_view word) const;
    bool IsQuotedPrintable() const;
    // Lower is more preferred: PREF=n gives n, a "pref" type 1; -1 when the value is not preferred.
    int PrefRank() const;
};

// False when the line has no colon outside quotes (property then holds only what came before the fault).
bool ParseVCardLine(const VCardLine& line, VCardProperty& property);

// ASCII case-blind equality, the comparison vCard names and keywords call for.
bool SameWord(std::string_view a, std::string_view b);
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
