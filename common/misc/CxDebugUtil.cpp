#include "common/misc/CxDebugUtil.h"

#include "common/misc/CxFile.h"

#include <algorithm>
#include <cstdarg>
#include <memory>

CxDebugUtil g_debugLog;

namespace {

// The part of a source path after its last separator; sources may come from either platform.
const char* SourceFileName(const char* path)
{
    if (!path)
        return "<null>";
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    return name;
}

} // namespace

void CxDebugUtil::SetFolder(const char* folder)
{
    if (!folder)
        return;
    CopyText(m_szFolder, folder);
    // The log names accounts and the items it loads and deletes: its owner's only, a log an older
    // version left readable by all included.
    char path[2 * MAX_PATH];
    FormatText(path, "%s%s", m_szFolder, m_szFileName);
    if (platform::FileExists(path))
        platform::RestrictToOwner(path);
}

void CxDebugUtil::SetLogLevel(int level)
{
    m_nLogLevel = std::clamp(level, 0, 3);
}

void CxDebugUtil::SetDebugEnabled(bool enabled)
{
    m_bEnabled = enabled;
}

void CxDebugUtil::Print(int level, const char* sourcePath, int line, const char* format, ...)
{
    if (level != 0 && (!m_bEnabled || level > m_nLogLevel))
        return;
    // Too large for the stack of a thread that is not the main one.
    auto message = std::make_unique<char[]>(kMessageCapacity);
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(message.get(), kMessageCapacity, format, args);
        va_end(args);
    }
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    const std::string text = FormatLine(now, sourcePath, line, platform::CurrentThreadId(), level, message.get());
    WriteLogLine(text.c_str());
}

std::string CxDebugUtil::FormatLine(const platform::SystemTime& time, const char* sourcePath, int line,
                                    unsigned long threadId, int level, const char* message)
{
    char name[256];
    CopyText(name, SourceFileName(sourcePath));
    char head[512];
    FormatText(head, "[%04d/%02d/%02d %02d:%02d:%02d][%-20s(%-4d)][%05lx][%s] - ", time.wYear, time.wMonth, time.wDay,
               time.wHour, time.wMinute, time.wSecond, name, line, threadId, level == 0 ? "!!!" : "   ");
    return std::string(head) + (message ? message : "");
}

void CxDebugUtil::WriteLogLine(const char* text) const
{
    // Room for a full folder and a full file name, so the path is never cut into another file's.
    char path[2 * MAX_PATH];
    FormatText(path, "%s%s", m_szFolder, m_szFileName);
    const char* mode = "ab";
    bool fresh = !platform::FileExists(path);
    if (CxFile::GetFileSize(path) > kMaxLogSize) {
        char oldPath[2 * MAX_PATH + 16];
        FormatText(oldPath, "%s.old.log", path);
        // A failed copy still empties the log: an endless log is the worse fault.
        if (platform::CopyFile(path, oldPath, true))
            platform::RestrictToOwner(oldPath);
        mode = "wb";
        fresh = true;
    }
    CxFile file;
    if (!file.Open(path, mode))
        return;
    if (fresh)
        platform::RestrictToOwner(path);
    file.WriteLine(text);
}
