#include "helpers/vcard/ContactCards.h"

#include "helpers/base/TextBytes.h"
#include "helpers/vcard/VCardLine.h"

namespace {

// A content line with the bytes it takes in the text, line breaks of its physical lines included.
struct SpannedLine
{
    std::string text;
    TextSpan span;
    bool quotedPrintable = false; // its head names the encoding (known once its colon is seen)
    bool headSeen = false;
    // How far the search for the head's colon got: a head folded over many lines is not searched again
    // from its start at every fold.
    size_t scanned = 0;
    bool quoted = false;
};

void LookAtHead(SpannedLine& line)
{
    for (; !line.headSeen && line.scanned < line.text.size(); ++line.scanned) {
        const char c = line.text[line.scanned];
        if (c == '"')
            line.quoted = !line.quoted;
        else if (!line.quoted && c == ':') {
            line.headSeen = true;
            line.quotedPrintable =
                UpperAscii(line.text.substr(0, line.scanned)).find("QUOTED-PRINTABLE") != std::string::npos;
        }
    }
}

// The content lines as the reader joins them: a quoted-printable value ending with "=" goes on at the
// start of the next line, and a line starting with a blank continues the one before. Lines end
// where the reader's lines end.
std::vector<SpannedLine> SpannedLines(std::string_view text, size_t from)
{
    std::vector<SpannedLine> lines;
    size_t pos = from;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        // The reader's own line ends: CR LF, CR CR LF, LF or CR, each once.
        const size_t next = end + LineEndLength(text, end);
        const std::string_view physical = text.substr(pos, end - pos);
        SpannedLine* last = lines.empty() ? nullptr : &lines.back();
        if (last)
            LookAtHead(*last);
        if (last && last->headSeen && last->quotedPrintable && !last->text.empty() && last->text.back() == '=') {
            last->text.pop_back();
            last->text.append(physical);
            last->span.end = next;
        } else if (last && !physical.empty() && (physical[0] == ' ' || physical[0] == '\t')) {
            last->text.append(physical.substr(1));
            last->span.end = next;
        } else {
            lines.push_back({std::string(physical), {pos, next}});
        }
        pos = next;
    }
    return lines;
}

bool IsBoundary(const VCardProperty& property, std::string_view name)
{
    std::string_view value = property.value;
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    return property.group.empty() && property.name == name && SameWord(value, "VCARD");
}

bool IsBlankValue(std::string_view value)
{
    return value.find_first_not_of(" \t") == std::string_view::npos;
}

std::string TrimmedValue(std::string_view value)
{
    const size_t first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(value.substr(first, value.find_last_not_of(" \t") - first + 1));
}

} // namespace

bool FindContactCards(std::string_view text, std::vector<ComponentSpan>& cards, std::string& fault)
{
    cards.clear();
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const size_t from = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    int depth = 0;
    bool afterAgent = false;
    ComponentSpan card;
    for (const SpannedLine& line : SpannedLines(text, from)) {
        // The reader passes blank lines over before it looks at a line, an AGENT's too.
        if (IsBlankValue(line.text))
            continue;
        VCardProperty property;
        const bool parsed = ParseVCardLine({line.text, 0}, property);
        if (parsed && IsBoundary(property, "BEGIN")) {
            if (depth > 0 && !afterAgent) {
                fault = "a vCard without its END:VCARD";
                return false;
            }
            if (depth++ == 0)
                card = {{line.span.begin, line.span.end}, {}, false};
        } else if (parsed && IsBoundary(property, "END") && depth > 0) {
            if (--depth == 0) {
                card.span.end = line.span.end;
                cards.push_back(std::move(card));
            }
        } else if (parsed && depth == 1 && property.name == "UID" && card.uid.empty()) {
            card.uid = TrimmedValue(property.value);
        }
        afterAgent = parsed && property.name == "AGENT" && IsBlankValue(property.value);
    }
    if (depth > 0) {
        fault = "a vCard without its END:VCARD";
        return false;
    }
    return true;
}
