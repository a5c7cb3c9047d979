// The bytes of an item file as text: where its lines end, and Windows-1252 read as UTF-8. Shared by
// the vCard and the iCalendar reader, so both agree on what a line and a character are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The length of the line end at pos, 0 when none starts there. CR LF, LF and a lone CR each end a
// line; so does CR CR LF, which is what a CR LF becomes when a program on Windows writes it through
// a stream that turns every LF into CR LF. Any run of CRs before an LF is taken as that one line
// end; CRs not followed by an LF end a line each (a CR-only file with an empty line).
size_t LineEndLength(std::string_view text, size_t pos);

// Windows-1252 bytes as UTF-8. The five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the control characters ISO-8859-1 has there, so no byte is lost.
std::string Windows1252ToUtf8(std::string_view bytes);

// What a reader notes for a file it read some text of as Windows-1252 (see the readers' Notes()).
inline constexpr const char* kReadAsWindows1252Note =
    "text that is not UTF-8 and names no character set was read as Windows-1252";
