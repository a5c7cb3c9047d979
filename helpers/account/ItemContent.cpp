#include "helpers/account/ItemContent.h"

#include "common/misc/Fnv1a.h"

#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>

namespace {

template <class T>
bool TakeNumber(std::string_view& text, T& value, int base, char end)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first == last || *first == '+' || *first == ' ')
        return false;
    const auto [ptr, ec] = std::from_chars(first, last, value, base);
    if (ec != std::errc() || (end != '\0' && (ptr == last || *ptr != end)) || (end == '\0' && ptr != last))
        return false;
    text.remove_prefix(static_cast<size_t>(ptr - first) + (end != '\0' ? 1 : 0));
    return true;
}

} // namespace

ContentIdentity IdentityOfContent(std::string_view bytes, int64_t modified)
{
    return {bytes.size(), modified, Fnv1a64(bytes)};
}

bool FileModifiedTime(const std::string& path, int64_t& modified, std::string& fault)
{
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (ec) {
        fault = ec.message();
        return false;
    }
    modified = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    return true;
}

bool FileClockTime(int64_t seconds, int64_t nanoseconds, int64_t& modified, std::string& fault)
{
    namespace chrono = std::chrono;
    // The limit and the conversion are those of the standard library's last_write_time, so a time
    // taken from an open file's status equals the one FileModifiedTime reads by path.
    if (static_cast<double>(seconds) >= static_cast<double>(chrono::nanoseconds::max().count()) / 1e9) {
        fault = std::make_error_code(std::errc::value_too_large).message();
        return false;
    }
    const chrono::sys_time<chrono::nanoseconds> time{chrono::seconds(seconds) + chrono::nanoseconds(nanoseconds)};
    modified =
        chrono::duration_cast<chrono::nanoseconds>(chrono::file_clock::from_sys(time).time_since_epoch()).count();
    return true;
}

std::string FormatContentIdentity(const ContentIdentity& identity)
{
    char text[80];
    std::snprintf(text, sizeof text, "%" PRIu64 ":%" PRId64 ":%016" PRIx64, identity.size, identity.modified,
                  identity.hash);
    return text;
}

bool ParseContentIdentity(std::string_view text, ContentIdentity& identity)
{
    ContentIdentity parsed;
    if (!TakeNumber(text, parsed.size, 10, ':') || !TakeNumber(text, parsed.modified, 10, ':') || text.size() != 16 ||
        !TakeNumber(text, parsed.hash, 16, '\0'))
        return false;
    identity = parsed;
    return true;
}

std::string NameWithContent(std::string_view name, const ContentIdentity& identity)
{
    return std::string(name) + kContentSeparator + FormatContentIdentity(identity);
}

void SplitNameAndContent(std::string_view text, std::string& name, std::string& content)
{
    const size_t at = text.find(kContentSeparator);
    name = std::string(text.substr(0, at));
    content = at == std::string_view::npos ? std::string() : std::string(text.substr(at + 1));
}

ItemIdentity IdentityOfItem(std::string_view name, const ContentIdentity& identity)
{
    const uint32_t content = Fnv1a32(NameWithContent(name, identity), kFnv1a32Basis);
    return {IdentityOfName(name).first, static_cast<int32_t>(content)};
}
