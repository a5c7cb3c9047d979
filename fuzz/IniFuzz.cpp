// INI files through CxIniUtil. Input: section, key and value, each ended by a zero byte, then the
// file as it stands before the write.
#include "common/misc/CxIniUtil.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <string>
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

// The next zero-ended part of the input; the rest of the input when no zero byte is left.
std::string TakePart(std::string_view& input)
{
    const size_t end = input.find('\0');
    std::string part(input.substr(0, end));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return part;
}

// The value under the key as a reader with room for all of it sees it; checks what every read holds.
std::string ReadWhole(CxIniUtil& ini, const std::string& section, const std::string& key, size_t room)
{
    std::vector<char> buffer(room + 2, '\x7f');
    const int length = ini.ReadEntry(section.c_str(), key.c_str(), buffer.data(), buffer.size(), "");
    if (key.empty()) {
        // No key to look for: nothing is stored.
        FUZZ_CHECK(length == 0 && buffer[0] == '\x7f');
        return {};
    }
    FUZZ_CHECK(std::memchr(buffer.data(), '\0', buffer.size()) != nullptr);
    FUZZ_CHECK(length >= 0 && static_cast<size_t>(length) == std::strlen(buffer.data()));
    return std::string(buffer.data(), static_cast<size_t>(length));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string section = TakePart(input);
    const std::string key = TakePart(input);
    const std::string value = TakePart(input);
    const std::string path = fuzz::WriteScratchFile("fuzz.ini", input);

    CxIniUtil ini(fuzz::ScratchFolder().c_str(), "fuzz.ini");
    CopyText(ini.m_szSection, "Default");

    // A value read is trimmed, one line, and a smaller buffer holds its start, terminated.
    const std::string before = ReadWhole(ini, section, key, input.size());
    FUZZ_CHECK(Trim(before) == before && before.find('\n') == std::string::npos);
    const size_t small = 1 + size % 16;
    char cut[16];
    cut[0] = '\0';
    const int cutLength = ini.ReadEntry(section.c_str(), key.c_str(), cut, small, "");
    FUZZ_CHECK(static_cast<size_t>(cutLength) < small && cut[cutLength] == '\0');
    FUZZ_CHECK(static_cast<size_t>(cutLength) == std::min(before.size(), small - 1));
    FUZZ_CHECK(before.compare(0, static_cast<size_t>(cutLength), cut) == 0);
    ini.ReadNumber(section.c_str(), key.c_str(), 7);

    // A value written is read back as written, up to its first line break and trimmed as the reader
    // trims. Names that could be read back are never refused.
    const std::string_view name = Trim(key);
    const std::string_view group = Trim(section.empty() ? std::string_view(ini.m_szSection) : section);
    const bool validNames = !name.empty() && name.find_first_of("=\r\n") == std::string_view::npos &&
                            name.front() != '[' && name.front() != ';' &&
                            group.find_first_of("]\r\n") == std::string_view::npos;
    const int written = ini.WriteEntry(section.c_str(), key.c_str(), value.c_str());
    FUZZ_CHECK((written != 0) == validNames);
    if (written) {
        const std::string expected(Trim(std::string_view(value).substr(0, value.find_first_of("\r\n"))));
        FUZZ_CHECK(ReadWhole(ini, section, key, input.size() + value.size()) == expected);
    }
    return 0;
}
