#include "helpers/ical/IcalDocument.h"

#include "common/platform/Platform.h"
#include "helpers/base/TextBytes.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

// libical's text for a property whose name it does not know. Such properties (RFC 7986's COLOR,
// a maker's own without the X- prefix) are left out like the X- ones, not reported as faults.
constexpr std::string_view kUnknownNameError = "Parse error in property name";

// A calendar nests three deep (VCALENDAR, VEVENT, VALARM). libical walks and frees components
// recursively, so a text of endless BEGIN lines must not reach it as one endless nesting.
constexpr size_t kMaxNesting = 16;

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// Whether the text, upper-cased as Upper does it, is upper; without a copy, as every line of every
// file is asked.
bool EqualsUpper(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(upper[i]))
            return false;
    return true;
}

enum class Boundary { None, Begin, End, Malformed };

// Whether the line begins or ends a component, and which. The name is read as libical reads a
// property name, up to the first ';' or ':'; "END" alone (a text cut short) or "END;X:" would be
// taken by libical for a boundary of nothing.
Boundary ReadBoundary(std::string_view line, std::string& component)
{
    const size_t nameEnd = std::min(line.find_first_of(";:"), line.size());
    const std::string_view name = line.substr(0, nameEnd);
    const bool begin = EqualsUpper(name, "BEGIN");
    if (!begin && !EqualsUpper(name, "END"))
        return Boundary::None;
    std::string_view rest = nameEnd < line.size() && line[nameEnd] == ':' ? line.substr(nameEnd + 1) : "";
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back())))
        rest.remove_suffix(1);
    if (rest.empty())
        return Boundary::Malformed;
    component = Upper(rest);
    return begin ? Boundary::Begin : Boundary::End;
}

void CloseDownTo(std::vector<std::string>& open, size_t depth, std::string& out, std::string& problem)
{
    while (open.size() > depth) {
        NoteFault(problem, "missing END:" + open.back());
        out += "END:" + open.back() + "\r\n";
        open.pop_back();
    }
}

// Follows the components the line begins and ends, closing those an END skips; false for a line to
// drop: libical would only complain about it on stderr.
bool TrackBoundary(std::string_view line, std::vector<std::string>& open, std::string& out, std::string& problem)
{
    std::string component;
    const Boundary boundary = ReadBoundary(line, component);
    if (boundary == Boundary::None)
        return true;
    if (boundary == Boundary::Malformed) {
        NoteFault(problem, "BEGIN or END line without a component name");
        return false;
    }
    if (boundary == Boundary::Begin) {
        if (open.size() >= kMaxNesting) {
            NoteFault(problem, "components nested too deep");
            return false;
        }
        open.push_back(std::move(component));
        return true;
    }
    const auto it = std::find(open.rbegin(), open.rend(), component);
    if (it == open.rend()) {
        NoteFault(problem, "END:" + component + " without BEGIN");
        return false;
    }
    CloseDownTo(open, static_cast<size_t>(open.rend() - it), out, problem);
    open.pop_back();
    return true;
}

// Where the line that begins at pos ends: past its line feed, or the end of the text.
size_t PastLine(std::string_view text, size_t pos)
{
    const size_t end = text.find('\n', pos);
    return end == std::string_view::npos ? text.size() : end + 1;
}

std::string_view LineContent(std::string_view line)
{
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

void CollectAll(icalcomponent* component, icalcomponent_kind kind, std::vector<icalcomponent*>& found)
{
    if (!component)
        return;
    if (icalcomponent_isa(component) == kind)
        found.push_back(component);
    for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); child;
         child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        CollectAll(child, kind, found);
}

bool IsIgnoredError(icalproperty* error)
{
    const std::string_view text = icalproperty_get_xlicerror(error) ? icalproperty_get_xlicerror(error) : "";
    return text.substr(0, kUnknownNameError.size()) == kUnknownNameError;
}

std::string ValueText(icalproperty* prop)
{
    const icalvalue* value = icalproperty_get_value(prop);
    if (!value)
        return {};
    if (icalvalue_isa(value) == ICAL_TEXT_VALUE) {
        const char* text = icalvalue_get_text(value);
        return text ? text : "";
    }
    char* text = icalproperty_get_value_as_string_r(prop);
    std::string copy = text ? text : "";
    std::free(text);
    return copy;
}

bool IsFold(std::string_view text, size_t pos)
{
    return pos < text.size() && (text[pos] == ' ' || text[pos] == '\t');
}

// Where a physical line starts in the text and its length without its line end.
struct PhysicalLine
{
    size_t start;
    size_t length;
    bool ended; // false for a last line without a line end, which stays without one
};

// Appends the physical lines of one content line, each ended by CR LF where it had a line end, and
// read as Windows-1252 when the content line is no UTF-8 (a byte of it is a character, so the fold
// blanks and the line ends stay where they were).

void AppendContentLine(std::string_view text, const std::vector<PhysicalLine>& lines, bool windows1252,
                       std::string& out)
{
    for (const PhysicalLine& line : lines) {
        const std::string_view bytes = text.substr(line.start, line.length);
        if (windows1252)
            out += Windows1252ToUtf8(bytes);
        else
            out.append(bytes);
        if (line.ended)
            out += "\r\n";
    }
}

// Whether ReadableIcalText would leave the text as it is but for LF line ends (which CR LF would
// replace, and which the parse reads alike): valid UTF-8, no byte order mark, every CR before an LF.
bool IsReadableAsWritten(std::string_view text)
{
    for (size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1))
        if (cr + 1 == text.size() || text[cr + 1] != '\n')
            return false;
    return text.substr(0, 3) != "\xEF\xBB\xBF" && platform::IsValidUtf8(text);
}

} // namespace

std::string ReadableIcalText(std::string_view text, bool& windows1252)
{
    windows1252 = false;
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    std::vector<PhysicalLine> lines;
    std::string unfolded;
    for (size_t pos = 0; pos < text.size();) {
        // One content line: its first physical line and those that continue it.
        lines.clear();
        do {
            size_t end = pos;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n')
                ++end;
            const size_t ending = LineEndLength(text, end);
            lines.push_back({pos, end - pos, ending > 0});
            pos = end + ending;
        } while (IsFold(text, pos));
        bool valid = true;
        if (lines.size() == 1) {
            valid = platform::IsValidUtf8(text.substr(lines[0].start, lines[0].length));
        } else {
            unfolded.assign(text.substr(lines[0].start, lines[0].length));
            for (size_t i = 1; i < lines.size(); ++i)
                unfolded.append(text.substr(lines[i].start + 1, lines[i].length - 1));
            valid = platform::IsValidUtf8(unfolded);
        }
        windows1252 = windows1252 || !valid;
        AppendContentLine(text, lines, !valid, out);
    }
    return out;
}

std::string CloseOpenComponents(std::string_view text, std::string& problem)
{
    std::string out;
    out.reserve(text.size() + 64);
    std::vector<std::string> open;
    std::string folded;
    for (size_t pos = 0; pos < text.size();) {
        // A BEGIN or END line may be folded like any other ("BEGIN:VEV" CRLF " ENT"); matched on its
        // physical lines, the component would be misnamed. libical unfolds the kept text itself.
        // Most lines are not folded and are looked at where they stand.
        size_t next = PastLine(text, pos);
        std::string_view line = LineContent(text.substr(pos, next - pos));
        if (next < text.size() && (text[next] == ' ' || text[next] == '\t')) {
            folded.assign(line);
            while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) {
                const size_t after = PastLine(text, next);
                folded += LineContent(text.substr(next + 1, after - next - 1));
                next = after;
            }
            line = folded;
        }
        if (TrackBoundary(line, open, out, problem))
            out.append(text.substr(pos, next - pos));
        pos = next;
    }
    if (!open.empty() && !out.empty() && out.back() != '\n')
        out += "\r\n";
    CloseDownTo(open, 0, out, problem);
    return out;
}

IcalDocument::IcalDocument(std::string_view text, std::string& problem)
{
    // Nearly every file is UTF-8 with CR LF or LF line ends, which the rest reads as they are.
    const std::string closed = IsReadableAsWritten(text)
                                   ? CloseOpenComponents(text, problem)
                                   : CloseOpenComponents(ReadableIcalText(text, m_windows1252), problem);
    m_root = icalparser_parse_string(closed.c_str());
}

IcalDocument::~IcalDocument()
{
    if (m_root)
        icalcomponent_free(m_root);
}

std::vector<icalcomponent*> IcalDocument::AllOf(icalcomponent_kind kind) const
{
    std::vector<icalcomponent*> found;
    CollectAll(m_root, kind, found);
    return found;
}

void NoteParseFault(icalcomponent* component, std::string& problem)
{
    if (!component || !problem.empty() || icalcomponent_count_errors(component) == 0)
        return;
    for (icalproperty* error = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); error;
         error = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        if (!IsIgnoredError(error)) {
            NoteFault(problem, icalproperty_get_xlicerror(error) ? icalproperty_get_xlicerror(error) : "");
            return;
        }
    }
    for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); child;
         child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        NoteParseFault(child, problem);
}

void NoteFault(std::string& problem, std::string_view text)
{
    if (problem.empty())
        problem = text.empty() ? std::string("unreadable line") : std::string(text);
}

std::string FirstText(icalcomponent* component, icalproperty_kind kind)
{
    icalproperty* prop = icalcomponent_get_first_property(component, kind);
    return prop ? ValueText(prop) : std::string();
}

std::string JoinedTexts(icalcomponent* component, icalproperty_kind kind, std::string_view separator)
{
    std::string joined;
    for (icalproperty* prop = icalcomponent_get_first_property(component, kind); prop;
         prop = icalcomponent_get_next_property(component, kind)) {
        const std::string text = ValueText(prop);
        if (text.empty())
            continue;
        if (!joined.empty())
            joined += separator;
        joined += text;
    }
    return joined;
}

std::string WellFormedUtf8(std::string text)
{
    if (platform::IsValidUtf8(text))
        return text;
    const std::u16string units = platform::Utf8ToUtf16(text.c_str());
    std::string wellFormed(units.size() * 3 + 1, '\0');
    wellFormed.resize(platform::Utf16ToUtf8(units.data(), units.size(), wellFormed.data(), wellFormed.size()));
    return wellFormed;
}
