#include "helpers/driver/TrashRun.h"

#include "common/google/records/HelperContract.h"
#include "common/platform/Platform.h"
#include "helpers/account/ItemContent.h"
#include "helpers/account/ItemPlace.h"
#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"
#include "helpers/driver/SaveResults.h"

#include <charconv>
#include <chrono>
#include <filesystem>

namespace {

bool TakeNumber(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end;
}

// The civil date of a "YYYY-MM-DD" text, or an invalid one.
std::chrono::year_month_day DateOf(std::string_view text)
{
    using namespace std::chrono;
    int y = 0;
    int m = 0;
    int d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !TakeNumber(text.substr(0, 4), y) ||
        !TakeNumber(text.substr(5, 2), m) || !TakeNumber(text.substr(8, 2), d))
        return year_month_day{year{0}, month{0}, day{0}};
    return year_month_day{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
}

} // namespace

std::string DeletionTimeNow()
{
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    return Format("%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                  now.wSecond);
}

std::string TrashRecordText(const TrashReference& reference)
{
    return NameWithPlace(EscapeItemPath(reference.path), reference.place) + kItemContentSeparator + reference.content;
}

bool ParseTrashRecordText(std::string_view text, TrashReference& reference)
{
    std::string name;
    std::string escaped;
    SplitNameAndContent(text, name, reference.content);
    SplitNameAndPlace(name, escaped, reference.place);
    ItemPlace place;
    return UnescapeItemPath(escaped, reference.path) && !reference.path.empty() &&
           (reference.place.empty() || ParseItemPlace(reference.place, place));
}

bool ParseTrashRequest(const DeleteRequest& request, TrashReference& reference)
{
    return ParseTrashRecordText(
        NameWithPlace(request.item.name, request.place) + kItemContentSeparator + request.content, reference);
}

std::string AsRestoreRefusal(std::string error)
{
    const std::string_view said = "nothing deleted";
    const size_t at = error.find(said);
    if (at != std::string::npos)
        error.replace(at, said.size(), "nothing restored");
    return error;
}

ItemIdentity TrashIdentity(const TrashReference& reference)
{
    return IdentityOfName(NameWithPlace(reference.path, reference.place));
}

bool ParseTrashDays(const std::string& options, int& days)
{
    int value = 0;
    if (options.empty() || options.size() > 5 || !TakeNumber(options, value) || value < 0 || value > kMaxTrashDays)
        return false;
    days = value;
    return true;
}

bool IsTrashDayName(std::string_view name)
{
    return DateOf(name).ok();
}

bool IsDeletionOlder(std::string_view day, std::string_view today, int days)
{
    const std::chrono::year_month_day deleted = DateOf(day);
    const std::chrono::year_month_day now = DateOf(today);
    if (!deleted.ok() || !now.ok())
        return false;
    return (std::chrono::sys_days(now) - std::chrono::sys_days(deleted)).count() >= days;
}

TrashResults::TrashResults(HelperSession& session, const HelperParams& params)
    : m_session(session)
    , m_path(FreshResultFile(session.Kind(), params))
{}

void TrashResults::Listed(const std::string& deletedAt)
{
    ++m_count;
    m_entries += Format("%s%u=%s\r\n", kResultRecordKey, m_count, OneLineValue(deletedAt).c_str());
}

void TrashResults::Holds(uint64_t bytes, uint64_t files)
{
    m_bytes = bytes;
    m_files = files;
}

void TrashResults::Removed(uint64_t files)
{
    m_removed = files;
}

void TrashResults::Failed(const std::string& reason)
{
    m_error = OneLineValue(reason);
}

void TrashResults::Write()
{
    if (m_path.empty())
        return;
    std::string text;
    if (!m_error.empty()) {
        text = Format("[%s]\r\n%s=0\r\n%s=%s\r\n", kResultSection, kResultCountKey, kResultErrorKey, m_error.c_str());
    } else {
        text = Format("[%s]\r\n%s=%u\r\n%s=%llu\r\n%s=%llu\r\n%s=%llu\r\n", kTrashSection, kTrashCountKey, m_count,
                      kTrashBytesKey, static_cast<unsigned long long>(m_bytes), kTrashFilesKey,
                      static_cast<unsigned long long>(m_files), kTrashRemovedKey,
                      static_cast<unsigned long long>(m_removed)) +
               m_entries;
    }
    WriteResultFile(m_session, m_path, text);
}
