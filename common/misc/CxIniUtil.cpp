#include "common/misc/CxIniUtil.h"

#include "common/misc/WinUtil.h"
#include "common/platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

enum class Kind { Other, Section, Key };

struct IniLine
{
    size_t begin;   // first byte of the line
    size_t textEnd; // end of the text, before the line end
    size_t end;     // after the line end
    Kind kind;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key lines: the value, trimmed
};

// A garbled file reads as well as it can: "[x" without ']' is no header (what follows stays in the
// current section), lines without '=' or with an empty name and ';' comments hold no key, lines before
// the first header belong to no section, and a value is a C text, so it ends at a NUL byte.
void Classify(std::string_view text, IniLine& line)
{
    const std::string_view trimmed = Trim(text);
    line.kind = Kind::Other;
    if (trimmed.empty() || trimmed.front() == ';')
        return;
    const size_t close = trimmed.find(']');
    if (trimmed.front() == '[' && close != std::string_view::npos) {
        line.kind = Kind::Section;
        line.name = Trim(trimmed.substr(1, close - 1));
        return;
    }
    const size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos || Trim(trimmed.substr(0, equals)).empty())
        return;
    line.kind = Kind::Key;
    line.name = Trim(trimmed.substr(0, equals));
    // Cut at the NUL before trimming, so the blanks before it go too.
    const std::string_view value = trimmed.substr(equals + 1);
    line.value = Trim(value.substr(0, value.find('\0')));
}

// Lines end with LF or CR LF; a lone CR is part of the text.
std::vector<IniLine> ParseLines(std::string_view content)
{
    std::vector<IniLine> lines;
    for (size_t begin = 0; begin < content.size();) {
        const size_t newline = content.find('\n', begin);
        IniLine line{begin, content.size(), content.size(), Kind::Other, {}, {}};
        if (newline != std::string_view::npos) {
            line.end = newline + 1;
            line.textEnd = newline > begin && content[newline - 1] == '\r' ? newline - 1 : newline;
        }
        Classify(content.substr(begin, line.textEnd - begin), line);
        lines.push_back(line);
        begin = line.end;
    }
    return lines;
}

// Duplicate sections read as one; the first line of a repeated key wins.
const IniLine* FindKey(const std::vector<IniLine>& lines, std::string_view section, std::string_view key)
{
    bool inSection = false;
    for (const IniLine& line : lines) {
        if (line.kind == Kind::Section)
            inSection = CxIniUtil::SameName(line.name, section);
        else if (inSection && line.kind == Kind::Key && CxIniUtil::SameName(line.name, key))
            return &line;
    }
    return nullptr;
}

// Where a new key of the section goes: after its last key, or after its header when it has none.
const IniLine* InsertionPoint(const std::vector<IniLine>& lines, std::string_view section)
{
    const IniLine* anchor = nullptr;
    for (const IniLine& line : lines) {
        if (line.kind == Kind::Section) {
            if (anchor)
                break;
            if (CxIniUtil::SameName(line.name, section))
                anchor = &line;
        } else if (anchor && line.kind == Kind::Key) {
            anchor = &line;
        }
    }
    return anchor;
}

// A rewrite keeps the file's style; new files and files of one line get LF.
std::string LineEnd(std::string_view content)
{
    const size_t newline = content.find('\n');
    return newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

bool HasLineEnd(const IniLine& line)
{
    return line.end > line.textEnd;
}

std::string ReplaceValue(const std::string& content, const IniLine& line, std::string_view value)
{
    // Indentation and the key's spelling stay as the file has them.
    const std::string_view text(content.data() + line.begin, line.textEnd - line.begin);
    const std::string_view indent = text.substr(0, text.find_first_not_of(kBlanks));
    return content.substr(0, line.begin) + std::string(indent) + std::string(line.name) + "=" + std::string(value) +
           content.substr(line.textEnd);
}

std::string InsertAfter(const std::string& content, const IniLine& line, const std::string& entry,
                        const std::string& eol)
{
    std::string out = content.substr(0, line.end);
    if (!HasLineEnd(line))
        out += eol;
    return out + entry + eol + content.substr(line.end);
}

std::string AppendSection(const std::string& content, const std::vector<IniLine>& lines, std::string_view section,
                          const std::string& entry, const std::string& eol)
{
    std::string out = content;
    if (!lines.empty()) {
        const IniLine& last = lines.back();
        if (!HasLineEnd(last))
            out += eol;
        if (!Trim(std::string_view(content).substr(last.begin, last.textEnd - last.begin)).empty())
            out += eol;
    }
    return out + "[" + std::string(section) + "]" + eol + entry + eol;
}

std::string UpdateContent(const std::string& content, std::string_view section, std::string_view key,
                          std::string_view value)
{
    const std::vector<IniLine> lines = ParseLines(content);
    const std::string eol = LineEnd(content);
    if (const IniLine* line = FindKey(lines, section, key))
        return ReplaceValue(content, *line, value);
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (const IniLine* anchor = InsertionPoint(lines, section))
        return InsertAfter(content, *anchor, entry, eol);
    return AppendSection(content, lines, section, entry, eol);
}

enum class FileRead { Ok, Missing, Failed };

FileRead ReadWholeFile(const char* path, std::string& content)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? FileRead::Failed : FileRead::Ok;
}

// An unreadable file is never replaced by one holding only the new entry; an unchanged value leaves
// the file alone.
bool WriteValue(const char* file, std::string_view section, std::string_view key, std::string_view value,
                bool ownerOnly)
{
    if (!*file)
        return false;
    std::string content;
    const FileRead read = ReadWholeFile(file, content);
    if (read == FileRead::Failed)
        return false;
    const std::string updated = UpdateContent(content, section, key, value);
    if (read == FileRead::Ok && updated == content)
        return true;
    return platform::ReplaceFileContents(file, updated, ownerOnly);
}

// Names that could not be read back as written: they would parse as a header, a comment or a split.
bool ValidKey(std::string_view key)
{
    return !key.empty() && key.find_first_of("=\r\n") == std::string_view::npos && key.front() != '[' &&
           key.front() != ';';
}

bool ValidSection(std::string_view section)
{
    return section.find_first_of("]\r\n") == std::string_view::npos;
}

// Leading blanks, an optional sign, then digits up to the first non-digit; out-of-range numbers stop
// at the int limits instead of wrapping.
int ParseNumber(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    const bool negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    long long number = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        number = std::min(number * 10 + (*text - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative)
        return static_cast<int>(-number);
    return static_cast<int>(std::min(number, static_cast<long long>(INT_MAX)));
}

} // namespace

bool CxIniUtil::SameName(std::string_view a, std::string_view b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

CxIniUtil::CxIniUtil(const char* szFolder, const char* szFileName)
{
    if (szFolder && *szFolder) {
        SetPath(szFolder, szFileName);
        return;
    }
    // Larger than a path we keep, so a program folder that does not fit is seen as too long, not cut.
    char folder[4096] = "";
    GetProgramFolder(nullptr, folder, sizeof folder);
    SetPath(folder, szFileName);
}

void CxIniUtil::SetFilePath(const char* szPath)
{
    if (szPath && *szPath)
        SetPath("", szPath);
}

// A path cut to the buffer would name some other file: one too long leaves m_szFile empty, so reads
// give their defaults and writes fail.
void CxIniUtil::SetPath(const char* szFolder, const char* szName)
{
    if (!szName)
        szName = "";
    if (std::strlen(szFolder) + std::strlen(szName) >= sizeof m_szFile) {
        m_szFile[0] = '\0';
        return;
    }
    FormatText(m_szFile, "%s%s", szFolder, szName);
}

const char* CxIniUtil::Section(const char* szSection) const
{
    return szSection && *szSection ? szSection : m_szSection;
}

int CxIniUtil::ReadEntry(const char* szSection, const char* szKey, char* szBuf, size_t nSize, const char* szDefault)
{
    if (!szKey || !*szKey || !szBuf || nSize == 0)
        return 0;
    std::string value;
    const char* text = szDefault;
    try {
        std::string content;
        if (ReadWholeFile(m_szFile, content) == FileRead::Ok) {
            const std::vector<IniLine> lines = ParseLines(content);
            if (const IniLine* line = FindKey(lines, Trim(Section(szSection)), Trim(szKey))) {
                value = line->value;
                text = value.c_str();
            }
        }
    } catch (...) {
        text = szDefault; // out of memory: the default is the best answer left
    }
    return static_cast<int>(CopyText(szBuf, nSize, text));
}

bool CxIniUtil::QueryNumber(const char* szSection, const char* szKey, int* pValue, int nDefault)
{
    if (!pValue)
        return false;
    char text[32];
    *pValue = ReadEntry(szSection, szKey, text, sizeof text, "") > 0 ? ParseNumber(text) : nDefault;
    return true;
}

int CxIniUtil::ReadNumber(const char* szSection, const char* szKey, int nDefault)
{
    int value = nDefault;
    QueryNumber(szSection, szKey, &value, nDefault);
    return value;
}

bool CxIniUtil::ReadFlag(const char* szSection, const char* szKey, bool bDefault)
{
    return ReadNumber(szSection, szKey, bDefault ? 1 : 0) != 0;
}

int CxIniUtil::WriteEntry(const char* szSection, const char* szKey, const char* szValue)
{
    const std::string_view section = Trim(Section(szSection));
    const std::string_view key = szKey ? Trim(szKey) : std::string_view();
    if (!ValidKey(key) || !ValidSection(section))
        return 0;
    // A value ends at its first line break; the rest could not be read back as part of it.
    std::string_view value = szValue ? szValue : "";
    value = value.substr(0, value.find_first_of("\r\n"));
    try {
        return WriteValue(m_szFile, section, key, value, m_bOwnerOnly) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int CxIniUtil::WriteNumber(const char* szSection, const char* szKey, int nValue)
{
    char text[32];
    FormatText(text, "%d", nValue);
    return WriteEntry(szSection, szKey, text);
}

int CxIniUtil::WriteFlag(const char* szSection, const char* szKey, bool bValue)
{
    return WriteNumber(szSection, szKey, bValue ? 1 : 0);
}
