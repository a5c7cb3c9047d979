// Decoding vCard values: quoted-printable, the character set, backslash escapes, and the lists and
// structures that separators build inside one value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// "=XX" becomes the byte XX; an "=" not followed by two hex digits is kept as it stands.
std::string DecodeQuotedPrintable(std::string_view text);

// Bytes written in the given CHARSET (empty when none is given) as UTF-8, the only text a record
// holds. Windows-1252 and ISO-8859-1 are converted; UTF-8 is kept with each malformed sequence
// replaced by U+FFFD, as is text in a character set we cannot convert. Without a character set (or
// US-ASCII) valid UTF-8 is kept and anything else is read as Windows-1252.
std::string CharsetToUtf8(std::string_view bytes, std::string_view charset);

// Whether CharsetToUtf8 takes the bytes for Windows-1252 because they name no character set and are
// no UTF-8: a guess the reader reports, unlike a conversion the card asked for.
bool ReadsAsWindows1252(std::string_view bytes, std::string_view charset);

// "\n" and "\N" become a line break, "\," "\;" "\:" and "\\" the character itself; any other
// backslash is kept, so a 2.1 text with a lone backslash (a Windows path) survives.
std::string UnescapeVCardText(std::string_view text);

// Splits at every separator not escaped by a backslash, then unescapes each part. An empty text
// gives one empty part.
std::vector<std::string> SplitVCardValue(std::string_view text, char separator);
