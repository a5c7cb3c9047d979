// What a helper run tells the app while it works: error lines, the progress text, the stop-request
// file, and the debug log.
#pragma once

#include "helpers/base/ItemKind.h"
#include "helpers/driver/HelperLog.h"
#include "helpers/driver/HelperParams.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

class HelperSession
{
public:
    explicit HelperSession(HelperKind kind);

    // Takes the work folder, the file names and the log settings; those left empty stay unused. The
    // error file is started afresh.
    void Configure(const HelperParams& params);

    // One error: to the standard error stream, appended to the error file when there is one (the
    // app reads the last), and to the log at level 0.
    // The caller's file and line come from builtins rather than std::source_location, which clang 14
    // cannot compile against the libstdc++ of Debian 12 (it lacks __builtin_source_location).
    void Error(const std::string& text, const char* file = __builtin_FILE(), int line = __builtin_LINE());
    void Log(int level, const std::string& text, const char* file = __builtin_FILE(), int line = __builtin_LINE());
    // Whether Log writes lines of this level; a line made for every item is made only then.
    bool Logs(int level) const { return m_log.Writes(level); }
    // The progress text, as the first line of the status file. Texts come at most every 100 ms
    // unless forced: each one is a file written and renamed, and the app looks only ten times a second.
    void Status(const std::string& text, bool force = false);
    // The same for a text made by makeText(), called only when the text is written: a load's
    // progress text would otherwise be formatted for every item and thrown away for nearly all.
    template <class MakeText>
    void StatusMadeBy(MakeText makeText, bool force = false)
    {
        if (StatusDue(force))
            WriteStatus(makeText());
    }

    // The stop-request file; nothing happens for kinds without one or before Configure.
    void MarkRunning();
    void MarkFinished();
    // Whether the app asked the run to stop. The file is read at the first call and then at most
    // every 100 ms unless forced, the answer kept in between: opening and parsing it for every item
    // took a fifth of a load's time. A request is still seen within 100 ms and one item.
    bool StopRequested(bool force = false);

    int ErrorCount() const { return m_errors; }
    // The text of the last Error, for a save's result of the record it was about.
    const std::string& LastError() const { return m_lastError; }
    HelperKind Kind() const { return m_kind; }

    // For testing: the clock the status and stop intervals are measured by, and how often the
    // stop-request file was read.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    int StopFileReads() const { return m_stopFileReads; }

private:
    // Whether a status text goes out now; when it does, the interval starts again.
    bool StatusDue(bool force);
    void WriteStatus(const std::string& text) const;
    std::string StopFilePath() const;
    // The values, in order, into the stop-request file; nothing for kinds without one.
    void WriteStopFile(std::initializer_list<std::pair<const char*, int>> values) const;

    HelperKind m_kind;
    std::string m_workFolder;
    std::string m_errorFile;
    std::string m_statusFile;
    HelperLog m_log;
    int m_errors = 0;
    std::string m_lastError;
    Clock m_clock = [] { return std::chrono::steady_clock::now(); };
    std::chrono::steady_clock::time_point m_lastStatus{};
    bool m_stopChecked = false;
    bool m_stopRequested = false;
    std::chrono::steady_clock::time_point m_lastStopCheck{};
    int m_stopFileReads = 0;
};

// Keeps "Running" set in the stop-request file for as long as it lives, so every way out of a run,
// early returns included, clears it again.
class RunningMark
{
public:
    explicit RunningMark(HelperSession& session)
        : m_session(session)
    {
        m_session.MarkRunning();
    }
    ~RunningMark() { m_session.MarkFinished(); }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    HelperSession& m_session;
};
