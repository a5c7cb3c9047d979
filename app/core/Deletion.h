// The deletion job the deletion page shows: walks the chosen applications' duplicate lists, marks the
// ticked records, saves the marks through the helper programs and logs every record it handles.
#pragma once

#include <cstddef>
#include <cstdint>

class CxGAppBaseUtil;
struct GAddrRecord;
struct GDateRecord;

// Where the job reports, in the order things happen and on the thread that runs it.
class DeletionSink
{
public:
    virtual ~DeletionSink() = default;
    // One log line of at most Deletion::kLineCapacity - 1 bytes, whole UTF-8 characters; empty for the
    // gap between blocks.
    virtual void LogLine(const char* szLine) = 0;
    // The share of the chosen records walked, 0 to 100; reported when it changes.
    virtual void Progress(int nPercent) = 0;
    // Shown once before the walk and hidden once after the last save. An exception leaves it shown:
    // whoever catches it takes the window down.
    virtual void ShowWaitWindow() = 0;
    virtual void HideWaitWindow() = 0;
    virtual void SetWaitText(const char* szText) = 0;
    // The file whose first line the wait window shows while the save that follows runs.
    virtual void SetWaitStatusFile(const char* szPath) = 0;
    // Lets the wait window paint before the thread blocks again; a test sink need not wait.
    virtual void Pause(int nMilliseconds) = 0;
};

class Deletion
{
public:
    // Every log line is built in a buffer of this size, terminator included.
    static constexpr size_t kLineCapacity = 256;
    static constexpr int kPauseMs = 100;

    // The sink must outlive the job.
    explicit Deletion(DeletionSink& sink);
    virtual ~Deletion() = default;
    Deletion(const Deletion&) = delete;
    Deletion& operator=(const Deletion&) = delete;

    // What entering the deletion page shows: the log's head, the counters at 0, progress 0.
    void Begin();
    // Counts the chosen applications' records, walks the contacts and then the events behind the wait
    // window, saves each kind's marks and logs the summary. An exception stops the walk where it is,
    // with no save and no summary after it.
    void Run();

    // "\t<label>: <value>", an empty or missing value written as "<empty>", cut to fit the line
    // buffer on a whole UTF-8 character.
    static void FormatFieldLine(char (&szLine)[kLineCapacity], const char* szLabel, const char* szValue);

    // One record of the contact duplicate list: logged, marked and counted when it was ticked. Virtual
    // so a test can make the deletion fail part-way (for testing).
    virtual void DeleteContactItem(GAddrRecord* pRecord);

    // Records whose marking succeeded; tasks and notes are never deleted here and stay 0.
    int32_t m_nDeletedContacts = 0;
    int32_t m_nDeletedEvents = 0;
    int32_t m_nDeletedTasks = 0;
    int32_t m_nDeletedNotes = 0;
    // Records in the chosen applications' duplicate lists, and how many of them were walked.
    int32_t m_nTotal = 0;
    int32_t m_nProcessed = 0;

private:
    void ResetCounters();
    void CountChosenRecords();
    // Each walks its kind's duplicate list and saves the marks; false when the save left the
    // account unchanged (the reason is logged then).
    bool DeleteContacts(const char* szDataFolder);
    bool DeleteEvents(const char* szDataFolder);
    void DeleteEventItem(GDateRecord* pRecord);
    void StepProgress();
    void ReportProgress(int nPercent);
    bool SaveMarks(CxGAppBaseUtil& util, const char* szDataFolder, const char* szStatusFile);
    void LogSummary(bool bContactsSaved, bool bEventsSaved);

    void LogLine(const char* szText);
    void LogField(const char* szLabel, const char* szValue);
    void LogRule();
    void LogGap();
    void LogVerdict(bool bMarked);

    DeletionSink& m_sink;
    int m_nPercent = 0; // last reported
};
