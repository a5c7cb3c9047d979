// The diagnostic log "appdebug.log": one line per event with time, source position, thread, severity.
#pragma once

#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

#include <string>

class CxDebugUtil
{
public:
    // Messages are cut to this many bytes, terminator included.
    static constexpr size_t kMessageCapacity = 40960;
    // A log larger than this is copied to "<path>.old.log" and emptied before the next line.
    static constexpr int32_t kMaxLogSize = 10485760;

    CxDebugUtil() = default;
    virtual ~CxDebugUtil() = default;
    CxDebugUtil(const CxDebugUtil&) = delete;
    CxDebugUtil& operator=(const CxDebugUtil&) = delete;

    // The folder must end with the path separator; null is ignored.
    void SetFolder(const char* folder);
    // Clamped to 0..3.
    void SetLogLevel(int level);
    void SetDebugEnabled(bool enabled);

    const char* GetFolder() const { return m_szFolder; }
    int GetLogLevel() const { return m_nLogLevel; }
    bool IsDebugEnabled() const { return m_bEnabled; }

    // Level 0 (failure) is always written; 1 to 3 only when enabled and not above the log level.
    // A log that cannot be opened loses the line; nothing is reported.
    void Print(int level, const char* sourcePath, int line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));

    // One log line without its line end, from explicit time and thread (for testing).
    static std::string FormatLine(const platform::SystemTime& time, const char* sourcePath, int line,
                                  unsigned long threadId, int level, const char* message);

private:
    void WriteLogLine(const char* text) const;

    char m_szFileName[MAX_PATH] = "appdebug.log";
    char m_szFolder[MAX_PATH] = "./";
    int m_nLogLevel = 0;
    bool m_bEnabled = false;
};

extern CxDebugUtil g_debugLog;
