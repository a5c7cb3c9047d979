#include "helpers/driver/HelperParams.h"

#include "helpers/base/HelperText.h"
#include "helpers/base/PlainName.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

namespace {

// Value type codes of the parameter file.
enum : int32_t { TYPE_INT = 3, TYPE_DOUBLE = 5, TYPE_TEXT = 8, TYPE_BOOL = 11 };

// Larger than any file of kMaxParamEntries entries of the longest text.
constexpr std::streamsize kMaxParamFileBytes = 1 << 20;

class ByteCursor
{
public:
    explicit ByteCursor(std::string_view bytes)
        : m_bytes(bytes)
    {}

    bool Int(int32_t& value)
    {
        if (m_bytes.size() - m_pos < 4)
            return false;
        uint32_t bits = 0;
        for (int i = 3; i >= 0; --i)
            bits = bits << 8 | static_cast<unsigned char>(m_bytes[m_pos + static_cast<size_t>(i)]);
        value = static_cast<int32_t>(bits);
        m_pos += 4;
        return true;
    }

    bool Bytes(size_t count, std::string& out)
    {
        if (m_bytes.size() - m_pos < count)
            return false;
        out.assign(m_bytes.substr(m_pos, count));
        m_pos += count;
        return true;
    }

private:
    std::string_view m_bytes;
    size_t m_pos = 0;
};

bool ReadEntry(ByteCursor& cursor, uint32_t index, ParamEntry& entry, std::string& error)
{
    if (!cursor.Int(entry.key) || !cursor.Int(entry.type)) {
        error = Format("The parameter file is cut short in entry %u", index + 1);
        return false;
    }
    if (entry.type == TYPE_INT || entry.type == TYPE_DOUBLE || entry.type == TYPE_BOOL) {
        if (cursor.Int(entry.number))
            return true;
    } else if (entry.type == TYPE_TEXT) {
        int32_t length = 0;
        if (!cursor.Int(length)) {
            error = Format("The parameter file is cut short in entry %u", index + 1);
            return false;
        }
        if (length < 0 || length > kMaxParamTextBytes) {
            error = Format("Parameter %d holds a text of %d bytes", entry.key, length);
            return false;
        }
        if (cursor.Bytes(static_cast<size_t>(length), entry.text))
            return true;
    } else {
        return true; // other types carry no value bytes
    }
    error = Format("The parameter file is cut short in entry %u", index + 1);
    return false;
}

// Strict decimal: a sign, digits and nothing else, within 32 bits.
bool ParseDecimal(const std::string& text, int32_t& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    return first != last && ec == std::errc() && end == last;
}

enum class Shape {
    Text,    // any text
    Name,    // the one file name the contract gives the kind for the key, in the work folder
    LogName, // a plain file name ending in ".log", in the log folder (which may be the work folder)
    Folder,  // a folder ending with '/'
    Number,  // decimal text, or a value of type 3, 5 or 11
};

enum class Need { Always, Calendar, Optional };

struct KeyRule
{
    int32_t key;
    Shape shape;
    Need need;
    std::string HelperParams::*text;           // Text, Name, LogName, Folder
    bool (*setNumber)(HelperParams&, int32_t); // Number: false for a value out of range
    const char* (*contractName)(HelperKind);   // Name: the kind's file, null where it has none
};

const char* DataFileOf(HelperKind kind)
{
    return FilesOf(kind).dataFile;
}

const char* CalendarFileOf(HelperKind kind)
{
    return kind == HelperKind::Calendar ? kCalendarListFile : nullptr;
}

const char* ErrorFileOf(HelperKind kind)
{
    return FilesOf(kind).errorFile;
}

const char* StatusFileOf(HelperKind kind)
{
    return FilesOf(kind).statusFile;
}

bool SetOperation(HelperParams& params, int32_t value)
{
    if (value < OP_LOAD || value > OP_EMPTY_TRASH)
        return false;
    params.operation = value;
    return true;
}

bool SetLogLevel(HelperParams& params, int32_t value)
{
    params.logLevel = value < 0 ? 0 : value > 3 ? 3 : value;
    return true;
}

bool SetLogEnabled(HelperParams& params, int32_t value)
{
    params.logEnabled = value != 0;
    return true;
}

// The work folder and the error and log settings come first: a fault further down is then reported
// in the error file and the log.
const KeyRule kRules[] = {
    {PARAM_WORK_FOLDER, Shape::Folder, Need::Always, &HelperParams::workFolder, nullptr, nullptr},
    {PARAM_ERROR_FILE, Shape::Name, Need::Optional, &HelperParams::errorFile, nullptr, ErrorFileOf},
    {PARAM_LOG_FOLDER, Shape::Text, Need::Optional, &HelperParams::logFolder, nullptr, nullptr},
    {PARAM_LOG_FILE, Shape::LogName, Need::Optional, &HelperParams::logFile, nullptr, nullptr},
    {PARAM_LOG_LEVEL, Shape::Number, Need::Optional, nullptr, SetLogLevel, nullptr},
    {PARAM_LOG_ENABLED, Shape::Number, Need::Optional, nullptr, SetLogEnabled, nullptr},
    {PARAM_STATUS_FILE, Shape::Name, Need::Optional, &HelperParams::statusFile, nullptr, StatusFileOf},
    {PARAM_EMAIL, Shape::Text, Need::Always, &HelperParams::email, nullptr, nullptr},
    {PARAM_PASSWORD, Shape::Text, Need::Always, &HelperParams::password, nullptr, nullptr},
    {PARAM_DATA_FILE, Shape::Name, Need::Always, &HelperParams::dataFile, nullptr, DataFileOf},
    {PARAM_CAL_FILE, Shape::Name, Need::Calendar, &HelperParams::calendarFile, nullptr, CalendarFileOf},
    {PARAM_OPERATION, Shape::Number, Need::Always, nullptr, SetOperation, nullptr},
    // Only emptying the trash reads it (the days); every other run leaves it empty.
    {PARAM_OPTIONS, Shape::Text, Need::Optional, &HelperParams::options, nullptr, nullptr},
};

const ParamEntry* FindEntry(const std::vector<ParamEntry>& entries, int32_t key)
{
    for (const ParamEntry& entry : entries)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

bool TakeNumber(const KeyRule& rule, const ParamEntry& entry, HelperParams& params, std::string& error)
{
    int32_t value = entry.number;
    if (entry.type == TYPE_TEXT) {
        if (!ParseDecimal(entry.text, value)) {
            error = Format("Parameter %d is not a number: %s", rule.key, entry.text.c_str());
            return false;
        }
    } else if (entry.type != TYPE_INT && entry.type != TYPE_DOUBLE && entry.type != TYPE_BOOL) {
        error = Format("Parameter %d has type %d, not a number", rule.key, entry.type);
        return false;
    }
    if (!rule.setNumber(params, value)) {
        error = Format("Parameter %d has a value out of range: %d", rule.key, value);
        return false;
    }
    return true;
}

bool EndsWith(const std::string& text, std::string_view end)
{
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Beyond being plain, a name must be the very file the key stands for: any other name could be
// another file of the work folder (accounts.ini, another kind's data), which the run would delete
// or overwrite.
bool CheckName(const KeyRule& rule, HelperKind kind, const std::string& text, std::string& error)
{
    const char* expected = rule.contractName(kind);
    if (text.empty() && rule.need != Need::Optional) {
        error = Format("Parameter %d is empty; it must name %s", rule.key, expected ? expected : "a file");
        return false;
    }
    // An optional file name left empty means the file is not wanted.
    if (text.empty())
        return true;
    if (!IsPlainName(text)) {
        error = Format("Parameter %d is not a plain file name: %s", rule.key, text.c_str());
        return false;
    }
    if (!expected) {
        error =
            Format("Parameter %d names a file %s does not write: %s", rule.key, FilesOf(kind).program, text.c_str());
        return false;
    }
    if (text != expected) {
        error = Format("Parameter %d must name %s, not %s", rule.key, expected, text.c_str());
        return false;
    }
    return true;
}

bool TakeText(const KeyRule& rule, const ParamEntry& entry, HelperKind kind, HelperParams& params, std::string& error)
{
    if (entry.type != TYPE_TEXT) {
        error = Format("Parameter %d has type %d, not a text", rule.key, entry.type);
        return false;
    }
    const std::string& text = entry.text;
    // A zero byte would cut the name short wherever it is used as a C text.
    if (text.find('\0') != std::string::npos) {
        error = Format("Parameter %d holds a zero byte", rule.key);
        return false;
    }
    if (rule.shape == Shape::Folder && (text.empty() || text.back() != '/')) {
        error = Format("Parameter %d is not a folder ending with '/': %s", rule.key, text.c_str());
        return false;
    }
    if (rule.shape == Shape::Name && !CheckName(rule, kind, text, error))
        return false;
    if (rule.shape == Shape::LogName && !text.empty()) {
        if (!IsPlainName(text)) {
            error = Format("Parameter %d is not a plain file name: %s", rule.key, text.c_str());
            return false;
        }
        // The log may share the work folder; only a log's name keeps it off the other files there.
        if (!EndsWith(text, ".log")) {
            error = Format("Parameter %d is not the name of a log file (*.log): %s", rule.key, text.c_str());
            return false;
        }
    }
    params.*rule.text = text;
    return true;
}

bool TakeRule(const KeyRule& rule, const ParamEntry* entry, HelperKind kind, HelperParams& params, std::string& error)
{
    if (!entry) {
        if (rule.need == Need::Optional)
            return true;
        error = Format("Parameter %d is missing", rule.key);
        return false;
    }
    return rule.shape == Shape::Number ? TakeNumber(rule, *entry, params, error)
                                       : TakeText(rule, *entry, kind, params, error);
}

} // namespace

bool ParseParamBytes(std::string_view bytes, std::vector<ParamEntry>& entries, std::string& error)
{
    entries.clear();
    ByteCursor cursor(bytes);
    int32_t count = 0;
    if (!cursor.Int(count)) {
        error = "The parameter file is cut short before its entry count";
        return false;
    }
    if (static_cast<uint32_t>(count) > kMaxParamEntries) {
        error = Format("The parameter file claims %u entries, more than %u", static_cast<uint32_t>(count),
                       kMaxParamEntries);
        return false;
    }
    std::set<int32_t> keys;
    for (uint32_t i = 0; i < static_cast<uint32_t>(count); ++i) {
        ParamEntry entry;
        if (!ReadEntry(cursor, i, entry, error))
            return false;
        // The app keeps one entry per key; a second one means the file is not what it wrote.
        if (!keys.insert(entry.key).second) {
            error = Format("Parameter %d appears twice", entry.key);
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

bool ReadParamFile(const std::string& path, std::vector<ParamEntry>& entries, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = Format("Cannot open the parameter file: %s", path.c_str());
        return false;
    }
    std::string bytes(static_cast<size_t>(kMaxParamFileBytes) + 1, '\0');
    in.read(bytes.data(), kMaxParamFileBytes + 1);
    if (in.bad()) {
        error = Format("Cannot read the parameter file: %s", path.c_str());
        return false;
    }
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() > static_cast<size_t>(kMaxParamFileBytes)) {
        error = Format("The parameter file is too large: %s", path.c_str());
        return false;
    }
    return ParseParamBytes(bytes, entries, error);
}

bool TakeHelperParams(const std::vector<ParamEntry>& entries, HelperKind kind, HelperParams& params, std::string& error)
{
    params = HelperParams();
    error.clear();
    for (const KeyRule& rule : kRules) {
        if (rule.need == Need::Calendar && kind != HelperKind::Calendar)
            continue;
        std::string fault;
        if (!TakeRule(rule, FindEntry(entries, rule.key), kind, params, fault) && error.empty())
            error = fault;
    }
    // Each name is the contract's own, and no two files of the work folder share a name there
    // (HelperContractTest): the error file, deleted at the start of a run, can take no other file along.
    return error.empty();
}
