#include "common/misc/WinUtil.h"

#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {
std::mutex g_shellMutex;
std::function<void(const char*)> g_shellHandler;
} // namespace

bool GetProgramFolder(void* /*module: one program image on this platform*/, char* buffer, size_t capacity)
{
    if (!buffer || capacity == 0)
        return false;
    std::string folder = platform::ProgramFolder();
    if (folder.empty())
        return false;
    CopyText(buffer, capacity, folder.c_str());
    return true;
}

bool JoinPath(const char* folder, const char* name, char* path, size_t capacity)
{
    if (!path || capacity == 0)
        return false;
    path[0] = '\0';
    if (!folder || !*folder || !name || !*name)
        return false;
    const bool hasSeparator = folder[std::strlen(folder) - 1] == platform::kPathSeparator;
    const char separator[2] = {hasSeparator ? '\0' : platform::kPathSeparator, '\0'};
    const int n = std::snprintf(path, capacity, "%s%s%s", folder, separator, name);
    if (n < 0 || static_cast<size_t>(n) >= capacity) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool OpenWithShell(const char* target)
{
    if (!target || !*target)
        return false;
    std::function<void(const char*)> handler;
    {
        std::lock_guard lock(g_shellMutex);
        handler = g_shellHandler;
    }
    if (handler)
        handler(target);
    else
        platform::ShellOpen(target);
    return true;
}

void SetOpenWithShellHandler(std::function<void(const char*)> handler)
{
    std::lock_guard lock(g_shellMutex);
    g_shellHandler = std::move(handler);
}

bool FormatTimeOfDay(double value, char* buffer, size_t size)
{
    if (!buffer || size == 0)
        return false;
    char text[32] = "N/A";
    // A value that cannot be broken down (NaN, beyond the year 9999) has no time of day to show either.
    if (value >= 0.001) {
        CxDateTime time(value);
        if (time.m_bValid)
            time.FormatTime(text);
    }
    CopyText(buffer, size, text);
    return true;
}
