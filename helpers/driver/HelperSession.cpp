#include "helpers/driver/HelperSession.h"

#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr auto kStatusInterval = std::chrono::milliseconds(100);
constexpr auto kStopCheckInterval = std::chrono::milliseconds(100);

} // namespace

HelperSession::HelperSession(HelperKind kind)
    : m_kind(kind)
{}

void HelperSession::Configure(const HelperParams& params)
{
    m_workFolder = params.workFolder;
    m_errorFile = params.errorFile;
    m_statusFile = params.statusFile;
    m_log.Configure(params.logFolder, params.logFile, params.logLevel, params.logEnabled);
    // The app takes every line in the error file for this run's; one left by an earlier run (the app
    // does not always remove it) would be reported again.
    if (!m_workFolder.empty() && !m_errorFile.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_workFolder + m_errorFile, ec);
    }
}

void HelperSession::Error(const std::string& text, const char* file, int line)
{
    ++m_errors;
    m_lastError = text;
    std::fprintf(stderr, "%s: %s\n", FilesOf(m_kind).program, text.c_str());
    m_log.Print(0, file, line, text);
    if (m_workFolder.empty() || m_errorFile.empty())
        return;
    CxIniUtil errors(m_workFolder.c_str(), m_errorFile.c_str());
    errors.SetOwnerOnly(true);
    const int number = errors.ReadNumber("Error", "Error.Count", 0) + 1;
    // The text before the count: the app reads the entry the count names, which must be there.
    char key[32];
    FormatText(key, "Error.%d", number);
    if (errors.WriteEntry("Error", key, text.c_str()))
        errors.WriteNumber("Error", "Error.Count", number);
}

void HelperSession::Log(int level, const std::string& text, const char* file, int line)
{
    m_log.Print(level, file, line, text);
}

void HelperSession::Status(const std::string& text, bool force)
{
    if (StatusDue(force))
        WriteStatus(text);
}

bool HelperSession::StatusDue(bool force)
{
    if (m_workFolder.empty() || m_statusFile.empty())
        return false;
    const auto now = m_clock();
    if (!force && now - m_lastStatus < kStatusInterval)
        return false;
    m_lastStatus = now;
    return true;
}

void HelperSession::WriteStatus(const std::string& text) const
{
    // Replaced every 100 ms and read by the app while we run: nothing to keep over a crash.
    platform::ReplaceFileContents((m_workFolder + m_statusFile).c_str(), text + "\r\n", true, false);
}

std::string HelperSession::StopFilePath() const
{
    const char* name = FilesOf(m_kind).stopFile;
    return name && !m_workFolder.empty() ? m_workFolder + name : std::string();
}

void HelperSession::WriteStopFile(std::initializer_list<std::pair<const char*, int>> values) const
{
    const std::string path = StopFilePath();
    if (path.empty())
        return;
    CxIniUtil ini("", "");
    ini.SetFilePath(path.c_str());
    ini.SetOwnerOnly(true);
    for (const auto& [key, value] : values)
        ini.WriteNumber("Status", key, value);
}

void HelperSession::MarkRunning()
{
    // The app asks a helper to stop when it exits while the helper still runs, and nobody clears that
    // request afterwards: a "Stop" left by an earlier run would end this one before its first item.
    // Cleared before "Running" is set, so a request the app makes once it sees us running survives.
    WriteStopFile({{"Stop", 0}, {"Running", 1}});
}

void HelperSession::MarkFinished()
{
    WriteStopFile({{"Running", 0}});
}

bool HelperSession::StopRequested(bool force)
{
    const auto now = m_clock();
    if (!force && m_stopChecked && now - m_lastStopCheck < kStopCheckInterval)
        return m_stopRequested;
    const std::string path = StopFilePath();
    if (path.empty())
        return false;
    m_stopChecked = true;
    m_lastStopCheck = now;
    ++m_stopFileReads;
    CxIniUtil ini("", "");
    ini.SetFilePath(path.c_str());
    m_stopRequested = ini.ReadNumber("Status", "Stop", 0) == 1;
    return m_stopRequested;
}
