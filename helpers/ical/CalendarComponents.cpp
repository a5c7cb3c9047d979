#include "helpers/ical/CalendarComponents.h"

#include "helpers/base/TextBytes.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string_view TrimEnd(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string_view LineContent(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

// Past the line starting at pos and its end, which is the reader's: CR LF, CR CR LF, LF or CR.
size_t PastLine(std::string_view text, size_t pos)
{
    const size_t end = text.find_first_of("\r\n", pos);
    return end == std::string_view::npos ? text.size() : end + LineEndLength(text, end);
}

// A content line unfolded, with the bytes its physical lines take; continuation lines start with a
// blank or a tab, as the reader joins them.
struct ContentLine
{
    std::string text;
    TextSpan span;
};

std::vector<ContentLine> ContentLines(std::string_view text)
{
    std::vector<ContentLine> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t next = PastLine(text, pos);
        ContentLine line{std::string(LineContent(text.substr(pos, next - pos))), {pos, 0}};
        while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) {
            const size_t after = PastLine(text, next);
            line.text += LineContent(text.substr(next + 1, after - next - 1));
            next = after;
        }
        line.span.end = next;
        lines.push_back(std::move(line));
        pos = next;
    }
    return lines;
}

// The property name, as the reader takes it: up to the first ';' or ':'.
std::string NameOf(std::string_view line)
{
    return Upper(line.substr(0, std::min(line.find_first_of(";:"), line.size())));
}

// The value after the first ':' outside a quoted parameter value.
std::string_view ValueOf(std::string_view line)
{
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (!quoted && line[i] == ':')
            return line.substr(i + 1);
    }
    return {};
}

} // namespace

bool FindCalendarComponents(std::string_view text, std::string_view component, std::vector<ComponentSpan>& found,
                            std::string& fault)
{
    found.clear();
    std::vector<std::string> open;
    ComponentSpan item;
    for (const ContentLine& line : ContentLines(text)) {
        const std::string name = NameOf(line.text);
        if (name == "BEGIN" || name == "END") {
            // As the reader reads a boundary: the component follows the name's colon directly.
            const size_t colon = name.size();
            const std::string what =
                Upper(TrimEnd(colon < line.text.size() && line.text[colon] == ':' ? line.text.substr(colon + 1) : ""));
            if (what.empty()) {
                fault = "a BEGIN or END line without a component name";
                return false;
            }
            if (name == "BEGIN") {
                open.push_back(what);
                if (open.size() == 2 && open[0] == "VCALENDAR" && what == component)
                    item = {{line.span.begin, line.span.end}, {}, false};
                continue;
            }
            if (open.empty() || open.back() != what) {
                fault = "END:" + what + (open.empty() ? " without BEGIN" : " where END:" + open.back() + " belongs");
                return false;
            }
            open.pop_back();
            if (open.size() == 1 && open[0] == "VCALENDAR" && what == component) {
                item.span.end = line.span.end;
                found.push_back(std::move(item));
            }
            continue;
        }
        // The item's own properties, not those of its alarms.
        if (open.size() != 2 || open[0] != "VCALENDAR" || open[1] != component)
            continue;
        if (name == "UID" && item.uid.empty())
            item.uid = std::string(TrimEnd(ValueOf(line.text)));
        else if (name == "RECURRENCE-ID")
            item.changedOccurrence = true;
    }
    if (!open.empty()) {
        fault = "BEGIN:" + open.back() + " without its END";
        return false;
    }
    return true;
}
