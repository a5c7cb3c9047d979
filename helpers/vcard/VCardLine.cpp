#include "helpers/vcard/VCardLine.h"

#include "helpers/base/TextBytes.h"

#include <algorithm>

namespace {

constexpr std::string_view kBlanks = " \t";

char LowerChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperChar(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The first ';' or ':' at or after pos that is not inside double quotes (a 4.0 parameter value may
// hold both); npos when there is none.
size_t ParamEnd(std::string_view text, size_t pos)
{
    bool quoted = false;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '"')
            quoted = !quoted;
        else if (!quoted && (text[pos] == ';' || text[pos] == ':'))
            return pos;
    }
    return std::string_view::npos;
}

// Whether the head of the content line being joined (the part before the value) names
// quoted-printable. The search for the colon that ends the head goes on where the last fold left it:
// a head folded over many lines (or a junk line with no colon, folded on and on) must not be scanned
// again from its start at every fold, which made a 1 MB card take minutes.
class HeadScan
{
public:
    void Restart() { *this = HeadScan(); }

    // 1 when the head names quoted-printable, 0 when it does not, -1 while its colon has not been seen
    // (its parameters may still be folded onto the next line). line only grows between two calls.
    int QuotedPrintable(std::string_view line)
    {
        for (; m_quotedPrintable == -1 && m_pos < line.size(); ++m_pos) {
            // As ParamEnd reads it: a colon inside double quotes belongs to a parameter value.
            if (line[m_pos] == '"')
                m_quoted = !m_quoted;
            else if (!m_quoted && line[m_pos] == ':')
                m_quotedPrintable = UpperAscii(line.substr(0, m_pos)).find("QUOTED-PRINTABLE") != std::string::npos;
        }
        return m_quotedPrintable;
    }

private:
    size_t m_pos = 0;
    bool m_quoted = false;
    int m_quotedPrintable = -1;
};

void AddPhysicalLine(std::vector<VCardLine>& lines, std::string_view physical, int number, HeadScan& head)
{
    const bool softBreak = !lines.empty() && head.QuotedPrintable(lines.back().text) == 1 &&
                           !lines.back().text.empty() && lines.back().text.back() == '=';
    if (softBreak) {
        // A soft line break: the encoded text goes on at the very start of the next line.
        lines.back().text.pop_back();
        lines.back().text.append(physical);
    } else if (!lines.empty() && !physical.empty() && kBlanks.find(physical[0]) != std::string_view::npos) {
        lines.back().text.append(physical.substr(1));
    } else {
        lines.push_back({std::string(physical), number});
        head.Restart();
    }
}

bool IsBareEncoding(std::string_view word)
{
    for (std::string_view encoding : {"QUOTED-PRINTABLE", "BASE64", "B", "8BIT", "7BIT"}) {
        if (SameWord(word, encoding))
            return true;
    }
    return false;
}

// 4.0 parameter values escape with a caret: ^n a line break, ^' a double quote, ^^ the caret.
std::string DecodeCarets(std::string_view text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = text[i] == '^' && i + 1 < text.size() ? text[i + 1] : 0;
        const char decoded = next == 'n' ? '\n' : next == '\'' ? '"' : next == '^' ? '^' : 0;
        result += decoded ? decoded : text[i];
        i += decoded ? 1 : 0;
    }
    return result;
}

void AddParam(VCardProperty& property, std::string_view token)
{
    token = Trim(token);
    if (token.empty())
        return;
    const size_t equals = token.find('=');
    if (equals == std::string_view::npos) {
        // 2.1 writes bare values: "TEL;WORK;VOICE:" is TYPE=WORK and TYPE=VOICE.
        property.params.push_back({IsBareEncoding(token) ? "ENCODING" : "TYPE", std::string(token)});
        return;
    }
    std::string value(Trim(token.substr(equals + 1)));
    value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
    property.params.push_back({UpperAscii(Trim(token.substr(0, equals))), DecodeCarets(value)});
}

void SetName(VCardProperty& property, std::string_view token)
{
    token = Trim(token);
    const size_t dot = token.rfind('.');
    if (dot != std::string_view::npos) {
        property.group = std::string(token.substr(0, dot));
        token = token.substr(dot + 1);
    }
    property.name = UpperAscii(token);
}

// A PREF value counts from 1 (most preferred); anything unreadable still marks the value preferred,
// only behind every numbered one.
int ReadPrefNumber(std::string_view text)
{
    constexpr int kUnreadable = 100;
    int n = 0;
    if (text.empty() || text.size() > 3)
        return kUnreadable;
    for (char c : text) {
        if (c < '0' || c > '9')
            return kUnreadable;
        n = n * 10 + (c - '0');
    }
    return n >= 1 ? n : kUnreadable;
}

} // namespace

bool SameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerChar(x) == LowerChar(y); });
}

std::string LowerAscii(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), LowerChar);
    return result;
}

std::string UpperAscii(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), UpperChar);
    return result;
}

std::vector<VCardLine> UnfoldVCardLines(std::string_view text)
{
    std::vector<VCardLine> lines;
    HeadScan head;
    int number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        // Not find_first_of: it tries each byte against the set with a call of its own.
        size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        AddPhysicalLine(lines, text.substr(pos, end - pos), ++number, head);
        // CR CR LF is one line end: taken as two, it put an empty line inside a fold (cutting a
        // folded name or address) and counted every line twice in messages.
        pos = end + LineEndLength(text, end);
    }
    return lines;
}

bool ParseVCardLine(const VCardLine& line, VCardProperty& property)
{
    const std::string_view text = line.text;
    property = VCardProperty{};
    property.line = line.number;
    size_t pos = text.find_first_of(";:");
    if (pos == std::string_view::npos)
        return false;
    SetName(property, text.substr(0, pos));
    while (text[pos] == ';') {
        const size_t end = ParamEnd(text, pos + 1);
        if (end == std::string_view::npos)
            return false;
        AddParam(property, text.substr(pos + 1, end - pos - 1));
        pos = end;
    }
    property.value = std::string(text.substr(pos + 1));
    return true;
}

std::string_view VCardProperty::Param(std::string_view paramName) const
{
    for (const VCardParam& param : params) {
        if (param.name == paramName)
            return param.value;
    }
    return {};
}

std::vector<std::string> VCardProperty::Types() const
{
    std::vector<std::string> words;
    for (const VCardParam& param : params) {
        if (param.name != "TYPE")
            continue;
        std::string_view rest = param.value;
        while (!rest.empty()) {
            const size_t comma = std::min(rest.find(','), rest.size());
            const std::string_view word = Trim(rest.substr(0, comma));
            if (!word.empty())
                words.push_back(LowerAscii(word));
            rest.remove_prefix(std::min(comma + 1, rest.size()));
        }
    }
    return words;
}

bool VCardProperty::HasType(std::string_view word) const
{
    const std::vector<std::string> words = Types();
    return std::any_of(words.begin(), words.end(), [word](const std::string& w) { return SameWord(w, word); });
}

bool VCardProperty::IsQuotedPrintable() const
{
    for (const VCardParam& param : params) {
        if (param.name == "ENCODING" && SameWord(param.value, "QUOTED-PRINTABLE"))
            return true;
    }
    return false;
}

int VCardProperty::PrefRank() const
{
    int rank = HasType("pref") ? 1 : -1;
    for (const VCardParam& param : params) {
        if (param.name != "PREF")
            continue;
        const int n = ReadPrefNumber(param.value);
        rank = rank == -1 ? n : std::min(rank, n);
    }
    return rank;
}
