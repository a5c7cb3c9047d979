#include "common/misc/WinUtil.h"

#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

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
