// Text normalisers for the smart matching mode of the duplicate scan: names, subjects and e-mail
// addresses reduced to the form under which a person would call two of them the same.
#pragma once

#include <string>
#include <string_view>

// Names and subjects as a person compares them: Unicode case folding and accent folding (NFD, drop
// combining marks, NFC), whitespace (any Unicode space, tabs, newlines) collapsed to one blank and trimmed,
// punctuation at both ends removed, and "Last, First" (exactly one comma, both sides non-empty) read as "First Last".
// Letters that carry their mark inside the letter itself and so have no decomposition (dotless ı, ł, ø, đ, ħ)
// fold to their plain letter as well, so that "Işık" meets "Isik" and "Łukasz" meets "Lukasz".
// Text that is not valid UTF-8 comes back unchanged except for ASCII-only whitespace trimming/collapse (byte-wise
// compare); never crashes.
std::string NormalizeName(std::string_view text);
// A contact's name from its parts when the display name is empty: "first middle last" normalised.
std::string NormalizeNameParts(std::string_view first, std::string_view middle, std::string_view last);
// An e-mail address as an identifier: trimmed, a leading "mailto:" removed (any case), case-folded; "" when it holds no
// '@' with text on both sides.
std::string EmailKey(std::string_view text);

namespace smarttext_detail {
// NormalizeName through ICU even for plain ASCII text, which NormalizeName takes a shortcut past; the tests
// and the fuzzer hold the two to the same result.
std::string NormalizeNameUnicode(std::string_view text);
} // namespace smarttext_detail
