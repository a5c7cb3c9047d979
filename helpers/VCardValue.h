// Decoding vCard values: quoted-printable, backslash escapes, and the lists and structures that
// separators build inside one value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// "=XX" becomes the byte XX; an "=" not followed by two hex digits is kept as it stands.
std::string DecodeQuotedPrintable(std::string_view text);

// "\n" and "\N" become a line break, "\," "\;" "\:" and "\\" the character itself; any other
// backslash is kept, so a 2.1 text with a lone backslash (a Windows path) survives.
std::string UnescapeVCardText(std::string_view text);

// Splits at every separator not escaped by a backslash, then unescapes each part. An empty text
// gives one empty part.
std::vector<std::string> SplitVCardValue(std::string_view text, char separator);
